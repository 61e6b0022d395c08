// Holds the page text rules against their slow literal model on arbitrary bytes and aborts on
// the first difference. The first byte picks the flags and whether bytes 0xF0 and up stand for
// the pieces the rules react to; the second gives the length of the base that follows.

#include "crawl/PageText.h"
#include "tests/crawl/PageTextReference.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kMaxPage = 64 * 1024; // the model is quadratic

const char *const kPieces[16] = {
    "<a href=", "<a href=\"", "<a href='", "@", "http://h.com/", "https://", "page.html",
    "a.tar.gz", "p.php?id=", "mailto:", "</a>", "<b>", "shift_jis", "euc-jp", "iso-2022-jp", "!",
};

QByteArray Expand(const char *data, size_t size)
{
    QByteArray out;
    for (size_t k = 0; k < size; ++k) {
        const auto byte = static_cast<unsigned char>(data[k]);
        if (byte >= 0xF0)
            out.append(kPieces[byte - 0xF0]);
        else
            out.append(data[k]);
    }
    return out;
}

[[noreturn]] void Differ(const char *what, const QByteArray &base, const QByteArray &page)
{
    std::fprintf(stderr, "%s differs\nbase: %s\npage: %s\n", what, base.toPercentEncoding().constData(),
                 page.toPercentEncoding().constData());
    std::abort();
}

void Check(bool same, const char *what, const QByteArray &base, const QByteArray &page)
{
    if (!same)
        Differ(what, base, page);
}

std::vector<QByteArray> FastAnchors(QByteArrayView page)
{
    std::vector<QByteArray> values;
    qsizetype pos = 0;
    QByteArrayView value;
    while (PageText::NextAnchor(page, &pos, &value))
        values.push_back(value.toByteArray());
    return values;
}

std::vector<QByteArray> ReferenceAnchors(QByteArray text)
{
    std::vector<QByteArray> values;
    QByteArray value;
    while (PageTextReference::NextAnchor(&text, &value))
        values.push_back(value);
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > kMaxPage)
        return 0;
    const unsigned flags = data[0];
    const size_t baseLength = std::min<size_t>(data[1] % 40, size - 2);
    const char *const rest = reinterpret_cast<const char *>(data + 2);
    QByteArray base = (flags & 4) ? Expand(rest, baseLength) : QByteArray(rest, static_cast<qsizetype>(baseLength));
    const QByteArray page = (flags & 4) ? Expand(rest + baseLength, size - 2 - baseLength)
                                        : QByteArray(rest + baseLength, static_cast<qsizetype>(size - 2 - baseLength));
    if (page.size() > qsizetype(kMaxPage))
        return 0;
    if (flags & 8)
        base = PageText::BaseOf(base);
    const bool resultPage = (flags & 1) != 0;
    const bool allLink = (flags & 2) != 0;

    Check(PageText::BaseOf(page) == PageTextReference::BaseOf(page), "BaseOf", base, page);
    Check(PageText::IsNotPage(page) == PageTextReference::IsNotPage(page), "IsNotPage", base, page);
    Check(PageText::LastSegment(page) == PageTextReference::LastSegment(page), "LastSegment", base, page);
    Check(PageText::IsJapanesePage(page) == PageTextReference::IsJapanesePage(page), "IsJapanesePage", base, page);
    Check(PageText::StripTags(page) == PageTextReference::StripTags(page), "StripTags", base, page);
    Check(FastAnchors(page) == ReferenceAnchors(page), "NextAnchor", base, page);
    Check(PageText::ExtractLinks(base, page, resultPage, allLink)
              == PageTextReference::ExtractLinks(base, page, resultPage, allLink),
          "ExtractLinks", base, page);
    QByteArrayList fast;
    QByteArrayList slow;
    PageText::ScanEmails(page, &fast);
    PageTextReference::ScanEmails(page, &slow);
    Check(fast == slow, "ScanEmails", base, page);
    Check(PageText::ExtractEmails(page) == PageTextReference::ExtractEmails(page), "ExtractEmails", base, page);
    return 0;
}
