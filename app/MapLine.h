// MapLine: the map in force in one short line above the convert button
// ("1→3, 3→1", or "変更なし"), the whole table in its tool tip, so nobody
// converts with a map they did not mean.
#pragma once

#include "ElidedLabel.h"

#include "convert/UnitV.h"

namespace velkaro {

class MapLine : public ElidedLabel {
  Q_OBJECT
 public:
  explicit MapLine(QWidget *parent = nullptr);
  void showMap(const TMojiShuMap &map);
};

}  // namespace velkaro
