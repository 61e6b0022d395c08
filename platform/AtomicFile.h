#pragma once
// Whole-file reads and crash-safe replacement of the small settings files (INI, language and
// message files, the registry store), with a lock file against other writers.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace AtomicFile {

enum class ReadStatus { Ok, Missing, Failed };

struct ReadResult
{
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// Reads the whole file. Anything but a regular file (a FIFO, a device, a folder) or a file too
// large to be a settings file is a failure, so a mistyped name can neither hang nor exhaust us.
ReadResult read(const QString &path);

// A file, or the folder of a file still to be made, that we must not replace: not writable for
// us, or carrying no write permission bit at all. The second rule holds for root too, the way a
// read-only attribute binds administrators on Windows.
bool isReadOnly(const QString &path);

// Replaces the file's content through a temporary file and a rename: a crash or a full disk
// leaves the old content or the new, never a cut one. false: nothing changed.
bool replace(const QString &path, const QByteArray &bytes);

enum class UpdateResult { Unchanged, Written, Failed };

// Given the current content (empty when the file is missing), the content to store, or nullopt
// to store nothing.
using Edit = std::function<std::optional<QByteArray>(const QByteArray &current)>;

// Read, edit, replace, with the edit applied again under a lock file (path + ".lock") to what is
// on disk at that moment, so two processes updating one file do not lose each other's changes.
// A result equal to the current content is not written at all.
UpdateResult update(const QString &path, const Edit &edit);

} // namespace AtomicFile
