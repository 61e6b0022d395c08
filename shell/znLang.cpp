#include "shell/znLang.h"

#include "platform/CodePage.h"
#include "platform/ProgramFolder.h"
#include "shell/LangFonts.h"
#include "shell/LangRules.h"
#include "shell/LangSections.h"
#include "shell/LangTexts.h"
#include "shell/znIniSetting.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace {

constexpr char tagProperty[] = "Tag";
// Far above any message file; reading a larger one whole would stall the interface.
constexpr qint64 maxMessageFileSize = 4 * 1024 * 1024;

QString fontSection()
{
    return QString::fromLatin1(LangSections::fontSection);
}

QString charsetIdent()
{
    return QString::fromLatin1(LangSections::charsetIdent);
}

QByteArray readMessageFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        throw EFOpenError(path, QStringLiteral("Is a directory"));
    // A FIFO or a device would block the interface thread or never end.
    if (info.exists() && !info.isFile())
        throw EFOpenError(path, QStringLiteral("Not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path, file.errorString());
    if (file.size() > maxMessageFileSize)
        throw EFOpenError(path, QStringLiteral("File too large"));
    const QByteArray bytes = file.read(maxMessageFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(path, file.errorString());
    return bytes;
}

// Lines end in CR LF, LF or CR; a line end at the very end starts no further line.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype begin = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.sliced(begin, i - begin));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        begin = i + 1;
    }
    if (begin < size)
        lines.append(text.sliced(begin));
    return lines;
}

// Qt's own dialogs stand for the platform's common dialogs, which are no forms of the program:
// walking them would fill the language file with Qt's texts (the widget file dialog is named
// "QFileDialog") and put file texts over texts Qt translates itself.
bool isStandardDialog(const QWidget *window)
{
    for (const char *className : {"QFileDialog", "QMessageBox", "QColorDialog", "QFontDialog", "QInputDialog",
                                  "QProgressDialog", "QErrorMessage"}) {
        if (window->inherits(className))
            return true;
    }
    return false;
}

class DepthGuard final
{
public:
    DepthGuard(int &depth, bool active) : depth_(depth), active_(active)
    {
        if (active_)
            ++depth_;
    }
    ~DepthGuard()
    {
        if (active_)
            --depth_;
    }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;

private:
    int &depth_;
    bool active_;
};

} // namespace

EFOpenError::EFOpenError(const QString &path, const QString &reason)
    : std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason).toStdString())
{
}

struct TznLang::Walk
{
    const TznIniSetting &ini;
    QString path;
    int fileCharset; // > 0: given to every font; otherwise each font's own is written to the file
    bool named;      // the owner has a name, so its components have sections
    bool texts;      // captions, hints and lists are read and learned
};

TznLang::TznLang(QObject *owner) : QObject(owner), localDir_(ProgramFolder::path())
{
    // ParaFileName cannot be set before this, so the message file is always its empty-name
    // default.
    try {
        LoadParas(ProgramFolder::resolve(QStringLiteral("Para.ini")));
    } catch (const EFOpenError &) {
        // A program without a message file starts with an empty table.
    }
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::focusWindowChanged, this, &TznLang::activeWindowMayHaveChanged);
}

TznLang::~TznLang() = default;

void TznLang::Translate(QObject *Component, const QString &Prefix)
{
    if (Component == nullptr)
        return;
    textEncoding_.reset(); // a walk may teach the file its character set
    if (!forceLanguageChange_ && Component->property(tagProperty).toInt() > 0)
        return;
    const QPointer<QObject> component(Component);
    const auto markTranslated = qScopeGuard([component] {
        if (component)
            component->setProperty(tagProperty, 1);
    });

    TznIniSetting ini;
    ini.setFileName(fileName_);
    const QString name = Component->objectName();
    const int fileCharset = FileCharset();
    // A file that names no character set learns the component's below; its texts are stored in
    // that code page from the first one on, so the file reads back as it was meant.
    int textCharset = fileCharset;
    if (textCharset <= 0) {
        const auto *widget = qobject_cast<const QWidget *>(Component);
        textCharset = widget != nullptr ? LangFonts::charsetOf(widget) : CodePage::ansiCharset;
    }
    ini.setEncoding(CodePage::encodingOf(textCharset));

    const bool named = !name.isEmpty() && fontsOnlyDepth_ == 0;
    const Walk walk{ini, LangSections::pathOf(Prefix, name), fileCharset, named, named && !onlyFont_};
    applyFontRule(walk, Component);
    if (walk.texts && walk.path == name) {
        LangRules::applyTextRule(ini, LangSections::propertySection(walk.path, QStringLiteral("Caption")), name,
                                 Component, LangTexts::Property::Caption);
    }
    walkChildren(walk, Component);
}

void TznLang::walkChildren(const Walk &walk, QObject *component)
{
    QList<QPointer<QObject>> owned;
    for (QObject *child : LangSections::ownedComponents(component))
        owned.append(child);
    if (owned.isEmpty())
        return;
    // The components of an unnamed owner have no sections, nor do those of panels inside it.
    const DepthGuard fontsOnly(fontsOnlyDepth_, !walk.named);
    constexpr LangTexts::Property properties[] = {LangTexts::Property::Caption, LangTexts::Property::Hint,
                                                  LangTexts::Property::DisplayLabel};
    for (const QPointer<QObject> &child : std::as_const(owned)) {
        if (!child)
            continue; // a handler deleted it
        const QString childName = child->objectName();
        applyFontRule(walk, child);
        if (walk.texts) {
            if (const std::optional<LangTexts::ItemList> nodes = LangTexts::treeNodes(child))
                LangRules::applyListRule(walk.ini, LangSections::listSection(walk.path, childName), *nodes);
            for (const LangTexts::Property property : properties) {
                const QString section = LangSections::propertySection(walk.path, LangTexts::nameOf(property));
                LangRules::applyTextRule(walk.ini, section, childName, child, property);
            }
        }
        if (OnTranslate && walk.named && child)
            OnTranslate(child, LangSections::listSection(walk.path, childName), walk.ini);
        if (child)
            Translate(child, walk.path);
    }
}

void TznLang::applyFontRule(const Walk &walk, QObject *component)
{
    auto *widget = qobject_cast<QWidget *>(component);
    if (widget == nullptr)
        return; // actions and other components carry no font of their own
    QFont font = widget->font();
    if (walk.fileCharset > 0) {
        LangFonts::setCharset(widget, font, walk.fileCharset);
    } else {
        const int charset = LangFonts::charsetOf(widget);
        walk.ini.WriteString(fontSection(), charsetIdent(), QString::number(charset));
        LangFonts::setCharset(widget, font, charset);
    }
    int size = std::max(LangFonts::pointSizeOf(font, widget), minFontSize_);
    if (OnFontSize)
        OnFontSize(size);
    LangFonts::setPointSize(font, size);
    widget->setFont(font);
}

int TznLang::FileCharset() const
{
    TznIniSetting ini;
    ini.setFileName(fileName_);
    // Every byte is a character in this code page, whatever the file's own is; the number is ASCII.
    ini.setEncoding(CodePage::encodingOf(CodePage::ansiCharset));
    return CodePage::charsetFromText(ini.ReadString(fontSection(), charsetIdent(), QStringLiteral("0")));
}

QByteArray TznLang::TextEncoding() const
{
    if (!textEncoding_) {
        const int charset = FileCharset();
        textEncoding_ = CodePage::encodingOf(charset > 0 ? charset : CodePage::ansiCharset);
    }
    return *textEncoding_;
}

QString TznLang::ParaText(const QString &Key) const
{
    for (const QString &line : paras_) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && QStringView(line).first(equals) == Key)
            return line.sliced(equals + 1);
    }
    return {};
}

void TznLang::LoadParas(const QString &path)
{
    const QByteArray bytes = readMessageFile(path);
    static constexpr char utf8Bom[] = "\xEF\xBB\xBF";
    const QString text = bytes.startsWith(utf8Bom)
                             ? QString::fromUtf8(QByteArrayView(bytes).sliced(3))
                             : CodePage::decode(bytes, CodePage::encodingOf(FileCharset()));
    paras_ = splitLines(text);
}

void TznLang::activeWindowMayHaveChanged()
{
    // Leaving the application and coming back to the same window is no change of active form.
    QWidget *form = QApplication::activeWindow();
    if (form == nullptr || form == activeForm_)
        return;
    activeForm_ = form;
    if (OnActiveFormChange)
        OnActiveFormChange(this);
    if (enabled_ && activeForm_ && !isStandardDialog(activeForm_))
        Translate(activeForm_, QString());
}
