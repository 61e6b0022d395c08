#include "crawl/ThoroughState.h"

#include "crawl/LinkScan.h"
#include "crawl/PublicSuffix.h"

void ThoroughState::reset()
{
    visited_.clear();
    reported_.clear();
    robots_.clear();
}

QByteArray ThoroughState::pageKey(const QUrl &url)
{
    return LinkScan::normalised(url).toEncoded();
}

QByteArray ThoroughState::siteOf(const QUrl &url)
{
    const QByteArray host = url.host(QUrl::FullyEncoded).toLower().toLatin1();
    const QByteArray registrable = PublicSuffix::registrableDomain(host);
    return registrable.isEmpty() ? host : registrable;
}

QByteArray ThoroughState::originOf(const QUrl &url)
{
    const QUrl normal = LinkScan::normalised(url);
    return normal.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toEncoded();
}

bool ThoroughState::markVisited(const QByteArray &key)
{
    if (visited_.contains(key))
        return false;
    visited_.insert(key);
    return true;
}

QByteArrayList ThoroughState::firstSeen(const QByteArrayList &found)
{
    QByteArrayList fresh;
    for (const QByteArray &address : found) {
        if (!reported_.contains(address)) {
            reported_.insert(address);
            fresh.append(address);
        }
    }
    return fresh;
}

std::optional<bool> ThoroughState::robotsAllow(const QByteArray &origin, QByteArrayView pathAndQuery) const
{
    const auto found = robots_.constFind(origin);
    if (found == robots_.constEnd())
        return std::nullopt;
    return found->allows(pathAndQuery);
}

void ThoroughState::setRobots(const QByteArray &origin, const RobotsTxt &robots)
{
    robots_.insert(origin, robots);
}
