// Runs the address scan on arbitrary bytes and on pages built from whole pieces of markup and
// text, and aborts when a result breaks a rule that holds for every page: one "@", a real
// top-level domain, lower case, each address once. On built pages, where every piece of markup
// is complete and no text holds "<" or ">", an empty inline tag pair put beside any piece of
// markup changes nothing, and a block break followed by more never changes what came before.

#include "crawl/AddressScan.h"
#include "crawl/PublicSuffix.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char *const kMarkup[] = {
    "<b>", "</b>", "<p>", "</p>", "<span class=\"a>b\">", "</span>", "<td>", "<br/>", "<a href=\"mailto:m@example.com\">",
    "</a>", "<script>s@example.org (at)</script>", "<!-- c@example.net -->", "<i>", "<div title='x'>", "<x-y>", "<wbr>",
};

const char *const kText[] = {
    "@", "&#64;", "&commat;", "[at]", "(at)", " AT ", " DOT ", "[dot]", ".", "example", "com", "jane", "org", "&amp;", " ", "&nbsp;",
};

[[noreturn]] void Fail(const char *what, const QByteArray &page)
{
    std::fprintf(stderr, "%s\npage: %s\n", what, page.toPercentEncoding().constData());
    std::abort();
}

void CheckRules(const QByteArray &page, const QByteArrayList &found)
{
    QSet<QByteArray> seen;
    for (const QByteArray &address : found) {
        if (address.count('@') != 1)
            Fail("not one @", page);
        if (address.toLower() != address)
            Fail("not lower case", page);
        if (!PublicSuffix::hasRealTopLevel(address.sliced(address.indexOf('@') + 1)))
            Fail("no real top-level domain", page);
        if (seen.contains(address))
            Fail("twice", page);
        seen.insert(address);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QByteArray raw(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    CheckRules(raw, AddressScan::ExtractEmails(raw));

    // Bytes from 0xE0 up pick a piece of markup, from 0xD0 a piece of text; other bytes are text
    // themselves, "<" and ">" excepted. Boundaries records where each piece of markup starts
    // and ends.
    QByteArray page;
    std::vector<qsizetype> boundaries;
    for (size_t k = 0; k < size; ++k) {
        const auto byte = static_cast<unsigned char>(data[k]);
        if (byte >= 0xE0) {
            boundaries.push_back(page.size());
            page.append(kMarkup[(byte - 0xE0) % 16]);
            boundaries.push_back(page.size());
        } else if (byte >= 0xD0) {
            page.append(kText[byte - 0xD0]);
        } else if (byte != '<' && byte != '>') {
            page.append(static_cast<char>(byte));
        }
    }
    const QByteArrayList found = AddressScan::ExtractEmails(page);
    CheckRules(page, found);
    if (boundaries.empty())
        return 0;
    const qsizetype at = boundaries[static_cast<size_t>(data[0]) % boundaries.size()];

    QByteArray inserted = page;
    inserted.insert(at, "<b></b>");
    if (AddressScan::ExtractEmails(inserted) != found)
        Fail("an empty inline tag pair changed the result", page);

    const QByteArrayList prefix = AddressScan::ExtractEmails(page.first(at));
    QByteArray broken = page.first(at);
    broken.append("<p>").append(page.sliced(at));
    if (AddressScan::ExtractEmails(broken).mid(0, prefix.size()) != prefix)
        Fail("a break changed what came before it", page);
    return 0;
}
