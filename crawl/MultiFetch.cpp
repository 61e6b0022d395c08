#include "crawl/MultiFetch.h"

MultiFetch::MultiFetch() : multi_(curl_multi_init()) {}

MultiFetch::~MultiFetch()
{
    abortAll();
    curl_multi_cleanup(multi_);
}

quint64 MultiFetch::start(const HttpClient &client, const QByteArray &url)
{
    const quint64 id = nextId_++;
    std::unique_ptr<HttpTransfer> transfer = client.prepare(url);
    CURL *handle = transfer->handle();
    // The multi handle keeps the connections of its transfers itself. Taken from the pool that
    // one-at-a-time fetches share, a connection's socket is not always among those the multi
    // handle waits on, and a transfer then waits out the whole poll slice for bytes long there.
    if (handle != nullptr)
        curl_easy_setopt(handle, CURLOPT_SHARE, nullptr);
    if (handle == nullptr || multi_ == nullptr || curl_multi_add_handle(multi_, handle) != CURLM_OK) {
        HttpResult result = transfer->result(CURLE_FAILED_INIT);
        if (result.error.isEmpty())
            result.error = "Cannot start the transfer";
        endedAtOnce_.push_back({id, std::move(result)});
        return id;
    }
    transfers_.emplace(handle, std::make_pair(id, std::move(transfer)));
    return id;
}

std::vector<MultiFetch::Finished> MultiFetch::wait(std::chrono::milliseconds most)
{
    std::vector<Finished> finished = std::move(endedAtOnce_);
    endedAtOnce_.clear();
    if (transfers_.empty() || multi_ == nullptr)
        return finished;
    // A transfer may end in the first perform, with nothing left on its socket to wake a poll:
    // the poll comes only when none has ended yet.
    performAndCollect(&finished);
    if (finished.empty() && !transfers_.empty()) {
        curl_multi_poll(multi_, nullptr, 0, int(most.count()), nullptr);
        performAndCollect(&finished);
    }
    return finished;
}

void MultiFetch::performAndCollect(std::vector<Finished> *finished)
{
    int active = 0;
    curl_multi_perform(multi_, &active);
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const auto it = transfers_.find(message->easy_handle);
        if (it == transfers_.end())
            continue;
        const CURLcode code = message->data.result;
        curl_multi_remove_handle(multi_, message->easy_handle);
        finished->push_back({it->second.first, it->second.second->result(code)});
        transfers_.erase(it);
    }
}

void MultiFetch::abortAll()
{
    for (auto &[handle, transfer] : transfers_)
        curl_multi_remove_handle(multi_, handle);
    transfers_.clear();
    endedAtOnce_.clear();
}
