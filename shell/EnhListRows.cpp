#include "shell/EnhListRows.h"

TdfsEnhListRows::TdfsEnhListRows(QObject *parent) : QAbstractTableModel(parent)
{
}

int TdfsEnhListRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int TdfsEnhListRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(captions_.size());
}

QVariant TdfsEnhListRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !holds(index.row()))
        return {};
    const Row &row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.texts.value(index.column());
    case Qt::DecorationRole:
        if (index.column() == 0 && row.imageIndex >= 0 && row.imageIndex < images_.size())
            return images_.at(row.imageIndex);
        return {};
    default:
        return {};
    }
}

QVariant TdfsEnhListRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < captions_.size())
        return captions_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TdfsEnhListRows::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TdfsEnhListRows::setCaptions(const QStringList &captions)
{
    const int before = int(captions_.size());
    const int after = int(captions.size());
    if (after > before) {
        beginInsertColumns(QModelIndex(), before, after - 1);
        captions_ = captions;
        endInsertColumns();
    } else if (after < before) {
        beginRemoveColumns(QModelIndex(), after, before - 1);
        captions_ = captions;
        endRemoveColumns();
    } else {
        captions_ = captions;
    }
    if (after > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, after - 1);
}

void TdfsEnhListRows::setCaption(int column, const QString &caption)
{
    if (column < 0 || column >= captions_.size())
        return;
    captions_[column] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void TdfsEnhListRows::insert(int index, const QStringList &texts)
{
    beginInsertRows(QModelIndex(), index, index);
    rows_.insert(rows_.begin() + index, Row{texts.mid(0, captions_.size()), -1});
    endInsertRows();
}

QString TdfsEnhListRows::text(int row, int column) const
{
    return holds(row) ? rows_[size_t(row)].texts.value(column) : QString();
}

void TdfsEnhListRows::setText(int row, int column, const QString &text)
{
    if (!holds(row) || column < 0 || column >= captions_.size())
        return;
    QStringList &texts = rows_[size_t(row)].texts;
    while (texts.size() <= column)
        texts.append(QString());
    if (texts.at(column) == text)
        return;
    texts[column] = text;
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

int TdfsEnhListRows::imageIndex(int row) const
{
    return holds(row) ? rows_[size_t(row)].imageIndex : -1;
}

void TdfsEnhListRows::setImageIndex(int row, int index)
{
    if (!holds(row) || rows_[size_t(row)].imageIndex == index)
        return;
    rows_[size_t(row)].imageIndex = index;
    const QModelIndex cell = this->index(row, 0);
    Q_EMIT dataChanged(cell, cell, {Qt::DecorationRole});
}

void TdfsEnhListRows::setImages(const QList<QIcon> &images)
{
    images_ = images;
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(int(rows_.size()) - 1, 0), {Qt::DecorationRole});
}

void TdfsEnhListRows::clear()
{
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void TdfsEnhListRows::reorder(const std::vector<int> &order)
{
    if (order.size() != rows_.size())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    std::deque<Row> sorted;
    for (size_t to = 0; to < order.size(); ++to) {
        newRowOf[size_t(order[to])] = int(to);
        sorted.push_back(std::move(rows_[size_t(order[to])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &cell : before)
        after.append(index(newRowOf[size_t(cell.row())], cell.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
