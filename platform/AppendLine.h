#pragma once
// The one writer of the result files and of the failed-fetch log.

#include <QByteArray>
#include <QString>

// Appends the line and CR LF to the file, creating it when needed. A name holding ":" or
// starting with "/" stands as it is; any other lies in the program folder. Failures are
// ignored: the caller goes on. The line goes out in a single append, so two writers sharing
// a file never interleave within a line.
void AppendLine(const QString &fileName, QByteArrayView line);
