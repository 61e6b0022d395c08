#include "platform/FileSnapshot.h"

#include <QFile>

#include <sys/stat.h>
#include <time.h>

namespace {

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

qint64 nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// File times move in ticks of the kernel's coarse clock, a few milliseconds; a look this close
// to the last change cannot tell a change within the same tick from none.
constexpr qint64 racyWindowNs = 50'000'000;

} // namespace

bool FileSnapshot::identify(const QString &path, Identity &identity)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    identity = {info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
    return true;
}

bool FileSnapshot::trusted(const QString &path, const Identity &now, qint64 lookedNs) const
{
    return known_ && path == path_ && now == identity_ && lookedNs - now.modifiedNs > racyWindowNs
           && lookedNs_ - now.modifiedNs > racyWindowNs;
}

const AtomicFile::ReadResult &FileSnapshot::read(const QString &path, bool *changed)
{
    const qint64 looked = nowNs();
    Identity now;
    const bool exists = identify(path, now);
    if (exists && trusted(path, now, looked)) {
        if (changed)
            *changed = false;
        return content_;
    }
    AtomicFile::ReadResult file = AtomicFile::read(path);
    const bool same = known_ && path == path_ && file.status == content_.status && file.bytes == content_.bytes;
    if (changed)
        *changed = !same;
    if (!same)
        content_ = std::move(file);
    path_ = path;
    known_ = exists && content_.status == AtomicFile::ReadStatus::Ok;
    identity_ = now;
    lookedNs_ = looked;
    return content_;
}

void FileSnapshot::wrote(const QString &path, QByteArray bytes)
{
    content_ = {AtomicFile::ReadStatus::Ok, std::move(bytes)};
    path_ = path;
    known_ = identify(path, identity_);
    lookedNs_ = nowNs();
}
