#pragma once
// The steps of a crawl: what to do with a fetched page (a site page or a search engine's result
// page) and which page comes next. A step raises the page's events and RETURNS the next fetch,
// or the end; it never fetches and never starts a thread. Fetching, and how many fetches are in
// flight, is the chain driver's business.

#include "crawl/CrawlShared.h"
#include "crawl/ThrWebSearch.h"

#include <QByteArray>

#include <memory>

namespace CrawlChain {

enum class Step { Page, ResultPage };

// What comes after a step: another fetch, or the end of the chain.
struct Next
{
    enum class What {
        Fetch,     // fetch `url` at `level`, then run `step` on it
        End,       // the crawl is over: the owner gets OnEnd
        OwnerGone, // the owner is gone: the chain ends with no further event
    };
    What what = What::End;
    QByteArray url;
    int level = 0;
    Step step = Step::Page;

    static Next fetch(const QByteArray &url, int level, Step step) { return {What::Fetch, url, level, step}; }
    static Next end() { return {}; }
    static Next ownerGone() { return {What::OwnerGone, {}, 0, Step::Page}; }
};

// The next fetch when the driver lets a page go unfetched (robots.txt forbids it, or a thorough
// crawl has fetched it already): the next waiting link.
Next skipFetch(const std::shared_ptr<TznWebSearch::Shared> &shared);

// Runs the given step on a fetched page.
Next afterFetch(const std::shared_ptr<TznWebSearch::Shared> &shared, Step step, const FetchedPage &page);

// Asks the owner for the first result page; run on the owner's thread by StartPhraseSearch.
Next firstResultPage(const std::shared_ptr<TznWebSearch::Shared> &shared);

} // namespace CrawlChain
