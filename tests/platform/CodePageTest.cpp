#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(CodePage, CharsetsNameTheirWindowsCodePages)
{
    struct Row
    {
        int charset;
        const char *encoding;
    };
    const Row rows[] = {
        {0, "windows-1252"},   {1, "windows-1252"}, {128, "Shift_JIS"},      {129, "windows-949"},
        {134, "GBK"},          {136, "Big5"},       {204, "windows-1251"},   {238, "windows-1250"},
        {2, "windows-1252"},   {-1, "windows-1252"}, {12345, "windows-1252"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.charset);
        EXPECT_EQ(CodePage::encodingOf(row.charset), QByteArray(row.encoding));
        // Every name is one the converters know: a typo would silently decode as UTF-8.
        EXPECT_EQ(CodePage::decode("A", CodePage::encodingOf(row.charset)), u("A"));
        EXPECT_TRUE(CodePage::encode(u("A"), row.charset).has_value());
    }
}

TEST(CodePage, TextsRoundTripThroughTheirCodePageBytes)
{
    struct Row
    {
        int charset;
        const char *text;
        QByteArray bytes;
    };
    const Row rows[] = {
        {134, "中文", "\xD6\xD0\xCE\xC4"},
        {134, "“选项”…", "\xA1\xB0\xD1\xA1\xCF\xEE\xA1\xB1\xA1\xAD"},
        {136, "中文", "\xA4\xA4\xA4\xE5"},
        {136, "「選項」", "\xA1\x75\xBF\xEF\xB6\xB5\xA1\x76"},
        {128, "日本", "\x93\xFA\x96\x7B"},
        {1, "Café €", "Caf\xE9 \x80"},
        {0, "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(CodePage::encode(u(row.text), row.charset).value_or("<none>"), row.bytes);
        EXPECT_EQ(CodePage::decode(row.bytes, row.charset), u(row.text));
    }
}

TEST(CodePage, TextsACodePageCannotHoldAreRefused)
{
    struct Row
    {
        int charset;
        const char *text;
    };
    const Row rows[] = {
        {1, "退出"},    // Chinese in a Western file
        {1, "Łódź"},    // Central European letters have no place in Windows-1252
        {136, "简体"},  // simplified forms Big5 lacks
        {134, "😀"},    // beyond the code page
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_FALSE(CodePage::encode(u(row.text), row.charset).has_value());
    }
}

TEST(CodePage, BytesOutsideTheCodePageDecodeAsReplacementCharacters)
{
    // A GBK lead byte followed by a byte that cannot end the character.
    const QString text = CodePage::decode("A\x81\x20" "B", 134);
    EXPECT_TRUE(text.startsWith(QLatin1Char('A')));
    EXPECT_TRUE(text.endsWith(QLatin1Char('B')));
    EXPECT_TRUE(text.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(CodePage::decode("abc", QByteArray("no-such-encoding")), u("abc"));
}

// What a list shows of a page address: the code page's characters, never U+FFFD, no control.
TEST(CodePage, ShownTextEscapesUndefinedAndControlBytes)
{
    struct Row
    {
        QByteArray bytes;
        const char *encoding;
        const char *shown;
    };
    const Row rows[] = {
        {"http://a.example/\xD6\xD0.html", "GBK", "http://a.example/\xE4\xB8\xAD.html"},
        {"/\x81\x20x", "GBK", "/\\x81 x"},
        {"/\xD6", "GBK", "/\\xd6"},
        {"/caf\xE9", "windows-1252", "/caf\xC3\xA9"},
        {"/caf\xE9", "UTF-8", "/caf\\xe9"},
        {"/\xE4\xB8\xAD\xFF", "UTF-8", "/\xE4\xB8\xAD\\xff"},
        {"/\xA4\xA4", "Big5", "/\xE4\xB8\xAD"},
        {QByteArray("a\tb\r\n\x1B]0;t\x07\x7F\0", 13), "windows-1252", "a\\x09b\\x0d\\x0a\\x1b]0;t\\x07\\x7f\\x00"},
        {"/\xEF\xBF\xBD", "UTF-8", "/\xEF\xBF\xBD"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.bytes.toStdString() + " " + row.encoding);
        EXPECT_EQ(CodePage::decodeShown(row.bytes, row.encoding), u(row.shown));
    }
}

TEST(CodePage, CharsetNumbersAreReadAsDecimalOrZero)
{
    struct Row
    {
        const char *text;
        int charset;
    };
    const Row rows[] = {{"134", 134}, {" 136 ", 136}, {"0", 0}, {"", 0}, {"abc", 0}, {"13x", 0}, {"-5", -5}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(CodePage::charsetFromText(u(row.text)), row.charset);
    }
}
