#pragma once
// What a crawl component shares with its running chain. The chain holds it by shared_ptr, so it
// outlives a component destroyed mid-crawl; `owner` turning null tells the chain the owner is gone.

#include "crawl/CrawlRules.h"
#include "crawl/LinkRing.h"
#include "crawl/ThoroughState.h"
#include "crawl/znWebSearch.h"

#include <QByteArrayList>

#include <atomic>
#include <optional>
#include <condition_variable>
#include <mutex>
#include <thread>

struct TznWebSearch::Shared
{
    std::mutex lock; // guards ring, emails, owner, rules and thorough
    std::condition_variable handedBack;
    LinkRing ring;
    QByteArrayList emails;
    TznWebSearch *owner = nullptr;
    // A queue size set while a chain runs waits for its end: resizing a ring in use would
    // strand waiting links behind new free slots and leave the owners' mirrors wrong.
    std::optional<int> pendingSlots;
    // Set between crawls; a crawl reads the rules it started with.
    CrawlRules rules;
    std::optional<CrawlRules> pendingRules; // set during a crawl, taken when it ends
    ThoroughState thorough;

    // Held while a handler runs on the fetch thread, so the owner's destructor can wait it out.
    std::mutex handlerRunning;
    std::atomic<std::thread::id> handlerThread{};

    std::atomic<bool> stop{false};
    std::atomic<bool> searching{false}; // written under `lock`
    std::atomic<bool> abortFetch{false};
    std::atomic<bool> errorLogFailureTold{false}; // once a crawl
    // What a thorough crawl had to leave out: links that found the queue full, and hosts set
    // aside after failing again and again. Guarded by `lock`; reset when a crawl starts.
    qint64 droppedLinks = 0;
    QByteArrayList hostsSetAside;
    QByteArrayList addressesWritten; // taken as reported when a crawl starts
    TznResultLinkFilter resultLinkFilter; // for the result page answered last; guarded by `lock`
    TResultPage lastResultPage;           // guarded by `lock`
    std::atomic<bool> allLink{true};
    std::atomic<bool> japanOnly{false};
    std::atomic<int> maxLevel{3};
    std::atomic<int> readTimeoutMs{30000};
    std::atomic<EventDelivery> delivery{EventDelivery::WorkerThread};

    // The last act of every chain (the driver's, after its loop).
    void finishChain()
    {
        const std::lock_guard guard(lock);
        if (pendingSlots) {
            ring.resize(*pendingSlots);
            pendingSlots.reset();
        }
        if (pendingRules) {
            rules = *pendingRules;
            pendingRules.reset();
        }
        searching = false;
    }
};
