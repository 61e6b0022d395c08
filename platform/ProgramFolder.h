#pragma once
// The folder of the program file, against which every relative file name of Trawlex is taken,
// never the current directory.

#include <QString>

namespace ProgramFolder {

// The program folder with a trailing "/": the one set(), else $TRAWLEX_PROGRAM_FOLDER, else the
// executable's folder.
QString path();

// Points the program folder elsewhere (tests, portable use). An empty path restores the default.
void set(const QString &folder);

// A name holding ":" (kept from Windows users' settings) or starting with "/" stands as it is;
// any other name lies in or below the program folder.
bool isAbsoluteName(const QString &name);
QString resolve(const QString &name);

} // namespace ProgramFolder
