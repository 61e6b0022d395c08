#include "shell/EnhListView.h"

#include "platform/ShellOpen.h"
#include "tests/platform/TempRegistryFile.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using View = TdfsEnhListView;

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

using Rows = std::vector<std::vector<const char *>>;

// The views of the program: their columns, sorting and key.
struct Design
{
    std::vector<std::pair<QString, int>> columns;
    View::TAutoColumnSort sort = View::acsNoSort;
    bool arrows = false;
    QString key = QString();
};

const Design mailList{{{QStringLiteral("Email"), 150}, {QStringLiteral("Source"), 220}}};
const Design queueList{{{QStringLiteral("Queues"), 135}, {QStringLiteral("Level No"), 60}}};
const Design engineList{{{QStringLiteral("Search Engine"), 270}}, View::acsSortToggle, true, QStringLiteral("EngineOption")};
const QString baidu = QString::fromUtf8("\xE7\x99\xBE\xE5\xBA\xA6");

// Built as a form builds one: designed properties, columns and rows first, then Loaded().
std::unique_ptr<View> makeView(const Design &design, const Rows &rows = {}, bool autoSave = true)
{
    auto view = std::make_unique<View>();
    view->setAutoColumnSort(design.sort);
    view->setShowSortArrows(design.arrows);
    view->SaveSettings().AutoSave = autoSave;
    view->SaveSettings().RegistryKey = design.key;
    QStringList captions;
    for (const auto &column : design.columns)
        captions.append(column.first);
    view->setColumns(captions);
    for (int c = 0; c < int(design.columns.size()); ++c)
        view->setColumnWidth(c, design.columns[size_t(c)].second);
    for (const std::vector<const char *> &row : rows) {
        QStringList texts;
        for (const char *text : row)
            texts.append(QString::fromUtf8(text));
        view->AddItem(texts);
    }
    view->Loaded();
    view->resize(500, 200);
    view->show();
    return view;
}

std::unique_ptr<View> makeEngineList()
{
    return makeView(engineList, {{"\xE7\x99\xBE\xE5\xBA\xA6"}, {"Google(English)"}, {"Google(Simplified Chinese)"}});
}

QStringList column(const View &view, int c = 0)
{
    QStringList texts;
    for (int row = 0; row < view.RowCount(); ++row)
        texts.append(view.Text(row, c));
    return texts;
}

std::vector<int> widths(const View &view)
{
    std::vector<int> result;
    for (int c = 0; c < view.columnCount(); ++c)
        result.push_back(view.columnWidth(c));
    return result;
}

void clickHeader(View &view, int c)
{
    QHeaderView *header = view.header();
    const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void store(const QString &key, const QString &name, const QString &value)
{
    const std::optional<RegistryKey> open = RegistryKey::open(RegistryKey::currentUser, key, true);
    ASSERT_TRUE(open && open->writeString(name, value));
}

// Smart comparison reads dates and numbers in the user's formats; the tests fix them.
class EnhListView : public testing::Test
{
protected:
    EnhListView() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~EnhListView() override { QLocale::setDefault(previous_); }

    const TempRegistryFile store_;

private:
    QLocale previous_;
};

} // namespace

TEST_F(EnhListView, EngineListComesUpSortedAndEachHeaderClickTurnsTheDirection)
{
    auto view = makeEngineList();
    const QStringList ascending{QStringLiteral("Google(English)"), QStringLiteral("Google(Simplified Chinese)"), baidu};
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(column(*view), ascending);
    EXPECT_EQ(view->SortColumn(), 0);
    EXPECT_TRUE(view->header()->isSortIndicatorShown());
    EXPECT_EQ(view->header()->sortIndicatorSection(), 0);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    // The click event comes after the direction is settled and before the rows move.
    std::vector<std::pair<int, QString>> clicks;
    QObject::connect(view.get(), &View::ColumnClick, view.get(), [&](int c) {
        clicks.emplace_back(c, view->Text(0, 0));
        EXPECT_EQ(view->CurrentSortAscending(), clicks.size() == 2);
    });
    clickHeader(*view, 0);
    EXPECT_EQ(column(*view), descending);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(*view, 0);
    EXPECT_EQ(column(*view), ascending);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    const std::vector<std::pair<int, QString>> expected{{0, ascending.first()}, {0, descending.first()}};
    EXPECT_EQ(clicks, expected);
    EXPECT_FALSE(QFileInfo::exists(store_.path())) << "settings are saved when the view goes, not before";
}

TEST_F(EnhListView, ResultListKeepsItsOrderWhateverHeaderIsClicked)
{
    auto view = makeView(mailList);
    for (const char *address : {"b@x.org", "c@x.org", "a@x.org"})
        view->InsertItem(0, {QString::fromLatin1(address), QStringLiteral("http://x.org/")});
    const QStringList newestFirst{QStringLiteral("a@x.org"), QStringLiteral("c@x.org"), QStringLiteral("b@x.org")};
    EXPECT_EQ(column(*view), newestFirst);

    std::vector<int> clicks;
    QObject::connect(view.get(), &View::ColumnClick, view.get(), [&](int c) { clicks.push_back(c); });
    clickHeader(*view, 1);
    EXPECT_EQ(view->SortColumn(), 1);
    clickHeader(*view, 0);
    clickHeader(*view, 0);
    EXPECT_EQ(view->SortColumn(), 0);
    EXPECT_EQ(clicks, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(column(*view), newestFirst);
    EXPECT_EQ(column(*view, 1), QStringList(3, QStringLiteral("http://x.org/")));
}

TEST_F(EnhListView, HeaderClickSettlesTheDirectionByTheSortMode)
{
    // Column 0 and column 1 order the rows differently.
    const Rows rows{{"b", "1"}, {"a", "3"}, {"c", "2"}};
    struct Step
    {
        int click;
        bool ascending;
        const char *order; // column 0 after the click
    };
    struct Case
    {
        const char *name;
        View::TAutoColumnSort sort;
        bool autoSortAscending;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"toggle, new column takes AutoSortAscending", View::acsSortToggle, false,
         {{1, false, "acb"}, {1, true, "bca"}, {0, false, "cba"}, {0, true, "abc"}}},
        {"sort keeps the direction", View::acsSort, false, {{1, true, "bca"}, {1, true, "bca"}, {0, true, "abc"}}},
        {"no sort", View::acsNoSort, false, {{1, true, "bac"}, {0, true, "bac"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto view = makeView({mailList.columns, c.sort}, rows, false);
        view->setAutoSortAscending(c.autoSortAscending);
        for (const Step &step : c.steps) {
            clickHeader(*view, step.click);
            EXPECT_EQ(view->SortColumn(), step.click);
            EXPECT_EQ(view->CurrentSortAscending(), step.ascending);
            EXPECT_EQ(column(*view).join(QString()), QString::fromLatin1(step.order));
        }
    }
}

TEST_F(EnhListView, SmartStyleSortsNumbersAndDatesByValueAndMixedTextsAsText)
{
    struct Case
    {
        View::TAutoSortStyle style;
        std::vector<const char *> texts;
        std::vector<const char *> sorted;
    };
    const Case cases[] = {
        {View::assSmart, {"10", "9", "100"}, {"9", "10", "100"}},
        {View::assDefault, {"10", "9", "100"}, {"10", "100", "9"}},
        {View::assSmart, {"12/31/2023", "1/2/2024", "3/15/2023"}, {"3/15/2023", "12/31/2023", "1/2/2024"}},
        {View::assSmart, {"10", "1/2/2024", "9"}, {"1/2/2024", "9", "10"}},
        {View::assSmart, {"b", "B", "a"}, {"a", "b", "B"}},
    };
    for (const Case &c : cases) {
        Rows rows;
        QStringList sorted;
        for (size_t i = 0; i < c.texts.size(); ++i) {
            rows.push_back({c.texts[i]});
            sorted.append(QString::fromUtf8(c.sorted[i]));
        }
        SCOPED_TRACE(sorted.join(QLatin1Char(' ')).toStdString());
        auto view = makeView({{{QStringLiteral("Value"), 100}}, View::acsSort}, rows, false);
        view->setAutoSortStyle(c.style);
        clickHeader(*view, 0);
        EXPECT_EQ(column(*view), sorted);
    }
}

TEST_F(EnhListView, MissingCellSortsAsEmptyAndDescendingReversesEveryComparison)
{
    auto view = makeView({mailList.columns, View::acsSortToggle}, {{"c", "10"}, {"a"}, {"b", "2"}, {"d", "2"}}, false);
    clickHeader(*view, 1);
    EXPECT_EQ(column(*view), strings({"a", "b", "d", "c"}));
    clickHeader(*view, 1);
    // Equal rows keep their order, so they are not simply the list turned round.
    EXPECT_EQ(column(*view), strings({"c", "b", "d", "a"}));
}

TEST_F(EnhListView, SortKeepsTheSelectionAndTheCurrentRow)
{
    auto view = makeView({mailList.columns, View::acsSortToggle}, {{"b"}, {"a"}, {"c"}}, false);
    view->SetCurrentRow(0); // "b"
    view->selectionModel()->select(view->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    clickHeader(*view, 0);
    ASSERT_EQ(column(*view), strings({"c", "b", "a"}));
    EXPECT_EQ(view->CurrentRow(), 1);
    EXPECT_TRUE(view->IsRowSelected(1));
    EXPECT_TRUE(view->IsRowSelected(0));
    EXPECT_FALSE(view->IsRowSelected(2));
}

TEST_F(EnhListView, InsertionResortsUnlessInABatchWhichSortsOnceAtItsEnd)
{
    auto view = makeView({mailList.columns, View::acsSort}, {{"m"}}, false);
    EXPECT_EQ(view->AddItem(strings({"c"})), 0) << "the row number after the sort";
    EXPECT_EQ(column(*view), strings({"c", "m"})) << "insertion sorts at once";
    EXPECT_EQ(view->InsertItem(0, strings({"n"})), 2);
    view->SetText(2, 0, QStringLiteral("a"));
    EXPECT_EQ(column(*view), strings({"c", "m", "a"})) << "a changed text waits for the next sort";
    view->SortItems();
    EXPECT_EQ(column(*view), strings({"a", "c", "m"}));

    view->BeginUpdate();
    view->BeginUpdate();
    view->InsertItem(3, strings({"b"}));
    view->AddItem(strings({"0"}));
    QCoreApplication::processEvents();
    view->EndUpdate();
    EXPECT_EQ(column(*view), strings({"a", "c", "m", "b", "0"}));
    view->EndUpdate();
    EXPECT_EQ(column(*view), strings({"0", "a", "b", "c", "m"}));
    view->EndUpdate(); // one too many does nothing
    EXPECT_TRUE(view->updatesEnabled());

    view->setAutoResort(false);
    view->AddItem(strings({"1"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(column(*view).last(), QStringLiteral("1"));

    auto unsorted = makeView(mailList, {{"m"}}, false);
    unsorted->AddItem(strings({"a"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(column(*unsorted), strings({"m", "a"}));
}

TEST_F(EnhListView, NoColumnResizeLocksTheDividersAndTheFitShortcut)
{
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "free");
        auto view = makeView(mailList, {{"a.rather.long.address@somewhere.example.org", "x"}}, false);
        view->setNoColumnResize(locked);
        EXPECT_EQ(view->header()->sectionResizeMode(0), locked ? QHeaderView::Fixed : QHeaderView::Interactive);
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        if (locked)
            EXPECT_EQ(widths(*view), (std::vector<int>{150, 220}));
        else
            EXPECT_GT(view->columnWidth(0), 150);
    }
}

TEST_F(EnhListView, SettingsAreStoredWhenTheViewGoesAndComeBackInTheNextOne)
{
    {
        auto view = makeEngineList();
        view->setColumnWidth(0, 200);
        clickHeader(*view, 0);
    }
    EXPECT_EQ(store_.read(), "REGEDIT4\n\n"
                             "[HKEY_CURRENT_USER\\EngineOption\\Columns]\n\"Sizes\"=\"200\"\n\n"
                             "[HKEY_CURRENT_USER\\EngineOption\\Sort]\n\"Ascending\"=\"0\"\n\"SortCol\"=\"0\"\n\n"
                             "[HKEY_CURRENT_USER\\EngineOption\\ViewStyle]\n\"ViewStyle\"=\"3\"\n");

    auto next = makeEngineList();
    EXPECT_EQ(widths(*next), std::vector<int>{200});
    EXPECT_FALSE(next->CurrentSortAscending());
    EXPECT_EQ(column(*next).first(), baidu);
    EXPECT_EQ(next->header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(EnhListView, FourPanelViewsShareTheRootKeyAndTheLastSavedDecides)
{
    {
        auto robotMail = makeView(mailList);
        auto robotQueue = makeView(queueList);
        auto engineMail = makeView(mailList);
        auto engineQueue = makeView(queueList);
        robotMail->setColumnWidth(0, 300);
        // Destroyed in reverse: the robot panel's address list saves last.
    }
    const std::optional<RegistryKey> columns = RegistryKey::open(RegistryKey::currentUser, QStringLiteral("Columns"), false);
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->readString(QStringLiteral("Sizes")), QStringLiteral("300,220"));
    for (const Design *design : {&mailList, &queueList, &mailList, &queueList}) {
        auto view = makeView(*design);
        EXPECT_EQ(widths(*view), (std::vector<int>{300, 220}));
    }
}

TEST_F(EnhListView, StoredSizesGoToTheirOwnColumnsAndBadPiecesAreSkipped)
{
    struct Case
    {
        const char *sizes;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"120", {120, 220}},      {"120,80,99", {120, 80}}, {"", {150, 220}},        {"120,abc", {120, 220}},
        {"abc,80", {150, 80}},    {",80", {150, 80}},       {"-5,80", {150, 80}},    {"40000,80", {150, 80}},
        {"1.5e2,80", {150, 80}},  {"120;80", {150, 220}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sizes);
        store(QStringLiteral("Columns"), QStringLiteral("Sizes"), QString::fromLatin1(c.sizes));
        auto view = makeView(mailList, {}, true);
        EXPECT_EQ(widths(*view), c.expected);
        view->SaveSettings().AutoSave = false;
    }
}

TEST_F(EnhListView, StoredSortIsClampedToTheColumnsAndSortsOnce)
{
    struct Case
    {
        const char *ascending; // nullptr: not stored
        const char *sortCol;
        int column;
        bool isAscending;
        const char *order;
    };
    const Case cases[] = {
        {nullptr, nullptr, 0, true, "abc"}, {"1", "1", 1, true, "bca"}, {"0", "5", 1, false, "acb"},
        {"1", "-3", 0, true, "abc"},        {"x", "y", 0, true, "abc"}, {"0", "0", 0, false, "cba"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.ascending ? c.ascending : "-") << "," << (c.sortCol ? c.sortCol : "-"));
        const TempRegistryFile fresh;
        if (c.ascending != nullptr) {
            store(QStringLiteral("Sort"), QStringLiteral("Ascending"), QString::fromLatin1(c.ascending));
            store(QStringLiteral("Sort"), QStringLiteral("SortCol"), QString::fromLatin1(c.sortCol));
        }
        auto view = makeView({mailList.columns, View::acsSort}, {{"b", "1"}, {"a", "3"}, {"c", "2"}});
        EXPECT_EQ(view->SortColumn(), c.column);
        EXPECT_EQ(view->CurrentSortAscending(), c.isAscending);
        EXPECT_EQ(column(*view).join(QString()), QString::fromLatin1(c.order));
        view->SaveSettings().AutoSave = false;
    }
}

TEST_F(EnhListView, ViewStyleLoadsOnlyKnownStyles)
{
    const std::pair<const char *, View::TViewStyle> cases[] = {
        {"2", View::vsList}, {"0", View::vsIcon}, {"7", View::vsReport}, {"", View::vsReport}, {"-1", View::vsReport}};
    for (const auto &[stored, expected] : cases) {
        SCOPED_TRACE(stored);
        store(QStringLiteral("ViewStyle"), QStringLiteral("ViewStyle"), QString::fromLatin1(stored));
        auto view = makeView(mailList);
        EXPECT_EQ(view->ViewStyle(), expected);
        view->SaveSettings().AutoSave = false;
    }
}

TEST_F(EnhListView, OnlySwitchedOnSettingsOfALoadedViewWithColumnsAreStored)
{
    {
        auto view = makeView(mailList);
        view->SaveSettings().SaveColumnSizes = false;
        view->SaveSettings().SaveCurrentSort = false;
    }
    EXPECT_EQ(store_.read(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\ViewStyle]\n\"ViewStyle\"=\"3\"\n");

    const QByteArray before = store_.read();
    {
        auto manual = makeView(mailList, {}, false);
        manual->setColumnWidth(0, 10);
        auto noColumns = makeView({{}});
        noColumns->setColumns({});
        View unloaded; // destroyed before its form finished building it
        unloaded.SaveSettings().AutoSave = true;
        unloaded.setColumns({QStringLiteral("Email"), QStringLiteral("Source")});
    }
    EXPECT_EQ(store_.read(), before);
}

TEST_F(EnhListView, InsertingClampsThePositionAndSetsEveryCell)
{
    auto view = makeView(mailList);
    view->InsertItem(5, strings({"late", "x"}));
    view->InsertItem(-2, strings({"early"}));
    EXPECT_EQ(column(*view), strings({"early", "late"}));
    EXPECT_EQ(column(*view, 1), strings({"", "x"}));
}

TEST_F(EnhListView, CtrlCAndTheCopyMenuTakeTheSelectedRowsOutTopToBottom)
{
    auto view = makeView(mailList);
    for (const auto &[address, page] : std::vector<std::pair<const char *, const char *>>{
             {"d@w.org", ""}, {"c@z.org", "ftp://z.org/"}, {"b@y.org", "HTTPS://y.org/p q"}, {"a@x.org", "http://x.org/"}})
        view->InsertItem(0, strings({address, page}));
    EXPECT_EQ(view->findChild<QAction *>(QStringLiteral("actCopyAddress")), nullptr) << "no menu unless switched on";
    view->setCopyMenu(1);
    const auto action = [&](const char *name) { return view->findChild<QAction *>(QString::fromLatin1(name)); };
    ASSERT_TRUE(action("actCopyAddress") && action("actCopySource") && action("actOpenSource"));
    QStringList opened;
    const ShellOpen::Launcher previous = ShellOpen::setLauncher([&](const QString &page) { opened.append(page); });

    struct Case
    {
        std::vector<int> selected; // in the order they are picked; the current row is the last
        bool wholeRows;            // else only the first cell of each row
        const char *rows, *addresses, *sources, *opened;
    };
    const Case cases[] = {
        {{0, 2}, true, "a@x.org\thttp://x.org/\nc@z.org\tftp://z.org/", "a@x.org\nc@z.org", "http://x.org/\nftp://z.org/",
         ""},
        {{0, 1}, false, "a@x.org\thttp://x.org/\nb@y.org\tHTTPS://y.org/p q", "a@x.org\nb@y.org",
         "http://x.org/\nHTTPS://y.org/p q", "https://y.org/p%20q"},
        {{3}, true, "d@w.org\t", "d@w.org", "", ""},
        {{}, true, "", "", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows);
        view->clearSelection();
        view->setSelectionBehavior(c.wholeRows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
        for (const int row : c.selected) {
            const QModelIndex cell = view->model()->index(row, 0);
            view->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::Select);
        }
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.selected.empty() ? QStringLiteral("before") : QString::fromUtf8(c.rows));
        EXPECT_EQ(action("actCopyAddress")->isEnabled(), !c.selected.empty());
        EXPECT_EQ(action("actOpenSource")->isEnabled(), *c.opened != '\0');
        const std::pair<const char *, const char *> copies[] = {{"actCopyAddress", c.addresses}, {"actCopySource", c.sources}};
        for (const auto &[name, expected] : copies) {
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            action(name)->trigger();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), c.selected.empty() ? QStringLiteral("before") : QString::fromUtf8(expected));
        }
        opened.clear();
        action("actOpenSource")->trigger();
        EXPECT_EQ(opened, *c.opened ? QStringList{QString::fromUtf8(c.opened)} : QStringList());
    }
    ShellOpen::setLauncher(previous);
}

TEST_F(EnhListView, ALongListFilledAtTheTopWhileShownSortsByValueBothWays)
{
    auto view = makeView({mailList.columns, View::acsSortToggle}, {}, false);
    view->SetSort(-1, true); // filled unsorted, as the result lists are
    constexpr int rows = 3000;
    const auto value = [](int n) { return (n * 7919) % rows; }; // every value once, shuffled
    for (int n = 0; n < rows; ++n) {
        view->InsertItem(0, {QStringLiteral("a%1@x.org").arg(n), QString::number(value(n))});
        if (n % 100 == 99)
            QCoreApplication::processEvents();
    }
    const QString newest = view->Text(0, 0);
    view->SetCurrentRow(0);
    for (const bool ascending : {true, false}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        clickHeader(*view, 1);
        ASSERT_EQ(view->RowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            ASSERT_EQ(view->Text(row, 1).toInt(), ascending ? row : rows - 1 - row) << "by value, not as text";
            ASSERT_EQ(view->Text(row, 1).toInt(), value(view->Text(row, 0).mid(1).section(QLatin1Char('@'), 0, 0).toInt()))
                << "cells stay with their row";
        }
        ASSERT_EQ(view->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(view->Text(view->selectionModel()->selectedRows().front().row(), 0), newest);
        EXPECT_EQ(view->Text(view->CurrentRow(), 0), newest);
    }
}
