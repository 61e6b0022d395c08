// Reading a language file the way the translation walk does: one uncached ReadString per text,
// several hundred per form. Target on the development machine: a walk of 400 reads of a
// 600-line file in under 20 ms.
//
//   cmake -S . -B build-bench -G Ninja -DTRAWLEX_BENCH=ON && cmake --build build-bench --target bench_profile_read
//   build-bench/bin/bench_profile_read

#include "platform/ProfileFile.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int sections = 60;        // components of a form, each a section...
constexpr int identsPerSection = 8; // ...of eight texts, plus a header and a blank line: 600 lines
constexpr int walkReads = 400;

struct LanguageFile
{
    LanguageFile()
    {
        QByteArray bytes = "[Font]\r\nFontCharset=134\r\n\r\n";
        for (int s = 0; s < sections; ++s) {
            bytes += "[frmMain_fraRobotComponent" + QByteArray::number(s) + "]\r\n";
            for (int i = 0; i < identsPerSection; ++i) {
                // GBK text of a typical caption length.
                bytes += "Item" + QByteArray::number(i) + "=\xD6\xD0\xCE\xC4\xB2\xCB\xB5\xA5 " + QByteArray::number(s * 10 + i)
                         + "\r\n";
            }
            bytes += "\r\n";
        }
        path = dir.filePath(QStringLiteral("ChinaCn.ini"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);

        // The walk's order: section after section, with one text in five not yet learned.
        for (int r = 0; r < walkReads; ++r) {
            const int section = r * sections / walkReads;
            const QString ident = r % 5 == 4 ? QStringLiteral("Hint") : QStringLiteral("Item%1").arg(r % identsPerSection);
            reads.push_back({QStringLiteral("frmMain_fraRobotComponent%1").arg(section), ident});
        }
    }

    QTemporaryDir dir;
    QString path;
    std::vector<std::pair<QString, QString>> reads;
};

const LanguageFile &languageFile()
{
    static const LanguageFile file;
    return file;
}

void BM_ReadString(benchmark::State &state)
{
    const LanguageFile &language = languageFile();
    const ProfileFile ini(language.path, "GBK");
    size_t next = 0;
    for (auto _ : state) {
        const auto &[section, ident] = language.reads[next];
        benchmark::DoNotOptimize(ini.readString(section, ident, QString()));
        next = (next + 1) % language.reads.size();
    }
}
BENCHMARK(BM_ReadString)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_WalkOf400Reads(benchmark::State &state)
{
    const LanguageFile &language = languageFile();
    const ProfileFile ini(language.path, "GBK");
    for (auto _ : state) {
        for (const auto &[section, ident] : language.reads)
            benchmark::DoNotOptimize(ini.readString(section, ident, QString()));
    }
    state.counters["reads"] = benchmark::Counter(double(language.reads.size()) * double(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WalkOf400Reads)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
