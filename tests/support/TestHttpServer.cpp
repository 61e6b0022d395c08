#include "tests/support/TestHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Every wait is sliced this fine, so a stop request is seen within this time.
constexpr int kSliceMs = 20;
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr int kLingerMs = 1000;
constexpr int kSlowByteGapMs = 200;

const char *reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool transient(int error)
{
    return error == EINTR || error == EAGAIN || error == EWOULDBLOCK;
}

// The server side of TLS for a server that speaks https.
struct TlsContext
{
    SSL_CTX *context = nullptr;

    explicit TlsContext(const TestTls &tls) : context(SSL_CTX_new(TLS_server_method()))
    {
        if (!context || SSL_CTX_use_certificate_chain_file(context, tls.certificateFile.constData()) != 1
            || SSL_CTX_use_PrivateKey_file(context, tls.keyFile.constData(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("test server: cannot load " + tls.certificateFile.toStdString());
        }
    }
    ~TlsContext() { SSL_CTX_free(context); }
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;
};

// One accepted, non-blocking socket, plain or TLS. Every wait gives up when the server stops.
class Connection
{
public:
    Connection(int fd, const std::atomic<bool> &stopping, SSL_CTX *tls) : fd_(fd), stopping_(stopping)
    {
        if (tls) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, fd_);
        }
    }
    ~Connection() { SSL_free(ssl_); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // The TLS handshake; true at once for a plain connection. A client that refuses our
    // certificate ends here.
    bool handshake() const
    {
        if (!ssl_)
            return true;
        while (true) {
            const int result = SSL_accept(ssl_);
            if (result == 1)
                return true;
            if (!waitForTls(result))
                return false;
        }
    }

    // True when the socket is ready (or in error, which the next call reports); false when
    // the server stops or maxMs passed first.
    bool waitFor(short events, int maxMs = -1) const
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
        while (!stopping_.load()) {
            if (maxMs >= 0 && Clock::now() >= deadline)
                return false;
            pollfd p{fd_, events, 0};
            const int ready = ::poll(&p, 1, kSliceMs);
            if (ready > 0)
                return true;
            if (ready < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    bool sendAll(QByteArrayView data) const
    {
        while (!data.isEmpty()) {
            if (!waitFor(POLLOUT))
                return false;
            const ssize_t sent = sendSome(data);
            if (sent < 0)
                return false;
            data = data.sliced(sent);
        }
        return true;
    }

    // The request head without its closing blank line; nothing when the client went away.
    std::optional<QByteArray> readHead() const
    {
        QByteArray received;
        while (received.size() < kMaxHeadBytes) {
            if (const qsizetype end = received.indexOf("\r\n\r\n"); end >= 0)
                return received.left(end);
            if (!waitFor(POLLIN))
                return std::nullopt;
            char chunk[4096];
            const ssize_t got = receiveSome(chunk, sizeof chunk);
            if (got < 0)
                return std::nullopt;
            received.append(chunk, got);
        }
        return std::nullopt;
    }

    // Reads and drops whatever comes until the client closes, the server stops or maxMs passed.
    void drainUntilHangUp(int maxMs = -1) const
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
        while (true) {
            const int left = maxMs < 0 ? -1
                : int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (maxMs >= 0 && left <= 0)
                return;
            if (!waitFor(POLLIN, left))
                return;
            char chunk[4096];
            const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
            if (got == 0 || (got < 0 && !transient(errno)))
                return;
        }
    }

    // Our FIN first, then a short wait for the client's: closing with unread bytes in the
    // receive queue would send a reset that can destroy the answer still in flight.
    void finish() const
    {
        if (ssl_)
            SSL_shutdown(ssl_);
        ::shutdown(fd_, SHUT_WR);
        drainUntilHangUp(kLingerMs);
    }

private:
    // Bytes sent (0 when the socket is not ready yet), or -1 when the connection is gone.
    ssize_t sendSome(QByteArrayView data) const
    {
        if (!ssl_) {
            const ssize_t sent = ::send(fd_, data.data(), size_t(data.size()), MSG_NOSIGNAL);
            return sent < 0 && transient(errno) ? 0 : sent;
        }
        const int sent = SSL_write(ssl_, data.data(), int(data.size()));
        return sent > 0 ? sent : (waitForTls(sent) ? 0 : -1);
    }

    // Bytes received (0 when none are ready yet), or -1 at the end of the connection.
    ssize_t receiveSome(char *buffer, size_t size) const
    {
        if (!ssl_) {
            const ssize_t got = ::recv(fd_, buffer, size, 0);
            return got < 0 && transient(errno) ? 0 : (got == 0 ? -1 : got);
        }
        const int got = SSL_read(ssl_, buffer, int(size));
        return got > 0 ? got : (waitForTls(got) ? 0 : -1);
    }

    // After a TLS call that did not complete: waits for what it wants, or false when it failed.
    bool waitForTls(int result) const
    {
        switch (SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ: return waitFor(POLLIN);
        case SSL_ERROR_WANT_WRITE: return waitFor(POLLOUT);
        default: ERR_clear_error(); return false;
        }
    }

    int fd_;
    const std::atomic<bool> &stopping_;
    SSL *ssl_ = nullptr;
};

TestRequest parseHead(const QByteArray &head)
{
    TestRequest request;
    QByteArrayList lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const QByteArrayList requestLine = lines.value(0).split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.version = requestLine.value(2);
    request.headerLines = lines.mid(1);
    return request;
}

bool framedByRoute(const TestRoute &route)
{
    for (const QByteArray &line : route.headers) {
        const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
        if (name == "content-length" || name == "transfer-encoding")
            return true;
    }
    return false;
}

QByteArray responseHead(const TestRoute &route, QByteArrayView statusLine, bool announceLength)
{
    QByteArray head = statusLine.toByteArray() + "\r\n";
    for (const QByteArray &line : route.headers)
        head += line + "\r\n";
    if (announceLength && !framedByRoute(route))
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

QByteArray statusLineOf(int status)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status);
}

// Sends the route's answer; false when the connection is to be dropped without a proper end.
bool answer(const Connection &c, const TestRoute &route)
{
    switch (route.misbehaviour) {
    case Misbehaviour::None:
        if (c.sendAll(responseHead(route, statusLineOf(route.status), true)))
            c.sendAll(route.body);
        break;
    case Misbehaviour::SilentAfterAccept:
        c.drainUntilHangUp();
        return false;
    case Misbehaviour::EndlessBody: {
        const QByteArray chunk = route.body.isEmpty() ? QByteArray(16 * 1024, 'x') : route.body;
        if (!c.sendAll(responseHead(route, statusLineOf(200), false)))
            break;
        while (c.sendAll(chunk)) {
        }
        break;
    }
    case Misbehaviour::MalformedStatusLine:
        if (c.sendAll(responseHead(route, "Hello, this is no status line", true)))
            c.sendAll(route.body);
        break;
    case Misbehaviour::SlowBody:
        if (!c.sendAll(responseHead(route, statusLineOf(route.status), true)))
            break;
        for (qsizetype i = 0; i < route.body.size(); ++i) {
            // Waiting for a hang-up doubles as the pause and notices a client that gave up.
            if (i > 0 && c.waitFor(POLLIN, kSlowByteGapMs))
                break;
            if (!c.sendAll(QByteArrayView(route.body).sliced(i, 1)))
                break;
        }
        break;
    case Misbehaviour::CloseMidBody:
        if (c.sendAll(responseHead(route, statusLineOf(route.status), true)))
            c.sendAll(QByteArrayView(route.body).first(route.body.size() / 2));
        break;
    }
    return true;
}

} // namespace

QByteArray TestRequest::header(QByteArrayView name) const
{
    for (const QByteArray &line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        if (QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

struct TestHttpServer::Impl
{
    std::unique_ptr<TlsContext> tls; // none for plain http
    int listenFd = -1;
    std::uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptThread;

    mutable std::mutex mutex; // guards routes, requests and connections
    std::map<QByteArray, TestRoute> routes;
    std::vector<TestRequest> requests;
    int connections = 0;
    int answering = 0;
    int mostAnswering = 0;

    // Touched by the accept thread only, and by stop() once that thread has ended.
    struct Worker
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers;

    void acceptLoop();
    void serve(int fd);
    void joinFinishedWorkers();
};

void TestHttpServer::Impl::acceptLoop()
{
    while (!stopping.load()) {
        pollfd p{listenFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kSliceMs);
        // Crawl tests open hundreds of connections; finished threads must not pile up.
        joinFinishedWorkers();
        if (ready <= 0)
            continue;
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            const std::lock_guard lock(mutex);
            ++connections;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        workers.push_back({std::thread([this, fd, done] {
                               serve(fd);
                               ::close(fd);
                               done->store(true);
                           }),
                           done});
    }
}

void TestHttpServer::Impl::serve(int fd)
{
    const Connection c(fd, stopping, tls ? tls->context : nullptr);
    if (!c.handshake())
        return;
    const std::optional<QByteArray> head = c.readHead();
    if (!head)
        return;
    const TestRequest request = parseHead(*head);
    TestRoute route;
    {
        const std::lock_guard lock(mutex);
        requests.push_back(request);
        if (const auto found = routes.find(request.target); found != routes.end()) {
            route = found->second;
        } else {
            route.status = 404;
            route.body = "<html><body>Not Found</body></html>";
        }
        mostAnswering = std::max(mostAnswering, ++answering);
    }
    // Waiting for a hang-up doubles as the pause and notices a client that gave up.
    const bool clientStayed = route.delayMs <= 0 || !c.waitFor(POLLIN, route.delayMs);
    {
        // Counted off before the answer goes out: the client may ask its next question as
        // soon as the answer is in, and that one must not seem to overlap this one.
        const std::lock_guard lock(mutex);
        --answering;
    }
    if (clientStayed && answer(c, route))
        c.finish();
}

void TestHttpServer::Impl::joinFinishedWorkers()
{
    for (auto it = workers.begin(); it != workers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = workers.erase(it);
        } else {
            ++it;
        }
    }
}

TestHttpServer::TestHttpServer(std::vector<TestRoute> routes, const TestTls *tls) : d(std::make_unique<Impl>())
{
    if (tls)
        d->tls = std::make_unique<TlsContext>(*tls);
    for (TestRoute &route : routes) {
        const QByteArray path = route.path;
        d->routes[path] = std::move(route);
    }

    d->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (d->listenFd < 0)
        throw std::runtime_error(std::string("test server socket: ") + std::strerror(errno));
    const int on = 1;
    ::setsockopt(d->listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(d->listenFd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::listen(d->listenFd, 128) != 0
        || ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(d->listenFd);
        throw std::runtime_error("test server on 127.0.0.1: " + reason);
    }
    d->port = ntohs(address.sin_port);
    d->acceptThread = std::thread([impl = d.get()] { impl->acceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    stop();
}

void TestHttpServer::setRoute(const TestRoute &route)
{
    const std::lock_guard lock(d->mutex);
    d->routes[route.path] = route;
}

std::uint16_t TestHttpServer::port() const
{
    return d->port;
}

QByteArray TestHttpServer::url(QByteArrayView path) const
{
    return (d->tls ? "https" : "http") + QByteArray("://127.0.0.1:") + QByteArray::number(d->port) + path.toByteArray();
}

std::vector<TestRequest> TestHttpServer::requests() const
{
    const std::lock_guard lock(d->mutex);
    return d->requests;
}

QByteArrayList TestHttpServer::requestedPaths() const
{
    const std::lock_guard lock(d->mutex);
    QByteArrayList paths;
    for (const TestRequest &request : d->requests)
        paths.append(request.target);
    return paths;
}

int TestHttpServer::mostRequestsAtOnce() const
{
    const std::lock_guard lock(d->mutex);
    return d->mostAnswering;
}

int TestHttpServer::connectionCount() const
{
    const std::lock_guard lock(d->mutex);
    return d->connections;
}

void TestHttpServer::stop()
{
    if (d->stopping.exchange(true))
        return;
    if (d->acceptThread.joinable())
        d->acceptThread.join();
    for (Impl::Worker &worker : d->workers)
        worker.thread.join();
    d->workers.clear();
    ::close(d->listenFd);
    d->listenFd = -1;
}

TestTls TestTls::localhost()
{
    const QByteArray folder = TRAWLEX_TEST_TLS_DIR "/";
    return {folder + "server.pem", folder + "server-key.pem", folder + "ca.pem"};
}
