#pragma once
// The thorough crawl's links: every link of a page, however it is written, resolved by RFC 3986
// against the page's address or its <base href>, in one normal form, so that each page has one
// address and is fetched once.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QUrl>

namespace LinkScan {

// The http and https links of an HTML page fetched from `pageUrl` (after its redirects): <a> and
// <area> href, <frame> and <iframe> src; each once, in the order of the page, normalised. All of
// them resolve against the page's first <base href> where it has one, as in browsers.
QList<QUrl> ExtractLinks(QByteArrayView page, const QUrl &pageUrl);

// The normal form of a web address: scheme and host lower case, default port dropped, dot
// segments removed, percent-encoding in one case and only where needed, no fragment, an empty
// path as "/". Also the key of the visited set.
QUrl normalised(const QUrl &url);

// Whether the address names a file that is surely no page by its extension (images, archives,
// media, pdf, ...): not fetched at all.
bool surelyNotAPage(const QUrl &url);

// Whether a response of this Content-Type is a page to scan (text/html, application/xhtml+xml, in
// any case, parameters allowed). An empty Content-Type counts as a page: servers that send none
// mostly serve one.
bool isPageType(QByteArrayView contentType);

} // namespace LinkScan
