#include "crawl/ThrWebSearch.h"

#include "platform/AppendLine.h"
#include "crawl/HttpClient.h"
#include "crawl/WorkerReaper.h"

#include <QRunnable>
#include <QThreadPool>
#include <QString>

const char *const TThrWebSearch::kUserAgent = "IE50";
const char *const TThrWebSearch::kErrorLog = "Err.ini";

namespace {

// Set while a pool thread runs a chain: a worker started by a step waits here for the step to
// return, then runs on the same thread.
thread_local bool runningChain = false;
thread_local TThrWebSearch *continuation = nullptr;

} // namespace

// Runs one chain of workers on a pool thread, each after the step of the one before.
class FetchThreadJob final : public QRunnable
{
public:
    explicit FetchThreadJob(TThrWebSearch *first) : first_(first) { setAutoDelete(true); }

    void run() override
    {
        runningChain = true;
        for (TThrWebSearch *worker = first_; worker != nullptr;) {
            worker->Execute();
            delete worker;
            worker = continuation;
            continuation = nullptr;
        }
        runningChain = false;
        WorkerReaper::finished();
    }

private:
    TThrWebSearch *first_;
};

TThrWebSearch::TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs, const std::atomic<bool> *abort)
    : Http(std::make_unique<HttpClient>(readTimeoutMs)), Level(level), Url(url)
{
    Http->setAbortFlag(abort);
}

TThrWebSearch::~TThrWebSearch() = default;

void TThrWebSearch::Resume()
{
    if (runningChain && continuation == nullptr) {
        continuation = this;
        return;
    }
    WorkerReaper::started();
    WorkerReaper::pool().start(new FetchThreadJob(this));
}

void TThrWebSearch::Execute()
{
    Http->setUserAgent(QByteArray(kUserAgent));
    HttpResult result = Http->get(Url);
    if (!result.ok) {
        AppendLine(QString::fromLatin1(kErrorLog), result.error); // one line: the client keeps it so
        result.body.clear();
    }
    if (OnFetched) {
        try {
            OnFetched(Url, result.body, Level + 1);
        } catch (...) {
            // The component guards its own steps; anything still escaping ends this page only.
        }
    }
    Http.reset();
    OnFetched = nullptr; // lets go of the component's state as soon as the page is done
}
