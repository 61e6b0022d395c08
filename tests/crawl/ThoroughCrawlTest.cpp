// Whole thorough crawls against the local servers: each page once whatever spelling links give
// it, redirects followed within the site and never in a loop, robots.txt obeyed as it answers,
// files never fetched, each address reported once a crawl, and https trusted only through an
// authority the system or the user knows.

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Crawled
{
    QByteArrayList requested;
    std::vector<std::string> pages;     // "URL addresses", in the order reported
    QByteArrayList addresses;           // every address reported, in order
    QByteArray errorLog;
};

Crawled crawl(const std::vector<TestRoute> &site, const char *start, CrawlRules rules, bool allLinks = true)
{
    TempProgramFolder folder;
    TestHttpServer server(site);
    TznWebSearch search;
    Crawled result;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    search.OnPageReceived = [&](const QByteArray &url, const QByteArray &, const QByteArrayList &emails) {
        const std::lock_guard guard(lock);
        QByteArray path = url;
        path.replace(server.url(""), "");
        result.pages.push_back(path.toStdString() + " " + emails.join(',').toStdString());
        result.addresses += emails;
    };
    search.OnEnd = [&] {
        const std::lock_guard guard(lock);
        done = true;
        ended.notify_all();
    };
    rules.thorough = true;
    search.setRules(rules);
    search.setAllLink(allLinks);
    search.setMaxLevel(5);
    search.setMaxQueues(100);
    search.setSearchEngine(server.url(start));
    EXPECT_TRUE(search.StartSearch());
    {
        std::unique_lock guard(lock);
        EXPECT_TRUE(ended.wait_for(guard, 20s, [&] { return done; }));
    }
    EXPECT_TRUE(WorkerReaper::waitForAll(5000));
    result.requested = server.requestedPaths();
    QFile log(folder.path() + QStringLiteral("/Err.ini"));
    if (log.open(QIODevice::ReadOnly))
        result.errorLog = log.readAll();
    return result;
}

// Pages fetched at once finish in any order.
QByteArrayList sorted(QByteArrayList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

QByteArray page(const char *body)
{
    return QByteArray("<html><body>") + body + "</body></html>";
}

const std::vector<TestRoute> site = {
    {"/robots.txt", 200, {}, "User-agent: *\nDisallow: /private/\n"},
    {"/index.html", 200, {"Content-Type: text/html"},
     page("<a href=\"a.html\">a</a> <A HREF='/a.html#top'>again</A> <a href=./x/../a.html>and again</a>"
          "<a href=\"/moved\">moved</a> <a href=\"/loop1\">loop</a> <a href=\"/private/p.html\">private</a>"
          "<a href=\"logo.png\">logo</a> <a href=\"/download\">file</a> <a href=\"/go-private\">go</a>"
          "<p>Write to info&#64;shop.example.com</p>")},
    {"/a.html", 200, {"Content-Type: text/html; charset=utf-8"},
     page("<a href=\"/index.html\">home</a> <a href=\"mailto:sales@shop.example.com?subject=hi\">sales</a>"
          "info@shop.example.com")},
    {"/moved", 301, {"Location: /c.html"}, {}},
    {"/c.html", 200, {}, page("<a href=\"a.html\">a</a> jane.doe@shop.example.com")},
    {"/loop1", 302, {"Location: /loop2"}, {}},
    {"/loop2", 302, {"Location: /loop1"}, {}},
    {"/private/p.html", 200, {}, page("secret@shop.example.com")},
    {"/go-private", 301, {"Location: /private/p.html"}, page("Moved")},
    {"/download", 200, {"Content-Type: application/octet-stream"}, "binary@shop.example.com"},
};

} // namespace

TEST(ThoroughCrawl, EachPageOnceRedirectsWithinReasonRobotsObeyedAndEachAddressOnce)
{
    const Crawled crawled = crawl(site, "/index.html", CrawlRules{});
    ASSERT_FALSE(crawled.requested.isEmpty());
    EXPECT_EQ(crawled.requested.first(), "/robots.txt") << "asked for before any page of the site";
    EXPECT_EQ(sorted(crawled.requested), sorted({"/robots.txt", "/index.html", "/a.html", "/moved", "/c.html", "/loop1",
                                                  "/loop2", "/download", "/go-private"}))
        << "three spellings of a.html give one fetch; the loop ends where it began; robots.txt and the "
           "file name keep the private page (however reached) and the image away; a body of another type is not read";
    EXPECT_EQ(sorted(crawled.addresses), sorted({"info@shop.example.com", "sales@shop.example.com",
                                                 "jane.doe@shop.example.com"}));
    EXPECT_FALSE(crawled.errorLog.contains("robots.txt"));
}

TEST(ThoroughCrawl, RobotsTxtThatIsMissingAllowsAllAndOneThatFailsKeepsTheSiteAlone)
{
    struct Case
    {
        const char *name;
        int status;
        bool obey;
        bool privateFetched;
        bool indexFetched;
    };
    const Case cases[] = {
        {"not found", 404, true, true, true},
        {"server error", 500, true, false, false},
        {"server error, robots ignored", 500, false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TestRoute> routes = site;
        routes.front() = {"/robots.txt", c.status, {}, "User-agent: *\nDisallow: /\n"};
        CrawlRules rules;
        rules.obeyRobots = c.obey;
        const Crawled crawled = crawl(routes, "/index.html", rules);
        EXPECT_EQ(crawled.requested.contains("/private/p.html"), c.privateFetched);
        EXPECT_EQ(crawled.requested.contains("/index.html"), c.indexFetched);
        EXPECT_EQ(crawled.requested.contains("/robots.txt"), c.obey);
        EXPECT_EQ(crawled.errorLog.contains("robots.txt"), c.status >= 500 && c.obey);
    }
}

TEST(ThoroughCrawl, HttpsIsFetchedWhenItsAuthorityIsTrustedAndACertificateRefusedIsAFailedFetch)
{
    const TestTls tls = TestTls::localhost();
    TestHttpServer secure({{"/secure.html", 200, {"Content-Type: text/html"},
                            page("<a href=\"/more.html\">more</a> safe@shop.example.com")},
                           {"/more.html", 200, {}, page("more@shop.example.com")},
                           {"/upgraded.html", 200, {}, page("up@shop.example.com")}},
                          &tls);
    const std::vector<TestRoute> routes = {
        {"/index.html", 200, {},
         page(("<a href=\"" + secure.url("/secure.html") + "\">secure</a> <a href=\"/upgrade\">upgrade</a>"
               " plain@shop.example.com").constData())},
        {"/upgrade", 301, {"Location: " + secure.url("/upgraded.html")}, {}},
    };
    struct Case
    {
        const char *name;
        QByteArray authority;
        QByteArrayList addresses;
    };
    const Case cases[] = {
        {"trusted", tls.authorityFile,
         {"plain@shop.example.com", "safe@shop.example.com", "up@shop.example.com", "more@shop.example.com"}},
        {"unknown authority", {}, {"plain@shop.example.com"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CrawlRules rules;
        rules.caFile = c.authority;
        const Crawled crawled = crawl(routes, "/index.html", rules);
        EXPECT_EQ(sorted(crawled.addresses), sorted(c.addresses));
        EXPECT_EQ(crawled.errorLog.contains("certificate"), c.authority.isEmpty())
            << "a certificate refused is a failed fetch told with its reason: " << crawled.errorLog.toStdString();
    }
    EXPECT_EQ(secure.requestedPaths().count("/secure.html"), 1)
        << "the refused crawl never got as far as a request";
}
