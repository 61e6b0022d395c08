#include "platform/RegistryText.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

#include <string>

namespace {

using Type = RegistryText::StoredValue::Type;

QStringList key(const char *path)
{
    return RegistryText::splitKeyPath(QString::fromUtf8(path)).value_or(QStringList{QStringLiteral("(invalid)")});
}

std::string shown(const std::optional<RegistryText::StoredValue> &value)
{
    if (!value)
        return "(absent)";
    switch (value->type) {
    case Type::String:
        return "string:" + value->text.toStdString();
    case Type::Integer:
        return "integer:" + std::to_string(value->number);
    case Type::Other:
        break;
    }
    return "(other type)";
}

const QByteArray sample = "REGEDIT4\r\n"
                          "\r\n"
                          "; hand-written note\r\n"
                          "[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\r\n"
                          "\"Type\"=\"1\"\r\n"
                          "\"Filename\"=\"C:\\\\mail\\\\a \\\"b\\\".txt\"\r\n"
                          "\"Left\"=dword:ffffff9c\r\n"
                          "\"Bad\"=\"unterminated\r\n"
                          "\"Bin\"=hex:01,02,\\\r\n"
                          "  03\r\n"
                          "\"Multi\"=hex(1):61,0a,62,00\r\n"
                          "\"Loose\" = \"spaced\"  \r\n"
                          "@=\"unnamed\"\r\n"
                          "garbage \xff line\r\n"
                          "\r\n"
                          "[HKEY_LOCAL_MACHINE\\Norvane\\Trawlex\\IeSearch]\r\n"
                          "\"OnlyElsewhere\"=\"9\"\r\n"
                          "\r\n"
                          "[-HKEY_CURRENT_USER\\Gone]\r\n"
                          "\"Ghost\"=\"x\"\r\n"
                          "[hkey_current_user\\norvane\\trawlex\\iesearch]\r\n"
                          "\"type\"=\"2\"\r\n";

} // namespace

TEST(RegistryText, ReadsWhatItCanAndPassesOverTheRest)
{
    struct Row
    {
        const char *key;
        const char *name;
        std::string expected;
    };
    const Row rows[] = {
        {"\\Norvane\\Trawlex\\IeSearch", "Type", "string:2"}, // the later block of the same key counts
        {"Norvane\\Trawlex\\IeSearch\\", "FILENAME", "string:C:\\mail\\a \"b\".txt"},
        {"Norvane\\\\Trawlex\\IeSearch", "Left", "integer:-100"},
        {"Norvane\\Trawlex\\IeSearch", "Bad", "(other type)"},
        {"Norvane\\Trawlex\\IeSearch", "Bin", "(other type)"},
        {"Norvane\\Trawlex\\IeSearch", "Multi", "string:a\nb"},
        {"Norvane\\Trawlex\\IeSearch", "Loose", "string:spaced"},
        {"Norvane\\Trawlex\\IeSearch", "", "string:unnamed"},
        {"Norvane\\Trawlex\\IeSearch", "Missing", "(absent)"},
        {"Norvane\\Trawlex\\IeSearch", "OnlyElsewhere", "(absent)"},
        {"Gone", "Ghost", "(absent)"},
        {"Norvane\\Trawlex", "Type", "(absent)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.key) + " : " + row.name);
        EXPECT_EQ(shown(RegistryText::value(sample, key(row.key), QString::fromUtf8(row.name))), row.expected);
    }
    EXPECT_TRUE(RegistryText::keyExists(sample, key("")));
    EXPECT_TRUE(RegistryText::keyExists(sample, key("NORVANE\\Trawlex")));
    EXPECT_FALSE(RegistryText::keyExists(sample, key("Norvane\\Other")));
    EXPECT_FALSE(RegistryText::keyExists(sample, key("Gone")));
    EXPECT_FALSE(RegistryText::splitKeyPath(u"a\\b\nc").has_value());
}

TEST(RegistryText, WritesChangeOnlyTheirOwnLines)
{
    struct Row
    {
        const char *why;
        QByteArray file;
        const char *key;
        const char *name;
        RegistryText::Data data;
        QByteArray expected;
    };
    const QByteArray twoKeys = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n; note\n\n[HKEY_CURRENT_USER\\B]\n\"y\"=\"2\"";
    const Row rows[] = {
        {"new store", "", "\\Norvane\\Trawlex\\IeSearch", "Type", QStringLiteral("0"),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Norvane\\Trawlex\\IeSearch]\n\"Type\"=\"0\"\n"},
        {"replaced where it stands", twoKeys, "a", "X", QStringLiteral("9"),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"9\"\n; note\n\n[HKEY_CURRENT_USER\\B]\n\"y\"=\"2\""},
        {"new value after the block's last value", twoKeys, "A", "z", qint32(-100),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"z\"=dword:ffffff9c\n; note\n\n[HKEY_CURRENT_USER\\B]\n\"y\"=\"2\""},
        {"new value in a last block without line end", twoKeys, "B", "w", QStringLiteral("3"),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n; note\n\n[HKEY_CURRENT_USER\\B]\n\"y\"=\"2\"\n\"w\"=\"3\"\n"},
        {"new key set apart by a blank line, CR LF kept", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n", "A\\B", "",
         QStringLiteral("q\"uote\\"),
         "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n@=\"q\\\"uote\\\\\"\r\n"},
        {"a line break is stored as bytes", "", "A", "m", QStringLiteral("a\nb"),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"m\"=hex(1):61,0a,62,00\n"},
        {"a continued value is replaced whole", "[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\\\n  02\n\"k\"=\"1\"\n", "A",
         "v", QStringLiteral("s"), "[HKEY_CURRENT_USER\\A]\n\"v\"=\"s\"\n\"k\"=\"1\"\n"},
        {"a leading U+FEFF is part of the name", "", "A", "\xEF\xBB\xBFn", QStringLiteral("v"),
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"\xEF\xBB\xBFn\"=\"v\"\n"},
        {"lines it cannot read are kept", "junk \xff\n[HKEY_CURRENT_USER\\A]\n\"bad\n", "A", "n", qint32(7),
         "junk \xff\n[HKEY_CURRENT_USER\\A]\n\"bad\n\"n\"=dword:00000007\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.why);
        // Decoded as it stands: QString::fromUtf8 would drop the leading U+FEFF of one row.
        const QString name = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(row.name);
        const std::optional<QByteArray> written = RegistryText::withValue(row.file, key(row.key), name, row.data);
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(written->toStdString(), row.expected.toStdString());
        const std::optional<RegistryText::StoredValue> back = RegistryText::value(*written, key(row.key), name);
        ASSERT_TRUE(back.has_value());
        if (const QString *text = std::get_if<QString>(&row.data))
            EXPECT_EQ(back->text, *text);
        else
            EXPECT_EQ(back->number, std::get<qint32>(row.data));
        EXPECT_EQ(RegistryText::withValue(*written, key(row.key), name, row.data), written);
    }
    EXPECT_FALSE(RegistryText::withValue("", key("A"), u"bad\nname", QStringLiteral("v")).has_value());
}
