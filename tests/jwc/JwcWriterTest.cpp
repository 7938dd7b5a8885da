// Writing JWC drawings: exact bytes for drawings in canonical form, the number
// forms of the header, the re-laid string area, the repairs, and the drawings
// the writer refuses because the format cannot carry them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <limits>

#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "support/FileIO.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

ByteVec WriteBack(const ByteVec &in, TJwcData &d) {
  EXPECT_TRUE(d.FileInFromBytes(in)) << d.LastError();
  ByteVec out;
  EXPECT_TRUE(d.FileOutToBytes(out)) << d.LastError();
  return out;
}

// Reports the first differing byte, which names the field far better than
// a dump of two 5000-byte vectors.
void ExpectSameBytes(const ByteVec &expected, const ByteVec &actual) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    ASSERT_EQ(static_cast<int>(actual[k]), static_cast<int>(expected[k])) << "byte " << k;
  }
}

void ExpectSameDrawing(const TJwcData &a, const TJwcData &b) {
  EXPECT_EQ(a.lineN, b.lineN);
  EXPECT_EQ(a.arcN, b.arcN);
  EXPECT_EQ(a.mojiN, b.mojiN);
  EXPECT_EQ(a.tenN, b.tenN);
  EXPECT_EQ(a.Enthd.jwID, b.Enthd.jwID);
  EXPECT_EQ(a.Enthd.comment1, b.Enthd.comment1);
  EXPECT_EQ(a.Enthd.wLayScale, b.Enthd.wLayScale);
  EXPECT_EQ(a.Enthd.gridX, b.Enthd.gridX);
  EXPECT_EQ(a.Enthd.svScrnScl, b.Enthd.svScrnScl);
  EXPECT_EQ(a.Enthd.subZm4S, b.Enthd.subZm4S);
  EXPECT_EQ(a.Enthd.flg25Dm, b.Enthd.flg25Dm);
  EXPECT_EQ(a.Enthd.sBufAdr1, b.Enthd.sBufAdr1);
  EXPECT_EQ(a.Enthd.dataUnit, b.Enthd.dataUnit);
  for (std::size_t k = 0; k < a.EntLine.size() && k < b.EntLine.size(); ++k) {
    EXPECT_EQ(a.EntLine[k].x1, b.EntLine[k].x1) << k;
    EXPECT_EQ(a.EntLine[k].flg3, b.EntLine[k].flg3) << k;
  }
  for (std::size_t k = 0; k < a.EntArc.size() && k < b.EntArc.size(); ++k) {
    EXPECT_EQ(a.EntArc[k].h, b.EntArc[k].h) << k;
    EXPECT_EQ(a.EntArc[k].st, b.EntArc[k].st) << k;
  }
  for (std::size_t k = 0; k < a.EntMoji.size() && k < b.EntMoji.size(); ++k) {
    EXPECT_EQ(a.EntMoji[k].s, b.EntMoji[k].s) << k;
    EXPECT_EQ(a.EntMoji[k].no, b.EntMoji[k].no) << k;
    EXPECT_EQ(a.EntMoji[k].x2, b.EntMoji[k].x2) << k;
  }
  for (std::size_t k = 0; k < a.EntLay.size() && k < b.EntLay.size(); ++k) {
    EXPECT_EQ(a.EntLay[k].name, b.EntLay[k].name) << k;
  }
  for (std::size_t k = 0; k < a.EntLgrp.size() && k < b.EntLgrp.size(); ++k) {
    EXPECT_EQ(a.EntLgrp[k].name, b.EntLgrp[k].name) << k;
    EXPECT_EQ(a.EntLgrp[k].scale, b.EntLgrp[k].scale) << k;
  }
}

// ---- Canonical drawings come back byte for byte ------------------------------

TEST(JwcWriter, EmptyCanonicalDrawingComesBackByteForByte) {
  const ByteVec in = JwcBuilder().build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
}

TEST(JwcWriter, RichCanonicalDrawingComesBackByteForByte) {
  const ByteVec in = JwcRichDrawing().build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
}

TEST(JwcWriter, IntegerScalesComeBackByteForByte) {
  JwcBuilder b = JwcRichDrawing();
  b.jwID = "jw_cad(c)data.......V2F";
  b.floatScales = false;
  for (std::size_t g = 0; g < 16; ++g) b.scale16[g] = static_cast<std::uint16_t>(g * 4097);
  const ByteVec in = b.build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
  EXPECT_FALSE(d.Enthd.scaleF);
}

TEST(JwcWriter, StringAreaStartingInsideASegmentComesBackByteForByte) {
  JwcBuilder b;
  b.setAddresses(0x6000B, 0x6000B);
  b.addText(JwcTextRec{}, "one");
  b.addText(JwcTextRec{}, "two");
  EXPECT_EQ(b.block4[0], "6000:000B");
  EXPECT_EQ(b.block4[1], "6000:0013");
  const ByteVec in = b.build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
}

// Every stored flatness survives a read and a write; angles up to 2^24 too.
TEST(JwcWriter, EveryFlatnessAndSmallAngleComesBackExactly) {
  JwcBuilder b;
  for (std::int32_t h = 0; h <= 65535; ++h) {
    JwcArcRec a;
    a.h = static_cast<std::uint16_t>(h);
    a.st = (h - 32768) * 256;
    a.et = h * 255 + 1;
    a.tt = -h;
    b.addArc(a);
  }
  const ByteVec in = b.build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
}

// ---- Non-canonical drawings keep their model -------------------------------

// Shared strings, unused bytes in the area, number texts in other forms and
// surplus header values: the bytes change, the drawing does not.
TEST(JwcWriter, ReadWriteReadKeepsTheDrawing) {
  JwcBuilder b = JwcRichDrawing();
  b.block2[9] = "1.50";
  b.block2[25] = " 0.25e1";
  b.block4.push_back("999");
  b.stringArea += "unused";
  b.setAddresses(0x60000, 0x60000 + static_cast<std::uint32_t>(b.stringArea.size()));
  JwcTextRec shared;
  shared.offset = b.texts[0].offset;
  shared.segment = b.texts[0].segment;
  b.addTextRecord(shared);
  TJwcData first;
  ASSERT_TRUE(first.FileInFromBytes(b.build())) << first.LastError();
  ByteVec out;
  ASSERT_TRUE(first.FileOutToBytes(out)) << first.LastError();
  TJwcData second;
  ASSERT_TRUE(second.FileInFromBytes(out)) << second.LastError();
  ExpectSameDrawing(first, second);
  EXPECT_EQ(second.EntMoji[3].s, u"文字ABC");
  EXPECT_NE(second.EntMoji[3].p, second.EntMoji[0].p);  // no shared strings
  EXPECT_EQ(BlockValue(out, 2, 9), "1.5");
  // Four texts of 7, 0, 21 and 7 bytes, each with its zero byte; "unused" is gone.
  EXPECT_EQ(second.Enthd.sBufAdr2 - second.Enthd.sBufAdr1, 8 + 1 + 22 + 8);
}

// ---- The writer's real format ---------------------------------------------

struct RealFormatCase {
  float value;
  const char *text;
};

class JwcRealFormatTest : public ::testing::TestWithParam<RealFormatCase> {};

// Expected texts worked out by hand: the single widened to double, rounded to
// 15 significant digits; fixed notation from 0.00001 up to 15 integer digits.
TEST_P(JwcRealFormatTest, FifteenSignificantDigitsOfTheWidenedSingle) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.Enthd.wLayScale = GetParam().value;
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out)) << d.LastError();
  EXPECT_EQ(BlockValue(out, 2, 9), GetParam().text);
  // And the text reads back to the very same single.
  TJwcData again;
  ASSERT_TRUE(again.FileInFromBytes(out));
  EXPECT_EQ(FloatBits(again.Enthd.wLayScale), FloatBits(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(
    Reals, JwcRealFormatTest,
    ::testing::Values(RealFormatCase{0.0f, "0"}, RealFormatCase{1.0f, "1"},
                      RealFormatCase{0.5f, "0.5"}, RealFormatCase{-3.0f, "-3"},
                      RealFormatCase{0.1f, "0.100000001490116"},
                      // 0.00001f widened is 9.99999974737875e-6, just below 0.00001.
                      RealFormatCase{0.00001f, "9.99999974737875E-6"},
                      RealFormatCase{123456789012345.0f, "123456788103168"},
                      RealFormatCase{1e15f, "999999986991104"},
                      RealFormatCase{1e20f, "1.00000002004088E20"},
                      RealFormatCase{-2.5e-7f, "-2.49999999368811E-7"},
                      // 0.0001f widened is below 0.0001 but above 0.00001: fixed.
                      RealFormatCase{0.0001f, "0.0000999999974737875"},
                      RealFormatCase{0.125f, "0.125"},
                      RealFormatCase{FLT_MAX, "3.40282346638529E38"}));

// Every single that is finite reads back from its text, bit for bit.
TEST(JwcWriter, RealTextsReadBackToTheSameSingle) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  std::uint32_t bits = 0x00000001u;
  for (int k = 0; k < 2000; ++k) {
    bits = bits * 1664525u + 1013904223u;  // a fixed pseudo-random walk over the bit patterns
    float v = 0;
    std::memcpy(&v, &bits, 4);
    if (!std::isfinite(v)) continue;
    d.Enthd.gridOrgX = v;
    ByteVec out;
    ASSERT_TRUE(d.FileOutToBytes(out)) << d.LastError();
    TJwcData again;
    ASSERT_TRUE(again.FileHeaderInFromBytes(out));
    ASSERT_EQ(FloatBits(again.Enthd.gridOrgX), bits) << BlockValue(out, 2, 27);
  }
}

// ---- Header blocks and addresses ---------------------------------------------

TEST(JwcWriter, BlockOneEndsIn95SpacesAndALineFeed) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.Enthd.jwID = u"jw_cad(c)data.......V2f";
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  EXPECT_EQ(Text(out, 104, 96), std::string(95, ' ') + "\n");
  for (int block = 2; block <= 4; ++block) {
    const std::size_t end = static_cast<std::size_t>(block) * 200;
    EXPECT_EQ(out[end - 1], '\n') << block;
    EXPECT_EQ(out[end - 2], ' ') << block;
  }
}

TEST(JwcWriter, DrawingWithoutTextsWritesBothAddressesAlike) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.Enthd.sBufAdr2 = 0x61234;  // recomputed from the texts
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  EXPECT_EQ(BlockValue(out, 4, 0), "6000:0000");
  EXPECT_EQ(BlockValue(out, 4, 1), "6000:0000");
  EXPECT_EQ(d.Enthd.sBufAdr2, 0x60000);
  EXPECT_EQ(out.size(), 800u + 1621u + 2304u);
}

TEST(JwcWriter, AddressesShareTheStartSegment) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.Enthd.sBufAdr1 = 0xABCD7;
  d.EntMoji.resize(2);
  d.EntMoji[0].s = u"abc";
  d.EntMoji[1].s = u"図面";
  d.mojiN = 2;
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  EXPECT_EQ(BlockValue(out, 4, 0), "ABCD:0007");
  EXPECT_EQ(BlockValue(out, 4, 1), "ABCD:0010");  // 7 + 4 + 5
  EXPECT_EQ(d.Enthd.sBufAdr2, 0xABCD7 + 9);
  TJwcData again;
  ASSERT_TRUE(again.FileInFromBytes(out));
  EXPECT_EQ(again.EntMoji[0].p, 0xABCD7);
  EXPECT_EQ(again.EntMoji[1].p, 0xABCD7 + 4);
  EXPECT_EQ(again.EntMoji[1].s, u"図面");
}

TEST(JwcWriter, CountsAreTheLoadedCounters) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.EntLine.resize(3);
  d.lineN = 2;  // only the first two are written
  d.Enthd.lineCount = 99;
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  EXPECT_EQ(BlockValue(out, 2, 0), "2");
  EXPECT_EQ(out.size(), 800u + 1621u + 2u * 22u + 2304u);
}

// ---- Cleaning and repairs -------------------------------------------------

TEST(JwcWriter, TemporaryImageReferencesLoseTheirFolder) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.EntMoji.resize(3);
  d.mojiN = 3;
  d.EntMoji[0].s = u"^@BM%temp%image.bmp,100,50";
  d.EntMoji[1].s = u"x^@BM%temp%image.bmp";
  d.EntMoji[2].s = u"a\tb\r\n";
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  EXPECT_EQ(d.EntMoji[0].s, u"^@BMimage.bmp,100,50");
  EXPECT_EQ(d.EntMoji[1].s, u"x^@BM%temp%image.bmp");
  EXPECT_EQ(d.EntMoji[2].s, u"ab");
  const std::size_t area = 800 + 1621 + 3 * 24;
  EXPECT_EQ(Text(out, area, 21), std::string("^@BMimage.bmp,100,50\0", 21));
  TJwcData again;
  ASSERT_TRUE(again.FileInFromBytes(out));
  EXPECT_EQ(again.EntMoji[2].s, u"ab");
}

TEST(JwcWriter, InvalidAttributesAreRepairedInTheFileOnly) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.EntLine.resize(1);
  d.lineN = 1;
  d.EntLine[0].col = 0;
  d.EntLine[0].typ = 10;
  d.EntArc.resize(1);
  d.arcN = 1;
  d.EntArc[0].col = 7;
  d.EntArc[0].typ = 19;
  d.EntTen.resize(1);
  d.tenN = 1;
  d.EntTen[0].col = 0;
  d.EntMjtp[0].penNo = 0;
  d.EntMjtp[10].penNo = 7;
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  const std::size_t lines = 800 + 1621;
  EXPECT_EQ(out[lines + 16], 1);  // typ
  EXPECT_EQ(out[lines + 17], 1);  // col
  const std::size_t arcs = lines + 22;
  EXPECT_EQ(out[arcs + 26], 1);
  EXPECT_EQ(out[arcs + 27], 1);
  const std::size_t points = arcs + 32;
  EXPECT_EQ(out[points + 9], 1);
  EXPECT_EQ(out[1709], 1);       // penNo of entry 0
  EXPECT_EQ(out[1709 + 20], 1);  // penNo of entry 10
  EXPECT_EQ(d.EntLine[0].col, 0);
  EXPECT_EQ(d.EntLine[0].typ, 10);
  EXPECT_EQ(d.EntArc[0].col, 7);
  EXPECT_EQ(d.EntTen[0].col, 0);
  EXPECT_EQ(d.EntMjtp[0].penNo, 0);
}

struct IntegerScaleCase {
  float scale;
  std::uint16_t stored;
};

class JwcIntegerScaleTest : public ::testing::TestWithParam<IntegerScaleCase> {};

TEST_P(JwcIntegerScaleTest, RoundsHalfToEvenAndKeepsTheLow16Bits) {
  JwcBuilder b;
  b.jwID = "jw_cad(c)data.......V2F";
  b.floatScales = false;
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  d.EntLgrp[5].scale = GetParam().scale;
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out)) << d.LastError();
  const std::size_t at = 1797 + 5 * 2;
  EXPECT_EQ(out[at] | (out[at + 1] << 8), GetParam().stored) << GetParam().scale;
}

INSTANTIATE_TEST_SUITE_P(Scales, JwcIntegerScaleTest,
                         ::testing::Values(IntegerScaleCase{2.5f, 2}, IntegerScaleCase{3.5f, 4},
                                           IntegerScaleCase{2.4f, 2}, IntegerScaleCase{2.6f, 3},
                                           IntegerScaleCase{-0.5f, 0},
                                           IntegerScaleCase{-1.0f, 0xFFFF},
                                           IntegerScaleCase{65536.0f, 0},
                                           IntegerScaleCase{70000.0f, 70000 - 65536}));

TEST(JwcWriter, ArcProductsRoundHalfToEven) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.EntArc.resize(2);
  d.arcN = 2;
  d.EntArc[0].h = 0.25f;              // 2500
  d.EntArc[0].st = 1.5f / 65536.0f;   // 1.5: to 2
  d.EntArc[0].et = -2.5f / 65536.0f;  // -2.5: to -2
  d.EntArc[0].tt = 0.5f / 65536.0f;   // 0.5: to 0
  d.EntArc[1].h = 7.0f;               // 70000: low 16 bits
  d.EntArc[1].st = -90.0f;
  d.EntArc[1].et = 2.5f / 65536.0f;   // 2.5: to 2
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  const std::size_t a0 = 800 + 1621;
  auto u16 = [&](std::size_t at) { return out[at] | (out[at + 1] << 8); };
  auto i32 = [&](std::size_t at) {
    return static_cast<std::int32_t>(out[at] | (out[at + 1] << 8) | (out[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(out[at + 3]) << 24));
  };
  EXPECT_EQ(u16(a0 + 12), 2500);
  EXPECT_EQ(i32(a0 + 14), 2);
  EXPECT_EQ(i32(a0 + 18), -2);
  EXPECT_EQ(i32(a0 + 22), 0);
  EXPECT_EQ(i32(a0 + 32 + 18), 2);
  EXPECT_EQ(u16(a0 + 32 + 12), 70000 - 65536);
  EXPECT_EQ(i32(a0 + 32 + 14), -90 * 65536);
}

// ---- Names and fixed fields with double-byte characters ---------------------

TEST(JwcWriter, FieldsNeverSplitADoubleByteCharacter) {
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build()));
  d.Enthd.jwID = u"jw_cad(c)data.......V2f" + std::u16string(16, u'-') + u"あ";  // 39 + 2
  d.Enthd.comment1 = std::u16string(31, u'c') + u"文";
  d.Enthd.comment2 = std::u16string(16, u'漢');  // exactly 32 bytes
  d.EntLay[0].name = u"ABCDEFGあ";
  d.EntLay[1].name = u"あいうえお";
  d.EntLay[2].name = u"a\tb";
  d.EntLgrp[0].name = std::u16string(15, u'g') + u"図";
  d.EntLgrp[1].name = u"図面図面図面図面";  // exactly 16 bytes
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out)) << d.LastError();
  EXPECT_EQ(out[39], 0);
  EXPECT_EQ(Text(out, 40, 32), std::string(31, 'c') + '\0');
  const std::size_t names = out.size() - 2304;
  EXPECT_EQ(Text(out, names, 8), std::string("ABCDEFG\0", 8));
  EXPECT_EQ(Text(out, names + 8, 8), kSjisAiue);
  EXPECT_EQ(Text(out, names + 16, 8), std::string("ab\0\0\0\0\0\0", 8));
  const std::size_t groups = names + 2048;
  EXPECT_EQ(Text(out, groups, 16), std::string(15, 'g') + '\0');
  EXPECT_EQ(Text(out, groups + 16, 16), kSjisZumen + kSjisZumen + kSjisZumen + kSjisZumen);
  // The model keeps the whole cleaned names; only control characters go.
  EXPECT_EQ(d.EntLay[0].name, u"ABCDEFGあ");
  EXPECT_EQ(d.EntLay[2].name, u"ab");
  TJwcData again;
  ASSERT_TRUE(again.FileInFromBytes(out)) << again.LastError();
  EXPECT_EQ(again.EntLay[0].name, u"ABCDEFG");
  EXPECT_EQ(again.EntLay[1].name, u"あいうえ");
  EXPECT_EQ(again.EntLgrp[1].name, u"図面図面図面図面");
  EXPECT_EQ(again.Enthd.comment2, std::u16string(16, u'漢'));
  EXPECT_EQ(again.Enthd.comment1, std::u16string(31, u'c'));
}

// ---- dataUnit other than 1 -----------------------------------------------

// Millimetres back to drawing units: at most the last bit changes.
TEST(JwcWriter, CoordinatesComeBackWithinTheLastBit) {
  JwcBuilder b;
  b.block2[30] = "518";  // psize 3: dataUnit 420/518
  const float values[] = {518, 259, 1, 0.1f, 12345.678f, -999.5f, 1e-3f, 3e7f, -1e-30f, 7, 0,
                          333.333f, 1e30f, -2.5e-7f, 65535, 0.8108108f};
  for (float v : values) b.addLine(JwcLineRec{v, -v, v * 3, v / 7});
  for (std::size_t k = 0; k < 101; ++k) b.vtenX[k] = static_cast<float>(k) * 5.1f;
  const ByteVec in = b.build();
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(in));
  EXPECT_EQ(d.EntLine[0].x1, 420.0f);
  ByteVec out;
  ASSERT_TRUE(d.FileOutToBytes(out));
  ASSERT_EQ(out.size(), in.size());
  const std::size_t lines = 800 + 1621;
  for (std::size_t k = 0; k < std::size(values); ++k) {
    for (std::size_t c = 0; c < 4; ++c) {
      const std::size_t at = lines + k * 22 + c * 4;
      const auto a = static_cast<std::int64_t>(FloatBits(FloatAt(in, at)));
      const auto w = static_cast<std::int64_t>(FloatBits(FloatAt(out, at)));
      EXPECT_LE(std::llabs(a - w), 1) << "line " << k << " coordinate " << c;
    }
  }
  for (std::size_t k = 0; k < 101; ++k) {
    const auto a = static_cast<std::int64_t>(FloatBits(FloatAt(in, 800 + 4 * k)));
    const auto w = static_cast<std::int64_t>(FloatBits(FloatAt(out, 800 + 4 * k)));
    EXPECT_LE(std::llabs(a - w), 1) << "auxiliary point " << k;
  }
}

// ---- Drawings the writer refuses ---------------------------------------------

// Reads the empty canonical drawing so that the tables have their sizes.
void LoadEmpty(TJwcData &d) { ASSERT_TRUE(d.FileInFromBytes(JwcBuilder().build())); }

TEST(JwcWriter, RefusesAHeaderBlockThatDoesNotFit) {
  TJwcData d;
  LoadEmpty(d);
  // 18 reals of 21 characters each: far beyond the 199 bytes of block 4.
  for (float *v : {&d.Enthd.subZm0X, &d.Enthd.subZm0Y, &d.Enthd.subZm0S, &d.Enthd.subZm1X,
                   &d.Enthd.subZm1Y, &d.Enthd.subZm1S, &d.Enthd.subZm2X, &d.Enthd.subZm2Y,
                   &d.Enthd.subZm2S, &d.Enthd.subZm3X, &d.Enthd.subZm3Y, &d.Enthd.subZm3S,
                   &d.Enthd.subZm4X, &d.Enthd.subZm4Y, &d.Enthd.subZm4S, &d.Enthd.hiIdo,
                   &d.Enthd.hiHi, &d.Enthd.hiTaka}) {
    *v = -1.2345679e-38f;
  }
  ByteVec out;
  EXPECT_FALSE(d.FileOutToBytes(out));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(d.LastError().find("block 4"), std::string::npos) << d.LastError();
}

// A block text of exactly 198 characters and its zero byte still fits; one
// character more does not.
TEST(JwcWriter, BlockTextFillingItsRoomExactlyIsWritten) {
  JwcBuilder b;
  auto length = [&] {
    std::size_t n = b.block3.size() - 1;
    for (const auto &v : b.block3) n += v.size();
    return n;
  };
  for (int idx : {0, 1, 2, 3, 10, 11, 12, 13, 14, 15, 19, 20, 21}) {
    if (length() + 16 <= 198) b.block3[idx] = "0.100000001490116";
  }
  const std::size_t extra = 198 - length();
  ASSERT_LE(extra, 18u);
  const std::size_t first = std::min<std::size_t>(extra, 9);
  b.block3[4] = "1" + std::string(first, '0');
  b.block3[5] = "1" + std::string(extra - first, '0');
  ASSERT_EQ(length(), 198u);
  const ByteVec in = b.build();
  TJwcData d;
  ExpectSameBytes(in, WriteBack(in, d));
  d.Enthd.locMR *= 10;  // one digit more
  ByteVec out;
  EXPECT_FALSE(d.FileOutToBytes(out));
  EXPECT_NE(d.LastError().find("block 3: value text of 200 bytes"), std::string::npos)
      << d.LastError();
}

TEST(JwcWriter, StringAreaUpToSixteenBitOffsetsIsWritten) {
  for (std::int32_t start : {0x60000, 0x6000F}) {
    TJwcData d;
    LoadEmpty(d);
    d.Enthd.sBufAdr1 = start;
    d.EntMoji.resize(2);
    d.mojiN = 2;
    d.EntMoji[0].s = u"first";
    // The area ends at offset 0xFFFF exactly.
    const std::size_t room = 0xFFFF - static_cast<std::size_t>(start % 16) - 6 - 1;
    d.EntMoji[1].s = std::u16string(room, u'z');
    ByteVec out;
    ASSERT_TRUE(d.FileOutToBytes(out)) << d.LastError();
    EXPECT_EQ(BlockValue(out, 4, 1), "6000:FFFF");
    TJwcData again;
    ASSERT_TRUE(again.FileInFromBytes(out)) << again.LastError();
    EXPECT_EQ(again.EntMoji[1].s.size(), room);

    d.EntMoji[1].s += u'z';
    const std::int32_t before = d.Enthd.sBufAdr2;
    EXPECT_FALSE(d.FileOutToBytes(out)) << start;
    EXPECT_NE(d.LastError().find("sBufAdr2"), std::string::npos) << d.LastError();
    EXPECT_EQ(d.Enthd.sBufAdr2, before);  // a refused drawing stays as it was
  }
}

struct RefusalCase {
  const char *name;
  void (*spoil)(TJwcData &);
  const char *error;
};

class JwcRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(JwcRefusalTest, RefusesWhatTheFormatCannotCarry) {
  TJwcData d;
  LoadEmpty(d);
  d.EntMoji.resize(1);
  d.mojiN = 1;
  d.EntMoji[0].s = u"a\tb";
  GetParam().spoil(d);
  ByteVec out;
  EXPECT_FALSE(d.FileOutToBytes(out));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(d.LastError().find(GetParam().error), std::string::npos) << d.LastError();
  ASSERT_FALSE(d.EntMoji.empty());
  EXPECT_EQ(d.EntMoji[0].s, u"a\tb");  // a refused drawing is not cleaned either
}

INSTANTIATE_TEST_SUITE_P(
    Drawings, JwcRefusalTest,
    ::testing::Values(
        RefusalCase{"SegmentBeyondFourDigits", [](TJwcData &d) { d.Enthd.sBufAdr1 = 0x100000; },
                    "sBufAdr1"},
        RefusalCase{"NegativeStart", [](TJwcData &d) { d.Enthd.sBufAdr1 = -16; }, "string area"},
        RefusalCase{"NotANumber",
                    [](TJwcData &d) { d.Enthd.gridX = std::numeric_limits<float>::quiet_NaN(); },
                    "not a finite number"},
        RefusalCase{"Infinity",
                    [](TJwcData &d) { d.Enthd.svScrnScl = std::numeric_limits<float>::infinity(); },
                    "block 3 value 27"},
        RefusalCase{"ArcFlatnessNaN",
                    [](TJwcData &d) {
                      d.EntArc.resize(1);
                      d.arcN = 1;
                      d.EntArc[0].h = std::numeric_limits<float>::quiet_NaN();
                    },
                    "h of arc 0"},
        RefusalCase{"ArcAngleBeyondAnyInteger",
                    [](TJwcData &d) {
                      d.EntArc.resize(1);
                      d.arcN = 1;
                      d.EntArc[0].tt = 1e30f;
                    },
                    "tt of arc 0"},
        RefusalCase{"IntegerScaleInfinite",
                    [](TJwcData &d) {
                      d.Enthd.scaleF = false;
                      d.EntLgrp[2].scale = std::numeric_limits<float>::infinity();
                    },
                    "layer group 2"},
        RefusalCase{"MoreTextsCountedThanHeld", [](TJwcData &d) { d.mojiN = 2; }, "text count 2"},
        RefusalCase{"NegativeLineCount", [](TJwcData &d) { d.lineN = -1; }, "line count -1"},
        RefusalCase{"NotLoaded", [](TJwcData &d) { d.EntLay.resize(255); }, "layer"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(JwcWriter, FreshDocumentIsNotWritten) {
  TJwcData d;
  ByteVec out;
  EXPECT_FALSE(d.FileOutToBytes(out));
  EXPECT_NE(d.LastError().find("not a loaded drawing"), std::string::npos) << d.LastError();
}

// ---- Files on disk -----------------------------------------------------------

std::vector<std::string> FolderEntries(const TempDir &dir) {
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(JwcWriter, FileOutWritesTheFileAndReplacesAnOldOne) {
  TempDir dir;
  const ByteVec in = JwcRichDrawing().build();
  dir.write("old.jwc", ByteVec(10, 0x55));
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(in));
  ASSERT_TRUE(d.FileOut(dir.file("new.jwc"))) << d.LastError();
  ASSERT_TRUE(d.FileOut(dir.file("old.jwc"))) << d.LastError();
  EXPECT_EQ(dir.read("new.jwc"), in);
  EXPECT_EQ(dir.read("old.jwc"), in);
  EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"new.jwc", "old.jwc"}));
}

TEST(JwcWriter, RefusedDrawingLeavesNoFileAndAnOldFileUntouched) {
  TempDir dir;
  dir.write("old.jwc", ByteVec(10, 0x55));
  TJwcData d;
  LoadEmpty(d);
  d.Enthd.gridY = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(d.FileOut(dir.file("new.jwc")));
  EXPECT_FALSE(d.FileOut(dir.file("old.jwc")));
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"old.jwc"});
  EXPECT_EQ(dir.read("old.jwc"), ByteVec(10, 0x55));
}

// A full disk: the write fails part way, and nothing of it stays behind.
TEST(JwcWriter, ShortWriteFailsAndLeavesNoFile) {
  TempDir dir;
  dir.write("old.jwc", ByteVec(10, 0x55));
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(JwcRichDrawing().build()));
  SetWriteFailureAfterBytesForTesting(1000);
  const bool created = d.FileOut(dir.file("new.jwc"));
  const bool replaced = d.FileOut(dir.file("old.jwc"));
  SetWriteFailureAfterBytesForTesting(0);
  EXPECT_FALSE(created);
  EXPECT_FALSE(replaced);
  EXPECT_NE(d.LastError().find("File I/O Error"), std::string::npos) << d.LastError();
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"old.jwc"});
  EXPECT_EQ(dir.read("old.jwc"), ByteVec(10, 0x55));
}

TEST(JwcWriter, FolderThatDoesNotExistFails) {
  TempDir dir;
  TJwcData d;
  LoadEmpty(d);
  EXPECT_FALSE(d.FileOut(dir.file("no-such-folder/x.jwc")));
  EXPECT_FALSE(d.LastError().empty());
}

}  // namespace
}  // namespace velkaro::testing
