// UndoButton: the undo of the last batch, offered where it applies.
#include "UndoButton.h"

#include "convert/UndoBatch.h"

namespace velkaro {

UndoButton::UndoButton(QWidget *parent) : QPushButton(QStringLiteral("元に戻す(&U)"), parent) {
  setObjectName(QStringLiteral("ButtonUndo"));
  hide();
}

void UndoButton::showFor(const QString &destination) {
  std::u16string why;
  batch_ = destination.isEmpty() ? std::nullopt : BatchToUndo(destination.toStdU16String(), why);
  if (batch_)
    setToolTip(QString::fromStdU16String(BatchDescriptionText(*batch_)) + QStringLiteral("を元に戻します"));
  setVisible(batch_.has_value());
}

}  // namespace velkaro
