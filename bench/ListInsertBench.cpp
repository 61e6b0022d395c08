// The search panels put every address they find at the top of their address list, one row at a
// time, with sorting off; a long crawl lists 100,000 addresses. Inserting at the top must not get
// dearer as the list grows. Targets: the last 10,000 rows cost no more than 1.5 times the first
// 10,000, under 30 microseconds per row, and under 1 KiB of memory per row.
//
// Baselines in the same run: a plain tree widget given the row first and its texts after (the
// panel's steps taken literally), and a plain tree widget given the texts first.
// The "paged" runs show the list and let the event loop lay it out and paint it after every 100
// rows, as when each fetched page hands its addresses to the window.
//
//   cmake -S . -B build-bench -G Ninja -DTRAWLEX_BENCH=ON && cmake --build build-bench --target bench_list_insert
//   build-bench/bin/bench_list_insert

#include "shell/EnhListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

namespace {

constexpr int rows = 100'000;
constexpr int block = 10'000;
constexpr int page = 100;

enum Kind { PlainTextsAfter, PlainTextsFirst, EnhListView };
const char *const kindNames[] = {"QTreeWidget insert then setText", "QTreeWidget texts then insert",
                                 "TdfsEnhListView::InsertItem"};

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

std::unique_ptr<QTreeWidget> makeList(Kind kind)
{
    std::unique_ptr<QTreeWidget> list = kind == EnhListView ? std::make_unique<TdfsEnhListView>() : std::make_unique<QTreeWidget>();
    list->setHeaderLabels({QStringLiteral("Email"), QStringLiteral("Source")});
    list->setColumnWidth(0, 150);
    list->setColumnWidth(1, 220);
    list->resize(393, 300);
    return list;
}

void insertAtTop(QTreeWidget &list, Kind kind, int n)
{
    const QString address = QStringLiteral("someone%1@example%2.com").arg(n).arg(n % 97);
    const QString source = QStringLiteral("http://www.example%1.com/people/").arg(n % 97);
    switch (kind) {
    case PlainTextsAfter: {
        auto *item = new QTreeWidgetItem;
        list.insertTopLevelItem(0, item);
        item->setText(0, address);
        item->setText(1, source);
        break;
    }
    case PlainTextsFirst:
        list.insertTopLevelItem(0, new QTreeWidgetItem(QStringList{address, source}));
        break;
    case EnhListView:
        static_cast<TdfsEnhListView &>(list).InsertItem(0, {address, source});
        break;
    }
}

void BM_InsertAtTop(benchmark::State &state)
{
    const auto kind = static_cast<Kind>(state.range(0));
    const bool paged = state.range(1) != 0;
    state.SetLabel(std::string(kindNames[kind]) + (paged ? ", paged" : ""));
    for (auto _ : state) {
        malloc_trim(0);
        auto list = makeList(kind);
        if (paged)
            list->show();
        QCoreApplication::processEvents();
        const long before = residentKiB();

        std::vector<double> blockMicros;
        QElapsedTimer timer;
        for (int first = 0; first < rows; first += block) {
            timer.start();
            for (int n = first; n < first + block; ++n) {
                insertAtTop(*list, kind, n);
                if (paged && (n + 1) % page == 0)
                    QCoreApplication::processEvents();
            }
            blockMicros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        }
        const long after = residentKiB();
        if (list->topLevelItemCount() != rows)
            state.SkipWithError("rows went missing");

        double total = 0;
        for (const double micros : blockMicros)
            total += micros;
        state.SetIterationTime(total / 1e6);
        state.counters["first10k_us_per_row"] = blockMicros.front() / block;
        state.counters["last10k_us_per_row"] = blockMicros.back() / block;
        state.counters["last_over_first"] = blockMicros.back() / blockMicros.front();
        state.counters["bytes_per_row"] = double(after - before) * 1024.0 / rows;
    }
}

BENCHMARK(BM_InsertAtTop)
    ->ArgNames({"kind", "paged"})
    ->Args({PlainTextsAfter, 0})
    ->Args({PlainTextsFirst, 0})
    ->Args({EnhListView, 0})
    ->Args({PlainTextsFirst, 1})
    ->Args({EnhListView, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
