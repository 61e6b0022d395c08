#include "crawl/ChainDriver.h"

#include "crawl/EventHandOver.h"
#include "crawl/HostSchedule.h"
#include "crawl/HttpClient.h"
#include "crawl/ParallelCrawl.h"
#include "crawl/ThrWebSearch.h"
#include "crawl/WorkerReaper.h"

#include <QRunnable>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <thread>

#include <utility>

namespace ChainDriver {
namespace {

using CrawlChain::Next;
using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

// How a thorough crawl fetches a search engine's result page: https too, redirects followed.
ThoroughFetch resultPageFetch(const SharedPtr &s)
{
    ThoroughFetch rules;
    rules.caFile = s->rules.caFile;
    return rules;
}

// The key of a search engine's turn: its host and port, whichever scheme it is asked by.
QByteArray engineHostOf(const QByteArray &url)
{
    const QUrl parsed(QString::fromLatin1(url));
    return parsed.host(QUrl::FullyEncoded).toLatin1() + ':' + QByteArray::number(parsed.port(0));
}

// Waits until the engine's host may be asked again, or the crawl is stopped.
void waitForEngineTurn(const SharedPtr &s, HostSchedule &engines, const QByteArray &host)
{
    using namespace std::chrono_literals;
    HostSchedule::Clock::time_point ready;
    while (!s->stop && !s->abortFetch && !engines.mayStart(host, HostSchedule::Clock::now(), &ready)) {
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(ready - HostSchedule::Clock::now());
        std::this_thread::sleep_for(std::clamp(rest, 1ms, 50ms));
    }
    engines.started(host, HostSchedule::Clock::now());
}

void drive(const SharedPtr &s, Next next)
{
    // One result page at a time, each engine's host asked at most once in its wait.
    HostSchedule engines(1, std::chrono::milliseconds(s->rules.engineWaitMs));
    try {
        while (next.what == Next::What::Fetch) {
            // A thorough crawl's site pages go several at once; from the first one on, the
            // chain fetches nothing else.
            if (s->rules.thorough && next.step == CrawlChain::Step::Page) {
                next = ParallelCrawl::run(s, next);
                break;
            }
            const bool engineTurn = s->rules.thorough && next.step == CrawlChain::Step::ResultPage;
            const QByteArray engineHost = engineTurn ? engineHostOf(next.url) : QByteArray();
            if (engineTurn)
                waitForEngineTurn(s, engines, engineHost);
            TThrWebSearch worker(next.url, next.level, s->readTimeoutMs, &s->abortFetch, &s->stop);
            if (s->rules.thorough)
                worker.setThorough(resultPageFetch(s), s->rules.agent());
            const FetchedPage page = worker.Execute();
            if (engineTurn)
                engines.finished(engineHost, false);
            if (!page.logFailure.isEmpty())
                tellErrorLogUnwritable(*s, page.logFailure);
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
