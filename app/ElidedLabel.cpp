// ElidedLabel: a label shortened in the middle.
#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace velkaro {

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QString ElidedLabel::shownText() const {
  const QRect area = contentsRect();
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
}

QSize ElidedLabel::minimumSizeHint() const {
  // Any width will do: the text shortens.
  return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  drawFrame(&painter);
  style()->drawItemText(&painter, contentsRect(), int(alignment()) | Qt::TextSingleLine, palette(),
                        isEnabled(), shownText(), foregroundRole());
}

}  // namespace velkaro
