#include "crawl/CrawlChain.h"

#include "crawl/EventHandOver.h"
#include "crawl/AddressScan.h"
#include "crawl/LinkScan.h"
#include "crawl/PageText.h"

#include <utility>
#include <vector>

namespace CrawlChain {
namespace {

using SharedPtr = std::shared_ptr<TznWebSearch::Shared>;

// What the owner's phrase handler reads and writes; shared so that a handler running on the
// owner's thread never writes into the fetch thread's stack.
struct PhraseRequest
{
    int position = 0;
    QByteArray url;
};

Raised askForResultPage(const SharedPtr &s, const std::shared_ptr<PhraseRequest> &request)
{
    return raiseEvent(s, [request](TznWebSearch &owner) {
        if (owner.OnPhraseSearchStart)
            owner.OnPhraseSearchStart(request->position, request->url);
    });
}

// The events telling the owner of changed queue slots, in order. They carry their own copies:
// an event may still be running on the owner's thread when the fetch thread has moved on.
void addSlotChanges(std::vector<EventCall> &events, const std::vector<SlotChange> &changes)
{
    for (const SlotChange &change : changes) {
        events.push_back([change](TznWebSearch &owner) {
            if (owner.OnWebLinkChange)
                owner.OnWebLinkChange(change.link, QByteArray::number(change.level), change.index);
        });
    }
}

// False when the owner is gone. A handler that fails misses its own event only: the crawl and
// the other reports go on, so a faulty handler can never leave the chain hanging.
bool reportSlotChanges(const SharedPtr &s, const std::vector<SlotChange> &changes)
{
    std::vector<EventCall> events;
    addSlotChanges(events, changes);
    return raiseEvents(s, events) != Raised::OwnerGone;
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

EventCall pageReport(const QByteArray &base, const QByteArray &page, const QByteArrayList &emails)
{
    return [base, page, emails](TznWebSearch &owner) {
        if (owner.OnPageReceived)
            owner.OnPageReceived(base, page, emails);
    };
}

// Raises `events`, then takes the next waiting link unless a handler has stopped the crawl, and
// tells the owner of the slot it leaves, all in one hand-over.
Next nextQueuedLink(const SharedPtr &s, const std::vector<EventCall> &events = {})
{
    TWebLink taken;
    const auto takeLink = [&s, &taken]() -> std::vector<EventCall> {
        if (s->stop)
            return {};
        SlotChange change;
        bool hadSlot = false;
        {
            const std::lock_guard guard(s->lock);
            hadSlot = s->ring.take(&taken, &change);
        }
        std::vector<EventCall> told;
        if (hadSlot)
            addSlotChanges(told, {change});
        return told;
    };
    if (raiseEvents(s, events, takeLink) == Raised::OwnerGone)
        return Next::ownerGone();
    if (taken.Link.isEmpty())
        return Next::end();
    {
        const std::lock_guard guard(s->lock);
        s->emails.clear();
    }
    return Next::fetch(taken.Link, taken.Level, Step::Page);
}

Next pageStep(const SharedPtr &s, const FetchedPage &fetched)
{
    const QByteArrayList emails = takeEmails(*s, fetched.body);
    const QByteArray base = PageText::BaseOf(fetched.url);
    // Links of a page too deep to queue are never used; not collecting them changes nothing.
    std::vector<EventCall> events;
    if (fetched.nextLevel <= s->maxLevel) {
        const bool yieldsLinks = !s->japanOnly || PageText::IsJapanesePage(fetched.body);
        const QByteArrayList links =
            yieldsLinks ? PageText::ExtractLinks(base, fetched.body, false, s->allLink) : QByteArrayList();
        addSlotChanges(events, offerLinks(*s, links, fetched.nextLevel));
    }
    // The queue changes first, then the fetch and the page, then the link taken next: the owner
    // is told of them in one hand-over.
    events.push_back(fetchReport(fetched, fetched.nextLevel - 1));
    events.push_back(pageReport(base, fetched.body, emails));
    return nextQueuedLink(s, events);
}

// The links of a result page by the thorough rules: resolved as a browser resolves them (an
// engine's result links are often relative to its own redirector), not surely files. Unless the
// engine's own rule says which are results, its links to its own origin are its navigation.
QByteArrayList thoroughResultLinks(const FetchedPage &fetched, bool dropOwnOrigin)
{
    const QUrl pageUrl(QString::fromLatin1(fetched.finalUrl));
    const QByteArray own = ThoroughState::originOf(pageUrl);
    QByteArrayList links;
    for (const QUrl &link : LinkScan::ExtractLinks(fetched.body, pageUrl)) {
        if (LinkScan::surelyNotAPage(link) || (dropOwnOrigin && ThoroughState::originOf(link) == own))
            continue;
        links.append(ThoroughState::pageKey(link));
    }
    return links;
}

// For a result page, `nextLevel` is its position plus one: the position the owner is asked for.
Next resultPageStep(const SharedPtr &s, const FetchedPage &fetched)
{
    const QByteArrayList emails = takeEmails(*s, fetched.body);
    // A thorough crawl takes an engine's links as written for the page that answered, after
    // any redirect (to https, to a host of its own).
    const bool thorough = s->rules.thorough && !fetched.finalUrl.isEmpty();
    const QByteArray base = PageText::BaseOf(thorough ? fetched.finalUrl : fetched.url);
    TznResultLinkFilter isResult;
    {
        const std::lock_guard guard(s->lock);
        isResult = std::exchange(s->resultLinkFilter, {});
    }
    QByteArrayList links = thorough ? thoroughResultLinks(fetched, !isResult)
                                      : PageText::ExtractLinks(base, fetched.body, true, s->allLink);
    if (isResult)
        links.removeIf([&isResult](const QByteArray &link) { return !isResult(link); });
    {
        const std::lock_guard guard(s->lock);
        s->lastResultPage = {fetched.url, fetched.finalUrl, fetched.status, fetched.body, int(links.size())};
    }
    if (fetched.nextLevel <= s->maxLevel && !reportSlotChanges(s, offerLinks(*s, links, 1)))
        return Next::ownerGone();
    auto request = std::make_shared<PhraseRequest>();
    request->position = fetched.nextLevel;
    Raised raised = raiseEvent(s, fetchReport(fetched, 0));
    if (raised != Raised::OwnerGone)
        raised = raiseEvent(s, pageReport(base, fetched.body, emails));
    if (raised == Raised::Done)
        raised = askForResultPage(s, request);
    if (raised == Raised::OwnerGone)
        return Next::ownerGone();
    if (raised == Raised::HandlerFailed)
        request->url = QByteArrayLiteral("about:blank"); // its fetch fails and the walk goes on
    if (request->url.isEmpty())
        return nextQueuedLink(s);
    return Next::fetch(request->url, request->position, Step::ResultPage);
}

} // namespace

EventCall fetchReport(const FetchedPage &fetched, int level)
{
    return [url = fetched.url, level, status = int(fetched.status),
            error = fetched.error](TznWebSearch &owner) {
        if (owner.OnPageFetched)
            owner.OnPageFetched(url, level, status, error);
    };
}

// A site page by the thorough rules: its address as it answered, its links resolved, in scope,
// not surely files and not fetched yet, and only the addresses no earlier page of the crawl
// reported.
std::vector<EventCall> thoroughPageEvents(const SharedPtr &s, const FetchedPage &fetched, std::vector<TWebLink> *queued)
{
    const QUrl pageUrl(QString::fromLatin1(fetched.finalUrl.isEmpty() ? fetched.url : fetched.finalUrl));
    const QByteArray site = ThoroughState::siteOf(pageUrl);
    const QByteArrayList found = AddressScan::ExtractEmails(fetched.body);
    QByteArrayList links;
    const bool yieldsLinks = !s->japanOnly || PageText::IsJapanesePage(fetched.body);
    if (fetched.nextLevel <= s->maxLevel && yieldsLinks && !fetched.body.isEmpty()) {
        for (const QUrl &link : LinkScan::ExtractLinks(fetched.body, pageUrl)) {
            if (LinkScan::surelyNotAPage(link) || (!s->allLink && ThoroughState::siteOf(link) != site))
                continue;
            links.append(ThoroughState::pageKey(link));
        }
    }
    QByteArrayList emails;
    std::vector<EventCall> events;
    {
        const std::lock_guard guard(s->lock);
        emails = s->thorough.firstSeen(found);
        s->emails = emails;
        QByteArrayList fresh;
        for (const QByteArray &link : links) {
            if (!s->thorough.visited(link))
                fresh.append(link);
        }
        std::vector<SlotChange> changes;
        if (fetched.nextLevel <= s->maxLevel)
            s->droppedLinks += s->ring.offer(fresh, fetched.nextLevel, &changes);
        addSlotChanges(events, changes);
        for (const SlotChange &change : changes)
            queued->push_back(TWebLink{change.link, change.level});
    }
    events.push_back(fetchReport(fetched, fetched.nextLevel - 1));
    events.push_back(pageReport(pageUrl.toEncoded(), fetched.body, emails));
    return events;
}

std::vector<EventCall> offerResumed(const SharedPtr &s, const std::vector<TWebLink> &links)
{
    std::vector<SlotChange> changes;
    {
        const std::lock_guard guard(s->lock);
        for (const TWebLink &link : links)
            s->droppedLinks += s->ring.offer({link.Link}, link.Level, &changes);
    }
    std::vector<EventCall> events;
    addSlotChanges(events, changes);
    return events;
}

std::vector<EventCall> takeLowestLinks(const SharedPtr &s, int most, std::vector<TWebLink> *taken)
{
    std::vector<SlotChange> changes;
    {
        const std::lock_guard guard(s->lock);
        TWebLink link;
        while (int(taken->size()) < most && s->ring.takeLowest(&link, &changes)) {
            // A redirect may have reached it since it was offered.
            if (s->thorough.markVisited(link.Link))
                taken->push_back(link);
        }
    }
    std::vector<EventCall> events;
    addSlotChanges(events, changes);
    return events;
}

Next afterFetch(const SharedPtr &s, Step step, const FetchedPage &page)
{
    return step == Step::Page ? pageStep(s, page) : resultPageStep(s, page);
}

Next firstResultPage(const SharedPtr &s)
{
    auto request = std::make_shared<PhraseRequest>();
    const Raised raised = askForResultPage(s, request);
    if (raised == Raised::HandlerFailed)
        request->url = QByteArrayLiteral("about:blank");
    // Whatever the handler wrote into the position, the first result page is position 0.
    return Next::fetch(request->url, 0, Step::ResultPage);
}

} // namespace CrawlChain
