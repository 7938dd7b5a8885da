// ElidedLabel: a one-line label that shortens a text too long for it in the
// middle ("/home/…/図面/2024") so that both the start and the end — for a
// folder, its own name — stay readable. text() is the whole text.
#pragma once

#include <QLabel>

namespace velkaro {

class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(const QString &text = QString(), QWidget *parent = nullptr);

  // The text as it is drawn at the current width.
  QString shownText() const;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent *event) override;
};

}  // namespace velkaro
