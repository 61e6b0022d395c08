#include "crawl/CrawlRules.h"

#include "TrawlexVersion.h"

QByteArray CrawlRules::defaultUserAgent()
{
    return QByteArrayLiteral("Trawlex/" TRAWLEX_VERSION);
}
