#pragma once
// A one-shot worker thread: fetches one page, logs a failure to "Err.ini", then runs the crawl
// component's step on its own thread. It releases itself when its run ends.

#include <QByteArray>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class HttpClient;

using TOnFetched = std::function<void(const QByteArray &url, const QByteArray &page, int level)>;

class TThrWebSearch final : public QThread
{
public:
    // `abort`, when given, must outlive the worker; it cancels the fetch in flight.
    TThrWebSearch(const QByteArray &url, int level, int readTimeoutMs = 30000,
                  const std::atomic<bool> *abort = nullptr);
    ~TThrWebSearch() override;

    TOnFetched OnFetched;

    // Starts the run; nothing may touch the worker afterwards.
    void Resume();

    static const char *const kUserAgent;
    static const char *const kErrorLog;

protected:
    void run() override;

private:
    std::unique_ptr<HttpClient> Http;
    int Level;
    QByteArray Url;
};
