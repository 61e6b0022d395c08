#include "crawl/AppendLine.h"
void AppendLine(const QString &, QByteArrayView) {}
