#pragma once
// The rows of a report list: a flat table of texts, one per column, and an image number per row
// drawn before the first text. Rows live in a deque, so a row goes on top of a long list as
// cheaply as at its end, and nothing here ever looks at every row for a single change.

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QStringList>

#include <deque>
#include <vector>

class TdfsEnhListRows final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TdfsEnhListRows(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Column captions; their number is the number of columns.
    QStringList captions() const { return captions_; }
    void setCaptions(const QStringList &captions);
    void setCaption(int column, const QString &caption);

    // `index` must lie within 0..rowCount(). Texts past the last column are kept out.
    void insert(int index, const QStringList &texts);
    // An empty text for a cell the row never had.
    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    // -1 draws no image; other numbers pick from `images`, and a number with no image draws none.
    int imageIndex(int row) const;
    void setImageIndex(int row, int index);
    void setImages(const QList<QIcon> &images);
    void clear();

    // Puts the rows in the order `order` gives (the old row number of each new row); selections
    // and the current row follow their rows.
    void reorder(const std::vector<int> &order);

private:
    struct Row
    {
        QStringList texts;
        int imageIndex = -1;
    };

    bool holds(int row) const { return row >= 0 && row < int(rows_.size()); }

    QStringList captions_;
    std::deque<Row> rows_;
    QList<QIcon> images_;
};
