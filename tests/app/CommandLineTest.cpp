#include "app/CommandLine.h"
#include "app/CrawlOutcome.h"

#include "TrawlexVersion.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

CommandLine::Parsed parse(std::initializer_list<const char *> args)
{
    QStringList list{QStringLiteral("trawlex")};
    for (const char *arg : args)
        list << QString::fromUtf8(arg);
    return CommandLine::parse(list);
}

TEST(CommandLine, DefaultsAreTheOptionDialogsDefaults)
{
    const auto robot = parse({"--robot", "http://site.example/"});
    ASSERT_TRUE(robot.request);
    EXPECT_EQ(robot.request->crawl.limits.depth, 500);
    EXPECT_EQ(robot.request->crawl.limits.queues, 500);
    EXPECT_TRUE(robot.request->crawl.allLinks);
    EXPECT_FALSE(robot.request->crawl.japaneseOnly);
    EXPECT_EQ(robot.request->crawl.searchEngine, "http://site.example/");

    const auto engine = parse({"--engine", "red shoes", "blue"});
    ASSERT_TRUE(engine.request);
    EXPECT_EQ(engine.request->crawl.limits.depth, 3);
    EXPECT_EQ(engine.request->crawl.limits.queues, 5000);
    EXPECT_EQ(engine.request->crawl.phrases, (QStringList{QStringLiteral("red shoes"), QStringLiteral("blue")}));
    ASSERT_EQ(engine.request->engines.size(), 3);
    EXPECT_EQ(engine.request->engines.at(0).caption, QString::fromUtf16(EngineTable::kBaidu));
}

TEST(CommandLine, EnginesChosenAndOrderedByNameOrNumber)
{
    const auto parsed = parse({"--engine", "x", "--engines", "google-cn,1,Google(English)", "--depth", "2",
                               "--queue", "9", "--this-site", "--file", "out.txt", "--trace"});
    ASSERT_TRUE(parsed.request) << parsed.error.toStdString();
    const QList<EngineRow> &rows = parsed.request->engines;
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).caption, QString::fromUtf16(EngineTable::kGoogleChinese));
    EXPECT_EQ(rows.at(1).caption, QString::fromUtf16(EngineTable::kBaidu));
    EXPECT_EQ(rows.at(2).caption, QString::fromUtf16(EngineTable::kGoogleEnglish));
    EXPECT_EQ(parsed.request->crawl.limits.depth, 2);
    EXPECT_EQ(parsed.request->crawl.limits.queues, 9);
    EXPECT_FALSE(parsed.request->crawl.allLinks);
    EXPECT_EQ(parsed.request->resultFile, QDir::current().absoluteFilePath(QStringLiteral("out.txt")));
    EXPECT_TRUE(parsed.request->trace);
}

TEST(CommandLine, ThoroughRulesAreChosenWithTheirOptionsAndTakeAnHttpsStart)
{
    const auto classic = parse({"--robot", "http://site.example/"});
    ASSERT_TRUE(classic.request);
    EXPECT_FALSE(classic.request->crawl.rules.thorough);

    const auto thorough = parse({"--robot", "https://site.example/", "--thorough", "--ignore-robots", "--cacert",
                                 "/tmp/ca.pem", "--user-agent", "Probe/1", "--jobs", "8", "--per-host", "2", "--wait",
                                 "1.5"});
    ASSERT_TRUE(thorough.request) << thorough.error.toStdString();
    const CrawlRules &rules = thorough.request->crawl.rules;
    EXPECT_TRUE(rules.thorough);
    EXPECT_FALSE(rules.obeyRobots);
    EXPECT_EQ(rules.caFile, QByteArray("/tmp/ca.pem"));
    EXPECT_EQ(rules.agent(), QByteArray("Probe/1"));
    EXPECT_EQ(rules.jobs, 8);
    EXPECT_EQ(rules.perHost, 2);
    EXPECT_EQ(rules.waitMs, 1500);
    const CrawlRules defaults = parse({"--robot", "http://a/", "--thorough"}).request->crawl.rules;
    EXPECT_EQ(defaults.jobs, CrawlRules::kDefaultJobs);
    EXPECT_EQ(defaults.perHost, CrawlRules::kDefaultPerHost);
    EXPECT_EQ(defaults.waitMs, 0);
    EXPECT_TRUE(parse({"--robot", "http://a/", "--thorough"}).request->crawl.rules.obeyRobots);
    EXPECT_TRUE(parse({"--robot", "http://a/", "--thorough"}).request->crawl.rules.agent().startsWith("Trawlex/"));
}

TEST(CommandLine, BadArgumentsAreExplained)
{
    const std::vector<std::vector<const char *>> rows = {
        {},                                          // neither mode... only when options are given
        {"--robot", "http://a/", "--engine", "x"},   // both modes
        {"--robot", "https://a/"},                   // the dialog's "http://" test
        {"--robot", "ftp://a/"},
        {"--robot", "http://a/", "--depth", "deep"}, // not a number
        {"--engine"},                                // no phrase
        {"--engine", "x", "--engines", "yahoo"},
        {"--engine", "x", "--engines", "4"},
        {"--engine", "x", "--japanese"},
        {"--robot", "http://a/", "stray"},
        {"--frobnicate"},
        {"--robot", "http://a/", "--ignore-robots"}, // thorough options without --thorough
        {"--robot", "http://a/", "--cacert", "ca.pem"},
        {"--robot", "http://a/", "--user-agent", "x"},
        {"--robot", "ftp://a/", "--thorough"},
        {"--robot", "http://a/", "--jobs", "4"},
        {"--robot", "http://a/", "--thorough", "--jobs", "0"},
        {"--robot", "http://a/", "--thorough", "--jobs", "65"},
        {"--robot", "http://a/", "--thorough", "--per-host", "-1"},
        {"--robot", "http://a/", "--thorough", "--wait", "0,5"},
        {"--robot", "http://a/", "--thorough", "--wait", "-1"},
        {"--robot", "http://a/", "--thorough", "--wait", "nan"},
        {"--robot", "http://a/", "--thorough", "--wait", "61"},
        {"--robot", "http://a/", "--depth", "-1"},   // no level at all
        {"--robot", "http://a/", "--queue", "0"},    // no room for a link
        {"--robot", "http://a/", "-q", "-v"},
        {"--robot", "http://a/", "--format", "xml"},
        {"--robot", "http://a/", "--robot", "http://b/", "--thorough", "--state", "s.db"},
        {"-i", "/nonexistent/starts.txt"},
        {"--engine", "x", "-i", "-"},
        {"-robot", "http://a/"},                     // one dash takes letters, each a short option
    };
    for (const auto &args : rows) {
        if (args.empty())
            continue;
        QStringList list{QStringLiteral("trawlex")};
        for (const char *arg : args)
            list << QString::fromUtf8(arg);
        SCOPED_TRACE(list.join(QLatin1Char(' ')).toStdString());
        const CommandLine::Parsed parsed = CommandLine::parse(list);
        EXPECT_FALSE(parsed.request);
        EXPECT_FALSE(parsed.error.isEmpty());
    }
}

TEST(CommandLine, AnyOptionLongOrShortSelectsTheCommandLine)
{
    EXPECT_FALSE(CommandLine::wanted({QStringLiteral("trawlex")}));
    EXPECT_FALSE(CommandLine::wanted({QStringLiteral("trawlex"), QStringLiteral("-")}));
    for (const char *option : {"--help", "-h", "-V", "-q", "-o"})
        EXPECT_TRUE(CommandLine::wanted({QStringLiteral("trawlex"), QString::fromLatin1(option)})) << option;
    EXPECT_EQ(parse({"-h"}).output, parse({"--help"}).output);
    EXPECT_TRUE(parse({"--help"}).output.contains(QStringLiteral("--robot URL")));
    EXPECT_EQ(parse({"-V"}).output, QStringLiteral("Norvane Trawlex " TRAWLEX_VERSION "\n"));
}

// Every option the parser takes is listed in --help, which the man page is made from.
TEST(CommandLine, HelpListsEveryOptionAndExitCode)
{
    const QString help = CommandLine::usage();
    for (const char *option : {"--robot URL", "-i, --input FILE", "--engine", "--engines LIST", "--depth N", "--queue N",
                               "--this-site", "--japanese", "-o, --file FILE", "--format FORMAT", "--thorough",
                               "--ignore-robots", "--cacert FILE", "--user-agent TEXT", "--jobs N", "--per-host N",
                               "--wait SECONDS", "--state FILE", "-q, --quiet", "-v, --verbose", "--trace",
                               "-h, --help", "-V, --version"})
        EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
    for (const char *code : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 ", "\n  4 ", "\n  8 ", "\n  130 "})
        EXPECT_TRUE(help.contains(QString::fromLatin1(code))) << code;
}

TEST(CommandLine, StartAddressesAsAShellUserTypesThem)
{
    struct Row { const char *typed; bool thorough; const char *meant; };
    const Row rows[] = {
        {"http://a.example/x", false, "http://a.example/x"},
        {"HTTP://a.example/X", false, "http://a.example/X"}, // only the scheme is lower-cased
        {"Http://a.example/", false, "http://a.example/"},
        {"a.example/x/y.html", false, "http://a.example/x/y.html"},
        {"a.example", false, "http://a.example/"},
        {"127.0.0.1:8080", false, "http://127.0.0.1:8080/"},
        {"  a.example/  ", false, "http://a.example/"},
        {"HTTPS://a.example/", true, "https://a.example/"},
        {"HTTPS://a.example/", false, ""},
        {"ftp://a.example/", true, ""},
        {"://a.example/", false, ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(CommandLine::startAddress(QString::fromLatin1(row.typed), row.thorough), QByteArray(row.meant)) << row.typed;
}

TEST(CommandLine, ResultFileStartAddressesAndChatterFromShortOptions)
{
    const QString here = QStringLiteral("/home/user/work");
    const auto parseIn = [&here](QStringList args, FILE *input = stdin) {
        args.prepend(QStringLiteral("trawlex"));
        return CommandLine::parse(args, here, input);
    };
    const auto relative = parseIn({QStringLiteral("--robot"), QStringLiteral("a.example"), QStringLiteral("-o"),
                                   QStringLiteral("out/../found.txt"), QStringLiteral("-q")});
    ASSERT_TRUE(relative.request) << relative.error.toStdString();
    EXPECT_EQ(relative.request->resultFile, QStringLiteral("/home/user/work/found.txt"));
    EXPECT_EQ(relative.request->chatter, CrawlRequest::Chatter::Quiet);
    EXPECT_EQ(relative.request->starts, QByteArrayList{"http://a.example/"});
    EXPECT_EQ(parseIn({QStringLiteral("--robot=http://a/"), QStringLiteral("--file=/tmp/x.txt")}).request->resultFile,
              QStringLiteral("/tmp/x.txt"));
    EXPECT_TRUE(parseIn({QStringLiteral("--robot"), QStringLiteral("http://a/")}).request->resultFile.isEmpty());

    const auto toStdout = parseIn({QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("--robot"),
                                   QStringLiteral("http://a/"), QStringLiteral("-v"), QStringLiteral("--format"),
                                   QStringLiteral("JSONL")});
    ASSERT_TRUE(toStdout.request) << toStdout.error.toStdString();
    EXPECT_TRUE(toStdout.request->resultsToStandardOutputOnly);
    EXPECT_EQ(toStdout.request->chatter, CrawlRequest::Chatter::Verbose);
    EXPECT_EQ(toStdout.request->format, ResultFormat::Format::Jsonl);

    FILE *input = std::tmpfile();
    ASSERT_NE(input, nullptr);
    std::fputs("# the shops\nb.example/shop\r\n\n  HTTP://c.example/  \n", input);
    std::rewind(input);
    const auto several = parseIn({QStringLiteral("--robot"), QStringLiteral("http://a.example/"), QStringLiteral("-i"),
                                  QStringLiteral("-")},
                                 input);
    std::fclose(input);
    ASSERT_TRUE(several.request) << several.error.toStdString();
    EXPECT_EQ(several.request->starts,
              (QByteArrayList{"http://a.example/", "http://b.example/shop", "http://c.example/"}));
    EXPECT_EQ(several.request->crawl.searchEngine, "http://a.example/");
}

// Several things wrong at once: the lowest code but 0 and 1 wins, as wget has it; Ctrl-C always shows.
TEST(CrawlOutcome, ExitCodeOfEachFailureAndWhichOneWins)
{
    struct Fetch { const char *url; int status; bool failed; };
    struct Row { const char *what; std::vector<std::vector<Fetch>> crawls; bool fileUnwritable; bool interrupted; int code; };
    const Row rows[] = {
        {"all well", {{{"s", 200, false}, {"p", 404, true}}}, false, false, 0},
        {"start failed", {{{"s", 0, true}}}, false, false, 4},
        {"start failed, a redirect's target fetched", {{{"s", 404, true}, {"t", 200, false}}}, false, false, 4},
        {"every fetch failed (its target, after a redirect)", {{{"t", 404, true}}}, false, false, 4},
        {"nothing fetched: a resumed crawl with nothing left", {{}}, false, false, 0},
        {"a server error on the way", {{{"s", 200, false}, {"p", 503, true}}}, false, false, 8},
        {"the start's server error", {{{"s", 500, true}}}, false, false, 4},
        {"one of two starts failed", {{{"s", 200, false}}, {{"s2", 0, true}}}, false, false, 4},
        {"the file beats a failed start", {{{"s", 0, true}}}, true, false, 3},
        {"Ctrl-C beats them all", {{{"s", 0, true}}}, true, true, 130},
        {"engine: every request failed", {{{"e1", 0, true}, {"e2", 0, true}}}, false, false, 4},
        {"engine: one request answered", {{{"e1", 0, true}, {"e2", 200, false}}}, false, false, 0},
    };
    for (const Row &row : rows) {
        CrawlOutcome outcome;
        int crawl = 0;
        for (const auto &fetches : row.crawls) {
            const bool engine = QByteArray(row.what).startsWith("engine");
            outcome.beginCrawl(engine ? QByteArray() : crawl++ == 0 ? QByteArray("s") : QByteArray("s2"));
            for (const Fetch &fetch : fetches)
                outcome.fetched(fetch.url, fetch.status, fetch.failed);
            outcome.endCrawl();
        }
        if (row.fileUnwritable)
            outcome.fileUnwritable();
        if (row.interrupted)
            outcome.interrupt();
        EXPECT_EQ(outcome.exitCode(), row.code) << row.what;
    }
}

} // namespace
