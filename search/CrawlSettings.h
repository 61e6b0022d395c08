#pragma once
// How a crawl is set up, in the one form the robot and engine panels and the command line all
// fill in and hand to the crawl component: the same limits, the same start-address rule and the
// same order of settings, whichever front end started it.

#include "crawl/CrawlRules.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TznWebSearch;

struct CrawlLimits
{
    int depth = 0;
    int queues = 0;
};

namespace CrawlDefaults {

inline constexpr CrawlLimits robot{500, 500};
inline constexpr CrawlLimits engine{3, 5000};

} // namespace CrawlDefaults

// A robot start address must begin with exactly "http://": the crawl fetches plain http only and
// the fetcher takes the scheme as written, so the test is case-sensitive. A thorough crawl also
// starts from "https://".
bool IsStartAddress(const QString &address, bool thorough = false);

struct CrawlSettings
{
    // Robot: the start address. Engine: the root address of the web-search host, the sign of
    // confirmed options.
    QByteArray searchEngine;
    QStringList phrases; // engine only
    CrawlLimits limits;
    bool allLinks = true;
    bool japaneseOnly = false;
    CrawlRules rules;

    void applyTo(TznWebSearch &search) const;
};
