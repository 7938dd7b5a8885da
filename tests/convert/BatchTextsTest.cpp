// The texts a drafter reads about a batch: the map in one line, the look
// before writing, and the readers' reasons told in Japanese.
#include <gtest/gtest.h>

#include "convert/ConversionBatch.h"
#include "convert/FailureReason.h"
#include "convert/UnitV.h"

namespace velkaro {
namespace {

TEST(MapTexts, SayWhatChanges) {
  const TMojiShuMap identity{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const TMojiShuMap swap{3, 2, 1, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(MapSummaryText(identity), u"変更なし");
  EXPECT_EQ(MapSummaryText(swap), u"1→3, 3→1");
  EXPECT_EQ(MapSummaryText({10, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
            u"1→10, 2→1, 3→2, 4→3, 5→4, 6→5, 7→6, 8→7, 9→8, 10→9");
  EXPECT_TRUE(IsIdentityMap(identity));
  EXPECT_FALSE(IsIdentityMap(swap));
  const std::u16string table = MapTableText(swap);
  EXPECT_EQ(table.substr(0, table.find(u'\n')), u"文字種1 → 文字種3");
  EXPECT_NE(table.find(u"文字種2 → 文字種2（そのまま）"), std::u16string::npos);
}

TEST(BatchConfirmation, NamesTheFilesTheMapAndTheDestination) {
  EXPECT_EQ(BatchConfirmationText(40, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}, u"D:\\図面\\保存"),
            u"40個のファイルを変換します。\r\n\r\n文字種の対応：1→2, 2→1\r\n"
            u"保存先：D:\\図面\\保存\r\n\r\nよろしいですか？");
  EXPECT_NE(BatchConfirmationText(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, u"x").find(u"文字種は変わりません。"),
            std::u16string::npos);
}

TEST(ReadFailureDetail, IsToldInJapaneseWithItsPlace) {
  const struct {
    const char *detail;
    const char16_t *text;
  } cases[] = {
      {"", u""},
      {"File I/O Error: the file ends inside the header block at offset 0x2CEB",
       u"ファイルが途中で切れています（ヘッダー部、位置 0x2CEB）"},
      {"File I/O Error: the file ends inside block definition 2 of 3",
       u"ファイルが途中で切れています（ブロック定義）"},
      {"JWW-Version Error: version 9999", u"対応していないバージョンの図面です"},
      {"JWW-Header Error: signature", u"図面のヘッダーが正しくありません"},
      {"File I/O Error: out of memory while reading", u"メモリーが足りません"},
      {"File I/O Error: string count 70000 at offset 0x10 exceeds the 12 bytes left",
       u"図面のデータ数がファイルの大きさと合いません（文字列、位置 0x10）"},
      {"File I/O Error: something new", u"図面の内容が壊れています"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ReadFailureDetailText(c.detail), c.text) << c.detail;
}

TEST(FileFailureReasonText, AddsTheDetailToTheOutcome) {
  EXPECT_EQ(FileFailureReason({u"a", u"b", FileOutcome::WriteFailed}), u"書き込めません");
  EXPECT_EQ(FileFailureReason({u"a", u"b", FileOutcome::ReadFailed,
                               "File I/O Error: the file ends inside the header block at offset 0x10"}),
            u"読み込めません。ファイルが途中で切れています（ヘッダー部、位置 0x10）");
}

}  // namespace
}  // namespace velkaro
