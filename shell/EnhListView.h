#pragma once
// A report list that can sort itself when a column header is clicked and keeps its column
// widths, sort column, sort direction and view style in the per-user registry between runs.
// The search panels list found addresses and the link queue in it; the engine options dialog
// lists the search engines. A table view over rows of its own: a tree view lays out every row
// again after each insertion, which made a list of 100,000 found addresses ever slower to fill.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QHeaderView>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QTableView>

#include <chrono>
#include <vector>

class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QShowEvent;
class TdfsEnhListRows;

// Which settings are kept, and where: below HKEY_CURRENT_USER + RegistryKey, in the sub-keys
// "Columns" (Sizes), "Sort" (Ascending, SortCol) and "ViewStyle" (ViewStyle), all as strings.
// An empty RegistryKey is the root of the store itself, shared by every view that has it.
struct TdfsEnhListViewSaveSettings
{
    Q_GADGET
    Q_PROPERTY(bool AutoSave MEMBER AutoSave)
    Q_PROPERTY(QString RegistryKey MEMBER RegistryKey)
    Q_PROPERTY(bool SaveColumnSizes MEMBER SaveColumnSizes)
    Q_PROPERTY(bool SaveCurrentSort MEMBER SaveCurrentSort)
    Q_PROPERTY(bool SaveViewStyle MEMBER SaveViewStyle)

public:
    bool AutoSave = false; // save when the view is destroyed, load in Loaded()
    QString RegistryKey;
    bool SaveColumnSizes = true;
    bool SaveCurrentSort = true;
    bool SaveViewStyle = true;
};

class TdfsEnhListView final : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(TAutoColumnSort AutoColumnSort READ AutoColumnSort WRITE setAutoColumnSort)
    Q_PROPERTY(TAutoSortStyle AutoSortStyle READ AutoSortStyle WRITE setAutoSortStyle)
    Q_PROPERTY(bool AutoSortAscending READ AutoSortAscending WRITE setAutoSortAscending)
    Q_PROPERTY(bool AutoResort READ AutoResort WRITE setAutoResort)
    Q_PROPERTY(bool ShowSortArrows READ ShowSortArrows WRITE setShowSortArrows)
    Q_PROPERTY(bool NoColumnResize READ NoColumnResize WRITE setNoColumnResize)
    Q_PROPERTY(TViewStyle ViewStyle READ ViewStyle WRITE setViewStyle)
    Q_PROPERTY(TdfsEnhListViewSaveSettings SaveSettings READ SaveSettings WRITE setSaveSettings)
    Q_PROPERTY(QStringList Columns READ Columns WRITE setColumns)

public:
    enum TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };
    Q_ENUM(TAutoColumnSort)
    enum TAutoSortStyle { assSmart, assDefault };
    Q_ENUM(TAutoSortStyle)
    // Stored as 0 to 3. Only the report style is drawn; the others are kept and stored.
    enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
    Q_ENUM(TViewStyle)

    // While rows keep coming, the scroll bars and the header follow them at most this often.
    static constexpr std::chrono::milliseconds geometriesInterval{40};

    explicit TdfsEnhListView(QWidget *parent = nullptr);
    // Saves the settings (AutoSave) when the view has been loaded.
    ~TdfsEnhListView() override;

    TAutoColumnSort AutoColumnSort() const { return autoColumnSort_; }
    void setAutoColumnSort(TAutoColumnSort value) { autoColumnSort_ = value; }
    TAutoSortStyle AutoSortStyle() const { return autoSortStyle_; }
    void setAutoSortStyle(TAutoSortStyle value) { autoSortStyle_ = value; }
    // Direction taken when sorting by a column that was not the sort column.
    bool AutoSortAscending() const { return autoSortAscending_; }
    void setAutoSortAscending(bool value) { autoSortAscending_ = value; }
    // Sort again after a row is inserted (at once, or at the end of a batch).
    bool AutoResort() const { return autoResort_; }
    void setAutoResort(bool value) { autoResort_ = value; }
    bool ShowSortArrows() const { return showSortArrows_; }
    void setShowSortArrows(bool value);
    // Forbids resizing columns by dragging the header dividers and by Ctrl + keypad plus.
    bool NoColumnResize() const { return noColumnResize_; }
    void setNoColumnResize(bool value);
    TViewStyle ViewStyle() const { return viewStyle_; }
    void setViewStyle(TViewStyle value) { viewStyle_ = value; }

    TdfsEnhListViewSaveSettings &SaveSettings() { return saveSettings_; }
    const TdfsEnhListViewSaveSettings &SaveSettings() const { return saveSettings_; }
    void setSaveSettings(const TdfsEnhListViewSaveSettings &value) { saveSettings_ = value; }

    // The sort column, or -1 for none, and the current direction.
    int SortColumn() const { return sortColumn_; }
    bool CurrentSortAscending() const { return ascending_; }
    // Sets both and sorts at once (unless AutoColumnSort is acsNoSort).
    void SetSort(int column, bool ascending);

    // The owner calls this once its designed properties, columns and rows are set: loads the
    // stored settings (AutoSave) and picks column 0 as sort column if none was loaded. Without
    // the call the first showing loads. Only the first call acts.
    void Loaded();
    bool IsLoaded() const { return loaded_; }
    void LoadSettings();
    void StoreSettings() const;

    // Items changed between these do not sort the view; the last EndUpdate sorts once if any
    // change asked for it.
    void BeginUpdate();
    void EndUpdate();

    // The column captions; their number is the number of columns.
    QStringList Columns() const;
    void setColumns(const QStringList &captions);
    int columnCount() const;
    QString ColumnCaption(int column) const;
    void SetColumnCaption(int column, const QString &caption);
    QHeaderView *header() const { return horizontalHeader(); }

    // The rows, top to bottom as shown. A new row at `index` (clamped to the list) holding
    // `texts`, caption first; the number of the row it became once the list is sorted again.
    int RowCount() const;
    int InsertItem(int index, const QStringList &texts);
    int AddItem(const QStringList &texts) { return InsertItem(RowCount(), texts); }
    QString Text(int row, int column) const;
    // Leaves the row where it is until the next sort, as the queue list needs its rows to stay
    // at the numbers the crawl gives them.
    void SetText(int row, int column, const QString &text);
    // The image drawn before a row's caption: a number into SmallImages, -1 for none.
    int ImageIndex(int row) const;
    void SetImageIndex(int row, int index);
    void setSmallImages(const QList<QIcon> &images);
    void Clear();
    // The row with the keyboard cursor, or -1.
    int CurrentRow() const;
    void SetCurrentRow(int row);
    bool IsRowSelected(int row) const;

    // Sorts the rows by the sort column in the current direction, whatever AutoColumnSort says.
    void SortItems();

    // Taking rows out: the selected rows, top to bottom, each a line of its cells joined by TAB.
    // Ctrl+C copies them to the clipboard. A row counts as selected when any of its cells is.
    bool HasSelectedRows() const;
    QString SelectedRowsText() const;
    void CopySelectedRows();

    // A context menu for a list of addresses found on pages: copy the addresses (column 0) or the
    // pages (`sourceColumn`) of the selected rows, one a line, or open the page of the current
    // row in the browser when it is a web address. Off (-1) until a list switches it on. Its
    // actions are children of the list with names, so the form's translation walk finds them.
    void setCopyMenu(int sourceColumn);
    int CopyMenuSourceColumn() const { return copyMenuSourceColumn_; }

Q_SIGNALS:
    // A header click, raised after the direction is settled and before the rows are sorted.
    void ColumnClick(int aColumn);
    // A double click on a row.
    void RowDoubleClicked(int row);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void updateGeometries() override;

private:
    void headerClicked(int column);
    bool resortDue() const;
    void fitRowHeight();
    void updateSortIndicator();
    QString keyPath(const QString &subKey) const;
    QString readSetting(const QString &subKey, const QString &name, const QString &fallback) const;
    void loadColumnSizes();
    void loadSort();
    void loadViewStyle();
    std::vector<int> selectedRows() const;
    QString columnOfSelectedRows(int column) const;
    QString pageToOpen() const;
    void updateCopyMenu();

    TAutoColumnSort autoColumnSort_ = acsNoSort;
    TAutoSortStyle autoSortStyle_ = assSmart;
    bool autoSortAscending_ = true;
    bool autoResort_ = true;
    bool showSortArrows_ = false;
    bool noColumnResize_ = false;
    TViewStyle viewStyle_ = vsReport;
    TdfsEnhListViewSaveSettings saveSettings_;

    int sortColumn_ = -1;
    bool ascending_ = true;
    bool loaded_ = false;
    int updateCount_ = 0;
    bool resortPending_ = false; // asked for inside a batch
    bool rowsAddedSinceGeometries_ = false;
    QElapsedTimer sinceGeometries_;
    QTimer geometriesHeld_;
    TdfsEnhListRows *rows_ = nullptr;

    int copyMenuSourceColumn_ = -1;
    QAction *copyAddress_ = nullptr;
    QAction *copySource_ = nullptr;
    QAction *openSource_ = nullptr;
};
