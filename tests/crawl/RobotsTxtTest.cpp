#include "crawl/RobotsTxt.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The example of RFC 9309 for several crawlers.
constexpr char kExample[] = "User-Agent: *\n"
                            "Disallow: *.gif$\n"
                            "Disallow: /example/\n"
                            "Allow: /publications/\n"
                            "\n"
                            "User-Agent: foobot\n"
                            "Disallow:/\n"
                            "Allow:/example/page.html\n"
                            "Allow:/example/allowed.gif\n"
                            "\n"
                            "User-Agent: barbot\n"
                            "User-Agent: bazbot\n"
                            "Disallow: /example/page.html\n"
                            "\n"
                            "User-Agent: quxbot\n";

constexpr char kMerged[] = "user-agent: ExampleBot\ndisallow: /foo\ndisallow: /bar\n\n"
                           "user-agent: ExampleBot\ndisallow: /baz\n";

constexpr char kEncoded[] = "User-agent: *\n"
                            "Disallow: /foo/bar?baz=quz\n"
                            "Disallow: /foo/bar/\xE3\x83\x84\n"
                            "Disallow: /enc/%e3%83%84\n"
                            "Disallow: /foo/bar/%62%61%7A\n"
                            "Disallow: /%7Ejoe\n"
                            "Disallow: /~ann\n"
                            "Disallow: /a%2Fb\n"
                            "Disallow: /s?q=a%26b\n"
                            "Disallow: /100%\n"
                            "Disallow: /a b\n";

TEST(RobotsTxt, DecidesLikeTheRulesSay)
{
    struct Row { const char *body; const char *agent; const char *path; bool allowed; };
    const Row rows[] = {
        {kExample, "foobot", "/example/page.html", true},
        {kExample, "FooBot/2.0", "/example/allowed.gif", true},
        {kExample, "foobot", "/example/other.html", false},
        {kExample, "foobot", "/", false},
        {kExample, "barbot", "/example/page.html", false},
        {kExample, "bazbot", "/example/page.html", false},
        {kExample, "bazbot", "/example/other.html", true},
        {kExample, "quxbot", "/example/page.html", true}, // an empty group of its own
        {kExample, "otherbot", "/x.gif", false},
        {kExample, "otherbot", "/x.gif?size=2", true},
        {kExample, "otherbot", "/example/", false},
        {kExample, "otherbot", "/publications/a.gif", true},
        {kExample, "otherbot", "/index.html", true},
        {kMerged, "ExampleBot", "/foo", false},
        {kMerged, "examplebot", "/baz", false},
        {kMerged, "ExampleBot", "/qux", true},
        // Whose group counts.
        {"User-agent: *\nDisallow: /\n\nUser-agent: Trawlex\nDisallow: /p\n", "Trawlex", "/q", true},
        {"User-agent: *\nDisallow: /a\nUser-agent: o\nDisallow: /b\nUser-agent: *\nDisallow: /c\n", "T", "/c", false},
        {"User-agent: *\nDisallow: /a\nUser-agent: o\nDisallow: /b\nUser-agent: *\nDisallow: /c\n", "T", "/b", true},
        {"User-agent: other\nDisallow: /\n", "Trawlex", "/x", true},
        {"User-agent: other\nUser-agent: trawlex\nDisallow: /x\n", "Trawlex", "/x", false},
        {"User-agent: Trawlex\nDisallow: /a\nUser-agent: o\nDisallow: /b\n", "Trawlex", "/b", true},
        {"Disallow: /\nUser-agent: *\nDisallow: /x\n", "Trawlex", "/y", true},
        {"User-agent: Trawlex/1.0 (+http://t)\nDisallow: /\n", "Trawlex", "/x", false},
        {"User-agent: TrawlexBot\nDisallow: /\n", "Trawlex", "/x", true},
        {"User-agent:\nDisallow: /\n", "Trawlex", "/x", true},
        {"User-agent: Trawlex\nSitemap: http://h/s.xml\nno colon\nUser-agent: o\nDisallow: /\n", "Trawlex", "/x",
         false},
        // The longest rule, Allow on a tie.
        {"User-Agent: foobot\nAllow: /example/page/\nDisallow: /example/page/disallowed.gif\n", "foobot",
         "/example/page/disallowed.gif", false},
        {"User-agent: *\nAllow: /a/b\nDisallow: /a\n", "T", "/a/b/c", true},
        {"User-agent: *\nDisallow: /a/b\nAllow: /a\n", "T", "/a/b/c", false},
        {"User-agent: *\nDisallow: /page\nAllow: /page\n", "T", "/page", true},
        {"User-agent: *\nDisallow: /\nAllow: /$\n", "T", "/", true},
        {"User-agent: *\nDisallow: /\nAllow: /$\n", "T", "/a", false},
        {"User-agent: *\nDisallow: /ab\nAllow: /*****\n", "T", "/abcdef", false}, // "*" weighs nothing
        // Patterns.
        {"User-agent: *\nDisallow: /fish\n", "T", "/fish.html", false},
        {"User-agent: *\nDisallow: /fish\n", "T", "/Fish", true},
        {"User-agent: *\nDisallow: /fish\n", "T", "/catfish", true},
        {"User-agent: *\nDisallow: /*.php$\n", "T", "/a/index.php", false},
        {"User-agent: *\nDisallow: /*.php$\n", "T", "/index.php?x", true},
        {"User-agent: *\nDisallow: /this/*/exactly\n", "T", "/this/a/b/exactly/", false},
        {"User-agent: *\nDisallow: /this/*/exactly\n", "T", "/this/exactly", true},
        {"User-agent: *\nDisallow: /a*b*c$\n", "T", "/abcbc", false},
        {"User-agent: *\nDisallow: /a*b*c$\n", "T", "/abcb", true},
        {"User-agent: *\nDisallow: /a$b\n", "T", "/a$b", false},
        {"User-agent: *\nDisallow: *\n", "T", "/", false},
        {"User-agent: *\nDisallow: private\n", "T", "/private/x", false},
        // Percent-encoding: unreserved characters alike in any spelling, reserved ones not.
        {kEncoded, "T", "/foo/bar?baz=quz", false},
        {kEncoded, "T", "/foo/bar/%E3%83%84", false},
        {kEncoded, "T", "/enc/%E3%83%84", false},
        {kEncoded, "T", "/foo/bar/baz", false},
        {kEncoded, "T", "/~joe", false},
        {kEncoded, "T", "/%7eann", false},
        {kEncoded, "T", "/a%2fb", false},
        {kEncoded, "T", "/a/b", true},
        {kEncoded, "T", "/s?q=a&b", true},
        {kEncoded, "T", "/100%25", false},
        {kEncoded, "T", "/a%20b", false},
        // Lines.
        {"USER-AGENT: *\nDISALLOW: /x\n", "T", "/x", false},
        {"  uSeR-aGeNt :\t* \n\tDisallow  :  /x  \n", "T", "/x", false},
        {"User-agent: * # all\nDisallow: /x # not /y\n# Disallow: /z\n", "T", "/x", false},
        {"User-agent: * # all\nDisallow: /x # not /y\n# Disallow: /z\n", "T", "/y", true},
        {"User-agent: * # all\nDisallow: /x # not /y\n# Disallow: /z\n", "T", "/z", true},
        {"\xEF\xBB\xBFUser-agent: *\nDisallow: /x\n", "T", "/x", false},
        {"User-agent: *\rDisallow: /x\r", "T", "/x", false},
        {"User-agent: *\r\nDisallow: /x\r\nAllow: /x/y\r\n", "T", "/x/y", true},
        {"User-agent: *\r\nDisallow: /x\r\nAllow: /x/y\r\n", "T", "/x/z", false},
        {"User-agent: *\nDisallow:\n", "T", "/x", true},
        {"User-agent: *\nDisallow:\nDisallow: /x\n", "T", "/x", false},
        {"User-agent: *\nDisallow: /\n", "T", "/robots.txt", true},
        {"User-agent: *\nDisallow: /\n", "T", "/robots.txt?x=1", true},
        {"User-agent: *\nDisallow: /\n", "T", "/robots.txt.bak", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.agent << " " << row.path << "\n" << row.body);
        EXPECT_EQ(RobotsTxt::parse(row.body, row.agent).allows(row.path), row.allowed);
    }
}

TEST(RobotsTxt, TakesTheCrawlDelayOfTheChosenGroup)
{
    struct Row { const char *body; std::optional<double> seconds; };
    const Row rows[] = {
        {"User-agent: *\nCrawl-delay: 10\n", 10},
        {"User-agent: *\ncrawl-DELAY: 0.5\n", 0.5},
        {"User-agent: *\nCrawl-delay: .25\n", 0.25},
        {"User-agent: *\nCrawl-delay: 5\nUser-agent: Trawlex\nCrawl-delay: 2\n", 2},
        {"User-agent: Trawlex\nDisallow: /\nUser-agent: Trawlex\nCrawl-delay: 4\n", 4},
        {"User-agent: *\nCrawl-delay: abc\nCrawl-delay: 3\nCrawl-delay: 7\n", 3},
        {"User-agent: Trawlex\nDisallow: /\nUser-agent: *\nCrawl-delay: 5\n", std::nullopt},
        {"User-agent: other\nCrawl-delay: 1\nUser-agent: Trawlex\nDisallow: /x\n", std::nullopt},
        {"Crawl-delay: 5\nUser-agent: *\n", std::nullopt},
        {"User-agent: *\nCrawl-delay: -1\nCrawl-delay: 1e3\nCrawl-delay: inf\nCrawl-delay: 1.2.3\nCrawl-delay:\n",
         std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.body);
        EXPECT_EQ(RobotsTxt::parse(row.body, "Trawlex").crawlDelay(), row.seconds);
    }
}

TEST(RobotsTxt, AllowAllAndDisallowAll)
{
    EXPECT_TRUE(RobotsTxt::allowAll().allows("/x"));
    EXPECT_TRUE(RobotsTxt::parse("", "Trawlex").allows("/x"));
    EXPECT_FALSE(RobotsTxt::disallowAll().allows("/"));
    EXPECT_FALSE(RobotsTxt::disallowAll().allows("/x?y"));
    EXPECT_TRUE(RobotsTxt::disallowAll().allows("/robots.txt"));
    EXPECT_EQ(RobotsTxt::allowAll().crawlDelay(), std::nullopt);
}

QByteArray Filler(qsizetype size)
{
    return "#" + QByteArray(size - 2, 'x') + "\n";
}

TEST(RobotsTxt, ReadsOnlyTheFirst500KiB)
{
    constexpr qsizetype kCut = 500 * 1024;
    const QByteArray head = "User-agent: *\nDisallow: /b\n";
    const QByteArray tail = "Disallow: /after\n";

    // "Allow: /before/public" cut to "Allow: /befo" would allow what the whole line did not.
    const QByteArray cutLine =
        head + Filler(kCut - head.size() - 12) + "Allow: /before/public\n" + tail;
    const RobotsTxt cut = RobotsTxt::parse(cutLine, "Trawlex");
    EXPECT_FALSE(cut.allows("/before/public"));
    EXPECT_FALSE(cut.allows("/befo"));
    EXPECT_TRUE(cut.allows("/after"));

    const QByteArray edge = "Disallow: /edge";
    const QByteArray lastLine = head + Filler(kCut - head.size() - edge.size()) + edge + "\n" + tail;
    const RobotsTxt last = RobotsTxt::parse(lastLine, "Trawlex");
    EXPECT_FALSE(last.allows("/edge"));
    EXPECT_TRUE(last.allows("/after"));
}

TEST(RobotsTxt, WildcardsDoNotBacktrack)
{
    const QByteArray path = "/" + QByteArray(1 << 20, 'a');
    const RobotsTxt robots = RobotsTxt::parse(
        "User-agent: *\nDisallow: /*a*a*a*a*a*a*a*a*a*a*a*a*b\nDisallow: /*a*a*a*a*a*a*a*a*a*a*a*ab$\n", "Trawlex");
    EXPECT_TRUE(robots.allows(path));
    EXPECT_FALSE(robots.allows(path + "b"));
}

} // namespace
