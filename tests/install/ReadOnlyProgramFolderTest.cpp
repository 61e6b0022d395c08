// A portable copy of the program in a folder its user cannot write, run as an unprivileged user
// (the test drops from root to nobody): the results must reach the user's data folder, not be lost.

#include "tests/install/ProgramRun.h"
#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions readAndRun =
    QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::ExeOther;

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

TEST(ReadOnlyProgramFolder, AnUnprivilegedUserFindsTheResultsInTheDataFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "runs the program as the user nobody, which needs root to switch to; run the "
                        "suite as root (CI does) to test a program folder its user cannot write";
    const passwd *nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);

    // Everything below the scratch folder must be reachable by nobody.
    QTemporaryDir scratch;
    ASSERT_TRUE(QFile::setPermissions(scratch.path(), readAndRun | QFileDevice::WriteOwner));
    const QString folder = scratch.path() + QStringLiteral("/trawlex/");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char *name : {"trawlex", "English.ini", "EnglishP.ini"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(TRAWLEX_PROGRAM_DIR "/") + QLatin1String(name), folder + QLatin1String(name)));
    const QStringList shipped = filesBelow(folder);
    ASSERT_TRUE(QFile::setPermissions(folder, readAndRun));

    TestHttpServer server;
    server.setRoute({"/", 200, {}, "<a href=\"gone.html\">g</a> one@site.example"});
    const auto runAsNobody = [&](const QString &home, const QString &dataHome) {
        QProcessEnvironment environment = programEnvironment(home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        return runProgram(QStringLiteral(SETPRIV),
                          {QStringLiteral("--reuid=%1").arg(nobody->pw_uid), QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                           QStringLiteral("--clear-groups"), QStringLiteral("--"), folder + QStringLiteral("trawlex"),
                           QStringLiteral("--robot"), QString::fromLatin1(server.url("/"))},
                          environment);
    };

    const QString home = scratch.path() + QStringLiteral("/home");
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    const ProgramRun crawl = runAsNobody(home, home + QStringLiteral("/data"));
    EXPECT_EQ(crawl.exitCode, 0) << crawl.err.constData();
    EXPECT_EQ(crawl.outLines().size(), 1) << crawl.out.constData();
    const QString data = home + QStringLiteral("/data/trawlex/");
    EXPECT_EQ(readFile(data + QStringLiteral("Emails.txt")), "one@site.example\r\n");
    EXPECT_EQ(readFile(data + QStringLiteral("Err.ini")), "HTTP/1.1 404 Not Found\r\n");
    EXPECT_EQ(readFile(data + QStringLiteral("EnglishP.ini")), readFile(folder + QStringLiteral("EnglishP.ini")));
    EXPECT_EQ(QFileInfo(data + QStringLiteral("English.ini")).ownerId(), nobody->pw_uid);
    EXPECT_TRUE(crawl.err.contains("kept in " + QFile::encodeName(data))) << crawl.err.constData();
    EXPECT_EQ(filesBelow(folder), shipped);

    // With no data folder to be had either, the failed writes are told and the exit code says so.
    const ProgramRun nowhere = runAsNobody(QStringLiteral("/nonexistent"), QStringLiteral("/nonexistent/data"));
    EXPECT_EQ(nowhere.exitCode, 3) << nowhere.err.constData();
    EXPECT_EQ(nowhere.outLines().size(), 1) << nowhere.out.constData();
    EXPECT_TRUE(nowhere.err.contains("cannot write")) << nowhere.err.constData();
    EXPECT_EQ(filesBelow(folder), shipped);
}

} // namespace
