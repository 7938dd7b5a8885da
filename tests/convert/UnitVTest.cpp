// The text-kind map and the remapping of drawings held in memory.
#include <gtest/gtest.h>

#include "convert/UnitV.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"

namespace velkaro {
namespace {

constexpr TMojiShuMap kIdentity{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr TMojiShuMap kSwap12{2, 1, 3, 4, 5, 6, 7, 8, 9, 10};

struct NormalizeCase {
  const char *name;
  TMojiShuMap input;
  TMojiShuMap expected;
};

class NormalizeMojiShuMapTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeMojiShuMapTest, GivesPermutation) {
  const NormalizeCase &c = GetParam();
  MojiShuMap = c.input;
  NormalizeMojiShuMap();
  EXPECT_EQ(MojiShuMap, c.expected);
  TMojiShuMap local = c.input;
  NormalizeMojiShuMap(local);
  EXPECT_EQ(local, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalizeMojiShuMapTest,
    ::testing::Values(
        NormalizeCase{"identity_control", kIdentity, kIdentity},
        NormalizeCase{"all_twos", {2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}},
        NormalizeCase{"three_threes", {3, 3, 3, 4, 5, 6, 7, 8, 9, 10}, {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}},
        NormalizeCase{"out_of_range", {0, 12, 1, 1, 5, 6, 7, 8, 9, 10}, {2, 3, 1, 4, 5, 6, 7, 8, 9, 10}},
        NormalizeCase{"zeros", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kIdentity},
        NormalizeCase{"reversed_kept", {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
        NormalizeCase{"fives_and_ones", {5, 5, 5, 5, 5, 1, 1, 1, 1, 1}, {5, 2, 3, 4, 6, 1, 7, 8, 9, 10}},
        NormalizeCase{"negative_and_huge", {-5, 2147483647, 3, 3, 11, 6, 7, 8, 9, 10},
                      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ResetMojiShuMapTest, GivesIdentity) {
  MojiShuMap = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ResetMojiShuMap();
  EXPECT_EQ(MojiShuMap, kIdentity);
}

TEST(MappedKindTest, OnlyKindsOneToTenMove) {
  EXPECT_EQ(MappedKind(kSwap12, 1), 2);
  EXPECT_EQ(MappedKind(kSwap12, 2), 1);
  EXPECT_EQ(MappedKind(kSwap12, 3), 3);
  EXPECT_EQ(MappedKind(kSwap12, 0), 0);
  EXPECT_EQ(MappedKind(kSwap12, 11), 11);
  // An entry that is no kind leaves its kind alone (the map is not normalised).
  const TMojiShuMap broken{0, 12, 3, 4, 5, 6, 7, 8, 9, -1};
  EXPECT_EQ(MappedKind(broken, 1), 1);
  EXPECT_EQ(MappedKind(broken, 2), 2);
  EXPECT_EQ(MappedKind(broken, 10), 10);
}

TEntJwwMoji JwwText(std::uint32_t nMojiShu) {
  TEntJwwMoji m;
  m.nMojiShu = nMojiShu;
  m.dSizeX = 2.5;
  m.str = u"text";
  return m;
}

// A JWW drawing with a distinct table and texts at every place the remapping
// must visit.
void FillJwwDrawing(TJwwData &jw) {
  jw.EntMoj.resize(10);
  for (int k = 0; k < 10; ++k)
    jw.EntMoj[k] = TEntJwwMojiType{1.0 + k, 10.0 + k, 0.1 * k, 100 + k};
  for (std::uint32_t v : {1u, 20001u, 2u, 0u, 11u, 10000u, 10010u})
    jw.EntMoji.push_back(JwwText(v));
  jw.EntMojiN = static_cast<std::int32_t>(jw.EntMoji.size());
  TEntJwwSunpo dim;
  dim.Moji = JwwText(1);
  jw.EntSunpo.push_back(dim);
  jw.EntSunpoN = 1;
  TEntJwwBlockDef def;
  def.mMoji.push_back(JwwText(10002));
  def.mMojiN = 1;
  TEntJwwSunpo inner;
  inner.Moji = JwwText(2);
  def.mSunpo.push_back(inner);
  def.mSunpoN = 1;
  jw.EntBlockDef.push_back(def);
  jw.EntBlockDefN = 1;
}

TEST(RemapJwwTextKindsTest, IdentityChangesNothing) {
  TJwwData jw;
  FillJwwDrawing(jw);
  RemapJwwTextKinds(jw, kIdentity);
  TJwwData expected;
  FillJwwDrawing(expected);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(jw.EntMoj[k].adMojiX, expected.EntMoj[k].adMojiX);
    EXPECT_EQ(jw.EntMoj[k].anMojiCol, expected.EntMoj[k].anMojiCol);
  }
  for (std::size_t i = 0; i < jw.EntMoji.size(); ++i)
    EXPECT_EQ(jw.EntMoji[i].nMojiShu, expected.EntMoji[i].nMojiShu);
}

TEST(RemapJwwTextKindsTest, SwapMovesTextsAndTable) {
  TJwwData jw;
  FillJwwDrawing(jw);
  RemapJwwTextKinds(jw, kSwap12);

  // Table entries of kinds 1 and 2 trade all four fields.
  EXPECT_EQ(jw.EntMoj[0].adMojiX, 2.0);
  EXPECT_EQ(jw.EntMoj[0].adMojiY, 11.0);
  EXPECT_DOUBLE_EQ(jw.EntMoj[0].adMojiD, 0.1);
  EXPECT_EQ(jw.EntMoj[0].anMojiCol, 101);
  EXPECT_EQ(jw.EntMoj[1].adMojiX, 1.0);
  EXPECT_EQ(jw.EntMoj[1].anMojiCol, 100);
  EXPECT_EQ(jw.EntMoj[2].adMojiX, 3.0);

  // 1 -> 2, bold 1 -> bold 2, 2 -> 1; kinds that name no entry stay.
  const std::uint32_t expected[] = {2, 20002, 1, 0, 11, 10000, 10010};
  for (std::size_t i = 0; i < jw.EntMoji.size(); ++i)
    EXPECT_EQ(jw.EntMoji[i].nMojiShu, expected[i]) << "text " << i;
  EXPECT_EQ(jw.EntMoji[0].dSizeX, 2.5);  // a text's own size is not touched
  EXPECT_EQ(jw.EntMoji[0].str, u"text");

  EXPECT_EQ(jw.EntSunpo[0].Moji.nMojiShu, 2u);
  EXPECT_EQ(jw.EntBlockDef[0].mMoji[0].nMojiShu, 10001u);
  EXPECT_EQ(jw.EntBlockDef[0].mSunpo[0].Moji.nMojiShu, 1u);
}

TEST(RemapJwwTextKindsTest, KindTenKeepsItalicStyle) {
  TJwwData jw;
  FillJwwDrawing(jw);
  RemapJwwTextKinds(jw, {1, 2, 10, 4, 5, 6, 7, 8, 9, 3});
  EXPECT_EQ(jw.EntMoji[6].nMojiShu, 10003u);
}

TEST(RemapJwwTextKindsTest, DrawingWithoutTextsStillPermutesTable) {
  TJwwData jw;
  jw.EntMoj.resize(10);
  for (int k = 0; k < 10; ++k)
    jw.EntMoj[k].anMojiCol = k + 1;
  RemapJwwTextKinds(jw, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
  for (int k = 0; k < 10; ++k)
    EXPECT_EQ(jw.EntMoj[k].anMojiCol, 10 - k);
}

TEST(RemapJwwTextKindsTest, UsesGlobalMap) {
  TJwwData jw;
  FillJwwDrawing(jw);
  MojiShuMap = kSwap12;
  RemapJwwTextKinds(jw);
  EXPECT_EQ(jw.EntMoji[0].nMojiShu, 2u);
  ResetMojiShuMap();
}

void FillJwcDrawing(TJwcData &jw) {
  jw.EntMjtp.resize(12);
  for (int k = 0; k < 12; ++k)
    jw.EntMjtp[k] = TEntJwcMojiType{static_cast<std::uint16_t>(k), static_cast<std::uint16_t>(10 * k),
                                    static_cast<std::uint16_t>(20 * k), static_cast<std::uint16_t>(k + 1)};
  for (std::uint8_t no : {1, 2, 0, 11, 255, 10}) {
    TEntJwcMoji2 m;
    m.no = no;
    m.s = u"t";
    jw.EntMoji.push_back(m);
  }
  jw.mojiN = jw.Enthd.mojiCount = static_cast<std::int32_t>(jw.EntMoji.size());
}

TEST(RemapJwcTextKindsTest, SwapMovesTextsAndTable) {
  TJwcData jw;
  FillJwcDrawing(jw);
  RemapJwcTextKinds(jw, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(jw.EntMjtp[1].penNo, 2);
  EXPECT_EQ(jw.EntMjtp[1].width, 20);
  EXPECT_EQ(jw.EntMjtp[2].penNo, 1);
  EXPECT_EQ(jw.EntMjtp[2].height, 20);
  EXPECT_EQ(jw.EntMjtp[2].dist, 2);
  // Entries 0 and 11 are never touched.
  EXPECT_EQ(jw.EntMjtp[0].width, 0);
  EXPECT_EQ(jw.EntMjtp[11].penNo, 11);
  const std::uint8_t expected[] = {2, 1, 0, 11, 255, 10};
  for (std::size_t i = 0; i < jw.EntMoji.size(); ++i)
    EXPECT_EQ(jw.EntMoji[i].no, expected[i]) << "text " << i;
}

TEST(RemapJwcTextKindsTest, ReverseMapKeepsEdgeEntries) {
  TJwcData jw;
  FillJwcDrawing(jw);
  RemapJwcTextKinds(jw, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
  for (int k = 1; k <= 10; ++k)
    EXPECT_EQ(jw.EntMjtp[k].penNo, 11 - k);
  EXPECT_EQ(jw.EntMjtp[0].penNo, 0);
  EXPECT_EQ(jw.EntMjtp[11].penNo, 11);
  EXPECT_EQ(jw.EntMoji[5].no, 1);
}

TEST(RemapJwcTextKindsTest, IdentityChangesNothing) {
  TJwcData jw;
  FillJwcDrawing(jw);
  RemapJwcTextKinds(jw, kIdentity);
  for (int k = 0; k < 12; ++k)
    EXPECT_EQ(jw.EntMjtp[k].penNo, k);
  EXPECT_EQ(jw.EntMoji[0].no, 1);
  EXPECT_EQ(jw.EntMoji[1].no, 2);
}

}  // namespace
}  // namespace velkaro
