#pragma once
// The steps of a crawl: what to do with a fetched page (a site page or a search engine's result
// page) and which page comes next. A step raises the page's events and RETURNS the next fetch,
// or the end; it never fetches and never starts a thread. Fetching, and how many fetches are in
// flight, is the chain driver's business.

#include "crawl/CrawlShared.h"
#include "crawl/EventHandOver.h"
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

// The events of a site page fetched by the thorough rules: its links offered (each slot that
// changed) and the page's report; `queued` learns the links that found a slot. For crawls that
// fetch several pages at once; they take the links to fetch next with takeLowestLinks.
std::vector<EventCall> thoroughPageEvents(const std::shared_ptr<TznWebSearch::Shared> &shared, const FetchedPage &page,
                                          std::vector<TWebLink> *queued);

// Queues the links a resumed crawl had waiting, in their order; returns the events telling
// the owner of the slots they fill.
std::vector<EventCall> offerResumed(const std::shared_ptr<TznWebSearch::Shared> &shared,
                                    const std::vector<TWebLink> &links);

// Takes waiting links, the lowest level first, until `taken` holds `most`; each counts as
// fetched from now on, and one a redirect has reached meanwhile is passed over. Returns the
// events telling the owner of the slots they leave.
std::vector<EventCall> takeLowestLinks(const std::shared_ptr<TznWebSearch::Shared> &shared, int most,
                                       std::vector<TWebLink> *taken);

// The event telling the owner of a fetch done, of a page at `level`; it carries its own copies.
EventCall fetchReport(const FetchedPage &page, int level);

// Runs the given step on a fetched page.
Next afterFetch(const std::shared_ptr<TznWebSearch::Shared> &shared, Step step, const FetchedPage &page);

// Asks the owner for the first result page; run on the owner's thread by StartPhraseSearch.
Next firstResultPage(const std::shared_ptr<TznWebSearch::Shared> &shared);

} // namespace CrawlChain
