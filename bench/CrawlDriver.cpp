// Crawls one site headless with no-op handlers and prints what the crawl benchmark needs:
// pages fetched, addresses seen, seconds, peak resident memory.
//   crawl_driver URL MAXLEVEL MAXQUEUES

#include "crawl/WorkerReaper.h"
#include "crawl/znWebSearch.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: crawl_driver URL MAXLEVEL MAXQUEUES\n");
        return 2;
    }
    // Failed fetches go to Err.ini in the current folder, not beside the benchmark binary.
    ProgramFolder::set(QDir::currentPath());

    std::atomic<long> pages{0};
    std::atomic<long> addresses{0};
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;

    TznWebSearch search;
    search.setSearchEngine(QByteArray(argv[1]));
    search.setMaxLevel(QByteArray(argv[2]).toInt());
    search.setMaxQueues(QByteArray(argv[3]).toInt());
    search.OnPageReceived = [&](const QByteArray &, const QByteArray &, const QByteArrayList &emails) {
        ++pages;
        addresses += emails.size();
    };
    search.OnEnd = [&] {
        const std::lock_guard guard(lock);
        done = true;
        ended.notify_all();
    };

    QElapsedTimer timer;
    timer.start();
    search.StartSearch();
    {
        std::unique_lock guard(lock);
        ended.wait(guard, [&] { return done; });
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    WorkerReaper::waitForAll(5000);
    std::printf("pages %ld addresses %ld seconds %.3f pages_per_s %.1f peak_kib %ld\n", pages.load(),
                addresses.load(), seconds, double(pages.load()) / seconds, peakResidentKiB());
    return 0;
}
