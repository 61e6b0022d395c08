#include "crawl/AddressScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row
{
    std::string page;
    std::vector<std::string> addresses;
};

std::vector<std::string> Scan(const std::string &page)
{
    std::vector<std::string> found;
    for (const QByteArray &address : AddressScan::ExtractEmails(QByteArrayView(page.data(), qsizetype(page.size()))))
        found.push_back(address.toStdString());
    return found;
}

void ExpectRows(const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(Scan(row.page), row.addresses);
    }
}

TEST(AddressScan, PlainAddressesAndTheirEdges)
{
    ExpectRows({
        {"Write to jane.doe+news@example.org today.", {"jane.doe+news@example.org"}},
        {"Jane.Doe@Example.ORG", {"jane.doe@example.org"}},
        {"info@site.example.com.", {"info@site.example.com"}},
        {"see info@example.com... or", {"info@example.com"}},
        {"(mail:a_b%c-d@mail.example.co.uk)", {"a_b%c-d@mail.example.co.uk"}},
        {".lead@example.com", {"lead@example.com"}},
        {"a..b@example.com", {"b@example.com"}},
        {"trail.@example.com", {}},
        {"'quoted'@example.com x=\"q@example.com\"", {"q@example.com"}},
        {"x@-bad.com y@bad-.com z@a..com", {}},
        {"no@domain no@.com @example.com", {}},
        {"first@example.com, second@example.net;third@example.de", {"first@example.com", "second@example.net", "third@example.de"}},
        // Text is read in 16-byte blocks: an "@" on either side of a block's edge, a tag right
        // after a whole block, an "@" after an entity within the block that holds both.
        {std::string(15, 'b') + "@example.com", {std::string(15, 'b') + "@example.com"}},
        {std::string(16, 'a') + "@example.com", {std::string(16, 'a') + "@example.com"}},
        {"0123456789abcdef<p>jane@example.org", {"jane@example.org"}},
        {"x&amp;jane@example.org", {"jane@example.org"}},
        // The same at the edges of 32-byte blocks.
        {std::string(31, 'c') + "@example.com", {std::string(31, 'c') + "@example.com"}},
        {std::string(32, 'd') + "@example.com", {std::string(32, 'd') + "@example.com"}},
        {std::string(31, 'x') + "<p>jane@example.org", {"jane@example.org"}},
        {std::string(26, ' ') + "name AT example DOT com", {"name@example.com"}}, // "A" ends a block
    });
}

TEST(AddressScan, DecoysThatOnlyLookLikeAddresses)
{
    ExpectRows({
        {"<p>logo@2x.png icon@3x.webp name@1.2.3 font@v1.woff2</p>", {}},
        {"<p>Meet at the station at example dot com.</p>", {}},
        {"<p>We are at home (at) noon [at] the door.</p>", {}},
        {"<p>VISIT US AT WWW.EXAMPLE.COM</p>", {}},
        {"<p>AT&amp;T CAT DOT com</p>", {}},
        {"<p>user@example.zz</p>", {}},
        {"<img src=\"logo@example.com\" alt=\"jane@example.com\" title='x@example.com'>", {}},
        {"<a href=\"https://user@example.com/\">site</a>", {}},
    });
}

TEST(AddressScan, WrittenOutForms)
{
    ExpectRows({
        {"name [at] example [dot] com", {"name@example.com"}},
        {"name(at)example.com", {"name@example.com"}},
        {"name (at) example (dot) com", {"name@example.com"}},
        {"name {at} example {dot} com", {"name@example.com"}},
        {"name AT example DOT com", {"name@example.com"}},
        {"Name [ AT ] Example [DOT] Co [dot] UK.", {"name@example.co.uk"}},
        {"john [dot] smith [at] example [dot] org", {"john.smith@example.org"}},
        {"john DOT smith AT example DOT org", {"john.smith@example.org"}},
        {"name@example[dot]com", {"name@example.com"}},
        {"name(at)example(dot)com", {"name@example.com"}},
        {"name [at) example.com name (at]", {}}, // brackets that do not match
        {"name ATexample DOT com nameAT example DOT com", {}},
        // Written out across inline tags and entities.
        {"name (<b>at</b>) example (<i>dot</i>) com", {"name@example.com"}},
        {"x <b>[</b>at] example.com", {"x@example.com"}},
        {"name &#40;at&#41; example&lpar;dot&rpar;com", {"name@example.com"}},
        {"0123456789012 name<i></i> AT example DOT com", {"name@example.com"}},
        // A mark whose next byte is a tag or an entity: only the joined text tells.
        {"name <b>A</b>T example DOT com", {"name@example.com"}},
        {"name A<i></i>T<i></i> example DOT com", {"name@example.com"}},
        {"name (&#97;t) example.com name2 (<b>a</b>t) example.org", {"name@example.com", "name2@example.org"}},
        {"name A<p>T example DOT com", {}},
    });
}

TEST(AddressScan, EntitiesAreDecodedOnce)
{
    ExpectRows({
        {"jane&#64;example.org", {"jane@example.org"}},
        {"jane&#x40;example&#46;org", {"jane@example.org"}},
        {"jane&#64example.org", {"jane@example.org"}},  // numeric ones may lack ";"
        {"jane&commat;example&period;org", {"jane@example.org"}},
        {"jane&shy;&#8203;@exa&shy;mple.org", {"jane@example.org"}},
        {"name&nbsp;&#91;at&#93;&nbsp;example&nbsp;&lsqb;dot&rsqb;&nbsp;com", {"name@example.com"}},
        {"jane&amp;#64;example.org", {}},            // "&amp;" gives "&", never a second entity
        {"jane&bogus;@example.org", {}},             // unknown: kept as text, so ";" ends the local part
        {"jane&commat example.org", {}},             // named entities need their ";"
    });
}

TEST(AddressScan, TagsAreBreaksOrNothing)
{
    ExpectRows({
        {"jane<b>@</b>example.org", {"jane@example.org"}},
        {"ja<span class=\"x\">ne</span>@<em>example</em>.<strong>org</strong>", {"jane@example.org"}},
        {"info@site.example.com</p><a>link</a>", {"info@site.example.com"}},
        {"<tr><td>jane@example.org</td><td>net</td></tr>", {"jane@example.org"}},
        {"<td>jane</td><td>@example.org</td>", {}},
        {"<li>name [at] example</li><li>[dot] com</li>", {}},
        {"one@example.com<br>two@example.com<br/>three@example.com", {"one@example.com", "two@example.com", "three@example.com"}},
        {"jane@example.org<custom-tag>x", {"jane@example.org"}},
        {"<div title=\"a > b\">jane@example.org</div>", {"jane@example.org"}},
        {"a < b jane@example.org", {"jane@example.org"}},
        {"jane@example.org<span", {"jane@example.org"}}, // an unclosed tag holds the rest
        {"ja<ACRONYM>ne</ACRONYM>@<Strike>example</Strike>.org", {"jane@example.org"}},
        {"jane<abbrx>@example.org x<blockquote>@example.com", {}},
        {"jane</b >@</b\t>example.org</b/><p>", {"jane@example.org"}},
        {"<!-- old: old@example.com -->x<!--->new@example.com", {"old@example.com", "new@example.com"}},
        {"<!-- jane [at] example [dot] com -->", {}},
        {"jane<!-- -->@example.org", {}},
        {"<script>var m = \"dev@example.com\"; if (a<b) x = 'ops(at)example.com';</SCRIPT >@example.org",
         {"dev@example.com"}},
        {"<style>a{background:url(logo@2x.png)} /* css@example.com */</style>", {"css@example.com"}},
        {"<script>x</scripty>jane@example.org</script>", {"jane@example.org"}},
        {"<script>a</scrip>x@example.com</script>y@example.com", {"x@example.com", "y@example.com"}},
        {"<!-- old@example.com --->new@example.com", {"old@example.com", "new@example.com"}},
        {"<!-- a->b@example.com -->c@example.com", {"b@example.com", "c@example.com"}},
    });
}

TEST(AddressScan, MailtoTargets)
{
    ExpectRows({
        {"<a href=\"mailto:jane@example.org\">Jane</a>", {"jane@example.org"}},
        {"<A HREF='MAILTO:Jane@Example.org'>", {"jane@example.org"}},
        {"<a href=mailto:jane@example.org>x</a>", {"jane@example.org"}},
        {"<a href=\"  mailto:jane%40example%2Eorg\">", {"jane@example.org"}},
        {"<a href=\"mailto:jane@example.org?subject=Hi&amp;cc=boss@example.org\">", {"jane@example.org"}},
        {"<a href=\"mailto:a@example.com,b@example.net%2Cc@example.de\">", {"a@example.com", "b@example.net", "c@example.de"}},
        {"<a href=\"&#109;ailto&#58;jane&#64;example.org\">", {"jane@example.org"}},
        {"<a href=\"mailto:Jane%20Doe%20%3Cjane@example.org%3E\">", {"jane@example.org"}},
        {"<a href=\"mailto:nobody\">", {}},
        {"<a data-x=\"mailto:jane@example.org\">", {}},
        {"x<b href=\"mailto:b@example.org\">y</b>@example.com", {"b@example.org", "y@example.com"}},
    });
}

TEST(AddressScan, ProtectedAddresses)
{
    // "jane@example.org" under key 0x42.
    ExpectRows({
        {"<span class=\"__cf_email__\" data-cfemail=\"4228232c2702273a232f322e276c2d3025\">[email&#160;protected]</span>",
         {"jane@example.org"}},
        {"<a href=\"/cdn-cgi/l/email-protection#4228232c2702273a232f322e276c2d3025\">", {"jane@example.org"}},
        {"<a href=\"/x#/cdn-cgi/l/email-protection#4228232c2702273a232f322e276c2d3025\">", {"jane@example.org"}},
        {"<a href=\"/cdn-cgi/l/email-protection\">", {}},
        {"<span data-cfemail=\"42282\">x</span><span data-cfemail=\"42zz23\">y</span>", {}},
    });
}

TEST(AddressScan, EachAddressOnceInTheOrderFirstSeen)
{
    ExpectRows({
        {"<a href=\"mailto:b@example.com\">B@EXAMPLE.COM</a> a@example.com b [at] example [dot] com A@Example.com",
         {"b@example.com", "a@example.com"}},
        {"<p>z@example.com</p><span data-cfemail=\"4228232c2702273a232f322e276c2d3025\"></span><p>a@example.com</p>",
         {"z@example.com", "jane@example.org", "a@example.com"}},
    });
}

TEST(AddressScan, ManyAddressesKeepTheirOrder)
{
    // Enough distinct addresses and top-level domains for the tables behind the scan to grow.
    const char *const topLevels[] = {"com", "org", "net", "de", "io", "zz"};
    std::string page;
    std::vector<std::string> expected;
    for (int k = 0; k < 600; ++k) {
        const int n = k % 300; // the second 300 repeat the first
        const std::string address = "u" + std::to_string(n) + "@h" + std::to_string(n % 7) + ".example." + topLevels[n % 6];
        page += (k % 2 ? "<p>" : " ") + address;
        if (k < 300 && n % 6 != 5)
            expected.push_back(address);
    }
    ExpectRows({{page, expected}});
}

TEST(AddressScan, LengthLimits)
{
    const std::string local64(64, 'l');
    const std::string label63(63, 'd');
    // 63 + 1 + 63 + 1 + 63 + 1 + 57 + 4 = 253 bytes.
    const std::string domain253 = label63 + "." + label63 + "." + label63 + "." + std::string(57, 'd') + ".com";
    const std::string domain254 = label63 + "." + label63 + "." + label63 + "." + std::string(58, 'd') + ".com";
    ExpectRows({
        {local64 + "@example.com", {local64 + "@example.com"}},
        {"x" + local64 + "@example.com", {}},
        {"." + local64 + "@example.com", {local64 + "@example.com"}},
        {"a@" + domain253, {"a@" + domain253}},
        {"a@" + domain254, {}},
        {"a@" + std::string(63, 'x') + ".com", {"a@" + std::string(63, 'x') + ".com"}},
        {"a@" + std::string(64, 'x') + ".com", {}},
    });
}

TEST(AddressScan, HostilePagesStayLinear)
{
    // Each would take minutes if a walk went back over what an earlier one read.
    const std::vector<std::string> pages = {
        std::string(2'000'000, '@'),
        [] { std::string s; for (int k = 0; k < 400'000; ++k) s += "a[at]"; return s; }(),
        [] { std::string s; for (int k = 0; k < 300'000; ++k) s += "a [dot] "; return s + "[at] x"; }(),
        [] { std::string s = "x@"; for (int k = 0; k < 300'000; ++k) s += "a(dot)"; return s; }(),
        std::string(1'000'000, 'a') + "@example.com",
        "<a href=\"" + std::string(2'000'000, 'x'),
        "<script>" + std::string(1'000'000, '<'),
        [] { std::string s; for (int k = 0; k < 200'000; ++k) s += "&#&amp<!"; return s; }(),
    };
    for (const std::string &page : pages)
        EXPECT_LE(Scan(page).size(), 1u);
}

} // namespace
