// Pictures of the program's main window as it starts, in English and in Simplified Chinese, of
// its About box and of the option dialogs, for a look at them on a real display:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/main_screenshots /tmp
// writes main-en.png, main-cn.png, main-about.png, the robot options in English as they first
// open (option-robot-en-classic.png) and with a thorough crawl chosen (option-robot-en.png), and
// both option dialogs in Chinese with a thorough crawl chosen (option-robot-cn.png,
// option-engine-cn.png). The program folder and the key store are temporary copies; the user's
// own settings are not touched.

#include "app/ProgramStart.h"
#include "platform/ProgramFolder.h"
#include "platform/RegistryStore.h"
#include "search/EngineOption.h"
#include "search/RobotOption.h"
#include "shell/About.h"
#include "shell/Main.h"
#include "shell/TrawlApplication.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool save(QWidget *widget, const QString &path)
{
    const bool saved = widget->grab().save(path);
    std::printf("%s: %s\n", qPrintable(path), saved ? "written" : "NOT WRITTEN");
    return saved;
}

// The dialog shown over the main window, translated as it is when it becomes active, with the
// thorough crawl chosen or not.
bool saveOption(QDialog *dialog, bool thorough, const QString &path)
{
    dialog->findChild<QCheckBox *>(QStringLiteral("chkThorough"))->setChecked(thorough);
    dialog->show();
    dialog->activateWindow();
    settle(600);
    const bool saved = save(dialog, path);
    dialog->hide();
    settle(200);
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir scratch;
    qputenv(RegistryStore::fileVariable, QFile::encodeName(scratch.filePath(QStringLiteral("registry.reg"))));
    TrawlApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramStart::title));
    const QString outFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");

    for (const char *name : {"English.ini", "EnglishP.ini", "ChinaCn.ini", "ChinaCnP.ini", "ChinaTw.ini", "ChinaTwP.ini"}) {
        const QString file = QString::fromLatin1(name);
        if (!QFile::copy(QStringLiteral(TRAWL_PROGRAM_DIR "/") + file, scratch.filePath(file))) {
            std::fprintf(stderr, "cannot copy %s\n", name);
            return 1;
        }
    }
    ProgramFolder::set(scratch.path());

    ProgramStart::createForms();
    frmMain->show();
    // A bare X server has no window manager to hand the window the focus; without it the window
    // never becomes active and is never translated.
    frmMain->activateWindow();
    settle(800);
    int failures = 0;
    failures += save(frmMain, outFolder + QStringLiteral("/main-en.png")) ? 0 : 1;

    QTimer::singleShot(600, AboutBox, [&failures, outFolder] {
        failures += save(AboutBox, outFolder + QStringLiteral("/main-about.png")) ? 0 : 1;
        AboutBox->accept();
    });
    frmMain->findChild<QAction *>(QStringLiteral("actAbout"))->trigger();
    settle(300);

    failures += saveOption(frmRobotOption, false, outFolder + QStringLiteral("/option-robot-en-classic.png")) ? 0 : 1;
    failures += saveOption(frmRobotOption, true, outFolder + QStringLiteral("/option-robot-en.png")) ? 0 : 1;

    frmMain->findChild<QAction *>(QStringLiteral("actLc"))->trigger();
    settle(500);
    failures += save(frmMain, outFolder + QStringLiteral("/main-cn.png")) ? 0 : 1;
    std::printf("caption: %s\n", qPrintable(frmMain->windowTitle()));
    failures += saveOption(frmRobotOption, true, outFolder + QStringLiteral("/option-robot-cn.png")) ? 0 : 1;
    failures += saveOption(frmEngineOption, true, outFolder + QStringLiteral("/option-engine-cn.png")) ? 0 : 1;

    ProgramStart::destroyForms();
    return failures == 0 ? 0 : 1;
}
