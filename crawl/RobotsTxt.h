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
    // Nothing allowed: a server error (5xx) on the robots.txt. The robots.txt itself stays
    // allowed, so that it can be asked for again.
    static RobotsTxt disallowAll();
    // The rules of `body` for the crawler whose product token is `userAgent` ("Trawlex"). Only
    // the first 500 KiB of the body are read; a line cut there is dropped whole.
    static RobotsTxt parse(QByteArrayView body, QByteArrayView userAgent);

    // Whether the path with its query ("/a/b?c", starting with "/") may be fetched. Paths and
    // patterns are compared in one percent-encoded form: "%7e" and "~" are alike and the case of
    // hex digits does not count, while an encoded reserved character ("%2F", "%3F", "%3D", "%26",
    // "%2A", "%24", ...) stays apart from the character itself.
    bool allows(QByteArrayView pathAndQuery) const;
    // The group's Crawl-delay in seconds, when it gives one.
    std::optional<double> crawlDelay() const { return crawlDelay_; }

private:
    struct Rule
    {
        bool allow = false;
        bool anchored = false; // a final "$": the path has to end where the pattern does
        qsizetype weight = 0;  // octets other than "*" and the final "$": the longest wins
        QByteArray pattern;    // in the compared form, "*" runs folded into one, without "$"
    };

    static bool matches(const Rule &rule, QByteArrayView path);

    bool everything_ = true; // when there are no rules
    std::vector<Rule> rules_; // the heaviest first, Allow before Disallow of the same weight
    std::optional<double> crawlDelay_;
};
