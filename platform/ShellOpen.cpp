#include "platform/ShellOpen.h"

#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <utility>

namespace {

QMutex launcherLock;
ShellOpen::Launcher replacedLauncher;

QString findOpener()
{
    for (const QString &name : {QStringLiteral("xdg-open"), QStringLiteral("x-www-browser")}) {
        QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

namespace ShellOpen {

void open(const QString &address)
{
    Launcher launcher;
    {
        const QMutexLocker lock(&launcherLock);
        launcher = replacedLauncher;
    }
    if (launcher)
        launcher(address);
    else
        desktopLauncher(address);
}

Launcher setLauncher(Launcher launcher)
{
    const QMutexLocker lock(&launcherLock);
    return std::exchange(replacedLauncher, std::move(launcher));
}

void desktopLauncher(const QString &address)
{
    const QString opener = findOpener();
    if (opener.isEmpty())
        return;
    // Detached, so the opener (which may stay as long as the browser does) is never waited for
    // and never becomes a zombie of ours; its complaints would only clutter our own output.
    QProcess process;
    process.setProgram(opener);
    process.setArguments({address});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

} // namespace ShellOpen
