// SettingsFile: the 26-line settings file as a plain record of values.
//
// Line 1-5 window bounds and tree-panel width, 6-7 source and destination
// folders as hexadecimal UTF-8, 8 file type, 9-14 column widths, 15-16 dialog
// position, 17-26 the text-kind map. ASCII lines ended by CR LF.
//
// The window applies the record to its widgets; the CLI takes the map from it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
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

inline constexpr int kSettingsLineCount = 26;

// How a load went.
enum class SettingsFileState {
  NoFile,        // no file of that name: the defaults stay
  Unreadable,    // exists but could not be opened: the defaults stay
  ReadPartly,    // a read error part-way: the lines before it were applied
  Read,          // every line read (missing lines count as empty)
};

// Applies the defaults, then the file's values. A missing or unreadable file
// leaves the defaults; nothing is reported.
void LoadSettings(const std::u16string &fileName, TSettings &settings);
// The same, saying how it went (the CLI refuses a settings file it cannot read).
SettingsFileState LoadSettingsFile(const std::u16string &fileName, TSettings &settings);
// The rules of LoadSettings on bytes already read. `readFailed`: the bytes end
// where a read error happened; only complete lines are applied and the map is
// not normalised.
void ApplySettingsBytes(std::span<const std::uint8_t> bytes, bool readFailed, TSettings &settings);

// Writes the 26 lines through a temporary file that replaces the old one only
// when complete. False when anything failed: the earlier file (or none) is
// then left as it was, never a part of the new one.
bool SaveSettings(const std::u16string &fileName, const TSettings &settings);
// The 26 lines as they are written.
std::string SettingsFileText(const TSettings &settings);

}  // namespace velkaro
