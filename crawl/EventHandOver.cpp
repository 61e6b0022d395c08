#include "crawl/EventHandOver.h"

#include "crawl/ThrWebSearch.h"

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

using AndThen = std::function<std::vector<EventCall>()>;

// Runs the calls in order on the owner's thread, each guarded, then the ones `andThen` gives;
// the owner is looked up before each one, since a handler may destroy it.
Raised runOnOwnerThread(TznWebSearch::Shared &s, const std::vector<EventCall> &calls, const AndThen &andThen)
{
    Raised result = Raised::Done;
    const auto run = [&](const std::vector<EventCall> &batch) {
        for (const EventCall &call : batch) {
            TznWebSearch *owner = nullptr;
            {
                const std::lock_guard g(s.lock);
                owner = s.owner;
            }
            if (owner == nullptr)
                return false;
            result = callGuarded(*owner, call);
        }
        return true;
    };
    if (!run(calls))
        return Raised::OwnerGone;
    if (andThen && !run(andThen()))
        return Raised::OwnerGone;
    return result;
}

Raised raiseOnOwnerThread(const std::shared_ptr<TznWebSearch::Shared> &shared, const std::vector<EventCall> &calls,
                          const AndThen &andThen = {})
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
        // The calls are the call's own: a handler that destroys the owner releases the worker,
        // which must not take them away while the rest of them are being skipped.
        [shared, ticket, calls, andThen] {
            {
                const std::lock_guard posted(postingLock());
            }
            const Raised result = runOnOwnerThread(*shared, calls, andThen);
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

enum class Route { OwnerGone, Here, OwnerThread };

Route routeOf(TznWebSearch::Shared &s)
{
    bool onOwnerThread = false;
    {
        const std::lock_guard guard(s.lock);
        if (s.owner == nullptr)
            return Route::OwnerGone;
        onOwnerThread = QThread::currentThread() == s.owner->thread();
    }
    return s.delivery == TznWebSearch::EventDelivery::OwnerThread && !onOwnerThread ? Route::OwnerThread : Route::Here;
}

} // namespace

Raised raiseEvent(const std::shared_ptr<TznWebSearch::Shared> &shared, const EventCall &call)
{
    switch (routeOf(*shared)) {
    case Route::OwnerGone:
        return Raised::OwnerGone;
    case Route::OwnerThread:
        return raiseOnOwnerThread(shared, {call});
    case Route::Here:
        break;
    }
    return raiseHere(*shared, call);
}

Raised raiseEvents(const std::shared_ptr<TznWebSearch::Shared> &shared, const std::vector<EventCall> &calls,
                   const AndThen &andThen)
{
    const Route route = routeOf(*shared);
    if (route == Route::OwnerGone)
        return Raised::OwnerGone;
    // Nothing for a handler to do first: what follows is known here already.
    if (calls.empty())
        return andThen ? raiseEvents(shared, andThen()) : Raised::Done;
    if (route == Route::OwnerThread)
        return raiseOnOwnerThread(shared, calls, andThen) == Raised::OwnerGone ? Raised::OwnerGone : Raised::Done;
    const auto run = [&](const std::vector<EventCall> &batch) {
        for (const EventCall &call : batch) {
            if (raiseHere(*shared, call) == Raised::OwnerGone)
                return false;
        }
        return true;
    };
    if (!run(calls) || (andThen && !run(andThen())))
        return Raised::OwnerGone;
    return Raised::Done;
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

void tellErrorLogUnwritable(TznWebSearch::Shared &s, const QString &reason)
{
    if (s.errorLogFailureTold.exchange(true))
        return;
    postToOwner(s, [reason](TznWebSearch &owner) {
        Q_EMIT owner.ErrorLogUnwritable(QString::fromLatin1(TThrWebSearch::kErrorLog), reason);
    });
}
