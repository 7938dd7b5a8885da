// The JWC file check and the 800-byte text header: every field, the value
// rules, the paper table and the blocks cut short by the end of the file.
#include <gtest/gtest.h>

#include <cfloat>

#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

ByteVec Bytes(const std::string &s) { return ByteVec(s.begin(), s.end()); }

// ---- FileCheck ---------------------------------------------------------

struct CheckCase {
  const char *name;
  std::string bytes;
  bool ok;
};

class JwcFileCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(JwcFileCheckTest, AcceptsExactlyTheSignature) {
  TJwcData d;
  EXPECT_EQ(d.FileCheckFromBytes(Bytes(GetParam().bytes)), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, JwcFileCheckTest,
    ::testing::Values(CheckCase{"Exact", "jw_cad(c)data.......", true},
                      CheckCase{"FollowedByMore", "jw_cad(c)data.......V2f and more", true},
                      CheckCase{"UpperCase", "JW_CAD(C)DATA.......", false},
                      CheckCase{"NineteenBytes", "jw_cad(c)data......", false},
                      CheckCase{"JwkSignature", "jw_cad(c)sym........", false},
                      CheckCase{"ZeroInside", std::string("jw_cad(c)data..\0....", 20), false},
                      CheckCase{"Empty", "", false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(JwcFileCheck, ReadsTheFile) {
  TempDir dir;
  dir.write("a.jwc", JwcBuilder().build());
  dir.write("b.jwc", Bytes("jw_cad(c)data......"));
  TJwcData d;
  EXPECT_TRUE(d.FileCheck(dir.file("a.jwc")));
  EXPECT_FALSE(d.FileCheck(dir.file("b.jwc")));
  EXPECT_FALSE(d.FileCheck(dir.file("missing.jwc")));
  EXPECT_FALSE(d.LastError().empty());
}

TEST(JwcFileCheck, TwoHundredByteFilePassesTheCheckButNotTheHeader) {
  TempDir dir;
  ByteVec bytes = JwcBuilder().build();
  bytes.resize(200);
  dir.write("short.jwc", bytes);
  TJwcData d;
  EXPECT_TRUE(d.FileCheck(dir.file("short.jwc")));
  EXPECT_FALSE(d.FileHeaderIn(dir.file("short.jwc")));
  EXPECT_NE(d.LastError().find("File I/O Error"), std::string::npos) << d.LastError();
}

// ---- Every field ------------------------------------------------------

// Integers 1000 + index (block 2), 2000 + index (block 3), 4000 + index
// (block 4); reals index + .5, .25 and .75: a field read from the wrong
// position shows.
JwcBuilder DistinctHeader() {
  JwcBuilder b;
  const std::vector<bool> real2 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1,
                                   1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0};
  for (int j = 0; j < 32; ++j) {
    b.block2[j] = real2[j] ? std::to_string(j) + ".5" : std::to_string(1000 + j);
  }
  const std::vector<bool> real3 = {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1,
                                   1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  for (int j = 0; j < 28; ++j) {
    b.block3[j] = real3[j] ? std::to_string(j) + ".25" : std::to_string(2000 + j);
  }
  for (int j = 2; j < 22; ++j) {
    b.block4[j] = j < 20 ? std::to_string(j) + ".75" : std::to_string(4000 + j);
  }
  b.block4[0] = "6000:0010";
  b.block4[1] = "6000:0123";
  b.jwID = "jw_cad(c)data.......V2f " + kSjisZumen;
  b.comment1 = "plan " + kSjisMoji;
  b.comment2 = std::string(32, 'c');  // fills its field: no terminator
  return b;
}

TEST(JwcHeader, EveryFieldReadsBackFromItsPlace) {
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(DistinctHeader().build())) << d.LastError();
  const TEntJwcHeader &h = d.Enthd;
  EXPECT_EQ(h.jwID, u"jw_cad(c)data.......V2f 図面");
  EXPECT_EQ(h.comment1, u"plan 文字");
  EXPECT_EQ(h.comment2, std::u16string(32, u'c'));
  EXPECT_TRUE(h.scaleF);

  EXPECT_EQ(h.lineCount, 1000);
  EXPECT_EQ(h.arcCount, 1001);
  EXPECT_EQ(h.mojiCount, 1002);
  EXPECT_EQ(h.tenCount, 1003);
  EXPECT_EQ(h.vtenCount, 1004);
  EXPECT_EQ(h.curFno, 1005);
  EXPECT_EQ(h.curMfno, 1006);
  EXPECT_EQ(h.curMlcol, 1007);
  EXPECT_EQ(h.curMpcol, 1008);
  EXPECT_EQ(h.wLayScale, 9.5f);
  EXPECT_EQ(h.wLayNo, 1010);
  EXPECT_EQ(h.psize, 1011);
  EXPECT_EQ(h.lcol, 1012);
  EXPECT_EQ(h.ltyp, 1013);
  EXPECT_EQ(h.plotOrgX, 14.5f);
  EXPECT_EQ(h.plotOrgY, 15.5f);
  EXPECT_EQ(h.lpitch1, 16.5f);
  EXPECT_EQ(h.lpitch2, 17.5f);
  EXPECT_EQ(h.drawtime, 1018);
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(h.penWidth[k], 1018 + k) << k;
  EXPECT_EQ(h.gridX, 25.5f);
  EXPECT_EQ(h.gridY, 26.5f);
  EXPECT_EQ(h.gridOrgX, 27.5f);
  EXPECT_EQ(h.gridOrgY, 28.5f);
  EXPECT_EQ(h.gridScale, 29.5f);
  EXPECT_EQ(h.drawWidth, 1030);
  EXPECT_EQ(h.flgPthin, 1031);

  EXPECT_EQ(h.mvDist, 0.25f);
  EXPECT_EQ(h.mtDist, 1.25f);
  EXPECT_EQ(h.arLen, 2.25f);
  EXPECT_EQ(h.arAng, 3.25f);
  EXPECT_EQ(h.locMR, 2004);
  EXPECT_EQ(h.flgMconma, 2005);
  EXPECT_EQ(h.flgMzeros, 2006);
  EXPECT_EQ(h.typLside, 2007);
  EXPECT_EQ(h.mvUnit, 2008);
  EXPECT_EQ(h.mvKeta, 2009);
  EXPECT_EQ(h.sOfsetXL, 10.25f);
  EXPECT_EQ(h.sOfsetXM, 11.25f);
  EXPECT_EQ(h.sOfsetXR, 12.25f);
  EXPECT_EQ(h.sOfsetYD, 13.25f);
  EXPECT_EQ(h.sOfsetYM, 14.25f);
  EXPECT_EQ(h.sOfsetYT, 15.25f);
  EXPECT_EQ(h.s1len, 2016);
  EXPECT_EQ(h.sOrgXm, 2017);
  EXPECT_EQ(h.sOrgYm, 2018);
  EXPECT_EQ(h.dlinDistB, 19.25f);
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(h.dlinDist[k], 19.25f + k) << k;
  EXPECT_EQ(h.svScrnOX, 25.25f);
  EXPECT_EQ(h.svScrnOY, 26.25f);
  EXPECT_EQ(h.svScrnScl, 27.25f);

  EXPECT_EQ(h.sBufAdr1, 0x60010);
  EXPECT_EQ(h.sBufAdr2, 0x60123);
  const float subZm[15] = {h.subZm0X, h.subZm0Y, h.subZm0S, h.subZm1X, h.subZm1Y,
                           h.subZm1S, h.subZm2X, h.subZm2Y, h.subZm2S, h.subZm3X,
                           h.subZm3Y, h.subZm3S, h.subZm4X, h.subZm4Y, h.subZm4S};
  for (int k = 0; k < 15; ++k) EXPECT_EQ(subZm[k], static_cast<float>(k + 2) + 0.75f) << k;
  EXPECT_EQ(h.hiIdo, 17.75f);
  EXPECT_EQ(h.hiHi, 18.75f);
  EXPECT_EQ(h.hiTaka, 19.75f);
  EXPECT_EQ(h.flgHok, 4020);
  EXPECT_EQ(h.flg25Dm, 4021);

  EXPECT_EQ(h.dataUnit, 1.0f);  // psize 1011 names no paper
  EXPECT_TRUE(h.para.empty());
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_TRUE(d.EntVten.empty());
}

TEST(JwcHeader, FileHeaderInReadsTheFileAndLeavesArraysEmpty) {
  TempDir dir;
  JwcBuilder b = DistinctHeader();
  b.trailer = std::string(5000, '\xFF');
  dir.write("h.jwc", b.build());
  TJwcData d;
  d.EntLine.resize(5);
  d.lineN = 5;
  ASSERT_TRUE(d.FileHeaderIn(dir.file("h.jwc"))) << d.LastError();
  EXPECT_EQ(d.Enthd.lineCount, 1000);
  EXPECT_EQ(d.lineN, 0);
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_EQ(d.Enthd.comment1, u"plan 文字");
  EXPECT_FALSE(d.FileHeaderIn(dir.file("missing.jwc")));
}

TEST(JwcHeader, BlockWithTwoValuesReadsTheRestAsZero) {
  JwcBuilder b;
  b.rawBlock[0] = std::string("1,2\0", 4);
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.lineCount, 1);
  EXPECT_EQ(d.Enthd.arcCount, 2);
  EXPECT_EQ(d.Enthd.mojiCount, 0);
  EXPECT_EQ(d.Enthd.curFno, 0);  // not the default 1: the block says nothing
  EXPECT_EQ(d.Enthd.psize, 0);
  EXPECT_EQ(d.Enthd.lpitch1, 0.0f);
  EXPECT_EQ(d.Enthd.drawWidth, 518);  // 0 reads as 518
  EXPECT_EQ(d.Enthd.dataUnit, static_cast<float>(1189.0 / 518.0));
}

TEST(JwcHeader, SurplusValuesAreIgnored) {
  JwcBuilder b;
  b.block4.push_back("77");
  b.block4.push_back("88");
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.flg25Dm, 0);
  EXPECT_TRUE(d.Enthd.para.empty());
}

// The block is decoded as a whole, so values after a stray zero byte are
// still split off: this is how the format has always been read.
TEST(JwcHeader, ValuesAfterAZeroByteAreStillSplit) {
  JwcBuilder b;
  b.rawBlock[0] = std::string("1,2\0,3", 6);
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.lineCount, 1);
  EXPECT_EQ(d.Enthd.arcCount, 2);
  EXPECT_EQ(d.Enthd.mojiCount, 3);
}

TEST(JwcHeader, ValueBlockWithoutZeroByteEndsAtItsLastValue) {
  JwcBuilder b;
  // The last value runs into the line feed and reads as 0.
  b.rawBlock[2] = "6000:0000,6000:0020,1.5" + std::string(176, ' ') + "\n";
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.sBufAdr2, 0x60020);
  EXPECT_EQ(d.Enthd.subZm0X, 0.0f);
}

// ---- The value rules -----------------------------------------------------

struct IntCase {
  const char *text;
  std::int32_t value;
};

class JwcIntValueTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(JwcIntValueTest, FollowsTheIntegerRule) {
  JwcBuilder b;
  b.block2[5] = GetParam().text;  // curFno
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.curFno, GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Integers, JwcIntValueTest,
    ::testing::Values(IntCase{"12", 12}, IntCase{" -7", -7}, IntCase{"  +5", 5},
                      IntCase{"$1F", 31}, IntCase{"0x1f", 31}, IntCase{"0X1F", 31},
                      IntCase{"x1F", 31}, IntCase{"X1f", 31}, IntCase{"-$10", -16},
                      IntCase{"2147483647", 2147483647}, IntCase{"-2147483648", INT32_MIN},
                      IntCase{"2147483648", 0}, IntCase{"", 0}, IntCase{"12 ", 0},
                      IntCase{"1.5", 0}, IntCase{"abc", 0}, IntCase{"1e3", 0},
                      IntCase{"$", 0}, IntCase{"- 1", 0}));

struct RealCase {
  const char *text;
  float value;
};

class JwcRealValueTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(JwcRealValueTest, FollowsTheRealRule) {
  JwcBuilder b;
  b.block2[9] = GetParam().text;  // wLayScale
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(FloatBits(d.Enthd.wLayScale), FloatBits(GetParam().value))
      << '"' << GetParam().text << "\" read as " << d.Enthd.wLayScale;
}

INSTANTIATE_TEST_SUITE_P(
    Reals, JwcRealValueTest,
    ::testing::Values(RealCase{"1.5", 1.5f}, RealCase{" -2.5", -2.5f}, RealCase{"+3", 3.0f},
                      RealCase{"1E3", 1000.0f}, RealCase{"2.5e-3", 0.0025f},
                      RealCase{"1e+2", 100.0f}, RealCase{"0.100000001490116", 0.1f},
                      RealCase{"9.99999974737875E-6", 0.00001f},
                      // The writer's text of the largest single reads back to it.
                      RealCase{"3.40282346638529E38", FLT_MAX},
                      RealCase{"", 0.0f}, RealCase{"abc", 0.0f}, RealCase{"1.5x", 0.0f},
                      RealCase{"1.5 ", 0.0f}, RealCase{"1;5", 0.0f},
                      // No single holds it: read as no number at all.
                      RealCase{"1e39", 0.0f}));

struct AddressCase {
  const char *text;
  std::int32_t value;
};

class JwcAddressValueTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(JwcAddressValueTest, SegmentTimesSixteenPlusOffset) {
  JwcBuilder b;
  b.block4[0] = GetParam().text;
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.sBufAdr1, GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, JwcAddressValueTest,
    ::testing::Values(AddressCase{"6000:0010", 0x60010}, AddressCase{"6000:0000", 0x60000},
                      AddressCase{"FFFF:FFFF", 0xFFFF0 + 0xFFFF},
                      AddressCase{"6a00:000f", 0x6A000 + 0xF}, AddressCase{"6000", 0x60000},
                      AddressCase{"60G0:0010", 0x10}, AddressCase{"6000:00Z0", 0x60000},
                      // Exactly four characters each: a fifth digit is not read.
                      AddressCase{"6000:00100", 0x60010}, AddressCase{"", 0}));

// ---- The paper table -----------------------------------------------------

struct PaperCase {
  std::int32_t psize;
  double longSide;  // 0: no paper, dataUnit 1
};

class JwcDataUnitTest : public ::testing::TestWithParam<PaperCase> {};

TEST_P(JwcDataUnitTest, LongSideOverDrawWidth) {
  JwcBuilder b;
  b.block2[11] = std::to_string(GetParam().psize);
  b.block2[30] = "518";
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  const float expected =
      GetParam().longSide == 0 ? 1.0f : static_cast<float>(GetParam().longSide / 518.0);
  EXPECT_EQ(d.Enthd.dataUnit, expected) << "psize " << GetParam().psize;
}

INSTANTIATE_TEST_SUITE_P(
    Papers, JwcDataUnitTest,
    ::testing::Values(PaperCase{0, 1189}, PaperCase{1, 841}, PaperCase{2, 594},
                      PaperCase{3, 420}, PaperCase{4, 297}, PaperCase{5, 0}, PaperCase{6, 0},
                      PaperCase{7, 0}, PaperCase{8, 1682}, PaperCase{9, 2378},
                      PaperCase{10, 3364}, PaperCase{11, 4756}, PaperCase{12, 10000},
                      PaperCase{13, 50000}, PaperCase{14, 100000}, PaperCase{15, 0},
                      PaperCase{-1, 0}));

TEST(JwcHeader, A3OnA518UnitPaperIsAbout0Point81MillimetresPerUnit) {
  JwcBuilder b;
  b.block2[30] = "518";
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_NEAR(d.Enthd.dataUnit, 0.81081, 1e-5);
  EXPECT_EQ(FloatBits(d.Enthd.dataUnit), 0x3F4F914Cu);
}

TEST(JwcHeader, DrawWidthZeroReadsAs518) {
  JwcBuilder b;
  b.block2[30] = "0";
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.drawWidth, 518);
  EXPECT_EQ(d.Enthd.dataUnit, static_cast<float>(420.0 / 518.0));
}

// ---- scaleF --------------------------------------------------------------

struct ScaleFlagCase {
  const char *jwID;
  bool scaleF;
};

class JwcScaleFlagTest : public ::testing::TestWithParam<ScaleFlagCase> {};

TEST_P(JwcScaleFlagTest, LowerCaseFAtCharacter23) {
  JwcBuilder b;
  b.jwID = GetParam().jwID;
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.scaleF, GetParam().scaleF) << GetParam().jwID;
}

INSTANTIATE_TEST_SUITE_P(Identifiers, JwcScaleFlagTest,
                         ::testing::Values(ScaleFlagCase{"jw_cad(c)data.......V2f", true},
                                           ScaleFlagCase{"jw_cad(c)data.......V2F", false},
                                           ScaleFlagCase{"jw_cad(c)data.......V2", false},
                                           ScaleFlagCase{"jw_cad(c)data.......", false},
                                           ScaleFlagCase{"jw_cad(c)data.......ff_", false},
                                           ScaleFlagCase{"jw_cad(c)data.......__f_", true}));

// ---- Blocks cut short ------------------------------------------------------

class JwcHeaderLengthTest : public ::testing::TestWithParam<std::size_t> {};

// A block with no byte at all fails the header; a block cut short does not.
TEST_P(JwcHeaderLengthTest, NeedsABeginningOfEveryBlock) {
  ByteVec bytes = JwcBuilder().build();
  bytes.resize(GetParam());
  TJwcData d;
  EXPECT_EQ(d.FileHeaderInFromBytes(bytes), GetParam() > 600) << GetParam() << " bytes";
  EXPECT_TRUE(d.Enthd.para.empty());
}

INSTANTIATE_TEST_SUITE_P(Lengths, JwcHeaderLengthTest,
                         ::testing::Values(0, 1, 19, 20, 199, 200, 201, 399, 400, 401, 599, 600,
                                           601, 799, 800));

TEST(JwcHeader, MemoLinesAreKeptWhenALaterBlockIsMissing) {
  JwcBuilder b;
  b.comment1 = "memo";
  ByteVec bytes = b.build();
  bytes.resize(400);
  TJwcData d;
  EXPECT_FALSE(d.FileHeaderInFromBytes(bytes));
  EXPECT_EQ(d.Enthd.comment1, u"memo");
  EXPECT_EQ(d.Enthd.jwID, u"jw_cad(c)data.......V2f");
}

// Regression: the block buffer is shared by the blocks; a cut-short block
// must not pick up the tail of the block read before it.
TEST(JwcHeader, CutShortBlockReadsItsMissingPartAsZero) {
  JwcBuilder b;
  b.block3 = std::vector<std::string>(28, "123456");
  b.block4[2] = "7";
  ByteVec bytes = b.build();
  const std::string kept = "6000:0000,6000:0000,7";
  bytes.resize(600 + kept.size());
  TJwcData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(bytes));
  EXPECT_EQ(d.Enthd.subZm0X, 7.0f);
  EXPECT_EQ(d.Enthd.subZm0Y, 0.0f);
  EXPECT_EQ(d.Enthd.flg25Dm, 0);
  EXPECT_EQ(d.Enthd.mvDist, 123456.0f);
}

TEST(JwcHeader, JwkFigureIsNotAJwcDrawing) {
  TJwcData jwc;
  TJwkData jwk;
  const ByteVec jwkBytes = JwkBuilder().build();
  const ByteVec jwcBytes = JwcBuilder().build();
  EXPECT_FALSE(jwc.FileCheckFromBytes(jwkBytes));
  EXPECT_FALSE(jwk.FileCheckFromBytes(jwcBytes));
  EXPECT_TRUE(jwc.FileCheckFromBytes(jwcBytes));
  EXPECT_TRUE(jwk.FileCheckFromBytes(jwkBytes));
}

}  // namespace
}  // namespace velkaro::testing
