// velkaro-cli undo: each file and its outcome, the final line, and the exit
// status of all restored (0), some left alone (1), nothing to undo (2).
#include <gtest/gtest.h>

#include <filesystem>

#include "builders/JwwBuilder.h"
#include "tests/cli/CliRun.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

TEST(CliUndo, TakesTheLastBatchBackAndSaysWhatBecameOfEachFile) {
  TempDir src, dst;
  WriteFileBytes(src.path() / "a.jww", BuildJww(MakeRichDrawing(600, false)).bytes);
  WriteFileBytes(src.path() / "b.jww", BuildJww(MakeRichDrawing(420, false)).bytes);
  WriteFileBytes(dst.path() / "a.jww", BuildJww(MakeRichDrawing(230, false)).bytes);
  const auto earlier = ReadFileBytes(dst.path() / "a.jww");
  const std::string d = dst.path().string();
  const auto line = [&](const std::string &name, const std::string &what) {
    return (fs::path(d) / name).string() + ": " + what;
  };
  const auto convert = [&] {
    return RunCli({"convert", "--quiet", "--dest", d, "--map", "2,1,3,4,5,6,7,8,9,10",
                   (src.path() / "a.jww").string(), (src.path() / "b.jww").string()});
  };
  ASSERT_EQ(convert().exit, 0);
  const auto converted = ReadFileBytes(dst.path() / "a.jww");

  const CliResult dry = RunCli({"undo", "--dest", d, "--dry-run"});
  EXPECT_EQ(dry.exit, 0) << dry.err;
  ASSERT_EQ(LinesOf(dry.out).size(), 4u) << dry.out;
  EXPECT_EQ(LinesOf(dry.out)[0], line("b.jww", "変換前には無かったファイルなので取り除きます（b.BAK に残します）"));
  EXPECT_EQ(LinesOf(dry.out)[3], "2個のファイルを元に戻せます。");
  EXPECT_EQ(ReadFileBytes(dst.path() / "a.jww"), converted);

  const CliResult undo = RunCli({"undo", "--dest", d});
  EXPECT_EQ(undo.exit, 0) << undo.err;
  EXPECT_EQ(LinesOf(undo.out),
            (std::vector<std::string>{
                line("b.jww", "変換前には無かったファイルなので取り除きました（b.BAK に残しました）"),
                line("a.jww", "元のファイルに戻しました（a.bk1 から）"), "2個のファイルを元に戻しました。"}));
  EXPECT_EQ(ReadFileBytes(dst.path() / "a.jww"), earlier);
  EXPECT_FALSE(fs::exists(dst.path() / "b.jww"));

  const CliResult nothing = RunCli({"undo", "--dest", d});
  EXPECT_EQ(nothing.exit, 2);
  EXPECT_EQ(nothing.err, "velkaro-cli: 元に戻せる変換はありません。\n");

  // An output edited since is named on stderr and left: exit 1.
  ASSERT_EQ(convert().exit, 0);
  WriteFileBytes(dst.path() / "b.jww", {'e', 'd', 'i', 't'});
  const CliResult some = RunCli({"undo", "--dest", d});
  EXPECT_EQ(some.exit, 1);
  EXPECT_EQ(some.err, "velkaro-cli: " + line("b.jww", "変換の後に変更されているので、そのままにしました") + "\n");
  EXPECT_EQ(LinesOf(some.out).back(), "1個のファイルを元に戻しました。（1個はそのままにしました）");
  EXPECT_EQ(ReadFileBytes(dst.path() / "b.jww"), (std::vector<std::uint8_t>{'e', 'd', 'i', 't'}));

  EXPECT_EQ(RunCli({"undo"}).exit, 2);
  EXPECT_EQ(RunCli({"undo", "--dest", (dst.path() / "none").string()}).exit, 2);
}

}  // namespace
}  // namespace velkaro::testing
