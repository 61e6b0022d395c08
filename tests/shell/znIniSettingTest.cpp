#include "shell/znIniSetting.h"

#include "platform/ProgramFolder.h"
#include "tests/support/TempProgramFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(TznIniSetting, FullFileNameFollowsTheProgramFolderRules)
{
    const TempProgramFolder folder;
    const TznIniSetting ini;
    struct Row
    {
        const char *fileName;
        QString expected;
    };
    const Row rows[] = {
        {"", folder.file(QStringLiteral("Setting.ini"))},
        {"  \t ", folder.file(QStringLiteral("Setting.ini"))},
        {"TrawlMain.ini", folder.file(QStringLiteral("TrawlMain.ini"))},
        {"conf/a.ini", folder.file(QStringLiteral("conf/a.ini"))},
        {" a.ini", folder.file(QStringLiteral(" a.ini"))},
        {"D:\\conf\\a.ini", QStringLiteral("D:\\conf\\a.ini")},
        {"/etc/trawlex/a.ini", QStringLiteral("/etc/trawlex/a.ini")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.fileName);
        TznIniSetting named;
        named.setFileName(QString::fromUtf8(row.fileName));
        EXPECT_EQ(named.FullFileName(), row.expected);
    }
    // The base folder is taken once, at construction.
    ProgramFolder::set(QStringLiteral("/elsewhere"));
    EXPECT_EQ(ini.FullFileName(), folder.file(QStringLiteral("Setting.ini")));
}

TEST(TznIniSetting, WritesTheFileByteForByteAndReadsItBack)
{
    const TempProgramFolder folder;
    TznIniSetting ini;
    ini.setFileName(QStringLiteral("TrawlMain.ini"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Language"), QStringLiteral("Language"), QStringLiteral("English.ini")),
              QStringLiteral("English.ini"));
    ini.WriteString(QStringLiteral("Language"), QStringLiteral("Language"), QStringLiteral("ChinaTw.ini"));
    ini.WriteString(QStringLiteral("Para"), QStringLiteral("Para"), QStringLiteral("ChinaTwP.ini"));
    ini.WriteString(QStringLiteral("language"), QStringLiteral("LANGUAGE"), QStringLiteral("English.ini"));
    ini.WriteString(QStringLiteral("Robot"), QStringLiteral("Split"), QString());
    EXPECT_EQ(folder.read(QStringLiteral("TrawlMain.ini")),
              "[Language]\r\nLanguage=English.ini\r\n[Para]\r\nPara=ChinaTwP.ini\r\n[Robot]\r\nSplit=\r\n");

    EXPECT_EQ(ini.ReadString(QStringLiteral("LANGUAGE"), QStringLiteral("language"), QStringLiteral("x")),
              QStringLiteral("English.ini"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Robot"), QStringLiteral("Split"), QStringLiteral("200")), QString());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Engine"), QStringLiteral("Split"), QStringLiteral("200")), QStringLiteral("200"));

    const QString longValue = QString(3000, QLatin1Char('v'));
    ini.WriteString(QStringLiteral("Para"), QStringLiteral("Long"), longValue);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Para"), QStringLiteral("Long"), {}), longValue.left(2047));

    TznIniSetting unnamed;
    unnamed.WriteString(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
    EXPECT_EQ(folder.read(QStringLiteral("Setting.ini")), "[A]\r\nx=1\r\n");
}

TEST(TznIniSetting, LanguageFileInItsCodePageKeepsEveryOtherByte)
{
    const TempProgramFolder folder;
    const QByteArray original = "; translated by hand\r\n[Font]\r\nFontCharset=134\r\n\r\n"
                                "[frmMain]\r\nCaption=\xD6\xD0\xCE\xC4\r\n";
    QFile file(folder.file(QStringLiteral("ChinaCn.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(original);
    file.close();

    TznIniSetting ini;
    ini.setFileName(QStringLiteral("ChinaCn.ini"));
    ini.setEncoding("GBK");
    EXPECT_EQ(ini.ReadString(QStringLiteral("frmMain"), QStringLiteral("Caption"), {}), QStringLiteral("中文"));
    ini.WriteString(QStringLiteral("frmMain"), QStringLiteral("Hint"), QStringLiteral("中"));
    EXPECT_EQ(folder.read(QStringLiteral("ChinaCn.ini")),
              "; translated by hand\r\n[Font]\r\nFontCharset=134\r\n\r\n[frmMain]\r\nCaption=\xD6\xD0\xCE\xC4\r\nHint=\xD6\xD0\r\n");
}

// The write bit rule of the settings files holds for root too, so this runs in either case.
TEST(TznIniSetting, ReadOnlyFileLosesTheWriteSilently)
{
    const TempProgramFolder folder;
    TznIniSetting ini;
    ini.setFileName(QStringLiteral("TrawlMain.ini"));
    ini.WriteString(QStringLiteral("Engine"), QStringLiteral("Split"), QStringLiteral("180"));
    ASSERT_TRUE(QFile::setPermissions(folder.file(QStringLiteral("TrawlMain.ini")), QFileDevice::ReadOwner));

    EXPECT_NO_THROW(ini.WriteString(QStringLiteral("Engine"), QStringLiteral("Split"), QStringLiteral("300")));
    EXPECT_NO_THROW(ini.WriteString(QStringLiteral("Robot"), QStringLiteral("Split"), QStringLiteral("300")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Engine"), QStringLiteral("Split"), {}), QStringLiteral("180"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Robot"), QStringLiteral("Split"), QStringLiteral("200")), QStringLiteral("200"));
    EXPECT_EQ(folder.read(QStringLiteral("TrawlMain.ini")), "[Engine]\r\nSplit=180\r\n");
}
