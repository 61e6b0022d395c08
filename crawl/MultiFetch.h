#pragma once
// Several GETs at once on the calling thread, through one libcurl multi handle: transfers are
// started, then driven by wait(), which hands back the ones that ended. Connections are kept
// between transfers to the same host. Not thread-safe: one thread owns it.

#include "crawl/HttpClient.h"

#include <QtGlobal>

#include <chrono>
#include <map>
#include <memory>
#include <vector>

class MultiFetch final
{
public:
    struct Finished
    {
        quint64 id = 0;
        HttpResult result;
    };

    MultiFetch();
    ~MultiFetch(); // ends every transfer still running
    MultiFetch(const MultiFetch &) = delete;
    MultiFetch &operator=(const MultiFetch &) = delete;

    // Starts one hop of `client`'s fetch of `url` and returns its id. A GET that cannot even
    // start ends at once: the next wait() hands it back.
    quint64 start(const HttpClient &client, const QByteArray &url);
    // Drives the transfers for at most `most` (less when one ends) and returns those that ended.
    std::vector<Finished> wait(std::chrono::milliseconds most);
    // Ends every transfer at once; none is handed back.
    void abortAll();
    // Transfers started and not handed back yet.
    int running() const { return int(transfers_.size() + endedAtOnce_.size()); }

private:
    void performAndCollect(std::vector<Finished> *finished);

    CURLM *multi_ = nullptr;
    quint64 nextId_ = 1;
    std::map<CURL *, std::pair<quint64, std::unique_ptr<HttpTransfer>>> transfers_;
    std::vector<Finished> endedAtOnce_;
};
