// fOpen: TMisc::Open through QDesktopServices (the shell's "open" verb on
// Windows, xdg-open and friends elsewhere).
#include "fOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace velkaro {

bool TMisc::Open(const QString &sCommand) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(sCommand));
}

}  // namespace velkaro
