#pragma once
// A slow, literal model of the page text rules, kept to check crawl/PageText against: the
// anchor walk shortens the text from the front, and every address step lowers the whole rest
// of the text again. Quadratic on purpose; never use it on large pages outside a benchmark.

#include <QByteArray>
#include <QByteArrayList>

namespace PageTextReference {

QByteArray BaseOf(const QByteArray &address);

// Shortens *text to begin at the character that closed the value (or right behind the
// opening when nothing closes it). Leaves *text alone and returns false when no anchor is left.
bool NextAnchor(QByteArray *text, QByteArray *value);

bool IsInList(const QByteArray &value, const QByteArrayList &list);
bool IsNotPage(const QByteArray &value);
QByteArray LastSegment(const QByteArray &value);
QByteArrayList ExtractLinks(const QByteArray &base, const QByteArray &page, bool resultPage, bool allLink);
bool IsJapanesePage(const QByteArray &page);

enum class Outcome { Candidate, Malformed, NothingLeft };

struct EmailStep
{
    Outcome outcome = Outcome::NothingLeft;
    QByteArray candidate;
    QByteArray rest; // lowered, like everything the scan hands on
};

EmailStep NextEmail(const QByteArray &text);
void ScanEmails(const QByteArray &text, QByteArrayList *list);
QByteArrayList ExtractEmails(const QByteArray &page);
QByteArray StripTags(const QByteArray &text);

// Drops leading and trailing bytes up to and including the blank.
QByteArray Trim(const QByteArray &text);

} // namespace PageTextReference
