#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far above any settings file; a file this large is not one, and reading it whole on the
// interface thread would stall the program.
constexpr qsizetype maxFileSize = 64 * 1024 * 1024;

// Writers hold the lock for a read, an edit and a rename of a small file. A holder that takes
// longer than this is stuck or gone; QLockFile clears the lock of a dead process by itself.
constexpr int lockTimeoutMs = 5000;

class Descriptor final
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool readAll(int fd, qsizetype sizeHint, QByteArray &out)
{
    out.resize(std::min(sizeHint, maxFileSize) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == out.size()) {
            if (out.size() > maxFileSize)
                return false;
            out.resize(std::min(out.size() * 2, maxFileSize + 1));
        }
        const ssize_t got = ::read(fd, out.data() + filled, size_t(out.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        filled += got;
    }
    out.truncate(filled);
    return true;
}

bool hasNoWriteBit(const QFileInfo &info)
{
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & anyWrite) == 0;
}

bool folderReadOnly(const QFileInfo &folder)
{
    return !folder.isDir() || !folder.isWritable() || hasNoWriteBit(folder);
}

} // namespace

namespace AtomicFile {

ReadResult read(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return {errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed, {}};

    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxFileSize)
        return {ReadStatus::Failed, {}};

    ReadResult result{ReadStatus::Ok, {}};
    if (!readAll(fd.get(), qsizetype(info.st_size), result.bytes))
        return {ReadStatus::Failed, {}};
    return result;
}

bool isReadOnly(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists()) {
        // QSaveFile writes through a symbolic link to its target, so the target is what counts.
        const QFileInfo target(file.canonicalFilePath());
        return !target.isFile() || !target.isWritable() || hasNoWriteBit(target)
               || folderReadOnly(QFileInfo(target.absolutePath()));
    }
    if (file.isSymLink())
        return true; // a dangling link: replacing it would write somewhere nobody chose
    return folderReadOnly(QFileInfo(file.absolutePath()));
}

bool replace(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty() || isReadOnly(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

UpdateResult update(const QString &path, const Edit &edit)
{
    // Reads the file and applies the edit: the new bytes, or why nothing is to be written.
    const auto edited = [&path, &edit](std::optional<QByteArray> *next) {
        const ReadResult current = read(path);
        if (current.status == ReadStatus::Failed)
            return UpdateResult::Failed;
        *next = edit(current.bytes);
        if (!*next)
            return UpdateResult::Failed;
        return **next == current.bytes ? UpdateResult::Unchanged : UpdateResult::Written;
    };

    // Most writes of settings store what is already there (a window closed where it was
    // opened, a language file walked again): find that out without taking the lock.
    std::optional<QByteArray> next;
    if (const UpdateResult verdict = edited(&next); verdict != UpdateResult::Written)
        return verdict;
    if (isReadOnly(path))
        return UpdateResult::Failed;

    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(lockTimeoutMs))
        return UpdateResult::Failed;

    // Another process may have written between the first read and the lock.
    if (const UpdateResult verdict = edited(&next); verdict != UpdateResult::Written)
        return verdict;
    return replace(path, *next) ? UpdateResult::Written : UpdateResult::Failed;
}

} // namespace AtomicFile
