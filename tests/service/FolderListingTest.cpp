// The file list's rows for a folder and a file type, the header look-up with
// its extension groups, and the window's sort.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/ConversionBatchFixtures.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "service/FolderListing.h"
#include "support/Func_2.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

class ListingTest : public ::testing::Test {
 protected:
  FolderListingResult list(std::int32_t type) { return lister.ListFolder(dir.u16(), type); }

  const ListRow *find(const FolderListingResult &r, const std::u16string &name) {
    for (const ListRow &row : r.rows)
      if (row.caption == name)
        return &row;
    return nullptr;
  }

  void putJww(const std::string &name, std::int32_t version, const std::u16string &memo) {
    testing::JwwDrawingSpec plan = testing::MakeCanonicalDrawing(version);
    plan.hd.strMemo = memo;
    dir.write(name, testing::BuildJww(plan).bytes);
  }

  // The folder of the listing example: a.jww, b.JWC, c.txt and a sub-folder.
  void putExampleFolder() {
    putJww("a.jww", 700, u"A B\r\nC");
    testing::jwcfix::JwcDrawing jwc;
    jwc.comment1 = "TEST";
    jwc.comment2 = "DRAW";
    dir.write("b.JWC", testing::jwcfix::BuildJwc(jwc));
    dir.write("c.txt", {'h', 'i'});
    fs::create_directory(dir.path() / "sub.jww");
  }

  TempDir dir;
  TJwwData JWW;
  TJwsData JWS;
  TJwcData JWC;
  TJwkData JWK;
  FolderLister lister{JWW, JWS, JWC, JWK};
};

// The file system's order looks random on Linux; the list starts in name
// order, ASCII letters without case, and names equal but for case by code unit.
TEST_F(ListingTest, RowsComeInNameOrder) {
  for (const char *name : {"b.txt", "_x", "A.txt", "a.jww", "C.jww"})
    dir.write(name, {'x'});
  std::vector<std::u16string> expected{u"a.jww", u"A.txt", u"b.txt", u"C.jww", u"_x"};
#ifndef _WIN32  // names differing only in case are one file on Windows
  dir.write("a.JWW", {'x'});
  expected.insert(expected.begin(), u"a.JWW");
#endif
  std::vector<std::u16string> names;
  for (const ListRow &row : list(0).rows)
    names.push_back(row.caption);
  EXPECT_EQ(names, expected);
}

TEST_F(ListingTest, TheExampleFolderWithAllFiles) {
  putExampleFolder();
  const FolderListingResult r = list(0);
  EXPECT_TRUE(r.folderExists);
  ASSERT_EQ(r.rows.size(), 3u);
  const ListRow *a = find(r, u"a.jww");
  const ListRow *b = find(r, u"b.JWC");
  const ListRow *c = find(r, u"c.txt");
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->subItems[0], u".jww");
  EXPECT_EQ(a->subItems[1], u"ABC");
  EXPECT_EQ(a->subItems[4], u"700");
  EXPECT_EQ(b->subItems[0], u".jwc");
  EXPECT_EQ(b->subItems[1], u"TESTDRAW");
  EXPECT_EQ(b->subItems[4], u"DOS");
  EXPECT_EQ(c->subItems[0], u".txt");
  EXPECT_EQ(c->subItems[1], u"");
  EXPECT_EQ(c->subItems[4], u"");
  EXPECT_EQ(c->subItems[3], u"2");
  EXPECT_EQ(a->subItems[3], IntToString(static_cast<std::int64_t>(fs::file_size(dir.path() / "a.jww"))));
  EXPECT_TRUE(std::regex_match(ToUtf8(a->subItems[2]),
                               std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})")));
  EXPECT_EQ(&a->column(0), &a->caption);
  EXPECT_EQ(&a->column(5), &a->subItems[4]);
  EXPECT_EQ(r.statusText, u"ファイル検索しました（ファイル数：3）");
}

struct TypeCase {
  std::int32_t type;
  std::vector<std::u16string> names;
};

class ListingType : public ListingTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(ListingType, TheFileTypeFiltersTheRows) {
  putExampleFolder();
  dir.write("d.jws", testing::jwcfix::BuildJwsHeader(600));
  dir.write("e.jwk", testing::jwcfix::BuildJwkHeader("FIG", "URE"));
  const FolderListingResult r = list(GetParam().type);
  std::vector<std::u16string> names;
  for (const ListRow &row : r.rows)
    names.push_back(row.caption);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, GetParam().names);
  EXPECT_EQ(r.statusText,
            u"ファイル検索しました（ファイル数：" + IntToString(GetParam().names.size()) + u"）");
}

INSTANTIATE_TEST_SUITE_P(
    Types, ListingType,
    ::testing::Values(TypeCase{0, {u"a.jww", u"b.JWC", u"c.txt", u"d.jws", u"e.jwk"}},
                      TypeCase{1, {u"a.jww", u"b.JWC", u"d.jws", u"e.jwk"}},
                      TypeCase{2, {u"a.jww"}}, TypeCase{3, {u"d.jws"}}, TypeCase{4, {u"b.JWC"}},
                      TypeCase{5, {u"e.jwk"}},
                      TypeCase{-1, {u"a.jww", u"b.JWC", u"c.txt", u"d.jws", u"e.jwk"}},
                      // The convertible drawings only, whatever the case of their extension.
                      TypeCase{6, {u"a.jww", u"b.JWC"}},
                      TypeCase{7, {u"a.jww", u"b.JWC", u"c.txt", u"d.jws", u"e.jwk"}}));

TEST_F(ListingTest, FiguresShowTheirHeaders) {
  dir.write("d.jws", testing::jwcfix::BuildJwsHeader(650));
  dir.write("e.jwk", testing::jwcfix::BuildJwkHeader("FIG 1", "PART"));
  const FolderListingResult r = list(0);
  const ListRow *d = find(r, u"d.jws");
  const ListRow *e = find(r, u"e.jwk");
  ASSERT_TRUE(d && e);
  EXPECT_EQ(d->subItems[4], u"650");
  EXPECT_EQ(d->subItems[1], u"");
  EXPECT_EQ(e->subItems[4], u"DOS");
  EXPECT_EQ(e->subItems[1], u"FIG1PART");
}

struct BackupCase {
  const char *name;
  bool shown;  // read as a JWW file
};

class ListingBackup : public ListingTest, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(ListingBackup, JwwBackupsShowVersionAndMemo) {
  putJww(GetParam().name, 600, u"memo");
  const FolderListingResult r = list(0);
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.rows[0].subItems[4], GetParam().shown ? u"600" : u"");
  EXPECT_EQ(r.rows[0].subItems[1], GetParam().shown ? u"memo" : u"");
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, ListingBackup,
    ::testing::Values(BackupCase{"x.bak", true}, BackupCase{"x.BAK", true}, BackupCase{"x.bk1", true},
                      BackupCase{"x.bk5", true}, BackupCase{"x.bk9", true},
                      BackupCase{"x.bk10", true}, BackupCase{"x.jw$", true},
                      BackupCase{"x.bk0", false}, BackupCase{"x.bk", false},
                      BackupCase{"x.bkA", false}, BackupCase{"x.jwx", false}));

TEST_F(ListingTest, AJwwNameThatIsNotADrawingShowsEmptyMemoAndVersion) {
  dir.write("fake.jww", {'J', 'w', 'w', 'D', 'a', 't', 'a'});
  const FolderListingResult r = list(0);
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.rows[0].caption, u"fake.jww");
  EXPECT_EQ(r.rows[0].subItems[0], u".jww");
  EXPECT_EQ(r.rows[0].subItems[1], u"");
  EXPECT_EQ(r.rows[0].subItems[3], u"7");
  EXPECT_EQ(r.rows[0].subItems[4], u"");
}

TEST_F(ListingTest, AMemoIsCleanedOfLineBreaksAndBlanks) {
  putJww("m.jww", 420, u" 図面 A\r\nB ^m C\t");
  std::u16string version, memo;
  lister.GetFileInfo(dir.file("m.jww"), version, memo);
  EXPECT_EQ(version, u"420");
  EXPECT_EQ(memo, u"図面ABC");
}

TEST_F(ListingTest, AMissingFolderGivesAnEmptyListAndTheSearchingStatus) {
  for (const std::u16string &folder : {dir.file("gone"), std::u16string()}) {
    const FolderListingResult r = lister.ListFolder(folder, 0);
    EXPECT_FALSE(r.folderExists);
    EXPECT_TRUE(r.rows.empty());
    EXPECT_EQ(r.statusText, u"ファイル検索中です");
  }
}

TEST_F(ListingTest, AnEmptyFolderListsNothing) {
  const FolderListingResult r = list(0);
  EXPECT_TRUE(r.folderExists);
  EXPECT_EQ(r.statusText, u"ファイル検索しました（ファイル数：0）");
}

TEST(FolderListingTables, EntriesMasksAndHeaders) {
  EXPECT_EQ(kFileTypeEntries[0], u"ALL Files (*.*)");
  EXPECT_EQ(kFileTypeEntries[1], u"Jw_cad ファイル (*.jw?)");
  EXPECT_EQ(kFileTypeEntries[4], u"JW_CAD 図面ファイル (*.jwc)");
  EXPECT_EQ(FileTypeMask(0), u"*");
  EXPECT_EQ(FileTypeMask(1), u"*.jw?");
  EXPECT_EQ(FileTypeMask(5), u"*.jwk");
  EXPECT_EQ(FileTypeMask(-1), u"*");
  EXPECT_EQ(kFileTypeEntries[6], u"JWW/JWC（変換対象）");
  EXPECT_EQ(FileTypeMask(7), u"*");
  EXPECT_EQ(kListColumnHeaders[0], u"ファイル名");
  EXPECT_EQ(kListColumnHeaders[5], u"Ver.");
}

struct CompareCase {
  std::u16string a, b;
  int sign;
};

class AsciiNoCase : public ::testing::TestWithParam<CompareCase> {};

TEST_P(AsciiNoCase, FoldsOnlyAsciiLetters) {
  const std::int32_t c = CompareAsciiNoCase(GetParam().a, GetParam().b);
  EXPECT_EQ((c > 0) - (c < 0), GetParam().sign);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsciiNoCase,
    ::testing::Values(CompareCase{u"abc", u"ABC", 0}, CompareCase{u"a.jww", u"b.JWC", -1},
                      CompareCase{u"ab", u"a", 1}, CompareCase{u"", u"", 0},
                      CompareCase{u"ä", u"Ä", 1},  // not ASCII: not folded
                      CompareCase{u"_", u"a", 1},  // "a" folds to "A" (0x41) below "_" (0x5F)
                      CompareCase{u"図", u"ず", 1}));

TEST(AsciiNoCaseValue, IsTheDifferenceOfTheFoldedUnitsOrOfTheLengths) {
  EXPECT_EQ(CompareAsciiNoCase(u"a", u"c"), -2);
  EXPECT_EQ(CompareAsciiNoCase(u"abcd", u"AB"), 2);
}

ListRow Row(const std::u16string &name, const std::u16string &size) {
  ListRow r;
  r.caption = name;
  r.subItems[3] = size;
  return r;
}

std::vector<std::u16string> Names(const std::vector<ListRow> &rows) {
  std::vector<std::u16string> names;
  for (const ListRow &r : rows)
    names.push_back(r.caption);
  return names;
}

TEST(ListSort, SizesCompareByValueFirstDescendingThenAscending) {
  std::vector<ListRow> rows{Row(u"small", u"900"), Row(u"big", u"1000")};
  TListSortState state;
  EXPECT_EQ(state.Sort1, -1);
  state.ColumnClick(4);
  SortListRows(rows, state.Sort1, state.Sort2);
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"big", u"small"}));
  state.ColumnClick(4);
  SortListRows(rows, state.Sort1, state.Sort2);
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"small", u"big"}));
}

TEST(ListSort, TheFirstClickOnTheNameSortsFromZToAIgnoringAsciiCase) {
  std::vector<ListRow> rows{Row(u"a.jww", u"1"), Row(u"C.txt", u"2"), Row(u"b.JWC", u"3")};
  TListSortState state;
  state.ColumnClick(0);
  SortListRows(rows, state.Sort1, state.Sort2);
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"C.txt", u"b.JWC", u"a.jww"}));
  // Another column continues the alternation: ascending now.
  state.ColumnClick(4);
  EXPECT_EQ(state.Sort2, 0);
  SortListRows(rows, state.Sort1, state.Sort2);
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"a.jww", u"C.txt", u"b.JWC"}));
}

TEST(ListSort, BeforeAnyClickNothingIsSorted) {
  std::vector<ListRow> rows{Row(u"b", u"1"), Row(u"a", u"2")};
  EXPECT_EQ(ListView1Compare(rows[0], rows[1], -1, 0), 0);
  SortListRows(rows, -1, 0);
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"b", u"a"}));
}

TEST(ListSort, OtherColumnsCompareTheirSubItems) {
  ListRow x, y;
  x.subItems[4] = u"700";
  y.subItems[4] = u"DOS";
  EXPECT_LT(ListView1Compare(x, y, 5, 0), 0);
  EXPECT_GT(ListView1Compare(x, y, 5, 1), 0);
  // Only the size column is padded: "9" after "10" as text.
  x.subItems[0] = u"9";
  y.subItems[0] = u"10";
  EXPECT_GT(ListView1Compare(x, y, 1, 0), 0);
  x.subItems[3] = u"9";
  y.subItems[3] = u"10";
  EXPECT_LT(ListView1Compare(x, y, 4, 0), 0);
}

}  // namespace
}  // namespace velkaro
