#include "crawl/HostSchedule.h"

#include <algorithm>

HostSchedule::HostSchedule(int perHost, std::chrono::milliseconds wait)
    : perHost_(std::max(1, perHost)), wait_(std::max(std::chrono::milliseconds(0), wait))
{
}

HostSchedule::Host &HostSchedule::host(const QByteArray &name)
{
    auto it = hosts_.find(name);
    if (it == hosts_.end()) {
        it = hosts_.insert(name, Host{});
        it->wait = wait_;
    }
    return *it;
}

void HostSchedule::setHostWait(const QByteArray &name, std::chrono::milliseconds wait)
{
    Host &h = host(name);
    h.wait = std::max(wait_, wait);
}

bool HostSchedule::mayStart(const QByteArray &name, Clock::time_point now, Clock::time_point *readyAt) const
{
    const auto it = hosts_.constFind(name);
    if (it == hosts_.constEnd())
        return true;
    if (it->setAside || it->running >= perHost_)
        return false;
    if (!it->started || it->wait.count() == 0)
        return true;
    const Clock::time_point ready = it->lastStart + it->wait;
    if (now >= ready)
        return true;
    if (readyAt)
        *readyAt = ready;
    return false;
}

void HostSchedule::started(const QByteArray &name, Clock::time_point now)
{
    Host &h = host(name);
    ++h.running;
    h.lastStart = now;
    h.started = true;
}

bool HostSchedule::finished(const QByteArray &name, bool failed)
{
    Host &h = host(name);
    h.running = std::max(0, h.running - 1);
    if (!failed) {
        h.failuresInARow = 0;
        return false;
    }
    if (h.setAside || ++h.failuresInARow < kFailuresInARow)
        return false;
    h.setAside = true;
    setAside_.append(name);
    return true;
}

bool HostSchedule::isSetAside(const QByteArray &name) const
{
    const auto it = hosts_.constFind(name);
    return it != hosts_.constEnd() && it->setAside;
}

QByteArrayList HostSchedule::setAside() const
{
    return setAside_;
}
