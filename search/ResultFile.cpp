#include "search/ResultFile.h"

#include "platform/AppendLine.h"
#include "platform/ProgramFolder.h"

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

void append(const QString &fileName, const QByteArrayList &addresses)
{
    for (const QByteArray &address : addresses)
        AppendLine(fileName, address);
}

} // namespace ResultFile
