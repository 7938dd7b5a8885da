// FileArguments: "*" and "?" in the last part of a FILE argument, as Windows
// programs expand them (the expansion is asked for here on every platform).
#include <gtest/gtest.h>

#include <filesystem>

#include "builders/TempDir.h"
#include "cli/FileArguments.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

class FileArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char16_t *name : {u"b.jww", u"A.JWW", u"平面図.jww", u"c.jwc", u"d.jwwx"})
      WriteFileBytes(dir.path() / ToFsPath(name), {1});
    fs::create_directory(dir.path() / "sub.jww");  // a folder is no file to convert
  }
  std::u16string Path(const std::u16string &name) const { return JoinPath(dir.u16(), name); }
  std::string Arg(const std::u16string &last) const { return ToUtf8(Path(last)); }
  TempDir dir;
};

TEST_F(FileArgumentsTest, APatternGivesItsFilesSortedByNameIgnoringCase) {
  const cli::FileArguments r = cli::ExpandFileArguments({Arg(u"*.jww")}, true);
  EXPECT_TRUE(r.unmatched.empty());
  EXPECT_EQ(r.paths,
            (std::vector<std::u16string>{Path(u"A.JWW"), Path(u"b.jww"), Path(u"平面図.jww")}));
}

TEST_F(FileArgumentsTest, QuestionMarkIsOneCharacterAndPlainNamesPassAsGiven) {
  const cli::FileArguments r =
      cli::ExpandFileArguments({Arg(u"?.JWC"), Arg(u"平面?.jww"), Arg(u"missing.jww")}, true);
  EXPECT_EQ(r.paths, (std::vector<std::u16string>{Path(u"c.jwc"), Path(u"平面図.jww"),
                                                  Path(u"missing.jww")}));
}

TEST_F(FileArgumentsTest, APatternMatchingNothingIsNamedOnce) {
  const cli::FileArguments r =
      cli::ExpandFileArguments({Arg(u"*.jws"), Arg(u"b.jww")}, true);
  EXPECT_EQ(r.unmatched, (std::vector<std::string>{Arg(u"*.jws")}));
  EXPECT_EQ(r.paths, (std::vector<std::u16string>{Path(u"b.jww")}));
  EXPECT_EQ(cli::UnmatchedPatternMessage("*.jws"), u"「*.jws」に一致するファイルがありません。");
}

TEST_F(FileArgumentsTest, WithoutExpansionEveryArgumentIsAPath) {
  const cli::FileArguments r = cli::ExpandFileArguments({Arg(u"*.jww")}, false);
  EXPECT_TRUE(r.unmatched.empty());
  EXPECT_EQ(r.paths, (std::vector<std::u16string>{Path(u"*.jww")}));
}

}  // namespace
}  // namespace velkaro::testing
