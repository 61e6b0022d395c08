#include "search/KeptCrawl.h"

#include "crawl/CrawlStateStore.h"

#include <QFile>

namespace KeptCrawl {

Check check(const QString &fileName, const QByteArray &start, Missing missing)
{
    Check result;
    if (missing == Missing::LeaveAlone && !QFile::exists(fileName))
        return result;
    const std::unique_ptr<CrawlStateStore> store = CrawlStateStore::open(fileName, &result.error);
    if (!store) {
        result.outcome = Check::Outcome::Unusable;
        return result;
    }
    result.start = store->start();
    if (result.start.isEmpty())
        result.outcome = Check::Outcome::NoneKept;
    else
        result.outcome = result.start == start ? Check::Outcome::SameStart : Check::Outcome::OtherStart;
    return result;
}

QString fileFor(const QString &resultFile)
{
    return resultFile + QStringLiteral(".state");
}

} // namespace KeptCrawl
