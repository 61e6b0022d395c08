#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex overrideLock;
QString overrideFolder;

QString withTrailingSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString executableFolder()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    // No application object (some tools and tests): /proc names the running executable.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

} // namespace

namespace ProgramFolder {

QString path()
{
    {
        const QMutexLocker lock(&overrideLock);
        if (!overrideFolder.isEmpty())
            return overrideFolder;
    }
    // Tests that start the program, and portable installs, point it elsewhere.
    const QString fromEnvironment = qEnvironmentVariable("TRAWLEX_PROGRAM_FOLDER");
    if (!fromEnvironment.isEmpty())
        return withTrailingSlash(fromEnvironment);
    return withTrailingSlash(executableFolder());
}

void set(const QString &folder)
{
    const QMutexLocker lock(&overrideLock);
    overrideFolder = folder.isEmpty() ? QString() : withTrailingSlash(folder);
}

bool isAbsoluteName(const QString &name)
{
    return name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('/'));
}

QString resolve(const QString &name)
{
    return isAbsoluteName(name) ? name : path() + name;
}

} // namespace ProgramFolder
