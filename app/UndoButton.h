// UndoButton: "元に戻す" in the status bar, for the last batch into the
// destination shown. It is there while that folder's record holds a batch
// to take back, and its tool tip names the batch (time, number of files,
// the map), as the confirmation does.
#pragma once

#include <QPushButton>
#include <optional>

#include "convert/BatchRecord.h"

namespace velkaro {

class UndoButton : public QPushButton {
  Q_OBJECT
 public:
  explicit UndoButton(QWidget *parent = nullptr);

  // Reads the record of `destination` again and shows or hides the button.
  void showFor(const QString &destination);
  // The batch it would take back, when there is one.
  const std::optional<RecordedBatch> &batch() const { return batch_; }

 private:
  std::optional<RecordedBatch> batch_;
};

}  // namespace velkaro
