#pragma once
// The result file of a search, the same for both search panels and the command line: one
// address per line, appended, never emptied.

#include <QByteArrayList>
#include <QString>

namespace ResultFile {

// The name a search writes to: as typed, or "Emails.txt" in the program folder when the typed
// name holds nothing but blanks and control characters.
QString nameFor(const QString &typed);

// The name chosen in a save dialog, with ".txt" added when it holds no "." anywhere: the whole
// path is searched, so a dot in a folder name counts too, as users of the option dialogs know it.
QString withTextExtension(const QString &chosen);

// Appends each address as one line, in list order. A line that cannot be written is skipped and
// the rest are still tried; returns the reason of the first failure, empty when all were written.
QString append(const QString &fileName, const QByteArrayList &addresses);

// The addresses the file holds, one a line; none when it cannot be read.
QByteArrayList addresses(const QString &fileName);

} // namespace ResultFile
