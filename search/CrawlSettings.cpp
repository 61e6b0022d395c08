#include "search/CrawlSettings.h"

#include "crawl/znWebSearch.h"

bool IsStartAddress(const QString &address, bool thorough)
{
    return address.startsWith(QLatin1StringView("http://")) || (thorough && address.startsWith(QLatin1StringView("https://")));
}

void CrawlSettings::applyTo(TznWebSearch &search) const
{
    search.setSearchEngine(searchEngine);
    search.Phrases = phrases;
    search.setMaxLevel(limits.depth);
    search.setMaxQueues(limits.queues);
    search.setAllLink(allLinks);
    search.setJapanOnly(japaneseOnly);
    search.setRules(rules);
}
