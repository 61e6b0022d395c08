#include "crawl/EventHandOver.h"

#include <QMetaObject>
#include <QThread>

namespace {

Raised callGuarded(TznWebSearch &owner, const std::function<void(TznWebSearch &)> &call)
{
    try {
        call(owner);
        return Raised::Done;
    } catch (...) {
        return Raised::HandlerFailed;
    }
}

Raised raiseHere(TznWebSearch::Shared &s, const std::function<void(TznWebSearch &)> &call)
{
    const std::lock_guard running(s.handlerRunning);
    TznWebSearch *owner = nullptr;
    {
        const std::lock_guard guard(s.lock);
        owner = s.owner;
    }
    if (owner == nullptr)
        return Raised::OwnerGone;
    s.handlerThread = std::this_thread::get_id();
    const Raised result = callGuarded(*owner, call);
    s.handlerThread = std::thread::id();
    return result;
}

struct Ticket
{
    bool done = false;
    Raised result = Raised::OwnerGone;
};

Raised raiseOnOwnerThread(const std::shared_ptr<TznWebSearch::Shared> &shared,
                          const std::function<void(TznWebSearch &)> &call)
{
    TznWebSearch::Shared &s = *shared;
    auto ticket = std::make_shared<Ticket>();
    std::unique_lock guard(s.lock);
    if (s.owner == nullptr)
        return Raised::OwnerGone;
    // Posted to the owner itself: if the owner is destroyed first, Qt drops the call unrun.
    QMetaObject::invokeMethod(
        s.owner,
        [shared, ticket, call] {
            TznWebSearch *owner = nullptr;
            {
                const std::lock_guard g(shared->lock);
                owner = shared->owner;
            }
            const Raised result = owner == nullptr ? Raised::OwnerGone : callGuarded(*owner, call);
            {
                const std::lock_guard g(shared->lock);
                ticket->done = true;
                ticket->result = result;
            }
            shared->handedBack.notify_all();
        },
        Qt::QueuedConnection);
    s.handedBack.wait(guard, [&] { return ticket->done || s.owner == nullptr; });
    return ticket->done ? ticket->result : Raised::OwnerGone;
}

} // namespace

Raised raiseEvent(const std::shared_ptr<TznWebSearch::Shared> &shared,
                  const std::function<void(TznWebSearch &)> &call)
{
    TznWebSearch::Shared &s = *shared;
    bool onOwnerThread = false;
    {
        const std::lock_guard guard(s.lock);
        if (s.owner == nullptr)
            return Raised::OwnerGone;
        onOwnerThread = QThread::currentThread() == s.owner->thread();
    }
    if (s.delivery == TznWebSearch::EventDelivery::OwnerThread && !onOwnerThread)
        return raiseOnOwnerThread(shared, call);
    return raiseHere(s, call);
}

void detachOwner(TznWebSearch::Shared &s)
{
    {
        const std::lock_guard guard(s.lock);
        s.owner = nullptr;
    }
    s.stop = true;
    s.abortFetch = true;
    s.handedBack.notify_all();
    // A handler running on a worker thread finishes before the owner goes; unless the
    // destructor is being called from inside that very handler.
    if (s.handlerThread.load() != std::this_thread::get_id()) {
        const std::lock_guard running(s.handlerRunning);
    }
}
