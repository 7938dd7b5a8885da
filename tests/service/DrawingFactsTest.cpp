// The kinds overview of a selection: table entries from the first drawing and
// where others differ, texts summed over files and places, the new kind of
// each old kind, and files that are no drawings or cannot be read.
#include <gtest/gtest.h>

#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/ConversionBatchFixtures.h"
#include "service/DrawingFacts.h"

namespace velkaro {
namespace {

using testing::TempDir;

// A version 700 drawing with the builder's table, `entry5` as kind 5's entry,
// texts of the given kinds, one dimension of kind 3 and a block definition
// holding a text of kind 7.
std::vector<std::uint8_t> Drawing(const std::vector<std::uint32_t> &kinds,
                                  TEntJwwMojiType entry5 = {6.0, 6.5, 2.0, 5}) {
  testing::JwwDrawingSpec plan = testing::MakeCanonicalDrawing(700);
  plan.EntMoj[4] = entry5;
  for (std::uint32_t kind : kinds)
    plan.entities.push_back(testing::Text(u"t", kind));
  TEntJwwSunpo dimension = testing::Dimension(1.0, 0);
  dimension.Moji.nMojiShu = 3;
  plan.entities.push_back(dimension);
  testing::JwwBlockDefSpec block;
  block.strName = u"b";
  block.members.push_back(testing::Text(u"in block", 7));
  plan.blockDefs.push_back(block);
  return testing::BuildJww(plan).bytes;
}

const TMojiShuMap kSwap12{2, 1, 3, 4, 5, 6, 7, 8, 9, 10};

TEST(KindsOverview, SumsTheSelectionAndTakesTheFirstDrawingsTable) {
  TempDir dir;
  dir.write("a.jww", Drawing({1, 1, 20002, 0, 12}));
  dir.write("b.jww", Drawing({2}, {9.0, 9.0, 1.0, 3}));  // kind 5 differs
  dir.write("note.txt", std::vector<std::uint8_t>(10, 'x'));
  std::vector<std::uint8_t> cut = Drawing({1});
  cut.resize(cut.size() / 2);  // a JWW header, the rest missing
  dir.write("broken.jww", cut);
  const KindsOverview o = ReadKindsOverview(
      {dir.file("a.jww"), dir.file("b.jww"), dir.file("note.txt"), dir.file("broken.jww")}, kSwap12);

  EXPECT_EQ(o.drawings, 2);
  EXPECT_EQ(o.notDrawings, 1);
  EXPECT_EQ(o.unreadable, std::vector<std::u16string>{dir.file("broken.jww")});
  // kind: texts, dimensions, blocks summed over a and b; new kind under the map
  const struct {
    int kind;
    std::int64_t texts, dimensions, blocks;
    std::int32_t newKind;
  } rows[] = {{1, 2, 0, 0, 2}, {2, 2, 0, 0, 1}, {3, 0, 2, 0, 3}, {7, 0, 0, 2, 7}, {10, 0, 0, 0, 10}};
  for (const auto &r : rows) {
    const KindSummary &k = o.kinds[static_cast<std::size_t>(r.kind - 1)];
    EXPECT_EQ(k.kind, r.kind);
    EXPECT_EQ(k.use.texts, r.texts) << r.kind;
    EXPECT_EQ(k.use.dimensions, r.dimensions) << r.kind;
    EXPECT_EQ(k.use.blocks, r.blocks) << r.kind;
    EXPECT_EQ(k.newKind, r.newKind) << r.kind;
  }
  EXPECT_EQ(o.kindZeroUse.texts, 1);
  EXPECT_EQ(o.otherKindUse.texts, 1);
  // Kind 5 is a's entry, marked as differing; kind 4 is the same in both.
  ASSERT_TRUE(o.kinds[4].entry.has_value());
  EXPECT_EQ(*o.kinds[4].entry, (TextKindEntry{6.0, 6.5, 2.0, 5}));
  EXPECT_TRUE(o.kinds[4].entryDiffers);
  EXPECT_FALSE(o.kinds[3].entryDiffers);
}

TEST(KindsOverview, JwcTablesInMillimetresAndMixedFormatsDiffer) {
  TempDir dir;
  testing::jwcfix::JwcDrawing jwc;
  jwc.texts = {{0, 0, 1, 0, 2, 0, "a"}};
  dir.write("c.jwc", testing::jwcfix::BuildJwc(jwc));
  dir.write("a.jww", Drawing({}));
  const KindsOverview alone = ReadKindsOverview({dir.file("c.jwc")}, kSwap12);
  ASSERT_TRUE(alone.kinds[1].entry.has_value());
  // EntMjtp[2]: pen 1, width 20, height 25, spacing 2 in 0.1 mm.
  EXPECT_EQ(*alone.kinds[1].entry, (TextKindEntry{2.0, 2.5, 0.2, 1}));
  EXPECT_FALSE(alone.kinds[1].entryDiffers);
  EXPECT_EQ(alone.kinds[1].use.texts, 1);

  const KindsOverview mixed = ReadKindsOverview({dir.file("c.jwc"), dir.file("a.jww")}, kSwap12);
  for (const KindSummary &k : mixed.kinds)
    EXPECT_TRUE(k.entryDiffers) << k.kind;  // pens and colours are not comparable
}

TEST(KindsOverview, NothingReadableLeavesNoEntriesAndAnotherMapRenumbers) {
  KindsOverview o = SummarizeKinds({}, kSwap12);
  EXPECT_EQ(o.drawings, 0);
  for (const KindSummary &k : o.kinds) {
    EXPECT_FALSE(k.entry.has_value());
    EXPECT_EQ(k.use.total(), 0);
  }
  EXPECT_EQ(o.kinds[0].newKind, 2);
  ApplyMap(o, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
  EXPECT_EQ(o.kinds[0].newKind, 10);
  EXPECT_EQ(o.kinds[9].newKind, 1);
}

}  // namespace
}  // namespace velkaro
