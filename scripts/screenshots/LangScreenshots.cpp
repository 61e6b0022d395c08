// Pictures of the test form translated with each of its language files, for a look at the
// Chinese texts as a real display draws them:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/lang_screenshots /tmp
// writes lang-en.png, lang-cn.png and lang-tw.png and names the font each one was drawn with.

#include "platform/ProgramFolder.h"
#include "platform/RegistryStore.h"
#include "shell/LangRules.h"
#include "shell/znLang.h"
#include "tests/shell/LangTestForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The list views keep their layout in the per-user store; this run must leave the user's alone.
    QTemporaryDir scratch;
    qputenv(RegistryStore::fileVariable, QFile::encodeName(scratch.filePath(QStringLiteral("registry.reg"))));
    QApplication app(argc, argv);
    const QString outFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    ProgramFolder::set(scratch.path());

    const struct
    {
        const char *file;
        const char *suffix;
    } languages[] = {{"English", "en"}, {"ChinaCn", "cn"}, {"ChinaTw", "tw"}};
    int failures = 0;
    for (const auto &language : languages) {
        const QString name = QString::fromLatin1(language.file) + QStringLiteral(".ini");
        QFile::remove(scratch.filePath(name));
        if (!QFile::copy(QStringLiteral(TRAWL_TEST_LANG_DIR "/LangTestForm-") + name, scratch.filePath(name))) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(name));
            return 1;
        }
        TfrmLangTest form;
        TznLang la;
        la.setEnabled(false);
        la.OnTranslate = LangRules::translateItemLists;
        la.setFileName(name);
        la.Translate(&form, QString());
        form.show();
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

        const QString picture = outFolder + QStringLiteral("/lang-") + QString::fromLatin1(language.suffix) + QStringLiteral(".png");
        if (!form.grab().save(picture)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(picture));
            ++failures;
        }
        std::printf("%s: %s drawn in \"%s\"\n", qPrintable(picture), qPrintable(form.btnStartTwo->text()),
                    qPrintable(QFontInfo(form.btnStartTwo->font()).family()));
    }
    return failures == 0 ? 0 : 1;
}
