#include "crawl/WorkerReaper.h"

#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

struct Reaper
{
    std::mutex lock;
    std::condition_variable allDone;
    std::vector<QThread *> finished;
    int running = 0;
};

Reaper &reaper()
{
    static Reaper *instance = new Reaper; // never destroyed: workers may outlive static teardown
    return *instance;
}

} // namespace

namespace WorkerReaper {

void started()
{
    Reaper &r = reaper();
    const std::lock_guard guard(r.lock);
    ++r.running;
}

void finished(QThread *worker)
{
    Reaper &r = reaper();
    {
        const std::lock_guard guard(r.lock);
        r.finished.push_back(worker);
        --r.running;
    }
    r.allDone.notify_all();
}

void reap()
{
    Reaper &r = reaper();
    std::vector<QThread *> doomed;
    {
        const std::lock_guard guard(r.lock);
        QThread *self = QThread::currentThread();
        for (auto it = r.finished.begin(); it != r.finished.end();) {
            if (*it == self) {
                ++it;
            } else {
                doomed.push_back(*it);
                it = r.finished.erase(it);
            }
        }
    }
    for (QThread *worker : doomed) {
        worker->wait(); // its run has returned or is returning: a short wait at most
        delete worker;
    }
}

bool waitForAll(int timeoutMs)
{
    Reaper &r = reaper();
    bool idle = false;
    {
        std::unique_lock guard(r.lock);
        idle = r.allDone.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&r] { return r.running == 0; });
    }
    reap();
    return idle;
}

int running()
{
    Reaper &r = reaper();
    const std::lock_guard guard(r.lock);
    return r.running;
}

} // namespace WorkerReaper
