#pragma once
// What a command-line run's exit code says, gathered as its crawls go: the fetches of each
// crawl, the files that could not be written, an interrupt. Safe to feed from the fetch thread
// and the main thread at once.

#include <QByteArray>

#include <mutex>

class CrawlOutcome
{
public:
    // A crawl begins; `start` is its start address (empty for an engine search, whose result
    // pages count as its fetches).
    void beginCrawl(const QByteArray &start);
    void fetched(const QByteArray &url, int status, bool failed);
    void endCrawl();
    // An engine search whose every engine refused automated requests found nothing to crawl.
    void everyEngineRefused();

    void fileUnwritable(); // the result file or Err.ini
    void interrupt();

    int exitCode() const;

private:
    mutable std::mutex lock_;
    QByteArray start_;
    bool startFailed_ = false;
    bool anyFetched_ = false;
    bool anyFailed_ = false;
    bool crawlFailed_ = false;
    bool serverError_ = false;
    bool fileUnwritable_ = false;
    bool interrupted_ = false;
};
