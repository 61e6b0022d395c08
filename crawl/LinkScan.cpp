#include "crawl/LinkScan.h"

#include "platform/ByteText.h"

#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <array>
#include <cstring>
#include <vector>

// The scan walks the page once, the way a browser's tokenizer does: it never goes back behind
// a tag it has read, an unclosed quote or comment simply runs to the end of the page, and each
// search for a byte or a closing sequence goes through memchr or Qt's substring search. Only the attribute
// values that matter are decoded, and only QUrl parses and resolves them.

namespace LinkScan {

namespace {

bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiAlnum(char c)
{
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text is `lower` in any letter case; `lower` is all lower case.
bool EqualsLower(QByteArrayView text, QByteArrayView lower)
{
    if (text.size() != lower.size())
        return false;
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (LowerAscii(text[k]) != lower[k])
            return false;
    }
    return true;
}

qsizetype FindByte(QByteArrayView text, char c, qsizetype from)
{
    if (from >= text.size())
        return -1;
    const void *hit = std::memchr(text.data() + from, c, static_cast<size_t>(text.size() - from));
    return hit ? static_cast<const char *>(hit) - text.data() : -1;
}

// Qt's search rather than memmem: a sanitizer's memmem checks the whole rest of the page on
// every call, which makes a page of many short comments quadratic in a sanitizer build.
qsizetype Find(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    if (from >= text.size())
        return -1;
    return text.indexOf(needle, from);
}

// Where the text goes on behind the next `c` at or after `from`; the end when none comes.
qsizetype PastByte(QByteArrayView text, char c, qsizetype from)
{
    const qsizetype hit = FindByte(text, c, from);
    return hit < 0 ? text.size() : hit + 1;
}

// Behind the comment whose "<!--" ends right before `from`. "<!-->" and "<!--->" close at once
// and "--!>" closes as well, as in browsers; an unclosed comment hides the rest of the page.
qsizetype PastComment(QByteArrayView page, qsizetype from)
{
    if (page.sliced(from).startsWith(">"))
        return from + 1;
    if (page.sliced(from).startsWith("->"))
        return from + 2;
    for (qsizetype at = from;;) {
        const qsizetype dashes = Find(page, "--", at);
        if (dashes < 0)
            return page.size();
        const QByteArrayView rest = page.sliced(dashes + 2);
        if (rest.startsWith(">"))
            return dashes + 3;
        if (rest.startsWith("!>"))
            return dashes + 4;
        at = dashes + 1;
    }
}

// Elements whose content a browser never reads as markup, so a link written there is none.
// <noscript> and <noframes> are read as markup: they are written for readers without scripts or
// frames, which this crawler is, and their links lead to real pages.
// Returns the element's name in lower case for such an element, an empty view for the others.
QByteArrayView RawTextName(QByteArrayView name)
{
    static constexpr QByteArrayView kRaw[] = {"script", "style", "textarea", "title", "xmp", "iframe", "noembed"};
    for (QByteArrayView raw : kRaw) {
        if (EqualsLower(name, raw))
            return raw;
    }
    return {};
}

// Where the end tag of a raw-text element named `lowerName` begins, at or after `from`; the
// end of the page when it never comes. Each "<" is looked at once.
qsizetype RawTextEnd(QByteArrayView page, qsizetype from, QByteArrayView lowerName)
{
    for (qsizetype at = from;;) {
        const qsizetype lt = FindByte(page, '<', at);
        if (lt < 0)
            return page.size();
        const qsizetype nameEnd = lt + 2 + lowerName.size();
        if (nameEnd <= page.size() && page[lt + 1] == '/'
            && EqualsLower(page.sliced(lt + 2, lowerName.size()), lowerName)
            && (nameEnd == page.size() || IsHtmlSpace(page[nameEnd]) || page[nameEnd] == '/' || page[nameEnd] == '>'))
            return lt;
        at = lt + 1;
    }
}

enum class Kind { Other, Link, Frame, Base };

Kind KindOf(QByteArrayView name)
{
    if (EqualsLower(name, "a") || EqualsLower(name, "area"))
        return Kind::Link;
    if (EqualsLower(name, "frame") || EqualsLower(name, "iframe"))
        return Kind::Frame;
    if (EqualsLower(name, "base"))
        return Kind::Base;
    return Kind::Other;
}

struct Tag
{
    QByteArrayView name;
    QByteArrayView value; // of the wanted attribute, still raw
    bool hasValue = false;
};

// Reads the tag whose name begins at `pos` up to and with its ">", keeping the first value of
// the attribute that carries its link (href, or src for frames). Returns where the page goes on, or -1 when the page
// ends inside the tag: a browser drops such a tag.
qsizetype ReadTag(QByteArrayView page, qsizetype pos, Tag *tag)
{
    const qsizetype size = page.size();
    const qsizetype nameStart = pos;
    while (pos < size && !IsHtmlSpace(page[pos]) && page[pos] != '/' && page[pos] != '>')
        ++pos;
    tag->name = page.sliced(nameStart, pos - nameStart);
    const Kind kind = KindOf(tag->name);
    const QByteArrayView wanted = kind == Kind::Frame ? QByteArrayView("src")
                                  : kind == Kind::Other ? QByteArrayView()
                                                        : QByteArrayView("href");
    for (;;) {
        while (pos < size && (IsHtmlSpace(page[pos]) || page[pos] == '/'))
            ++pos;
        if (pos == size)
            return -1;
        if (page[pos] == '>')
            return pos + 1;

        // The name's first byte may be "=": only a later one ends it.
        const qsizetype attributeStart = pos++;
        while (pos < size && !IsHtmlSpace(page[pos]) && page[pos] != '/' && page[pos] != '>' && page[pos] != '=')
            ++pos;
        const bool keep = !tag->hasValue && !wanted.isEmpty()
                          && EqualsLower(page.sliced(attributeStart, pos - attributeStart), wanted);
        while (pos < size && IsHtmlSpace(page[pos]))
            ++pos;
        if (pos == size)
            return -1;
        QByteArrayView value;
        if (page[pos] == '=') {
            ++pos;
            while (pos < size && IsHtmlSpace(page[pos]))
                ++pos;
            if (pos == size)
                return -1;
            const char quote = page[pos];
            if (quote == '"' || quote == '\'') {
                const qsizetype close = FindByte(page, quote, pos + 1);
                if (close < 0)
                    return -1;
                value = page.sliced(pos + 1, close - pos - 1);
                pos = close + 1;
            } else {
                const qsizetype valueStart = pos;
                while (pos < size && !IsHtmlSpace(page[pos]) && page[pos] != '>')
                    ++pos;
                value = page.sliced(valueStart, pos - valueStart);
            }
        }
        if (keep) {
            // A browser keeps the first of repeated attributes.
            tag->value = value;
            tag->hasValue = true;
        }
    }
}


// What browsers make of a numeric reference: windows-1252 for 0x80-0x9F, where pages written
// on that code page put their quotes and dashes, and U+FFFD for what is no character.
char32_t FromNumericReference(char32_t code)
{
    static constexpr std::array<char16_t, 32> kWindows1252 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    if (code >= 0x80 && code <= 0x9F)
        return kWindows1252[code - 0x80];
    return code;
}

struct NamedReference
{
    QByteArrayView name;
    char32_t code;
    bool legacy; // also recognised without its ";", as old pages write it
};

// The references that turn up in link values: the markup ones, the blank and the punctuation
// that obfuscated addresses spell out ("https&colon;&sol;&sol;..."). Names are case-sensitive.
constexpr std::array<NamedReference, 31> kNamedReferences = {{
    {"amp", '&', true},     {"AMP", '&', true},    {"lt", '<', true},      {"LT", '<', true},
    {"gt", '>', true},      {"GT", '>', true},     {"quot", '"', true},    {"QUOT", '"', true},
    {"nbsp", 0xA0, true},   {"apos", '\'', false}, {"Tab", '\t', false},   {"NewLine", '\n', false},
    {"sol", '/', false},    {"colon", ':', false}, {"num", '#', false},    {"quest", '?', false},
    {"equals", '=', false}, {"period", '.', false}, {"lpar", '(', false},  {"rpar", ')', false},
    {"percnt", '%', false}, {"commat", '@', false}, {"lowbar", '_', false}, {"plus", '+', false},
    {"excl", '!', false},   {"dollar", '$', false}, {"ast", '*', false},   {"comma", ',', false},
    {"semi", ';', false},   {"lsqb", '[', false},  {"rsqb", ']', false},
}};

// Decodes the reference whose "&" stands at `at`, appending what it stands for; returns how many
// bytes it took, 0 when it is none and the "&" stays as written.
qsizetype DecodeReference(QByteArrayView value, qsizetype at, QByteArray *out)
{
    const QByteArrayView rest = value.sliced(at + 1);
    if (rest.startsWith("#")) {
        const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
        qsizetype k = hex ? 2 : 1;
        const qsizetype digitsStart = k;
        char32_t code = 0;
        for (; k < rest.size(); ++k) {
            const char c = rest[k];
            unsigned digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (hex && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f')
                digit = static_cast<unsigned>(LowerAscii(c) - 'a' + 10);
            else
                break;
            // Past the last code point the value only has to stay too large.
            code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + digit;
        }
        if (k == digitsStart)
            return 0;
        if (k < rest.size() && rest[k] == ';')
            ++k;
        ByteText::appendUtf8(FromNumericReference(code), *out);
        return k + 1;
    }
    const NamedReference *legacyMatch = nullptr;
    for (const NamedReference &reference : kNamedReferences) {
        if (!rest.startsWith(reference.name))
            continue;
        const QByteArrayView after = rest.sliced(reference.name.size());
        if (after.startsWith(";")) {
            ByteText::appendUtf8(reference.code, *out);
            return reference.name.size() + 2;
        }
        if (reference.legacy && (!legacyMatch || reference.name.size() > legacyMatch->name.size()))
            legacyMatch = &reference;
    }
    if (!legacyMatch)
        return 0;
    // In an attribute "&amp=" or "&ampx" stays as written: it is a query parameter, not a reference.
    const QByteArrayView after = rest.sliced(legacyMatch->name.size());
    if (!after.isEmpty() && (after[0] == '=' || IsAsciiAlnum(after[0])))
        return 0;
    ByteText::appendUtf8(legacyMatch->code, *out);
    return legacyMatch->name.size() + 1;
}

// The value as a browser hands it to its address parser: references decoded, blanks and controls
// at both ends dropped, and tabs and line breaks inside removed.
QByteArray CleanValue(QByteArrayView raw)
{
    QByteArray decoded;
    decoded.reserve(raw.size());
    for (qsizetype k = 0; k < raw.size();) {
        const qsizetype amp = FindByte(raw, '&', k);
        const qsizetype plainEnd = amp < 0 ? raw.size() : amp;
        decoded.append(raw.sliced(k, plainEnd - k));
        if (amp < 0)
            break;
        const qsizetype taken = DecodeReference(raw, amp, &decoded);
        if (taken == 0) {
            decoded.append('&');
            k = amp + 1;
        } else {
            k = amp + taken;
        }
    }
    qsizetype begin = 0;
    qsizetype end = decoded.size();
    while (begin < end && static_cast<unsigned char>(decoded[begin]) <= 0x20)
        ++begin;
    while (end > begin && static_cast<unsigned char>(decoded[end - 1]) <= 0x20)
        --end;
    QByteArray cleaned;
    cleaned.reserve(end - begin);
    for (qsizetype k = begin; k < end; ++k) {
        const char c = decoded[k];
        if (c != '\t' && c != '\n' && c != '\r')
            cleaned.append(c);
    }
    return cleaned;
}

// UTF-8 as such, so that a host in any script reaches QUrl as text. Other bytes come from a page
// in another character set, which is not known here: they go percent-encoded as they are, which
// is what such a page's server expects in its paths and queries.
QString AsText(const QByteArray &value)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(value);
    if (!decoder.hasError())
        return text;
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray escaped;
    escaped.reserve(value.size() * 3);
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            escaped.append(c);
        } else {
            escaped.append('%');
            escaped.append(kHex[byte >> 4]);
            escaped.append(kHex[byte & 0xF]);
        }
    }
    return QString::fromLatin1(escaped);
}

// The cleaned value resolved against base; an invalid address when QUrl cannot read the value.
QUrl Resolve(const QUrl &base, const QByteArray &cleaned)
{
    const QUrl reference(AsText(cleaned), QUrl::TolerantMode);
    if (!reference.isValid() && !cleaned.isEmpty())
        return {};
    return base.resolved(reference);
}

bool IsWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

struct PageLinks
{
    std::vector<QByteArrayView> values;
    QByteArrayView base;
    bool hasBase = false;
};

PageLinks FindValues(QByteArrayView page)
{
    PageLinks found;
    const qsizetype size = page.size();
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lt = FindByte(page, '<', pos);
        if (lt < 0 || lt + 1 >= size)
            break;
        const char next = page[lt + 1];
        if (next == '!') {
            pos = page.sliced(lt).startsWith("<!--") ? PastComment(page, lt + 4) : PastByte(page, '>', lt + 2);
            continue;
        }
        if (next == '?') {
            pos = PastByte(page, '>', lt + 2);
            continue;
        }
        if (next == '/') {
            // An end tag's attributes are read and dropped, so a ">" quoted in one ends nothing.
            Tag ignored;
            pos = lt + 2 < size && IsAsciiAlpha(page[lt + 2]) ? ReadTag(page, lt + 2, &ignored)
                                                               : PastByte(page, '>', lt + 2);
            if (pos < 0)
                break;
            continue;
        }
        if (!IsAsciiAlpha(next)) {
            pos = lt + 1;
            continue;
        }
        Tag tag;
        pos = ReadTag(page, lt + 1, &tag);
        if (pos < 0)
            break;
        if (tag.hasValue) {
            if (KindOf(tag.name) == Kind::Base) {
                if (!found.hasBase) {
                    found.base = tag.value;
                    found.hasBase = true;
                }
            } else {
                found.values.push_back(tag.value);
            }
        }
        if (EqualsLower(tag.name, "plaintext"))
            break; // everything after it is text
        const QByteArrayView rawText = RawTextName(tag.name);
        if (!rawText.isEmpty())
            pos = RawTextEnd(page, pos, rawText);
    }
    return found;
}

QString KeyOf(const QUrl &url)
{
    return url.toString(QUrl::FullyEncoded);
}

} // namespace

QList<QUrl> ExtractLinks(QByteArrayView page, const QUrl &pageUrl)
{
    const PageLinks found = FindValues(page);

    // Browsers resolve every link of the page against its first <base href>, links above it too.
    QUrl base = pageUrl;
    if (found.hasBase) {
        const QUrl declared = Resolve(pageUrl, CleanValue(found.base));
        if (declared.isValid() && !declared.scheme().isEmpty())
            base = declared;
    }

    QList<QUrl> links;
    QSet<QByteArray> seenValues; // a page repeats its menu links: resolve each spelling once
    QSet<QString> seenLinks;
    for (QByteArrayView raw : found.values) {
        QByteArray cleaned = CleanValue(raw);
        if (seenValues.contains(cleaned))
            continue;
        const QUrl link = Resolve(base, cleaned);
        seenValues.insert(std::move(cleaned));
        if (!IsWebAddress(link))
            continue;
        const QUrl normal = normalised(link);
        const QString key = KeyOf(normal);
        if (seenLinks.contains(key))
            continue;
        seenLinks.insert(key);
        links.append(normal);
    }
    return links;
}

QUrl normalised(const QUrl &url)
{
    // Reading the encoded form back gives percent-encoding one form: unreserved bytes decoded,
    // hex digits upper case, the rest encoded; scheme and host come back lower case.
    const QByteArray encoded = url.adjusted(QUrl::RemoveFragment).toEncoded(QUrl::FullyEncoded);
    QUrl normal = QUrl::fromEncoded(encoded, QUrl::TolerantMode);
    // Resolving an absolute address against itself removes its dot segments as RFC 3986 does.
    // NormalizePathSegments would also merge "//" into "/", and "/a//b" is another address.
    if (!normal.scheme().isEmpty())
        normal = normal.resolved(normal);
    const QString scheme = normal.scheme();
    if ((scheme == QLatin1String("http") && normal.port() == 80)
        || (scheme == QLatin1String("https") && normal.port() == 443))
        normal.setPort(-1);
    if (normal.path().isEmpty() && !normal.host().isEmpty())
        normal.setPath(QStringLiteral("/"));
    if (normal.hasQuery() && normal.query(QUrl::FullyEncoded).isEmpty())
        normal.setQuery(QString());
    return normal;
}

bool surelyNotAPage(const QUrl &url)
{
    static constexpr QByteArrayView kNotPages[] = {
        // images
        "png", "jpg", "jpeg", "gif", "webp", "svg", "ico", "bmp", "tif", "tiff", "avif",
        // archives
        "zip", "gz", "tgz", "bz2", "xz", "7z", "rar", "tar",
        // media
        "mp3", "mp4", "m4a", "avi", "mov", "mkv", "webm", "wav", "ogg", "flac",
        // documents
        "pdf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt",
        // programs
        "exe", "msi", "dmg", "apk", "iso", "bin",
        // fonts
        "woff", "woff2", "ttf", "otf", "eot",
        // style and script
        "css", "js"};
    const QByteArray path = url.path(QUrl::FullyDecoded).toUtf8();
    QByteArrayView segment = path;
    const qsizetype slash = segment.lastIndexOf('/');
    if (slash >= 0)
        segment = segment.sliced(slash + 1);
    // "report.pdf;jsessionid=..." is still a pdf: path parameters are no part of the name.
    const qsizetype parameters = segment.indexOf(';');
    if (parameters >= 0)
        segment = segment.first(parameters);
    const qsizetype dot = segment.lastIndexOf('.');
    if (dot <= 0) // no extension, or a name such as ".htaccess" that only starts with a dot
        return false;
    const QByteArrayView extension = segment.sliced(dot + 1);
    if (extension.isEmpty())
        return false;
    for (QByteArrayView known : kNotPages) {
        if (EqualsLower(extension, known))
            return true;
    }
    return false;
}

bool isPageType(QByteArrayView contentType)
{
    const qsizetype parameters = contentType.indexOf(';');
    QByteArrayView type = parameters >= 0 ? contentType.first(parameters) : contentType;
    while (!type.isEmpty() && (type.front() == ' ' || type.front() == '\t'))
        type = type.sliced(1);
    while (!type.isEmpty() && (type.back() == ' ' || type.back() == '\t'))
        type.chop(1);
    // A server that names no type mostly serves a page: it is scanned rather than skipped.
    if (type.isEmpty())
        return true;
    return EqualsLower(type, "text/html") || EqualsLower(type, "application/xhtml+xml");
}

} // namespace LinkScan
