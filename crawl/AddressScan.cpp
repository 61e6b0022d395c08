#include "crawl/AddressScan.h"

#include "platform/ByteText.h"

#include "crawl/PublicSuffix.h"

#include <QHashFunctions>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

// One pass over the page. Markup is tokenised as a browser would (quoted attribute values may
// hold ">"), entities are decoded, and the text between two word breaks is kept as pieces of
// the page; when the next break comes, text that holds a byte that may begin an address is
// joined and searched at those bytes only. Every walk around a candidate is bounded by the
// previous candidate behind it and the next one ahead of it, so the whole scan stays linear in
// the page, whatever the page holds.

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
    out->resize(from + count);
    char *const to = out->data() + from;
    for (size_t k = 0; k < count; ++k)
        to[k] = Lower(p[k]);
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

// ---- Blocks of text ----------------------------------------------------------------------

// Plain text is read a block at a time: for each block, one bit per byte for the bytes that end
// a run of plain text ("<", "&") and for those that may begin an "@" in one of its forms
// ("@", "[", "(", "{", "A").
struct BlockBits
{
    std::uint32_t stops;
    std::uint32_t marks;
};

#if defined(__SSE2__)
struct Sse2Blocks
{
    static constexpr std::ptrdiff_t kSize = 16;

    static BlockBits Read(const char *p)
    {
        __m128i block;
        std::memcpy(&block, p, sizeof block);
        const auto equal = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
        const __m128i stops = _mm_or_si128(equal(block, '<'), equal(block, '&'));
        const __m128i brackets = _mm_or_si128(equal(block, '['), _mm_or_si128(equal(block, '('), equal(block, '{')));
        const __m128i marks = _mm_or_si128(brackets, _mm_or_si128(equal(block, '@'), equal(block, 'A')));
        return {static_cast<std::uint32_t>(_mm_movemask_epi8(stops)), static_cast<std::uint32_t>(_mm_movemask_epi8(marks))};
    }
};
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRAWLEX_SCAN_AVX2 1
// 32 bytes at a time. A byte is one of "<&@[({A" when the classes its low and its high half
// stand for share a bit: "<" is 3C (bit 0), "&" 26 (bit 1), "@" 40 and "A" 41 (bit 2), "[" 5B
// and "{" 7B (bit 3), "(" 28 (bit 4). No other byte has a low and a high half of one bit.
struct Avx2Blocks
{
    static constexpr std::ptrdiff_t kSize = 32;

    __attribute__((target("avx2"))) static BlockBits Read(const char *p)
    {
        const __m256i low = _mm256_setr_epi8(4, 4, 0, 0, 0, 0, 2, 0, 16, 0, 0, 8, 1, 0, 0, 0, //
                                             4, 4, 0, 0, 0, 0, 2, 0, 16, 0, 0, 8, 1, 0, 0, 0);
        const __m256i high = _mm256_setr_epi8(0, 0, 2 | 16, 1, 4, 8, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, //
                                              0, 0, 2 | 16, 1, 4, 8, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0);
        const __m256i nibble = _mm256_set1_epi8(0x0F);
        __m256i block;
        std::memcpy(&block, p, sizeof block);
        const __m256i lowClass = _mm256_shuffle_epi8(low, _mm256_and_si256(block, nibble));
        const __m256i highClass = _mm256_shuffle_epi8(high, _mm256_and_si256(_mm256_srli_epi16(block, 4), nibble));
        const __m256i both = _mm256_and_si256(lowClass, highClass);
        const __m256i zero = _mm256_setzero_si256();
        const __m256i noStop = _mm256_cmpeq_epi8(_mm256_and_si256(both, _mm256_set1_epi8(1 | 2)), zero);
        const __m256i noMark = _mm256_cmpeq_epi8(_mm256_and_si256(both, _mm256_set1_epi8(4 | 8 | 16)), zero);
        return {~static_cast<std::uint32_t>(_mm256_movemask_epi8(noStop)),
                ~static_cast<std::uint32_t>(_mm256_movemask_epi8(noMark))};
    }
};
#endif

// Whether this processor has AVX2; the build itself assumes no more than SSE2.
bool HasAvx2()
{
#if defined(TRAWLEX_SCAN_AVX2)
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
#else
    return false;
#endif
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

// Distinct byte strings held in a list, found again without copying what is looked up: an
// open-addressing table of their hashes and places in the list. Qt's seeded hash keeps a page
// from choosing strings that collide.
class StringIndex final
{
public:
    explicit StringIndex(QByteArrayList *list) : list_(list) {}

    // The place of `key` in the list, appended there first when it is new.
    qsizetype Insert(std::string_view key, bool *added)
    {
        const QByteArrayView view(key.data(), static_cast<qsizetype>(key.size()));
        if (2 * (list_->size() + 1) > static_cast<qsizetype>(slots_.size()))
            Grow();
        const size_t hash = qHash(view, seed_);
        for (size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
            Slot &entry = slots_[slot];
            if (entry.place == 0) {
                entry = {hash, list_->size() + 1};
                list_->append(QByteArray(view.data(), view.size()));
                *added = true;
                return list_->size() - 1;
            }
            if (entry.hash == hash && QByteArrayView(list_->at(entry.place - 1)) == view) {
                *added = false;
                return entry.place - 1;
            }
        }
    }

private:
    struct Slot
    {
        size_t hash = 0;
        qsizetype place = 0; // in the list, plus one; 0 for a free slot
    };

    void Grow()
    {
        std::vector<Slot> old(std::max<size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (const Slot &entry : old) {
            if (entry.place == 0)
                continue;
            size_t slot = entry.hash & mask_;
            while (slots_[slot].place != 0)
                slot = (slot + 1) & mask_;
            slots_[slot] = entry;
        }
    }

    QByteArrayList *list_;
    std::vector<Slot> slots_;
    size_t mask_ = 0;
    size_t seed_ = QHashSeed::globalSeed();
};

// Distinct addresses in the order they were first seen.
class AddressSet final
{
public:
    explicit AddressSet(QByteArrayList *list) : index_(list) {}

    void Add(std::string_view address)
    {
        bool added = false;
        index_.Insert(address, &added);
    }

private:
    StringIndex index_;
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
        bool added = false;
        const qsizetype place = index_.Insert(topLevel, &added);
        if (added)
            real_.push_back(PublicSuffix::hasRealTopLevel(names_.at(place)));
        lastReal_ = real_[static_cast<size_t>(place)];
        return lastReal_;
    }

private:
    QByteArrayList names_;
    StringIndex index_{&names_};
    std::vector<bool> real_; // by place in names_
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

// What a scan of one stretch builds as it goes, kept from one stretch to the next so that its
// storage is allocated once per page.
struct ScanScratch
{
    std::vector<std::pair<const char *, const char *>> pieces; // of a local part, last first
    std::string local;
    std::string domain;
    std::string address;
};

// Finds the addresses in one stretch of text between two word breaks. Besides the "@" sign it
// reads the written-out forms: "[at]", "(at)", "{at}" in any case, and a capitalised AT
// standing as a word; dots likewise as "[dot]", "(dot)", "{dot}" or a capitalised DOT word.
// Lower-case "at" outside brackets is prose and never read.
class TextScan final
{
public:
    TextScan(const char *begin, const char *end, AddressSet *found, TopLevels *topLevels, ScanScratch *scratch)
        : begin_(begin), end_(end), floor_(begin), found_(found), topLevels_(topLevels), pieces_(scratch->pieces),
          local_(scratch->local), domain_(scratch->domain), address_(scratch->address)
    {
    }

    // Reads plain "@" signs only, as text set apart from the page's running text is read.
    void RunPlain()
    {
        const char *p = begin_;
        while (p < end_) {
            p = static_cast<const char *>(std::memchr(p, '@', static_cast<size_t>(end_ - p)));
            if (!p)
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
    // cutting off its dot would name another mailbox. It is read backwards from the "@" as runs
    // of the page's bytes with written-out dots between them, then copied out forwards.
    bool ReadLocal(const char *end)
    {
        pieces_.clear();
        size_t length = 0; // of the local part so far, its dots included
        const char *p = end;
        for (;;) {
            const char *const pieceEnd = p;
            bool doubled = false;
            while (p > floor_ && Is(p[-1], kLocal)) {
                if (p[-1] == '.' && p < pieceEnd && *p == '.') {
                    doubled = true; // the first dot of two and what lies before it are no part of it
                    ++p;
                    break;
                }
                --p;
                if (++length > kMaxLocal + 1) // one more may be a leading dot
                    return false;
            }
            if (p == pieceEnd)
                return false; // nothing before the "@"
            pieces_.emplace_back(p, pieceEnd);
            if (doubled || *p == '.')
                break;
            const char *const dot = DotBefore(p);
            if (!dot || dot == floor_ || !Is(dot[-1], kLocal) || dot[-1] == '.')
                break;
            ++length;
            p = dot;
        }
        local_.clear();
        for (auto piece = pieces_.rbegin(); piece != pieces_.rend(); ++piece) {
            if (!local_.empty())
                local_.push_back('.');
            AppendLower(piece->first, static_cast<size_t>(piece->second - piece->first), &local_);
        }
        const size_t leadingDots = local_.find_first_not_of('.');
        if (leadingDots == std::string::npos)
            return false;
        local_.erase(0, leadingDots);
        return local_.size() <= kMaxLocal && local_.back() != '.';
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
    const char *floor_; // local parts never reach behind this
    AddressSet *const found_;
    TopLevels *const topLevels_;
    std::vector<std::pair<const char *, const char *>> &pieces_;
    std::string &local_;
    std::string &domain_;
    std::string &address_;
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

// A fixed set of tag names in a table where each has a slot of its own, so that a look-up is
// one load and one compare: the multiplier of the hash is the first that parts them all.
class TagSet final
{
public:
    constexpr TagSet(std::initializer_list<std::string_view> names)
    {
        while (!Fill(names))
            multiplier_ += 2;
    }

    constexpr bool Contains(TagKey key) const { return (slots_[Slot(key)] == key) & (key != kLongName); }

private:
    constexpr bool Fill(std::initializer_list<std::string_view> names)
    {
        slots_ = {};
        for (std::string_view name : names) {
            TagKey &slot = slots_[Slot(KeyOf(name))];
            if (slot != kLongName)
                return false;
            slot = KeyOf(name);
        }
        return true;
    }

    static constexpr size_t kSlots = 256;
    constexpr size_t Slot(TagKey key) const { return static_cast<size_t>((key * multiplier_) >> 56); }

    std::array<TagKey, kSlots> slots_{};
    std::uint64_t multiplier_ = 0x9E3779B97F4A7C15u;
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
        avx2_ = HasAvx2();
        const char *p = page.data();
        end_ = p + page.size();
        while (p < end_) {
            p = TextRun(p);
            if (p == end_)
                break;
            p = *p == '&' ? Entity(p) : Markup(p);
        }
        Break();
    }

private:
    // The text since the last word break is kept as pieces of the page and of decoded entities,
    // and only joined when it holds a mark: most text holds no address and is read just once.
    struct Piece
    {
        const char *page; // the bytes in the page, or null for decoded_ from `at` on
        size_t at;
        size_t size;
    };

    // Takes the plain text from p up to the first "<" or "&", or the end, and returns where it
    // stopped.
    const char *TextRun(const char *p)
    {
#if defined(TRAWLEX_SCAN_AVX2)
        if (avx2_)
            return TextRunAvx2(p);
#endif
#if defined(__SSE2__)
        return TextRunIn<Sse2Blocks>(p);
#else
        return TextRunTail(p, p);
#endif
    }

#if defined(TRAWLEX_SCAN_AVX2)
    __attribute__((target("avx2"))) const char *TextRunAvx2(const char *p) { return TextRunIn<Avx2Blocks>(p); }
#endif

    template <typename Blocks>
    __attribute__((always_inline)) inline const char *TextRunIn(const char *p)
    {
        const char *const start = p;
        for (; end_ - p >= Blocks::kSize; p += Blocks::kSize) {
            const BlockBits bits = Blocks::Read(p);
            std::uint32_t marks = bits.marks;
            if (bits.stops != 0)
                marks &= (bits.stops & (0u - bits.stops)) - 1; // only those before the first stop
            for (; marks != 0; marks &= marks - 1)
                Mark(p + __builtin_ctz(marks), start);
            if (bits.stops != 0) {
                p += __builtin_ctz(bits.stops);
                AddPageText(start, p);
                return p;
            }
        }
        return TextRunTail(p, start);
    }

    // The end of a run that started at `start`, byte by byte from p.
    const char *TextRunTail(const char *p, const char *start)
    {
        for (; p < end_ && !Is(*p, kStop); ++p) {
            if (Is(*p, kMark))
                Mark(p, start);
        }
        AddPageText(start, p);
        return p;
    }

    void Mark(const char *p, const char *start)
    {
        if (MayBeginAt(p, start))
            marks_.push_back(size_ + static_cast<size_t>(p - start));
    }

    // Whether the mark at p, in the run of plain text that started at `start`, may begin an
    // "@" in the text once it is joined. Only what the run itself shows rules one out: the
    // bytes beyond its ends may come from entities and from what follows an inline tag.
    bool MayBeginAt(const char *p, const char *start) const
    {
        const auto unknownOr = [this](const char *q, auto test) { return q >= end_ || Is(*q, kStop) || test(*q); };
        if (*p == '@')
            return true;
        if (*p == 'A') {
            // A whole word "AT" between blanks.
            if (p > start && !Is(p[-1], kBlank))
                return false;
            if (!unknownOr(p + 1, [](char c) { return c == 'T'; }))
                return false;
            return p + 1 >= end_ || p[1] != 'T' || unknownOr(p + 2, [](char c) { return Is(c, kBlank); });
        }
        // "[", "(" or "{" before blanks or "at".
        return unknownOr(p + 1, [](char c) { return Is(c, kBlank) || Lower(c) == 'a'; });
    }

    void AddPageText(const char *begin, const char *end)
    {
        AddPiece({begin, 0, static_cast<size_t>(end - begin)});
    }

    void AddPiece(Piece piece)
    {
        if (pieceCount_ == pieces_.size())
            pieces_.resize(2 * pieces_.size() + 16);
        pieces_[pieceCount_++] = piece;
        size_ += piece.size;
    }

    // Ends the text before a word break unless `keep`: its addresses are taken now. Text
    // without a mark holds none. Whether a tag breaks is as hard to foresee as the page's mix
    // of tags, so the text is let go by masks rather than by a turn.
    void BreakUnless(bool keep)
    {
        if (!marks_.empty() && !keep)
            ScanMarks();
        const size_t kept = size_t{0} - size_t{keep};
        pieceCount_ &= kept;
        size_ &= kept;
        decodedSize_ &= kept;
    }

    void Break() { BreakUnless(false); }

    // Out of line: the break it belongs to is taken at nearly every tag, and this rarely.
    __attribute__((noinline)) void ScanMarks()
    {
        joined_.clear();
        for (size_t k = 0; k < pieceCount_; ++k) {
            const Piece &piece = pieces_[k];
            joined_.append(piece.page ? piece.page : decoded_.data() + piece.at, piece.size);
        }
        const char *const text = joined_.data();
        TextScan(text, text + joined_.size(), &found_, &topLevels_, &scratch_).RunAt(marks_);
        marks_.clear();
    }

    // Decodes the entity at the "&" at p into the text, and marks what it gives like the page's
    // own bytes.
    const char *Entity(const char *amp)
    {
        decoded_.resize(decodedSize_);
        const char *const next = AppendEntity(amp, end_, &decoded_);
        const size_t count = decoded_.size() - decodedSize_;
        for (size_t k = 0; k < count; ++k) {
            if (Is(decoded_[decodedSize_ + k], kMark))
                marks_.push_back(size_ + k);
        }
        AddPiece({nullptr, decodedSize_, count});
        decodedSize_ = decoded_.size();
        return next;
    }

    // Scans a value read on its own for plain addresses, then empties it.
    void ScanValue(std::string *value)
    {
        ScanPlain(value->data(), value->data() + value->size());
        value->clear();
    }

    // Scans text that stands apart from the text around it.
    void ScanPlain(const char *begin, const char *end)
    {
        TextScan(begin, end, &found_, &topLevels_, &scratch_).RunPlain();
    }

    // Handles the markup that may start at the "<" at p and returns where the text goes on.
    const char *Markup(const char *p)
    {
        const char *const next = p + 1;
        if (next == end_) {
            AddPageText(p, next);
            return end_;
        }
        // Most markup is a start or an end tag that closes right after its name: one path for
        // both, with as few turns as the page's mix of tags can make hard to foresee.
        const bool endTag = *next == '/';
        const char *const name = next + endTag;
        if (name < end_ && IsLetter(*name)) {
            const char *const nameEnd = TagName(name);
            const bool isInline = kInlineTags.Contains(tag_);
            BreakUnless(isInline);
            if (nameEnd < end_ && *nameEnd == '>' && tag_ != kScript && tag_ != kStyle)
                return nameEnd + 1;
            return endTag ? PastByte(nameEnd, '>') : StartTagRest(nameEnd, isInline);
        }
        return OtherMarkup(p);
    }

    // Markup that is no tag with a name: comments, declarations, processing instructions, bogus
    // end tags; or a "<" that is text.
    const char *OtherMarkup(const char *p)
    {
        const char *const next = p + 1;
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
            Break();
            return PastByte(next, '>'); // "</>" and "</ x>" are bogus comments
        }
        AddPageText(p, next); // "a < b" is text
        return next;
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

    // The rest of a start tag from the end of its name at p: its attributes, then what its
    // content is.
    const char *StartTagRest(const char *p, bool isInline)
    {
        const std::string_view rawText = tag_ == kScript ? kScriptName : tag_ == kStyle ? kStyleName : std::string_view();
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
            PercentDecodeInto(v, target, &valueText_);
            ScanValue(&valueText_);
            return;
        }
        if (href) {
            // The protected address's own link carries the same code behind "#".
            const char *const code = ProtectedCode(v, vEnd);
            if (!code)
                return;
            v = code;
        }
        if (isInline)
            Break();
        if (XorDecodeInto(v, vEnd, &valueText_))
            ScanValue(&valueText_);
    }

    // Where the code starts in a link to a protected address, or null for any other link. The
    // mark ends with the value's first "#", which most links lack.
    static const char *ProtectedCode(const char *v, const char *end)
    {
        constexpr std::string_view kProtected = "/cdn-cgi/l/email-protection#";
        const char *hash = v;
        while ((hash = static_cast<const char *>(std::memchr(hash, '#', static_cast<size_t>(end - hash))))) {
            ++hash;
            if (hash - v >= static_cast<std::ptrdiff_t>(kProtected.size())
                && std::string_view(hash - kProtected.size(), kProtected.size()) == kProtected)
                return hash;
        }
        return nullptr;
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
    ScanScratch scratch_;
    bool avx2_ = false;
    const char *end_ = nullptr;
    std::vector<Piece> pieces_; // the text since the last word break: the first pieceCount_
    size_t pieceCount_ = 0;
    size_t size_ = 0;           // of that text
    std::string decoded_;       // what its entities gave: the first decodedSize_ bytes
    size_t decodedSize_ = 0;
    std::vector<size_t> marks_; // where in that text an "@" may begin
    std::string joined_;        // that text in one piece, to be scanned
    std::string valueText_;     // a value read on its own
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
