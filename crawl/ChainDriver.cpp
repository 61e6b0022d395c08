#include "crawl/ChainDriver.h"

#include "crawl/EventHandOver.h"
#include "crawl/ThrWebSearch.h"
#include "crawl/WorkerReaper.h"

#include <QRunnable>
#include <QThreadPool>

#include <utility>

namespace ChainDriver {
namespace {

using CrawlChain::Next;
using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

void drive(const SharedPtr &s, Next next)
{
    try {
        while (next.what == Next::What::Fetch) {
            TThrWebSearch worker(next.url, next.level, s->readTimeoutMs, &s->abortFetch, &s->stop);
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
