#include "search/ResultFile.h"

#include "platform/AppendLine.h"
#include "platform/ProgramFolder.h"

#include <QFile>

namespace ResultFile {

QString nameFor(const QString &typed)
{
    for (const QChar c : typed)
        if (c > QLatin1Char(' '))
            return typed;
    return ProgramFolder::path() + QStringLiteral("Emails.txt");
}

QString withTextExtension(const QString &chosen)
{
    return chosen.contains(QLatin1Char('.')) ? chosen : chosen + QStringLiteral(".txt");
}

QString append(const QString &fileName, const QByteArrayList &addresses)
{
    QString firstFailure;
    for (const QByteArray &address : addresses) {
        QString reason;
        if (!AppendLine(fileName, address, &reason) && firstFailure.isEmpty())
            firstFailure = reason;
    }
    return firstFailure;
}

QByteArrayList addresses(const QString &fileName)
{
    QFile file(fileName);
    QByteArrayList lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace ResultFile
