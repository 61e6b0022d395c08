#include "crawl/ChainDriver.h"

#include "crawl/EventHandOver.h"
#include "crawl/HttpClient.h"
#include "crawl/ParallelCrawl.h"
#include "crawl/ThrWebSearch.h"
#include "crawl/WorkerReaper.h"

#include <QRunnable>
#include <QThreadPool>

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

void drive(const SharedPtr &s, Next next)
{
    try {
        while (next.what == Next::What::Fetch) {
            // A thorough crawl's site pages go several at once; from the first one on, the
            // chain fetches nothing else.
            if (s->rules.thorough && next.step == CrawlChain::Step::Page) {
                next = ParallelCrawl::run(s, next);
                break;
            }
            TThrWebSearch worker(next.url, next.level, s->readTimeoutMs, &s->abortFetch, &s->stop);
            if (s->rules.thorough)
                worker.setThorough(resultPageFetch(s), s->rules.agent());
            const FetchedPage page = worker.Execute();
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
