// One translation walk of a form the size of the main window with its three panels (about 120
// components), with the shipped English and Simplified Chinese language files grown by that
// form's texts. Every text is read from the file as the walk applies it; nothing is cached, so a
// file edited by hand shows at the next walk. Target: median under 50 ms.
//
//   cmake -S . -B build-bench -G Ninja -DTRAWLEX_BENCH=ON && cmake --build build-bench --target bench_lang_walk
//   build-bench/bin/bench_lang_walk

#include "platform/CodePage.h"
#include "platform/ProgramFolder.h"
#include "platform/RegistryStore.h"
#include "shell/LangRules.h"
#include "shell/LangSections.h"
#include "shell/znLang.h"
#include "tests/shell/LangTestForm.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// 31 components of its own and 30 more on the form and on each of its two panels.
constexpr int fillerPerPart = 30;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

int countComponents(const QObject *owner)
{
    int count = 0;
    for (const QObject *child : LangSections::ownedComponents(owner))
        count += 1 + (LangSections::isPanel(child) ? countComponents(child) : 0);
    return count;
}

// The shipped file with every text of the form in it: learned once in the file's code page, then,
// for a Chinese file, each learned text given Chinese words so that reads decode real GBK.
QString prepareLanguageFile(const QTemporaryDir &folder, const char *name, bool chinese)
{
    const QString fileName = QString::fromLatin1(name);
    writeAll(folder.filePath(fileName), readAll(QStringLiteral(TRAWL_LANG_SOURCE_DIR "/") + fileName));
    {
        TfrmLangTest form(fillerPerPart);
        TznLang la;
        la.setEnabled(false);
        la.OnTranslate = LangRules::translateItemLists;
        la.setFileName(fileName);
        la.Translate(&form, QString());
    }
    if (chinese) {
        const QString text = CodePage::decode(readAll(folder.filePath(fileName)), CodePage::gb2312Charset);
        QStringList lines = text.split(QStringLiteral("\r\n"));
        bool inFont = false;
        for (QString &line : lines) {
            if (line.startsWith(QLatin1Char('[')))
                inFont = line == QStringLiteral("[Font]");
            else if (!inFont && line.contains(QLatin1Char('=')) && !line.endsWith(QLatin1Char('%')))
                line += QString::fromUtf8("（中文）");
        }
        writeAll(folder.filePath(fileName), CodePage::encode(lines.join(QStringLiteral("\r\n")), CodePage::gb2312Charset).value());
    }
    return fileName;
}

void BM_WalkMainWindowSizedForm(benchmark::State &state, const char *languageFile, bool chinese)
{
    QTemporaryDir folder;
    ProgramFolder::set(folder.path());
    const QString fileName = prepareLanguageFile(folder, languageFile, chinese);
    const QByteArray before = readAll(folder.filePath(fileName));

    TfrmLangTest form(fillerPerPart);
    form.show();
    QCoreApplication::processEvents();
    TznLang la;
    la.setEnabled(false);
    la.setForceLanguageChange(true);
    la.OnTranslate = LangRules::translateItemLists;
    la.setFileName(fileName);
    for (auto _ : state)
        la.Translate(&form, QString());

    state.counters["components"] = countComponents(&form);
    state.counters["file_bytes"] = double(before.size());
    if (readAll(folder.filePath(fileName)) != before)
        state.SkipWithError("the walk learned texts: the prepared file was incomplete");
    ProgramFolder::set(QString());
}

BENCHMARK_CAPTURE(BM_WalkMainWindowSizedForm, English, "English.ini", false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_WalkMainWindowSizedForm, SimplifiedChinese, "ChinaCn.ini", true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    // Widgets on the offscreen platform; the list views' settings go to a scratch store.
    QTemporaryDir scratch;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv(RegistryStore::fileVariable, QFile::encodeName(scratch.filePath(QStringLiteral("registry.reg"))));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
