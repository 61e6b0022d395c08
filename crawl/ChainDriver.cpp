#include "crawl/ChainDriver.h"

#include "crawl/EventHandOver.h"
#include "crawl/HttpClient.h"
#include "crawl/RobotsTxt.h"
#include "crawl/ThrWebSearch.h"
#include "crawl/WorkerReaper.h"
#include "platform/AppendLine.h"

#include <QRunnable>
#include <QThreadPool>
#include <QUrl>

#include <utility>

namespace ChainDriver {
namespace {

using CrawlChain::Next;
using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

// How a thorough crawl fetches `url`: a redirect is followed only to a page of the same site
// (unless every link is followed) that the crawl has not fetched yet, which then counts as
// fetched.
ThoroughFetch thoroughFetch(const SharedPtr &s, const QByteArray &url)
{
    ThoroughFetch rules;
    rules.caFile = s->rules.caFile;
    const QByteArray site = ThoroughState::siteOf(QUrl(QString::fromLatin1(url)));
    rules.redirectAllowed = [s, site](const QByteArray &target) {
        const QUrl next(QString::fromLatin1(target));
        if (!s->allLink && ThoroughState::siteOf(next) != site)
            return false;
        const std::lock_guard guard(s->lock);
        return s->thorough.markVisited(ThoroughState::pageKey(next));
    };
    return rules;
}

// The robots.txt of the page's host, fetched the first time the crawl meets the host. Not found
// (4xx): everything allowed. A server error or no answer: nothing allowed, and said once in the
// error log, as a crawler must not guess what the site wants.
RobotsTxt robotsFor(const SharedPtr &s, const QUrl &page)
{
    const QByteArray origin = ThoroughState::originOf(page);
    {
        const std::lock_guard guard(s->lock);
        if (const std::optional<RobotsTxt> known = s->thorough.robotsOf(origin))
            return *known;
    }
    HttpClient client(s->readTimeoutMs);
    client.setAbortFlag(&s->abortFetch);
    client.setStopFlag(&s->stop);
    client.setUserAgent(s->rules.agent());
    ThoroughFetch rules;
    rules.caFile = s->rules.caFile;
    rules.pagesOnly = false;
    client.setThorough(rules);
    const HttpResult answer = client.get(origin + "/robots.txt");
    const QByteArray agent = s->rules.agent();
    const QByteArray token = agent.left(agent.indexOf('/') < 0 ? agent.size() : agent.indexOf('/'));
    RobotsTxt robots = RobotsTxt::allowAll();
    if (answer.ok && answer.status >= 200 && answer.status <= 299) {
        robots = RobotsTxt::parse(answer.body, token);
    } else if (answer.status < 400 || answer.status > 499) {
        robots = RobotsTxt::disallowAll();
        QString unused;
        AppendLine(QString::fromLatin1(TThrWebSearch::kErrorLog),
                   origin + "/robots.txt: " + (answer.error.isEmpty() ? QByteArray("no answer") : answer.error)
                       + " (the site is left alone)",
                   &unused);
    }
    const std::lock_guard guard(s->lock);
    s->thorough.setRobots(origin, robots);
    return robots;
}

// Whether a thorough crawl fetches this site page at all: once per crawl, and where robots.txt
// lets it; the page then counts as fetched.
bool mayFetch(const SharedPtr &s, const Next &next)
{
    if (!s->rules.thorough || next.step != CrawlChain::Step::Page)
        return true;
    const QUrl page(QString::fromLatin1(next.url));
    {
        const std::lock_guard guard(s->lock);
        if (!s->thorough.markVisited(ThoroughState::pageKey(page)))
            return false;
    }
    if (!s->rules.obeyRobots)
        return true;
    const QByteArray path = page.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    return robotsFor(s, page).allows(path.isEmpty() ? QByteArray("/") : path);
}

void drive(const SharedPtr &s, Next next)
{
    try {
        while (next.what == Next::What::Fetch) {
            if (!mayFetch(s, next)) {
                next = CrawlChain::skipFetch(s);
                continue;
            }
            TThrWebSearch worker(next.url, next.level, s->readTimeoutMs, &s->abortFetch, &s->stop);
            if (s->rules.thorough)
                worker.setThorough(thoroughFetch(s, next.url), s->rules.agent());
            const FetchedPage page = worker.Execute();
            if (!page.logFailure.isEmpty() && !s->errorLogFailureTold.exchange(true)) {
                postToOwner(*s, [reason = page.logFailure](TznWebSearch &owner) {
                    Q_EMIT owner.ErrorLogUnwritable(QString::fromLatin1(TThrWebSearch::kErrorLog), reason);
                });
            }
            next = CrawlChain::afterFetch(s, next.step, page);
        }
    } catch (...) {
        // The events guard their handlers, so only the crawl's own work can get here (memory
        // running out on a huge page). The crawl ends as a crawl ends, rather than leaving its
        // owner waiting for an OnEnd with Searching() stuck true.
        next = Next::end();
    }
    if (next.what == Next::What::End) {
        raiseEvent(s, [](TznWebSearch &owner) {
            if (owner.OnEnd)
                owner.OnEnd();
        });
    }
    s->finishChain();
    // Told on the owner's thread, where a Start may be waiting for it.
    postToOwner(*s, [](TznWebSearch &owner) { Q_EMIT owner.ChainEnded(); });
}

class ChainJob final : public QRunnable
{
public:
    ChainJob(SharedPtr shared, Next first) : shared_(std::move(shared)), first_(std::move(first))
    {
        setAutoDelete(true);
    }

    void run() override
    {
        {
            // Moved out so that the chain lets go of the component's state before it counts
            // itself finished: whoever waits for the chains may tear everything down next.
            const SharedPtr s = std::move(shared_);
            drive(s, std::move(first_));
        }
        WorkerReaper::finished();
    }

private:
    SharedPtr shared_;
    Next first_;
};

} // namespace

void start(SharedPtr shared, Next first)
{
    WorkerReaper::started();
    WorkerReaper::pool().start(new ChainJob(std::move(shared), std::move(first)));
}

} // namespace ChainDriver
