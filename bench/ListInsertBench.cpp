// The search panels put every address they find at the top of their address list, one row at a
// time, with sorting off; a long crawl lists 100,000 addresses. Inserting at the top must not get
// dearer as the list grows. Targets: the last 10,000 rows cost no more than 1.5 times the first
// 10,000, under 30 microseconds per row, and under 1 KiB of memory per row.
//
// Baselines in the same run: a plain tree widget given the texts first, and a tree view over a row
// model as lean as one can be. The "paged" runs show the list and let the event loop lay it out
// and paint it after every 100 rows, as when each fetched page hands its addresses to the window.
//
// Shown, no tree view stays flat: a top-level insertion makes it rebuild its row index over the
// whole list on the next turn, uniform row heights or not, so the cost per turn grows with the
// list. The list view is a table view over rows of its own, which has no such pass.
//
//   scripts/build build-bench -DTRAWLEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   QT_QPA_PLATFORM=offscreen build-bench/bin/bench_list_insert

#include "shell/EnhListView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTreeView>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <array>
#include <memory>
#include <vector>

namespace {

constexpr int rows = 100'000;
constexpr int block = 10'000;
constexpr int page = 100;

enum Kind { PlainTreeWidget, TreeOverModel, EnhListView };
const char *const kindNames[] = {"QTreeWidget", "QTreeView over a row model", "TdfsEnhListView::InsertItem"};

// The least a model of address rows can be: two texts a row, newest first.
class RowModel final : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(rows_.at(index.row())[size_t(index.column())]) : QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex &) const override
    {
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    }
    void prepend(const QString &address, const QString &source)
    {
        beginInsertRows({}, 0, 0);
        rows_.prepend({address, source});
        endInsertRows();
    }

private:
    QList<std::array<QString, 2>> rows_;
};

// One list under test: the widget and, for the model kinds, its model.
struct Subject
{
    Kind kind;
    std::unique_ptr<QAbstractItemView> view;
    RowModel model;

    int rowCount() const { return view->model()->rowCount(); }
};

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

std::unique_ptr<Subject> makeList(Kind kind)
{
    auto subject = std::make_unique<Subject>();
    subject->kind = kind;
    if (kind == TreeOverModel) {
        auto *tree = new QTreeView;
        tree->setModel(&subject->model);
        tree->setRootIsDecorated(false);
        tree->setUniformRowHeights(true);
        subject->view.reset(tree);
    } else if (kind == EnhListView) {
        auto *list = new TdfsEnhListView;
        list->setColumns({QStringLiteral("Email"), QStringLiteral("Source")});
        list->setColumnWidth(0, 150);
        list->setColumnWidth(1, 220);
        subject->view.reset(list);
    } else {
        auto *list = new QTreeWidget;
        list->setHeaderLabels({QStringLiteral("Email"), QStringLiteral("Source")});
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setColumnWidth(0, 150);
        list->setColumnWidth(1, 220);
        subject->view.reset(list);
    }
    subject->view->resize(393, 300);
    return subject;
}

void insertAtTop(Subject &list, int n)
{
    const QString address = QStringLiteral("someone%1@example%2.com").arg(n).arg(n % 97);
    const QString source = QStringLiteral("http://www.example%1.com/people/").arg(n % 97);
    switch (list.kind) {
    case PlainTreeWidget:
        static_cast<QTreeWidget *>(list.view.get())->insertTopLevelItem(0, new QTreeWidgetItem(QStringList{address, source}));
        break;
    case EnhListView:
        static_cast<TdfsEnhListView *>(list.view.get())->InsertItem(0, {address, source});
        break;
    case TreeOverModel:
        list.model.prepend(address, source);
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
            list->view->show();
        QCoreApplication::processEvents();
        const long before = residentKiB();

        std::vector<double> blockMicros;
        QElapsedTimer timer;
        for (int first = 0; first < rows; first += block) {
            timer.start();
            for (int n = first; n < first + block; ++n) {
                insertAtTop(*list, n);
                if (paged && (n + 1) % page == 0)
                    QCoreApplication::processEvents();
            }
            blockMicros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        }
        const long after = residentKiB();
        if (list->rowCount() != rows)
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
    ->Args({PlainTreeWidget, 0})
    ->Args({EnhListView, 0})
    ->Args({PlainTreeWidget, 1})
    ->Args({TreeOverModel, 1})
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
