// KindsPanel: the text kinds of the drawings selected in the file list, shown
// in the settings dialog while the user chooses the map. Per old kind: the
// table entry (width, height, spacing, colour; "*" where the selected
// drawings differ), how many texts use it (top level, in dimensions, in
// blocks) and the kind it becomes under the dialog's current choices.
//
// The facts come whole from the core (KindsOverview); the panel only shows
// them.
#pragma once

#include <QWidget>

#include "service/DrawingFacts.h"

class QLabel;
class QTableWidget;

namespace velkaro {

class KindsPanel : public QWidget {
  Q_OBJECT
 public:
  // The table's columns.
  enum Column {
    Kind, Width, Height, Spacing, Colour, Texts, Dimensions, Blocks, Unprinted, NewKind, ColumnCount
  };

  explicit KindsPanel(QWidget *parent = nullptr);

  void setOverview(const KindsOverview &overview);
  // Shows what each old kind becomes under `map` (a normalised one).
  void showMap(const TMojiShuMap &map);
  const KindsOverview &overview() const { return overview_; }

  QTableWidget *table() const { return table_; }
  // The line under the table: how many drawings, what differs, what was not read.
  QLabel *note() const { return note_; }
  // The height the panel needs to show all ten kinds without scrolling.
  int neededHeight() const;

 private:
  void Fill();
  void SetCell(int row, int column, const QString &text, const QString &toolTip = QString());

  QTableWidget *table_;
  QLabel *note_;
  KindsOverview overview_;
};

}  // namespace velkaro
