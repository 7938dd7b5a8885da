// The 26-line settings file: defaults, the line rules, normalisation of the
// map, read errors part-way, and writes that never leave a part of a file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "builders/TempDir.h"
#include "service/SettingsFile.h"
#include "service/WindowOptions.h"
#include "support/FileIO.h"

namespace velkaro {
namespace {

using testing::TempDir;

std::vector<std::uint8_t> Bytes(const std::string &s) { return {s.begin(), s.end()}; }

// The lines joined with CR LF, each ended by one.
std::string Lines(const std::vector<std::string> &lines) {
  std::string text;
  for (const auto &line : lines)
    text += line + "\r\n";
  return text;
}

std::vector<std::string> DefaultLines() {
  return {"64", "64", "600", "520", "200", "", "", "0", "80", "80", "80", "80", "80",
          "80", "64", "64", "1",   "2",   "3",   "4", "5", "6", "7", "8", "9", "10"};
}

TSettings Load(const TempDir &dir, const std::string &text, SettingsFileState *state = nullptr) {
  dir.write("velkaro.dat", Bytes(text));
  TSettings s;
  const SettingsFileState st = LoadSettingsFile(dir.file("velkaro.dat"), s);
  if (state)
    *state = st;
  return s;
}

TEST(SettingsFileLoad, NoFileKeepsTheDefaultsAndLeavesTheDestinationUntouched) {
  TempDir dir;
  TSettings s;
  s.Left = 5;
  s.destFolder = u"/somewhere";
  EXPECT_EQ(LoadSettingsFile(dir.file("missing.dat"), s), SettingsFileState::NoFile);
  EXPECT_EQ(s.Left, 64);
  EXPECT_EQ(s.Top, 64);
  EXPECT_EQ(s.Width, 600);
  EXPECT_EQ(s.Height, 520);
  EXPECT_EQ(s.Panel1Width, 200);
  EXPECT_TRUE(s.preFolder.empty());
  EXPECT_FALSE(s.destFolder.has_value());  // the box keeps its text
  EXPECT_EQ(s.fileType, 0);
  EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 6>{80, 80, 80, 80, 80, 80}));
  EXPECT_EQ(s.dialogLeft, 64);
  EXPECT_EQ(s.dialogTop, 64);
  EXPECT_EQ(s.map, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(SettingsFileLoad, AFolderUnderTheNameCountsAsNoFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "velkaro.dat");
  TSettings s;
  EXPECT_EQ(LoadSettingsFile(dir.file("velkaro.dat"), s), SettingsFileState::NoFile);
  EXPECT_EQ(s.Width, 600);
}

#ifndef _WIN32  // POSIX file modes
TEST(SettingsFileLoad, AFileThatCannotBeOpenedKeepsTheDefaults) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permissions do not stop root";
  TempDir dir;
  dir.write("velkaro.dat", Bytes(Lines({"1", "2", "3"})));
  std::filesystem::permissions(dir.path() / "velkaro.dat", std::filesystem::perms::none);
  TSettings s;
  EXPECT_EQ(LoadSettingsFile(dir.file("velkaro.dat"), s), SettingsFileState::Unreadable);
  EXPECT_EQ(s.Left, 64);
}
#endif

TEST(SettingsFileLoad, ReadsEveryLineOfTheTable) {
  TempDir dir;
  SettingsFileState state;
  const TSettings s =
      Load(dir,
           Lines({"10", "20", "800", "700", "250", "433A5C61", "2F6F7574", "3", "11", "12",
                  "13", "14", "15", "16", "30", "40", "10", "9", "8", "7", "6", "5", "4", "3",
                  "2", "1"}),
           &state);
  EXPECT_EQ(state, SettingsFileState::Read);
  EXPECT_EQ(s.Left, 10);
  EXPECT_EQ(s.Top, 20);
  EXPECT_EQ(s.Width, 800);
  EXPECT_EQ(s.Height, 700);
  EXPECT_EQ(s.Panel1Width, 250);
  EXPECT_EQ(s.preFolder, u"C:\\a");
  EXPECT_EQ(s.destFolder, std::optional<std::u16string>(u"/out"));
  EXPECT_EQ(s.fileType, 3);
  EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 6>{11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(s.dialogLeft, 30);
  EXPECT_EQ(s.dialogTop, 40);
  EXPECT_EQ(s.map, (TMojiShuMap{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(SettingsFileLoad, AFileOfFiveLinesReadsTheRestAsEmptyLines) {
  TempDir dir;
  const TSettings s = Load(dir, Lines({"1", "2", "300", "400", "150"}));
  EXPECT_EQ(s.Left, 1);
  EXPECT_EQ(s.Top, 2);
  EXPECT_EQ(s.Width, 300);
  EXPECT_EQ(s.Height, 400);
  EXPECT_EQ(s.Panel1Width, 150);
  EXPECT_TRUE(s.preFolder.empty());
  EXPECT_EQ(s.destFolder, std::optional<std::u16string>(u""));
  EXPECT_EQ(s.fileType, 0);
  EXPECT_EQ(s.columnWidths, (std::array<std::int32_t, 6>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.dialogLeft, 0);
  EXPECT_EQ(s.dialogTop, 0);
  EXPECT_EQ(s.map, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));  // ten zeros, normalised
}

TEST(SettingsFileLoad, ValuesAreNotRangeChecked) {
  TempDir dir;
  std::vector<std::string> lines = DefaultLines();
  lines[0] = "-5000";  // off the screen
  lines[2] = "0";
  lines[7] = "9";      // no file-type entry
  const TSettings s = Load(dir, Lines(lines));
  EXPECT_EQ(s.Left, -5000);
  EXPECT_EQ(s.Width, 0);
  EXPECT_EQ(s.fileType, 9);
}

struct MapCase {
  std::vector<std::string> lines;  // lines 17-26
  TMojiShuMap expected;
};

class SettingsFileMap : public ::testing::TestWithParam<MapCase> {};

TEST_P(SettingsFileMap, MapLinesAreReadWithStringToIntAndNormalised) {
  TempDir dir;
  std::vector<std::string> lines = DefaultLines();
  for (std::size_t i = 0; i < 10; ++i)
    lines[16 + i] = GetParam().lines[i];
  EXPECT_EQ(Load(dir, Lines(lines)).map, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileMap,
    ::testing::Values(
        // control: a permutation stays as it is
        MapCase{{"2", "1", "3", "4", "5", "6", "7", "8", "9", "10"}, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}},
        MapCase{{"3", "3", "3", "4", "5", "6", "7", "8", "9", "10"}, {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}},
        // x, 0 and 99 count as 0, 0 and 99 and get the free kinds
        MapCase{{"x", "0", "99", "1", "2", "3", "4", "5", "6", "7"}, {8, 9, 10, 1, 2, 3, 4, 5, 6, 7}},
        // a hexadecimal line written by hand
        MapCase{{"$A", "2", "3", "4", "5", "6", "7", "8", "9", "1"}, {10, 2, 3, 4, 5, 6, 7, 8, 9, 1}},
        MapCase{{" 12", "2 ", "", "4", "5", "6", "7", "8", "9", "10"}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}));

TEST(SettingsFileLoad, LinesAfterTheTwentySixthAreIgnored) {
  TempDir dir;
  std::vector<std::string> lines = DefaultLines();
  lines.push_back("999");
  lines.push_back("garbage");
  const TSettings s = Load(dir, Lines(lines));
  EXPECT_EQ(s.map, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(s.dialogTop, 64);
}

TEST(SettingsFileLoad, LinesEndedByLineFeedAloneAndALastLineWithoutEnd) {
  TempDir dir;
  const TSettings s = Load(dir, "7\n8\r\n900");
  EXPECT_EQ(s.Left, 7);
  EXPECT_EQ(s.Top, 8);
  EXPECT_EQ(s.Width, 900);
  EXPECT_EQ(s.Height, 0);
}

// Regression: a read error part-way keeps what was read, defaults for the
// rest, and must not normalise the map.
TEST(SettingsFileLoad, AReadErrorPartWayAppliesCompleteLinesOnlyAndDoesNotNormalise) {
  std::vector<std::string> lines = DefaultLines();
  lines[0] = "11";
  lines[16] = "3";
  lines[17] = "3";
  std::string text = Lines(std::vector<std::string>(lines.begin(), lines.begin() + 18));
  text += "3";  // line 19 was being read when the error came
  TSettings s;
  ApplySettingsBytes(Bytes(text), /*readFailed=*/true, s);
  EXPECT_EQ(s.Left, 11);
  EXPECT_EQ(s.map, (TMojiShuMap{3, 3, 3, 4, 5, 6, 7, 8, 9, 10}));

  TSettings early;
  ApplySettingsBytes(Bytes("11\r\n2"), /*readFailed=*/true, early);
  EXPECT_EQ(early.Left, 11);
  EXPECT_EQ(early.Top, 64);          // the incomplete line keeps its default
  EXPECT_EQ(early.columnWidths[0], 80);
  EXPECT_FALSE(early.destFolder.has_value());
}

TEST(SettingsFileSave, TheFirstRunExampleIsWrittenLineForLine) {
  TSettings s;
  s.preFolder = u"C:\\a";
  EXPECT_EQ(SettingsFileText(s),
            Lines({"64", "64", "600", "520", "200", "433A5C61", "", "0", "80", "80", "80", "80",
                   "80", "80", "64", "64", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST(SettingsFileSave, AJapaneseFolderIsStoredAsHexadecimalUtf8) {
  TSettings s;
  s.preFolder = u"C:\\図面";
  s.destFolder = u"参照";
  const std::string text = SettingsFileText(s);
  EXPECT_NE(text.find("\r\n433A5CE59BB3E99DA2\r\nE58F82E785A7\r\n"), std::string::npos);
}

TEST(SettingsFileSave, RoundTripKeepsEveryValue) {
  TempDir dir;
  TSettings s;
  s.Left = -20;
  s.Top = 3000;
  s.Width = 1024;
  s.Height = 1;
  s.Panel1Width = 0;
  s.preFolder = u"/data/図面/現場 A";
  s.destFolder = u"/出力";
  s.fileType = -1;  // no entry chosen
  s.columnWidths = {1, 2, 3, 400, 5, 60};
  s.dialogLeft = 7;
  s.dialogTop = -8;
  s.map = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  ASSERT_TRUE(SaveSettings(dir.file("velkaro.dat"), s));

  const std::vector<std::uint8_t> bytes = dir.read("velkaro.dat");
  const std::string text(bytes.begin(), bytes.end());
  std::size_t lines = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    lines += (text[i] == '\r' && text[i + 1] == '\n') ? 1 : 0;
  EXPECT_EQ(lines, 26u);
  for (const char c : text)
    EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "every character is ASCII";

  TSettings back;
  LoadSettings(dir.file("velkaro.dat"), back);
  EXPECT_EQ(back.Left, s.Left);
  EXPECT_EQ(back.Top, s.Top);
  EXPECT_EQ(back.Width, s.Width);
  EXPECT_EQ(back.Height, s.Height);
  EXPECT_EQ(back.Panel1Width, s.Panel1Width);
  EXPECT_EQ(back.preFolder, s.preFolder);
  EXPECT_EQ(back.destFolder, s.destFolder);
  EXPECT_EQ(back.fileType, s.fileType);
  EXPECT_EQ(back.columnWidths, s.columnWidths);
  EXPECT_EQ(back.dialogLeft, s.dialogLeft);
  EXPECT_EQ(back.dialogTop, s.dialogTop);
  EXPECT_EQ(back.map, s.map);
}

TEST(SettingsFileSave, AFileThatCannotBeCreatedReportsFalseAndLeavesNothing) {
  TempDir dir;
  EXPECT_FALSE(SaveSettings(dir.file("no-such-folder/velkaro.dat"), TSettings{}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

// Regression: a write that fails part-way (a full disk) must not leave half
// a settings file, nor destroy the one written last time.
TEST(SettingsFileSave, AFailedWriteKeepsTheEarlierFileWhole) {
  TempDir dir;
  TSettings first;
  first.Left = 123;
  ASSERT_TRUE(SaveSettings(dir.file("velkaro.dat"), first));
  const auto before = dir.read("velkaro.dat");

  TSettings second;
  second.Left = 456;
  SetWriteFailureAfterBytesForTesting(10);
  const bool saved = SaveSettings(dir.file("velkaro.dat"), second);
  SetWriteFailureAfterBytesForTesting(0);
  EXPECT_FALSE(saved);
  EXPECT_EQ(dir.read("velkaro.dat"), before);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

TEST(SettingsFileSave, AFailedFirstWriteLeavesNoFile) {
  TempDir dir;
  SetWriteFailureAfterBytesForTesting(5);
  const bool saved = SaveSettings(dir.file("velkaro.dat"), TSettings{});
  SetWriteFailureAfterBytesForTesting(0);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The window's later choices live beside the settings file, whose 26 lines
// stay as they are; a damaged file gives the defaults, one value at a time.
TEST(WindowOptionsFile, RoundTripsAndSurvivesDamage) {
  TempDir dir;
  const std::u16string settings = dir.u16() + u"/velkaro.dat";
  const std::u16string name = WindowOptionsFileName(settings);
  EXPECT_EQ(name, dir.u16() + u"/velkaro.json");
  EXPECT_TRUE(LoadWindowOptions(name).confirmBeforeConvert);  // no file
  ASSERT_TRUE(SaveWindowOptions(name, {false, true}));
  const TWindowOptions back = LoadWindowOptions(name);
  EXPECT_FALSE(back.confirmBeforeConvert);
  EXPECT_TRUE(back.maximized);
  const struct {
    const char *text;
    bool confirm, maximized;
  } damaged[] = {
      {"{\"confirmBeforeConvert\": false, \"maximized\"", true, false},  // cut short
      {"[1, 2]", true, false},
      {"{\"confirmBeforeConvert\": \"no\", \"maximized\": true}", true, true},
  };
  for (const auto &d : damaged) {
    dir.write("velkaro.json", std::vector<std::uint8_t>(d.text, d.text + std::strlen(d.text)));
    const TWindowOptions o = LoadWindowOptions(name);
    EXPECT_EQ(o.confirmBeforeConvert, d.confirm) << d.text;
    EXPECT_EQ(o.maximized, d.maximized) << d.text;
  }
}

}  // namespace
}  // namespace velkaro
