#pragma once
// Windows font character sets and the code pages they stand for. Language and message files are
// byte files written on Windows in the code page of the language's font character set: the
// number in their "FontCharset" entry says how their texts are decoded and new texts encoded.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace CodePage {

// The character-set numbers of the Windows font API that the language files use.
inline constexpr int ansiCharset = 0;
inline constexpr int defaultCharset = 1;
inline constexpr int shiftJisCharset = 128;
inline constexpr int hangeulCharset = 129;
inline constexpr int gb2312Charset = 134;
inline constexpr int chineseBig5Charset = 136;

// The ICU name of the code page of a font character set: 0 and 1 "windows-1252", 128
// "Shift_JIS", 134 "GBK", 136 "Big5", the other Windows character sets their own code pages.
// A number Windows does not define falls back to "windows-1252".
QByteArray encodingOf(int charset);

// The number a "FontCharset" entry holds, or 0 (leave the character sets alone) for text that
// is not a whole number.
int charsetFromText(QStringView text);

// Never fails: bytes the code page does not define become U+FFFD. An unknown encoding name
// decodes as UTF-8.
QString decode(QByteArrayView bytes, const QByteArray &encoding);
inline QString decode(QByteArrayView bytes, int charset) { return decode(bytes, encodingOf(charset)); }

// Bytes from a page for the eye, decoded in the code page: a byte or sequence the code page does
// not define, and a control byte, read "\xHH" (lower-case hex) instead. Nothing becomes U+FFFD,
// and no line break or TAB reaches a list row, where it would break the rows copied from it.
QString decodeShown(QByteArrayView bytes, const QByteArray &encoding);

// nullopt when the code page cannot hold the text, so that it would not read back as itself.
std::optional<QByteArray> encode(QStringView text, const QByteArray &encoding);
inline std::optional<QByteArray> encode(QStringView text, int charset) { return encode(text, encodingOf(charset)); }

} // namespace CodePage
