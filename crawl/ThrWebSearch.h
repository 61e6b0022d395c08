#pragma once
// A one-shot page worker: fetches one page, logs a failure to "Err.ini", then runs the crawl
// component's step. It is released when its run ends.
//
// Workers run on recycled threads rather than a new thread each: on Linux creating and joining
// a thread costs more than fetching a page from a nearby server. The first worker of a chain
// takes a thread of the fetch pool; a worker started from inside a step runs right after that
// step, on the same thread. Every page still gets a worker and a client of its own, and the
// owner's thread never runs a fetch.

#include <QByteArray>

#include <atomic>
#include <functional>
#include <memory>

class HttpClient;

using TOnFetched = std::function<void(const QByteArray &url, const QByteArray &page, int level)>;

class TThrWebSearch final
{
public:
    // `abort`, when given, must outlive the worker; it cancels the fetch in flight.
    TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs = 30000,
                  const std::atomic<bool> *abort = nullptr);
    ~TThrWebSearch();
    TThrWebSearch(const TThrWebSearch &) = delete;
    TThrWebSearch &operator=(const TThrWebSearch &) = delete;

    TOnFetched OnFetched;

    // Hands the worker over to run; nothing may touch it afterwards.
    void Resume();

    static const char *const kUserAgent;
    static const char *const kErrorLog;

private:
    void Execute();

    std::unique_ptr<HttpClient> Http;
    int Level;
    QByteArray Url;

    friend class FetchThreadJob;
};
