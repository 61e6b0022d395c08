#include "crawl/znWebSearch.h"

#include "crawl/ChainDriver.h"
#include "crawl/CrawlChain.h"
#include "crawl/CrawlShared.h"
#include "crawl/EventHandOver.h"

TznWebSearch::TznWebSearch(QObject *owner) : QObject(owner), s(std::make_shared<Shared>())
{
    s->owner = this;
}

TznWebSearch::~TznWebSearch()
{
    // The chain keeps the shared state; it finds the owner gone, aborts the fetch in flight and
    // ends without another event. Nothing here waits for the owner's own thread.
    detachOwner(*s);
}

bool TznWebSearch::AllLink() const { return s->allLink; }
void TznWebSearch::setAllLink(bool value) { s->allLink = value; }
int TznWebSearch::MaxLevel() const { return s->maxLevel; }
void TznWebSearch::setMaxLevel(int value) { s->maxLevel = value; }
bool TznWebSearch::JapanOnly() const { return s->japanOnly; }
void TznWebSearch::setJapanOnly(bool value) { s->japanOnly = value; }
bool TznWebSearch::Searching() const { return s->searching; }
bool TznWebSearch::Stop() const { return s->stop; }
void TznWebSearch::setStop(bool value) { s->stop = value; }
void TznWebSearch::StopSearch() { s->stop = true; }
QByteArray TznWebSearch::SearchEngine() const { return searchEngine_; }
void TznWebSearch::setSearchEngine(const QByteArray &address) { searchEngine_ = address; }
int TznWebSearch::MaxQueues() const { return maxQueues_; }
TznWebSearch::EventDelivery TznWebSearch::eventDelivery() const { return s->delivery; }
void TznWebSearch::setEventDelivery(EventDelivery delivery) { s->delivery = delivery; }
void TznWebSearch::setReadTimeout(int milliseconds) { s->readTimeoutMs = milliseconds; }

CrawlRules TznWebSearch::Rules() const
{
    const std::lock_guard guard(s->lock);
    return s->rules;
}

void TznWebSearch::setRules(const CrawlRules &rules)
{
    const std::lock_guard guard(s->lock);
    if (!s->searching)
        s->rules = rules;
    else
        s->pendingRules = rules;
}

QByteArrayList TznWebSearch::Emails() const
{
    const std::lock_guard guard(s->lock);
    return s->emails;
}

void TznWebSearch::setEmails(const QByteArrayList &lines)
{
    const std::lock_guard guard(s->lock);
    s->emails = lines;
}

void TznWebSearch::setMaxQueues(int value)
{
    if (value == maxQueues_)
        return;
    maxQueues_ = value;
    const std::lock_guard guard(s->lock);
    if (s->searching)
        s->pendingSlots = value;
    else
        s->ring.resize(value);
}

int TznWebSearch::WebLinkCount() const
{
    const std::lock_guard guard(s->lock);
    return int(s->ring.slots().size());
}

TWebLinks TznWebSearch::WebLink() const
{
    const std::lock_guard guard(s->lock);
    return s->ring.slots();
}

int TznWebSearch::WriteIndex() const
{
    const std::lock_guard guard(s->lock);
    return s->ring.writeIndex();
}

int TznWebSearch::ReadIndex() const
{
    const std::lock_guard guard(s->lock);
    return s->ring.readIndex();
}

qint64 TznWebSearch::DroppedLinks() const
{
    const std::lock_guard guard(s->lock);
    return s->droppedLinks;
}

QByteArrayList TznWebSearch::HostsSetAside() const
{
    const std::lock_guard guard(s->lock);
    return s->hostsSetAside;
}

void TznWebSearch::setAddressesWritten(const QByteArrayList &addresses)
{
    const std::lock_guard guard(s->lock);
    s->addressesWritten = addresses;
}

void TznWebSearch::setResultLinkFilter(TznResultLinkFilter filter)
{
    const std::lock_guard guard(s->lock);
    s->resultLinkFilter = std::move(filter);
}

TResultPage TznWebSearch::LastResultPage() const
{
    const std::lock_guard guard(s->lock);
    return s->lastResultPage;
}

namespace {

// The common part of both starts; false when a crawl still runs.
bool beginChain(TznWebSearch::Shared &s)
{
    const std::lock_guard guard(s.lock);
    if (s.searching)
        return false;
    s.searching = true;
    s.ring.reset();
    s.stop = false;
    s.errorLogFailureTold = false;
    s.emails.clear();
    s.thorough.reset();
    s.droppedLinks = 0;
    s.hostsSetAside.clear();
    s.thorough.firstSeen(s.addressesWritten);
    s.resultLinkFilter = {};
    s.lastResultPage = {};
    return true;
}

} // namespace

bool TznWebSearch::StartSearch()
{
    if (!beginChain(*s))
        return false;
    ChainDriver::start(s, CrawlChain::Next::fetch(searchEngine_, 0, CrawlChain::Step::Page));
    return true;
}

bool TznWebSearch::StartPhraseSearch()
{
    if (!beginChain(*s))
        return false;
    // The first question goes to the owner on its own thread, before any fetch starts.
    ChainDriver::start(s, CrawlChain::firstResultPage(s));
    return true;
}
