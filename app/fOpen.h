// fOpen: opening a file with the program the desktop associates with it.
#pragma once

#include <QString>

namespace velkaro {

class TMisc {
 public:
  // Asks the desktop to open the file sCommand with its associated program.
  // False when the desktop says it could not (nothing is shown).
  static bool Open(const QString &sCommand);
};

}  // namespace velkaro
