#include "crawl/AddressScan.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArrayList scan(const char *page)
{
    return AddressScan::ExtractEmails(QByteArray(page));
}

} // namespace

TEST(AddressScan, AddressesHoweverThePageWritesThem)
{
    const std::pair<const char *, QByteArrayList> cases[] = {
        {"plain jane.doe+news@Shop.Example.COM.", {"jane.doe+news@shop.example.com"}},
        {"info&#64;shop.example.com", {"info@shop.example.com"}},
        {"info&#x40;shop&#46;example&#46;com", {"info@shop.example.com"}},
        {"info&commat;shop&period;example&period;com", {"info@shop.example.com"}},
        {"<a href=\"mailto:sales%40shop.example.com?subject=Hi%20there\">write</a>", {"sales@shop.example.com"}},
        {"<A HREF='MAILTO:a@x.org,b@x.org'>both</A>", {"a@x.org", "b@x.org"}},
        {"<a href=mailto:c&#64;x.org>c</a>", {"c@x.org"}},
        {"<span class=\"__cf_email__\" data-cfemail=\"422b2c242d02312a2d326c273a232f322e276c212d2f\">[protected]</span>",
         {"info@shop.example.com"}},
        {"name [at] example [dot] com", {"name@example.com"}},
        {"name(at)example.com", {"name@example.com"}},
        {"name (at) example (dot) co (dot) uk", {"name@example.co.uk"}},
        {"name {AT} example {DOT} org", {"name@example.org"}},
        {"name AT example DOT com", {"name@example.com"}},
        {"jane<b>@</b>example.org", {"jane@example.org"}},
        {"jane<span>.doe</span>@example.org", {"jane.doe@example.org"}},
        {"info@site.example.com</p><a>link</a>", {"info@site.example.com"}},
        {"<td>a@x.org</td><td>b.example.com</td>", {"a@x.org"}},
        {"b@x.org a@x.org B@X.ORG", {"b@x.org", "a@x.org"}},
        {".lead@x.org trail.@x.org a..b@x.org", {"lead@x.org", "b@x.org"}},
    };
    for (const auto &[page, expected] : cases)
        EXPECT_EQ(scan(page), expected) << page;
}

TEST(AddressScan, WhatOnlyLooksLikeAnAddressIsNone)
{
    const char *const decoys[] = {
        "<img src=\"logo@2x.png\"> icon@3x.webp banner@2x.jpg",
        "version name@1.2.3 and pkg@10.0.1",
        "we meet at the station, dot the i's; at noon AT home",
        "nobody@localhost and user@machine",
        "a@-bad.example.com a@bad-.com a@x..com",
        "<!-- hidden@x.org is a comment's -->",
        "mail@example.zz and mail@example.png",
    };
    for (const char *page : decoys)
        EXPECT_EQ(scan(page), QByteArrayList()) << page;
}

TEST(AddressScan, LengthLimitsOfTheLocalPartAndTheDomain)
{
    const QByteArray local64(64, 'a');
    const QByteArray label(62, 'b');
    const QByteArray domain253 = label + '.' + label + '.' + label + '.' + QByteArray(60, 'c') + ".com"; // 253 bytes
    ASSERT_EQ(domain253.size(), 253);
    EXPECT_EQ(AddressScan::ExtractEmails(local64 + "@x.org"), QByteArrayList{local64 + "@x.org"});
    EXPECT_EQ(AddressScan::ExtractEmails(" " + local64 + "a@x.org"), QByteArrayList());
    EXPECT_EQ(AddressScan::ExtractEmails("a@" + domain253), QByteArrayList{"a@" + domain253});
    EXPECT_EQ(AddressScan::ExtractEmails("a@d" + domain253), QByteArrayList());
}

TEST(AddressScan, HostilePagesEndAndFindNothing)
{
    // 4 MiB of each: a walk that went back over the page for every unit would not end within
    // the test's time limit.
    for (const char *unit : {"@", "a.", "<a href='mailto:", "&#64;", "<", "[at]", "<!--", "x@y."}) {
        SCOPED_TRACE(unit);
        const QByteArray page = QByteArray(unit).repeated(4 * 1024 * 1024 / qsizetype(strlen(unit)));
        EXPECT_EQ(AddressScan::ExtractEmails(page), QByteArrayList());
    }
}
