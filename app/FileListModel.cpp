// FileListModel: ListRow values shown in six columns.
#include "FileListModel.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace velkaro {

int FileListModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kListColumnHeaders.size());
}

QVariant FileListModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= rowCount())
    return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return QString::fromStdU16String(row(index.row()).column(index.column()));
  if (role == Qt::TextAlignmentRole)
    return index.column() == kSizeColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                         : int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
    return {};
  if (role == Qt::DisplayRole)
    return QString::fromStdU16String(kListColumnHeaders[static_cast<std::size_t>(section)]);
  if (role == Qt::TextAlignmentRole)
    return section == kSizeColumn ? int(Qt::AlignRight | Qt::AlignVCenter)
                                  : int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void FileListModel::setRows(std::vector<ListRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void FileListModel::appendRows(std::vector<ListRow> rows) {
  if (rows.empty())
    return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  endInsertRows();
}

void FileListModel::clear() { setRows({}); }

void FileListModel::sortRows(std::int32_t Sort1, std::int32_t Sort2) {
  if (Sort1 < 0)
    return;
  // Sort positions, not rows, so the persistent indexes (the selection, the
  // current row) can be moved along with their rows.
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return ListView1Compare(rows_[static_cast<std::size_t>(a)], rows_[static_cast<std::size_t>(b)],
                            Sort1, Sort2) < 0;
  });

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newPosition(order.size());
  std::vector<ListRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
  }
  rows_ = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex &index : before)
    after.push_back(this->index(newPosition[static_cast<std::size_t>(index.row())], index.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace velkaro
