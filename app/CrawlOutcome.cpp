#include "app/CrawlOutcome.h"

#include "app/CommandLine.h"

void CrawlOutcome::beginCrawl(const QByteArray &start)
{
    const std::lock_guard guard(lock_);
    start_ = start;
    startFailed_ = anyFetched_ = anyFailed_ = false;
}

void CrawlOutcome::fetched(const QByteArray &url, int status, bool failed)
{
    const std::lock_guard guard(lock_);
    if (!failed) {
        anyFetched_ = true;
        return;
    }
    anyFailed_ = true;
    if (!start_.isEmpty() && url == start_)
        startFailed_ = true;
    if (status >= 500)
        serverError_ = true;
}

void CrawlOutcome::endCrawl()
{
    const std::lock_guard guard(lock_);
    // A failed engine request leaves no site to crawl, so a search whose every fetch failed is
    // one whose every engine request did. A resumed crawl with nothing left fetches nothing, and
    // has not failed.
    if (startFailed_ || (anyFailed_ && !anyFetched_))
        crawlFailed_ = true;
}

void CrawlOutcome::fileUnwritable()
{
    const std::lock_guard guard(lock_);
    fileUnwritable_ = true;
}

void CrawlOutcome::interrupt()
{
    const std::lock_guard guard(lock_);
    interrupted_ = true;
}

void CrawlOutcome::everyEngineRefused()
{
    const std::lock_guard guard(lock_);
    crawlFailed_ = true;
}

int CrawlOutcome::exitCode() const
{
    const std::lock_guard guard(lock_);
    if (interrupted_)
        return ExitCode::interrupted;
    if (fileUnwritable_)
        return ExitCode::resultFile;
    if (crawlFailed_)
        return ExitCode::startFailed;
    if (serverError_)
        return ExitCode::serverError;
    return ExitCode::ok;
}
