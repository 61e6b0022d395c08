#include "crawl/PageText.h"
#include "tests/crawl/PageTextReference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

QByteArray Bytes(const char *text)
{
    return QByteArray(text);
}

QByteArrayList List(std::initializer_list<const char *> items)
{
    QByteArrayList list;
    for (const char *item : items)
        list.append(QByteArray(item));
    return list;
}

std::string Show(const QByteArrayList &list)
{
    return list.join("|").toStdString();
}

TEST(PageTextBaseOf, CutsAfterTheLastSlashFromByteTwelveOn)
{
    struct Row { const char *address; const char *base; };
    const Row rows[] = {
        {"http://h.com/docs/a.html", "http://h.com/docs/"},
        {"http://h.com/docs/", "http://h.com/docs/"},
        {"http://h.com/a?x=/y", "http://h.com/a?x=/"},
        {"http://www.host.com", "http://www.host.com/"},
        {"http://abcd/", "http://abcd/"},       // "/" at byte 12: its own base
        {"http://abc/", "http://abc//"},        // "/" at byte 11 is not looked at
        {"http://abc/d", "http://abc/d/"},
        {"http://ab/", "http://ab//"},          // shorter than 11 bytes: always appended
        {"http://a", "http://a/"},
        {"", "/"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.address);
        EXPECT_EQ(PageText::BaseOf(row.address), Bytes(row.base));
    }
}

std::vector<QByteArray> AnchorValues(QByteArrayView page)
{
    std::vector<QByteArray> values;
    qsizetype pos = 0;
    QByteArrayView value;
    for (int guard = 0; guard < 100 && PageText::NextAnchor(page, &pos, &value); ++guard)
        values.push_back(value.toByteArray());
    return values;
}

TEST(PageTextNextAnchor, TakesQuotedValuesAndUnquotedOnesUpToABlank)
{
    struct Row { const char *page; std::vector<QByteArray> values; };
    const Row rows[] = {
        {"<a href=\"a.html\">A</a> <a href='b.html'>B</a>", {"a.html", "b.html"}},
        {"<a href=\"it's.html\">", {"it's.html"}},
        {"<a href=page.html>Next</a> more", {"page.html>Next</a>"}},
        {"<a href=x\"y z", {"x\"y"}},
        {"<a href=a<a href=b c", {"a<a"}},    // the blank inside the next anchor ends it
        {"<a href=x <a href=y", {"x", ""}},   // no blank after y: empty
        {"<a href=\"x <a href='y'>", {"", "y"}},
        {"<a href=\"a\" <a href=\"b", {"a", ""}},
        {"tail <a href=", {""}},
        {"tail <a href=\"", {""}},
        {"<A HREF=\"a.html\"> <a  href=\"b.html\"> <a class=x href=\"c.html\">", {}},
        {"", {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(AnchorValues(row.page), row.values);
    }
}

TEST(PageTextLastSegment, IsEmptyWhenItHoldsTwoDots)
{
    struct Row { const char *value; const char *segment; };
    const Row rows[] = {
        {"a/b/c.html", "c.html"}, {"c.html", "c.html"}, {"a.b/c", "c"}, {"a/b/", ""},
        {"a.tar.gz", ""}, {"x/a.b.c", ""}, {"x/..", ""}, {"", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(PageText::LastSegment(row.value), Bytes(row.segment));
    }
}

TEST(PageTextIsNotPage, RejectsBlanksOtherSchemesAndNonPageFiles)
{
    struct Row { const char *value; bool rejected; };
    const Row rows[] = {
        {"", true}, {" \t\r\n", true},
        {"mailto:a@b.com", true}, {"javascript:void(0)", true}, {"HTTP://h.com/a.html", true},
        {"http://h.com/a.html", false}, {"https://h.com/a.html", false},
        {"page.php?id=3", false}, {"page.php?a=b?c", false},
        {"file.pdf", true}, {"page.HTML", true}, {"image.gif", true}, {"x.html#top", true},
        {"archive.tar.gz", false}, {"#top", false}, {"dir/", false}, {"dir.d/page", false},
        {"x.", true}, {"a.html ", true}, {" a.html", false}, {"a.pl?", false},
        {"http://www.host.com", false}, // two dots: no extension
        {"http://host.com", true},      // one dot: "com" is taken for the extension
        {"a.htm", false}, {"a.html", false}, {"a.shtml", false}, {"a.cgi", false}, {"a.php", false},
        {"a.aspx", false}, {"a.asp", false}, {"a.pl", false}, {"a.xml", false}, {"a.xsl", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(PageText::IsNotPage(row.value), row.rejected);
    }
}

TEST(PageTextExtractLinks, CompletesFiltersAndScopesInPageOrder)
{
    const char *base = "http://h.com/docs/";
    struct Row { const char *page; bool resultPage; bool allLink; QByteArrayList links; };
    const Row rows[] = {
        // Root-relative and parent values are completed against the folder, unchanged.
        {"<a href=\"/dir/x.html\"> <a href=\"../up.html\"> <a href=\"//x.html\">", false, false,
         List({"http://h.com/docs/dir/x.html", "http://h.com/docs/../up.html", "http://h.com/docs//x.html"})},
        {"<a href=\"#top\">", false, false, List({"http://h.com/docs/#top"})},
        {"<a href=\"page.php?id=3\"><a href=\"file.pdf\"><a href=\"page.HTML\"><a href=\"image.gif\">"
         "<a href=\"archive.tar.gz\"><a href=\"mailto:x@y.z\">",
         false, false, List({"http://h.com/docs/page.php?id=3", "http://h.com/docs/archive.tar.gz"})},
        {"<a href=page.html>Next</a> <a href=b.html >", false, false,
         List({"http://h.com/docs/page.html>Next</a>", "http://h.com/docs/b.html"})},
        {"<a href=\" a.html\">", false, false, List({"http://h.com/docs/ a.html"})},
        // Absolute values are collected once, relative ones each time they occur.
        {"<a href=\"http://h.com/docs/a.html\"><a href=\"http://h.com/docs/a.html\">"
         "<a href=\"b.html\"><a href=\"b.html\">",
         false, false, List({"http://h.com/docs/a.html", "http://h.com/docs/b.html", "http://h.com/docs/b.html"})},
        // The duplicate test looks at the value before completion.
        {"<a href=\"x.html\"><a href=\"http://h.com/docs/x.html\">", false, false,
         List({"http://h.com/docs/x.html"})},
        {"<a href=\"http://h.com/docs/x.html\"><a href=\"x.html\">", false, false,
         List({"http://h.com/docs/x.html", "http://h.com/docs/x.html"})},
        // "!" ends the collection, blanks and control characters around it aside.
        {"<a href=\"a.html\"><a href=\" !\t\"><a href=\"b.html\">", false, true, List({"http://h.com/docs/a.html"})},
        {"<a href=! <a href=\"b.html\">", false, true, {}},
        {"<a href=\"!a\"><a href=\"b.html\">", false, true, List({"http://h.com/docs/!a", "http://h.com/docs/b.html"})},
        // Scope: inside the base only / everything / only outside the base on a result page.
        {"<a href=\"a.html\"><a href=\"http://o.com/b.html\"><a href=\"https://h.com/docs/c.html\">"
         "<a href=\"http://o.com/?u=http://h.com/docs/\">",
         false, false, List({"http://h.com/docs/a.html", "http://o.com/?u=http://h.com/docs/"})},
        {"<a href=\"a.html\"><a href=\"http://o.com/b.html\"><a href=\"https://h.com/docs/c.html\">",
         false, true, List({"http://h.com/docs/a.html", "http://o.com/b.html", "https://h.com/docs/c.html"})},
        {"<a href=\"a.html\"><a href=\"http://o.com/b.html\"><a href=\"https://h.com/docs/c.html\">",
         true, true, List({"http://o.com/b.html", "https://h.com/docs/c.html"})},
        {"<a href=\"a.html\"><a href=\"http://o.com/b.html\">", true, false, List({"http://h.com/docs/a.html"})},
        // Anything starting with "http" counts as absolute.
        {"<a href=\"httpdocs.html\">", false, true, List({"httpdocs.html"})},
        {"<a href=\"httpdocs.html\">", false, false, {}},
        {"<A HREF=\"a.html\"><a  href=\"b.html\"><a id=x href=\"c.html\">", false, true, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(Show(PageText::ExtractLinks(base, row.page, row.resultPage, row.allLink)), Show(row.links));
    }
}

TEST(PageTextIsJapanesePage, WantsTheExactLowerCaseName)
{
    struct Row { const char *page; bool japanese; };
    const Row rows[] = {
        {"<meta charset=shift_jis>", true}, {"content=\"text/html; charset=euc-jp\"", true},
        {"iso-2022-jp", true}, {"charset=Shift_JIS", false}, {"EUC-JP", false}, {"euc_jp", false},
        {"shift-jis", false}, {"", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(PageText::IsJapanesePage(row.page), row.japanese);
    }
}

TEST(PageTextStripTags, DropsFromEachOpeningThroughTheNextClosing)
{
    struct Row { const char *text; const char *stripped; };
    const Row rows[] = {
        {"a<b>c</b>d", "acd"}, {"a>b", "a>b"}, {"a<b", "a"}, {"x<a<b>c>d", "xc>d"},
        {"<>", ""}, {"<<a>b", "b"}, {"", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(PageText::StripTags(row.text), Bytes(row.stripped));
    }
}

TEST(PageTextScanEmails, FollowsTheCharacterClassesAroundEachAt)
{
    struct Row { const char *text; QByteArrayList addresses; };
    const Row rows[] = {
        {"write to First.Last@Example.COM now", List({"first.last@example.com"})},
        {"name+tag@x.org", List({"name+tag@x.org"})},
        {"a-b_c9@sub-1.x_y.org", List({"a-b_c9@sub-1.x_y.org"})},
        {"a@localhost b@c. d@e.f. g@h.i..", List({"d@e.f", "g@h.i."})},
        {"@ x@ @y.z u@v.w", List({"u@v.w"})},
        {"@@a.b u@@c.d", {}},
        {"a@b.c@d.e", List({"a@b.c"})},
        {"mailto:joe@h.com?subject=Hi", List({"joe@h.com"})},
        {"B@X.IO, a@x.io; b@x.io", List({"b@x.io", "a@x.io"})},
        {"caf\xe9@x.com jo\xe9""e@x.com a@x\xe9y.com", List({"e@x.com"})},
        {"joe at x.com joe[at]x.com joe%40x.com", {}},
        {"a@.b", List({"a@.b"})},
        {"no address here", {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        QByteArrayList list = List({"stale@x.com"});
        PageText::ScanEmails(row.text, &list);
        EXPECT_EQ(Show(list), Show(row.addresses));
    }
}

// A local part is taken whole, dots and "+" included, or not at all: a piece of it names
// another mailbox.
TEST(PageTextExtractEmails, KeepsTheWholeLocalPart)
{
    struct Row { const char *page; QByteArrayList addresses; };
    const Row rows[] = {
        {"first.last@x.com", List({"first.last@x.com"})},
        {"a+b@x.com", List({"a+b@x.com"})},
        {"Jane.Doe+News@Example.COM", List({"jane.doe+news@example.com"})},
        {".lead@x.com", List({"lead@x.com"})},
        {"trail.@x.com", {}},
        {"a.b.@x.com ..@x.com", {}},
        {"a..b@x.com", List({"b@x.com"})},
        {"a...b.c@x.com", List({"b.c@x.com"})},
        {"mail jane.doe@example.com.", List({"jane.doe@example.com"})},
        {"first.last@localhost", {}}, // the "." still has to be in the domain
        {"<p>Write to <a href=\"mailto:Jane.Doe@x.org?subject=Hi\">Jane.Doe@x.org</a>.</p>", List({"jane.doe@x.org"})},
        {"jane<b>.</b>doe<i>@</i>x.org", List({"jane.doe@x.org"})},
        {"a.<i></i>.b<u>@</u>x.org trail.<u>@</u>x.org", List({"b@x.org"})},
        {"a@b.com+c.d@e.org", List({"a@b.com", "+c.d@e.org"})}, // "+" ends a domain, starts a local part
        {"@@@ a@@b.c @x.y a@b@c.d e@f.g@h.i", List({"e@f.g"})},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(Show(PageText::ExtractEmails(row.page)), Show(row.addresses));
        EXPECT_EQ(Show(PageTextReference::ExtractEmails(row.page)), Show(row.addresses));
    }
}

TEST(PageTextExtractEmails, RawTextFirstThenWhatOnlyTheTagFreeTextShows)
{
    struct Row { const char *page; QByteArrayList addresses; };
    const Row rows[] = {
        {"<a href=\"mailto:Joe@X.com\">Joe@X.com</a>", List({"joe@x.com"})},
        {"joe<b>@</b>x.com", List({"joe@x.com"})},
        {"a@b.com joe<span>@</span>x.com A@B.com", List({"a@b.com", "joe@x.com"})},
        {"x<i>y@q.org</i> z@q.org", List({"y@q.org", "z@q.org", "xy@q.org"})},
        {"<a@b.c", List({"a@b.c"})},
        {"<p>nothing</p>", {}},
        // The tag-free text joins across several tags on both sides of the "@".
        {"<p>Jo<i>h</i><b>n</b><u>@</u><i>mail</i>.<b>Example</b>.org!", List({"john@mail.example.org"})},
        {"a>b<i>@</i>c.d e<x<y>@f.g", List({"b@c.d", "e@f.g"})},   // a ">" outside a tag stays
        {"<!-- x@y.z --> <b>k</b>@m.n", List({"x@y.z", "k@m.n"})},  // only the raw text sees x@y.z
        {"p@q.r<span>s@t.u", List({"p@q.r", "s@t.u", "p@q.rs"})},
        {"v@w.x<never closed", List({"v@w.x"})},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(Show(PageText::ExtractEmails(row.page)), Show(row.addresses));
    }
}

// The page is scanned a block at a time; addresses straddling a block boundary must come out as
// if it were not there.
TEST(PageTextAgainstReference, AgreesAcrossScanBlocks)
{
    const char *const snippets[] = {
        " First.Last@Example.COM. ", "jo<b>e</b><i>@</i>x<u>.</u>org ", "a@b.c@d.e<x@y.z>w@", "<i>k@<b>m.n</b>",
        " Jane.<b>Doe</b>+x<i>@</i>y.org ",
    };
    const QByteArray filler = QByteArray("<p>text <b>bold</b> more\n").repeated(4096);
    for (const char *snippet : snippets) {
        for (qsizetype blockEnd : {qsizetype(64 * 1024), qsizetype(128 * 1024)}) {
            for (qsizetype back = 0; back <= 24; ++back) {
                const QByteArray page = filler.left(blockEnd - back) + snippet + filler.left(64);
                SCOPED_TRACE(std::string(snippet) + " at " + std::to_string(blockEnd - back));
                ASSERT_EQ(Show(PageText::ExtractEmails(page)), Show(PageTextReference::ExtractEmails(page)));
            }
        }
    }
}

// Random pages built from the pieces the rules react to, so that the odd corners meet often.
QByteArray RandomPage(std::mt19937 &rng)
{
    static const char *const kPieces[] = {
        "<a href=", "<a href=", "<A HREF=", "\"", "'", " ", "\t", ">", "<", "</a>", "<b>", "@", "@",
        ".", "..", "x", "Y", "9", "-", "_", "+", ":", "?", "/", "!", "#", "\xe9", "mailto:",
        "http://h.com/", "http://h.com/docs/", "https://o.com/", "page.html", "a.tar.gz", "f.pdf",
        "p.php?id=3", "First.Last", "shift_jis", "euc-jp", "iso-2022-jp", "Shift_JIS",
    };
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
    QByteArray page;
    const int n = length(rng);
    for (int k = 0; k < n; ++k)
        page.append(kPieces[piece(rng)]);
    return page;
}

std::vector<QByteArray> ReferenceAnchorValues(QByteArray text)
{
    std::vector<QByteArray> values;
    QByteArray value;
    for (int guard = 0; guard < 100 && PageTextReference::NextAnchor(&text, &value); ++guard)
        values.push_back(value);
    return values;
}

TEST(PageTextAgainstReference, AgreesOnRandomTrickyPages)
{
    const char *const bases[] = {"http://h.com/docs/", "http://h.com/", "h", "", "page.html"};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        const QByteArray page = RandomPage(rng);
        SCOPED_TRACE(page.toStdString());
        ASSERT_EQ(Show(PageText::ExtractEmails(page)), Show(PageTextReference::ExtractEmails(page)));
        ASSERT_EQ(PageText::StripTags(page), PageTextReference::StripTags(page));
        ASSERT_EQ(PageText::BaseOf(page), PageTextReference::BaseOf(page));
        ASSERT_EQ(PageText::IsJapanesePage(page), PageTextReference::IsJapanesePage(page));
        ASSERT_EQ(PageText::IsNotPage(page), PageTextReference::IsNotPage(page));
        ASSERT_EQ(PageText::LastSegment(page), PageTextReference::LastSegment(page));
        ASSERT_EQ(AnchorValues(page), ReferenceAnchorValues(page));
        for (const char *base : bases) {
            for (int flags = 0; flags < 4; ++flags) {
                SCOPED_TRACE(base + std::to_string(flags));
                const bool resultPage = (flags & 1) != 0;
                const bool allLink = (flags & 2) != 0;
                ASSERT_EQ(Show(PageText::ExtractLinks(base, page, resultPage, allLink)),
                          Show(PageTextReference::ExtractLinks(base, page, resultPage, allLink)));
            }
        }
    }
}

} // namespace
