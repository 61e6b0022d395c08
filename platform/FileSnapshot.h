#pragma once
// The content of a settings file as last read, read again only when the file has changed since:
// its identity (device, inode, size, modification and change times) differs, or the last look
// came so close to the file's last change that a second change within the same tick of the file
// system's clock could not be told. Settings, language and key-store files are read for every
// value, and one that has grown large would otherwise be read whole each time.

#include "platform/AtomicFile.h"

#include <QString>

#include <sys/types.h>

class FileSnapshot final
{
public:
    // The file as it is now. `changed`, when given, says whether its content differs from what
    // the last call gave.
    const AtomicFile::ReadResult &read(const QString &path, bool *changed = nullptr);
    // What the last read gave, without looking at the file.
    const AtomicFile::ReadResult &content() const { return content_; }
    // After a write of our own: `bytes` are the file's content now, without reading them back.
    void wrote(const QString &path, QByteArray bytes);

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const Identity &) const = default;
    };
    static bool identify(const QString &path, Identity &identity);
    bool trusted(const QString &path, const Identity &now, qint64 lookedNs) const;

    QString path_;
    bool known_ = false;
    Identity identity_;
    qint64 lookedNs_ = 0; // when identity_ was taken
    AtomicFile::ReadResult content_;
};
