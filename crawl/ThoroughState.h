#pragma once
// What a thorough crawl remembers while it runs: the pages it has fetched (or let go by a
// redirect), the addresses it has reported, and each host's robots.txt. Not thread-safe: the
// crawl component's lock guards it.

#include "crawl/RobotsTxt.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <optional>

class ThoroughState
{
public:
    void reset();

    // The key under which a page counts as visited: its normal form.
    static QByteArray pageKey(const QUrl &url);
    // The site a page belongs to: its registrable domain, or the host itself where it has none
    // (an address of digits, a name without a public suffix).
    static QByteArray siteOf(const QUrl &url);
    // "scheme://host:port", the home of one robots.txt.
    static QByteArray originOf(const QUrl &url);

    // True the first time a page key is seen; false when it was fetched already.
    bool markVisited(const QByteArray &key);
    bool visited(const QByteArray &key) const { return visited_.contains(key); }

    // The addresses of `found` not reported earlier in this crawl, which count as reported now.
    QByteArrayList firstSeen(const QByteArrayList &found);

    // Whether the origin's robots.txt lets the path be fetched; nothing while it is not known.
    std::optional<bool> robotsAllow(const QByteArray &origin, QByteArrayView pathAndQuery) const;
    void setRobots(const QByteArray &origin, const RobotsTxt &robots);

private:
    QSet<QByteArray> visited_;
    QSet<QByteArray> reported_;
    QHash<QByteArray, RobotsTxt> robots_;
};
