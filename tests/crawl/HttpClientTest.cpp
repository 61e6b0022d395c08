#include "crawl/HttpClient.h"

#include "tests/support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

HttpResult fetch(const QByteArray &url, int readTimeoutMs = 10000)
{
    HttpClient client(readTimeoutMs);
    client.setUserAgent("IE50");
    return client.get(url);
}

// Every failure becomes one line of the error log.
void expectFailure(const HttpResult &result)
{
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.body.isEmpty());
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(result.error.contains('\r'));
    EXPECT_FALSE(result.error.contains('\n'));
}

QByteArray everyByte(int repeats)
{
    QByteArray bytes;
    for (int r = 0; r < repeats; ++r) {
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
    }
    return bytes;
}

long long millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv final
{
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = std::string(old);
        ::setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(HttpClientBody, ComesBackByteForByteWhateverTheFraming)
{
    const QByteArray binary = everyByte(600); // ~150 KiB: several reads, every byte value
    static const char chunked[] = "5\r\nab\0\xff" "c\r\n3\r\n\x80\r\n\r\n0\r\n\r\n";
    TestHttpServer server({
        {"/binary", 200, {"Content-Type: text/html"}, binary},
        {"/chunked", 200, {"Transfer-Encoding: chunked"}, QByteArray(chunked, sizeof chunked - 1)},
        // Declared compressed but not: any decoding attempt would fail or alter it.
        {"/gzip", 200, {"Content-Encoding: gzip"}, "plain <a href=x>text</a>"},
        {"/created", 201, {}, "made"},
        {"/empty", 204, {}, {}},
    });

    const HttpResult plain = fetch(server.url("/binary"));
    ASSERT_TRUE(plain.ok) << plain.error.constData();
    EXPECT_EQ(plain.body, binary);
    EXPECT_TRUE(plain.error.isEmpty());

    const HttpResult dechunked = fetch(server.url("/chunked"));
    ASSERT_TRUE(dechunked.ok) << dechunked.error.constData();
    EXPECT_EQ(dechunked.body, QByteArray("ab\0\xff" "c\x80\r\n", 8));

    const HttpResult undecoded = fetch(server.url("/gzip"));
    ASSERT_TRUE(undecoded.ok) << undecoded.error.constData();
    EXPECT_EQ(undecoded.body, "plain <a href=x>text</a>");

    const HttpResult created = fetch(server.url("/created"));
    EXPECT_TRUE(created.ok);
    EXPECT_EQ(created.body, "made");

    const HttpResult empty = fetch(server.url("/empty"));
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.body.isEmpty());
}

TEST(HttpClientBody, SlowButSteadyPageIsNoTimeout)
{
    // Eight bytes 200 ms apart take longer than the read time-out, yet none waits that long.
    TestHttpServer server({{"/slow", 200, {}, "12345678", Misbehaviour::SlowBody}});
    const HttpResult result = fetch(server.url("/slow"), 1000);
    ASSERT_TRUE(result.ok) << result.error.constData();
    EXPECT_EQ(result.body, "12345678");
}

TEST(HttpClientRequest, IsAPlainGetWithOurHeadersOnly)
{
    TestHttpServer server({
        {"/a.html?q=1", 200, {"Set-Cookie: session=42; Path=/"}, "a"},
        {"/b.html", 200, {}, "b"},
    });
    HttpClient client;
    client.setUserAgent("IE50");
    ASSERT_TRUE(client.get(server.url("/a.html?q=1")).ok);
    ASSERT_TRUE(client.get(server.url("/b.html")).ok);

    const std::vector<TestRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.port());
    for (const TestRequest &request : requests) {
        SCOPED_TRACE(request.target.constData());
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.version, "HTTP/1.1");
        EXPECT_EQ(request.header("User-Agent"), "IE50");
        EXPECT_EQ(request.header("Accept"), "text/html, */*");
        EXPECT_EQ(request.header("Host"), host);
        // The cookie of the first page must not reach the second.
        EXPECT_TRUE(request.header("Cookie").isEmpty());
        EXPECT_TRUE(request.header("Accept-Encoding").isEmpty());
        EXPECT_TRUE(request.header("Authorization").isEmpty());
    }
    EXPECT_EQ(requests[0].target, "/a.html?q=1");
    EXPECT_EQ(requests[1].target, "/b.html");
}

TEST(HttpClientRequest, IgnoresProxyFromTheEnvironment)
{
    TestHttpServer server({{"/page", 200, {}, "direct"}});
    TestHttpServer deadProxy;
    deadProxy.stop(); // its port now refuses every connection
    const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(deadProxy.port());
    const ScopedEnv lower("http_proxy", proxy.constData());
    const ScopedEnv all("ALL_PROXY", proxy.constData());
    const ScopedEnv none("no_proxy", "");

    const HttpResult result = fetch(server.url("/page"));
    ASSERT_TRUE(result.ok) << result.error.constData();
    EXPECT_EQ(result.body, "direct");
}

TEST(HttpClientStatus, OutsideTwoHundredsFailsWithTheStatusLine)
{
    const struct
    {
        int status;
        QByteArray expected;
    } rows[] = {
        {404, "HTTP/1.1 404 Not Found"},
        {500, "HTTP/1.1 500 Internal Server Error"},
        {403, "HTTP/1.1 403 Forbidden"},
        // Not a redirect, but no page either.
        {304, "HTTP/1.1 304 Not Modified"},
    };
    TestHttpServer server;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.status);
        const QByteArray path = "/status" + QByteArray::number(row.status);
        server.setRoute({path, row.status, {}, "<html>error page</html>"});
        const HttpResult result = fetch(server.url(path));
        expectFailure(result);
        EXPECT_EQ(result.error, row.expected);
    }
    const HttpResult unknown = fetch(server.url("/nowhere"));
    expectFailure(unknown);
    EXPECT_EQ(unknown.error, "HTTP/1.1 404 Not Found");
}

TEST(HttpClientStatus, RedirectsFailAndAreNotFollowed)
{
    TestHttpServer server({
        {"/target", 200, {}, "should never be fetched"},
        {"/moved", 301, {"Location: /target"}, "moved"},
        {"/found", 302, {"Location: /target"}, "found"},
        {"/temporary", 307, {"Location: /target"}, {}},
        {"/bare301", 301, {}, "no location"},
        {"/okWithLocation", 200, {"location: /target"}, "a page that points elsewhere"},
    });
    const struct
    {
        QByteArray path;
        QByteArray errorStart;
    } rows[] = {
        {"/moved", "HTTP/1.1 301 Moved Permanently"},
        {"/found", "HTTP/1.1 302 Found"},
        {"/temporary", "HTTP/1.1 307 Temporary Redirect"},
        {"/bare301", "HTTP/1.1 301 Moved Permanently"},
        {"/okWithLocation", "HTTP/1.1 200 OK"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.constData());
        const HttpResult result = fetch(server.url(row.path));
        expectFailure(result);
        EXPECT_TRUE(result.error.startsWith(row.errorStart)) << result.error.constData();
    }
    EXPECT_FALSE(server.requestedPaths().contains("/target"));
}

TEST(HttpClientAddress, UnusableAddressesFailWithoutConnecting)
{
    TestHttpServer server({{"/", 200, {}, "root"}});
    const QByteArray port = QByteArray::number(server.port());
    const QByteArray rows[] = {
        "",
        "https://127.0.0.1:" + port + "/",
        "ftp://127.0.0.1:" + port + "/",
        "file:///etc/hostname",
        // libcurl on its own would guess http for these.
        "127.0.0.1:" + port + "/",
        "/relative/page.html",
        "not an address",
        "http://",
        "http://127.0.0.1:" + port + "/a\r\nX-Injected: 1",
        "http://127.0.0.1:" + port + "/a" + QByteArray(1, '\0') + "b",
    };
    for (const QByteArray &url : rows) {
        SCOPED_TRACE(url.toPercentEncoding(":/").constData());
        const Clock::time_point start = Clock::now();
        expectFailure(fetch(url));
        EXPECT_LT(millisecondsSince(start), 2000);
    }
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST(HttpClientAddress, RefusedConnectionFails)
{
    TestHttpServer gone;
    gone.stop();
    const Clock::time_point start = Clock::now();
    expectFailure(fetch(gone.url("/")));
    EXPECT_LT(millisecondsSince(start), 5000);
}

TEST(HttpClientTimeout, SilentServerFailsAfterTheReadTimeout)
{
    TestHttpServer server({{"/silent", 200, {}, {}, Misbehaviour::SilentAfterAccept}});
    const Clock::time_point start = Clock::now();
    const HttpResult result = fetch(server.url("/silent"), 1500);
    const long long elapsed = millisecondsSince(start);
    expectFailure(result);
    EXPECT_TRUE(result.error.contains("timed out")) << result.error.constData();
    EXPECT_GE(elapsed, 1400);
    EXPECT_LT(elapsed, 6000);
    EXPECT_EQ(server.requestedPaths(), QByteArrayList{"/silent"});
}

TEST(HttpClientTimeout, AbortFlagEndsAFetchInFlight)
{
    TestHttpServer server({
        {"/silent", 200, {}, {}, Misbehaviour::SilentAfterAccept},
        {"/page", 200, {}, "page"},
    });
    std::atomic<bool> abort{false};
    HttpClient client(60000);
    client.setAbortFlag(&abort);

    std::thread stopper([&abort] {
        std::this_thread::sleep_for(milliseconds(300));
        abort.store(true);
    });
    const Clock::time_point start = Clock::now();
    const HttpResult result = client.get(server.url("/silent"));
    const long long elapsed = millisecondsSince(start);
    stopper.join();
    expectFailure(result);
    EXPECT_LT(elapsed, 300 + 2500);

    // Once raised, the flag stops later fetches before they connect.
    const int connectionsBefore = server.connectionCount();
    expectFailure(client.get(server.url("/page")));
    EXPECT_EQ(server.connectionCount(), connectionsBefore);

    abort.store(false);
    EXPECT_TRUE(client.get(server.url("/page")).ok);
}

// Stop gives a silent server one second, not its whole read time-out; a page still arriving ends.
TEST(HttpClientTimeout, StopFlagEndsAFetchThatHasGoneSilent)
{
    TestHttpServer server({
        {"/silent", 200, {}, {}, Misbehaviour::SilentAfterAccept},
        {"/slow", 200, {}, "12345678", Misbehaviour::SlowBody},
    });
    std::atomic<bool> stop{false};
    HttpClient client(60000);
    client.setStopFlag(&stop);
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(milliseconds(300));
        stop.store(true);
    });
    const Clock::time_point start = Clock::now();
    const HttpResult silent = client.get(server.url("/silent"));
    const long long elapsed = millisecondsSince(start);
    stopper.join();
    expectFailure(silent);
    EXPECT_EQ(silent.error, "Stopped");
    EXPECT_GE(elapsed, 1000) << "silent for a second first";
    EXPECT_LT(elapsed, 300 + 2000);

    const HttpResult slow = client.get(server.url("/slow"));
    ASSERT_TRUE(slow.ok) << slow.error.constData();
    EXPECT_EQ(slow.body, "12345678");
}

TEST(HttpClientBrokenServer, EndlessBodyIsCutAtTheCap)
{
    TestHttpServer server({{"/endless", 200, {}, {}, Misbehaviour::EndlessBody}});
    HttpClient client(10000);
    client.setMaxBodyBytes(200 * 1024);
    const Clock::time_point start = Clock::now();
    const HttpResult result = client.get(server.url("/endless"));
    expectFailure(result);
    EXPECT_TRUE(result.error.contains(QByteArray::number(200 * 1024))) << result.error.constData();
    EXPECT_LT(millisecondsSince(start), 5000);
}

TEST(HttpClientBrokenServer, CapIsInclusive)
{
    const QByteArray body = everyByte(4);
    TestHttpServer server({{"/page", 200, {}, body}});
    HttpClient client(10000);

    client.setMaxBodyBytes(body.size());
    const HttpResult fits = client.get(server.url("/page"));
    ASSERT_TRUE(fits.ok) << fits.error.constData();
    EXPECT_EQ(fits.body, body);

    client.setMaxBodyBytes(body.size() - 1);
    expectFailure(client.get(server.url("/page")));
}

TEST(HttpClientBrokenServer, MangledAnswersFail)
{
    TestHttpServer server({
        {"/malformed", 200, {}, "<html>body</html>", Misbehaviour::MalformedStatusLine},
        {"/cut", 200, {}, QByteArray(4000, 'a'), Misbehaviour::CloseMidBody},
    });
    for (const char *path : {"/malformed", "/cut"}) {
        SCOPED_TRACE(path);
        expectFailure(fetch(server.url(path)));
    }
    EXPECT_EQ(server.requestedPaths(), (QByteArrayList{"/malformed", "/cut"}));
}

TEST(HttpClientBrokenServer, HugeHeadersFailAsSuch)
{
    QByteArrayList many;
    for (int i = 0; i < 400; ++i)
        many << "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(1000, 'h');
    TestHttpServer server({
        {"/one-line", 200, {"X-Big: " + QByteArray(10 * 1024 * 1024, 'h')}, "page"},
        {"/many-lines", 200, many, "page"},
    });
    for (const char *path : {"/one-line", "/many-lines"}) {
        SCOPED_TRACE(path);
        const HttpResult result = fetch(server.url(path));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "Response header too large");
    }
}

// The crawl tests lean on the fixture server: hundreds of pages, and hanging connections
// that must not hold up the end of a test.
TEST(TestHttpServerFixture, ServesManyFetchesInARow)
{
    TestHttpServer server;
    constexpr int kPages = 300;
    for (int i = 0; i < kPages; ++i)
        server.setRoute({"/p" + QByteArray::number(i), 200, {}, "page " + QByteArray::number(i)});
    HttpClient client(5000);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        const HttpResult result = client.get(server.url("/p" + QByteArray::number(i)));
        ASSERT_TRUE(result.ok) << i << ' ' << result.error.constData();
        ASSERT_EQ(result.body, "page " + QByteArray::number(i));
    }
    EXPECT_LT(millisecondsSince(start), 30000);
    EXPECT_EQ(server.requestedPaths().size(), kPages);
    EXPECT_EQ(server.connectionCount(), kPages);
}

TEST(TestHttpServerFixture, StopsPromptlyWithHangingConnections)
{
    TestHttpServer server({
        {"/silent", 200, {}, {}, Misbehaviour::SilentAfterAccept},
        {"/endless", 200, {}, {}, Misbehaviour::EndlessBody},
    });
    std::vector<std::thread> clients;
    for (const char *path : {"/silent", "/endless"}) {
        clients.emplace_back([url = server.url(path)] {
            HttpClient client(20000);
            client.get(url);
        });
    }
    for (int i = 0; i < 500 && server.requestedPaths().size() < 2; ++i)
        std::this_thread::sleep_for(milliseconds(10));
    const bool bothHanging = server.requestedPaths().size() == 2;

    const Clock::time_point start = Clock::now();
    server.stop();
    const long long stopping = millisecondsSince(start);
    for (std::thread &client : clients)
        client.join();
    EXPECT_TRUE(bothHanging);
    EXPECT_LT(stopping, 500);
}

// A thorough crawl's fetch: redirects hop by hop where the crawl agrees, never endlessly, and a
// compressed page comes back as its text.
TEST(HttpClientThorough, RedirectsAreFollowedHopByHopWithinALimitAndCompressedBodiesDecoded)
{
    const char gzipped[] = {'\x1f', '\x8b', '\x08', '\x00', '\x00', '\x00', '\x00', '\x00', '\x02', '\x03', '\xcb', '\x48',
                            '\xcd', '\xc9', '\xc9', '\x57', '\x28', '\xc9', '\xc8', '\x2f', '\xca', '\x2f', '\x4d', '\xcf',
                            '\x00', '\x00', '\x91', '\xb3', '\x31', '\x1a', '\x0e', '\x00', '\x00', '\x00'};
    std::vector<TestRoute> routes{{"/page", 200, {"Content-Encoding: gzip"}, QByteArray(gzipped, sizeof gzipped)}};
    for (int hop = 0; hop < 7; ++hop)
        routes.push_back({"/r" + QByteArray::number(hop), 302, {"Location: /r" + QByteArray::number(hop + 1)}, {}});
    routes.push_back({"/short", 301, {"Location: /page"}, {}});
    // As most servers answer: a redirect with a small page of its own, its Location relative.
    routes.push_back({"/dir/moved", 301, {"Location: ../page", "Content-Type: text/html"},
                      "<html><body>Moved <a href=\"/page\">here</a></body></html>"});
    TestHttpServer server(routes);

    struct Case
    {
        const char *name;
        const char *path;
        bool allowed;
        bool ok;
        const char *body;
        const char *finalPath;
    };
    const Case cases[] = {
        {"a redirect followed to a compressed page", "/short", true, true, "hello thorough", "/page"},
        {"a redirect with a body of its own", "/dir/moved", true, true, "hello thorough", "/page"},
        {"a redirect the crawl refuses", "/short", false, true, "", "/page"},
        {"more hops than allowed", "/r0", true, false, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HttpClient client(10000);
        ThoroughFetch rules;
        QByteArrayList asked;
        rules.redirectAllowed = [&](const QByteArray &target) {
            asked.append(target);
            return c.allowed;
        };
        client.setThorough(rules);
        const HttpResult result = client.get(server.url(c.path));
        EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
        EXPECT_EQ(result.body, QByteArray(c.body));
        if (*c.finalPath != '\0') {
            EXPECT_EQ(result.url, server.url(c.finalPath));
            EXPECT_EQ(asked, QByteArrayList{server.url(c.finalPath)}) << "each hop is put to the crawl once";
        } else {
            EXPECT_TRUE(result.error.contains("redirects")) << result.error.toStdString();
            EXPECT_EQ(asked.size(), 5);
        }
    }
    EXPECT_EQ(fetch(server.url("/short")).error, QByteArray("HTTP/1.1 301 Moved Permanently"))
        << "a classic fetch still follows none";
}
