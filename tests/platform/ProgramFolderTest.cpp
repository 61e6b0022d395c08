#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

TEST(ProgramFolder, OverrideGetsTrailingSlashAndResets)
{
    ProgramFolder::set(QStringLiteral("/tmp/trawl-folder"));
    EXPECT_EQ(ProgramFolder::path(), QStringLiteral("/tmp/trawl-folder/"));
    ProgramFolder::set(QString());
    EXPECT_TRUE(ProgramFolder::path().endsWith(QLatin1Char('/')));
    EXPECT_NE(ProgramFolder::path(), QStringLiteral("/tmp/trawl-folder/"));
}

TEST(ProgramFolder, NamesWithColonOrLeadingSlashStandAsTheyAre)
{
    ProgramFolder::set(QStringLiteral("/opt/trawlex"));
    struct Row { const char *name; const char *resolved; };
    const Row rows[] = {
        {"Emails.txt", "/opt/trawlex/Emails.txt"},
        {"out/Emails.txt", "/opt/trawlex/out/Emails.txt"},
        {"../Emails.txt", "/opt/trawlex/../Emails.txt"},
        {"C:\\data\\Emails.txt", "C:\\data\\Emails.txt"},
        {"/var/tmp/Emails.txt", "/var/tmp/Emails.txt"},
        {"a:b", "a:b"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ProgramFolder::resolve(QString::fromUtf8(row.name)), QString::fromUtf8(row.resolved));
    }
    ProgramFolder::set(QString());
}
