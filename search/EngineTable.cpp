#include "search/EngineTable.h"

#include <QStringEncoder>

const char16_t *const EngineTable::kGoogleChinese = u"Google(Simplified Chinese)";
const char16_t *const EngineTable::kGoogleEnglish = u"Google(English)";
const char16_t *const EngineTable::kBaidu = u"\u767e\u5ea6";

namespace {

bool is(const QString &caption, const char16_t *name)
{
    return caption == QString::fromUtf16(name);
}

} // namespace

namespace EngineTable {

QList<EngineRow> initialRows()
{
    return {{QString::fromUtf16(kBaidu), true},
            {QString::fromUtf16(kGoogleEnglish), true},
            {QString::fromUtf16(kGoogleChinese), true}};
}

int PageCount(const QString &caption)
{
    if (is(caption, kGoogleChinese) || is(caption, kGoogleEnglish))
        return 10;
    if (is(caption, kBaidu))
        return 76;
    return 0;
}

QString BuildSearchURL(const EngineHosts &hosts, const QString &caption, int page, int phraseIndex,
                       const QStringList &phrases)
{
    if (phraseIndex < 0 || phraseIndex >= phrases.size())
        return {};
    const QString &phrase = phrases.at(phraseIndex);
    const QString http = QStringLiteral("http://");
    if (is(caption, kGoogleChinese))
        return http + hosts.google + QStringLiteral("/search?q=") + phrase
               + QStringLiteral("+mail&num=100&hl=zh-CN&lr=lang_zh-CN&start=") + QString::number(page * 100)
               + QStringLiteral("&sa=N&filter=0");
    if (is(caption, kGoogleEnglish))
        return http + hosts.google + QStringLiteral("/search?q=") + phrase + QStringLiteral("+mail&num=100&start=")
               + QString::number(page * 100) + QStringLiteral("&sa=N&filter=0");
    if (is(caption, kBaidu))
        return http + hosts.baidu + QStringLiteral("/baidu?word=") + phrase + QStringLiteral("+Mail&pn=")
               + QString::number(page * 10);
    return {};
}

QByteArray wireForm(const QString &url, const QString &caption)
{
    QStringEncoder gbk("GBK");
    const QByteArray bytes = is(caption, kBaidu) && gbk.isValid() ? QByteArray(gbk.encode(url)) : url.toUtf8();
    QByteArray wire;
    wire.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            wire += c;
        } else {
            wire += '%';
            wire += QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        }
    }
    return wire;
}

QString rootAddress(const EngineHosts &hosts)
{
    return QStringLiteral("http://") + hosts.google;
}

} // namespace EngineTable
