#include "platform/AppendLine.h"

#include "platform/ProgramFolder.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void AppendLine(const QString &fileName, QByteArrayView line)
{
    const QByteArray path = QFile::encodeName(ProgramFolder::resolve(fileName));
    // O_APPEND makes every write land at the end as one piece, whoever else appends; and
    // O_CREAT without O_TRUNC can never empty a file another writer has just created.
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;

    QByteArray record;
    record.reserve(line.size() + 2);
    record.append(line).append("\r\n");

    const char *next = record.constData();
    qsizetype left = record.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        next += written;
        left -= written;
    }
    ::close(fd);
}
