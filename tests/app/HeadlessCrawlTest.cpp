// Runs the real program from the command line against sites served on 127.0.0.1.

#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace {

QByteArray anchors(std::initializer_list<const char *> targets)
{
    QByteArray html;
    for (const char *target : targets)
        html += QByteArray("<a href=\"") + target + "\">x</a>\n";
    return html;
}

class HeadlessCrawlTest : public ::testing::Test
{
protected:
    void start(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TRAWLEX_PROGRAM_FOLDER"), folder.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TRAWLEX_PROGRAM), arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    int finish()
    {
        EXPECT_TRUE(process.waitForFinished(30000));
        return process.exitCode();
    }

    QList<QByteArray> outputLines()
    {
        QByteArray out = process.readAllStandardOutput();
        if (out.endsWith('\n'))
            out.chop(1);
        return out.isEmpty() ? QList<QByteArray>() : out.split('\n');
    }

    TempProgramFolder folder;
    TestHttpServer server;
    QProcess process;
};

TEST_F(HeadlessCrawlTest, RobotCrawlPrintsAndFilesEveryAddress)
{
    server.setRoute({"/", 200, {}, anchors({"a.html", "gone.html"}) + "A@One.example b@two.example"});
    server.setRoute({"/a.html", 200, {}, "a@one.example"});
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/")), QStringLiteral("--depth"), QStringLiteral("2")});
    EXPECT_EQ(finish(), 0);
    const QByteArray root = server.url("/");
    EXPECT_EQ(outputLines(), (QList<QByteArray>{"a@one.example\t" + root, "b@two.example\t" + root,
                                                "a@one.example\t" + root}));
    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")), "a@one.example\r\nb@two.example\r\na@one.example\r\n");
    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")), "HTTP/1.1 404 Not Found\r\n");
    EXPECT_TRUE(process.readAllStandardError().startsWith("pages 3  addresses 3"));
}

TEST_F(HeadlessCrawlTest, TraceShowsEveryEventInOrder)
{
    // Two slots: c.html finds the ring full and is dropped.
    server.setRoute({"/", 200, {}, anchors({"a.html", "b.html", "c.html"}) + "x@y.example"});
    server.setRoute({"/a.html", 200, {}, "a"});
    server.setRoute({"/b.html", 200, {}, "b"});
    const QByteArray u = server.url("/");
    start({QStringLiteral("--robot"), QString::fromLatin1(u), QStringLiteral("--queue"), QStringLiteral("2"),
           QStringLiteral("--trace"), QStringLiteral("--file"), QStringLiteral("out.txt")});
    EXPECT_EQ(finish(), 0);
    const QList<QByteArray> expected = {
        "OnWebLinkChange\t" + u + "a.html\t1\t0",
        "OnWebLinkChange\t" + u + "b.html\t1\t1",
        "OnPageReceived\t" + u + "\t1",
        "x@y.example\t" + u,
        "OnWebLinkChange\t\t1\t0",
        "OnPageReceived\t" + u + "\t0",
        "OnWebLinkChange\t\t1\t1",
        "OnPageReceived\t" + u + "\t0",
        "OnWebLinkChange\t\t1\t0",
        "OnEnd",
    };
    EXPECT_EQ(outputLines(), expected);
    EXPECT_EQ(folder.read(QStringLiteral("out.txt")), "x@y.example\r\n");
}

TEST_F(HeadlessCrawlTest, PageBytesThatATerminalWouldObeyArePrintedEscaped)
{
    server.setRoute({"/", 200, {}, anchors({"d\x1b]0;TITLE\x07\x1b[2J/x.html"}) + "x@y.example"});
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/")), QStringLiteral("--trace"),
           QStringLiteral("--file"), QStringLiteral("out.txt")});
    EXPECT_EQ(finish(), 0);
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_FALSE(out.contains('\x1b'));
    EXPECT_FALSE(out.contains('\x07'));
    EXPECT_TRUE(out.contains("d\\x1b]0;TITLE\\x07\\x1b[2J/x.html")) << out.constData();
}

TEST_F(HeadlessCrawlTest, AResultFileThatCannotBeWrittenIsToldOnceAndEndsWithThree)
{
    server.setRoute({"/", 200, {}, anchors({"a.html"}) + "x@y.example"});
    server.setRoute({"/a.html", 200, {}, "z@y.example"});
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("taken.txt")));
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/")), QStringLiteral("--file"),
           QStringLiteral("taken.txt")});
    EXPECT_EQ(finish(), 3);
    EXPECT_EQ(outputLines().size(), 2);
    const QByteArray errors = process.readAllStandardError();
    EXPECT_EQ(errors.count("cannot write the result file"), 1) << errors.constData();
}

// Err.ini likewise: told once however many fetches fail, and the crawl goes on.
TEST_F(HeadlessCrawlTest, AnErrorLogThatCannotBeWrittenIsToldOnceAndEndsWithThree)
{
    server.setRoute({"/", 200, {}, anchors({"a.html", "b.html", "c.html"}) + "x@y.example"});
    server.setRoute({"/c.html", 200, {}, "z@y.example"});
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Err.ini")));
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/"))});
    EXPECT_EQ(finish(), 3);
    EXPECT_EQ(outputLines().size(), 2);
    const QByteArray errors = process.readAllStandardError();
    EXPECT_EQ(errors.count("cannot write the error log " + QFile::encodeName(folder.file(QStringLiteral("Err.ini")))), 1)
        << errors.constData();
}

TEST_F(HeadlessCrawlTest, EngineSearchAgainstAFakeEngine)
{
    QFile ini(folder.file(QStringLiteral("TrawlMain.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Engines]\r\nGoogleHost=127.0.0.1:" + QByteArray::number(server.port()) + "\r\n");
    ini.close();
    server.setRoute({"/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0", 200, {},
                     anchors({"http://127.0.0.1:1/shop.html"}) + "engine@results.example"});
    start({QStringLiteral("--engine"), QStringLiteral("red shoes"), QStringLiteral("--engines"),
           QStringLiteral("google-en"), QStringLiteral("--trace")});
    EXPECT_EQ(finish(), 0);
    const QList<QByteArray> lines = outputLines();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.at(0), "OnPhraseSearchStart\t0\t" + server.url("/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0"));
    EXPECT_EQ(lines.at(1), "OnWebLinkChange\thttp://127.0.0.1:1/shop.html\t1\t0");
    EXPECT_EQ(lines.at(3), "engine@results.example\t" + server.url("/"));
    EXPECT_EQ(lines.back(), "OnEnd");
    EXPECT_EQ(server.requestedPaths().size(), 10); // ten result pages, nine of them unknown here
}

TEST_F(HeadlessCrawlTest, CtrlCStopsAfterThePageInFlight)
{
    server.setRoute({"/", 200, {}, anchors({"slow.html", "never.html"})});
    server.setRoute({"/slow.html", 200, {}, "s@slow.example", Misbehaviour::SlowBody});
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/"))});
    for (int i = 0; i < 500 && server.requestedPaths().size() < 2; ++i)
        QThread::msleep(10);
    ::kill(pid_t(process.processId()), SIGINT);
    EXPECT_EQ(finish(), 130);
    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")), "s@slow.example\r\n"); // the page in flight finished
    EXPECT_EQ(server.requestedPaths(), (QByteArrayList{"/", "/slow.html"}));
}

TEST_F(HeadlessCrawlTest, SecondCtrlCLeavesAtOnce)
{
    server.setRoute({"/", 200, {}, anchors({"silent.html"})});
    server.setRoute({"/silent.html", 200, {}, {}, Misbehaviour::SilentAfterAccept});
    start({QStringLiteral("--robot"), QString::fromLatin1(server.url("/"))});
    for (int i = 0; i < 500 && server.requestedPaths().size() < 2; ++i)
        QThread::msleep(10);
    ::kill(pid_t(process.processId()), SIGINT);
    QThread::msleep(100);
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(3000)); // not the 30 s read time-out
    EXPECT_EQ(process.exitCode(), 130);
}

// A killed crawl leaves its state file behind; the same command goes on from there.
TEST_F(HeadlessCrawlTest, AThoroughCrawlKilledMidWayResumesWithoutFetchingOrWritingAnythingTwice)
{
    QByteArray index;
    for (int n = 0; n < 30; ++n) {
        const QByteArray path = "/p/" + QByteArray::number(n) + ".html";
        index += anchors({path.constData()});
        server.setRoute({path, 200, {}, "<p>p" + QByteArray::number(n) + "@shop.example.com</p>", Misbehaviour::None, 30});
    }
    server.setRoute({"/", 200, {}, index});
    const QString stateFile = folder.path() + QStringLiteral("/crawl.state");
    const QStringList command{QStringLiteral("--robot"), QString::fromLatin1(server.url("/")), QStringLiteral("--thorough"),
                              QStringLiteral("--jobs"), QStringLiteral("4"), QStringLiteral("--state"), stateFile};
    start(command);
    for (int i = 0; i < 1000 && server.requestedPaths().size() < 12; ++i)
        QThread::msleep(5);
    process.kill();
    ASSERT_TRUE(process.waitForFinished(5000));
    const qsizetype beforeKill = server.requestedPaths().size();

    start(command);
    EXPECT_EQ(finish(), 0);
    EXPECT_TRUE(process.readAllStandardError().contains("resuming the crawl kept in"));
    const QByteArrayList requested = server.requestedPaths();
    QByteArrayList pages = requested;
    pages.removeAll("/robots.txt");
    std::sort(pages.begin(), pages.end());
    const qsizetype twice = pages.size() - std::distance(pages.begin(), std::unique(pages.begin(), pages.end()));
    EXPECT_LE(twice, 4) << "only the pages in flight when it was killed are asked for again";
    EXPECT_LT(requested.size(), beforeKill + 31) << "the pages done before the kill are not fetched again";

    QByteArrayList lines = folder.read(QStringLiteral("Emails.txt")).split('\n');
    ASSERT_EQ(lines.takeLast(), QByteArray());
    std::sort(lines.begin(), lines.end());
    QByteArrayList expected;
    for (int n = 0; n < 30; ++n)
        expected.append("p" + QByteArray::number(n) + "@shop.example.com\r");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected) << "every address once, every line whole";
}

TEST_F(HeadlessCrawlTest, BadArgumentsExitWithTwo)
{
    start({QStringLiteral("--robot")});
    EXPECT_EQ(finish(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("trawlex:"));
}

} // namespace
