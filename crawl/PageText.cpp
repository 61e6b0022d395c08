#include "crawl/PageText.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

// Everything here takes time linear in the page, whatever the page holds. Searches for single
// bytes go through memchr and for substrings through memmem (a two-way search, linear even on
// hostile input); duplicate tests go through hash sets; the address scans lower only the bytes
// of a candidate, never the page.

namespace PageText {

namespace {

constexpr char kAnchor[] = "<a href=";
constexpr qsizetype kAnchorLength = sizeof(kAnchor) - 1;

// Blanks and control characters, as trimmed from anchor values: every byte up to the blank.
bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

qsizetype FindByte(QByteArrayView text, char c, qsizetype from)
{
    if (from >= text.size())
        return -1;
    const void *hit = std::memchr(text.data() + from, c, static_cast<size_t>(text.size() - from));
    return hit ? static_cast<const char *>(hit) - text.data() : -1;
}

qsizetype Find(QByteArrayView text, QByteArrayView needle, qsizetype from = 0)
{
    if (needle.isEmpty())
        return from <= text.size() ? from : -1;
    if (from >= text.size())
        return -1;
    const void *hit = memmem(text.data() + from, static_cast<size_t>(text.size() - from),
                             needle.data(), static_cast<size_t>(needle.size()));
    return hit ? static_cast<const char *>(hit) - text.data() : -1;
}

bool Contains(QByteArrayView text, QByteArrayView needle)
{
    return Find(text, needle) >= 0;
}

// "http" in any other case is no scheme the crawl follows, and https passes as well: the fetch
// turns it down later.
bool StartsWithHttp(QByteArrayView value)
{
    return value.startsWith(QByteArrayView("http"));
}

QByteArrayView LastSegmentView(QByteArrayView value)
{
    const qsizetype slash = value.lastIndexOf('/');
    const QByteArrayView segment = slash < 0 ? value : value.sliced(slash + 1);
    const qsizetype dot = segment.indexOf('.');
    if (dot >= 0 && segment.indexOf('.', dot + 1) >= 0)
        return {};
    return segment;
}

bool IsPageExtension(QByteArrayView extension)
{
    static constexpr std::array<QByteArrayView, 10> kPages = {
        "htm", "html", "shtml", "cgi", "php", "aspx", "asp", "pl", "xml", "xsl"};
    for (QByteArrayView page : kPages) {
        if (extension == page)
            return true;
    }
    return false;
}

// Address classes, tested on the raw byte: the answer is the same as for its lowered form.
enum : unsigned char { kLocal = 1, kDomain = 2 };

constexpr std::array<unsigned char, 256> kAddressClass = [] {
    std::array<unsigned char, 256> table{};
    for (int c = '0'; c <= '9'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kDomain;
    for (int c = 'a'; c <= 'z'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kDomain;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kDomain;
    table['-'] = kLocal | kDomain;
    table['_'] = kLocal | kDomain;
    table['.'] = kLocal | kDomain;
    table['+'] = kLocal;
    return table;
}();

bool InClass(char c, unsigned char cls)
{
    return (kAddressClass[static_cast<unsigned char>(c)] & cls) != 0;
}

// Where the local part that ends at `at` begins, walking back over local-class bytes no
// further than `from`; `at` when there is none. The dots follow the text a mail program would
// take:
//   ".lead@x.com" gives lead@x.com: a local part does not begin with a dot;
//   "a..b@x.com"  gives b@x.com: two dots in a row end it, so it begins behind the last pair;
//   "trail.@x.com" gives nothing: a local part does not end with a dot either, and cutting the
//   dot off would name a different mailbox, so this "@" yields no address.
// The walk never reaches behind the previous candidate (the caller's `from`), so however dense
// the dots and "@" are, each byte is walked over once.
const char *LocalPartStart(const char *from, const char *at)
{
    if (at == from || at[-1] == '.')
        return at;
    const char *start = at; // *start is read only once a dot was taken, so `at` may be an end
    while (start > from && InClass(start[-1], kLocal) && !(start[-1] == '.' && *start == '.'))
        --start;
    if (start != at && *start == '.')
        ++start;
    return start;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Distinct addresses in the order they were first seen.
class AddressSet final
{
public:
    explicit AddressSet(QByteArrayList *list) : list_(list) {}

    bool Contains(const QByteArray &address) const { return seen_.contains(address); }

    // The set and the list share the address's bytes; a caller that reuses its buffer gets a
    // fresh one on its next write.
    void Add(const QByteArray &address)
    {
        const qsizetype before = seen_.size();
        seen_.insert(address);
        if (seen_.size() != before)
            list_->append(address);
    }

private:
    QByteArrayList *list_;
    QSet<QByteArray> seen_;
};

// Handles every "@" in [from, atEnd) of a text that ends at end: a candidate that qualifies
// goes to found(first, last), still in its page case. Returns where the rest then begins. Each
// step goes on from the end of the previous candidate, so a local part never reaches back into
// the text an earlier step consumed.
template <typename Found>
const char *ScanAts(const char *from, const char *atEnd, const char *end, Found &&found)
{
    while (from < atEnd) {
        const auto *at = static_cast<const char *>(std::memchr(from, '@', static_cast<size_t>(atEnd - from)));
        if (!at)
            break;
        const char *const local = LocalPartStart(from, at);
        const char *domainEnd = at + 1;
        while (domainEnd < end && InClass(*domainEnd, kDomain))
            ++domainEnd;
        from = domainEnd;

        // One final "." goes: a sentence may end right after an address.
        const char *candidateEnd = domainEnd;
        if (candidateEnd > at + 1 && candidateEnd[-1] == '.')
            --candidateEnd;
        if (local == at || candidateEnd == at + 1)
            continue; // no local part or no domain
        if (!std::memchr(at + 1, '.', static_cast<size_t>(candidateEnd - at - 1)))
            continue;
        found(local, candidateEnd);
    }
    return from;
}

void LowerInto(const char *first, const char *last, QByteArray *out)
{
    out->resize(last - first);
    char *dest = out->data();
    for (const char *p = first; p != last; ++p)
        *dest++ = LowerAscii(*p);
}

// The scan of StripTags(page) without building the tag-free text. A "<" always leaves the
// walk inside a tag and a ">" always outside, whatever came before, so whether a byte is kept
// depends only on the last "<" or ">" before it. That lets the scan find the kept "@" in the
// page itself and walk around each one, stepping over tags, through the bytes the tag-free
// text would hold there. Every byte between two kept "@" is looked at a bounded number of times.
class TagFreeScan final
{
public:
    // Addresses the raw scan already listed are passed over; the others collect in `found`.
    TagFreeScan(QByteArrayView page, const AddressSet &raw, AddressSet *found)
        : begin_(page.data()), end_(page.data() + page.size()), raw_(raw), found_(found)
    {
    }

    // Handles the kept "@" before limit; the walks around them may look further.
    void RunUntil(const char *limit)
    {
        while (search_ < limit) {
            const auto *at = static_cast<const char *>(std::memchr(search_, '@', static_cast<size_t>(limit - search_)));
            if (!at) {
                search_ = limit;
                return;
            }
            if (InsideTag(at)) {
                search_ = at + 1;
                continue;
            }
            TakeLocal(rest_, at);
            const char *const stop = TakeDomain(at);
            rest_ = search_ = known_ = stop;
            insideAtKnown_ = false; // stop is a kept byte or the end
            Found();
        }
    }

private:
    // Whether the byte at p (a kept "@" or not) lies inside a tag; p never goes backwards.
    bool InsideTag(const char *p)
    {
        const char *const open = LastOf(known_, p, '<');
        const char *const close = LastOf(known_, p, '>');
        if (open || close)
            insideAtKnown_ = open && (!close || open > close);
        known_ = p;
        return insideAtKnown_;
    }

    static const char *LastOf(const char *first, const char *last, char c)
    {
        if (first >= last)
            return nullptr;
        return static_cast<const char *>(memrchr(first, c, static_cast<size_t>(last - first)));
    }

    // Local-part bytes before the kept "@" at `at`, back to `rest` at most, stepping over the
    // tags between them; kept as runs of the page, last run first. The byte before `rest` is
    // outside any tag.
    void TakeLocal(const char *rest, const char *at)
    {
        localRuns_.clear();
        const char *p = at; // the leftmost byte taken so far
        while (p > rest) {
            const char *const runEnd = p;
            while (p > rest && InClass(p[-1], kLocal))
                --p;
            if (p != runEnd)
                localRuns_.emplace_back(p, runEnd - p);
            if (p == rest || p[-1] != '>')
                return;
            const char *const open = LastOf(rest, p - 1, '<');
            const char *const close = LastOf(rest, p - 1, '>');
            if (!open || (close && close > open))
                return; // a ">" outside a tag is kept, and ends the local part
            // The tag began at the first "<" after the previous ">"; all of it is dropped.
            const char *const from = close ? close + 1 : rest;
            p = static_cast<const char *>(std::memchr(from, '<', static_cast<size_t>(p - from)));
        }
    }

    // Domain bytes after the kept "@" at `at`, stepping over tags; kept as runs of the page.
    // Returns where the walk stopped: the next kept byte outside the domain class, or the end
    // of the tag-free text.
    const char *TakeDomain(const char *at)
    {
        domainRuns_.clear();
        const char *p = at + 1;
        while (p < end_) {
            const char *const run = p;
            while (p < end_ && InClass(*p, kDomain))
                ++p;
            if (p != run)
                domainRuns_.emplace_back(run, p - run);
            if (p == end_ || *p != '<')
                return p;
            const auto *close = static_cast<const char *>(std::memchr(p + 1, '>', static_cast<size_t>(end_ - p - 1)));
            if (!close)
                return end_; // an unclosed tag drops the rest of the text
            p = close + 1;
        }
        return p;
    }

    void Found()
    {
        if (!domainRuns_.empty() && domainRuns_.back().endsWith('.')) {
            domainRuns_.back().chop(1);
            if (domainRuns_.back().isEmpty())
                domainRuns_.pop_back();
        }
        if (localRuns_.empty() || domainRuns_.empty())
            return; // no local part or no domain
        // The dot rules see the local part as the tag-free text holds it: joined when tags split it.
        QByteArrayView joined = localRuns_.front();
        if (localRuns_.size() > 1) {
            localBytes_.resize(0);
            for (auto run = localRuns_.crbegin(); run != localRuns_.crend(); ++run)
                localBytes_.append(run->data(), run->size());
            joined = localBytes_;
        }
        const char *const localEnd = joined.data() + joined.size();
        const char *const localStart = LocalPartStart(joined.data(), localEnd);
        if (localStart == localEnd)
            return;
        const QByteArrayView local(localStart, localEnd - localStart);
        qsizetype size = 1 + local.size();
        bool dotted = false;
        for (QByteArrayView run : domainRuns_) {
            size += run.size();
            dotted = dotted || run.contains('.');
        }
        if (!dotted)
            return;
        address_.resize(size);
        char *out = address_.data();
        out = LowerCopy(local, out);
        *out++ = '@';
        for (QByteArrayView run : domainRuns_)
            out = LowerCopy(run, out);
        if (!raw_.Contains(address_))
            found_->Add(address_);
    }

    static char *LowerCopy(QByteArrayView run, char *out)
    {
        for (char c : run)
            *out++ = LowerAscii(c);
        return out;
    }

    const char *const begin_;
    const char *const end_;
    const AddressSet &raw_;
    AddressSet *const found_;
    const char *rest_ = begin_; // where the rest of the tag-free text starts, as a page position
    const char *search_ = begin_;
    const char *known_ = begin_;
    bool insideAtKnown_ = false;
    std::vector<QByteArrayView> localRuns_;
    std::vector<QByteArrayView> domainRuns_;
    QByteArray localBytes_; // the local runs joined, in page order and page case
    QByteArray address_;
};

} // namespace

QByteArray BaseOf(QByteArrayView address)
{
    // A "/" among the first eleven bytes is taken for the scheme's "//": such an address is a
    // bare host and gets its folder separator appended.
    const qsizetype slash = address.lastIndexOf('/');
    if (slash >= 11)
        return address.first(slash + 1).toByteArray();
    QByteArray base = address.toByteArray();
    base.append('/');
    return base;
}

bool NextAnchor(QByteArrayView page, qsizetype *pos, QByteArrayView *value)
{
    const qsizetype anchor = Find(page, QByteArrayView(kAnchor, kAnchorLength), *pos);
    if (anchor < 0) {
        *pos = page.size();
        return false;
    }
    const qsizetype afterEquals = anchor + kAnchorLength;
    // A page that ends right after "=" has no quote to look at: it is an unquoted, empty value.
    const char q = afterEquals < page.size() ? page[afterEquals] : '\0';
    const bool quoted = q == '"' || q == '\'';
    const qsizetype start = quoted ? afterEquals + 1 : afterEquals;
    // A closing byte that is missing from here on cannot be looked for again behind a later
    // anchor: that anchor would hold it ("<a href=" has its blank, a quoted one its quote).
    // So a missed search reads each byte kind to the end once at most, and a walk stays linear.
    const qsizetype end = FindByte(page, quoted ? q : ' ', start);
    *value = page.sliced(start, end < 0 ? 0 : end - start);
    *pos = end < 0 ? start : end;
    return true;
}

QByteArrayList ExtractLinks(QByteArrayView base, QByteArrayView page, bool resultPage, bool allLink)
{
    QByteArrayList links;
    // The duplicate test compares the value as written in the page with the completed links,
    // so only absolute values can ever match; a relative one that recurs is taken again.
    QSet<QByteArray> taken;
    qsizetype pos = 0;
    QByteArrayView value;
    while (NextAnchor(page, &pos, &value)) {
        // A lone "!" is how a page tells robots that nothing past it is worth following.
        if (Trimmed(value) == QByteArrayView("!"))
            break;
        if (taken.contains(QByteArray::fromRawData(value.data(), value.size())) || IsNotPage(value))
            continue;

        QByteArray link;
        bool containsBase = true; // a completed link starts with base
        if (StartsWithHttp(value)) {
            link = value.toByteArray();
            containsBase = Contains(value, base);
        } else {
            // Completed against the page's folder, not the host's root: a root-relative value
            // loses its "/" and lands under base.
            if (value.startsWith('/'))
                value = value.sliced(1);
            link.reserve(base.size() + value.size());
            link.append(base).append(value);
        }

        // A search-result page links to its own host as well as to the sites found; only the
        // latter are worth crawling.
        const bool accepted = !allLink ? containsBase : (!resultPage || !containsBase);
        if (!accepted)
            continue;
        taken.insert(link);
        links.append(link);
    }
    return links;
}

bool IsJapanesePage(QByteArrayView page)
{
    return Contains(page, "shift_jis") || Contains(page, "euc-jp") || Contains(page, "iso-2022-jp");
}

bool IsInList(QByteArrayView value, const QByteArrayList &list)
{
    for (const QByteArray &entry : list) {
        if (entry == value)
            return true;
    }
    return false;
}

bool IsNotPage(QByteArrayView value)
{
    if (Trimmed(value).isEmpty())
        return true;
    if (value.contains(':') && !StartsWithHttp(value))
        return true;
    const QByteArrayView segment = LastSegmentView(value);
    const qsizetype dot = segment.indexOf('.');
    if (dot < 0)
        return false;
    QByteArrayView extension = segment.sliced(dot + 1);
    const qsizetype query = extension.indexOf('?');
    if (query >= 0)
        extension = extension.first(query);
    return !IsPageExtension(extension);
}

QByteArray LastSegment(QByteArrayView value)
{
    return LastSegmentView(value).toByteArray();
}

QByteArrayList ExtractEmails(QByteArrayView page)
{
    QByteArrayList list;
    if (FindByte(page, '@', 0) < 0)
        return list;
    // The raw text finds addresses inside tags (link targets, attributes, scripts); the
    // tag-free text those that markup split apart, such as an "@" wrapped in its own tag.
    // Both scans go through the page a block at a time, so that the second finds the block
    // still in cache. Tag-free addresses wait until the raw scan is through: only then is it
    // known which of them the raw text lacks, and those come after all the raw ones.
    AddressSet raw(&list);
    QByteArrayList tagFreeList;
    AddressSet tagFree(&tagFreeList);
    TagFreeScan tagFreeScan(page, raw, &tagFree);
    QByteArray address;
    const auto addRaw = [&](const char *first, const char *last) {
        LowerInto(first, last, &address);
        raw.Add(address);
    };
    constexpr qsizetype kBlock = 64 * 1024;
    const char *const begin = page.data();
    const char *const end = begin + page.size();
    const char *rawRest = begin;
    for (const char *block = begin; block < end;) {
        block += std::min(kBlock, static_cast<qsizetype>(end - block));
        rawRest = ScanAts(rawRest, block, end, addRaw);
        tagFreeScan.RunUntil(block);
    }
    for (const QByteArray &tagFreeAddress : std::as_const(tagFreeList))
        raw.Add(tagFreeAddress);
    return list;
}

void ScanEmails(QByteArrayView text, QByteArrayList *list)
{
    list->clear();
    AddressSet addresses(list);
    QByteArray address;
    const char *const begin = text.data();
    ScanAts(begin, begin + text.size(), begin + text.size(), [&](const char *first, const char *last) {
        LowerInto(first, last, &address);
        addresses.Add(address);
    });
}

QByteArray StripTags(QByteArrayView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dest = out.data();
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const auto *open = static_cast<const char *>(std::memchr(p, '<', static_cast<size_t>(end - p)));
        const char *keepEnd = open ? open : end;
        std::memcpy(dest, p, static_cast<size_t>(keepEnd - p));
        dest += keepEnd - p;
        if (!open)
            break;
        const auto *close = static_cast<const char *>(
            std::memchr(open + 1, '>', static_cast<size_t>(end - open - 1)));
        if (!close)
            break;
        p = close + 1;
    }
    out.truncate(dest - out.constData());
    return out;
}

} // namespace PageText
