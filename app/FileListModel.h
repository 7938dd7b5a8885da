// FileListModel: the rows of the main window's file list (ListView1) as a Qt
// model over the listing service's ListRow values.
//
// Rows come whole from FolderLister::ListFolder; sorting uses the service's
// ListView1Compare, so the window and `velkaro-cli list` order rows alike.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "service/FolderListing.h"

namespace velkaro {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The size column, right-aligned.
  static constexpr int kSizeColumn = 4;

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void setRows(std::vector<ListRow> rows);
  // Adds rows at the end (a listing that is still coming in).
  void appendRows(std::vector<ListRow> rows);
  void clear();
  const ListRow &row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  const std::vector<ListRow> &rows() const { return rows_; }

  // Orders the rows as a click on column Sort1 with direction Sort2 leaves
  // them; rows that compare equal keep their order. Selections follow rows.
  void sortRows(std::int32_t Sort1, std::int32_t Sort2);

 private:
  std::vector<ListRow> rows_;
};

}  // namespace velkaro
