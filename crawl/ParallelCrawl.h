#pragma once
// The site pages of a thorough crawl, several fetched at once on the chain's thread: breadth
// first (no page of a level is asked for while a link of a lower level waits), each page once,
// robots.txt asked for once per origin and obeyed, at most so many requests per host and a
// wait between two, hosts that keep failing set aside. Every hop of a redirect comes back here
// and is judged as a link. The events are raised one at a time as pages complete, each page's
// links offered before its report; Stop ends every transfer in flight at once.

#include "crawl/CrawlChain.h"

#include <memory>

namespace ParallelCrawl {

// Crawls from `first`, a site page, until no link waits and nothing is in flight, or the crawl
// is stopped: End; OwnerGone when the owner went meanwhile.
CrawlChain::Next run(const std::shared_ptr<TznWebSearch::Shared> &shared, const CrawlChain::Next &first);

} // namespace ParallelCrawl
