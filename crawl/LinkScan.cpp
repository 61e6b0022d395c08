#include "crawl/LinkScan.h"

namespace LinkScan {

QList<QUrl> ExtractLinks(QByteArrayView, const QUrl &)
{
    return {};
}

QUrl normalised(const QUrl &url)
{
    return url;
}

bool surelyNotAPage(const QUrl &)
{
    return false;
}

bool isPageType(QByteArrayView)
{
    return true;
}

} // namespace LinkScan
