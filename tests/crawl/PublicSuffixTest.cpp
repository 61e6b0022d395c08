#include "crawl/PublicSuffix.h"

#include <gtest/gtest.h>

TEST(PublicSuffix, RegistrableDomainsAndRealTopLevelDomains)
{
    const std::pair<const char *, const char *> domains[] = {
        {"www.example.com", "example.com"},
        {"docs.example.co.uk", "example.co.uk"},
        {"example.com", "example.com"},
        {"co.uk", ""},
        {"com", ""},
        {"127.0.0.1", ""},
        {"", ""},
    };
    for (const auto &[host, registrable] : domains)
        EXPECT_EQ(PublicSuffix::registrableDomain(host), QByteArray(registrable)) << host;

    const std::pair<const char *, bool> topLevels[] = {
        {"example.com", true}, {"x.org", true}, {"shop.de", true}, {"logo.png", false},
        {"icon.webp", false},  {"name.zz", false}, {"", false},    {"com", true},
    };
    for (const auto &[domain, real] : topLevels)
        EXPECT_EQ(PublicSuffix::hasRealTopLevel(domain), real) << domain;
}
