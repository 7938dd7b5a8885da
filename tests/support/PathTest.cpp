// Path text helpers (extension, name, wildcard masks) and the POSIX path
// seam's surrogate escape.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <ostream>
#include <string>

#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {
namespace {

struct ExtCase {
  const char *name;
  std::u16string path;
  std::u16string ext;
};

void PrintTo(const ExtCase &c, std::ostream *os) { *os << c.name; }

class FileExtLowerTest : public ::testing::TestWithParam<ExtCase> {};

TEST_P(FileExtLowerTest, FindsTheLowerCasedExtension) {
  EXPECT_EQ(FileExtLower(GetParam().path), GetParam().ext);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileExtLowerTest,
    ::testing::Values(ExtCase{"UpperCase", u"Plan.JWW", u".jww"}, ExtCase{"TrailingDot", u"x.", u"."},
                      ExtCase{"LastDotOnly", u"archive.tar.gz", u".gz"},
                      ExtCase{"DotInFolderBackslash", u"a.b\\c", u""},
                      ExtCase{"DotInFolderSlash", u"a.b/c", u""},
                      ExtCase{"DotBeforeDriveColon", u"a.b:c", u""},
                      ExtCase{"NoDot", u"plan", u""}, ExtCase{"Empty", u"", u""},
                      ExtCase{"FullPath", u"D:\\out\\plan.Jwc", u".jwc"},
                      ExtCase{"PosixPath", u"/home/u/図面.JWW", u".jww"},
                      ExtCase{"HiddenFile", u"/tmp/.bashrc", u".bashrc"},
                      ExtCase{"BackupDollar", u"plan.JW$", u".jw$"},
                      ExtCase{"FullWidthUpper", u"a.ＪＷＷ", u".ｊｗｗ"},
                      ExtCase{"EndsWithSeparator", u"a.b\\", u""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FileExtLower, RefusesAPathHoldingNul) {
  EXPECT_THROW(FileExtLower(std::u16string(u"a\0.jww", 6)), std::invalid_argument);
}

#ifndef _WIN32  // POSIX file names may hold these
TEST(FileExtLower, AcceptsCharactersOnlyWindowsForbids) {
  // Legal in POSIX file names, and names from the file system may hold them.
  EXPECT_EQ(FileExtLower(u"a|b<c>.\"JW\tW"), u".\"jw\tw");
}
#endif

struct ReplaceCase {
  const char *name;
  std::u16string path;
  std::u16string ext;
  std::u16string result;
};

void PrintTo(const ReplaceCase &c, std::ostream *os) { *os << c.name; }

class ReplaceExtTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceExtTest, ReplacesOrAppends) {
  EXPECT_EQ(ReplaceExt(GetParam().path, GetParam().ext), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReplaceExtTest,
    ::testing::Values(ReplaceCase{"Replace", u"D:\\out\\plan.jww", u".BAK", u"D:\\out\\plan.BAK"},
                      ReplaceCase{"Append", u"D:\\out\\plan", u".BAK", u"D:\\out\\plan.BAK"},
                      ReplaceCase{"DotInFolder", u"D:\\rev.2\\plan", u".BAK", u"D:\\rev.2\\plan.BAK"},
                      ReplaceCase{"PosixDotInFolder", u"/x/rev.2/plan", u".BAK", u"/x/rev.2/plan.BAK"},
                      ReplaceCase{"KeepsCaseOfTheRest", u"/x/Plan.JWW", u".BAK", u"/x/Plan.BAK"},
                      ReplaceCase{"OnlyLastExtension", u"a.tar.gz", u".bz2", u"a.tar.bz2"},
                      ReplaceCase{"TrailingDot", u"x.", u".jww", u"x.jww"},
                      ReplaceCase{"EmptyExtension", u"plan.jww", u"", u"plan"},
                      ReplaceCase{"EmptyPath", u"", u".BAK", u".BAK"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ExtractName, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(ExtractName(u"D:\\out\\plan.jww"), u"plan.jww");
  EXPECT_EQ(ExtractName(u"/home/u/図面.jww"), u"図面.jww");
  EXPECT_EQ(ExtractName(u"C:plan.jww"), u"plan.jww");
  EXPECT_EQ(ExtractName(u"plan.jww"), u"plan.jww");
  EXPECT_EQ(ExtractName(u"/home/u/"), u"");
  EXPECT_EQ(ExtractName(u""), u"");
}

TEST(ExtractName, GivesEmptyForAPathHoldingNul) {
  EXPECT_EQ(ExtractName(std::u16string(u"/a/b\0c", 6)), u"");
}

TEST(PathSeparator, IsTheNativeOne) {
#ifdef _WIN32
  EXPECT_EQ(PathSeparator(), u'\\');
#else
  EXPECT_EQ(PathSeparator(), u'/');
#endif
  EXPECT_EQ(ToFsPath(std::u16string(u"a") + PathSeparator() + u"b"), std::filesystem::path("a") / "b");
}

// ---- Masks ----------------------------------------------------------------------------

struct MaskCase {
  std::u16string name;
  std::u16string mask;
  bool matches;
};

void PrintTo(const MaskCase &c, std::ostream *os) { *os << ToUtf8(c.name) << " ~ " << ToUtf8(c.mask); }

class MatchesMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MatchesMaskTest, MatchesIgnoringCase) {
  EXPECT_EQ(MatchesMask(GetParam().name, GetParam().mask), GetParam().matches)
      << ToUtf8(GetParam().name) << " ~ " << ToUtf8(GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MatchesMaskTest,
    ::testing::Values(
        MaskCase{u"a.jww", u"*.jww", true}, MaskCase{u"b.JWW", u"*.jww", true},
        MaskCase{u"b.Jww", u"*.JWW", true}, MaskCase{u"a.jwc", u"*.jww", false},
        MaskCase{u"a.jww.bak", u"*.jww", false}, MaskCase{u"x.jws", u"*.jw?", true},
        MaskCase{u"x.jw", u"*.jw?", false}, MaskCase{u"x.jwwx", u"*.jw?", false},
        MaskCase{u"x.JW$", u"*.jw?", true}, MaskCase{u"anything", u"*", true},
        MaskCase{u"", u"*", true}, MaskCase{u".hidden", u"*", true},
        MaskCase{u"図面.JWW", u"*.jww", true}, MaskCase{u"ａ.ｊｗｗ", u"Ａ.ＪＷＷ", true},
        MaskCase{u"ÉTÉ.jww", u"été.*", true}, MaskCase{u"\U0001F600.jww", u"?.jww", true},
        MaskCase{u"ab.jww", u"?.jww", false}, MaskCase{u"a.jww", u"a.jww", true},
        MaskCase{u"a.jww", u"a", false}, MaskCase{u"aXbYc", u"a*b*c", true},
        MaskCase{u"aXbYd", u"a*b*c", false}, MaskCase{u"abcabc.jww", u"*abc.jww", true},
        MaskCase{u"plan.jww", u"**.jww", true},
        MaskCase{std::u16string{u'x', char16_t{0xDCFF}, u'.', u'j', u'w', u'w'}, u"*.jww", true}));

TEST(MatchesMask, PathologicalMaskFinishes) {
  const std::u16string name(2000, u'a');
  EXPECT_FALSE(MatchesMask(name, u"*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesMask(name + u"b", u"*a*a*a*a*a*a*a*a*b"));
}

// ---- The path seam ---------------------------------------------------------------------

#ifndef _WIN32  // POSIX: byte names carried as surrogates (Windows: WindowsPlatformTest)
TEST(FsPath, ValidUtf8NamesConvertPlainly) {
  EXPECT_EQ(ToFsPath(u"/tmp/図面.jww").native(), "/tmp/\xE5\x9B\xB3\xE9\x9D\xA2.jww");
  EXPECT_EQ(FromFsPath("/tmp/\xE5\x9B\xB3\xE9\x9D\xA2.jww"), u"/tmp/図面.jww");
  EXPECT_EQ(FromFsPath(ToFsPath(u"\U0001F600")), u"\U0001F600");
}
#endif

#ifndef _WIN32  // POSIX: byte names carried as surrogates (Windows: WindowsPlatformTest)
TEST(FsPath, InvalidBytesAreCarriedAsLoneSurrogates) {
  // 0x93 0xFA is "日" in code page 932: a name written by a Windows tool.
  EXPECT_EQ(FromFsPath("a\x93\xFA.jww"),
            (std::u16string{u'a', char16_t{0xDC93}, char16_t{0xDCFA}, u'.', u'j', u'w', u'w'}));
  EXPECT_EQ(ToFsPath(FromFsPath("a\x93\xFA.jww")).native(), "a\x93\xFA.jww");
  // An encoded surrogate is not UTF-8 either: each of its bytes is escaped.
  EXPECT_EQ(FromFsPath("\xED\xB2\x80"),
            (std::u16string{char16_t{0xDCED}, char16_t{0xDCB2}, char16_t{0xDC80}}));
}
#endif

#ifndef _WIN32  // POSIX: byte names carried as surrogates (Windows: WindowsPlatformTest)
TEST(FsPath, EveryByteStringRoundTrips) {
  std::mt19937 rng(932);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string native(static_cast<std::size_t>(round % 17 + 1), '\0');
    for (char &c : native) c = static_cast<char>(byte(rng));
    ASSERT_EQ(ToFsPath(FromFsPath(native)).native(), native) << "round " << round;
  }
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string native(1, static_cast<char>(b));
    EXPECT_EQ(FromFsPath(native), std::u16string(1, static_cast<char16_t>(0xDC00 + b)));
    EXPECT_EQ(ToFsPath(FromFsPath(native)).native(), native);
  }
}
#endif

#ifndef _WIN32  // POSIX: byte names carried as surrogates (Windows: WindowsPlatformTest)
TEST(FsPath, OtherLoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(ToFsPath(std::u16string{u'a', char16_t{0xD800}}).native(), "a\xEF\xBF\xBD");
  EXPECT_EQ(ToFsPath(std::u16string{char16_t{0xDC7F}}).native(), "\xEF\xBF\xBD");
}
#endif

#ifndef _WIN32  // POSIX: byte names carried as surrogates (Windows: WindowsPlatformTest)
TEST(FsPath, UsablePathsHoldNoNul) {
  EXPECT_TRUE(IsUsablePath(u"/tmp/a"));
  EXPECT_FALSE(IsUsablePath(u""));
  EXPECT_FALSE(IsUsablePath(std::u16string(u"/tmp/a\0b", 8)));
  EXPECT_TRUE(IsUsablePath(u"a|b<c>\"d\te"));
}
#endif

// Regression: names holding a backslash (Shift-JIS 表 is 95 5C) could not be
// written on POSIX, where the backslash is a character of the name.
TEST(PlainEntryName, SeparatorsAreThoseOfThePlatform) {
  struct Case {
    std::u16string name;
    bool posix, windows;
  };
  const Case cases[] = {
      {u"plan.jww", true, true},     {u"a\\b.jww", true, false},
      {u"\xDC95\\.jww", true, false}, {u"a:b.jww", true, false},
      {u"a/b.jww", false, false},    {u"..", false, false},
      {u".", false, false},          {u"", false, false},
      {std::u16string(u"a\0b", 3), false, false},
  };
  for (const Case &c : cases) {
#ifdef _WIN32
    EXPECT_EQ(IsPlainEntryName(c.name), c.windows) << ToUtf8(c.name);
#else
    EXPECT_EQ(IsPlainEntryName(c.name), c.posix) << ToUtf8(c.name);
#endif
  }
}

}  // namespace
}  // namespace velkaro
