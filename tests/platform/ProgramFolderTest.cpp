#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

namespace {

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

// An installed program reads its shipped files in ../share/trawlex/ and keeps everything it writes
// in the per-user folder, which the first start fills with copies of the language files only.
TEST(ProgramFolder, AnInstalledProgramKeepsItsFilesInThePerUserFolder)
{
    const QTemporaryDir prefix;
    const QString bin = prefix.path() + QStringLiteral("/bin/");
    const QString shipped = prefix.path() + QStringLiteral("/share/trawlex/");
    const QString perUser = prefix.path() + QStringLiteral("/home/.local/share/trawlex/");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(shipped));
    writeFile(shipped + QStringLiteral("English.ini"), "[Font]\r\n");
    writeFile(shipped + QStringLiteral("EnglishP.ini"), "Title=T\r\n");
    writeFile(shipped + QStringLiteral("Trawl.chm"), "help");
    // A shipped file is read-only; the user's copy must take learned texts all the same.
    ASSERT_TRUE(QFile::setPermissions(shipped + QStringLiteral("English.ini"), QFileDevice::ReadOwner));

    const ProgramFolder::Folders first = ProgramFolder::settle(bin, perUser);
    EXPECT_EQ(first.shipped, shipped);
    EXPECT_EQ(first.own, perUser);
    EXPECT_TRUE(first.perUser);
    EXPECT_TRUE(first.perUserNew);
    EXPECT_EQ(readFile(perUser + QStringLiteral("EnglishP.ini")), "Title=T\r\n");
    EXPECT_FALSE(QFileInfo::exists(perUser + QStringLiteral("Trawl.chm")));
    EXPECT_TRUE(QFileInfo(perUser + QStringLiteral("English.ini")).permissions() & QFileDevice::WriteOwner);

    // Later starts keep what the user's copies learned, and bring back a copy the user deleted.
    writeFile(perUser + QStringLiteral("English.ini"), "[Font]\r\n[frmMain]\r\nCaption=learned\r\n");
    ASSERT_TRUE(QFile::remove(perUser + QStringLiteral("EnglishP.ini")));
    const ProgramFolder::Folders later = ProgramFolder::settle(bin, perUser);
    EXPECT_EQ(later.own, perUser);
    EXPECT_FALSE(later.perUserNew);
    EXPECT_EQ(readFile(perUser + QStringLiteral("English.ini")), "[Font]\r\n[frmMain]\r\nCaption=learned\r\n");
    EXPECT_EQ(readFile(perUser + QStringLiteral("EnglishP.ini")), "Title=T\r\n");
}

// A portable copy in a folder it can write keeps today's rule; the per-user folder is not made.
// What a copy it cannot write does is run as an unprivileged user in tests/install.
TEST(ProgramFolder, APortableCopyKeepsItsFilesBesideIt)
{
    const QTemporaryDir scratch;
    const QString program = scratch.path() + QStringLiteral("/trawlex");
    const QString perUser = scratch.path() + QStringLiteral("/home/trawlex/");
    ASSERT_TRUE(QDir().mkpath(program));
    const ProgramFolder::Folders folders = ProgramFolder::settle(program, perUser);
    EXPECT_EQ(folders.own, program + QLatin1Char('/'));
    EXPECT_EQ(folders.shipped, program + QLatin1Char('/'));
    EXPECT_FALSE(folders.perUser);
    EXPECT_FALSE(QFileInfo::exists(perUser));
}

// With no per-user folder to be had, the program folder stays, and its failing writes are told.
TEST(ProgramFolder, APerUserFolderThatCannotBeMadeLeavesTheProgramFolder)
{
    const QTemporaryDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.path() + QStringLiteral("/bin")));
    ASSERT_TRUE(QDir().mkpath(prefix.path() + QStringLiteral("/share/trawlex")));
    writeFile(prefix.path() + QStringLiteral("/a-file"), "x");
    const ProgramFolder::Folders folders =
        ProgramFolder::settle(prefix.path() + QStringLiteral("/bin"), prefix.path() + QStringLiteral("/a-file/trawlex"));
    EXPECT_EQ(folders.own, prefix.path() + QStringLiteral("/bin/"));
    EXPECT_FALSE(folders.perUser);
}

TEST(ProgramFolder, PerUserFolderFollowsXdgDataHome)
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/home/jane");
    struct Row { const char *xdgDataHome; const char *folder; };
    const Row rows[] = {
        {"/data/jane", "/data/jane/trawlex/"},
        {"/data/jane/", "/data/jane/trawlex/"},
        {"", "/home/jane/.local/share/trawlex/"},
        // The base directory rules: a relative value is invalid and ignored.
        {"data", "/home/jane/.local/share/trawlex/"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.xdgDataHome);
        qputenv("XDG_DATA_HOME", row.xdgDataHome);
        EXPECT_EQ(ProgramFolder::perUserPath(), QString::fromUtf8(row.folder));
    }
    qputenv("HOME", savedHome);
    if (savedData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedData);
}
