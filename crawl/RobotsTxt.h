#pragma once
// What a site's robots.txt lets a crawler fetch (RFC 9309): the group for the crawler's product
// token, else the "*" group; the longest matching Allow or Disallow rule decides, Allow on a tie;
// "*" matches any run of characters and a final "$" the end of the path.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

class RobotsTxt
{
public:
    // Everything allowed: no robots.txt, or one that could not be found (4xx).
    static RobotsTxt allowAll();
    // Nothing allowed: a server error (5xx) on the robots.txt.
    static RobotsTxt disallowAll();
    // The rules of `body` for the crawler whose product token is `userAgent` ("Trawlex").
    static RobotsTxt parse(QByteArrayView body, QByteArrayView userAgent);

    // Whether the path with its query ("/a/b?c", starting with "/") may be fetched.
    bool allows(QByteArrayView pathAndQuery) const;
    // The group's Crawl-delay in seconds, when it gives one.
    std::optional<double> crawlDelay() const { return crawlDelay_; }

private:
    struct Rule
    {
        bool allow = false;
        QByteArray pattern;
    };

    bool everything_ = true; // when there are no rules
    std::vector<Rule> rules_;
    std::optional<double> crawlDelay_;
};
