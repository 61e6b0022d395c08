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
#include <atomic>
#include <condition_variable>
#include <functional>
#include <thread>
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
    QByteArrayList events;              // "queued PATH" and "page PATH", in the order raised
    int mostHandlersAtOnce = 0;
    int mostRequestsAtOnce = 0;         // as the server saw them
    QByteArrayList hostsSetAside;
    bool ended = false;
};

// What a test does while the crawl runs, on the test's thread.
using WhileCrawling = std::function<void(TznWebSearch &, const TestHttpServer &)>;

Crawled crawl(const std::vector<TestRoute> &site, const char *start, CrawlRules rules, bool allLinks = true,
              const WhileCrawling &meanwhile = {})
{
    TempProgramFolder folder;
    TestHttpServer server(site);
    TznWebSearch search;
    Crawled result;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::atomic<int> inHandler{0};
    const auto entered = [&] {
        const int now = ++inHandler;
        result.mostHandlersAtOnce = std::max(result.mostHandlersAtOnce, now);
    };
    const auto relative = [&](QByteArray url) { return url.replace(server.url(""), ""); };
    search.OnWebLinkChange = [&](const QByteArray &link, const QByteArray &, int) {
        entered();
        if (!link.isEmpty()) {
            const std::lock_guard guard(lock);
            result.events.append("queued " + relative(link));
        }
        --inHandler;
    };
    search.OnPageReceived = [&](const QByteArray &url, const QByteArray &, const QByteArrayList &emails) {
        entered();
        const std::lock_guard guard(lock);
        const QByteArray path = relative(url);
        result.pages.push_back(path.toStdString() + " " + emails.join(',').toStdString());
        result.events.append("page " + path);
        result.addresses += emails;
        --inHandler;
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
    if (meanwhile)
        meanwhile(search, server);
    {
        std::unique_lock guard(lock);
        result.ended = ended.wait_for(guard, 20s, [&] { return done; });
    }
    EXPECT_TRUE(result.ended);
    EXPECT_TRUE(WorkerReaper::waitForAll(5000));
    result.requested = server.requestedPaths();
    result.mostRequestsAtOnce = server.mostRequestsAtOnce();
    result.hostsSetAside = search.HostsSetAside();
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

namespace {

// A site of three levels: the start page links twelve pages, each of those three more. Every
// page thinks a little before it answers, so that fetches overlap.
std::vector<TestRoute> threeLevels(int thinkMs, const std::function<void(TestRoute &)> &change = {})
{
    std::vector<TestRoute> routes;
    QByteArray index;
    for (int n = 0; n < 12; ++n) {
        const QByteArray first = "/l1/" + QByteArray::number(n) + ".html";
        index += "<a href=\"" + first + "\">x</a>";
        QByteArray body;
        for (int m = 0; m < 3; ++m) {
            const QByteArray second = "/l2/" + QByteArray::number(n) + "-" + QByteArray::number(m) + ".html";
            body += "<a href=\"" + second + "\">x</a>";
            routes.push_back({second, 200, {}, page("p@l2.example.com"), Misbehaviour::None, thinkMs});
        }
        routes.push_back({first, 200, {}, page(body.constData()), Misbehaviour::None, thinkMs});
    }
    routes.push_back({"/index.html", 200, {}, page(index.constData())});
    for (TestRoute &route : routes) {
        if (change)
            change(route);
    }
    return routes;
}

qsizetype countStartingWith(const QByteArrayList &list, QByteArrayView prefix)
{
    return std::count_if(list.begin(), list.end(), [prefix](const QByteArray &item) { return item.startsWith(prefix); });
}

int levelOf(const QByteArray &path)
{
    return path.startsWith("/l1/") ? 1 : path.startsWith("/l2/") ? 2 : 0;
}

} // namespace

TEST(ThoroughCrawl, PagesFetchedAtOnceKeepTheEventsInTurnTheLevelsInOrderAndThePerHostLimit)
{
    struct Case
    {
        int jobs;
        int perHost;
        int mostAtOnce;
    };
    for (const Case c : {Case{8, 3, 3}, Case{2, 4, 2}, Case{1, 4, 1}}) {
        SCOPED_TRACE("jobs " + std::to_string(c.jobs) + ", per host " + std::to_string(c.perHost));
        CrawlRules rules;
        rules.jobs = c.jobs;
        rules.perHost = c.perHost;
        const Crawled crawled = crawl(threeLevels(30), "/index.html", rules);
        EXPECT_EQ(crawled.pages.size(), 49u);
        EXPECT_EQ(crawled.requested.size(), 50) << "each page once, and robots.txt";
        EXPECT_EQ(crawled.mostRequestsAtOnce, c.mostAtOnce) << "counted where the requests arrive";
        EXPECT_EQ(crawled.mostHandlersAtOnce, 1);
        int level = 0;
        for (const QByteArray &path : crawled.requested) {
            EXPECT_GE(levelOf(path), level) << path.toStdString() << " asked for after a page of a deeper level";
            level = std::max(level, levelOf(path));
        }
        for (qsizetype i = 0; i < crawled.events.size(); ++i) {
            const QByteArray &event = crawled.events.at(i);
            if (!event.startsWith("page /l1/"))
                continue;
            const QByteArray n = event.mid(9).chopped(5);
            for (int m = 0; m < 3; ++m) {
                const QByteArray child = "queued /l2/" + n + "-" + QByteArray::number(m) + ".html";
                EXPECT_TRUE(crawled.events.indexOf(child) >= 0 && crawled.events.indexOf(child) < i)
                    << event.toStdString() << " is reported after its links are queued";
            }
        }
    }
}

TEST(ThoroughCrawl, ASlowPageHoldsUpNoOtherAndStopEndsEveryFetchInFlightAtOnce)
{
    CrawlRules rules;
    rules.jobs = 4;
    rules.perHost = 4;
    const Crawled slow = crawl(threeLevels(0, [](TestRoute &route) {
                                   if (route.path == "/l1/0.html")
                                       route.delayMs = 1500;
                               }),
                               "/index.html", rules);
    ASSERT_FALSE(slow.events.isEmpty());
    const qsizetype slowReport = slow.events.indexOf("page /l1/0.html");
    EXPECT_GT(slowReport, slow.events.indexOf("page /l2/11-2.html"))
        << "the other pages, the next level's too, went on while the slow one was thinking";
    EXPECT_LT(slowReport, slow.events.indexOf("page /l2/0-0.html"));

    // Pages that arrive a byte at a time would keep a fetch busy for minutes.
    const Crawled stopped = crawl(threeLevels(0, [](TestRoute &route) {
                                      if (route.path.startsWith("/l1/")) {
                                          route.misbehaviour = Misbehaviour::SlowBody;
                                          route.body = QByteArray(1000, 'x');
                                      }
                                  }),
                                  "/index.html", rules, true, [](TznWebSearch &search, const TestHttpServer &server) {
                                      for (int i = 0; i < 1000 && server.requestedPaths().size() < 6; ++i)
                                          std::this_thread::sleep_for(10ms);
                                      search.StopSearch();
                                  });
    EXPECT_TRUE(stopped.ended) << "Stop does not wait for the pages in flight";
    EXPECT_EQ(countStartingWith(stopped.events, "page /l1/"), 0) << "a page cut short is not reported";
}

TEST(ThoroughCrawl, AHostThatFailsFiveTimesInARowIsLeftAlone)
{
    CrawlRules rules;
    rules.jobs = 1;
    const Crawled crawled = crawl(threeLevels(0, [](TestRoute &route) {
                                      if (route.path.startsWith("/l1/"))
                                          route.status = 503;
                                  }),
                                  "/index.html", rules);
    EXPECT_EQ(countStartingWith(crawled.requested, "/l1/"), 5);
    EXPECT_EQ(crawled.hostsSetAside, QByteArrayList{"127.0.0.1"});
    EXPECT_TRUE(crawled.errorLog.contains("127.0.0.1: 5 failures in a row")) << crawled.errorLog.toStdString();
}

TEST(ThoroughCrawl, ARobotsTxtCrawlDelayKeepsTheRequestsToItsHostApart)
{
    std::vector<TestRoute> routes{{"/robots.txt", 200, {}, "User-agent: *\nCrawl-delay: 0.2\n"},
                                  {"/index.html", 200, {}, page("<a href=/a>a</a><a href=/b>b</a><a href=/c>c</a>")}};
    for (const char *path : {"/a", "/b", "/c"})
        routes.push_back({path, 200, {}, page("x@shop.example.com"), Misbehaviour::None, 50});
    CrawlRules rules;
    rules.perHost = 4;
    const Crawled crawled = crawl(routes, "/index.html", rules);
    EXPECT_EQ(crawled.requested.size(), 5);
    EXPECT_EQ(crawled.mostRequestsAtOnce, 1) << "each request waits for the delay after the one before";
}
