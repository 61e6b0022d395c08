// The thorough link scan on any page: it ends, every link is a web address with a host and no
// fragment, in its normal form and given once; and the normal form of anything is its own.
#include "crawl/LinkScan.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Bytes from 0xF0 up stand for the pieces of markup a random page would rarely spell out.
const char *const pieces[16] = {"<a href=", "<A HREF=\"", "<base href='", "<!--", "-->", "<script>", "</script>", "&amp;",
                                "&#x", "../", "//", "http://H:80/", "#", "?", "<iframe src=", "</iframe>"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    QByteArray page;
    for (size_t k = 0; k < size; ++k) {
        if (data[k] >= 0xF0)
            page.append(pieces[data[k] - 0xF0]);
        else
            page.append(char(data[k]));
    }
    const QList<QUrl> links = LinkScan::ExtractLinks(page, QUrl(QStringLiteral("http://h/d/p.html?q")));
    QSet<QString> keys;
    for (const QUrl &link : links) {
        const QString key = link.toString(QUrl::FullyEncoded);
        const bool web = link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https");
        if (!web || link.host().isEmpty() || link.hasFragment() || keys.contains(key) || LinkScan::normalised(link) != link)
            std::abort();
        keys.insert(key);
        (void)LinkScan::surelyNotAPage(link);
    }
    const QUrl once = LinkScan::normalised(QUrl(QString::fromUtf8(page), QUrl::TolerantMode));
    if (LinkScan::normalised(once) != once)
        std::abort();
    (void)LinkScan::isPageType(page);
    return 0;
}
