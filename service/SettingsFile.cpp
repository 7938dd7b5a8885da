// SettingsFile: reading and writing the 26-line settings file.
#include "service/SettingsFile.h"

#include <array>
#include <string>
#include <vector>

#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

// Lines as they were read: LF ends a line and a CR before it is dropped.
// After a read error the fragment after the last LF is incomplete and does
// not count.
std::vector<std::u16string> SplitLines(std::span<const std::uint8_t> bytes, bool readFailed) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size() && lines.size() < kSettingsLineCount; ++i) {
    if (bytes[i] != '\n')
      continue;
    std::size_t end = i;
    if (end > start && bytes[end - 1] == '\r')
      --end;
    lines.push_back(LegacyBytesToString(bytes.subspan(start, end - start)));
    start = i + 1;
  }
  if (!readFailed && start < bytes.size() && lines.size() < kSettingsLineCount)
    lines.push_back(LegacyBytesToString(bytes.subspan(start)));
  return lines;
}

// Line `number` (1-based) of the table, applied as soon as it is read.
void ApplyLine(int number, const std::u16string &text, TSettings &s) {
  if (number == 6) {
    s.preFolder = Utf8HexToString(text);
    return;
  }
  if (number == 7) {
    s.destFolder = Utf8HexToString(text);
    return;
  }
  const std::int32_t v = StringToInt(text);
  switch (number) {
    case 1: s.Left = v; break;
    case 2: s.Top = v; break;
    case 3: s.Width = v; break;
    case 4: s.Height = v; break;
    case 5: s.Panel1Width = v; break;
    case 8: s.fileType = v; break;
    case 15: s.dialogLeft = v; break;
    case 16: s.dialogTop = v; break;
    default:
      if (number >= 9 && number <= 14)
        s.columnWidths[number - 9] = v;
      else if (number >= 17 && number <= 26)
        s.map[number - 17] = v;
      break;
  }
}

void ApplyDefaults(TSettings &s) {
  s = TSettings{};  // the destination stays unset: the box keeps its text
}

}  // namespace

void ApplySettingsBytes(std::span<const std::uint8_t> bytes, bool readFailed, TSettings &settings) {
  ApplyDefaults(settings);
  const std::vector<std::u16string> lines = SplitLines(bytes, readFailed);
  if (readFailed) {
    // The values read before the error stay, the others keep their defaults,
    // and the map is left as it is.
    for (std::size_t i = 0; i < lines.size(); ++i)
      ApplyLine(static_cast<int>(i) + 1, lines[i], settings);
    return;
  }
  // A short file reads as if its missing lines were empty.
  for (int number = 1; number <= kSettingsLineCount; ++number) {
    const std::size_t i = static_cast<std::size_t>(number - 1);
    ApplyLine(number, i < lines.size() ? lines[i] : std::u16string(), settings);
  }
  NormalizeMojiShuMap(settings.map);
}

SettingsFileState LoadSettingsFile(const std::u16string &fileName, TSettings &settings) {
  ApplyDefaults(settings);
  if (!IsFile(fileName))
    return SettingsFileState::NoFile;
  InputFile in;
  if (!in.open(fileName))
    return SettingsFileState::Unreadable;
  std::vector<std::uint8_t> bytes;
  bool readFailed = false;
  try {
    std::array<std::uint8_t, 4096> block{};
    // The file is small; the cap only keeps a wrong file (a huge one under
    // the name) from being read whole, since lines after the 26th are ignored.
    constexpr std::size_t kEnough = 1 << 20;
    while (bytes.size() < kEnough) {
      const std::size_t n = in.read(block);
      if (n == 0)
        break;
      bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    }
  } catch (const StreamError &) {
    readFailed = true;
  }
  in.close();
  ApplySettingsBytes(bytes, readFailed, settings);
  return readFailed ? SettingsFileState::ReadPartly : SettingsFileState::Read;
}

void LoadSettings(const std::u16string &fileName, TSettings &settings) {
  (void)LoadSettingsFile(fileName, settings);
}

std::string SettingsFileText(const TSettings &s) {
  std::vector<std::u16string> lines;
  lines.reserve(kSettingsLineCount);
  for (const std::int32_t v : {s.Left, s.Top, s.Width, s.Height, s.Panel1Width})
    lines.push_back(IntToString(v));
  lines.push_back(StringToUtf8Hex(s.preFolder));
  lines.push_back(StringToUtf8Hex(s.destFolder.value_or(std::u16string())));
  lines.push_back(IntToString(s.fileType));
  for (const std::int32_t w : s.columnWidths)
    lines.push_back(IntToString(w));
  lines.push_back(IntToString(s.dialogLeft));
  lines.push_back(IntToString(s.dialogTop));
  for (const std::int32_t m : s.map)
    lines.push_back(IntToString(m));
  std::string text;
  for (const auto &line : lines) {
    text += ToUtf8(line);  // every line is ASCII
    text += "\r\n";
  }
  return text;
}

bool SaveSettings(const std::u16string &fileName, const TSettings &settings) {
  const std::string text = SettingsFileText(settings);
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  return WriteFileAtomically(fileName, bytes);
}

}  // namespace velkaro
