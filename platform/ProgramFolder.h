#pragma once
// The folder of the program file, against which every relative file name of Trawlex is taken,
// never the current directory. A portable copy keeps its files beside the program; an installed
// program, or one whose folder cannot be written, keeps them in a per-user folder instead.

#include <QString>

namespace ProgramFolder {

// The folder the program reads and writes its own files in (result file, Err.ini, TrawlMain.ini,
// the language files it learns into), with a trailing "/": the one set(), else the settled
// folder of the program (see settle()).
QString path();

// Where the files shipped with the program lie, read-only: the help file, and the originals of
// the language files. The program folder itself, except for an installed program, whose files
// lie in <prefix>/share/trawlex/ beside <prefix>/bin/.
QString shippedPath();

// True when path() is the per-user folder rather than the program folder.
bool isPerUser();

// True when this start made the per-user folder, so the user has not been told of it yet.
bool isPerUserFolderNew();

// Points the program folder elsewhere (tests): path() and shippedPath() are that folder as it
// is, without the per-user rule. An empty path restores the default.
void set(const QString &folder);

// $XDG_DATA_HOME/trawlex/, or ~/.local/share/trawlex/ when that is unset or not absolute.
QString perUserPath();

struct Folders
{
    QString shipped;         // shippedPath()
    QString own;             // path()
    bool perUser = false;    // own is the per-user folder
    bool perUserNew = false; // the per-user folder was made by this call
};

// The folders of a program whose file lies in `programFolder` ($TRAWLEX_PROGRAM_FOLDER stands
// for it in tests that start the program). An installed program (its shipped files in
// ../share/trawlex/ beside its folder) and a program whose folder cannot be written use
// `perUserFolder`, made if missing and given a copy of each shipped language file it lacks, so
// that learning and the language choice work; a portable copy keeps its files beside it. When the
// per-user folder cannot be made either, the program folder stays, and the writes that fail are
// told as they happen.
Folders settle(const QString &programFolder, const QString &perUserFolder);

// A name holding ":" (kept from Windows users' settings) or starting with "/" stands as it is;
// any other name lies in or below the program folder.
bool isAbsoluteName(const QString &name);
QString resolve(const QString &name);

} // namespace ProgramFolder
