#include "shell/EnhListView.h"

#include "platform/RegistryStore.h"
#include "platform/ShellOpen.h"
#include "shell/SmartCompare.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const QString columnsKey = QStringLiteral("Columns");
const QString sizesValue = QStringLiteral("Sizes");
const QString sortKey = QStringLiteral("Sort");
const QString ascendingValue = QStringLiteral("Ascending");
const QString sortColValue = QStringLiteral("SortCol");
const QString viewStyleKey = QStringLiteral("ViewStyle");

// Widths a hand edit could make absurd are ignored like any other piece that is not a width.
constexpr int maxColumnWidth = 32767;

std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TdfsEnhListView::TdfsEnhListView(QWidget *parent) : QTreeWidget(parent)
{
    // A flat report list, as the platform's list view draws one: no tree decoration, columns
    // in their own order, the last one as wide as it was made.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    // Rows are taken out of the list by copying them, so the user can pick several, as in the
    // platform's list views with multiple selection.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);

    connect(header(), &QHeaderView::sectionClicked, this, &TdfsEnhListView::headerClicked);
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &where, int, int) {
        if (!where.isValid() && !rearranging_)
            requestResort();
    });
}

TdfsEnhListView::~TdfsEnhListView()
{
    if (loaded_ && saveSettings_.AutoSave)
        StoreSettings();
}

void TdfsEnhListView::setShowSortArrows(bool value)
{
    showSortArrows_ = value;
    header()->setSortIndicatorShown(value);
    updateSortIndicator();
}

void TdfsEnhListView::setNoColumnResize(bool value)
{
    noColumnResize_ = value;
    header()->setSectionResizeMode(value ? QHeaderView::Fixed : QHeaderView::Interactive);
}

void TdfsEnhListView::SetSort(int column, bool ascending)
{
    sortColumn_ = column;
    ascending_ = ascending;
    updateSortIndicator();
    if (autoColumnSort_ != acsNoSort)
        SortItems();
}

void TdfsEnhListView::Loaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    if (saveSettings_.AutoSave)
        LoadSettings();
    if (sortColumn_ < 0 && columnCount() > 0)
        sortColumn_ = 0;
    updateSortIndicator();
}

void TdfsEnhListView::LoadSettings()
{
    if (saveSettings_.SaveColumnSizes)
        loadColumnSizes();
    if (saveSettings_.SaveCurrentSort)
        loadSort();
    if (saveSettings_.SaveViewStyle)
        loadViewStyle();
}

// Each stored width goes to the column in the same position. A piece that is not a whole
// number from 0 to 32767 (a hand edit, a damaged file) leaves its column as designed and the
// pieces after it still go to their own columns: the list is positional, so skipping a piece
// must not shift the others onto the wrong columns.
void TdfsEnhListView::loadColumnSizes()
{
    const QString sizes = readSetting(columnsKey, sizesValue, QString());
    if (sizes.isEmpty())
        return;
    const QStringList pieces = sizes.split(QLatin1Char(','));
    const int count = std::min<int>(columnCount(), int(pieces.size()));
    for (int column = 0; column < count; ++column) {
        const std::optional<int> width = wholeNumber(pieces.at(column));
        if (width && *width >= 0 && *width <= maxColumnWidth)
            setColumnWidth(column, *width);
    }
}

void TdfsEnhListView::loadSort()
{
    const std::optional<int> ascending = wholeNumber(readSetting(sortKey, ascendingValue, QStringLiteral("1")));
    const int stored = wholeNumber(readSetting(sortKey, sortColValue, QStringLiteral("0"))).value_or(0);
    const int column = columnCount() > 0 ? std::clamp(stored, 0, columnCount() - 1) : -1;
    SetSort(column, ascending.value_or(1) != 0);
}

void TdfsEnhListView::loadViewStyle()
{
    const std::optional<int> style = wholeNumber(readSetting(viewStyleKey, viewStyleKey, QString()));
    if (style && *style >= vsIcon && *style <= vsReport)
        viewStyle_ = static_cast<TViewStyle>(*style);
}

// Values that cannot be stored are lost silently: this runs while the view is destroyed, where
// an error could not be reported to anyone.
void TdfsEnhListView::StoreSettings() const
{
    const int columns = columnCount();
    if (columns == 0)
        return;
    const auto write = [this](const QString &subKey, const std::vector<std::pair<QString, RegistryText::Data>> &values) {
        if (const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, keyPath(subKey), true))
            key->writeValues(values);
    };
    if (saveSettings_.SaveColumnSizes) {
        QStringList widths;
        for (int column = 0; column < columns; ++column)
            widths.append(QString::number(columnWidth(column)));
        write(columnsKey, {{sizesValue, widths.join(QLatin1Char(','))}});
    }
    if (saveSettings_.SaveCurrentSort) {
        write(sortKey, {{ascendingValue, ascending_ ? QStringLiteral("1") : QStringLiteral("0")},
                        {sortColValue, QString::number(sortColumn_)}});
    }
    if (saveSettings_.SaveViewStyle)
        write(viewStyleKey, {{viewStyleKey, QString::number(int(viewStyle_))}});
}

QString TdfsEnhListView::keyPath(const QString &subKey) const
{
    return saveSettings_.RegistryKey + QLatin1Char('\\') + subKey;
}

QString TdfsEnhListView::readSetting(const QString &subKey, const QString &name, const QString &fallback) const
{
    const std::optional<RegistryKey> key = RegistryKey::open(RegistryKey::currentUser, keyPath(subKey), false);
    if (!key)
        return fallback;
    return key->readString(name).value_or(fallback);
}

void TdfsEnhListView::BeginUpdate()
{
    if (updateCount_++ == 0)
        setUpdatesEnabled(false);
}

void TdfsEnhListView::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    if (--updateCount_ > 0)
        return;
    setUpdatesEnabled(true);
    if (resortPending_) {
        resortPending_ = false;
        if (resortDue())
            SortItems();
    }
}

QTreeWidgetItem *TdfsEnhListView::InsertItem(int index, const QStringList &texts)
{
    auto *item = new QTreeWidgetItem(texts);
    // Rows never have rows below them; saying so spares the tree view a look into every row
    // each time it lays the list out, which it does in full after every insertion.
    item->setFlags(item->flags() | Qt::ItemNeverHasChildren);
    {
        const QScopedValueRollback<bool> own(rearranging_, true);
        insertTopLevelItem(std::clamp(index, 0, topLevelItemCount()), item);
    }
    // Not inside a model notification here, so the sort can run at once.
    if (resortDue()) {
        if (updateCount_ > 0)
            resortPending_ = true;
        else
            SortItems();
    }
    return item;
}

void TdfsEnhListView::headerClicked(int column)
{
    if (autoColumnSort_ == acsSortToggle)
        ascending_ = column == sortColumn_ ? !ascending_ : autoSortAscending_;
    Q_EMIT ColumnClick(column);
    sortColumn_ = column;
    if (autoColumnSort_ != acsNoSort)
        SortItems();
    // The header turns its own arrow on a click; ours says what the rows show.
    updateSortIndicator();
}

bool TdfsEnhListView::resortDue() const
{
    return autoResort_ && autoColumnSort_ != acsNoSort && sortColumn_ >= 0 && sortColumn_ < columnCount();
}

// A change reported by the model (a row inserted through the tree widget's own calls, an edit
// being committed) cannot move rows while the model and the view are still handling it, so the
// sort follows once control is back in the event loop.
void TdfsEnhListView::requestResort()
{
    if (!resortDue())
        return;
    if (updateCount_ > 0) {
        resortPending_ = true;
        return;
    }
    if (resortQueued_)
        return;
    resortQueued_ = true;
    QMetaObject::invokeMethod(this, &TdfsEnhListView::resortNow, Qt::QueuedConnection);
}

void TdfsEnhListView::resortNow()
{
    resortQueued_ = false;
    if (updateCount_ > 0)
        resortPending_ = true;
    else if (resortDue())
        SortItems();
}

void TdfsEnhListView::SortItems()
{
    const int column = sortColumn_;
    const int count = topLevelItemCount();
    if (column < 0 || column >= columnCount() || count < 2)
        return;

    std::vector<std::pair<SmartComparer::Key, QTreeWidgetItem *>> rows;
    rows.reserve(size_t(count));
    const SmartComparer comparer;
    for (int row = 0; row < count; ++row) {
        QTreeWidgetItem *item = topLevelItem(row);
        const QString text = item->text(column);
        rows.emplace_back(autoSortStyle_ == assSmart ? comparer.key(text) : SmartComparer::Key{text, {}, {}}, item);
    }
    // Descending reverses every comparison; rows that compare equal keep their order.
    const int sign = ascending_ ? 1 : -1;
    std::stable_sort(rows.begin(), rows.end(), [&](const auto &a, const auto &b) {
        return sign * comparer.compare(a.first, b.first) < 0;
    });
    bool moved = false;
    for (int row = 0; row < count && !moved; ++row)
        moved = rows[size_t(row)].second != topLevelItem(row);
    if (!moved)
        return;

    // The tree widget sorts only by its items' own order, so the rows are taken out and put
    // back; what the user had selected and where the cursor was survive the move.
    QTreeWidgetItem *current = currentItem();
    const QList<QTreeWidgetItem *> selected = selectedItems();
    QList<QTreeWidgetItem *> sorted;
    sorted.reserve(count);
    for (const auto &row : rows)
        sorted.append(row.second);
    {
        const QScopedValueRollback<bool> own(rearranging_, true);
        QTreeWidgetItem *root = invisibleRootItem();
        (void)root->takeChildren();
        root->addChildren(sorted);
    }
    if (current != nullptr)
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem *item : selected)
        item->setSelected(true);
}

void TdfsEnhListView::updateSortIndicator()
{
    const bool valid = sortColumn_ >= 0 && sortColumn_ < columnCount();
    header()->setSortIndicator(valid ? sortColumn_ : -1, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// Ctrl + keypad plus fits every column to its contents, as the platform's list view does.
void TdfsEnhListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Plus && event->modifiers() == (Qt::ControlModifier | Qt::KeypadModifier)) {
        if (!noColumnResize_) {
            for (int column = 0; column < columnCount(); ++column)
                resizeColumnToContents(column);
        }
        event->accept();
        return;
    }
    // The item view would copy only the current cell.
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedRows();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

std::vector<int> TdfsEnhListView::selectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    // Ranges come in the order they were selected, and cells of one row make ranges of their own.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool TdfsEnhListView::HasSelectedRows() const
{
    return selectionModel()->hasSelection();
}

QString TdfsEnhListView::SelectedRowsText() const
{
    QStringList lines;
    for (const int row : selectedRows()) {
        const QTreeWidgetItem *item = topLevelItem(row);
        QStringList cells;
        for (int column = 0; column < columnCount(); ++column)
            cells.append(item->text(column));
        lines.append(cells.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n'));
}

void TdfsEnhListView::CopySelectedRows()
{
    if (HasSelectedRows())
        QGuiApplication::clipboard()->setText(SelectedRowsText());
}

QString TdfsEnhListView::columnOfSelectedRows(int column) const
{
    QStringList lines;
    for (const int row : selectedRows())
        lines.append(topLevelItem(row)->text(column));
    return lines.join(QLatin1Char('\n'));
}

// The page of the row the menu was opened on (the current one, which a right click selects), or
// of the first selected row; only web pages are handed to the browser.
QString TdfsEnhListView::pageToOpen() const
{
    const QTreeWidgetItem *item = currentItem();
    if (item == nullptr || !item->isSelected()) {
        const std::vector<int> rows = selectedRows();
        item = rows.empty() ? nullptr : topLevelItem(rows.front());
    }
    if (item == nullptr || copyMenuSourceColumn_ < 0)
        return QString();
    const QUrl page(item->text(copyMenuSourceColumn_).trimmed());
    const QString scheme = page.scheme().toLower();
    if (!page.isValid() || page.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    return page.toString(QUrl::FullyEncoded);
}

void TdfsEnhListView::setCopyMenu(int sourceColumn)
{
    copyMenuSourceColumn_ = sourceColumn;
    if (sourceColumn < 0 || copyAddress_ != nullptr) {
        updateCopyMenu();
        return;
    }
    const auto action = [this](const char *name, const char *text, auto slot) {
        auto *created = new QAction(QString::fromLatin1(text), this);
        created->setObjectName(QString::fromLatin1(name));
        connect(created, &QAction::triggered, this, slot);
        return created;
    };
    copyAddress_ = action("actCopyAddress", "Copy address", [this] {
        if (HasSelectedRows())
            QGuiApplication::clipboard()->setText(columnOfSelectedRows(0));
    });
    copySource_ = action("actCopySource", "Copy source", [this] {
        if (HasSelectedRows() && copyMenuSourceColumn_ >= 0)
            QGuiApplication::clipboard()->setText(columnOfSelectedRows(copyMenuSourceColumn_));
    });
    openSource_ = action("actOpenSource", "Open source page", [this] {
        const QString page = pageToOpen();
        if (!page.isEmpty())
            ShellOpen::open(page);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TdfsEnhListView::updateCopyMenu);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TdfsEnhListView::updateCopyMenu);
    updateCopyMenu();
}

void TdfsEnhListView::updateCopyMenu()
{
    if (copyAddress_ == nullptr)
        return;
    const bool on = copyMenuSourceColumn_ >= 0;
    const bool selected = on && HasSelectedRows();
    copyAddress_->setEnabled(selected);
    copySource_->setEnabled(selected);
    openSource_->setEnabled(selected && !pageToOpen().isEmpty());
}

void TdfsEnhListView::contextMenuEvent(QContextMenuEvent *event)
{
    if (copyMenuSourceColumn_ < 0 || copyAddress_ == nullptr) {
        QTreeWidget::contextMenuEvent(event);
        return;
    }
    updateCopyMenu();
    QMenu menu(this);
    menu.addActions({copyAddress_, copySource_});
    menu.addSeparator();
    menu.addAction(openSource_);
    menu.exec(event->globalPos());
    event->accept();
}

// Ctrl+C belongs to the list while it has the focus, as it does to a text field: the window's
// own Copy command would copy the same rows, but other windows may give the keys another use.
bool TdfsEnhListView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTreeWidget::event(event);
}

void TdfsEnhListView::showEvent(QShowEvent *event)
{
    Loaded();
    QTreeWidget::showEvent(event);
}

void TdfsEnhListView::commitData(QWidget *editor)
{
    QTreeWidget::commitData(editor);
    requestResort();
}
