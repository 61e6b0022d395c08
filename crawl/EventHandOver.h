#pragma once
// Raises one event of a crawl component where its owner wants it: on the calling worker
// thread, or on the owner's thread with the worker waiting. A handler that throws is
// reported as failed, never propagated into the crawl chain.

#include "crawl/CrawlShared.h"

#include <functional>
#include <memory>
#include <vector>

enum class Raised { Done, HandlerFailed, OwnerGone };

using EventCall = std::function<void(TznWebSearch &owner)>;

Raised raiseEvent(const std::shared_ptr<TznWebSearch::Shared> &shared, const EventCall &call);

// Raises the events one after another, each as raiseEvent would, but hands them to the owner's
// thread together and waits once: a page's link changes and the page itself would otherwise
// cost a round trip between the threads each, which set the pace of a crawl in the window. A
// handler that fails misses its own event only. Once they have run, `andThen` (when given) runs
// where they ran and returns the events that follow from what their handlers did; those are
// raised in the same hand-over. OwnerGone when the owner went before the last event had run
// (the ones after it are dropped, and `andThen` is not run), else Done.
Raised raiseEvents(const std::shared_ptr<TznWebSearch::Shared> &shared, const std::vector<EventCall> &calls,
                   const std::function<std::vector<EventCall>()> &andThen = {});

// Posts `call` to the owner's thread and returns at once; the call is dropped when the owner is
// gone by then. For what the owner is told besides the events, which nothing waits for.
void postToOwner(TznWebSearch::Shared &shared, std::function<void(TznWebSearch &owner)> call);

// Tells the owner, once a crawl, that a failed fetch could not be logged, for `reason`.
void tellErrorLogUnwritable(TznWebSearch::Shared &shared, const QString &reason);

// Called by the owner's destructor: no event starts after it returns, and a worker waiting
// for the owner's thread is released.
void detachOwner(TznWebSearch::Shared &shared);
