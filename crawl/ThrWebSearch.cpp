#include "crawl/ThrWebSearch.h"

#include "crawl/AppendLine.h"
#include "crawl/HttpClient.h"
#include "crawl/WorkerReaper.h"

#include <QString>

const char *const TThrWebSearch::kUserAgent = "IE50";
const char *const TThrWebSearch::kErrorLog = "Err.ini";

TThrWebSearch::TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs, const std::atomic<bool> *abort)
    : Http(std::make_unique<HttpClient>(readTimeoutMs)), Level(level), Url(url)
{
    Http->setAbortFlag(abort);
    // The thread object outlives the thread that created it; no thread affinity keeps its
    // deletion legal from whichever thread reaps it.
    moveToThread(nullptr);
}

TThrWebSearch::~TThrWebSearch() = default;

void TThrWebSearch::Resume()
{
    WorkerReaper::reap();
    WorkerReaper::started();
    start();
}

void TThrWebSearch::run()
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
            // The component guards its own steps; anything still escaping ends this run only.
        }
    }
    Http.reset();
    OnFetched = nullptr; // lets go of the component's state before the thread object waits to be reaped
    WorkerReaper::finished(this);
}
