#include "crawl/RobotsTxt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

// Reading the body is one pass over its bytes, and a path is checked against each rule in time
// linear in the path and the pattern: the pieces between a pattern's "*" are looked up left to
// right with memmem (a two-way search), and the first place a piece fits is never a worse choice
// than a later one, so nothing is ever tried twice.

namespace {

constexpr qsizetype kMaxBody = 500 * 1024;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype k = 0; k < a.size(); ++k) {
        if (Lower(a[k]) != Lower(b[k]))
            return false;
    }
    return true;
}

// "Trawlex/2.1 (+http://...)" names the product "Trawlex".
QByteArrayView ProductToken(QByteArrayView value)
{
    qsizetype end = 0;
    while (end < value.size() && !IsBlank(value[end]) && value[end] != '/')
        ++end;
    return value.first(end);
}

qsizetype Find(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty())
        return from;
    if (text.size() - from < needle.size())
        return -1;
    const void *hit = memmem(text.data() + from, static_cast<size_t>(text.size() - from), needle.data(),
                             static_cast<size_t>(needle.size()));
    return hit ? static_cast<const char *>(hit) - text.data() : -1;
}

// How a byte is written in the compared form.
enum class Kind : unsigned char { Encoded, Literal, Reserved };

constexpr std::array<Kind, 256> kKind = [] {
    std::array<Kind, 256> table{};
    for (int c = '0'; c <= '9'; ++c)
        table[static_cast<size_t>(c)] = Kind::Literal;
    for (int c = 'a'; c <= 'z'; ++c)
        table[static_cast<size_t>(c)] = Kind::Literal;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[static_cast<size_t>(c)] = Kind::Literal;
    for (char c : {'-', '.', '_', '~'})
        table[static_cast<unsigned char>(c)] = Kind::Literal;
    for (char c : {':', '/', '?', '#', '[', ']', '@', '!', '$', '&', '\'', '(', ')', '*', '+', ',', ';', '='})
        table[static_cast<unsigned char>(c)] = Kind::Reserved;
    return table;
}();

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = Lower(c);
    if (lower >= 'a' && lower <= 'f')
        return lower - 'a' + 10;
    return -1;
}

void AppendEncoded(QByteArray *out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out->append('%');
    out->append(kHex[byte >> 4]);
    out->append(kHex[byte & 15]);
}

// The form both patterns and paths are compared in. Unreserved characters are written plainly,
// however they came; reserved ones keep the spelling they came in, since "/a%2Fb" names one
// path segment where "/a/b" names two, and "?a=b%26c" one query field where "?a=b&c" names two;
// everything else, bytes past ASCII among them, is percent-encoded with capital hex digits. A
// "%" not followed by two hex digits stands for itself and is encoded as "%25".
QByteArray Canonical(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '%' && k + 2 < text.size() && HexValue(text[k + 1]) >= 0 && HexValue(text[k + 2]) >= 0) {
            const auto byte = static_cast<unsigned char>(HexValue(text[k + 1]) * 16 + HexValue(text[k + 2]));
            if (kKind[byte] == Kind::Literal)
                out.append(static_cast<char>(byte));
            else
                AppendEncoded(&out, byte);
            k += 2;
        } else if (kKind[static_cast<unsigned char>(c)] == Kind::Encoded) {
            AppendEncoded(&out, static_cast<unsigned char>(c));
        } else {
            out.append(c);
        }
    }
    return out;
}

// Seconds as written in a Crawl-delay: digits with an optional decimal part, nothing else (no
// sign, exponent, "inf" or "nan").
std::optional<double> Seconds(QByteArrayView value)
{
    for (char c : value) {
        if ((c < '0' || c > '9') && c != '.')
            return std::nullopt;
    }
    // What is left to turn down, "", "." and "1.2.3", toDouble turns down.
    bool ok = false;
    const double seconds = value.toByteArray().toDouble(&ok);
    if (!ok || !std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

// What the groups for one kind of agent (the crawler's own, or "*") gave.
struct Found
{
    bool any = false;
    std::vector<QByteArray> allow; // values as written
    std::vector<QByteArray> disallow;
    std::optional<double> crawlDelay;
};

} // namespace

RobotsTxt RobotsTxt::allowAll()
{
    return RobotsTxt();
}

RobotsTxt RobotsTxt::disallowAll()
{
    RobotsTxt robots;
    robots.everything_ = false;
    return robots;
}

RobotsTxt RobotsTxt::parse(QByteArrayView body, QByteArrayView userAgent)
{
    if (body.size() > kMaxBody) {
        // A rule cut short could allow more than the whole one did: "Allow: /public" cut to
        // "Allow: /p". Only a line ending before the cut counts.
        const bool lineEndsAtCut = body[kMaxBody] == '\n' || body[kMaxBody] == '\r';
        body = body.first(kMaxBody);
        if (!lineEndsAtCut) {
            const qsizetype lastEnd = std::max(body.lastIndexOf('\n'), body.lastIndexOf('\r'));
            body = body.first(lastEnd + 1);
        }
    }
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);

    const QByteArrayView me = ProductToken(Trimmed(userAgent));
    Found own;
    Found star;
    bool inGroup = false;     // a user-agent line was seen
    bool takingAgents = false; // the last group line was a user-agent line
    bool forMe = false;
    bool forStar = false;

    qsizetype pos = 0;
    while (pos < body.size()) {
        qsizetype end = pos;
        while (end < body.size() && body[end] != '\n' && body[end] != '\r')
            ++end;
        QByteArrayView line = body.sliced(pos, end - pos);
        pos = end + 1;
        if (end + 1 < body.size() && body[end] == '\r' && body[end + 1] == '\n')
            ++pos;

        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line = line.first(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView field = Trimmed(line.first(colon));
        const QByteArrayView value = Trimmed(line.sliced(colon + 1));

        if (EqualsIgnoringCase(field, "user-agent")) {
            if (!takingAgents) {
                forMe = false;
                forStar = false;
            }
            inGroup = true;
            takingAgents = true;
            const QByteArrayView agent = ProductToken(value);
            if (agent == "*") {
                forStar = true;
                star.any = true;
            } else if (!me.isEmpty() && EqualsIgnoringCase(agent, me)) {
                forMe = true;
                own.any = true;
            }
            continue;
        }
        const bool allowLine = EqualsIgnoringCase(field, "allow");
        const bool disallowLine = EqualsIgnoringCase(field, "disallow");
        const bool delayLine = EqualsIgnoringCase(field, "crawl-delay");
        // Other fields (Sitemap and the like) belong to no group and leave it open.
        if (!(allowLine || disallowLine || delayLine) || !inGroup)
            continue;
        takingAgents = false;
        for (Found *found : {forMe ? &own : nullptr, forStar ? &star : nullptr}) {
            if (!found)
                continue;
            if (delayLine) {
                if (!found->crawlDelay)
                    found->crawlDelay = Seconds(value);
            } else if (!value.isEmpty()) {
                (allowLine ? found->allow : found->disallow).push_back(value.toByteArray());
            }
        }
    }

    const Found &chosen = own.any ? own : star;
    RobotsTxt robots;
    robots.crawlDelay_ = chosen.crawlDelay;
    for (bool allow : {true, false}) {
        for (const QByteArray &value : allow ? chosen.allow : chosen.disallow) {
            // A path always starts with "/", so "Disallow: private" can only mean "/private".
            QByteArray pattern = Canonical(value);
            if (!pattern.startsWith('/') && !pattern.startsWith('*'))
                pattern.prepend('/');
            Rule rule;
            rule.allow = allow;
            rule.anchored = pattern.endsWith('$');
            if (rule.anchored)
                pattern.chop(1);
            QByteArray folded;
            folded.reserve(pattern.size());
            for (char c : pattern) {
                if (c != '*')
                    ++rule.weight;
                if (c != '*' || !folded.endsWith('*'))
                    folded.append(c);
            }
            rule.pattern = folded;
            robots.rules_.push_back(std::move(rule));
        }
    }
    // Allow rules come first, so a stable sort by weight keeps them ahead on a tie.
    std::stable_sort(robots.rules_.begin(), robots.rules_.end(),
                     [](const Rule &a, const Rule &b) { return a.weight > b.weight; });
    return robots;
}

bool RobotsTxt::matches(const Rule &rule, QByteArrayView path)
{
    const QByteArrayView pattern = rule.pattern;
    qsizetype star = pattern.indexOf('*');
    if (star < 0)
        return rule.anchored ? path == pattern : path.startsWith(pattern);
    if (!path.startsWith(pattern.first(star)))
        return false;
    qsizetype at = star;
    for (;;) {
        const qsizetype next = pattern.indexOf('*', star + 1);
        if (next < 0)
            break;
        const QByteArrayView piece = pattern.sliced(star + 1, next - star - 1);
        const qsizetype hit = Find(path, piece, at);
        if (hit < 0)
            return false;
        at = hit + piece.size();
        star = next;
    }
    const QByteArrayView last = pattern.sliced(star + 1);
    if (!rule.anchored)
        return Find(path, last, at) >= 0;
    return path.size() - at >= last.size() && path.endsWith(last);
}

bool RobotsTxt::allows(QByteArrayView pathAndQuery) const
{
    const QByteArray path = Canonical(pathAndQuery);
    const qsizetype query = path.indexOf('?');
    if (QByteArrayView(path).first(query < 0 ? path.size() : query) == "/robots.txt")
        return true;
    if (rules_.empty())
        return everything_;
    for (const Rule &rule : rules_) {
        // A rule's octets each stand for one octet of the path: a heavier one cannot match.
        if (rule.weight <= path.size() && matches(rule, path))
            return rule.allow;
    }
    return true;
}
