#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

struct CharsetCodePage
{
    int charset;
    const char *encoding;
};

// The character sets of the Windows font API with the ANSI code page each one implies.
constexpr CharsetCodePage codePages[] = {
    {CodePage::ansiCharset, "windows-1252"},
    {CodePage::defaultCharset, "windows-1252"},
    {CodePage::shiftJisCharset, "Shift_JIS"},
    {CodePage::hangeulCharset, "windows-949"},
    {CodePage::gb2312Charset, "GBK"},
    {CodePage::chineseBig5Charset, "Big5"},
    {161, "windows-1253"}, // Greek
    {162, "windows-1254"}, // Turkish
    {163, "windows-1258"}, // Vietnamese
    {177, "windows-1255"}, // Hebrew
    {178, "windows-1256"}, // Arabic
    {186, "windows-1257"}, // Baltic
    {204, "windows-1251"}, // Russian
    {222, "windows-874"},  // Thai
    {238, "windows-1250"}, // Central European
};

QStringDecoder makeDecoder(const QByteArray &encoding)
{
    QStringDecoder decoder(encoding.constData());
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringDecoder::Utf8);
}

QStringEncoder makeEncoder(const QByteArray &encoding)
{
    QStringEncoder encoder(encoding.constData());
    return encoder.isValid() ? std::move(encoder) : QStringEncoder(QStringEncoder::Utf8);
}

} // namespace

namespace CodePage {

QByteArray encodingOf(int charset)
{
    for (const CharsetCodePage &entry : codePages) {
        if (entry.charset == charset)
            return QByteArray(entry.encoding);
    }
    return QByteArray("windows-1252");
}

int charsetFromText(QStringView text)
{
    bool ok = false;
    const int charset = text.trimmed().toInt(&ok, 10);
    return ok ? charset : 0;
}

QString decode(QByteArrayView bytes, const QByteArray &encoding)
{
    QStringDecoder decoder = makeDecoder(encoding);
    return decoder.decode(bytes);
}

std::optional<QByteArray> encode(QStringView text, const QByteArray &encoding)
{
    QStringEncoder encoder = makeEncoder(encoding);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    // Converters may substitute a look-alike for a character they lack without reporting it;
    // only a text that reads back unchanged is held by the code page.
    QStringDecoder decoder = makeDecoder(encoding);
    const QString back = decoder.decode(bytes);
    if (back != text || decoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace CodePage
