#include "shell/EnhListView.h"

#include "shell/EnhListRows.h"

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
#include <QShowEvent>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <utility>
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

TdfsEnhListView::TdfsEnhListView(QWidget *parent) : QTableView(parent), rows_(new TdfsEnhListRows(this))
{
    setModel(rows_);
    // A report list, as the platform's list view draws one: no grid and no row numbers, one
    // line a row, captions on the left, the last column as wide as it was made.
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    fitRowHeight();
    // Rows are taken out of the list by copying them, so the user can pick several, as in the
    // platform's list views with multiple selection.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setHighlightSections(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);

    geometriesHeld_.setSingleShot(true);
    connect(&geometriesHeld_, &QTimer::timeout, this, &TdfsEnhListView::updateGeometries);
    connect(this, &QAbstractItemView::iconSizeChanged, this, &TdfsEnhListView::fitRowHeight);
    connect(header(), &QHeaderView::sectionClicked, this, &TdfsEnhListView::headerClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &cell) {
        if (cell.isValid())
            Q_EMIT RowDoubleClicked(cell.row());
    });
}

TdfsEnhListView::~TdfsEnhListView()
{
    if (loaded_ && saveSettings_.AutoSave)
        StoreSettings();
}

QStringList TdfsEnhListView::Columns() const
{
    return rows_->captions();
}

void TdfsEnhListView::setColumns(const QStringList &captions)
{
    rows_->setCaptions(captions);
}

int TdfsEnhListView::columnCount() const
{
    return rows_->columnCount();
}

QString TdfsEnhListView::ColumnCaption(int column) const
{
    return rows_->captions().value(column);
}

void TdfsEnhListView::SetColumnCaption(int column, const QString &caption)
{
    rows_->setCaption(column, caption);
}

int TdfsEnhListView::RowCount() const
{
    return rows_->rowCount();
}

QString TdfsEnhListView::Text(int row, int column) const
{
    return rows_->text(row, column);
}

void TdfsEnhListView::SetText(int row, int column, const QString &text)
{
    rows_->setText(row, column, text);
}

int TdfsEnhListView::ImageIndex(int row) const
{
    return rows_->imageIndex(row);
}

void TdfsEnhListView::SetImageIndex(int row, int index)
{
    rows_->setImageIndex(row, index);
}

void TdfsEnhListView::setSmallImages(const QList<QIcon> &images)
{
    rows_->setImages(images);
}

void TdfsEnhListView::Clear()
{
    rows_->clear();
}

int TdfsEnhListView::CurrentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TdfsEnhListView::SetCurrentRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    selectionModel()->setCurrentIndex(rows_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool TdfsEnhListView::IsRowSelected(int row) const
{
    if (row < 0 || row >= RowCount())
        return false;
    for (int column = 0; column < columnCount(); ++column) {
        if (selectionModel()->isSelected(rows_->index(row, column)))
            return true;
    }
    return false;
}

// Rows are one line of the list's font; the table view would size them for its own editors.
void TdfsEnhListView::fitRowHeight()
{
    const int iconHeight = iconSize().isValid() ? iconSize().height() : 0;
    const int line = std::max(fontMetrics().height(), iconHeight) + 2 * style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this);
    verticalHeader()->setDefaultSectionSize(std::max(line, 1));
}

// Every inserted row has the view measure its header and set its scroll bars again on the next
// turn of the event loop; a crawl adds rows on nearly every turn, and that measuring cost more
// than the rest of listing them. A resize or any other change still counts at once.
void TdfsEnhListView::updateGeometries()
{
    if (std::exchange(rowsAddedSinceGeometries_, false) && sinceGeometries_.isValid()
        && sinceGeometries_.elapsed() < geometriesInterval.count()) {
        rowsAddedSinceGeometries_ = true;
        if (!geometriesHeld_.isActive())
            geometriesHeld_.start(geometriesInterval - std::chrono::milliseconds(sinceGeometries_.elapsed()));
        return;
    }
    geometriesHeld_.stop();
    sinceGeometries_.start();
    QTableView::updateGeometries();
}

void TdfsEnhListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitRowHeight();
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

int TdfsEnhListView::InsertItem(int index, const QStringList &texts)
{
    const int row = std::clamp(index, 0, RowCount());
    rowsAddedSinceGeometries_ = true;
    rows_->insert(row, texts);
    if (!resortDue())
        return row;
    if (updateCount_ > 0) {
        resortPending_ = true;
        return row;
    }
    // Where the new row went: it is the one the model moved from `row`.
    const QPersistentModelIndex inserted(rows_->index(row, 0));
    SortItems();
    return inserted.row();
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

void TdfsEnhListView::SortItems()
{
    const int column = sortColumn_;
    const int count = RowCount();
    if (column < 0 || column >= columnCount() || count < 2)
        return;

    std::vector<std::pair<SmartComparer::Key, int>> keyed;
    keyed.reserve(size_t(count));
    const SmartComparer comparer;
    for (int row = 0; row < count; ++row) {
        const QString text = rows_->text(row, column);
        keyed.emplace_back(autoSortStyle_ == assSmart ? comparer.key(text) : SmartComparer::Key{text, {}, {}}, row);
    }
    // Descending reverses every comparison; rows that compare equal keep their order.
    const int sign = ascending_ ? 1 : -1;
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
        return sign * comparer.compare(a.first, b.first) < 0;
    });
    std::vector<int> order;
    order.reserve(size_t(count));
    bool moved = false;
    for (int row = 0; row < count; ++row) {
        order.push_back(keyed[size_t(row)].second);
        moved = moved || order.back() != row;
    }
    if (moved)
        rows_->reorder(order);
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
    QTableView::keyPressEvent(event);
}

std::vector<int> TdfsEnhListView::selectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
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
        QStringList cells;
        for (int column = 0; column < columnCount(); ++column)
            cells.append(rows_->text(row, column));
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
        lines.append(rows_->text(row, column));
    return lines.join(QLatin1Char('\n'));
}

// The page of the row the menu was opened on (the current one, which a right click selects), or
// of the first selected row; only web pages are handed to the browser.
QString TdfsEnhListView::pageToOpen() const
{
    int row = CurrentRow();
    if (!IsRowSelected(row)) {
        const std::vector<int> rows = selectedRows();
        row = rows.empty() ? -1 : rows.front();
    }
    if (row < 0 || copyMenuSourceColumn_ < 0)
        return QString();
    const QUrl page(rows_->text(row, copyMenuSourceColumn_).trimmed());
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
        QTableView::contextMenuEvent(event);
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
    return QTableView::event(event);
}

void TdfsEnhListView::showEvent(QShowEvent *event)
{
    Loaded();
    QTableView::showEvent(event);
}
