#pragma once
// One INI file on disk read and written by the profile-file rules (ProfileText): every call
// opens the file, reads or writes one value and is done, so hand edits made while the program
// runs are seen by the next read. Writes are atomic and locked against other writers (AtomicFile).

#include <QByteArray>
#include <QString>

#include <optional>

class ProfileFile final
{
public:
    // Reads are cut to this many bytes of the file's code page, as the profile API's 2048-byte
    // buffer cut them; a double-byte character that does not fit whole is left out.
    static constexpr qsizetype maxReadLength = 2047;

    // `encoding` is the file's code page as an ICU name ("windows-1252", "GBK", "Big5",
    // "Shift_JIS"); empty means UTF-8.
    explicit ProfileFile(QString path, QByteArray encoding = {});

    const QString &path() const { return path_; }

    // nullopt when the file, the section or the ident is missing or the file cannot be read.
    std::optional<QString> value(const QString &section, const QString &ident) const;
    QString readString(const QString &section, const QString &ident, const QString &defaultValue) const;

    // false when the value is not stored (read-only file or folder, names that cannot be
    // stored, a full disk); the file is then as it was.
    bool writeString(const QString &section, const QString &ident, const QString &value) const;

private:
    QString path_;
    QByteArray encoding_;
};
