#include "crawl/ThrWebSearch.h"

#include "crawl/HttpClient.h"
#include "platform/AppendLine.h"

#include <QString>

const char *const TThrWebSearch::kUserAgent = "IE50";
const char *const TThrWebSearch::kErrorLog = "Err.ini";

TThrWebSearch::TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs, const std::atomic<bool> *abort,
                             const std::atomic<bool> *stop)
    : Http(std::make_unique<HttpClient>(readTimeoutMs)), Level(level), Url(url)
{
    Http->setAbortFlag(abort);
    Http->setStopFlag(stop);
    Http->setUserAgent(QByteArray(kUserAgent));
}

TThrWebSearch::~TThrWebSearch() = default;

void TThrWebSearch::setThorough(const ThoroughFetch &rules, const QByteArray &userAgent)
{
    if (!Http)
        return;
    Http->setThorough(rules);
    Http->setUserAgent(userAgent);
}

FetchedPage TThrWebSearch::Execute()
{
    if (!Http)
        return FetchedPage{Url, {}, Level + 1, {}, {}};
    HttpResult result = Http->get(Url);
    Http.reset(); // its connection goes back to the shared pool before the step runs
    return pageFrom(Url, Level, std::move(result));
}

FetchedPage TThrWebSearch::pageFrom(const QByteArray &url, int level, HttpResult result)
{
    FetchedPage page{url, {}, level + 1, {}, {}};
    // The failure is one line: the client keeps it so.
    page.finalUrl = result.url;
    page.status = result.status;
    if (result.ok)
        page.body = std::move(result.body);
    else if (!AppendLine(QString::fromLatin1(kErrorLog), result.error, &page.logFailure) && page.logFailure.isEmpty())
        page.logFailure = QStringLiteral("not written");
    return page;
}
