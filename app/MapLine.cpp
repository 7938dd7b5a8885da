// MapLine: the short line of the map in force.
#include "MapLine.h"

namespace velkaro {

MapLine::MapLine(QWidget *parent) : ElidedLabel(QString(), parent) {
  setObjectName(QStringLiteral("MapLine"));
  setTextFormat(Qt::PlainText);
  // A long map is shortened, never the window widened; the tool tip has it whole.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MapLine::showMap(const TMojiShuMap &map) {
  setText(QString::fromStdU16String(MapSummaryText(map)));
  setToolTip(QStringLiteral("変換する文字種の対応\n") + QString::fromStdU16String(MapTableText(map)));
}

}  // namespace velkaro
