#include "crawl/CrawlChain.h"

#include "crawl/EventHandOver.h"
#include "crawl/PageText.h"
#include "crawl/ThrWebSearch.h"

#include <vector>

namespace CrawlChain {
namespace {

using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

// What the owner's phrase handler reads and writes; shared so that a handler running on the
// owner's thread never writes into a worker's stack.
struct PhraseRequest
{
    int position = 0;
    QByteArray url;
};

void endChain(const SharedPtr &s)
{
    raiseEvent(s, [](TznWebSearch &owner) {
        if (owner.OnEnd)
            owner.OnEnd();
    });
    s->finishChain();
}

// False when the owner is gone. A handler that fails misses its own event only: the crawl and
// the other reports go on, so a faulty handler can never leave the chain hanging.
bool reportSlotChanges(const SharedPtr &s, const std::vector<SlotChange> &changes)
{
    for (const SlotChange &change : changes) {
        const Raised raised = raiseEvent(s, [&change](TznWebSearch &owner) {
            if (owner.OnWebLinkChange)
                owner.OnWebLinkChange(change.link, QByteArray::number(change.level), change.index);
        });
        if (raised == Raised::OwnerGone)
            return false;
    }
    return true;
}

// Returns the page's addresses after storing them as the component's Emails.
QByteArrayList takeEmails(TznWebSearch::Shared &s, const QByteArray &page)
{
    QByteArrayList emails = PageText::ExtractEmails(page);
    const std::lock_guard guard(s.lock);
    s.emails = emails;
    return emails;
}

std::vector<SlotChange> offerLinks(TznWebSearch::Shared &s, const QByteArrayList &links, int level)
{
    std::vector<SlotChange> changes;
    const std::lock_guard guard(s.lock);
    s.ring.offer(links, level, &changes);
    return changes;
}

Raised reportPage(const SharedPtr &s, const QByteArray &base, const QByteArray &page, const QByteArrayList &emails)
{
    return raiseEvent(s, [&](TznWebSearch &owner) {
        if (owner.OnPageReceived)
            owner.OnPageReceived(base, page, emails);
    });
}

void nextQueuedLink(const SharedPtr &s)
{
    if (s->stop) {
        endChain(s);
        return;
    }
    TWebLink taken;
    SlotChange change;
    bool hadSlot = false;
    {
        const std::lock_guard guard(s->lock);
        hadSlot = s->ring.take(&taken, &change);
    }
    if (hadSlot && !reportSlotChanges(s, {change})) {
        s->finishChain(); // the owner is gone: nobody is left to tell
        return;
    }
    if (taken.Link.isEmpty()) {
        endChain(s);
        return;
    }
    {
        const std::lock_guard guard(s->lock);
        s->emails.clear();
    }
    fetch(s, taken.Link, taken.Level, Step::Page);
}

// `level` is the fetched page's level plus one: the level of the links it holds.
void pageStep(const SharedPtr &s, const QByteArray &url, const QByteArray &page, int level)
{
    const QByteArrayList emails = takeEmails(*s, page);
    const QByteArray base = PageText::BaseOf(url);
    // Links of a page too deep to queue are never used; not collecting them changes nothing.
    if (level <= s->maxLevel) {
        const bool yieldsLinks = !s->japanOnly || PageText::IsJapanesePage(page);
        const QByteArrayList links = yieldsLinks ? PageText::ExtractLinks(base, page, false, s->allLink) : QByteArrayList();
        if (!reportSlotChanges(s, offerLinks(*s, links, level))) {
            s->finishChain();
            return;
        }
    }
    if (reportPage(s, base, page, emails) == Raised::OwnerGone) {
        s->finishChain();
        return;
    }
    nextQueuedLink(s);
}

// `position` is the result page's own position plus one.
void resultPageStep(const SharedPtr &s, const QByteArray &url, const QByteArray &page, int position)
{
    const QByteArrayList emails = takeEmails(*s, page);
    const QByteArray base = PageText::BaseOf(url);
    const QByteArrayList links = PageText::ExtractLinks(base, page, true, s->allLink);
    if (position <= s->maxLevel && !reportSlotChanges(s, offerLinks(*s, links, 1))) {
        s->finishChain();
        return;
    }
    auto request = std::make_shared<PhraseRequest>();
    request->position = position;
    Raised raised = reportPage(s, base, page, emails);
    if (raised == Raised::Done) {
        raised = raiseEvent(s, [request](TznWebSearch &owner) {
            if (owner.OnPhraseSearchStart)
                owner.OnPhraseSearchStart(request->position, request->url);
        });
    }
    if (raised == Raised::OwnerGone) {
        s->finishChain();
        return;
    }
    if (raised == Raised::HandlerFailed)
        request->url = QByteArrayLiteral("about:blank"); // its fetch fails and the walk goes on
    if (!request->url.isEmpty())
        fetch(s, request->url, request->position, Step::ResultPage);
    else
        nextQueuedLink(s);
}

} // namespace

void fetch(const SharedPtr &s, const QByteArray &url, int level, Step step)
{
    auto *worker = new TThrWebSearch(url, level, s->readTimeoutMs, &s->abortFetch);
    worker->OnFetched = [s, step](const QByteArray &fetched, const QByteArray &page, int nextLevel) {
        if (step == Step::Page)
            pageStep(s, fetched, page, nextLevel);
        else
            resultPageStep(s, fetched, page, nextLevel);
    };
    worker->Resume();
}

void startResultChain(const SharedPtr &s)
{
    auto request = std::make_shared<PhraseRequest>();
    const Raised raised = raiseEvent(s, [request](TznWebSearch &owner) {
        if (owner.OnPhraseSearchStart)
            owner.OnPhraseSearchStart(request->position, request->url);
    });
    if (raised == Raised::HandlerFailed)
        request->url = QByteArrayLiteral("about:blank");
    // Whatever the handler wrote into the position, the first result page is position 0.
    fetch(s, request->url, 0, Step::ResultPage);
}

} // namespace CrawlChain
