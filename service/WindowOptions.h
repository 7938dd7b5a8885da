// WindowOptions: what the window keeps besides the 26-line settings file.
//
// The settings file stays exactly what older copies of the program read and
// write; choices that came later (the look before converting, a maximised
// window) live in a small JSON file beside it. A missing or damaged file
// gives the defaults; a value of the wrong type is ignored on its own.
#pragma once

#include <string>

namespace velkaro {

struct TWindowOptions {
  // Ask before a batch writes anything (files, map, destination).
  bool confirmBeforeConvert = true;
  // The main window was maximised when it closed.
  bool maximized = false;
};

// The file beside the settings file: its name with ".json" for ".dat".
std::u16string WindowOptionsFileName(const std::u16string &settingsFileName);

TWindowOptions LoadWindowOptions(const std::u16string &fileName);
// Written atomically. False when it could not be written (the earlier file
// is then left as it was).
bool SaveWindowOptions(const std::u16string &fileName, const TWindowOptions &options);

}  // namespace velkaro
