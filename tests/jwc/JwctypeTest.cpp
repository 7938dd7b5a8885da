// The defaults of jwctype, the attribute checks, and the lifecycle of the
// JWC and JWK documents.
#include <gtest/gtest.h>

#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jwc/jwctype.h"

namespace velkaro {
namespace {

TEST(JwcDefaults, TextKindTableHoldsTheTenKinds) {
  InitJwcDefaults();
  EXPECT_EQ(JwcDefaultColor, 1);
  EXPECT_EQ(JwcDefaultLineType, 1);
  EXPECT_EQ(JwcDefaultMojiTypes[1].penNo, 1);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[1].width, 2.0);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[1].dist, 0.0);
  EXPECT_EQ(JwcDefaultMojiTypes[2].penNo, 1);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[2].height, 2.5);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[2].dist, 0.5);
  EXPECT_EQ(JwcDefaultMojiTypes[5].penNo, 3);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[5].width, 5.0);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[5].dist, 1.0);
  EXPECT_EQ(JwcDefaultMojiTypes[10].penNo, 5);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[10].width, 10.0);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[10].height, 10.0);
}

// A caller that damaged the defaults gets them back from InitJwcDefaults.
TEST(JwcDefaults, InitRestoresChangedDefaults) {
  JwcDefaultColor = 4;
  JwcDefaultLineType = 7;
  JwcDefaultMojiTypes[3].penNo = 9;
  JwcDefaultMojiTypes[3].width = 99;
  InitJwcDefaults();
  EXPECT_EQ(JwcDefaultColor, 1);
  EXPECT_EQ(JwcDefaultLineType, 1);
  EXPECT_EQ(JwcDefaultMojiTypes[3].penNo, 2);
  EXPECT_DOUBLE_EQ(JwcDefaultMojiTypes[3].width, 3.0);
}

struct ColorCase {
  int in;
  int out;
};

class CheckColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(CheckColorTest, RepairsOnlyInvalidColours) {
  InitJwcDefaults();
  std::uint8_t col = static_cast<std::uint8_t>(GetParam().in);
  CheckColor(col);
  EXPECT_EQ(col, GetParam().out);
  std::uint16_t pen = static_cast<std::uint16_t>(GetParam().in);
  CheckPenNo(pen);
  EXPECT_EQ(pen, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Colours, CheckColorTest,
                         ::testing::Values(ColorCase{0, 1}, ColorCase{1, 1}, ColorCase{2, 2},
                                           ColorCase{5, 5}, ColorCase{6, 6}, ColorCase{7, 1},
                                           ColorCase{255, 1}));

TEST(CheckPenNo, RepairsWideValues) {
  std::uint16_t pen = 0x0103;  // low byte valid, the word is not
  CheckPenNo(pen);
  EXPECT_EQ(pen, 1);
  pen = 65535;
  CheckPenNo(pen);
  EXPECT_EQ(pen, 1);
}

struct LineTypeCase {
  int in;
  int out;
};

class CheckColorTypeTest : public ::testing::TestWithParam<LineTypeCase> {};

TEST_P(CheckColorTypeTest, KeepsValidLineTypes) {
  InitJwcDefaults();
  std::uint8_t col = 3;
  std::uint8_t typ = static_cast<std::uint8_t>(GetParam().in);
  CheckColorType(col, typ);
  EXPECT_EQ(typ, GetParam().out);
  EXPECT_EQ(col, 3);
}

INSTANTIATE_TEST_SUITE_P(LineTypes, CheckColorTypeTest,
                         ::testing::Values(LineTypeCase{0, 1}, LineTypeCase{1, 1},
                                           LineTypeCase{9, 9}, LineTypeCase{10, 1},
                                           LineTypeCase{11, 11}, LineTypeCase{18, 18},
                                           LineTypeCase{19, 1}, LineTypeCase{200, 1}));

TEST(CheckColorType, RepairsColourToo) {
  std::uint8_t col = 0, typ = 10;
  CheckColorType(col, typ);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(typ, 1);
}

TEST(TJwcDataLifecycle, CreateGivesTheDefaultHeaderAndEmptyArrays) {
  TJwcData d;
  EXPECT_EQ(d.lineN + d.arcN + d.mojiN + d.tenN, 0);
  EXPECT_TRUE(d.EntVten.empty());
  EXPECT_TRUE(d.EntMjtp.empty());
  EXPECT_TRUE(d.EntLgrp.empty());
  EXPECT_TRUE(d.EntLay.empty());
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_TRUE(d.EntMoji.empty());
  EXPECT_TRUE(d.Enthd.scaleF);
  EXPECT_EQ(d.Enthd.curFno, 1);
  EXPECT_EQ(d.Enthd.psize, 3);
  EXPECT_EQ(d.Enthd.lcol, 2);
  EXPECT_EQ(d.Enthd.drawWidth, 518);
  EXPECT_EQ(d.Enthd.mvKeta, 1);
  EXPECT_EQ(d.Enthd.sBufAdr1, 0x60000);
  EXPECT_EQ(d.Enthd.sBufAdr2, 0x60000);
  EXPECT_FLOAT_EQ(d.Enthd.lpitch2, 10.0f);
  EXPECT_FLOAT_EQ(d.Enthd.arAng, 15.0f);
  EXPECT_FLOAT_EQ(d.Enthd.dlinDist[5], 100.0f);
  EXPECT_FLOAT_EQ(d.Enthd.dataUnit, 1.0f);
  EXPECT_TRUE(d.Enthd.para.empty());
}

TEST(TJwcDataLifecycle, DataFreeForgetsTheDrawing) {
  TJwcData d;
  d.EntLine.resize(3);
  d.lineN = 3;
  d.Enthd.lineCount = 3;
  d.Enthd.jwID.assign(1, u'x');  // not "= u\"x\"": GCC 12 warns falsely (-Wrestrict)
  d.Enthd.psize = 9;
  d.EntMjtp.resize(12);
  d.DataFree();
  EXPECT_EQ(d.lineN, 0);
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_TRUE(d.EntMjtp.empty());
  EXPECT_EQ(d.Enthd.lineCount, 0);
  EXPECT_TRUE(d.Enthd.jwID.empty());
  EXPECT_EQ(d.Enthd.psize, 3);
}

TEST(TJwkDataLifecycle, CreateFillsTheTextKindTableFromTheDefaults) {
  InitJwcDefaults();
  TJwkData d;
  ASSERT_EQ(d.EntMjtp.size(), 12u);
  const TEntJwcMojiType &one = d.EntMjtp[1];
  EXPECT_EQ(one.penNo, 1);
  EXPECT_EQ(one.width, 20);
  EXPECT_EQ(one.height, 20);
  EXPECT_EQ(one.dist, 0);
  const TEntJwcMojiType &two = d.EntMjtp[2];
  EXPECT_EQ(two.width, 25);
  EXPECT_EQ(two.dist, 5);
  const TEntJwcMojiType &ten = d.EntMjtp[10];
  EXPECT_EQ(ten.penNo, 5);
  EXPECT_EQ(ten.width, 100);
  EXPECT_EQ(ten.height, 100);
  EXPECT_EQ(ten.dist, 10);
  for (std::size_t k : {0u, 11u}) {
    EXPECT_EQ(d.EntMjtp[k].penNo, 0) << k;
    EXPECT_EQ(d.EntMjtp[k].width, 0) << k;
    EXPECT_EQ(d.EntMjtp[k].height, 0) << k;
    EXPECT_EQ(d.EntMjtp[k].dist, 0) << k;
  }
  EXPECT_FLOAT_EQ(d.Enthd.dispScale, 1.0f);
  EXPECT_FLOAT_EQ(d.Enthd.scale, 1.0f);
  EXPECT_EQ(d.lineN + d.arcN + d.tenN + d.mojiN, 0);
}

TEST(TJwkDataLifecycle, DataFreeEmptiesTheTextKindTable) {
  TJwkData d;
  d.DataFree();
  EXPECT_TRUE(d.EntMjtp.empty());
  d.DataInit();
  EXPECT_EQ(d.EntMjtp.size(), 12u);
}

}  // namespace
}  // namespace velkaro
