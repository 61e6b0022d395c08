#pragma once
// Runs one crawl chain as a visible loop on one recycled pool thread:
//
//     while (next is a fetch) { page = fetch(next); next = step(page); }
//
// then raises OnEnd (unless the owner is gone) and ends the chain. One fetch is in flight at a
// time, each by a one-shot TThrWebSearch with a client of its own; a thorough crawl's site pages
// go to ParallelCrawl instead, several at once on the same thread. The pool thread is borrowed
// for the whole chain rather than a thread per page: on Linux creating and joining a thread costs
// more than fetching a page from a nearby server. The owner's thread never runs a fetch.

#include "crawl/CrawlChain.h"
#include "crawl/CrawlShared.h"

#include <memory>

namespace ChainDriver {

// Counts the chain with WorkerReaper and hands it to a pool thread; returns at once.
void start(std::shared_ptr<TznWebSearch::Shared> shared, CrawlChain::Next first);

} // namespace ChainDriver
