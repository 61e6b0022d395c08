#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <utility>

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

bool isControl(char16_t unit)
{
    return unit < 0x20 || unit == 0x7F;
}

void appendEscaped(QString &out, unsigned char byte)
{
    static constexpr char16_t digits[] = u"0123456789abcdef";
    out += QLatin1StringView("\\x");
    out += QChar(digits[byte >> 4]);
    out += QChar(digits[byte & 0xF]);
}

// Stateless: a sequence cut short at the end is an error, not a start held back for more bytes
// that never come.
QStringDecoder makeWholeDecoder(const QByteArray &encoding)
{
    QStringDecoder decoder(encoding.constData(), QStringConverter::Flag::Stateless);
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
}

// The character starting at `at`: the shortest run of bytes the code page decodes whole, or
// nothing when none of up to four bytes does. Converters put U+FFFD for what they cannot
// decode, not always telling so; a U+FFFD counts only when the code page writes it that way.
std::optional<std::pair<QString, qsizetype>> characterAt(QByteArrayView bytes, qsizetype at,
                                                         const QByteArray &encoding)
{
    constexpr qsizetype longestCharacter = 4;
    for (qsizetype length = 1; length <= longestCharacter && at + length <= bytes.size(); ++length) {
        const QByteArrayView run = bytes.sliced(at, length);
        QStringDecoder decoder = makeWholeDecoder(encoding);
        QString character = decoder.decode(run);
        if (decoder.hasError() || character.isEmpty())
            continue;
        if (character.contains(QChar::ReplacementCharacter) && CodePage::encode(character, encoding) != run.toByteArray())
            continue;
        return std::pair{std::move(character), length};
    }
    return std::nullopt;
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

QString decodeShown(QByteArrayView bytes, const QByteArray &encoding)
{
    // Page addresses and mail addresses are nearly always plain ASCII: shown as they are without
    // opening a converter, which costs more than the rest of listing them.
    const auto plain = [](char byte) {
        const auto unit = static_cast<unsigned char>(byte);
        return unit < 0x80 && !isControl(unit);
    };
    if (std::all_of(bytes.begin(), bytes.end(), plain))
        return QString::fromLatin1(bytes);
    QStringDecoder whole = makeWholeDecoder(encoding);
    QString text = whole.decode(bytes);
    const auto doubtful = [](QChar c) { return isControl(c.unicode()) || c == QChar::ReplacementCharacter; };
    if (!whole.hasError() && std::none_of(text.cbegin(), text.cend(), doubtful))
        return text;

    // ASCII is ASCII in every code page the language files name, also as a trail byte: the walk
    // only ever stands on the first byte of a character.
    QString shown;
    shown.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            if (isControl(byte))
                appendEscaped(shown, byte);
            else
                shown += QChar(char16_t(byte));
            ++at;
        } else if (const auto character = characterAt(bytes, at, encoding)) {
            shown += character->first;
            at += character->second;
        } else {
            appendEscaped(shown, byte);
            ++at;
        }
    }
    return shown;
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
