#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <unistd.h>

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

// access() rather than the permission bits: it answers for this user, and for a read-only mount.
bool canWrite(const QString &folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// The files the program writes for itself are no language files, and stay out of the copies.
bool isLanguageFile(const QString &name)
{
    return name.compare(QLatin1String("TrawlMain.ini"), Qt::CaseInsensitive) != 0
        && name.compare(QLatin1String("Err.ini"), Qt::CaseInsensitive) != 0;
}

// Each shipped language file the folder lacks, copied in writable: the program learns missing
// texts into it. A copy already there is the user's, learned texts and all, and stays.
void copyMissingLanguageFiles(const QString &from, const QString &into)
{
    const QStringList names = QDir(from).entryList({QStringLiteral("*.ini")}, QDir::Files);
    for (const QString &name : names) {
        if (!isLanguageFile(name) || QFileInfo::exists(into + name))
            continue;
        if (QFile::copy(from + name, into + name))
            QFile::setPermissions(into + name, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                   | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
}

const ProgramFolder::Folders &settledFolders()
{
    static const ProgramFolder::Folders folders = [] {
        const QString fromEnvironment = qEnvironmentVariable("TRAWLEX_PROGRAM_FOLDER");
        return ProgramFolder::settle(fromEnvironment.isEmpty() ? executableFolder() : fromEnvironment,
                                     ProgramFolder::perUserPath());
    }();
    return folders;
}

QString overridden()
{
    const QMutexLocker lock(&overrideLock);
    return overrideFolder;
}

} // namespace

namespace ProgramFolder {

Folders settle(const QString &programFolder, const QString &perUserFolder)
{
    Folders folders;
    const QString program = withTrailingSlash(programFolder);
    const QString installedFiles = QDir::cleanPath(program + QStringLiteral(TRAWLEX_SHIPPED_FROM_BIN));
    const bool installed = QFileInfo(installedFiles).isDir();
    folders.shipped = installed ? withTrailingSlash(installedFiles) : program;
    folders.own = program;
    if (!installed && canWrite(program))
        return folders;

    const QString perUser = withTrailingSlash(perUserFolder);
    const bool existed = QFileInfo(perUser).isDir();
    if (!existed && !QDir().mkpath(perUser))
        return folders;
    copyMissingLanguageFiles(folders.shipped, perUser);
    folders.own = perUser;
    folders.perUser = true;
    folders.perUserNew = !existed;
    return folders;
}

QString path()
{
    const QString folder = overridden();
    return folder.isEmpty() ? settledFolders().own : folder;
}

QString shippedPath()
{
    const QString folder = overridden();
    return folder.isEmpty() ? settledFolders().shipped : folder;
}

bool isPerUser()
{
    return overridden().isEmpty() && settledFolders().perUser;
}

bool isPerUserFolderNew()
{
    return isPerUser() && settledFolders().perUserNew;
}

void set(const QString &folder)
{
    const QMutexLocker lock(&overrideLock);
    overrideFolder = folder.isEmpty() ? QString() : withTrailingSlash(folder);
}

QString perUserPath()
{
    // XDG base directories: a relative XDG_DATA_HOME is invalid and ignored.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return withTrailingSlash(base) + QStringLiteral("trawlex/");
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
