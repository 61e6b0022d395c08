#pragma once
// Turns one fetched page into its links and its e-mail addresses. Page text stays bytes as
// received: no character-set, entity or percent decoding anywhere in here. The link rules
// compare case-sensitively; the address scan lowers ASCII capitals only.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace PageText {

// The fetched address cut after its last "/", or with "/" appended when the last "/" stands
// within the first 11 bytes: those hold the scheme's "//", which is no folder separator.
QByteArray BaseOf(QByteArrayView address);

// The accepted absolute links of a page, in the order of their anchors; relative values are
// completed against base. Without allLink only links that contain base stay; with it all stay,
// except that a search-result page (resultPage) keeps only the links that do not contain base.
QByteArrayList ExtractLinks(QByteArrayView base, QByteArrayView page, bool resultPage, bool allLink);

// True when the page names a Japanese character set (exact lower-case spelling).
bool IsJapanesePage(QByteArrayView page);

// The value of the next "<a href=" anchor at or after *pos, as a view into page, and moves
// *pos to the character that closed the value. An unquoted value runs to the next blank, so a
// ">" and link text belong to it; a value whose closing quote or blank never comes is empty and
// the walk goes on right behind the opening. Returns false when no anchor is left.
bool NextAnchor(QByteArrayView page, qsizetype *pos, QByteArrayView *value);

// True if some entry equals the value exactly.
bool IsInList(QByteArrayView value, const QByteArrayList &list);

// True for values the crawl does not follow: blank ones, other schemes, and files whose
// extension is not one of a page.
bool IsNotPage(QByteArrayView value);

// The part after the last "/" (or the whole value); empty when that part holds two or more
// dots, which makes such a value count as having no extension.
QByteArray LastSegment(QByteArrayView value);

// The distinct addresses of a page, lower case: those of the raw text, then those that only
// the tag-free text shows. Around each "@" the local part holds letters, digits, "-", "_", "+"
// and single dots between them (first.last and name+tag stay whole); the domain holds the same
// without "+", needs a "." and loses one final "." (a sentence may end behind an address).
QByteArrayList ExtractEmails(QByteArrayView page);

// Empties the list, then fills it with the distinct addresses of the text.
void ScanEmails(QByteArrayView text, QByteArrayList *list);

// Drops every "<" through the next ">"; a "<" that is never closed drops the rest.
QByteArray StripTags(QByteArrayView text);

} // namespace PageText
