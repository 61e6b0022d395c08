#pragma once
// A small HTTP server on 127.0.0.1 for the tests: serves a site from a table and can
// misbehave in the ways real servers do. Every connection is answered on its own thread;
// stop() (or the destructor) ends them all within a fraction of a second.

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>
#include <memory>
#include <vector>

enum class Misbehaviour {
    None,
    SilentAfterAccept,   // accepts, reads the request, never answers
    EndlessBody,         // 200 with headers, then body bytes until the client goes away
    MalformedStatusLine, // an answer whose first line is no HTTP status line
    CloseMidBody,        // announces a Content-Length, sends half the body, closes
    SlowBody,            // announces a Content-Length, then sends one body byte every 200 ms
};

struct TestRoute
{
    QByteArray path;             // request target, e.g. "/dir/page.html"
    int status = 200;
    QByteArrayList headers;      // extra header lines without CR LF, e.g. "Location: /x"
    QByteArray body;
    Misbehaviour misbehaviour = Misbehaviour::None;
    int delayMs = 0;             // how long the server thinks before it answers
};

struct TestRequest
{
    QByteArray method;
    QByteArray target;
    QByteArrayList headerLines;  // as received, without CR LF
    QByteArray version;          // e.g. "HTTP/1.1"
    QByteArray header(QByteArrayView name) const; // value of the first header of that name, case-insensitive
};

// A server certificate and its key, PEM files, for a server that speaks https.
struct TestTls
{
    QByteArray certificateFile;
    QByteArray keyFile;
    QByteArray authorityFile; // what a client must trust to accept the certificate

    // A certificate for 127.0.0.1 and localhost, valid for a hundred years, signed by a test
    // authority made for these tests alone (made with openssl; the authority's key was not kept).
    static TestTls localhost();
};

class TestHttpServer final
{
public:
    explicit TestHttpServer(std::vector<TestRoute> routes = {}, const TestTls *tls = nullptr);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    // Routes may be added or replaced while the server runs. Unknown paths get a 404.
    void setRoute(const TestRoute &route);

    std::uint16_t port() const;
    QByteArray url(QByteArrayView path) const; // "http://127.0.0.1:PORT" + path (https with TLS)
    std::vector<TestRequest> requests() const; // in the order they arrived
    QByteArrayList requestedPaths() const;
    int connectionCount() const;               // connections accepted, with or without a request
    int mostRequestsAtOnce() const;            // the most requests received and not answered yet at one time
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
