#pragma once
// The one writer of the result files and of the failed-fetch log.

#include <QByteArray>
#include <QString>

// Appends the line and CR LF to the file, creating it when needed. A name holding ":" or
// starting with "/" stands as it is; any other lies in the program folder. The line goes out in
// a single append, so two writers sharing a file never interleave within a line, and it is
// written whole or not at all: a short write (a full disk) is cut back off the file.
//
// Only a regular file (or one that does not exist yet) is written: a FIFO with no reader would
// hang the crawl, and a device or folder is no result file. Returns false when the line was not
// written, with the reason in `reason` when given; the caller decides whom to tell.
bool AppendLine(const QString &fileName, QByteArrayView line, QString *reason = nullptr);
