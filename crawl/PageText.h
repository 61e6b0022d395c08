#pragma once
// Turns one fetched page into its links and its e-mail addresses. Page text stays bytes as
// received: no character-set, entity or percent decoding anywhere in here.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace PageText {

// The fetched address cut after its folder separator; also the base of relative links.
QByteArray BaseOf(QByteArrayView address);

// The accepted absolute links of a page, in the order of their anchors.
QByteArrayList ExtractLinks(QByteArrayView base, QByteArrayView page, bool resultPage, bool allLink);

// True when the page names a Japanese character set (exact lower-case spelling).
bool IsJapanesePage(QByteArrayView page);

// Consumes the page from *pos on: gives the next "<a href=" value and moves *pos behind it.
// Returns false when no anchor is left.
bool NextAnchor(QByteArrayView page, qsizetype *pos, QByteArray *value);

bool IsInList(QByteArrayView value, const QByteArrayList &list);
bool IsNotPage(QByteArrayView value);
QByteArray LastSegment(QByteArrayView value);

// The distinct addresses of a page, lower case: those of the raw text, then those that only
// the tag-free text shows.
QByteArrayList ExtractEmails(QByteArrayView page);

// Empties the list, then fills it with the distinct addresses of the text.
void ScanEmails(QByteArrayView text, QByteArrayList *list);

QByteArray StripTags(QByteArrayView text);

} // namespace PageText
