#include "platform/ProfileText.h"

#include <QString>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

std::string shown(const std::optional<QByteArray> &bytes)
{
    if (!bytes)
        return "(absent)";
    std::string text(1, '"');
    text.append(bytes->constData(), size_t(bytes->size()));
    text.push_back('"');
    return text;
}

} // namespace

TEST(ProfileText, ReadsByTheProfileRules)
{
    struct Row
    {
        const char *why;
        QByteArray file;
        const char *section;
        const char *ident;
        std::optional<QByteArray> expected;
        const char *encoding = "";
    };
    const Row rows[] = {
        {"names ignore case", "[Robot]\r\nSplit=200\r\n", "ROBOT", "split", "200"},
        {"blanks around names and value", "  [ A ]  \n  x  =  v w  \t\n", "A", "x", "v w"},
        {"one pair of quotes comes off", "[A]\nx= \" padded \" \n", "A", "x", " padded "},
        {"only one pair", "[A]\nx=\"\"q\"\"\n", "A", "x", "\"q\""},
        {"a lone quote stays", "[A]\nx=\"open\n", "A", "x", "\"open"},
        {"present but empty is empty", "[A]\nx=\n", "A", "x", ""},
        {"absent ident", "[A]\nx=1\n", "A", "y", std::nullopt},
        {"absent section", "[B]\nx=1\n", "A", "x", std::nullopt},
        {"no section before the first header", "x=1\n[A]\n", "A", "x", std::nullopt},
        {"the first of two sections counts", "[A]\nx=1\n[a]\nx=2\ny=3\n", "A", "y", std::nullopt},
        {"the first of two idents counts", "[A]\nx=1\nX=2\n", "A", "x", "1"},
        {"comments mean nothing", "[A]\n;x=1\nx=2\n", "A", "x", "2"},
        {"the first = splits", "[A]\nx=a=b\n", "A", "x", "a=b"},
        {"byte order mark", "\xEF\xBB\xBF[A]\nx=1\n", "A", "x", "1"},
        {"lines that mean nothing are passed over", "[A]\n\x01\xff junk\n[broken\nx=1\n", "A", "x", "1"},
        {"the last ] closes the name", "[a]b]\nx=1", "a]b", "x", "1"},
        {"a last line ending in CR", "[A]\r\nx=1\r", "A", "x", "1"},
        {"empty ident never matches", "[A]\n=1\n", "A", "", std::nullopt},
        {"non-ASCII names ignore case", "[\xC3\x84rger]\nx=1\n", "\xC3\xA4RGER", "X", "1"},
        // GBK 81 5D is one character whose second byte is "]": it must not close the header.
        {"double-byte ] is no bracket", "[\x81\x5D\nx=1\n", "", "x", std::nullopt, "GBK"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(shown(ProfileText::read(row.file, text(row.section), text(row.ident), row.encoding)),
                  shown(row.expected));
    }
}

TEST(ProfileText, DoubleByteNamesMatchAsText)
{
    // GBK 81 5D is one character whose second byte is "]"; 81 41 and 81 61 are two different
    // characters whose second bytes are "A" and "a".
    const QString trailBracket = QStringDecoder("GBK").decode(QByteArrayView("\x81\x5D"));
    const QString trailUpperA = QStringDecoder("GBK").decode(QByteArrayView("\x81\x41"));
    ASSERT_EQ(trailBracket.size(), 1);
    EXPECT_EQ(shown(ProfileText::read("[\x81\x5D]\nx=1\n", trailBracket, u"x", "GBK")), shown("1"));
    EXPECT_EQ(shown(ProfileText::read("[\x81\x61]\nx=1\n", trailUpperA, u"x", "GBK")), shown(std::nullopt));
    EXPECT_EQ(shown(ProfileText::read("[A]\n\x81\x61=1\n", u"A", trailUpperA, "GBK")), shown(std::nullopt));

    const std::optional<QByteArray> written = ProfileText::write("", trailBracket, u"x", "1", "GBK");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->toStdString(), std::string("[\x81\x5D]\r\nx=1\r\n"));
}

TEST(ProfileText, WritesChangeOnlyTheirOwnLine)
{
    struct Row
    {
        const char *why;
        QByteArray file;
        const char *section;
        const char *ident;
        QByteArray value;
        QByteArray expected;
    };
    const Row rows[] = {
        {"new file gets CR LF", "", "Language", "Language", "ChinaTw.ini", "[Language]\r\nLanguage=ChinaTw.ini\r\n"},
        {"replaced in place, spelling and spacing kept", "; c\n[robot]\nSPLIT = old  \ny=2\n", "Robot", "Split",
         "250", "; c\n[robot]\nSPLIT = 250\ny=2\n"},
        {"blanks the value brings are kept, once", "[A]\nx = old\n", "A", "x", " v ", "[A]\nx = v \n"},
        {"replacing an empty value", "[A]\r\nx=\r\n", "A", "x", "1", "[A]\r\nx=1\r\n"},
        {"new ident after the section's last value", "[A]\r\nx=1\r\n; next\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3",
         "[A]\r\nx=1\r\nz=3\r\n; next\r\n\r\n[B]\r\ny=2\r\n"},
        {"new ident in a section at the end without line end", "[A]", "A", "x", "1", "[A]\r\nx=1\r\n"},
        {"new section at the end, the file's LF", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
        {"the first of two sections", "[A]\nx=1\n[A]\nx=2\n", "a", "x", "3", "[A]\nx=3\n[A]\nx=2\n"},
        {"GBK text elsewhere untouched", "[A]\r\nt=\xD6\xD0\xCE\xC4\r\n[B]\r\n", "A", "x", "\xD6\xD0",
         "[A]\r\nt=\xD6\xD0\xCE\xC4\r\nx=\xD6\xD0\r\n[B]\r\n"},
        {"a line break in the value cannot add lines", "[A]\nx=1\n", "A", "x", "a\r\n[B]\r\ny=2",
         "[A]\nx=a\n"},
        {"unparsed lines and junk stay", "junk\x01\n[A]\n\xff\xfe\nx=1\n", "A", "y", "2",
         "junk\x01\n[A]\n\xff\xfe\nx=1\ny=2\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.why);
        const std::optional<QByteArray> written =
            ProfileText::write(row.file, text(row.section), text(row.ident), row.value);
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(written->toStdString(), row.expected.toStdString());
        EXPECT_EQ(shown(ProfileText::read(*written, text(row.section), text(row.ident))),
                  shown(row.value.first(row.value.contains('\r') ? row.value.indexOf('\r') : row.value.size()).trimmed()));
        // Writing what is stored must give the same bytes, so the file is not rewritten.
        EXPECT_EQ(shown(ProfileText::write(*written, text(row.section), text(row.ident), row.value)), shown(*written));
    }
}

TEST(ProfileText, RefusesNamesThatWouldNotReadBack)
{
    struct Row
    {
        const char *section;
        const char *ident;
        const char *encoding;
    };
    const Row rows[] = {
        {"A", "", ""},        {"A", "   ", ""},     {"A", "a=b", ""},         {"A", "[x]", ""},
        {"A", ";x", ""},      {"A", "a\nb", ""},    {"a\r\nb", "x", ""},
        {"A", "\xF0\x9F\x98\x80", "windows-1252"}, // not in the code page: it would read back as "?"
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.section) + " / " + row.ident);
        EXPECT_FALSE(ProfileText::write("[A]\nx=1\n", text(row.section), text(row.ident), "v", row.encoding));
    }
}
