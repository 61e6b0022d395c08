#include "crawl/ParallelCrawl.h"

#include "crawl/CrawlStateStore.h"
#include "crawl/EventHandOver.h"
#include "crawl/HostSchedule.h"
#include "crawl/HttpClient.h"
#include "crawl/MultiFetch.h"
#include "crawl/RobotsTxt.h"
#include "crawl/ThrWebSearch.h"
#include "platform/AppendLine.h"

#include <QFile>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <deque>
#include <thread>
#include <unordered_map>

namespace ParallelCrawl {
namespace {

using namespace std::chrono_literals;
using CrawlChain::Next;
using Clock = HostSchedule::Clock;
using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

// The longest the loop waits without looking at the stop flag.
constexpr std::chrono::milliseconds kSlice = 50ms;
// Links taken from the queue ahead of the transfers, per transfer: enough that one busy host
// does not keep the others' pages waiting in the queue.
constexpr int kAheadPerJob = 4;
// No robots.txt makes one host's requests wait longer than this between two.
constexpr std::chrono::milliseconds kLongestCrawlDelay = 60s;

struct Link
{
    QByteArray url;
    int level = 0;
    int hop = 0;       // redirects followed to get here
    QByteArray metAs;  // the key of the link the crawl met, before any redirect
    // Learnt once, the first time the link is looked at for a start.
    QByteArray host;
    QByteArray origin;
    QByteArray path;
    bool robotsAllowed = false;
};

struct Running
{
    bool robots = false; // a robots.txt, of link.origin
    Link link;
};

QByteArray hostOf(const QUrl &url)
{
    return url.host(QUrl::FullyEncoded).toLatin1();
}

QByteArray pathOf(const QUrl &url)
{
    const QByteArray path = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    return path.isEmpty() ? QByteArray("/") : path;
}

void logLine(const QByteArray &line)
{
    QString unused;
    AppendLine(QString::fromLatin1(TThrWebSearch::kErrorLog), line, &unused);
}

class Crawl
{
public:
    explicit Crawl(const SharedPtr &s)
        : s_(s), hosts_(s->rules.perHost, std::chrono::milliseconds(s->rules.waitMs)), jobs_(std::max(1, s->rules.jobs)),
          pages_(s->readTimeoutMs), robotsFiles_(s->readTimeoutMs)
    {
        ThoroughFetch fetch;
        fetch.caFile = s->rules.caFile;
        for (HttpClient *client : {&pages_, &robotsFiles_}) {
            client->setAbortFlag(&s->abortFetch);
            client->setUserAgent(s->rules.agent());
            fetch.pagesOnly = client == &pages_; // a robots.txt is plain text
            client->setThorough(fetch);
        }
        const QByteArray agent = s->rules.agent();
        robotsToken_ = agent.left(agent.indexOf('/') < 0 ? agent.size() : agent.indexOf('/'));
        if (!s->rules.stateFile.isEmpty()) {
            QString error;
            store_ = CrawlStateStore::open(QFile::decodeName(s->rules.stateFile), &error);
            if (!store_)
                logLine(s->rules.stateFile + ": " + error.toUtf8() + " (the crawl goes on without keeping its state)");
        }
    }

    Next run(const Next &first)
    {
        const QByteArray startKey = ThoroughState::pageKey(QUrl(QString::fromLatin1(first.url)));
        if (store_ && !store_->start().isEmpty()) {
            if (!resume())
                return Next::ownerGone();
        } else {
            if (store_)
                store_->begin(first.url, startKey);
            {
                const std::lock_guard guard(s_->lock);
                s_->thorough.markVisited(startKey);
            }
            waiting_.push_back(Link{first.url, first.level, 0, startKey, {}, {}, {}, false});
        }
        while (!s_->stop && !s_->abortFetch) {
            Clock::time_point wake = Clock::now() + kSlice;
            startWhatMay(&wake);
            if (fetch_.running() == 0 && waiting_.empty()) {
                // Nothing in flight can add links any more: what waits in the queue is all.
                if (!takeAndRaise({}))
                    return Next::ownerGone();
                if (waiting_.empty())
                    break;
                continue;
            }
            const auto most = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()),
                                         0ms, kSlice);
            if (fetch_.running() == 0) {
                // Every waiting link waits for its host's turn.
                std::this_thread::sleep_for(most);
                continue;
            }
            std::vector<EventCall> events;
            for (MultiFetch::Finished &finished : fetch_.wait(most))
                handle(finished, &events);
            if (!takeAndRaise(events))
                return Next::ownerGone();
        }
        fetch_.abortAll();
        keepState();
        return Next::end();
    }

private:
    // A crawl the state file holds goes on: its pages done count as fetched, and the pages it
    // had met and not done wait in the queue again, the lowest level first.
    bool resume()
    {
        {
            const std::lock_guard guard(s_->lock);
            for (const QByteArray &done : store_->donePages())
                s_->thorough.markVisited(done);
        }
        std::vector<TWebLink> links;
        for (const CrawlStateStore::Page &page : store_->waitingPages())
            links.push_back(TWebLink{page.url, page.level});
        return takeAndRaise(CrawlChain::offerResumed(s_, links));
    }

    // Starts what the hosts' turns let start, in the order taken; robots.txt first where the
    // origin's is not known yet. `wake` learns when a held-back request may start.
    void startWhatMay(Clock::time_point *wake)
    {
        const Clock::time_point now = Clock::now();
        for (auto it = waiting_.begin(); it != waiting_.end() && fetch_.running() < jobs_;) {
            Link &link = *it;
            if (link.host.isEmpty()) {
                const QUrl url(QString::fromLatin1(link.url));
                link.host = hostOf(url);
                link.origin = ThoroughState::originOf(url);
                link.path = pathOf(url);
            }
            if (hosts_.isSetAside(link.host)) {
                done_.push_back(link.metAs);
                it = waiting_.erase(it);
                continue;
            }
            Clock::time_point ready = Clock::time_point::max();
            if (s_->rules.obeyRobots && !link.robotsAllowed) {
                std::optional<bool> allowed;
                {
                    const std::lock_guard guard(s_->lock);
                    allowed = s_->thorough.robotsAllow(link.origin, link.path);
                }
                if (!allowed) {
                    if (!robotsAsked_.contains(link.origin) && hosts_.mayStart(link.host, now, &ready)) {
                        robotsAsked_.insert(link.origin);
                        start(true, Link{link.origin + "/robots.txt", 0, 0, {}, link.host, link.origin, {}, true}, now);
                    }
                    *wake = std::min(*wake, ready);
                    ++it;
                    continue;
                }
                if (!*allowed) {
                    done_.push_back(link.metAs);
                    it = waiting_.erase(it);
                    continue;
                }
                link.robotsAllowed = true;
            }
            if (!hosts_.mayStart(link.host, now, &ready)) {
                *wake = std::min(*wake, ready);
                ++it;
                continue;
            }
            start(false, link, now);
            it = waiting_.erase(it);
        }
    }

    void start(bool robots, const Link &link, Clock::time_point now)
    {
        hosts_.started(link.host, now);
        const quint64 id = fetch_.start(robots ? robotsFiles_ : pages_, link.url);
        running_[id] = Running{robots, link};
    }

    void handle(MultiFetch::Finished &finished, std::vector<EventCall> *events)
    {
        const auto found = running_.find(finished.id);
        if (found == running_.end())
            return;
        const Running r = found->second;
        running_.erase(found);
        HttpResult &result = finished.result;
        const bool failed = !result.ok && (result.status == 0 || result.status >= 500);
        if (hosts_.finished(r.link.host, failed))
            setAside(r.link.host);
        HttpClient &client = r.robots ? robotsFiles_ : pages_;
        if (const std::optional<QByteArray> next = client.nextHop(result, r.link.hop)) {
            follow(r, *next);
            return;
        }
        if (r.robots) {
            if (!learnRobots(r.link.origin, r.link.host, result)) {
                const QByteArray reason = result.error.isEmpty() ? QByteArray("no answer") : result.error;
                const FetchedPage failure{r.link.url, {}, 1, {}, {}, result.status, reason};
                events->push_back(CrawlChain::fetchReport(failure, r.link.level));
            }
            return;
        }
        FetchedPage page = TThrWebSearch::pageFrom(r.link.url, r.link.level, std::move(result));
        if (!page.logFailure.isEmpty())
            tellErrorLogUnwritable(*s_, page.logFailure);
        done_.push_back(r.link.metAs);
        if (r.link.hop > 0)
            done_.push_back(ThoroughState::pageKey(QUrl(QString::fromLatin1(r.link.url))));
        std::vector<TWebLink> queued;
        std::vector<EventCall> pageEvents = CrawlChain::thoroughPageEvents(s_, page, &queued);
        for (const TWebLink &link : queued)
            queued_.push_back(CrawlStateStore::Page{link.Link, link.Level});
        events->insert(events->end(), std::make_move_iterator(pageEvents.begin()),
                       std::make_move_iterator(pageEvents.end()));
    }

    // A redirect's target is judged as a link of the page's level: in scope, not fetched yet,
    // allowed by its own origin's robots.txt, in its host's turn.
    void follow(const Running &r, const QByteArray &target)
    {
        const QUrl to(QString::fromLatin1(target));
        if (r.robots) {
            Link next = r.link;
            next.url = target;
            ++next.hop;
            running_[fetch_.start(robotsFiles_, target)] = Running{true, next};
            return;
        }
        bool goesOn = s_->allLink || ThoroughState::siteOf(to) == ThoroughState::siteOf(QUrl(QString::fromLatin1(r.link.url)));
        if (goesOn) {
            const std::lock_guard guard(s_->lock);
            goesOn = s_->thorough.markVisited(ThoroughState::pageKey(to));
        }
        if (goesOn)
            waiting_.push_front(Link{target, r.link.level, r.link.hop + 1, r.link.metAs, {}, {}, {}, false});
        else
            done_.push_back(r.link.metAs);
    }

    // Not found (4xx): everything allowed. A server error or no answer: nothing allowed, and
    // said in the error log, as a crawler must not guess what the site wants; false then.
    bool learnRobots(const QByteArray &origin, const QByteArray &host, const HttpResult &answer)
    {
        RobotsTxt robots = RobotsTxt::allowAll();
        bool answered = true;
        if (answer.ok && answer.status >= 200 && answer.status <= 299) {
            robots = RobotsTxt::parse(answer.body, robotsToken_);
            // A delay that is no positive number (a "nan" too) asks for nothing.
            if (const double ms = robots.crawlDelay().value_or(0.0) * 1000.0; ms > 0.0)
                hosts_.setHostWait(host, std::chrono::milliseconds(qint64(std::min(ms, double(kLongestCrawlDelay.count())))));
        } else if (answer.status < 400 || answer.status > 499) {
            robots = RobotsTxt::disallowAll();
            answered = false;
            logLine(origin + "/robots.txt: " + (answer.error.isEmpty() ? QByteArray("no answer") : answer.error)
                    + " (the site is left alone)");
        }
        const std::lock_guard guard(s_->lock);
        s_->thorough.setRobots(origin, robots);
        return answered;
    }

    void setAside(const QByteArray &host)
    {
        logLine(host + ": " + QByteArray::number(HostSchedule::kFailuresInARow)
                + " failures in a row, the host is set aside for the rest of the crawl");
        const std::lock_guard guard(s_->lock);
        s_->hostsSetAside.append(host);
    }

    // Raises `events` and, in the same hand-over, takes the links that the transfers will want
    // next. False when the owner is gone.
    bool takeAndRaise(const std::vector<EventCall> &events)
    {
        const int want = jobs_ * kAheadPerJob - int(waiting_.size()) - fetch_.running();
        if (events.empty()) {
            // Nothing to tell and nothing to take is no reason to trouble the owner's thread.
            const std::lock_guard guard(s_->lock);
            if (want <= 0 || !s_->ring.hasWaiting())
                return true;
        }
        std::vector<TWebLink> taken;
        const auto take = [this, want, &taken]() -> std::vector<EventCall> {
            if (s_->stop || want <= 0)
                return {};
            return CrawlChain::takeLowestLinks(s_, want, &taken);
        };
        if (raiseEvents(s_, events, take) == Raised::OwnerGone)
            return false;
        for (const TWebLink &link : taken)
            waiting_.push_back(Link{link.Link, link.Level, 0, link.Link, {}, {}, {}, false});
        keepState();
        return true;
    }

    // Once the owner has had the pages' events (and written their addresses), the pages count
    // as done in the state file: a crash before this fetches them again, never loses them.
    void keepState()
    {
        if (store_ && (!done_.empty() || !queued_.empty()) && !store_->record(done_, queued_) && !stateFailureTold_) {
            stateFailureTold_ = true;
            logLine(s_->rules.stateFile + ": " + store_->lastError().toUtf8() + " (the crawl's state is no longer kept)");
        }
        done_.clear();
        queued_.clear();
    }

    SharedPtr s_;
    HostSchedule hosts_;
    int jobs_;
    HttpClient pages_;
    HttpClient robotsFiles_;
    QByteArray robotsToken_;
    MultiFetch fetch_;
    std::deque<Link> waiting_; // taken from the queue, waiting for their host's turn
    std::unordered_map<quint64, Running> running_;
    QSet<QByteArray> robotsAsked_;
    std::unique_ptr<CrawlStateStore> store_;
    std::vector<QByteArray> done_;                // pages done since the state was last kept
    std::vector<CrawlStateStore::Page> queued_;   // links queued since then
    bool stateFailureTold_ = false;
};

} // namespace

Next run(const SharedPtr &shared, const Next &first)
{
    Crawl crawl(shared);
    return crawl.run(first);
}

} // namespace ParallelCrawl
