// AppFont: Tahoma 13 px, or the system sans-serif at 13 px.
#include "AppFont.h"

#include <QApplication>
#include <QFontDatabase>

namespace velkaro {

QFont ApplicationFont() {
  const QString tahoma = QStringLiteral("Tahoma");
  QFont font = QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive)
                   ? QFont(tahoma)
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(13);
  return font;
}

void InstallApplicationFont() { QApplication::setFont(ApplicationFont()); }

}  // namespace velkaro
