#include "crawl/WorkerReaper.h"

#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

struct Chains
{
    std::mutex lock;
    std::condition_variable allDone;
    int running = 0;
};

Chains &chains()
{
    static Chains *instance = new Chains; // never destroyed: a chain may outlive static teardown
    return *instance;
}

} // namespace

namespace WorkerReaper {

QThreadPool &pool()
{
    static QThreadPool *instance = [] {
        auto *threads = new QThreadPool; // never destroyed, for the same reason
        // Each running chain holds a thread for its whole life, and a chain whose owner waits
        // for an answer must never wait for another chain to give up its thread.
        threads->setMaxThreadCount(256);
        threads->setExpiryTimeout(30000);
        return threads;
    }();
    return *instance;
}

void started()
{
    Chains &c = chains();
    const std::lock_guard guard(c.lock);
    ++c.running;
}

void finished()
{
    Chains &c = chains();
    {
        const std::lock_guard guard(c.lock);
        --c.running;
    }
    c.allDone.notify_all();
}

bool waitForAll(int timeoutMs)
{
    Chains &c = chains();
    std::unique_lock guard(c.lock);
    return c.allDone.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&c] { return c.running == 0; });
}

int running()
{
    Chains &c = chains();
    const std::lock_guard guard(c.lock);
    return c.running;
}

} // namespace WorkerReaper
