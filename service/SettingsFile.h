// SettingsFile: the 26-line settings file as a plain record of values.
//
// Line 1-5 window bounds and tree-panel width, 6-7 source and destination
// folders as hexadecimal UTF-8, 8 file type, 9-14 column widths, 15-16 dialog
// position, 17-26 the text-kind map.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "convert/UnitV.h"

namespace velkaro {

struct TSettings {
  std::int32_t Left = 64, Top = 64, Width = 600, Height = 520;
  std::int32_t Panel1Width = 200;
  std::u16string preFolder;
  // Set only when the file held it: without a file the destination box keeps
  // its text.
  std::optional<std::u16string> destFolder;
  std::int32_t fileType = 0;
  std::array<std::int32_t, 6> columnWidths{80, 80, 80, 80, 80, 80};
  std::int32_t dialogLeft = 64, dialogTop = 64;
  TMojiShuMap map{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
};

// Applies the defaults, then the file's values. A missing or unreadable file
// leaves the defaults; nothing is reported.
void LoadSettings(const std::u16string &fileName, TSettings &settings);
// Writes the 26 lines. False (and no file left) when anything failed.
bool SaveSettings(const std::u16string &fileName, const TSettings &settings);

}  // namespace velkaro
