#include "tests/crawl/PageTextReference.h"

// Positions count from 1 and "not found" is 0, the way the rules are stated, so that each step
// below reads as the rule it models. Nothing here borrows a helper from crawl/PageText.

namespace PageTextReference {

namespace {

// 1-based position of the first occurrence of needle in text, 0 if none. An empty needle
// occurs at position 1.
qsizetype Pos(const QByteArray &needle, const QByteArray &text)
{
    for (qsizetype start = 0; start + needle.size() <= text.size(); ++start) {
        qsizetype k = 0;
        while (k < needle.size() && text[start + k] == needle[k])
            ++k;
        if (k == needle.size())
            return start + 1;
    }
    return 0;
}

qsizetype Pos(char c, const QByteArray &text)
{
    return Pos(QByteArray(1, c), text);
}

// Character at 1-based position p.
char At(const QByteArray &text, qsizetype p)
{
    return text[p - 1];
}

// 1-based copy of count characters from position p, clipped to the text.
QByteArray Copy(const QByteArray &text, qsizetype p, qsizetype count)
{
    if (count <= 0 || p < 1 || p > text.size())
        return {};
    return text.mid(p - 1, count);
}

// Deletes count characters from position p.
void Delete(QByteArray *text, qsizetype p, qsizetype count)
{
    if (count > 0 && p >= 1)
        text->remove(p - 1, count);
}

bool Contains(const QByteArray &text, const QByteArray &needle)
{
    return Pos(needle, text) > 0;
}

QByteArray Lower(const QByteArray &text)
{
    QByteArray low = text;
    for (qsizetype k = 0; k < low.size(); ++k) {
        if (low[k] >= 'A' && low[k] <= 'Z')
            low[k] = static_cast<char>(low[k] - 'A' + 'a');
    }
    return low;
}

bool IsWordChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-' || c == '_';
}

bool IsLocalChar(char c)
{
    return IsWordChar(c) || c == '.' || c == '+';
}

bool IsDomainChar(char c)
{
    return IsWordChar(c) || c == '.';
}

// The local-class characters taken before an "@", reduced to the address a mail program reads.
QByteArray ValidLocal(QByteArray local)
{
    if (!local.isEmpty() && At(local, local.size()) == '.')
        return {}; // "trail.@x.com" names no mailbox
    for (qsizetype pair = Pos(QByteArray(".."), local); pair > 0; pair = Pos(QByteArray(".."), local))
        Delete(&local, 1, pair + 1); // "a..b" keeps "b"
    if (Pos('.', local) == 1)
        Delete(&local, 1, 1); // ".lead" keeps "lead"
    return local;
}

} // namespace

QByteArray Trim(const QByteArray &text)
{
    qsizetype first = 1;
    qsizetype last = text.size();
    while (first <= last && static_cast<unsigned char>(At(text, first)) <= ' ')
        ++first;
    while (last >= first && static_cast<unsigned char>(At(text, last)) <= ' ')
        --last;
    return Copy(text, first, last - first + 1);
}

QByteArray BaseOf(const QByteArray &address)
{
    const qsizetype n = address.size();
    qsizetype found = 0;
    for (qsizetype p = n; p >= 11; --p) {
        if (At(address, p) == '/') {
            found = p;
            break;
        }
    }
    if (found >= 12)
        return Copy(address, 1, found);
    return address + QByteArray("/");
}

bool NextAnchor(QByteArray *text, QByteArray *value)
{
    const qsizetype i = Pos(QByteArray("<a href="), *text);
    if (i == 0)
        return false;
    Delete(text, 1, i - 1);
    const char q = text->size() >= 9 ? At(*text, 9) : '\0';
    qsizetype j = 0;
    if (q == '\'' || q == '"') {
        Delete(text, 1, 9);
        j = Pos(q, *text);
    } else {
        Delete(text, 1, 8);
        j = Pos(' ', *text);
    }
    *value = Copy(*text, 1, j - 1);
    Delete(text, 1, j - 1);
    return true;
}

bool IsInList(const QByteArray &value, const QByteArrayList &list)
{
    for (const QByteArray &line : list) {
        if (line == value)
            return true;
    }
    return false;
}

QByteArray LastSegment(const QByteArray &value)
{
    qsizetype slash = 0;
    for (qsizetype p = 1; p <= value.size(); ++p) {
        if (At(value, p) == '/')
            slash = p;
    }
    const QByteArray segment = Copy(value, slash + 1, value.size());
    qsizetype dots = 0;
    for (qsizetype p = 1; p <= segment.size(); ++p) {
        if (At(segment, p) == '.')
            ++dots;
    }
    return dots >= 2 ? QByteArray() : segment;
}

bool IsNotPage(const QByteArray &value)
{
    if (Trim(value).isEmpty())
        return true;
    if (Pos(':', value) > 0 && Copy(value, 1, 4) != "http")
        return true;
    const QByteArray segment = LastSegment(value);
    const qsizetype dot = Pos('.', segment);
    if (dot == 0)
        return false;
    QByteArray extension = Copy(segment, dot + 1, segment.size());
    const qsizetype query = Pos('?', extension);
    if (query > 0)
        extension = Copy(extension, 1, query - 1);
    for (const char *page : {"htm", "html", "shtml", "cgi", "php", "aspx", "asp", "pl", "xml", "xsl"}) {
        if (extension == page)
            return false;
    }
    return true;
}

QByteArrayList ExtractLinks(const QByteArray &base, const QByteArray &page, bool resultPage, bool allLink)
{
    QByteArrayList list;
    QByteArray text = page;
    QByteArray value;
    while (!text.isEmpty()) {
        if (!NextAnchor(&text, &value))
            break;
        if (Trim(value) == "!")
            break;
        if (IsInList(value, list) || IsNotPage(value))
            continue;
        QByteArray link = value;
        if (Copy(value, 1, 4) != "http") {
            QByteArray rest = value;
            if (Copy(rest, 1, 1) == "/")
                Delete(&rest, 1, 1);
            link = base + rest;
        }
        bool accept = false;
        if (!allLink)
            accept = Contains(link, base);
        else if (!resultPage)
            accept = true;
        else
            accept = !Contains(link, base);
        if (accept)
            list.append(link);
    }
    return list;
}

bool IsJapanesePage(const QByteArray &page)
{
    return Contains(page, "shift_jis") || Contains(page, "euc-jp") || Contains(page, "iso-2022-jp");
}

EmailStep NextEmail(const QByteArray &text)
{
    EmailStep step;
    const QByteArray low = Lower(text);
    const qsizetype i = Pos('@', low);
    if (i == 0)
        return step;
    qsizetype k = i - 1;
    while (k >= 1 && IsLocalChar(At(low, k)))
        --k;
    const QByteArray local = ValidLocal(Copy(low, k + 1, i - 1 - k));
    qsizetype j = i + 1;
    while (j <= low.size() && IsDomainChar(At(low, j)))
        ++j;
    const QByteArray domain = Copy(low, i + 1, j - i - 1);
    QByteArray candidate = local + "@" + domain;
    if (At(candidate, candidate.size()) == '.')
        Delete(&candidate, candidate.size(), 1);
    const bool malformed = At(candidate, 1) == '@' || At(candidate, candidate.size()) == '@';
    step.outcome = malformed ? Outcome::Malformed : Outcome::Candidate;
    step.candidate = candidate;
    step.rest = Copy(low, j, low.size());
    return step;
}

void ScanEmails(const QByteArray &text, QByteArrayList *list)
{
    list->clear();
    QByteArray rest = text;
    for (;;) {
        const EmailStep step = NextEmail(rest);
        if (step.outcome == Outcome::NothingLeft)
            return;
        rest = step.rest;
        const QByteArray domain = Copy(step.candidate, Pos('@', step.candidate) + 1, step.candidate.size());
        if (step.outcome == Outcome::Candidate && Contains(domain, ".") && !IsInList(step.candidate, *list))
            list->append(step.candidate);
    }
}

QByteArrayList ExtractEmails(const QByteArray &page)
{
    QByteArrayList list;
    ScanEmails(page, &list);
    QByteArrayList more;
    ScanEmails(StripTags(page), &more);
    for (const QByteArray &address : more) {
        if (!IsInList(address, list))
            list.append(address);
    }
    return list;
}

QByteArray StripTags(const QByteArray &text)
{
    QByteArray out;
    bool inTag = false;
    for (qsizetype p = 1; p <= text.size(); ++p) {
        const char c = At(text, p);
        if (inTag) {
            if (c == '>')
                inTag = false;
        } else if (c == '<') {
            inTag = true;
        } else {
            out.append(c);
        }
    }
    return out;
}

} // namespace PageTextReference
