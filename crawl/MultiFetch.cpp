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
    int active = 0;
    curl_multi_perform(multi_, &active);
    if (finished.empty())
        curl_multi_poll(multi_, nullptr, 0, int(most.count()), nullptr);
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
        finished.push_back({it->second.first, it->second.second->result(code)});
        transfers_.erase(it);
    }
    return finished;
}

void MultiFetch::abortAll()
{
    for (auto &[handle, transfer] : transfers_)
        curl_multi_remove_handle(multi_, handle);
    transfers_.clear();
    endedAtOnce_.clear();
}
