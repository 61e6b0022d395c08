#include "crawl/CrawlRules.h"

QByteArray CrawlRules::defaultUserAgent()
{
    return QByteArrayLiteral("Trawlex/" TRAWLEX_VERSION);
}
