#pragma once
// Raises one event of a crawl component where its owner wants it: on the calling worker
// thread, or on the owner's thread with the worker waiting. A handler that throws is
// reported as failed, never propagated into the crawl chain.

#include "crawl/CrawlShared.h"

#include <functional>
#include <memory>

enum class Raised { Done, HandlerFailed, OwnerGone };

Raised raiseEvent(const std::shared_ptr<TznWebSearch::Shared> &shared,
                  const std::function<void(TznWebSearch &owner)> &call);

// Posts `call` to the owner's thread and returns at once; the call is dropped when the owner is
// gone by then. For what the owner is told besides the events, which nothing waits for.
void postToOwner(TznWebSearch::Shared &shared, std::function<void(TznWebSearch &owner)> call);

// Called by the owner's destructor: no event starts after it returns, and a worker waiting
// for the owner's thread is released.
void detachOwner(TznWebSearch::Shared &shared);
