#include "crawl/HttpClient.h"
struct HttpClient::Impl {};
HttpClient::HttpClient(int) : d(std::make_unique<Impl>()) {}
HttpClient::~HttpClient() = default;
void HttpClient::setUserAgent(const QByteArray &) {}
void HttpClient::setReadTimeout(int) {}
void HttpClient::setAbortFlag(const std::atomic<bool> *) {}
HttpResult HttpClient::get(const QByteArray &) { return {}; }
