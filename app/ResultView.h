// ResultView: what became of each selected row after a batch — converted,
// not converted with the reason, or not a file that converts — in one window
// instead of a message box per row, copyable as text, with a button that
// opens the destination folder.
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "convert/ConversionBatch.h"
#include "convert/UndoBatch.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace velkaro {

class Desktop;

class ResultView : public QDialog {
  Q_OBJECT
 public:
  ResultView(Desktop &desktop, QWidget *parent = nullptr);

  // Shows the result of the batch over the rows named `selected` into
  // `destination`.
  void showResult(std::shared_ptr<const BatchResult> result,
                  std::vector<std::u16string> selected, const QString &destination);
  // Shows what an undo did to each output of the batch it took back.
  void showUndoResult(const UndoResult &result, const QString &destination);

  QTableWidget *table() const { return table_; }
  QLabel *summary() const { return summary_; }
  // The text "コピー" puts on the clipboard.
  QString resultText() const;

 public slots:
  void copyToClipboard();
  void openDestination();

 private:
  Desktop &desktop_;
  QLabel *summary_ = nullptr;
  QTableWidget *table_ = nullptr;
  QPushButton *copy_ = nullptr;
  QPushButton *open_ = nullptr;
  void ShowRows(const QString &title, const QString &summary,
                const std::vector<std::array<std::u16string, 3>> &rows);

  QString text_;
  QString destination_;
};

}  // namespace velkaro
