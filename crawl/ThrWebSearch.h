#pragma once
// The one-shot page worker: fetches one page with a client of its own (so no cookie or header
// crosses from one page to the next), logs a failure to "Err.ini" and hands the page back. It
// runs on whatever thread calls Execute(); the chain driver calls it from its pool thread, never
// from the owner's.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

class HttpClient;
struct HttpResult;
struct ThoroughFetch;

// A fetched page as the crawl steps take it.
struct FetchedPage
{
    QByteArray url;
    QByteArray body;   // empty when the fetch failed, or when the answer was no page
    int nextLevel = 0; // the fetched page's level plus one: the level of the links it holds
    QString logFailure; // why the failure's line could not go to the error log; empty when it did
    QByteArray finalUrl; // the address that answered, after redirects (thorough crawls)
    long status = 0;     // the final answer's status code; 0 when none came
    QByteArray error;    // why the fetch failed, as logged; empty when it did not
};

class TThrWebSearch final
{
public:
    // `abort` and `stop`, when given, must outlive the worker: `abort` cancels the fetch in
    // flight, `stop` a fetch that has gone silent (see HttpClient::setStopFlag).
    TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs = 30000,
                  const std::atomic<bool> *abort = nullptr, const std::atomic<bool> *stop = nullptr);
    ~TThrWebSearch();
    TThrWebSearch(const TThrWebSearch &) = delete;
    TThrWebSearch &operator=(const TThrWebSearch &) = delete;

    // Fetches by the thorough rules, as `userAgent`.
    void setThorough(const ThoroughFetch &rules, const QByteArray &userAgent);

    // Fetches the page; a failed fetch has its line in the error log before this returns.
    // Once only: the client is released with the answer.
    FetchedPage Execute();
    // The page that `result` of fetching `url` at `level` gives, its failure logged as
    // Execute() logs it: for fetches that ran elsewhere.
    static FetchedPage pageFrom(const QByteArray &url, int level, HttpResult result);

    static const char *const kUserAgent;
    static const char *const kErrorLog;

private:
    std::unique_ptr<HttpClient> Http;
    int Level;
    QByteArray Url;
};
