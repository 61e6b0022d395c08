#include "crawl/HttpClient.h"

#include "crawl/LinkScan.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// Every fetch has a client of its own, so no cookie or header crosses from one page to the
// next; but the open connections and resolved host names are kept process-wide, so a crawl of
// one site does not pay a new TCP connection and name look-up for every page.
struct SharedPool
{
    CURLSH *share = nullptr;
    std::mutex locks[CURL_LOCK_DATA_LAST];

    static void lock(CURL *, curl_lock_data data, curl_lock_access, void *self)
    {
        static_cast<SharedPool *>(self)->locks[data].lock();
    }
    static void unlock(CURL *, curl_lock_data data, void *self)
    {
        static_cast<SharedPool *>(self)->locks[data].unlock();
    }
};

SharedPool *sharedPool = nullptr; // never freed: fetches may still run during static teardown

CURLcode initCurlOnce()
{
    // curl_global_init is not thread-safe, and the first fetch may start on any worker.
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] {
        result = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (result != CURLE_OK)
            return;
        auto *pool = new SharedPool;
        pool->share = curl_share_init();
        if (pool->share == nullptr)
            return; // fetches still work, each on a connection of its own
        curl_share_setopt(pool->share, CURLSHOPT_LOCKFUNC, SharedPool::lock);
        curl_share_setopt(pool->share, CURLSHOPT_UNLOCKFUNC, SharedPool::unlock);
        curl_share_setopt(pool->share, CURLSHOPT_USERDATA, pool);
        curl_share_setopt(pool->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(pool->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        sharedPool = pool;
    });
    return result;
}

// Messages end up as single lines in the error log.
QByteArray oneLine(QByteArray text)
{
    text.replace('\r', ' ').replace('\n', ' ');
    return text.trimmed();
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && text.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// No real server sends this much header; a hostile one could send without end.
constexpr qint64 kMaxHeaderBytes = 256 * 1024;
const QByteArray tooLargeHeader = QByteArrayLiteral("Response header too large");

// The state of one GET, shared with libcurl's callbacks on the calling thread.
struct Transfer
{
    CURL *handle = nullptr;
    const std::atomic<bool> *abort = nullptr;
    const std::atomic<bool> *stop = nullptr;
    int readTimeoutMs = 0;
    qint64 maxBodyBytes = 0;

    bool thorough = false;
    bool pagesOnly = false;
    QByteArray contentType;
    bool notAPage = false;

    QByteArray body;
    qint64 headerBytes = 0;
    QByteArray statusLine;
    bool hasLocation = false;
    QByteArray location; // as the server wrote it
    bool statusChecked = false;
    Clock::time_point lastByte = Clock::now();
    QByteArray failure; // set when we end the transfer ourselves, or judge its answer

    QByteArray verdictOnStatus() const
    {
        long code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        const QByteArray line = statusLine.isEmpty() ? "HTTP status " + QByteArray::number(code) : statusLine;
        if (thorough && code >= 300 && code <= 399 && hasLocation)
            return {}; // the caller follows it
        if (code < 200 || code > 299)
            return line;
        // Redirects are never followed, so a page that points elsewhere is no page.
        if (hasLocation && !thorough)
            return line + " with a Location header: redirect not followed";
        return {};
    }
};

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t bytes = size * count;
    t->lastByte = Clock::now();
    t->headerBytes += qint64(bytes);
    if (t->headerBytes > kMaxHeaderBytes) {
        t->failure = tooLargeHeader;
        return 0;
    }
    QByteArray line(data, qsizetype(bytes));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.startsWith("HTTP/")) {
        // An interim 1xx answer comes first; only the final status line counts.
        t->statusLine = line;
        t->hasLocation = false;
        t->location.clear();
        t->contentType.clear();
    } else if (startsWithNoCase(line, "location:")) {
        t->hasLocation = true;
        t->location = line.mid(9).trimmed();
    } else if (startsWithNoCase(line, "content-type:")) {
        t->contentType = line.mid(13).trimmed();
    }
    return bytes;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t bytes = size * count;
    t->lastByte = Clock::now();
    if (!t->statusChecked) {
        // The headers are complete by now; a failed status need not download its body.
        t->statusChecked = true;
        t->failure = t->verdictOnStatus();
        if (!t->failure.isEmpty())
            return 0;
        // A redirect's own body is of no use, and neither is a body no scan would read.
        if (t->thorough) {
            long code = 0;
            curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &code);
            const bool redirect = code >= 300 && code <= 399 && t->hasLocation;
            if (redirect || (t->pagesOnly && !LinkScan::isPageType(t->contentType))) {
                t->notAPage = !redirect;
                return 0;
            }
        }
    }
    if (t->body.size() + qint64(bytes) > t->maxBodyBytes) {
        t->failure = "Page larger than " + QByteArray::number(t->maxBodyBytes) + " bytes: fetch given up";
        return 0;
    }
    t->body.append(data, qsizetype(bytes));
    return bytes;
}

// libcurl calls this about once a second even when nothing arrives, which bounds both the
// reaction to the abort flag and the read time-out. CURLOPT_LOW_SPEED would not do: it
// judges an average, so a trickle of bytes or a stall after a burst goes unnoticed.
int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *t = static_cast<Transfer *>(user);
    if (t->abort != nullptr && t->abort->load()) {
        t->failure = "Fetch aborted";
        return 1;
    }
    if (t->stop != nullptr && t->stop->load() && Clock::now() - t->lastByte >= HttpClient::kStoppedSilence) {
        t->failure = "Stopped";
        return 1;
    }
    if (t->readTimeoutMs > 0 && Clock::now() - t->lastByte > std::chrono::milliseconds(t->readTimeoutMs)) {
        t->failure = "Read timed out: nothing received for " + QByteArray::number(t->readTimeoutMs) + " ms";
        return 1;
    }
    return 0;
}

HttpResult failed(const QByteArray &message, long status = 0)
{
    HttpResult result;
    result.error = oneLine(message);
    result.status = status;
    return result;
}

struct UrlHandle
{
    CURLU *p = curl_url();
    ~UrlHandle() { curl_url_cleanup(p); }
};

struct HeaderList
{
    curl_slist *p = nullptr;
    ~HeaderList() { curl_slist_free_all(p); }
};

struct EasyHandle
{
    CURL *p = curl_easy_init();
    ~EasyHandle() { curl_easy_cleanup(p); }
};

} // namespace

struct HttpClient::Impl
{
    std::optional<ThoroughFetch> thorough;
    int readTimeoutMs = 30000;
    QByteArray userAgent;
    const std::atomic<bool> *abort = nullptr;
    const std::atomic<bool> *stop = nullptr;
    qint64 maxBodyBytes = kMaxBodyBytes;
};

HttpClient::HttpClient(int readTimeoutMs) : d(std::make_unique<Impl>())
{
    d->readTimeoutMs = readTimeoutMs;
    initCurlOnce();
}

HttpClient::~HttpClient() = default;

void HttpClient::setUserAgent(const QByteArray &userAgent)
{
    d->userAgent = userAgent;
}

void HttpClient::setReadTimeout(int milliseconds)
{
    d->readTimeoutMs = milliseconds;
}

void HttpClient::setAbortFlag(const std::atomic<bool> *abort)
{
    d->abort = abort;
}

void HttpClient::setStopFlag(const std::atomic<bool> *stop)
{
    d->stop = stop;
}

void HttpClient::setMaxBodyBytes(qint64 bytes)
{
    d->maxBodyBytes = bytes;
}

void HttpClient::setThorough(const ThoroughFetch &rules)
{
    d->thorough = rules;
}

HttpResult HttpClient::get(const QByteArray &url)
{
    // Each hop is judged before it is asked for: the crawl's scope and its visited set decide.
    QByteArray target = url;
    for (int hop = 0;; ++hop) {
        HttpResult result = prepare(target)->perform();
        const std::optional<QByteArray> next = nextHop(result, hop);
        if (!next)
            return result;
        target = *next;
    }
}

std::optional<QByteArray> HttpClient::nextHop(HttpResult &result, int hop) const
{
    if (!d->thorough || !result.ok || result.status < 300 || result.status > 399)
        return std::nullopt;
    const QByteArray next = result.url;
    if (next.isEmpty()) {
        result = failed("HTTP status " + QByteArray::number(result.status) + " without a usable Location");
    } else if (hop >= d->thorough->maxRedirects) {
        result = failed("More than " + QByteArray::number(d->thorough->maxRedirects) + " redirects: " + next);
    } else if (d->thorough->redirectAllowed && !d->thorough->redirectAllowed(next)) {
        HttpResult skipped;
        skipped.ok = true;
        skipped.status = result.status;
        skipped.url = next;
        result = skipped;
    } else {
        return next;
    }
    return std::nullopt;
}

// Everything one GET needs while libcurl runs it: the handle, the parsed address, the headers
// and the state its callbacks share. Heap-held, so the callbacks' pointer stays put.
struct HttpTransfer::Impl
{
    UrlHandle parsed;
    EasyHandle easy;
    HeaderList headers;
    Transfer t;
    char errorText[CURL_ERROR_SIZE] = {};
    HttpResult refused; // why the GET could not even be made ready
};

HttpTransfer::HttpTransfer() : d(std::make_unique<Impl>()) {}

HttpTransfer::~HttpTransfer() = default;

CURL *HttpTransfer::handle() const
{
    return d->refused.error.isEmpty() ? d->easy.p : nullptr;
}

HttpResult HttpTransfer::perform()
{
    if (!handle())
        return d->refused;
    d->t.lastByte = Clock::now();
    return result(curl_easy_perform(d->easy.p));
}

namespace {

// libcurl resolves the Location against the address asked for when it has read the whole
// answer; a redirect whose body we did not take ends before that, so it is resolved here.
QByteArray redirectTarget(CURL *h, const QByteArray &location)
{
    if (const char *resolved = nullptr; curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &resolved) == CURLE_OK && resolved)
        return resolved;
    const char *effective = nullptr;
    if (location.isEmpty() || location.contains('\0') || curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK
        || !effective)
        return {};
    UrlHandle target;
    char *text = nullptr;
    if (curl_url_set(target.p, CURLUPART_URL, effective, 0) != CURLUE_OK
        || curl_url_set(target.p, CURLUPART_URL, location.constData(), CURLU_URLENCODE) != CURLUE_OK
        || curl_url_get(target.p, CURLUPART_URL, &text, 0) != CURLUE_OK)
        return {};
    const QByteArray resolved(text);
    curl_free(text);
    return resolved;
}

} // namespace

HttpResult HttpTransfer::result(CURLcode rc)
{
    if (!handle())
        return d->refused;
    CURL *h = d->easy.p;
    Transfer &t = d->t;
    HttpResult result;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.contentType = t.contentType;
    if (const char *effective = nullptr; curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        result.url = effective;
    if (t.thorough && t.hasLocation && result.status >= 300 && result.status <= 399) {
        result.ok = true;
        result.url = redirectTarget(h, t.location);
        return result;
    }
    if (t.notAPage) {
        result.ok = true;
        return result;
    }
    if (!t.failure.isEmpty())
        return failed(t.failure, result.status);
    // libcurl refuses a single header line past its own limit before we see it, and calls that
    // "Out of memory", which misleads whoever reads the log.
    if (rc == CURLE_OUT_OF_MEMORY && !t.statusChecked)
        return failed(tooLargeHeader);
    if (rc != CURLE_OK)
        return failed(d->errorText[0] != '\0' ? QByteArray(d->errorText) : QByteArray(curl_easy_strerror(rc)));
    // A body-less answer never reached onBody, so its status is judged only now.
    if (const QByteArray verdict = t.verdictOnStatus(); !verdict.isEmpty())
        return failed(verdict, result.status);
    if (t.pagesOnly && !LinkScan::isPageType(t.contentType)) {
        result.ok = true;
        return result;
    }

    result.ok = true;
    result.body = std::move(t.body);
    return result;
}

std::unique_ptr<HttpTransfer> HttpClient::prepare(const QByteArray &url) const
{
    auto transfer = std::unique_ptr<HttpTransfer>(new HttpTransfer);
    HttpTransfer::Impl &x = *transfer->d;
    const auto refuse = [&](const QByteArray &message) {
        x.refused = failed(message);
        return std::move(transfer);
    };
    if (const CURLcode init = initCurlOnce(); init != CURLE_OK)
        return refuse(curl_easy_strerror(init));
    if (url.isEmpty())
        return refuse("Empty address");
    if (d->abort != nullptr && d->abort->load())
        return refuse("Fetch aborted");

    // Parsed here without guessing a scheme: libcurl alone would take "www.x.com/a" or a
    // relative link for an http address on a host of that name.
    if (url.contains('\0'))
        return refuse("Malformed address");
    if (const CURLUcode rc = curl_url_set(x.parsed.p, CURLUPART_URL, url.constData(), 0); rc != CURLUE_OK)
        return refuse("Malformed address: " + QByteArray(curl_url_strerror(rc)));

    x.headers.p = curl_slist_append(x.headers.p, "Accept: text/html, */*");
    if (x.easy.p == nullptr || x.parsed.p == nullptr || x.headers.p == nullptr)
        return refuse("Out of memory");

    Transfer &t = x.t;
    t.handle = x.easy.p;
    t.abort = d->abort;
    t.stop = d->stop;
    t.readTimeoutMs = d->readTimeoutMs;
    t.maxBodyBytes = d->maxBodyBytes;
    t.thorough = d->thorough.has_value();
    t.pagesOnly = t.thorough && d->thorough->pagesOnly;

    CURL *h = x.easy.p;
    curl_easy_setopt(h, CURLOPT_CURLU, x.parsed.p);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, x.errorText);
    // No TLS layer by design: https and every other scheme fail before any connection. A
    // thorough crawl takes https too, always verified.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, t.thorough ? "http,https" : "http");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, t.thorough ? "http,https" : "http");
    if (t.thorough) {
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!d->thorough->caFile.isEmpty())
            curl_easy_setopt(h, CURLOPT_CAINFO, d->thorough->caFile.constData());
        // Every encoding libcurl can decode is asked for; the body cap counts decoded bytes.
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    }
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, x.headers.p);
    if (!d->userAgent.isEmpty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, d->userAgent.constData());
    // An empty proxy overrides http_proxy and friends from the environment.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    // The page text is scanned as the server sent it (a thorough crawl's, decompressed).
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, t.thorough ? 1L : 0L);
    // Fetches run on worker threads; signals would hit whatever thread the kernel picks.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (sharedPool != nullptr)
        curl_easy_setopt(h, CURLOPT_SHARE, sharedPool->share);
    if (d->readTimeoutMs > 0)
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(d->readTimeoutMs));
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    t.lastByte = Clock::now();
    return transfer;
}
