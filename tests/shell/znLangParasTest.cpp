// The message table: look-up by key, loading message files in their code page, and the error a
// file that cannot be read raises.

#include "shell/znLang.h"

#include "tests/shell/LangTestSupport.h"
#include "tests/support/TempProgramFolder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(TznLangParas, ParaTextTakesTheFirstLineWhoseKeyMatchesExactly)
{
    const TempProgramFolder folder;
    TznLang la;
    la.setParas({u("[Para]"), u("Title = X"), u("Title=A=B"), u("Dup=first"), u("Dup=second"), u("Searching="),
                 u(" Lead=blank before"), u("Tail=blanks after  "), u("=no key")});
    struct Row
    {
        const char *key;
        const char *expected;
    };
    const Row rows[] = {
        {"Title", "A=B"},            // the text may hold "="
        {"Title ", " X"},            // blanks belong to key and text
        {"Dup", "first"},            // the first line wins
        {"Searching", ""},           // present, empty
        {"Missing", ""},             // unknown keys give nothing
        {"title", ""},               // case counts
        {"[Para]", ""},              // a line without "=" has no key
        {"Lead", ""},
        {" Lead", "blank before"},
        {"Tail", "blanks after  "},
        {"", "no key"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(la.ParaText(u(row.key)), u(row.expected));
    }
}

TEST(TznLangParas, MessageFilesAreReadInTheLanguagesCodePage)
{
    struct Row
    {
        const char *what;
        QByteArray languageFile; // empty: none
        QByteArray messageFile;
        QStringList lines;
    };
    const Row rows[] = {
        {"GBK for character set 134", "[Font]\r\nFontCharset=134\r\n", "Title=\xD6\xD0\xCE\xC4\r\nSave=OK\r\n",
         {u("Title=中文"), u("Save=OK")}},
        {"Big5 for character set 136", "[Font]\r\nFontCharset=136\r\n", "Title=\xA4\xA4\xA4\xE5\r\n", {u("Title=中文")}},
        {"Windows-1252 without a character set", {}, "Title=Caf\xE9\r\n", {u("Title=Café")}},
        {"a byte order mark means UTF-8", "[Font]\r\nFontCharset=134\r\n", "\xEF\xBB\xBFTitle=\xE4\xB8\xAD\r\n",
         {u("Title=中")}},
        {"every line end, no line after the last", {}, "A=1\r\nB=2\nC=3\rD=4\r\n\r\nE=5", {u("A=1"), u("B=2"), u("C=3"), u("D=4"), QString(), u("E=5")}},
        {"an empty file", {}, "", {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const TempProgramFolder folder;
        TznLang la;
        if (!row.languageFile.isEmpty()) {
            ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Lang.ini")), row.languageFile));
            la.setFileName(QStringLiteral("Lang.ini"));
        }
        ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("LangP.ini")), row.messageFile));
        la.LoadParas(folder.file(QStringLiteral("LangP.ini")));
        EXPECT_EQ(la.Paras(), row.lines);
    }
}

TEST(TznLangParas, AFileThatCannotBeReadRaisesTheOpenErrorAndKeepsTheTable)
{
    const TempProgramFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Folder.ini")));
    // A FIFO would block a plain open until some writer came.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QStringLiteral("Fifo.ini"))).constData(), 0600), 0);
    struct Row
    {
        const char *name;
        const char *reason;
    };
    const Row rows[] = {
        {"Missing.ini", "No such file or directory"},
        {"Folder.ini", "Is a directory"},
        {"Fifo.ini", "Not a regular file"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TznLang la;
        la.setParas({u("Title=kept")});
        const QString path = folder.file(u(row.name));
        try {
            la.LoadParas(path);
            ADD_FAILURE() << "no error raised";
        } catch (const EFOpenError &error) {
            EXPECT_EQ(error.message(), QStringLiteral("Cannot open file \"%1\". %2").arg(path, u(row.reason)));
        }
        EXPECT_EQ(la.ParaText(u("Title")), u("kept"));
    }
}

TEST(TznLangParas, CreationLoadsParaIniFromTheProgramFolderSilently)
{
    {
        const TempProgramFolder folder;
        const TznLang la;
        EXPECT_TRUE(la.Paras().isEmpty());
        EXPECT_EQ(la.LocalDir(), folder.path());
    }
    const TempProgramFolder folder;
    ASSERT_TRUE(writeBytes(folder.file(QStringLiteral("Para.ini")), "Title=From Para.ini\r\n"));
    TznLang la;
    EXPECT_EQ(la.ParaText(u("Title")), u("From Para.ini"));
    // Assigning copies the lines.
    QStringList lines{u("Title=copy")};
    la.setParas(lines);
    lines[0] = u("Title=changed");
    EXPECT_EQ(la.ParaText(u("Title")), u("copy"));
}
