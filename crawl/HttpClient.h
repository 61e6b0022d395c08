#pragma once
// One blocking HTTP GET per call, the way the crawl wants it: by default plain http only, no
// redirects, no proxy, no cookies, body bytes unchanged. A thorough crawl widens that (see
// ThoroughFetch).

#include <QByteArray>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

struct HttpResult
{
    bool ok = false;
    QByteArray body;   // empty when the fetch failed
    QByteArray error;  // the status line for a status failure, else the client's message
    long status = 0;   // the final answer's status code; 0 when none came
    QByteArray url;    // the address that answered last, after the redirects followed
    QByteArray contentType;
    // A redirect the crawl refused, or an answer of a type that is no page, is ok with no body.
};

// How a thorough crawl fetches: https as well (verified against the system's authorities or
// `caFile`), compressed bodies, redirects followed hop by hop where `redirectAllowed` agrees,
// and only bodies of a page type downloaded when `pagesOnly`.
struct ThoroughFetch
{
    QByteArray caFile;
    int maxRedirects = 5;
    std::function<bool(const QByteArray &target)> redirectAllowed;
    bool pagesOnly = true;
};

// One GET made ready by a client: performed at once by perform(), or added by its handle to a
// multi handle (several transfers at once) and judged by result() when that reports it done.
// Either way the options, the callbacks and the judgement of the answer are the client's.
class HttpTransfer final
{
public:
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // Null when the GET could not be made ready (a malformed address, an abort already asked
    // for); result() then tells why.
    CURL *handle() const;
    HttpResult perform();
    HttpResult result(CURLcode code);

private:
    friend class HttpClient;
    HttpTransfer();
    struct Impl;
    std::unique_ptr<Impl> d;
};

class HttpClient final
{
public:
    // A page larger than this is a failed fetch: a body that never ends must not eat memory.
    static constexpr qint64 kMaxBodyBytes = qint64(64) * 1024 * 1024;

    explicit HttpClient(int readTimeoutMs = 30000);
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    void setUserAgent(const QByteArray &userAgent);
    // The read time-out is the longest wait without receiving any byte (connecting included);
    // zero or less turns it off, leaving the abort flag.
    void setReadTimeout(int milliseconds);
    // When the flag turns true the GET in flight gives up within about a second.
    void setAbortFlag(const std::atomic<bool> *abort);
    // When the flag turns true, a GET that has received nothing for kStoppedSilence gives up
    // ("Stopped"); one whose page is still arriving may finish. A user who stops a crawl should
    // not wait out a silent server's whole read time-out.
    void setStopFlag(const std::atomic<bool> *stop);
    static constexpr std::chrono::seconds kStoppedSilence{1};
    // Lowers (or raises) the body cap for this client; kMaxBodyBytes unless set.
    void setMaxBodyBytes(qint64 bytes);
    // Fetches by the thorough rules from now on.
    void setThorough(const ThoroughFetch &rules);

    // Follows a thorough crawl's redirects hop by hop; one GET otherwise.
    HttpResult get(const QByteArray &url);

    // One hop: the GET of `url` alone, redirects not followed.
    std::unique_ptr<HttpTransfer> prepare(const QByteArray &url) const;
    // After hop number `hop` (0 for the address first asked for) of a thorough fetch: the
    // address to ask for next, or none when `result` is the fetch's outcome. A redirect without
    // a usable Location, one too many, or one `redirectAllowed` refuses becomes that outcome.
    std::optional<QByteArray> nextHop(HttpResult &result, int hop) const;

private:

    struct Impl;
    std::unique_ptr<Impl> d;
};
