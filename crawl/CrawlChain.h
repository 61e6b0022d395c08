#pragma once
// The steps of a crawl, run on the fetch workers: the page step, the result-page step, and
// taking the next waiting link. Each step's last act starts the next worker or ends the chain.

#include "crawl/CrawlShared.h"

#include <QByteArray>

#include <memory>

namespace CrawlChain {

enum class Step { Page, ResultPage };

// Starts a worker fetching `url` whose completion runs the given step.
void fetch(const std::shared_ptr<TznWebSearch::Shared> &shared, const QByteArray &url, int level, Step step);

// Asks the owner for the first result page (on the owner's thread) and fetches it.
void startResultChain(const std::shared_ptr<TznWebSearch::Shared> &shared);

} // namespace CrawlChain
