#include "app/CommandLine.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(parsed.request->resultFile, QStringLiteral("out.txt"));
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
        {"--robot", "HTTP://a/"},
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

TEST(CommandLine, OnlyOptionsSelectTheCommandLine)
{
    EXPECT_FALSE(CommandLine::wanted({QStringLiteral("trawlex")}));
    EXPECT_TRUE(CommandLine::wanted({QStringLiteral("trawlex"), QStringLiteral("--help")}));
    EXPECT_TRUE(parse({"--help"}).output.contains(QStringLiteral("--robot URL")));
}

} // namespace
