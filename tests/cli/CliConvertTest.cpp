// velkaro-cli convert: usage errors and refusals (exit 2, nothing written),
// outcomes (exit 0 / 1), where each text goes, and --jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "builders/JwwBuilder.h"
#include "convert/BatchRecord.h"
#include "cli/ConvertCommand.h"
#include "convert/ConversionBatchFixtures.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"
#include "support/Platform.h"
#include "tests/cli/CliRun.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

void PutJww(const fs::path &file, const JwwDrawingSpec &plan) {
  fs::create_directories(file.parent_path());
  WriteFileBytes(file, BuildJww(plan).bytes);
}

// ---- --map ----------------------------------------------------------------

struct MapOptionCase {
  const char *text;
  bool ok;
  TMojiShuMap map;
};

class MapOption : public ::testing::TestWithParam<MapOptionCase> {};

TEST_P(MapOption, TakesExactlyTenIntegers) {
  TMojiShuMap map{};
  EXPECT_EQ(cli::ParseMapOption(GetParam().text, map), GetParam().ok) << GetParam().text;
  if (GetParam().ok) {
    EXPECT_EQ(map, GetParam().map);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MapOption,
    ::testing::Values(MapOptionCase{"2,1,3,4,5,6,7,8,9,10", true, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}},
                      MapOptionCase{"0,11,-3,+4,5,5,5,5,5,5", true, {0, 11, -3, 4, 5, 5, 5, 5, 5, 5}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9", false, {}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9,10,11", false, {}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9,", false, {}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9,x", false, {}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9, 10", false, {}},
                      MapOptionCase{"1,2,3,4,5,6,7,8,9,99999999999", false, {}},
                      MapOptionCase{"", false, {}}));

TEST(MapFromOptions, NormalisesTheMapAndReadsSettingsLikeTheWindow) {
  std::string error;
  cli::ConvertOptions o;
  o.map = "2,2,2,2,2,2,2,2,2,2";
  EXPECT_EQ(cli::MapFromOptions(o, error), (TMojiShuMap{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));

  TempDir dir;
  std::string text;
  for (int i = 0; i < 16; ++i)
    text += "0\r\n";
  for (const char *m : {"3", "3", "3", "4", "5", "6", "7", "8", "9", "10"})
    text += std::string(m) + "\r\n";
  dir.write("velkaro.dat", {text.begin(), text.end()});
  cli::ConvertOptions s;
  s.settings = (dir.path() / "velkaro.dat").string();
  EXPECT_EQ(cli::MapFromOptions(s, error), (TMojiShuMap{3, 1, 2, 4, 5, 6, 7, 8, 9, 10}));

  cli::ConvertOptions missing;
  missing.settings = (dir.path() / "missing.dat").string();
  EXPECT_FALSE(cli::MapFromOptions(missing, error).has_value());
  cli::ConvertOptions neither;
  EXPECT_FALSE(cli::MapFromOptions(neither, error).has_value());
}

// ---- the program ------------------------------------------------------------

class CliConvert : public ::testing::Test {
 protected:
  std::string srcFile(const std::string &name) const { return (src.path() / name).string(); }
  std::string destDir() const { return dst.path().string(); }
  bool destEmpty() const { return fs::is_empty(dst.path()); }
  TempDir src, dst;
};

TEST_F(CliConvert, UsageErrorsExitTwo) {
  PutJww(src.path() / "a.jww", MakeRichDrawing(600, false));
  const std::string a = srcFile("a.jww");
  const std::vector<std::vector<std::string>> cases{
      {},
      {"convert", "--map", "2,1,3,4,5,6,7,8,9,10", a},                     // no --dest
      {"convert", "--dest", destDir(), a},                                 // no map
      {"convert", "--dest", destDir(), "--map", "1,2,3", a},               // nine short
      {"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10", "--settings", "x", a},
      {"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10", "--jobs", "0", a},
      {"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10"},   // no FILE
      {"convert", "--dest", destDir(), "--settings", srcFile("none.dat"), a},
      {"frobnicate"},
  };
  for (const auto &args : cases) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exit, 2) << (args.empty() ? "(none)" : args[0]) << " " << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_TRUE(destEmpty());
}

TEST_F(CliConvert, HelpAndVersionExitZero) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_NE(help.out.find("convert"), std::string::npos);
  EXPECT_NE(help.out.find("list"), std::string::npos);
  EXPECT_NE(help.out.find("info"), std::string::npos);
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.exit, 0);
  EXPECT_NE(version.out.find("velkaro-cli 1.10"), std::string::npos);
  EXPECT_EQ(RunCli({"convert", "--help"}).exit, 0);
}

TEST_F(CliConvert, RefusalsPrintTheMessageOnStderrAndWriteNothing) {
  PutJww(src.path() / "a.jww", MakeRichDrawing(600, false));
  PutJww(src.path() / "b.jww", MakeRichDrawing(600, false));
  TempDir other;
  PutJww(other.path() / "c.jww", MakeRichDrawing(600, false));
  const std::string map = "2,1,3,4,5,6,7,8,9,10";
  struct Case {
    std::string dest;
    std::string message;
  };
  const std::vector<Case> cases{
      {"", "保存先フォルダを指示して下さい。\n"},
      {(dst.path() / "gone").string(), "保存先フォルダが存在しません。\n"},
      // Regression: a file named as the destination was called missing.
      {srcFile("b.jww"), "保存先に指定されたものはフォルダではありません。\n"},
      {src.path().string(), "保存先フォルダは参照フォルダと同じにしないで下さい。\n"},
      {src.path().string() + "/", "保存先フォルダは参照フォルダと同じにしないで下さい。\n"},
  };
  for (const Case &c : cases) {
    // The refused folder is the second FILE's: nothing of the first is written either.
    const CliResult r = RunCli({"convert", "--dest", c.dest, "--map", map,
                                (other.path() / "c.jww").string(), srcFile("a.jww")});
    EXPECT_EQ(r.exit, 2) << c.dest;
    EXPECT_EQ(r.err, c.message) << c.dest;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(src.path()), fs::directory_iterator()), 2);
  }
  EXPECT_FALSE(fs::exists(src.path() / "a.BAK"));
}

#ifndef _WIN32  // mingw's std::filesystem makes no symbolic links
TEST_F(CliConvert, AFileThatIsALinkIntoTheDestinationIsRefused) {
  PutJww(dst.path() / "p.jww", MakeRichDrawing(600, false));
  fs::create_symlink(dst.path() / "p.jww", src.path() / "q.jww");
  const CliResult r = RunCli({"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10",
                              srcFile("q.jww")});
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.err, "保存先フォルダは参照フォルダと同じにしないで下さい。\n");
  EXPECT_FALSE(fs::exists(dst.path() / "q.jww"));
}
#endif

// Windows hands main() its arguments in the ANSI code page (図面 became
// ??): the name must arrive whole, from the UTF-16 command line.
TEST_F(CliConvert, JapaneseNamesInArgumentsReachTheFiles) {
  PutJww(src.path() / u"図面 一.jww", MakeRichDrawing(600, false));
  const CliResult r = RunCli({"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10",
                              ToUtf8(FromFsPath(src.path() / u"図面 一.jww"))});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(fs::exists(dst.path() / u"図面 一.jww"));
  EXPECT_NE(r.out.find("図面 一.jww"), std::string::npos) << r.out;
}

TEST_F(CliConvert, ConvertsAndPrintsProgressAndTheCount) {
  PutJww(src.path() / "a.jww", MakeRichDrawing(600, false));
  WriteFileBytes(src.path() / "b.jwc", jwcfix::BuildJwc(jwcfix::JwcDrawing{}));
  const CliResult r = RunCli({"convert", "--dest", destDir(), "--map", "2,1,3,4,5,6,7,8,9,10",
                              srcFile("a.jww"), srcFile("b.jwc")});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string d = destDir();
  EXPECT_EQ(LinesOf(r.out),
            (std::vector<std::string>{
                "ファイル「" + srcFile("a.jww") + "」→「" + (fs::path(d) / "a.jww").string() + "」変換中です。",
                "ファイル「" + srcFile("b.jwc") + "」→「" + (fs::path(d) / "b.jwc").string() + "」変換中です。",
                "2個のファイルを変換しました。"}));
  TJwwData doc;
  ASSERT_TRUE(doc.FileIn(FromFsPath(dst.path() / "a.jww")));
  EXPECT_EQ(doc.Enthd.jwVer, 600);

  const CliResult quiet = RunCli({"convert", "--quiet", "--dest", destDir(), "--map",
                                  "2,1,3,4,5,6,7,8,9,10", srcFile("a.jww")});
  EXPECT_EQ(quiet.exit, 0);
  EXPECT_EQ(quiet.out, "1個のファイルを変換しました。\n");
  EXPECT_TRUE(fs::exists(dst.path() / "a.BAK"));
}

TEST_F(CliConvert, FilesWithoutOutputAreNamedOnStderrAndExitOne) {
  WriteFileBytes(src.path() / "fake.jww", {'x'});
  PutJww(src.path() / "good.jww", MakeRichDrawing(420, false));
  WriteFileBytes(src.path() / "note.txt", {'x'});
  const JwwFile full = BuildJww(MakeRichDrawing(600, false));
  WriteFileBytes(src.path() / "cut.jww", TruncateAt(full.bytes, full.at("entity.3") + 5));
  const CliResult r = RunCli({"convert", "--quiet", "--dest", destDir(), "--map",
                              "1,2,3,4,5,6,7,8,9,10", srcFile("fake.jww"), srcFile("note.txt"),
                              srcFile("good.jww"), srcFile("cut.jww"), srcFile("gone.jww")});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, "1個のファイルを変換しました。（3個は変換できませんでした）\n");
  EXPECT_EQ(LinesOf(r.err),
            (std::vector<std::string>{
                "velkaro-cli: " + srcFile("fake.jww") + ": Jw_cad の図面ではありません",
                "このファイル拡張子（種類）の変換には対応していません。",
                "ファイル名：note.txt", "　　拡張子：.txt",
                "velkaro-cli: " + srcFile("cut.jww") + ": 読み込めません",
                "velkaro-cli: " + srcFile("gone.jww") + ": 読み込めません"}));
  EXPECT_TRUE(fs::exists(dst.path() / "good.jww"));
}

TEST_F(CliConvert, OnlyAnUnsupportedExtensionStillExitsZero) {
  WriteFileBytes(src.path() / "note.txt", {'x'});
  const CliResult r = RunCli({"convert", "--dest", destDir(), "--map", "1,2,3,4,5,6,7,8,9,10",
                              srcFile("note.txt")});
  EXPECT_EQ(r.exit, 0);
  EXPECT_EQ(r.out, "0個のファイルを変換しました。\n");
}

TEST_F(CliConvert, TheSettingsFileGivesTheMap) {
  JwwDrawingSpec plan = MakeCanonicalDrawing(600);
  plan.entities = {Text(u"k1", 1), Text(u"k3", 3)};
  PutJww(src.path() / "a.jww", plan);
  std::string text;
  for (int i = 0; i < 16; ++i)
    text += "0\r\n";
  for (const char *m : {"3", "2", "1", "4", "5", "6", "7", "8", "9", "10"})
    text += std::string(m) + "\r\n";
  WriteFileBytes(src.path() / "velkaro.dat", {text.begin(), text.end()});
  const CliResult r = RunCli({"convert", "--dest", destDir(), "--settings",
                              srcFile("velkaro.dat"), srcFile("a.jww")});
  ASSERT_EQ(r.exit, 0) << r.err;
  TJwwData doc;
  ASSERT_TRUE(doc.FileIn(FromFsPath(dst.path() / "a.jww")));
  ASSERT_EQ(doc.EntMojiN, 2);
  EXPECT_EQ(doc.EntMoji[0].nMojiShu, 3u);
  EXPECT_EQ(doc.EntMoji[1].nMojiShu, 1u);
}

// Every file under `root` with its bytes, but for the batch record (whose
// batch ids and times differ from run to run).
std::map<std::string, std::vector<std::uint8_t>> Tree(const fs::path &root) {
  std::map<std::string, std::vector<std::uint8_t>> tree;
  for (const auto &e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && velkaro::FromFsPath(e.path().filename()) != velkaro::kBatchRecordName)
      tree[fs::relative(e.path(), root).string()] = ReadFileBytes(e.path());
  return tree;
}

std::string Replace(std::string text, const std::string &from, const std::string &to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Regression: parallel workers must give the files, backups, output and exit
// status of one worker, also for names that meet in the destination.
TEST_F(CliConvert, JobsGiveTheSameResultAsOneWorker) {
  TempDir a, b;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "f" + std::to_string(i) + ".jww";
    PutJww(a.path() / name, MakeRichDrawing(i % 2 ? 700 : 420, i % 3 == 0));
    files.push_back((a.path() / name).string());
  }
  PutJww(a.path() / "p.jww", MakeRichDrawing(600, false));
  PutJww(b.path() / "p.jww", MakeRichDrawing(230, true));   // the same name from another folder
  WriteFileBytes(a.path() / "p.jwc", jwcfix::BuildJwc(jwcfix::JwcDrawing{}));
  WriteFileBytes(a.path() / "bad.jww", {'b', 'a', 'd'});
  WriteFileBytes(a.path() / "x.txt", {'x'});
  files.insert(files.begin() + 3, (a.path() / "p.jww").string());
  files.push_back((b.path() / "p.jww").string());
  files.insert(files.begin() + 1, (a.path() / "p.jwc").string());
  files.push_back((a.path() / "bad.jww").string());
  files.insert(files.begin() + 5, (a.path() / "x.txt").string());

  TempDir one, two, four;
  for (const TempDir *d : {&one, &two, &four}) {
    PutJww(d->path() / "p.jww", MakeRichDrawing(351, false));
    WriteFileBytes(d->path() / "p.jwc", jwcfix::BuildJwc(jwcfix::JwcDrawing{}));
    PutJww(d->path() / "f4.jww", MakeRichDrawing(600, false));
  }
  const auto run = [&](const TempDir &dest, const char *jobs) {
    std::vector<std::string> args{"convert", "--dest", dest.path().string(), "--map",
                                  "2,1,3,4,5,6,7,8,9,10", "--jobs", jobs};
    args.insert(args.end(), files.begin(), files.end());
    return RunCli(args);
  };
  const CliResult r1 = run(one, "1");
  EXPECT_EQ(r1.exit, 1);
  const auto t1 = Tree(one.path());
  for (const auto &[dest, jobs] : {std::pair{&two, "2"}, std::pair{&four, "4"}}) {
    const CliResult r = run(*dest, jobs);
    EXPECT_EQ(r.exit, r1.exit) << jobs;
    EXPECT_EQ(Replace(r.out, dest->path().string(), "D"), Replace(r1.out, one.path().string(), "D"))
        << jobs;
    EXPECT_EQ(r.err, r1.err) << jobs;
    EXPECT_EQ(Tree(dest->path()), t1) << jobs;
  }
  // Nothing was lost: the earlier p.jwc and p.jww, and the first converted
  // p.jww, each have a backup of their own.
  EXPECT_TRUE(t1.count("p.BAK"));
  EXPECT_TRUE(t1.count("p.jww.BAK"));
  EXPECT_TRUE(t1.count("p.jww.2.BAK"));
  EXPECT_TRUE(t1.count("f4.BAK"));
}

}  // namespace
}  // namespace velkaro::testing
