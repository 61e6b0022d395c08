#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "tests/support/TempProgramFolder.h"
#include "tests/support/TestHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Polls until the condition holds or the limit passes; `idle` runs between polls: a short sleep,
// or a turn of the event loop where the test's thread must answer the crawl. True if it held.
bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds limit = 10s,
               const std::function<void()> &idle = [] { QThread::msleep(10); })
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() >= limit.count())
            return false;
        idle();
    }
    return true;
}

QByteArray anchors(std::initializer_list<const char *> targets)
{
    QByteArray html("<html><body>");
    for (const char *target : targets)
        html += QByteArray("<a href=\"") + target + "\">x</a>\n";
    return html + "</body></html>";
}

// Records every event of a component as one line, in the order raised, and lets the test
// wait for the end of the chain.
class EventLog
{
public:
    void attach(TznWebSearch &search, const QByteArray &host)
    {
        host_ = host;
        search.OnWebLinkChange = [this](const QByteArray &link, const QByteArray &level, int index) {
            add("L " + strip(link) + " " + level.toStdString() + " " + std::to_string(index));
        };
        search.OnPageReceived = [this](const QByteArray &url, const QByteArray &html, const QByteArrayList &emails) {
            add("P " + strip(url) + " " + std::to_string(html.size() > 0) + " " + emails.join(',').toStdString());
        };
        search.OnEnd = [this, &search] {
            add(std::string("E searching=") + (search.Searching() ? "1" : "0"));
            const std::lock_guard guard(lock_);
            ended_ = true;
            changed_.notify_all();
        };
    }

    void add(const std::string &line)
    {
        const std::lock_guard guard(lock_);
        lines_.push_back(line);
    }

    bool waitForEnd(std::chrono::milliseconds limit = 20s)
    {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, limit, [this] { return ended_; });
    }

    std::vector<std::string> lines() const
    {
        const std::lock_guard guard(lock_);
        return lines_;
    }

    // Drops the server's address from a link so that expectations read like paths.
    std::string strip(const QByteArray &link) const
    {
        QByteArray copy = link;
        if (!host_.isEmpty())
            copy.replace(host_, "~");
        return copy.toStdString();
    }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    QByteArray host_;
    bool ended_ = false;
};

class CrawlTest : public ::testing::Test
{
protected:
    void TearDown() override { EXPECT_TRUE(WorkerReaper::waitForAll(5000)); }

    void crawl(TznWebSearch &search, const QByteArray &path, int maxLevel, int maxQueues)
    {
        log.attach(search, server.url(""));
        search.setSearchEngine(server.url(path));
        search.setMaxLevel(maxLevel);
        search.setMaxQueues(maxQueues);
        ASSERT_TRUE(search.StartSearch());
        ASSERT_TRUE(log.waitForEnd());
        ASSERT_TRUE(WorkerReaper::waitForAll(5000));
        EXPECT_FALSE(search.Searching());
    }

    // A whole crawl with a fresh component and log; returns the events in order.
    std::vector<std::string> crawlOnce(const QByteArray &start, int maxLevel, int maxQueues,
                                       const std::function<void(TznWebSearch &)> &configure = {})
    {
        EventLog events;
        TznWebSearch search;
        events.attach(search, server.url(""));
        search.setSearchEngine(start);
        search.setMaxLevel(maxLevel);
        search.setMaxQueues(maxQueues);
        if (configure)
            configure(search);
        EXPECT_TRUE(search.StartSearch());
        EXPECT_TRUE(events.waitForEnd());
        return events.lines();
    }

    TempProgramFolder folder;
    TestHttpServer server;
    EventLog log;
};

TEST_F(CrawlTest, WalksTheSiteBreadthFirstReportingEverySlotAndPage)
{
    server.setRoute({"/index.html", 200, {}, anchors({"a.html", "b.html"}) + "boss@corp.example.com"});
    server.setRoute({"/a.html", 200, {}, anchors({"c.html", "/b.html"}) + "A@Corp.Example.com"});
    server.setRoute({"/b.html", 200, {}, anchors({"a.html"})});
    server.setRoute({"/c.html", 200, {}, "no links here"});
    TznWebSearch search;
    crawl(search, "/index.html", 2, 10);

    // b.html is not queued twice while it waits; a.html is queued again once it has been taken.
    const std::vector<std::string> expected = {
        "L ~/a.html 1 0", "L ~/b.html 1 1", "P ~/ 1 boss@corp.example.com",
        "L  1 0",
        "L ~/c.html 2 2", "P ~/ 1 a@corp.example.com",
        "L  1 1",
        "L ~/a.html 2 3", "P ~/ 1 ",
        "L  2 2", "P ~/ 1 ",
        "L  2 3", "P ~/ 1 a@corp.example.com",
        "L  0 4",
        "E searching=1",
    };
    EXPECT_EQ(log.lines(), expected);
    EXPECT_EQ(server.requestedPaths(),
              (QByteArrayList{"/index.html", "/a.html", "/b.html", "/c.html", "/a.html"}));
    for (const TestRequest &request : server.requests())
        EXPECT_EQ(request.header("User-Agent"), "IE50");
}

TEST_F(CrawlTest, DepthLimits)
{
    server.setRoute({"/", 200, {}, anchors({"a.html"}) + "x@y.example"});
    server.setRoute({"/a.html", 200, {}, anchors({"b.html"})});
    {
        SCOPED_TRACE("MaxLevel 0 fetches the start page only");
        TznWebSearch search;
        crawl(search, "/", 0, 10);
        EXPECT_EQ(log.lines(), (std::vector<std::string>{"P ~/ 1 x@y.example", "L  0 0", "E searching=1"}));
    }
    {
        SCOPED_TRACE("a page of the deepest level is fetched but yields no links");
        EXPECT_EQ(crawlOnce(server.url("/"), 1, 10), (std::vector<std::string>{"L ~/a.html 1 0", "P ~/ 1 x@y.example",
                                                                              "L  1 0", "P ~/ 1 ", "L  0 1",
                                                                              "E searching=1"}));
    }
}

TEST_F(CrawlTest, FullRingDropsTheRestOfThePage)
{
    // With two slots, c.html finds slot 0 still waiting and ends the offer, though the a.html
    // after it would only have been a duplicate.
    server.setRoute({"/", 200, {}, anchors({"a.html", "b.html", "c.html", "a.html"})});
    TznWebSearch search;
    crawl(search, "/", 1, 2);
    const std::vector<std::string> expected = {
        "L ~/a.html 1 0", "L ~/b.html 1 1", "P ~/ 1 ", "L  1 0", "P ~/ 0 ", "L  1 1", "P ~/ 0 ", "L  1 0",
        "E searching=1",
    };
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(CrawlTest, RingWithoutSlotsCrawlsTheStartPageOnly)
{
    server.setRoute({"/", 200, {}, anchors({"a.html", "b.html"})});
    for (int slots : {0, -5}) {
        SCOPED_TRACE(slots);
        const auto noSlots = [](TznWebSearch &search) { EXPECT_EQ(search.WebLinkCount(), 0); };
        EXPECT_EQ(crawlOnce(server.url("/"), 3, slots, noSlots), (std::vector<std::string>{"P ~/ 1 ", "E searching=1"}));
    }
}

TEST_F(CrawlTest, BaseAddressIsTheFolderOfTheFetchedPage)
{
    server.setRoute({"/", 200, {}, "root"});
    server.setRoute({"/docs/page.html", 200, {}, "docs"});
    struct Row { QByteArray start; std::string expected; };
    const Row rows[] = {
        {server.url(""), "P ~/ 1 "},                    // bare host: "/" appended
        {server.url("/docs/page.html"), "P ~/docs/ 1 "}, // cut after the folder's "/"
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.start.toStdString());
        EXPECT_EQ(crawlOnce(row.start, 0, 1).front(), row.expected);
    }
}

TEST_F(CrawlTest, FailedFetchesAreReportedEmptyAndLoggedInOrder)
{
    server.setRoute({"/", 200, {}, anchors({"gone.html", "moved.html"}) + "a@b.example"});
    server.setRoute({"/moved.html", 301, {"Location: /elsewhere.html"}, "moved"});
    TznWebSearch search;
    crawl(search, "/", 1, 10);
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4], "P ~/ 0 ");
    EXPECT_EQ(lines[6], "P ~/ 0 ");
    const QByteArray err = folder.read(QStringLiteral("Err.ini"));
    EXPECT_EQ(err, QByteArray("HTTP/1.1 404 Not Found\r\nHTTP/1.1 301 Moved Permanently\r\n"));
}

TEST_F(CrawlTest, StopDuringAFetchStillReportsThatPageThenEnds)
{
    server.setRoute({"/", 200, {}, anchors({"silent.html", "never.html"})});
    server.setRoute({"/silent.html", 200, {}, {}, Misbehaviour::SilentAfterAccept});
    TznWebSearch search;
    search.setReadTimeout(1500);
    log.attach(search, server.url(""));
    search.setSearchEngine(server.url("/"));
    search.setMaxQueues(10);
    ASSERT_TRUE(search.StartSearch());
    ASSERT_TRUE(waitUntil([&] { return server.requestedPaths().size() >= 2; }));
    search.StopSearch();
    ASSERT_TRUE(log.waitForEnd());
    const std::vector<std::string> lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "P ~/ 0 ");
    EXPECT_EQ(lines.back(), "E searching=1");
    EXPECT_EQ(server.requestedPaths(), (QByteArrayList{"/", "/silent.html"}));
    // The queue keeps what was waiting until the next start.
    EXPECT_EQ(search.WebLink().at(1).Link, server.url("/never.html"));
}

TEST_F(CrawlTest, StartIsRefusedWhileACrawlRuns)
{
    server.setRoute({"/", 200, {}, "slow"});
    server.setRoute({"/silent.html", 200, {}, {}, Misbehaviour::SilentAfterAccept});
    TznWebSearch search;
    search.setReadTimeout(1000);
    log.attach(search, server.url(""));
    search.setSearchEngine(server.url("/silent.html"));
    search.setMaxQueues(4);
    ASSERT_TRUE(search.StartSearch());
    EXPECT_TRUE(search.Searching());
    EXPECT_FALSE(search.StartSearch());
    EXPECT_FALSE(search.StartPhraseSearch());
    ASSERT_TRUE(log.waitForEnd());
    ASSERT_TRUE(WorkerReaper::waitForAll(5000));
    EXPECT_EQ(server.requestedPaths().size(), 1);
    EXPECT_TRUE(search.StartSearch()); // and accepted again once it has ended
    waitUntil([&] { return !search.Searching(); });
    EXPECT_FALSE(search.Searching());
}

TEST_F(CrawlTest, JapanOnlyTakesLinksFromJapanesePagesOnly)
{
    struct Row { QByteArray head; int pages; };
    const Row rows[] = {
        {"<meta charset=\"shift_jis\">", 2},
        {"<meta charset=\"Shift_JIS\">", 1}, // the test is case-sensitive
        {"", 1},
    };
    server.setRoute({"/a.html", 200, {}, "a"});
    for (const Row &row : rows) {
        SCOPED_TRACE(row.head.toStdString());
        server.setRoute({"/", 200, {}, row.head + anchors({"a.html"}) + "jp@site.example"});
        const std::vector<std::string> lines =
            crawlOnce(server.url("/"), 3, 4, [](TznWebSearch &search) { search.setJapanOnly(true); });
        int pages = 0;
        bool reported = false;
        for (const std::string &line : lines) {
            pages += line.rfind("P ", 0) == 0;
            reported = reported || line.find("jp@site.example") != std::string::npos;
        }
        EXPECT_EQ(pages, row.pages);
        EXPECT_TRUE(reported); // the start page's addresses count either way
    }
}

TEST_F(CrawlTest, FailingHandlersNeverStallTheChain)
{
    server.setRoute({"/", 200, {}, anchors({"a.html", "b.html"})});
    TznWebSearch search;
    search.setSearchEngine(server.url("/"));
    search.setMaxQueues(4);
    int pages = 0;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    search.OnWebLinkChange = [](const QByteArray &, const QByteArray &, int) { throw std::runtime_error("slot"); };
    search.OnPageReceived = [&pages](const QByteArray &, const QByteArray &, const QByteArrayList &) {
        ++pages;
        throw std::runtime_error("page");
    };
    search.OnEnd = [&] {
        const std::lock_guard guard(lock);
        done = true;
        ended.notify_all();
    };
    ASSERT_TRUE(search.StartSearch());
    std::unique_lock guard(lock);
    ASSERT_TRUE(ended.wait_for(guard, 20s, [&] { return done; }));
    EXPECT_EQ(pages, 3);
}

TEST_F(CrawlTest, EngineModeWalksResultPagesThenTheQueue)
{
    // Result pages link to the found sites; their own host folder (/search/) is left out.
    server.setRoute({"/search/r0", 200, {}, anchors({"/search/r9", "http://127.0.0.1:1/x"}) + "r@zero.example"});
    server.setRoute({"/search/r1", 200, {}, anchors({"../site/p.html"})});
    server.setRoute({"/site/p.html", 200, {}, "p"});
    TznWebSearch search;
    log.attach(search, server.url(""));
    search.setMaxLevel(1);
    search.setMaxQueues(10);
    std::vector<int> positions;
    search.OnPhraseSearchStart = [&](int &aPosition, QByteArray &aSearchURL) {
        positions.push_back(aPosition);
        log.add("S " + std::to_string(aPosition));
        if (positions.size() == 1) {
            aPosition = 99; // ignored: the first result page has position 0
            aSearchURL = server.url("/search/r0");
        } else if (positions.size() == 2) {
            aSearchURL = server.url("/search/r1");
        }
    };
    ASSERT_TRUE(search.StartPhraseSearch());
    ASSERT_TRUE(log.waitForEnd());
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2}));
    // r0 (position 0, 0 + 1 <= MaxLevel) queues its foreign link at level 1; r1 (1 + 1 > 1) queues nothing.
    const std::vector<std::string> expected = {
        "S 0",
        "L http://127.0.0.1:1/x 1 0", "P ~/search/ 1 r@zero.example", "S 1",
        "P ~/search/ 1 ", "S 2",
        "L  1 0", "P http://127.0.0.1:1/ 0 ", "L  0 1",
        "E searching=1",
    };
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(CrawlTest, EngineModeFailuresKeepTheWalkGoing)
{
    TznWebSearch search;
    log.attach(search, server.url(""));
    search.setMaxQueues(2);
    int calls = 0;
    search.OnPhraseSearchStart = [&](int &, QByteArray &) {
        if (++calls == 2)
            throw std::runtime_error("engine table broken");
        // first call: no address at all
    };
    ASSERT_TRUE(search.StartPhraseSearch());
    ASSERT_TRUE(log.waitForEnd());
    EXPECT_EQ(calls, 3);
    // The empty first address and the "about:blank" that replaced the failed handler's answer.
    const QByteArrayList err = folder.read(QStringLiteral("Err.ini")).split('\n');
    EXPECT_EQ(err.size(), 3);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"P / 0 ", "P about:blank/ 0 ", "L  0 0", "E searching=1"}));
}

TEST_F(CrawlTest, DestroyedMidFetchAbortsQuicklyAndRaisesNothing)
{
    server.setRoute({"/silent.html", 200, {}, {}, Misbehaviour::SilentAfterAccept});
    auto search = std::make_unique<TznWebSearch>();
    log.attach(*search, server.url(""));
    search->setSearchEngine(server.url("/silent.html"));
    search->setMaxQueues(4);
    ASSERT_TRUE(search->StartSearch());
    ASSERT_TRUE(waitUntil([&] { return !server.requestedPaths().isEmpty(); }, 10s, [] { QThread::msleep(5); }));
    QElapsedTimer destroying;
    destroying.start();
    search.reset();
    EXPECT_LT(destroying.elapsed(), 500);
    EXPECT_TRUE(WorkerReaper::waitForAll(3000)); // the 30 s read time-out is not waited out
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(CrawlTest, QueueSizeSetDuringACrawlTakesEffectWhenItEnds)
{
    QByteArray hub = anchors({});
    for (int i = 0; i < 40; ++i) {
        const QByteArray path = "/p" + QByteArray::number(i) + ".html";
        server.setRoute({path, 200, {}, anchors({"p0.html", "p7.html", "p13.html", "p21.html", "p39.html"})});
        hub += "<a href=\"" + path.mid(1) + "\">x</a>";
    }
    server.setRoute({"/", 200, {}, hub});
    TznWebSearch search;
    log.attach(search, server.url(""));
    search.setSearchEngine(server.url("/"));
    search.setMaxLevel(1000000); // the pages link in circles: only the stop below ends this crawl
    search.setMaxQueues(8);
    ASSERT_TRUE(search.StartSearch());
    int resizedWhileSearching = 0;
    for (int round = 0; round < 400 && search.Searching(); ++round) {
        search.setMaxQueues(1 + round % 16);
        ++resizedWhileSearching;
        EXPECT_EQ(search.WebLinkCount(), 8); // the ring in use keeps its size
        QThread::usleep(200);
    }
    search.StopSearch();
    ASSERT_TRUE(log.waitForEnd());
    ASSERT_TRUE(WorkerReaper::waitForAll(5000));
    EXPECT_EQ(resizedWhileSearching, 400);
    EXPECT_EQ(search.MaxQueues(), 16);
    EXPECT_EQ(search.WebLinkCount(), 16);
}

TEST(CrawlOwnerThread, EventsRunOnTheOwnerThreadAndStopWhenTheOwnerGoes)
{
    TempProgramFolder folder;
    TestHttpServer server({{"/", 200, {}, anchors({"a.html", "silent.html"})},
                           {"/a.html", 200, {}, "a@owner.example"},
                           {"/silent.html", 200, {}, {}, Misbehaviour::SilentAfterAccept}});
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    auto search = std::make_unique<TznWebSearch>();
    search->setEventDelivery(TznWebSearch::EventDelivery::OwnerThread);
    search->setSearchEngine(server.url("/"));
    search->setMaxQueues(4);
    std::vector<std::string> events;
    bool offThread = false;
    const auto onOwner = [&] { offThread = offThread || QThread::currentThread() != app.thread(); };
    search->OnWebLinkChange = [&](const QByteArray &, const QByteArray &, int) { onOwner(); events.push_back("L"); };
    search->OnPageReceived = [&](const QByteArray &, const QByteArray &, const QByteArrayList &emails) {
        onOwner();
        events.push_back("P" + emails.join().toStdString());
    };
    search->OnEnd = [&] { events.push_back("E"); };
    ASSERT_TRUE(search->StartSearch());
    ASSERT_TRUE(waitUntil([&] { return server.requestedPaths().size() >= 3; }, 10s,
                          [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }));
    const std::vector<std::string> before = events;
    search.reset(); // mid-fetch of silent.html, with no worker able to reach the owner any more
    EXPECT_TRUE(WorkerReaper::waitForAll(3000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(offThread);
    EXPECT_EQ(before, (std::vector<std::string>{"L", "L", "P", "L", "Pa@owner.example", "L"}));
    EXPECT_EQ(events, before);
}

// A page's queue changes, the page and the link taken next reach the owner's thread in one
// hand-over; what its handlers do in between still counts at once, as when each event was
// handed over alone.
TEST(CrawlOwnerThread, APageAndItsQueueChangesKeepTheirOrderAndAHandlerCanStopOrDestroyMidWay)
{
    TempProgramFolder folder;
    const std::vector<TestRoute> site{{"/index.html", 200, {}, anchors({"a.html", "b.html"}) + "boss@corp.example.com"},
                                      {"/a.html", 200, {}, anchors({"c.html", "/b.html"}) + "A@Corp.Example.com"},
                                      {"/b.html", 200, {}, anchors({"a.html"})},
                                      {"/c.html", 200, {}, "no links here"}};
    int argc = 1;
    char name[] = "test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto turn = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };

    struct Case
    {
        const char *name;
        TznWebSearch::EventDelivery delivery;
        const char *stopOn;    // the event line whose handler stops the crawl
        const char *destroyOn; // the event line whose handler destroys the component
    };
    const Case cases[] = {
        {"worker thread", TznWebSearch::EventDelivery::WorkerThread, nullptr, nullptr},
        {"owner thread", TznWebSearch::EventDelivery::OwnerThread, nullptr, nullptr},
        {"stopped by the first page", TznWebSearch::EventDelivery::OwnerThread, "P ~/ 1 boss@corp.example.com", nullptr},
        {"destroyed by its first event", TznWebSearch::EventDelivery::OwnerThread, nullptr, "L ~/a.html 1 0"},
    };
    std::vector<std::string> whole;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server(site);
        auto search = std::make_unique<TznWebSearch>();
        search->setEventDelivery(c.delivery);
        EventLog log;
        log.attach(*search, server.url(""));
        const auto logged = search->OnPageReceived;
        const auto linked = search->OnWebLinkChange;
        const auto acted = [&] {
            const std::vector<std::string> lines = log.lines();
            if (c.stopOn != nullptr && lines.back() == c.stopOn)
                search->StopSearch();
            if (c.destroyOn != nullptr && lines.back() == c.destroyOn)
                search.reset();
        };
        search->OnPageReceived = [&, logged](const QByteArray &url, const QByteArray &html, const QByteArrayList &emails) {
            logged(url, html, emails);
            acted();
        };
        search->OnWebLinkChange = [&, linked](const QByteArray &link, const QByteArray &level, int index) {
            linked(link, level, index);
            acted();
        };
        search->setSearchEngine(server.url("/index.html"));
        search->setMaxLevel(2);
        search->setMaxQueues(10);
        ASSERT_TRUE(search->StartSearch());
        if (c.destroyOn == nullptr) {
            ASSERT_TRUE(waitUntil([&] { return log.waitForEnd(0ms); }, 10s, turn));
        }
        ASSERT_TRUE(waitUntil([] { return WorkerReaper::waitForAll(0); }, 5s, turn));
        const std::vector<std::string> lines = log.lines();
        if (whole.empty()) {
            whole = lines;
            continue;
        }
        if (c.stopOn == nullptr && c.destroyOn == nullptr) {
            EXPECT_EQ(lines, whole) << "the same events in the same order";
        } else if (c.stopOn != nullptr) {
            EXPECT_EQ(lines, (std::vector<std::string>{whole[0], whole[1], whole[2], "E searching=1"}))
                << "no link is taken after the handler stopped the crawl";
            EXPECT_EQ(server.requestedPaths(), QByteArrayList{"/index.html"});
        } else {
            EXPECT_EQ(lines, (std::vector<std::string>{whole[0]})) << "nothing runs after the owner has gone";
            EXPECT_EQ(server.requestedPaths(), QByteArrayList{"/index.html"});
        }
    }
}

} // namespace
