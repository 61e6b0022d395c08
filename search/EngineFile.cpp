#include "search/EngineFile.h"

#include "platform/ProfileText.h"
#include "platform/ProgramFolder.h"
#include "search/EngineTable.h"

#include <QFile>
#include <QSet>
#include <QStringEncoder>
#include <QUrl>

#include <optional>

const char *const EngineFile::kFileName = "Engines.ini";

namespace {

const QString phraseMark = QStringLiteral("{phrase}");
const QString offsetMark = QStringLiteral("{offset}");

// The section names in file order, each name once (the profile rules read only the first
// section of a name). A section opens with a line "[name]"; its last "]" closes the name.
QStringList sectionNames(const QByteArray &file, QStringList *repeated)
{
    QStringList names;
    QSet<QString> seen;
    for (const QByteArray &rawLine : file.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype close = line.lastIndexOf(']');
        if (!line.startsWith('[') || close < 1)
            continue;
        const QString name = QString::fromUtf8(line.mid(1, close - 1)).trimmed();
        if (seen.contains(name.toLower())) {
            repeated->append(name);
            continue;
        }
        seen.insert(name.toLower());
        names.append(name);
    }
    return names;
}

std::optional<int> wholeNumber(const std::optional<QString> &text, int least, int most)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    if (!ok || value < least || value > most)
        return std::nullopt;
    return value;
}

// Why `address` cannot be an engine's template for `pages` result pages; empty when it can.
QString templateFault(const QString &address, int pages)
{
    if (!address.contains(phraseMark))
        return QStringLiteral("Address has no {phrase}");
    if (pages > 1 && !address.contains(offsetMark))
        return QStringLiteral("Address has no {offset}, so its %1 result pages would all be the first").arg(pages);
    QString filled = address;
    filled.replace(phraseMark, QStringLiteral("x")).replace(offsetMark, QStringLiteral("0"));
    if (filled.contains(QLatin1Char('{')) || filled.contains(QLatin1Char('}')))
        return QStringLiteral("Address holds a placeholder other than {phrase} and {offset}");
    const QUrl url(filled, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return QStringLiteral("Address is no http:// or https:// address");
    return {};
}

class SectionReader
{
public:
    SectionReader(const QByteArray &file, const QString &section) : file_(file), section_(section) {}

    std::optional<QString> value(const char *ident) const
    {
        const std::optional<QByteArray> bytes = ProfileText::read(file_, section_, QString::fromLatin1(ident));
        if (!bytes)
            return std::nullopt;
        return QString::fromUtf8(*bytes);
    }

private:
    const QByteArray &file_;
    const QString &section_;
};

// The engine of one section, or why there is none.
std::optional<FileEngine> engineOf(const QByteArray &file, const QString &section, QString *fault)
{
    const SectionReader ini(file, section);
    FileEngine engine;
    engine.section = section;
    engine.caption = ini.value("Caption").value_or(QString());
    if (engine.caption.isEmpty())
        engine.caption = section;
    engine.address = ini.value("Address").value_or(QString());
    engine.encoding = ini.value("Encoding").value_or(QString()).toLatin1();
    if (engine.encoding.isEmpty())
        engine.encoding = "UTF-8";
    engine.resultLinks = ini.value("ResultLinks").value_or(QString());

    const std::optional<int> pages = wholeNumber(ini.value("Pages"), 1, EngineFile::kMostPages);
    const std::optional<int> step = wholeNumber(ini.value("OffsetStep"), 0, 1000000);
    const std::optional<QString> firstText = ini.value("FirstOffset");
    const std::optional<int> first = firstText ? wholeNumber(firstText, 0, 1000000) : std::optional(0);
    if (engine.address.isEmpty())
        *fault = QStringLiteral("no Address");
    else if (!pages)
        *fault = QStringLiteral("Pages must be a whole number from 1 to %1").arg(EngineFile::kMostPages);
    else if (!step)
        *fault = QStringLiteral("OffsetStep must be a whole number from 0 on");
    else if (!first)
        *fault = QStringLiteral("FirstOffset must be a whole number from 0 on");
    else if (const QString wrong = templateFault(engine.address, *pages); !wrong.isEmpty())
        *fault = wrong;
    else if (!QStringEncoder(engine.encoding.constData()).isValid())
        *fault = QStringLiteral("unknown Encoding \"%1\"").arg(QString::fromLatin1(engine.encoding));
    if (!fault->isEmpty())
        return std::nullopt;
    engine.pages = *pages;
    engine.offsetStep = *step;
    engine.firstOffset = *first;
    return engine;
}

} // namespace

QString FileEngine::searchUrl(int page, const QString &phrase) const
{
    QStringEncoder encoder(encoding.constData());
    const QByteArray bytes = encoder.isValid() ? QByteArray(encoder.encode(phrase)) : phrase.toUtf8();
    QString url = address;
    url.replace(phraseMark, QString::fromLatin1(bytes.toPercentEncoding()));
    url.replace(offsetMark, QString::number(qint64(firstOffset) + qint64(page) * offsetStep));
    return url;
}

bool FileEngine::isResultLink(const QByteArray &link) const
{
    if (resultLinks.isEmpty())
        return true;
    if (!resultLinks.startsWith(QLatin1Char('/')))
        return QString::fromUtf8(link).startsWith(resultLinks);
    const QUrl url(QString::fromUtf8(link));
    return url.path(QUrl::FullyEncoded).startsWith(resultLinks)
           || url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment | QUrl::FullyEncoded)
                  .startsWith(resultLinks);
}

EngineFile EngineFile::read(const QString &path)
{
    EngineFile loaded;
    QFile file(path);
    if (!file.exists())
        return loaded;
    const QString name = QString::fromLatin1(kFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.problems.append(QStringLiteral("%1: cannot be read (%2); only the designed engines are offered")
                                   .arg(name, file.errorString()));
        return loaded;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    QSet<QString> captions;
    for (const EngineRow &designed : EngineTable::initialRows())
        captions.insert(designed.caption);
    QStringList repeated;
    for (const QString &section : sectionNames(bytes, &repeated)) {
        QString fault;
        std::optional<FileEngine> engine = engineOf(bytes, section, &fault);
        if (engine && captions.contains(engine->caption))
            fault = QStringLiteral("Caption \"%1\" belongs to another engine").arg(engine->caption);
        if (!fault.isEmpty()) {
            loaded.problems.append(QStringLiteral("%1 [%2]: %3; the engine is left out").arg(name, section, fault));
            continue;
        }
        captions.insert(engine->caption);
        loaded.engines.append(*engine);
    }
    for (const QString &section : repeated)
        loaded.problems.append(QStringLiteral("%1 [%2]: a second section of this name; only the first is read")
                                   .arg(name, section));
    return loaded;
}

EngineFile EngineFile::current()
{
    return read(ProgramFolder::resolve(QString::fromLatin1(kFileName)));
}
