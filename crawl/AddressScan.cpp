#include "crawl/AddressScan.h"

#include "crawl/PublicSuffix.h"

#include <QSet>

#include <array>
#include <cstring>

namespace AddressScan {
namespace {

constexpr qsizetype maxLocal = 64;
constexpr qsizetype maxDomain = 253;

bool isAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isLocalChar(char c)
{
    return isAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}

bool isDomainChar(char c)
{
    return isAlnum(c) || c == '.' || c == '-';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsNoCase(QByteArrayView text, const char *word)
{
    const auto length = qsizetype(std::strlen(word));
    if (text.size() != length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (lower(text[i]) != word[i])
            return false;
    }
    return true;
}

// Tags that only change how text looks: a word runs on through them. Every other tag, and a
// comment, ends a word, so a table row or a paragraph and a link are never read as one address.
bool isInlineTag(QByteArrayView name)
{
    static constexpr std::array names{"b", "i", "u", "em", "strong", "span", "font", "small", "big", "sup", "sub",
                                      "code", "tt", "abbr", "wbr", "s", "mark", "q", "kbd", "samp", "var"};
    for (const char *inlineName : names) {
        if (equalsNoCase(name, inlineName))
            return true;
    }
    return false;
}

void appendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) {
        out.append(char(code));
    } else if (code < 0x800) {
        out.append(char(0xC0 | (code >> 6))).append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.append(char(0xE0 | (code >> 12))).append(char(0x80 | ((code >> 6) & 0x3F))).append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x110000) {
        out.append(char(0xF0 | (code >> 18)))
            .append(char(0x80 | ((code >> 12) & 0x3F)))
            .append(char(0x80 | ((code >> 6) & 0x3F)))
            .append(char(0x80 | (code & 0x3F)));
    }
}

// The named entities an address may be written with, and those that stand for a blank.
struct Named
{
    const char *name;
    char32_t code;
};
constexpr std::array namedEntities{Named{"amp", '&'},     Named{"lt", '<'},        Named{"gt", '>'},
                                   Named{"quot", '"'},    Named{"apos", '\''},     Named{"nbsp", ' '},
                                   Named{"commat", '@'},  Named{"period", '.'},    Named{"lowbar", '_'},
                                   Named{"hyphen", '-'},  Named{"dash", '-'},      Named{"plus", '+'},
                                   Named{"percnt", '%'},  Named{"ensp", ' '},      Named{"emsp", ' '},
                                   Named{"thinsp", ' '}};

// Decodes the entity at text[at] ("&..."), appending what it stands for; returns the length it
// took, 0 when it is no entity (the "&" then stands for itself).
qsizetype decodeEntity(QByteArrayView text, qsizetype at, QByteArray &out)
{
    const qsizetype limit = std::min<qsizetype>(text.size(), at + 12);
    qsizetype end = at + 1;
    while (end < limit && text[end] != ';')
        ++end;
    if (end >= limit)
        return 0;
    const QByteArrayView name = text.sliced(at + 1, end - at - 1);
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        bool ok = false;
        const uint code = name.sliced(hex ? 2 : 1).toByteArray().toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF)
            return 0;
        appendUtf8(out, char32_t(code));
        return end - at + 1;
    }
    for (const Named &entity : namedEntities) {
        if (equalsNoCase(name, entity.name)) {
            appendUtf8(out, entity.code);
            return end - at + 1;
        }
    }
    return 0;
}

// An attribute value with its entities decoded.
QByteArray decodedValue(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '&') {
            if (const qsizetype taken = decodeEntity(value, i, out); taken > 0) {
                i += taken - 1;
                continue;
            }
        }
        out.append(value[i]);
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A mail link's addresses: percent-decoded, without the "?subject=..." part, "," between several.
void appendMailto(QByteArrayView target, QByteArray &text)
{
    const qsizetype query = target.indexOf('?');
    const QByteArray addresses = QByteArray::fromPercentEncoding(target.first(query < 0 ? target.size() : query).toByteArray());
    text.append(' ');
    for (const char c : addresses)
        text.append(c == ',' || c == ';' ? ' ' : c);
    text.append(' ');
}

// An address hidden by a well-known e-mail protection service: hex bytes, the first the key
// every other byte is XORed with.
void appendProtected(QByteArrayView hex, QByteArray &text)
{
    if (hex.size() < 4 || hex.size() % 2 != 0)
        return;
    const int key = hexDigit(hex[0]) * 16 + hexDigit(hex[1]);
    if (key < 0)
        return;
    text.append(' ');
    for (qsizetype i = 2; i + 1 < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return;
        text.append(char((high * 16 + low) ^ key));
    }
    text.append(' ');
}

// Reads the tag starting at page[at] ("<"), adding what its attributes hold of addresses to the
// text and a blank when it ends a word; returns the index behind its ">".
qsizetype readTag(QByteArrayView page, qsizetype at, QByteArray &text)
{
    if (page.sliced(at).startsWith("<!--")) {
        const qsizetype close = page.indexOf("-->", at + 4);
        text.append(' ');
        return close < 0 ? page.size() : close + 3;
    }
    qsizetype i = at + 1;
    if (i < page.size() && page[i] == '/')
        ++i;
    const qsizetype nameStart = i;
    while (i < page.size() && (isAlnum(page[i]) || page[i] == '-'))
        ++i;
    const QByteArrayView name = page.sliced(nameStart, i - nameStart);
    if (name.isEmpty() && (i >= page.size() || page[i] != '!')) {
        text.append('<'); // a lone "<" in the text
        return at + 1;
    }
    if (!isInlineTag(name))
        text.append(' ');
    // The attributes, as name[=value] with the value in quotes or bare.
    while (i < page.size() && page[i] != '>') {
        while (i < page.size() && (page[i] == ' ' || page[i] == '\t' || page[i] == '\n' || page[i] == '\r' || page[i] == '/'))
            ++i;
        const qsizetype attrStart = i;
        while (i < page.size() && page[i] != '=' && page[i] != '>' && page[i] != ' ' && page[i] != '\t' && page[i] != '\n'
               && page[i] != '\r' && page[i] != '/')
            ++i;
        const QByteArrayView attribute = page.sliced(attrStart, i - attrStart);
        while (i < page.size() && (page[i] == ' ' || page[i] == '\t' || page[i] == '\n' || page[i] == '\r'))
            ++i;
        if (i >= page.size() || page[i] != '=') {
            if (attribute.isEmpty() && i < page.size() && page[i] != '>')
                ++i;
            continue;
        }
        ++i;
        while (i < page.size() && (page[i] == ' ' || page[i] == '\t' || page[i] == '\n' || page[i] == '\r'))
            ++i;
        qsizetype valueStart = i;
        qsizetype valueEnd = i;
        if (i < page.size() && (page[i] == '"' || page[i] == '\'')) {
            const char quote = page[i];
            const qsizetype close = page.indexOf(quote, i + 1);
            valueStart = i + 1;
            valueEnd = close < 0 ? page.size() : close;
            i = close < 0 ? page.size() : close + 1;
        } else {
            while (i < page.size() && page[i] != '>' && page[i] != ' ' && page[i] != '\t' && page[i] != '\n' && page[i] != '\r')
                ++i;
            valueEnd = i;
        }
        const QByteArrayView value = page.sliced(valueStart, valueEnd - valueStart);
        if (equalsNoCase(attribute, "href")) {
            const QByteArray target = decodedValue(value).trimmed();
            if (target.size() > 7 && equalsNoCase(QByteArrayView(target).first(7), "mailto:"))
                appendMailto(QByteArrayView(target).sliced(7), text);
        } else if (equalsNoCase(attribute, "data-cfemail")) {
            appendProtected(value, text);
        }
    }
    return i < page.size() ? i + 1 : page.size();
}

// The page as a reader sees its words: tags gone (a blank where they break a word), entities
// decoded, the addresses of mail links and protected addresses written where they stood.
QByteArray readableText(QByteArrayView page)
{
    QByteArray text;
    text.reserve(page.size());
    for (qsizetype i = 0; i < page.size();) {
        const char c = page[i];
        if (c == '<') {
            i = readTag(page, i, text);
        } else if (c == '&') {
            const qsizetype taken = decodeEntity(page, i, text);
            if (taken == 0)
                text.append(c);
            i += std::max<qsizetype>(taken, 1);
        } else {
            text.append(c);
            ++i;
        }
    }
    return text;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// "[at]", "(at)", "{at}" (any case) or a whole-word "AT" in capitals give "@"; the same with "dot"
// give "."; the blanks around them go. Prose ("meet at noon") has none of these forms.
QByteArray withWrittenOutForms(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto word = [&](qsizetype at, const char *spelled, const char *capitals) -> qsizetype {
        const auto length = qsizetype(std::strlen(spelled));
        const char open = text[at];
        const char close = open == '[' ? ']' : open == '(' ? ')' : open == '{' ? '}' : '\0';
        if (close != '\0') {
            qsizetype i = at + 1;
            while (i < text.size() && text[i] == ' ')
                ++i;
            if (i + length <= text.size() && equalsNoCase(QByteArrayView(text).sliced(i, length), spelled)) {
                i += length;
                while (i < text.size() && text[i] == ' ')
                    ++i;
                if (i < text.size() && text[i] == close)
                    return i + 1 - at;
            }
            return 0;
        }
        // A capital word between blanks, with a word character on either side beyond them.
        const auto capLength = qsizetype(std::strlen(capitals));
        if (at + capLength < text.size() && QByteArrayView(text).sliced(at, capLength) == capitals
            && isBlank(text[at + capLength]) && at > 0 && isBlank(text[at - 1]))
            return capLength;
        return 0;
    };
    for (qsizetype i = 0; i < text.size();) {
        const char c = text[i];
        qsizetype taken = 0;
        char replacement = '\0';
        if (c == '[' || c == '(' || c == '{' || c == 'A' || c == 'D') {
            if ((taken = word(i, "at", "AT")) > 0)
                replacement = '@';
            else if ((taken = word(i, "dot", "DOT")) > 0)
                replacement = '.';
        }
        if (taken == 0) {
            out.append(c);
            ++i;
            continue;
        }
        while (!out.isEmpty() && isBlank(out.back()))
            out.chop(1);
        out.append(replacement);
        i += taken;
        while (i < text.size() && isBlank(text[i]))
            ++i;
    }
    return out;
}

// The address around the "@" at text[at], checked and lower case; empty when it is none.
QByteArray addressAt(QByteArrayView text, qsizetype at)
{
    qsizetype first = at;
    while (first > 0 && at - first <= maxLocal && isLocalChar(text[first - 1]))
        --first;
    qsizetype last = at + 1;
    while (last < text.size() && last - at <= maxDomain + 1 && isDomainChar(text[last]))
        ++last;
    QByteArrayView local = text.sliced(first, at - first);
    if (const qsizetype doubled = local.lastIndexOf(".."); doubled >= 0)
        local = local.sliced(doubled + 2);
    while (!local.isEmpty() && local.front() == '.')
        local = local.sliced(1);
    if (local.isEmpty() || local.size() > maxLocal || local.back() == '.' || at - first > maxLocal)
        return {};
    QByteArrayView domain = text.sliced(at + 1, last - at - 1);
    while (!domain.isEmpty() && (domain.back() == '.' || domain.back() == '-'))
        domain.chop(1);
    if (domain.size() > maxDomain || last - at - 1 > maxDomain + 1 || !domain.contains('.'))
        return {};
    qsizetype labelStart = 0;
    for (qsizetype i = 0; i <= domain.size(); ++i) {
        if (i < domain.size() && domain[i] != '.')
            continue;
        const QByteArrayView label = domain.sliced(labelStart, i - labelStart);
        if (label.isEmpty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return {};
        labelStart = i + 1;
    }
    QByteArray address;
    address.reserve(local.size() + 1 + domain.size());
    for (const char c : local)
        address.append(lower(c));
    address.append('@');
    for (const char c : domain)
        address.append(lower(c));
    // "logo@2x.png" and "name@1.2.3" end in no real top-level domain.
    if (!PublicSuffix::hasRealTopLevel(QByteArrayView(address).sliced(local.size() + 1)))
        return {};
    return address;
}

} // namespace

QByteArrayList ExtractEmails(QByteArrayView page)
{
    const QByteArray text = withWrittenOutForms(readableText(page));
    QByteArrayList found;
    QSet<QByteArray> seen;
    // Each "@" looks at most a local part's and a domain's length around it: linear in the page.
    for (qsizetype at = text.indexOf('@'); at >= 0; at = text.indexOf('@', at + 1)) {
        const QByteArray address = addressAt(text, at);
        if (!address.isEmpty() && !seen.contains(address)) {
            seen.insert(address);
            found.append(address);
        }
    }
    return found;
}

} // namespace AddressScan
