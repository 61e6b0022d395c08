#include "tests/support/TestHttpServer.h"
struct TestHttpServer::Impl {};
QByteArray TestRequest::header(QByteArrayView) const { return {}; }
TestHttpServer::TestHttpServer(std::vector<TestRoute>) : d(std::make_unique<Impl>()) {}
TestHttpServer::~TestHttpServer() = default;
void TestHttpServer::setRoute(const TestRoute &) {}
std::uint16_t TestHttpServer::port() const { return 0; }
QByteArray TestHttpServer::url(QByteArrayView) const { return {}; }
std::vector<TestRequest> TestHttpServer::requests() const { return {}; }
QByteArrayList TestHttpServer::requestedPaths() const { return {}; }
void TestHttpServer::stop() {}
