#pragma once
// How politely a crawl that fetches several pages at once treats each host: at most so many
// requests to one host at a time, a least time between two of them, and a host that keeps
// failing is set aside for the rest of the crawl so that it holds up nothing. Pure bookkeeping:
// the caller gives the time, so the rules can be checked without waiting.

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

#include <chrono>

class HostSchedule final
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kFailuresInARow = 5;

    HostSchedule(int perHost, std::chrono::milliseconds wait);

    // A host's own least time between requests (its robots.txt Crawl-delay); never below the
    // crawl's.
    void setHostWait(const QByteArray &host, std::chrono::milliseconds wait);

    // Whether a request to `host` may start at `now`. When only the wait holds it back,
    // `readyAt` learns when it may.
    bool mayStart(const QByteArray &host, Clock::time_point now, Clock::time_point *readyAt) const;
    void started(const QByteArray &host, Clock::time_point now);
    // A request ended; `failed` for no answer at all or a server error. True when this failure
    // sets the host aside.
    bool finished(const QByteArray &host, bool failed);

    bool isSetAside(const QByteArray &host) const;
    QByteArrayList setAside() const; // in the order they were set aside

private:
    struct Host
    {
        int running = 0;
        int failuresInARow = 0;
        bool setAside = false;
        std::chrono::milliseconds wait{0};
        Clock::time_point lastStart{};
        bool started = false;
    };

    Host &host(const QByteArray &name);

    int perHost_;
    std::chrono::milliseconds wait_;
    QHash<QByteArray, Host> hosts_;
    QByteArrayList setAside_;
};
