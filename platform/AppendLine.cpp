#include "platform/AppendLine.h"

#include "platform/ProgramFolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(QString *reason, const QString &why)
{
    if (reason != nullptr)
        *reason = why;
    return false;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool AppendLine(const QString &fileName, QByteArrayView line, QString *reason)
{
    const QByteArray path = QFile::encodeName(ProgramFolder::resolve(fileName));
    // O_APPEND makes every write land at the end as one piece, whoever else appends; O_CREAT
    // without O_TRUNC can never empty a file another writer has just created; O_NONBLOCK makes
    // a FIFO without a reader fail at once instead of waiting for one.
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return fail(reason, systemError(errno));
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(reason, QStringLiteral("not a regular file"));
    }

    QByteArray record;
    record.reserve(line.size() + 2);
    record.append(line).append("\r\n");

    ssize_t written = -1;
    do {
        written = ::write(fd, record.constData(), size_t(record.size()));
    } while (written < 0 && errno == EINTR);
    const int writeError = errno;
    if (written >= 0 && written < ssize_t(record.size())) {
        // The offset after an append is where this write ended, so the line began `written`
        // bytes before it: cut that part off again, so that no later line joins a broken one.
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        if (end >= written && ::ftruncate(fd, end - written) != 0) {
            // Nothing more can be done for the file; the line is reported as not written.
        }
    }
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (written < 0)
        return fail(reason, systemError(writeError));
    if (written < ssize_t(record.size()))
        return fail(reason, QStringLiteral("the line could not be written whole (is the disk full?)"));
    if (!closed)
        return fail(reason, systemError(closeError));
    return true;
}
