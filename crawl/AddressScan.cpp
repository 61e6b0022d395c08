#include "crawl/AddressScan.h"

#include "platform/ByteText.h"

#include "crawl/PublicSuffix.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// One pass over the page. Markup is tokenised as a browser would (quoted attribute values may
// hold ">"), entities are decoded, and the text between two word breaks collects in a small
// buffer that is searched for addresses when the next break comes. Every walk around a
// candidate is bounded by the previous candidate behind it and the next one ahead of it, so the
// whole scan stays linear in the page, whatever the page holds.

namespace AddressScan {

namespace {

// kMark: may begin an "@" in one of its forms. kStop: ends a run of plain text.
// kDomain: a label's byte or a dot.
enum : unsigned char { kLocal = 1, kLabel = 2, kBlank = 4, kTagNameEnd = 8, kMark = 16, kStop = 32, kDomain = 64 };

constexpr std::array<unsigned char, 256> kClass = [] {
    std::array<unsigned char, 256> table{};
    for (int c = '0'; c <= '9'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kLabel;
    for (int c = 'a'; c <= 'z'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kLabel;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[static_cast<size_t>(c)] = kLocal | kLabel;
    table['-'] = kLocal | kLabel;
    for (char c : std::string_view("._%+"))
        table[static_cast<unsigned char>(c)] = kLocal;
    for (size_t c = 0; c < table.size(); ++c) {
        if (table[c] & kLabel)
            table[c] |= kDomain;
    }
    table['.'] |= kDomain;
    for (char c : std::string_view(" \t\n\r\f\v"))
        table[static_cast<unsigned char>(c)] = kBlank | kTagNameEnd;
    table['/'] = kTagNameEnd;
    table['>'] = kTagNameEnd;
    for (char c : std::string_view("@[({A"))
        table[static_cast<unsigned char>(c)] |= kMark;
    table['<'] = kStop;
    table['&'] = kStop;
    return table;
}();

bool Is(char c, unsigned char cls)
{
    return (kClass[static_cast<unsigned char>(c)] & cls) != 0;
}

constexpr char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}


void AppendLower(const char *p, size_t count, std::string *out)
{
    const size_t from = out->size();
    out->append(p, count);
    for (size_t k = from; k < out->size(); ++k)
        (*out)[k] = Lower((*out)[k]);
}

// Whether [p, end) starts with `word`, ASCII case ignored; `word` is lower case.
bool StartsWithNoCase(const char *p, const char *end, std::string_view word)
{
    if (end - p < static_cast<std::ptrdiff_t>(word.size()))
        return false;
    for (size_t k = 0; k < word.size(); ++k) {
        if (Lower(p[k]) != word[k])
            return false;
    }
    return true;
}

constexpr size_t kMaxLocal = 64;
constexpr size_t kMaxDomain = 253;
constexpr size_t kMaxLabel = 63;

// The first byte of [p, end) that is one of Needles, or end. Bytes up to `readable` may be
// loaded, so a search that stops short of a buffer's end still reads whole blocks.
template <char... Needles>
const char *FindAny(const char *p, const char *end, const char *readable)
{
#if defined(__SSE2__)
    while (p < end && readable - p >= 16) {
        __m128i block;
        std::memcpy(&block, p, sizeof block);
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(Needles)))), ...);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) {
            const char *const hit = p + __builtin_ctz(mask);
            return hit < end ? hit : end;
        }
        p += 16;
    }
#endif
    for (; p < end; ++p) {
        if (((*p == Needles) || ...))
            return p;
    }
    return end;
}

// The text since the last word break. Runs of it are copied in whole 16-byte blocks, so its
// storage keeps that much room past what was reserved. The room is never cleared: a page's
// whole length may be reserved, and only what the longest text takes of it is ever touched.
class TextBuffer final
{
public:
    const char *data() const { return storage_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char operator[](size_t k) const { return storage_[k]; }

    void Reserve(size_t size)
    {
        if (capacity_ >= size + kBlock)
            return;
        const size_t capacity = std::max(size + kBlock, 2 * capacity_);
        std::unique_ptr<char[]> storage(new char[capacity]);
        if (size_ != 0)
            std::memcpy(storage.get(), storage_.get(), size_);
        storage_ = std::move(storage);
        capacity_ = capacity;
    }

    // Where the next bytes go; Reserve first, then Grow by what was written.
    char *End() { return storage_.get() + size_; }
    void Grow(size_t count) { size_ += count; }

    void push_back(char c)
    {
        Reserve(size_ + 1);
        storage_[size_++] = c;
    }

    void append(const char *p, size_t count)
    {
        Reserve(size_ + count);
        std::memcpy(End(), p, count);
        size_ += count;
    }

    void append(std::string_view text) { append(text.data(), text.size()); }
    void clear() { size_ = 0; }

    static constexpr size_t kBlock = 16;

private:
    std::unique_ptr<char[]> storage_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

// Copies the plain text from p up to the first "<" or "&" of [p, end) onto *text, and returns
// where it stopped. The offsets in *text of the bytes that may begin an "@" in one of its forms
// go to *marks: the text is then searched at those places only, so plain text is read once.
const char *AppendRun(const char *p, const char *end, TextBuffer *text, std::vector<size_t> *marks)
{
    text->Reserve(text->size() + static_cast<size_t>(end - p));
    const char *const start = p;
    char *const out = text->End();
    const size_t base = text->size();
#if defined(__SSE2__)
    const auto equal = [](__m128i block, char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); };
    for (; end - p >= 16; p += 16) {
        __m128i block;
        std::memcpy(&block, p, sizeof block);
        std::memcpy(out + (p - start), &block, sizeof block); // what lies past the stop is never read
        const auto stops = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(equal(block, '<'), equal(block, '&'))));
        const __m128i brackets = _mm_or_si128(equal(block, '['), _mm_or_si128(equal(block, '('), equal(block, '{')));
        auto found = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(brackets, _mm_or_si128(equal(block, '@'), equal(block, 'A')))));
        if (stops != 0)
            found &= (stops & (0u - stops)) - 1; // only those before the first stop
        for (; found != 0; found &= found - 1)
            marks->push_back(base + static_cast<size_t>(p - start) + static_cast<size_t>(__builtin_ctz(found)));
        if (stops != 0) {
            p += __builtin_ctz(stops);
            text->Grow(static_cast<size_t>(p - start));
            return p;
        }
    }
#endif
    for (; p < end && !Is(*p, kStop); ++p) {
        out[p - start] = *p;
        if (Is(*p, kMark))
            marks->push_back(base + static_cast<size_t>(p - start));
    }
    text->Grow(static_cast<size_t>(p - start));
    return p;
}

// ---- Entities ----------------------------------------------------------------------------

struct NamedEntity
{
    std::string_view name;
    std::string_view text;
};

// The named entities an address or its surroundings are written with, and the common ones of
// running text. Invisible characters decode to nothing: a reader sees the address joined. The
// ones of nearly every page come first, as the table is searched in order.
constexpr NamedEntity kEntities[] = {
    {"amp", "&"},      {"lt", "<"},        {"gt", ">"},          {"quot", "\""},
    {"nbsp", " "},     {"AMP", "&"},      {"Tab", "\t"},      {"NewLine", "\n"},    {"ZeroWidthSpace", ""},
    {"apos", "'"},      {"ast", "*"},         {"bsol", "\\"},
    {"colon", ":"},    {"comma", ","},     {"commat", "@"},      {"copy", "\xC2\xA9"},
    {"dollar", "$"},   {"equals", "="},    {"excl", "!"},        {"grave", "`"},
    {"hellip", "\xE2\x80\xA6"}, {"lbrace", "{"}, {"lbrack", "["},
    {"lcub", "{"},     {"ldquo", "\xE2\x80\x9C"}, {"lowbar", "_"}, {"lpar", "("},
    {"lsqb", "["},     {"lsquo", "\xE2\x80\x98"}, {"mdash", "\xE2\x80\x94"},
    {"midast", "*"},   {"ndash", "\xE2\x80\x93"}, {"num", "#"},
    {"percnt", "%"},   {"period", "."},    {"plus", "+"},        {"quest", "?"},
    {"rbrace", "}"},    {"rbrack", "]"},      {"rcub", "}"},
    {"rdquo", "\xE2\x80\x9D"}, {"reg", "\xC2\xAE"}, {"rpar", ")"}, {"rsqb", "]"},
    {"rsquo", "\xE2\x80\x99"}, {"semi", ";"}, {"shy", ""},       {"sol", "/"},
    {"verbar", "|"},   {"vert", "|"},      {"zwj", ""},          {"zwnj", ""},
};
constexpr size_t kLongestEntity = 14;

template <typename Text>
void AppendUtf8(char32_t code, Text *out)
{
    // Spaces and invisible characters become what a reader sees: a blank, or nothing.
    if (code == 0xA0 || code == 0x2007 || code == 0x202F) {
        out->push_back(' ');
        return;
    }
    if (code == 0xAD || code == 0x200B || code == 0x200C || code == 0x200D || code == 0x2060 || code == 0xFEFF)
        return;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    ByteText::appendUtf8(code, *out);
}

// Decodes the entity at `amp` (a "&") onto out and returns the byte after it. What is no
// entity, or one this table does not know, goes out as written. Numeric entities may lack
// their ";", as browsers take them; named ones need it, so "&copy2" in a query stays text.
template <typename Text>
const char *AppendEntity(const char *amp, const char *end, Text *out)
{
    const char *p = amp + 1;
    if (p < end && *p == '#') {
        ++p;
        const bool hex = p < end && (*p == 'x' || *p == 'X');
        if (hex)
            ++p;
        const char *const digits = p;
        char32_t code = 0;
        for (; p < end; ++p) {
            const int digit = hex ? ByteText::hexValue(*p) : (*p >= '0' && *p <= '9' ? *p - '0' : -1);
            if (digit < 0)
                break;
            // Past the last code point the value only has to stay out of range.
            code = std::min<char32_t>(code * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
        }
        if (p == digits) {
            out->append(amp, static_cast<size_t>(p - amp));
            return p;
        }
        if (p < end && *p == ';')
            ++p;
        AppendUtf8(code, out);
        return p;
    }
    const char *nameEnd = p;
    while (nameEnd < end && nameEnd - p <= static_cast<std::ptrdiff_t>(kLongestEntity) && IsLetter(*nameEnd))
        ++nameEnd;
    if (nameEnd < end && *nameEnd == ';' && nameEnd > p) {
        const std::string_view name(p, static_cast<size_t>(nameEnd - p));
        for (const NamedEntity &entity : kEntities) {
            if (entity.name == name) {
                out->append(entity.text);
                return nameEnd + 1;
            }
        }
    }
    out->push_back('&');
    return p;
}

void AppendDecoded(const char *p, const char *end, std::string *out)
{
    while (p < end) {
        const auto *amp = static_cast<const char *>(std::memchr(p, '&', static_cast<size_t>(end - p)));
        if (!amp) {
            out->append(p, static_cast<size_t>(end - p));
            return;
        }
        out->append(p, static_cast<size_t>(amp - p));
        p = AppendEntity(amp, end, out);
    }
}

// ---- Addresses ---------------------------------------------------------------------------

// Distinct addresses in the order they were first seen.
class AddressSet final
{
public:
    explicit AddressSet(QByteArrayList *list) : list_(list) {}

    void Add(std::string_view address)
    {
        // Looked up in place: only a new address is copied.
        if (seen_.contains(QByteArray::fromRawData(address.data(), static_cast<qsizetype>(address.size()))))
            return;
        const QByteArray bytes(address.data(), static_cast<qsizetype>(address.size()));
        seen_.insert(bytes);
        list_->append(bytes);
    }

private:
    QByteArrayList *list_;
    QSet<QByteArray> seen_;
};

// Top-level domains already looked up: a page names the same few again and again, and the
// list's look-up costs far more than the scan of the address around it.
class TopLevels final
{
public:
    bool IsReal(std::string_view topLevel)
    {
        if (topLevel == last_)
            return lastReal_;
        last_.assign(topLevel);
        lastReal_ = Look(topLevel);
        return lastReal_;
    }

private:
    bool Look(std::string_view topLevel)
    {
        const auto known = real_.constFind(QByteArray::fromRawData(topLevel.data(), static_cast<qsizetype>(topLevel.size())));
        if (known != real_.constEnd())
            return known.value();
        const QByteArray key(topLevel.data(), static_cast<qsizetype>(topLevel.size()));
        const bool real = PublicSuffix::hasRealTopLevel(key);
        real_.insert(key, real);
        return real;
    }

    QHash<QByteArray, bool> real_;
    std::string last_; // the one asked for before, most often asked again
    bool lastReal_ = false;
};

// Whether a lower-case domain (no final dot) is one mail can go to.
bool IsValidDomain(std::string_view domain, TopLevels *topLevels)
{
    if (domain.empty() || domain.size() > kMaxDomain)
        return false;
    size_t lastDot = std::string_view::npos;
    size_t labelStart = 0;
    for (size_t k = 0; k <= domain.size(); ++k) {
        if (k < domain.size() && domain[k] != '.')
            continue;
        const size_t length = k - labelStart;
        if (length == 0 || length > kMaxLabel || domain[labelStart] == '-' || domain[k - 1] == '-')
            return false;
        if (k < domain.size())
            lastDot = k;
        labelStart = k + 1;
    }
    return lastDot != std::string_view::npos && topLevels->IsReal(domain.substr(lastDot + 1));
}

// How the "@" of a candidate was written.
enum class AtForm { Sign, Bracketed, Word };

// Finds the addresses in one stretch of text between two word breaks. Besides the "@" sign it
// reads the written-out forms: "[at]", "(at)", "{at}" in any case, and a capitalised AT
// standing as a word; dots likewise as "[dot]", "(dot)", "{dot}" or a capitalised DOT word.
// Lower-case "at" outside brackets is prose and never read.
class TextScan final
{
public:
    TextScan(const char *begin, const char *end, const char *readable, AddressSet *found, TopLevels *topLevels)
        : begin_(begin), end_(end), readable_(readable), floor_(begin), found_(found), topLevels_(topLevels)
    {
    }

    // Reads plain "@" signs only, as text set apart from the page's running text is read.
    void RunPlain()
    {
        const char *p = begin_;
        while (p < end_) {
            p = FindAny<'@'>(p, end_, readable_);
            if (p == end_)
                return;
            p = Candidate(p, p + 1, AtForm::Sign);
        }
    }

    // Reads the "@" in all its forms. `marks` holds, in order, the offset of every byte of the
    // text that may begin one; a search from the start would stop at just these.
    void RunAt(const std::vector<size_t> &marks)
    {
        const char *p = begin_;
        for (const size_t offset : marks) {
            const char *const mark = begin_ + offset;
            if (mark < p)
                continue; // within the last candidate
            AtForm form = AtForm::Sign;
            if (const char *const markEnd = MatchAt(mark, &form))
                p = Candidate(mark, markEnd, form);
        }
    }

private:
    // The end of the "@" written at p, or null when p starts none.
    const char *MatchAt(const char *p, AtForm *form) const
    {
        if (*p == '@') {
            *form = AtForm::Sign;
            return p + 1;
        }
        if (*p == 'A') {
            // A whole capitalised word: "AT&T", "CAT" and "AT." are none.
            if (p > begin_ && Is(p[-1], kBlank) && end_ - p >= 3 && p[1] == 'T' && Is(p[2], kBlank)) {
                *form = AtForm::Word;
                return p + 2;
            }
            return nullptr;
        }
        *form = AtForm::Bracketed;
        return MatchBracketed(p, "at");
    }

    // The end of "[word]", "(word)" or "{word}" at p, blanks allowed inside, any case.
    const char *MatchBracketed(const char *p, std::string_view word) const
    {
        const char close = *p == '[' ? ']' : *p == '(' ? ')' : *p == '{' ? '}' : '\0';
        if (!close)
            return nullptr;
        const char *q = SkipBlanks(p + 1);
        if (!StartsWithNoCase(q, end_, word))
            return nullptr;
        q = SkipBlanks(q + word.size());
        return q < end_ && *q == close ? q + 1 : nullptr;
    }

    const char *SkipBlanks(const char *p) const
    {
        while (p < end_ && Is(*p, kBlank))
            ++p;
        return p;
    }

    // The start of a written-out dot that ends right before `p`, no further back than floor;
    // null when there is none. Blanks around it are part of it.
    const char *DotBefore(const char *p) const
    {
        const char *q = p;
        while (q > floor_ && Is(q[-1], kBlank))
            --q;
        if (q - floor_ >= 3 && q[-1] == 'T' && q[-2] == 'O' && q[-3] == 'D') {
            // Only a word standing between blanks.
            const char *const word = q - 3;
            if (q != p && word > floor_ && Is(word[-1], kBlank)) {
                const char *start = word;
                while (start > floor_ && Is(start[-1], kBlank))
                    --start;
                return start;
            }
            return nullptr;
        }
        if (q == floor_)
            return nullptr;
        const char open = q[-1] == ']' ? '[' : q[-1] == ')' ? '(' : q[-1] == '}' ? '{' : '\0';
        if (!open)
            return nullptr;
        const char *r = q - 1;
        while (r > floor_ && Is(r[-1], kBlank))
            --r;
        if (r - floor_ < 3 || Lower(r[-1]) != 't' || Lower(r[-2]) != 'o' || Lower(r[-3]) != 'd')
            return nullptr;
        r -= 3;
        while (r > floor_ && Is(r[-1], kBlank))
            --r;
        if (r == floor_ || r[-1] != open)
            return nullptr;
        --r;
        while (r > floor_ && Is(r[-1], kBlank))
            --r;
        return r;
    }

    // The end of a written-out dot that starts at p, blanks around it included; null when
    // there is none.
    const char *DotAt(const char *p, bool *written) const
    {
        const char *q = SkipBlanks(p);
        if (q == end_)
            return nullptr;
        if (q != p && end_ - q >= 4 && q[0] == 'D' && q[1] == 'O' && q[2] == 'T' && Is(q[3], kBlank)) {
            *written = true;
            return SkipBlanks(q + 3);
        }
        const char *const close = MatchBracketed(q, "dot");
        if (!close)
            return nullptr;
        *written = true;
        return SkipBlanks(close);
    }

    // Reads the candidate whose "@" is [mark, markEnd) and returns where the search goes on.
    const char *Candidate(const char *mark, const char *markEnd, AtForm form)
    {
        const bool local = ReadLocal(form == AtForm::Sign ? mark : SkipBlanksBack(mark));
        const char *const after = form == AtForm::Sign ? markEnd : SkipBlanks(markEnd);
        bool writtenDot = false;
        const char *const domainEnd = ReadDomain(after, &writtenDot);
        // The text the domain took can never be a later local part.
        floor_ = std::max(markEnd, domainEnd);
        // A capitalised AT is an address only with a written-out dot beside it: "VISIT US AT
        // WWW.EXAMPLE.COM" is a banner, "jane AT example DOT com" is an address.
        if (local && !domain_.empty() && (form != AtForm::Word || writtenDot)) {
            address_.assign(local_);
            address_.push_back('@');
            address_.append(domain_);
            found_->Add(address_);
        }
        return floor_;
    }

    const char *SkipBlanksBack(const char *p) const
    {
        while (p > floor_ && Is(p[-1], kBlank))
            --p;
        return p;
    }

    // The local part ending at `end` into local_, lower case; false when there is none.
    // ".jane@" gives jane (a sentence may run into it), "a..b@" gives b, "trail.@" nothing:
    // cutting off its dot would name another mailbox.
    bool ReadLocal(const char *end)
    {
        reversed_.clear();
        const char *p = end;
        for (;;) {
            while (p > floor_ && Is(p[-1], kLocal)) {
                if (p[-1] == '.' && !reversed_.empty() && reversed_.back() == '.') {
                    reversed_.pop_back();
                    return FinishLocal();
                }
                reversed_.push_back(Lower(p[-1]));
                --p;
                if (reversed_.size() > kMaxLocal + 1) // one more may be a leading dot
                    return false;
            }
            if (reversed_.empty() || reversed_.back() == '.')
                break;
            const char *const dot = DotBefore(p);
            if (!dot || dot == floor_ || !Is(dot[-1], kLocal) || dot[-1] == '.')
                break;
            reversed_.push_back('.');
            p = dot;
        }
        return FinishLocal();
    }

    bool FinishLocal()
    {
        while (!reversed_.empty() && reversed_.back() == '.')
            reversed_.pop_back();
        if (reversed_.empty() || reversed_.size() > kMaxLocal || reversed_.front() == '.')
            return false;
        local_.assign(reversed_.rbegin(), reversed_.rend());
        return true;
    }

    // The domain starting at p into domain_, lower case, empty when it is none. Returns where
    // its text ends.
    const char *ReadDomain(const char *p, bool *writtenDot)
    {
        domain_.clear();
        bool tooLong = false;
        for (;;) {
            const char *const stretch = p;
            while (p < end_ && Is(*p, kDomain))
                ++p;
            // One byte past the longest domain is kept, so that "too long" is told from the rest.
            const size_t room = kMaxDomain + 1 - domain_.size();
            const size_t length = static_cast<size_t>(p - stretch);
            tooLong = tooLong || length > room;
            AppendLower(stretch, std::min(length, room), &domain_);
            if (domain_.empty() || !Is(p[-1], kLabel))
                break;
            bool written = false;
            const char *const next = DotAt(p, &written);
            if (!next || next == end_ || !Is(*next, kLabel))
                break;
            *writtenDot = *writtenDot || written;
            if (domain_.size() <= kMaxDomain)
                domain_.push_back('.');
            else
                tooLong = true;
            p = next;
        }
        // An ellipsis or a dash after the address is punctuation; two dots in a row end it.
        const size_t doubled = domain_.find("..");
        if (doubled != std::string::npos)
            domain_.resize(doubled);
        while (!domain_.empty() && (domain_.back() == '.' || domain_.back() == '-'))
            domain_.pop_back();
        if (tooLong || !IsValidDomain(domain_, topLevels_))
            domain_.clear();
        return p;
    }

    const char *const begin_;
    const char *const end_;
    const char *const readable_;
    const char *floor_; // local parts never reach behind this
    AddressSet *const found_;
    TopLevels *const topLevels_;
    std::string reversed_;
    std::string local_;
    std::string domain_;
    std::string address_;
};

// ---- Markup ------------------------------------------------------------------------------

// A tag name as one number, so that telling what a tag does takes no string compare: up to
// seven lower-cased bytes and the length in the top byte (a name may hold a NUL). Longer names,
// none of which this scan treats apart, are all kLongName.
using TagKey = std::uint64_t;
constexpr TagKey kLongName = 0;
constexpr size_t kMaxKeyedName = 7;

constexpr TagKey KeyByte(char c, size_t position)
{
    return TagKey{static_cast<unsigned char>(Lower(c))} << (8 * position);
}

constexpr TagKey KeyOf(std::string_view name)
{
    if (name.size() > kMaxKeyedName)
        return kLongName;
    TagKey key = TagKey{name.size()} << 56;
    for (size_t k = 0; k < name.size(); ++k)
        key |= KeyByte(name[k], k);
    return key;
}

// A fixed set of tag names, open addressing in a table twice its size.
class TagSet final
{
public:
    constexpr TagSet(std::initializer_list<std::string_view> names)
    {
        for (std::string_view name : names) {
            size_t slot = Slot(KeyOf(name));
            while (slots_[slot] != kLongName)
                slot = (slot + 1) % kSlots;
            slots_[slot] = KeyOf(name);
        }
    }

    constexpr bool Contains(TagKey key) const
    {
        if (key == kLongName)
            return false;
        for (size_t slot = Slot(key);; slot = (slot + 1) % kSlots) {
            if (slots_[slot] == key)
                return true;
            if (slots_[slot] == kLongName)
                return false;
        }
    }

private:
    static constexpr size_t kSlots = 64;
    static constexpr size_t Slot(TagKey key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> 58); }

    std::array<TagKey, kSlots> slots_{};
};

// Inline tags carry no break: "jane<b>@</b>example.org" reads jane@example.org. Every other
// tag, known or not, is a word break, so that no table row or list is glued into one address.
constexpr TagSet kInlineTags = {
    "abbr", "acronym", "b",      "bdi",    "bdo", "big", "cite", "code", "del", "dfn",
    "em",   "font",    "i",      "ins",    "kbd", "mark", "nobr", "q",   "s",   "samp",
    "small", "span",   "strike", "strong", "sub", "sup", "tt",   "u",    "var", "wbr",
};
static_assert(kInlineTags.Contains(KeyOf("STRONG")) && kInlineTags.Contains(KeyOf("b")));
static_assert(!kInlineTags.Contains(KeyOf("a")) && !kInlineTags.Contains(KeyOf("blockquote")));

constexpr std::string_view kScriptName = "script";
constexpr std::string_view kStyleName = "style";
constexpr TagKey kScript = KeyOf(kScriptName);
constexpr TagKey kStyle = KeyOf(kStyleName);

class PageScan final
{
public:
    explicit PageScan(QByteArrayList *list) : found_(list) {}

    void Run(QByteArrayView page)
    {
        const char *p = page.data();
        end_ = p + page.size();
        while (p < end_) {
            const char *const hit = AppendRun(p, end_, &text_, &marks_);
            if (hit == end_)
                break;
            p = *hit == '&' ? Entity(hit) : Markup(hit);
        }
        Break();
    }

private:
    // Ends the text before a word break: its addresses are taken now. Text without a mark
    // holds none.
    void Break()
    {
        if (!marks_.empty())
            ScanMarks();
        text_.clear();
    }

    void ScanMarks()
    {
        const char *const text = text_.data();
        TextScan(text, text + text_.size(), text + text_.size(), &found_, &topLevels_).RunAt(marks_);
        marks_.clear();
    }

    // Decodes the entity at the "&" at p into the text, and marks what it gives like the page's
    // own bytes.
    const char *Entity(const char *amp)
    {
        const size_t before = text_.size();
        const char *const next = AppendEntity(amp, end_, &text_);
        for (size_t k = before; k < text_.size(); ++k) {
            if (Is(text_[k], kMark))
                marks_.push_back(k);
        }
        return next;
    }

    // Scans a value read on its own for plain addresses, then empties it. Blocks are read past
    // its end, so it gets room for them.
    void ScanValue(std::string *value)
    {
        if (value->empty())
            return;
        const size_t size = value->size();
        value->append(16, '\0');
        TextScan(value->data(), value->data() + size, value->data() + value->size(), &found_, &topLevels_).RunPlain();
        value->clear();
    }

    // Scans text of the page itself that stands apart from the text around it.
    void ScanPlain(const char *begin, const char *end)
    {
        TextScan(begin, end, end_, &found_, &topLevels_).RunPlain();
    }

    // Handles the markup that may start at the "<" at p and returns where the text goes on.
    const char *Markup(const char *p)
    {
        const char *const next = p + 1;
        if (next == end_) {
            text_.push_back('<');
            return end_;
        }
        if (*next == '!') {
            Break();
            if (StartsWithNoCase(next, end_, "!--"))
                return Comment(next + 3);
            return PastByte(next, '>');
        }
        if (*next == '?') {
            Break();
            return PastByte(next, '>');
        }
        if (*next == '/') {
            if (next + 1 < end_ && IsLetter(next[1])) {
                const char *const nameEnd = TagName(next + 1);
                if (!kInlineTags.Contains(tag_))
                    Break();
                return PastByte(nameEnd, '>');
            }
            Break();
            return PastByte(next, '>'); // "</>" and "</ x>" are bogus comments
        }
        if (!IsLetter(*next)) {
            text_.push_back('<'); // "a < b" is text
            return next;
        }
        return StartTag(next);
    }

    const char *PastByte(const char *p, char c)
    {
        if (p < end_ && *p == c)
            return p + 1; // most tags end right after their name
        const auto *hit = static_cast<const char *>(std::memchr(p, c, static_cast<size_t>(end_ - p)));
        return hit ? hit + 1 : end_;
    }

    // Reads the tag name at p into tag_ and returns its end.
    const char *TagName(const char *p)
    {
        TagKey key = 0;
        size_t length = 0;
        for (; p < end_ && !Is(*p, kTagNameEnd); ++p, ++length) {
            if (length < kMaxKeyedName)
                key |= KeyByte(*p, length);
        }
        tag_ = length <= kMaxKeyedName ? key | TagKey{length} << 56 : kLongName;
        return p;
    }

    // Comments are text apart from the rest: an address written plainly in one still counts.
    const char *Comment(const char *p)
    {
        // "<!-->" and "<!--->" close at once, as browsers take them.
        if (p < end_ && *p == '>')
            return p + 1;
        if (end_ - p >= 2 && p[0] == '-' && p[1] == '>')
            return p + 2;
        const char *const close = CommentEnd(p);
        ScanPlain(p, close);
        return close == end_ ? end_ : close + 3;
    }

    // The "-->" that closes a comment whose text starts at p, or end.
    const char *CommentEnd(const char *p) const
    {
        for (const char *q = p + 2; q < end_; ++q) {
            q = static_cast<const char *>(std::memchr(q, '>', static_cast<size_t>(end_ - q)));
            if (!q)
                break;
            if (q[-1] == '-' && q[-2] == '-')
                return q - 2;
        }
        return end_;
    }

    // A start tag whose name begins at p: its attributes, then what its content is.
    const char *StartTag(const char *p)
    {
        p = TagName(p);
        const bool isInline = kInlineTags.Contains(tag_);
        const std::string_view rawText = tag_ == kScript ? kScriptName : tag_ == kStyle ? kStyleName : std::string_view();
        if (!isInline)
            Break();
        for (;;) {
            while (p < end_ && (Is(*p, kBlank) || *p == '/'))
                ++p;
            if (p == end_)
                return end_; // an unclosed tag holds the rest of the page
            if (*p == '>')
                break;
            const char *const attrName = p;
            ++p; // a name may start with "="
            while (p < end_ && !Is(*p, kBlank) && *p != '/' && *p != '>' && *p != '=')
                ++p;
            const std::string_view name(attrName, static_cast<size_t>(p - attrName));
            while (p < end_ && Is(*p, kBlank))
                ++p;
            if (p == end_ || *p != '=')
                continue;
            ++p;
            while (p < end_ && Is(*p, kBlank))
                ++p;
            if (p == end_)
                return end_;
            const char *valueBegin = p;
            const char *valueEnd;
            if (*p == '"' || *p == '\'') {
                valueBegin = p + 1;
                const auto *quote
                    = static_cast<const char *>(std::memchr(valueBegin, *p, static_cast<size_t>(end_ - valueBegin)));
                if (!quote)
                    return end_;
                valueEnd = quote;
                p = quote + 1;
            } else {
                while (p < end_ && !Is(*p, kBlank) && *p != '>')
                    ++p;
                valueEnd = p;
            }
            Attribute(name, valueBegin, valueEnd, isInline);
        }
        ++p; // the ">"
        if (!rawText.empty())
            return RawText(p, rawText);
        return p;
    }

    // Script and style contents are text apart from the rest, read for plain addresses only.
    // They end at the first "</" followed by their own tag name.
    const char *RawText(const char *p, std::string_view name)
    {
        for (const char *q = p;; ++q) {
            q = static_cast<const char *>(std::memchr(q, '<', static_cast<size_t>(end_ - q)));
            if (!q) {
                ScanPlain(p, end_);
                return end_;
            }
            if (end_ - q < 2 || q[1] != '/' || !StartsWithNoCase(q + 2, end_, name))
                continue;
            const char *const nameEnd = q + 2 + name.size();
            if (nameEnd == end_ || Is(*nameEnd, kTagNameEnd)) {
                ScanPlain(p, q);
                return q;
            }
        }
    }

    void Attribute(std::string_view name, const char *begin, const char *end, bool isInline)
    {
        const bool href = name.size() == 4 && StartsWithNoCase(name.data(), name.data() + 4, "href");
        const bool cfemail = name.size() == 12 && StartsWithNoCase(name.data(), name.data() + 12, "data-cfemail");
        if (!href && !cfemail)
            return;
        const std::string_view value = Decoded(begin, end);
        const char *v = value.data();
        const char *const vEnd = v + value.size();
        while (v < vEnd && static_cast<unsigned char>(*v) <= 0x20)
            ++v;
        if (href && StartsWithNoCase(v, vEnd, "mailto:")) {
            // The query ("?subject=", "?cc=") is no target of the link.
            v += 7;
            const char *target = v;
            while (target < vEnd && *target != '?' && *target != '#')
                ++target;
            if (isInline)
                Break();
            PercentDecodeInto(v, target, &scratch_);
            ScanValue(&scratch_);
            return;
        }
        if (href) {
            // The protected address's own link carries the same code behind "#".
            constexpr std::string_view kProtected = "/cdn-cgi/l/email-protection#";
            const size_t mark = std::string_view(v, static_cast<size_t>(vEnd - v)).find(kProtected);
            if (mark == std::string_view::npos)
                return;
            v += mark + kProtected.size();
        }
        if (isInline)
            Break();
        if (XorDecodeInto(v, vEnd, &scratch_))
            ScanValue(&scratch_);
    }

    // An attribute value with its entities decoded: the page's own bytes when it has none.
    std::string_view Decoded(const char *begin, const char *end)
    {
        if (!std::memchr(begin, '&', static_cast<size_t>(end - begin)))
            return std::string_view(begin, static_cast<size_t>(end - begin));
        value_.clear();
        AppendDecoded(begin, end, &value_);
        return value_;
    }

    static void PercentDecodeInto(const char *p, const char *end, std::string *out)
    {
        out->clear();
        for (; p < end; ++p) {
            if (*p == '%' && end - p >= 3 && ByteText::hexValue(p[1]) >= 0 && ByteText::hexValue(p[2]) >= 0) {
                out->push_back(static_cast<char>(ByteText::hexValue(p[1]) * 16 + ByteText::hexValue(p[2])));
                p += 2;
            } else {
                out->push_back(*p);
            }
        }
    }

    // Hex pairs, the first the key and each following one an address byte XOR the key.
    static bool XorDecodeInto(const char *p, const char *end, std::string *out)
    {
        out->clear();
        while (end > p && static_cast<unsigned char>(end[-1]) <= 0x20)
            --end;
        if ((end - p) < 4 || (end - p) % 2 != 0)
            return false;
        int key = -1;
        for (; p < end; p += 2) {
            const int high = ByteText::hexValue(p[0]);
            const int low = ByteText::hexValue(p[1]);
            if (high < 0 || low < 0)
                return false;
            const int byte = high * 16 + low;
            if (key < 0)
                key = byte;
            else
                out->push_back(static_cast<char>(byte ^ key));
        }
        return true;
    }

    AddressSet found_;
    TopLevels topLevels_;
    const char *end_ = nullptr;
    TextBuffer text_;     // the text since the last word break, entities decoded
    std::vector<size_t> marks_; // where in text_ an "@" may begin
    std::string scratch_; // a value read on its own
    std::string value_;
    TagKey tag_ = kLongName; // of the tag being read
};

} // namespace

QByteArrayList ExtractEmails(QByteArrayView page)
{
    QByteArrayList list;
    PageScan(&list).Run(page);
    return list;
}

} // namespace AddressScan
