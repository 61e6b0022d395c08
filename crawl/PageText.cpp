#include "crawl/PageText.h"
// Placeholder until the extraction rules land.
namespace PageText {
QByteArray BaseOf(QByteArrayView address) { return address.toByteArray(); }
QByteArrayList ExtractLinks(QByteArrayView, QByteArrayView, bool, bool) { return {}; }
bool IsJapanesePage(QByteArrayView) { return false; }
bool NextAnchor(QByteArrayView, qsizetype *, QByteArray *) { return false; }
bool IsInList(QByteArrayView value, const QByteArrayList &list) { return list.contains(value); }
bool IsNotPage(QByteArrayView) { return false; }
QByteArray LastSegment(QByteArrayView) { return {}; }
QByteArrayList ExtractEmails(QByteArrayView) { return {}; }
void ScanEmails(QByteArrayView, QByteArrayList *list) { list->clear(); }
QByteArray StripTags(QByteArrayView text) { return text.toByteArray(); }
}
