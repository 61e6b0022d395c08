// Runs the real program from the command line against sites served on 127.0.0.1.

#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
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

QProcessEnvironment environmentFor(const QString &programFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TRAWLEX_PROGRAM_FOLDER"), programFolder);
    return environment;
}

struct Ran
{
    int code = -1;
    QByteArray out;
    QByteArray err;

    // The lines of standard error that the program starts with its name: all but the summary.
    QByteArrayList told() const
    {
        QByteArrayList lines;
        for (const QByteArray &line : err.split('\n'))
            if (line.startsWith("trawlex:"))
                lines << line;
        return lines;
    }
};

// Runs the program to its end in `workingFolder`, `input` on its standard input.
Ran runTrawlex(const QStringList &arguments, const QProcessEnvironment &environment, const QString &workingFolder,
               const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(QStringLiteral(TRAWLEX_PROGRAM), arguments);
    Ran ran;
    if (!process.waitForStarted(10000))
        return ran;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return ran;
    ran.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    return ran;
}

QStringList strings(std::initializer_list<QByteArray> arguments)
{
    QStringList list;
    for (const QByteArray &argument : arguments)
        list << QString::fromUtf8(argument);
    return list;
}

class HeadlessCrawlTest : public ::testing::Test
{
protected:
    // A relative result file is taken from the current folder: the program folder here, unless
    // a test says otherwise.
    void start(const QStringList &arguments)
    {
        process.setProcessEnvironment(environmentFor(folder.path()));
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(TRAWLEX_PROGRAM), arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    Ran run(const QStringList &arguments, const QByteArray &input = {}, const QString &workingFolder = {})
    {
        return runTrawlex(arguments, environmentFor(folder.path()), workingFolder.isEmpty() ? folder.path() : workingFolder,
                          input);
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
    const QByteArrayList errors = process.readAllStandardError().split('\n');
    ASSERT_GE(errors.size(), 2);
    EXPECT_EQ(errors.at(0), "trawlex: cannot fetch " + root + "gone.html: HTTP/1.1 404 Not Found") << "told as it happens";
    EXPECT_TRUE(errors.at(1).startsWith("pages 3  addresses 3  queue 0/500")) << "then the summary";
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
        "OnPageFetched\t" + u + "\t0\t200\t",
        "OnPageReceived\t" + u + "\t1",
        "x@y.example\t" + u,
        "OnWebLinkChange\t\t1\t0",
        "OnPageFetched\t" + u + "a.html\t1\t200\t",
        "OnPageReceived\t" + u + "\t0",
        "OnWebLinkChange\t\t1\t1",
        "OnPageFetched\t" + u + "b.html\t1\t200\t",
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
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.at(0), "OnPhraseSearchStart\t0\t" + server.url("/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0"));
    EXPECT_EQ(lines.at(1), "OnWebLinkChange\thttp://127.0.0.1:1/shop.html\t1\t0");
    EXPECT_EQ(lines.at(2), "OnPageFetched\t" + server.url("/search?q=red%20shoes+mail&num=100&start=0&sa=N&filter=0") + "\t0\t200\t");
    EXPECT_EQ(lines.at(4), "engine@results.example\t" + server.url("/"));
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

// Each kind of failure against a fresh site and program folder: what standard error tells (the
// lines the program starts with its name, each as a prefix where the system words the reason)
// and the exit code. "ROOT" stands for the site's root address.
TEST(HeadlessCrawlFailures, EachIsToldOnStandardErrorAndSetsTheExitCode)
{
    const QByteArray refused = "http://127.0.0.1:1/";
    struct Row
    {
        const char *what;
        std::vector<TestRoute> routes;
        std::vector<QByteArray> arguments;
        int code;
        QByteArrayList told;
        bool errorLogBlocked = false;
        bool enginesRefused = false;
    };
    QByteArrayList tenEngineRequests;
    for (int page = 0; page < 10; ++page)
        tenEngineRequests << "trawlex: cannot fetch http://127.0.0.1:1/search?q=x+mail&num=100&start=" + QByteArray::number(page * 100);
    const std::vector<Row> rows = {
        {"all well", {{"/", 200, {}, "a@b.example"}}, {"--robot", "ROOT"}, 0, {}},
        {"a page not found is told; the crawl went well", {{"/", 200, {}, anchors({"gone.html"})}}, {"--robot", "ROOT"}, 0,
         {"trawlex: cannot fetch ROOTgone.html: HTTP/1.1 404 Not Found"}},
        {"quiet", {{"/", 200, {}, anchors({"gone.html"})}}, {"--robot", "ROOT", "-q"}, 0, {}},
        {"verbose", {{"/", 200, {}, anchors({"a.html"})}, {"/a.html", 200, {}, "x"}}, {"--robot", "ROOT", "--verbose"}, 0,
         {"trawlex: fetched ROOT (level 0)", "trawlex: fetched ROOTa.html (level 1)"}},
        {"start refused", {}, {"--robot", refused}, 4, {"trawlex: cannot fetch " + refused + ": "}},
        {"start not found", {}, {"--robot", "ROOT"}, 4, {"trawlex: cannot fetch ROOT: HTTP/1.1 404 Not Found"}},
        {"a start's server error is a failed start", {{"/", 500, {}, {}}}, {"--robot", "ROOT"}, 4,
         {"trawlex: cannot fetch ROOT: HTTP/1.1 500 Internal Server Error"}},
        {"a server error while the crawl goes on",
         {{"/", 200, {}, anchors({"bad.html", "a.html"})}, {"/bad.html", 503, {}, {}}, {"/a.html", 200, {}, "a@b.example"}},
         {"--robot", "ROOT"}, 8, {"trawlex: cannot fetch ROOTbad.html: HTTP/1.1 503 Service Unavailable"}},
        {"thorough: a robots.txt that fails leaves the only site alone", {{"/robots.txt", 503, {}, {}}, {"/", 200, {}, "a@b.example"}},
         {"--robot", "ROOT", "--thorough"}, 4, {"trawlex: cannot fetch ROOTrobots.txt: HTTP/1.1 503 Service Unavailable"}},
        {"thorough: start not found", {}, {"--robot", "ROOT", "--thorough"}, 4,
         {"trawlex: cannot fetch ROOT: HTTP/1.1 404 Not Found"}},
        {"the second of two starts refused", {{"/", 200, {}, "a@b.example"}}, {"--robot", "ROOT", "--robot", refused}, 4,
         {"trawlex: cannot fetch " + refused + ": "}},
        {"an error log that cannot be written outranks a failed start", {}, {"--robot", refused}, 3,
         {"trawlex: cannot fetch " + refused + ": ", "trawlex: cannot write the error log "}, true},
        {"every engine request failed", {}, {"--engine", "x", "--engines", "google-en"}, 4, tenEngineRequests, false, true},
        {"no level at all", {}, {"--robot", "ROOT", "--depth", "-1"}, 2, {"trawlex: --depth wants 0 or more, not -1"}},
        {"no room for a link", {}, {"--robot", "ROOT", "--queue", "0"}, 2, {"trawlex: --queue wants 1 or more, not 0"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        TempProgramFolder folder;
        TestHttpServer server;
        for (const TestRoute &route : row.routes)
            server.setRoute(route);
        if (row.errorLogBlocked) {
            ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Err.ini")));
        }
        if (row.enginesRefused) {
            QFile ini(folder.file(QStringLiteral("TrawlMain.ini")));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write("[Engines]\r\nGoogleHost=127.0.0.1:1\r\n");
        }
        QStringList arguments;
        for (const QByteArray &argument : row.arguments)
            arguments << QString::fromLatin1(QByteArray(argument).replace("ROOT", server.url("/")));
        const Ran ran = runTrawlex(arguments, environmentFor(folder.path()), folder.path());
        EXPECT_EQ(ran.code, row.code) << ran.err.constData();
        // Sorted: the error log's notice comes from another thread than the fetches'.
        QByteArrayList told = ran.told();
        QByteArrayList expected = row.told;
        for (QByteArray &line : expected)
            line.replace("ROOT", server.url("/"));
        std::sort(told.begin(), told.end());
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(told.size(), expected.size()) << ran.err.constData();
        for (qsizetype i = 0; i < told.size(); ++i)
            EXPECT_TRUE(told.at(i).startsWith(expected.at(i))) << told.at(i).constData();
        if (QByteArray(row.what) == "quiet") {
            EXPECT_EQ(ran.err, QByteArray()) << "no summary either";
        }
    }
}

TEST(HeadlessCrawlWindow, WithoutADisplayAndWithoutAnOptionSaysSoInOneLine)
{
    TempProgramFolder folder;
    QProcessEnvironment environment = environmentFor(folder.path());
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    const Ran ran = runTrawlex({}, environment, folder.path());
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(ran.err.count('\n'), 1) << ran.err.constData();
    EXPECT_TRUE(ran.err.startsWith("trawlex: no display")) << ran.err.constData();
    EXPECT_EQ(runTrawlex({QStringLiteral("-h")}, environment, folder.path()).code, 0) << "help never needs the window";
}

TEST_F(HeadlessCrawlTest, ARelativeResultFileIsTakenFromTheCurrentFolder)
{
    server.setRoute({"/", 200, {}, "x@y.example"});
    QTemporaryDir here;
    ASSERT_TRUE(here.isValid());
    ASSERT_TRUE(QDir(here.path()).mkdir(QStringLiteral("out")));
    const Ran ran = run(strings({"-o", "out/found.txt", "--robot", server.url("/")}), {}, here.path());
    EXPECT_EQ(ran.code, 0) << ran.err.constData();
    QFile found(here.filePath(QStringLiteral("out/found.txt")));
    ASSERT_TRUE(found.open(QIODevice::ReadOnly));
    EXPECT_EQ(found.readAll(), "x@y.example\r\n");
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("out/found.txt"))));
}

TEST_F(HeadlessCrawlTest, DashAsResultFileWritesToStandardOutputOnly)
{
    server.setRoute({"/", 200, {}, anchors({"gone.html"}) + "x@y.example"});
    const Ran ran = run(strings({"--robot", server.url("/"), "-o", "-"}));
    EXPECT_EQ(ran.code, 0) << ran.err.constData();
    EXPECT_EQ(ran.out, "x@y.example\t" + server.url("/") + "\n");
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Emails.txt"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("-"))));
    EXPECT_EQ(folder.read(QStringLiteral("Err.ini")), "HTTP/1.1 404 Not Found\r\n") << "the failures are still logged";
}

// Typed as a shell user would, from --robot, a file and standard input, crawled in turn into
// one result file.
TEST_F(HeadlessCrawlTest, SeveralStartAddressesAreCrawledInTurnIntoOneResultFile)
{
    server.setRoute({"/a/", 200, {}, "a@one.example"});
    server.setRoute({"/b/", 200, {}, "b@two.example"});
    server.setRoute({"/c/", 200, {}, "c@three.example"});
    const QByteArray hostAndPort = "127.0.0.1:" + QByteArray::number(server.port());
    QFile list(folder.file(QStringLiteral("starts.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("# to crawl\n" + hostAndPort + "/b/\n");
    list.close();
    const Ran fromFile = run(strings({"--robot", "HTTP://" + hostAndPort + "/a/", "-i", "starts.txt"}));
    EXPECT_EQ(fromFile.code, 0) << fromFile.err.constData();
    const Ran fromInput = run(strings({"-i", "-"}), server.url("/c/") + "\n");
    EXPECT_EQ(fromInput.code, 0) << fromInput.err.constData();
    EXPECT_EQ(folder.read(QStringLiteral("Emails.txt")), "a@one.example\r\nb@two.example\r\nc@three.example\r\n");
    EXPECT_EQ(server.requestedPaths(), (QByteArrayList{"/a/", "/b/", "/c/"}));
}

TEST_F(HeadlessCrawlTest, AFormatAskedForGoesToStandardOutputAndTheResultFile)
{
    server.setRoute({"/", 200, {}, anchors({"a.html"}) + "x@y.example"});
    server.setRoute({"/a.html", 200, {}, "z@y.example"});
    const QByteArray root = server.url("/");
    const Ran csv = run(strings({"--robot", root, "--format", "csv", "-o", "found.csv"}));
    EXPECT_EQ(csv.code, 0) << csv.err.constData();
    const QByteArrayList printed = csv.out.trimmed().split('\n');
    ASSERT_EQ(printed.size(), 2);
    EXPECT_TRUE(printed.at(0).startsWith("x@y.example," + root + ",0,20")) << printed.at(0).constData();
    EXPECT_TRUE(printed.at(1).startsWith("z@y.example," + root + ",1,20")) << printed.at(1).constData();
    EXPECT_EQ(folder.read(QStringLiteral("found.csv")), printed.join("\r\n") + "\r\n");

    const Ran jsonl = run(strings({"--robot", root, "--format", "jsonl", "-o", "-"}));
    EXPECT_EQ(jsonl.code, 0) << jsonl.err.constData();
    const QByteArrayList objects = jsonl.out.trimmed().split('\n');
    ASSERT_EQ(objects.size(), 2);
    const QJsonObject second = QJsonDocument::fromJson(objects.at(1)).object();
    EXPECT_EQ(second.value(QStringLiteral("address")).toString(), QStringLiteral("z@y.example"));
    EXPECT_EQ(second.value(QStringLiteral("source")).toString(), QString::fromLatin1(root));
    EXPECT_EQ(second.value(QStringLiteral("level")).toInt(), 1);
    EXPECT_TRUE(QDateTime::fromString(second.value(QStringLiteral("found")).toString(), Qt::ISODate).isValid());
}

} // namespace
