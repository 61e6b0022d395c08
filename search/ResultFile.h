#pragma once
// The result file of a search, the same for both search panels and the command line: one
// address per line, appended, never emptied.

#include <QByteArrayList>
#include <QString>

namespace ResultFile {

// The name a search writes to: as typed, or "Emails.txt" in the program folder when the typed
// name holds nothing but blanks and control characters.
QString nameFor(const QString &typed);

// Appends each address as one line, in list order. Failures are silent, line by line.
void append(const QString &fileName, const QByteArrayList &addresses);

} // namespace ResultFile
