#include "crawl/EventHandOver.h"

#include <QMetaObject>
#include <QThread>

#include <mutex>

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

// Held by a fetch thread while it builds and posts a call to an owner's thread; the call takes
// it before it reads anything it carries. Qt's event queue already orders the two, but through a
// futex inside Qt Core that ThreadSanitizer cannot see; this lock shows it the hand-over, where a
// suppression for the queue would also hide real races in the owner's handlers. It is held for
// the posting only, never while anyone waits for the owner's thread.
std::mutex &postingLock()
{
    static std::mutex lock;
    return lock;
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
    std::unique_lock posting(postingLock());
    QMetaObject::invokeMethod(
        s.owner,
        [shared, ticket, call] {
            {
                const std::lock_guard posted(postingLock());
            }
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
    posting.unlock();
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

void postToOwner(TznWebSearch::Shared &s, std::function<void(TznWebSearch &owner)> call)
{
    const std::lock_guard guard(s.lock);
    if (s.owner == nullptr)
        return;
    const std::lock_guard posting(postingLock());
    TznWebSearch *owner = s.owner;
    // Posted to the owner itself, so Qt drops the call if the owner is destroyed first.
    QMetaObject::invokeMethod(
        owner,
        [owner, call = std::move(call)] {
            {
                const std::lock_guard posted(postingLock());
            }
            call(*owner);
        },
        Qt::QueuedConnection);
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
