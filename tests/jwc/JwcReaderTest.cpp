// Reading whole JWC drawings: the fixed tables, the entity records, the
// string area, the names, and files that end early or lie about their counts.
#include <gtest/gtest.h>

#include "builders/TempDir.h"
#include <filesystem>

#include "jwc/JwcUnit.h"
#include "support/FileIO.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

TEST(JwcReader, EmptyDrawingGivesFullTablesAndNoEntities) {
  JwcBuilder b;
  const ByteVec bytes = b.build();
  EXPECT_EQ(bytes.size(), 800u + 1621u + 2048u + 256u);
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(bytes)) << d.LastError();
  EXPECT_EQ(d.EntVten.size(), 101u);
  EXPECT_EQ(d.EntMjtp.size(), 12u);
  EXPECT_EQ(d.EntLgrp.size(), 16u);
  EXPECT_EQ(d.EntLay.size(), 256u);
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_TRUE(d.EntArc.empty());
  EXPECT_TRUE(d.EntMoji.empty());
  EXPECT_TRUE(d.EntTen.empty());
  EXPECT_EQ(d.lineN + d.arcN + d.mojiN + d.tenN, 0);
  EXPECT_EQ(d.Enthd.dataUnit, 1.0f);
}

TEST(JwcReader, EveryFixedTableFieldReadsBack) {
  JwcBuilder b;
  for (std::size_t k = 0; k < 101; ++k) {
    b.vtenX[k] = static_cast<float>(k) + 0.5f;
    b.vtenY[k] = -static_cast<float>(k);
    b.vtenLay[k] = static_cast<std::uint8_t>(k + 3);
  }
  for (std::size_t k = 0; k < 11; ++k) {
    b.penNo[k] = static_cast<std::uint16_t>(k + 1);
    b.width[k] = static_cast<std::uint16_t>(100 + k);
    b.height[k] = static_cast<std::uint16_t>(200 + k);
    b.dist[k] = static_cast<std::uint16_t>(300 + k);
  }
  for (std::size_t g = 0; g < 16; ++g) {
    b.scale[g] = static_cast<float>(g) + 0.25f;
    b.groupSrchF[g] = static_cast<std::uint8_t>(g);
    b.groupDispF[g] = static_cast<std::uint8_t>(0x40 + g);
    b.groupWLay[g] = static_cast<std::uint8_t>(0x80 + g);
  }
  for (std::size_t l = 0; l < 256; ++l) {
    b.layerSrchF[l] = static_cast<std::uint8_t>(l);
    b.layerDispF[l] = static_cast<std::uint8_t>(255 - l);
  }
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build())) << d.LastError();
  for (std::size_t k = 0; k < 101; ++k) {
    EXPECT_EQ(d.EntVten[k].x, static_cast<float>(k) + 0.5f) << k;
    EXPECT_EQ(d.EntVten[k].y, -static_cast<float>(k)) << k;
    EXPECT_EQ(d.EntVten[k].lay, k + 3) << k;
  }
  for (std::size_t k = 0; k < 11; ++k) {
    EXPECT_EQ(d.EntMjtp[k].penNo, k + 1) << k;
    EXPECT_EQ(d.EntMjtp[k].width, 100 + k) << k;
    EXPECT_EQ(d.EntMjtp[k].height, 200 + k) << k;
    EXPECT_EQ(d.EntMjtp[k].dist, 300 + k) << k;
  }
  EXPECT_EQ(d.EntMjtp[11].penNo + d.EntMjtp[11].width + d.EntMjtp[11].height + d.EntMjtp[11].dist, 0);
  for (std::size_t g = 0; g < 16; ++g) {
    EXPECT_EQ(d.EntLgrp[g].scale, static_cast<float>(g) + 0.25f) << g;
    EXPECT_EQ(d.EntLgrp[g].srchF, g) << g;
    EXPECT_EQ(d.EntLgrp[g].dispF, 0x40 + g) << g;
    EXPECT_EQ(d.EntLgrp[g].w_lay, 0x80 + g) << g;
  }
  for (std::size_t l = 0; l < 256; ++l) {
    EXPECT_EQ(d.EntLay[l].srchF, l) << l;
    EXPECT_EQ(d.EntLay[l].dispF, 255 - l) << l;
  }
}

TEST(JwcReader, IntegerScalesMakeTheFixedPart32BytesShorter) {
  JwcBuilder b;
  b.jwID = "jw_cad(c)data.......V2F";
  b.floatScales = false;
  b.scale16.fill(0);
  b.scale16[0] = 100;
  b.scale16[15] = 65535;
  b.groupSrchF[0] = 9;
  b.groupWLay[15] = 0xF5;
  b.addLine(JwcLineRec{1, 2, 3, 4});
  const ByteVec bytes = b.build();
  EXPECT_EQ(bytes.size(), JwcBuilder().build().size() - 32 + 22);
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(bytes)) << d.LastError();
  EXPECT_FALSE(d.Enthd.scaleF);
  EXPECT_EQ(d.EntLgrp[0].scale, 100.0f);
  EXPECT_EQ(d.EntLgrp[15].scale, 65535.0f);
  EXPECT_EQ(d.EntLgrp[0].srchF, 9);
  EXPECT_EQ(d.EntLgrp[15].w_lay, 0xF5);
  ASSERT_EQ(d.EntLine.size(), 1u);
  EXPECT_EQ(d.EntLine[0].y2, 4.0f);
}

TEST(JwcReader, EveryRecordFieldReadsBack) {
  JwcBuilder b;
  b.addLine(JwcLineRec{1.5f, -2.5f, 3.25f, 1e6f, 11, 6, 200, 0x11, 0x22, 0x33});
  b.addLine(JwcLineRec{0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // invalid attributes are kept
  b.addArc(JwcArcRec{10, 20, 5.5f, 5000, 90 * 65536, -45 * 65536, 1, 18, 3, 17, 0x44, 0x55,
                     0x66});
  b.addText(JwcTextRec{1, 2, 3, 4, 0, 0, 10, 255, 0x20, 0x77}, "ABC");
  b.addPoint(JwcPointRec{-7.75f, 8.125f, 19, 4, 0x88, 0x99});
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build())) << d.LastError();
  ASSERT_EQ(d.lineN, 2);
  ASSERT_EQ(d.arcN, 1);
  ASSERT_EQ(d.mojiN, 1);
  ASSERT_EQ(d.tenN, 1);

  const TEntJwcLine &l = d.EntLine[0];
  EXPECT_EQ(l.x1, 1.5f);
  EXPECT_EQ(l.y1, -2.5f);
  EXPECT_EQ(l.x2, 3.25f);
  EXPECT_EQ(l.y2, 1e6f);
  EXPECT_EQ(l.typ, 11);
  EXPECT_EQ(l.col, 6);
  EXPECT_EQ(l.lay, 200);
  EXPECT_EQ(l.flg1, 0x11);
  EXPECT_EQ(l.flg2, 0x22);
  EXPECT_EQ(l.flg3, 0x33);
  EXPECT_EQ(d.EntLine[1].col, 0);
  EXPECT_EQ(d.EntLine[1].typ, 0);

  const TEntJwcArc2 &a = d.EntArc[0];
  EXPECT_EQ(a.x, 10.0f);
  EXPECT_EQ(a.y, 20.0f);
  EXPECT_EQ(a.r, 5.5f);
  EXPECT_EQ(a.h, 0.5f);
  EXPECT_EQ(a.st, 90.0f);
  EXPECT_EQ(a.et, -45.0f);
  EXPECT_EQ(a.tt, 1.0f / 65536.0f);
  EXPECT_EQ(a.typ, 18);
  EXPECT_EQ(a.col, 3);
  EXPECT_EQ(a.lay, 17);
  EXPECT_EQ(a.flg1, 0x44);
  EXPECT_EQ(a.flg2, 0x55);
  EXPECT_EQ(a.flg3, 0x66);

  const TEntJwcMoji2 &t = d.EntMoji[0];
  EXPECT_EQ(t.x1, 1.0f);
  EXPECT_EQ(t.y1, 2.0f);
  EXPECT_EQ(t.x2, 3.0f);
  EXPECT_EQ(t.y2, 4.0f);
  EXPECT_EQ(t.p, 0x60000);
  EXPECT_EQ(t.no, 10);
  EXPECT_EQ(t.lay, 255);
  EXPECT_EQ(t.flg1, 0x20);
  EXPECT_EQ(t.flg2, 0x77);
  EXPECT_EQ(t.s, u"ABC");

  const TEntJwcTen &p = d.EntTen[0];
  EXPECT_EQ(p.x, -7.75f);
  EXPECT_EQ(p.y, 8.125f);
  EXPECT_EQ(p.lay, 19);
  EXPECT_EQ(p.col, 4);
  EXPECT_EQ(p.flg1, 0x88);
  EXPECT_EQ(p.flg2, 0x99);

  EXPECT_EQ(d.Enthd.lineCount, d.lineN);
  EXPECT_EQ(d.Enthd.mojiCount, static_cast<std::int32_t>(d.EntMoji.size()));
}

struct ArcCase {
  std::uint16_t h;
  std::int32_t stored;
  float flatness;
  float degrees;
};

class JwcArcFieldTest : public ::testing::TestWithParam<ArcCase> {};

TEST_P(JwcArcFieldTest, FixedPointFieldsReadAsQuotients) {
  JwcBuilder b;
  b.addArc(JwcArcRec{0, 0, 1, GetParam().h, GetParam().stored, GetParam().stored,
                     GetParam().stored});
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntArc[0].h, GetParam().flatness);
  EXPECT_EQ(d.EntArc[0].st, GetParam().degrees);
  EXPECT_EQ(d.EntArc[0].et, GetParam().degrees);
  EXPECT_EQ(d.EntArc[0].tt, GetParam().degrees);
}

INSTANTIATE_TEST_SUITE_P(
    Arcs, JwcArcFieldTest,
    ::testing::Values(ArcCase{10000, 90 * 65536, 1.0f, 90.0f},
                      ArcCase{0, 0, 0.0f, 0.0f},
                      ArcCase{65535, -90 * 65536, 6.5535f, -90.0f},
                      ArcCase{2500, -1, 0.25f, -1.0f / 65536.0f},
                      ArcCase{1, 360 * 65536, 0.0001f, 360.0f},
                      ArcCase{3333, INT32_MIN, 0.3333f, -32768.0f},
                      // Rounded once from the exact quotient.
                      ArcCase{7, 0x7FFFFFFF, 0.0007f, 32768.0f}));

TEST(JwcReader, TwoTextsSharingOneAddressReadTheSameString) {
  JwcBuilder b;
  b.addText(JwcTextRec{}, "shared");
  JwcTextRec second;
  second.offset = b.texts[0].offset;
  second.segment = b.texts[0].segment;
  b.addTextRecord(second);
  b.addText(JwcTextRec{}, "own");
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build())) << d.LastError();
  ASSERT_EQ(d.mojiN, 3);
  EXPECT_EQ(d.EntMoji[0].s, u"shared");
  EXPECT_EQ(d.EntMoji[1].s, u"shared");
  EXPECT_EQ(d.EntMoji[2].s, u"own");
  EXPECT_EQ(d.EntMoji[0].p, d.EntMoji[1].p);
}

TEST(JwcReader, TextReadsFromItsAddressToTheNextZeroByte) {
  JwcBuilder b;
  b.addText(JwcTextRec{}, "first");
  JwcTextRec inside;  // points into the middle of "first"
  inside.segment = 0x6000;
  inside.offset = 2;
  b.addTextRecord(inside);
  // An address may also be written with another segment.
  JwcTextRec otherSegment;
  otherSegment.segment = 0x5FFF;
  otherSegment.offset = 0x10 + 3;
  b.addTextRecord(otherSegment);
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntMoji[1].s, u"rst");
  EXPECT_EQ(d.EntMoji[2].s, u"st");
  EXPECT_EQ(d.EntMoji[2].p, 0x60003);
}

TEST(JwcReader, ControlCharactersOfTextsAreDropped) {
  JwcBuilder b;
  b.addText(JwcTextRec{}, "a\tb\nc\rd");
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntMoji[0].s, u"abcd");
}

TEST(JwcReader, JapaneseTextsAndNamesDecode) {
  JwcBuilder b;
  b.addText(JwcTextRec{}, kSjisZumen + "A1");
  b.layerNames[0] = kSjisAiue;   // exactly 8 bytes
  b.groupNames[15] = kSjisKanji;
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntMoji[0].s, u"図面A1");
  EXPECT_EQ(d.EntLay[0].name, u"あいうえ");
  EXPECT_EQ(d.EntLgrp[15].name, u"漢字");
}

// Sound behaviour: the format does not say that an address lies inside the
// string area; one that does not reads as the empty text, and nothing outside
// the area is read (the bytes around it here would show).
TEST(JwcReader, TextAddressOutsideTheStringAreaReadsAsEmpty) {
  JwcBuilder b;
  b.addText(JwcTextRec{}, "in");
  b.stringArea += "tail";  // bytes past the end address
  const std::uint16_t offsets[] = {0x10 - 1, 3, 4, 0xFFFF};
  // 0x5FFF:000F lies just before the area, 6000:0003 is the end, the others after it.
  for (std::uint16_t off : offsets) {
    JwcTextRec rec;
    rec.segment = off == 0x10 - 1 ? 0x5FFF : 0x6000;
    rec.offset = off;
    b.addTextRecord(rec);
  }
  JwcTextRec low;
  low.segment = 0;
  low.offset = 0;
  b.addTextRecord(low);
  b.setAddresses(0x60000, 0x60003);
  // The stray bytes after the end address shift the names; the read still succeeds.
  TJwcData d;
  ByteVec bytes = b.build();
  ASSERT_TRUE(d.FileInFromBytes(bytes)) << d.LastError();
  ASSERT_EQ(d.mojiN, 6);
  EXPECT_EQ(d.EntMoji[0].s, u"in");
  for (int k = 1; k < 6; ++k) EXPECT_EQ(d.EntMoji[k].s, u"") << k;
}

TEST(JwcReader, WithoutAStringAreaEveryTextIsEmpty) {
  JwcBuilder b;
  JwcTextRec rec;
  b.addTextRecord(rec);
  b.block4[1] = "5FFF:0000";  // end before start: no area
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  ASSERT_EQ(d.mojiN, 1);
  EXPECT_EQ(d.EntMoji[0].s, u"");
}

TEST(JwcReader, TextKindsOutsideTheTableAreKept) {
  JwcBuilder b;
  JwcTextRec zero, eleven;
  zero.no = 0;
  eleven.no = 11;
  b.addText(zero, "z");
  b.addText(eleven, "e");
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntMoji[0].no, 0);
  EXPECT_EQ(d.EntMoji[1].no, 11);
}

TEST(JwcReader, NamesFillTheirFieldsOrEndAtTheFirstZeroByte) {
  JwcBuilder b;
  b.layerNames[0] = "ABCDEFGH";
  b.layerNames[255] = "x";
  b.groupNames[0] = "abc";
  b.groupNames[1] = "0123456789ABCDEF";
  b.groupNames[2] = std::string("ab\0cd", 5);
  b.groupNames[3] = "t\tab";
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  EXPECT_EQ(d.EntLay[0].name, u"ABCDEFGH");
  EXPECT_EQ(d.EntLay[255].name, u"x");
  EXPECT_EQ(d.EntLay[1].name, u"");
  EXPECT_EQ(d.EntLgrp[0].name, u"abc");
  EXPECT_EQ(d.EntLgrp[1].name, u"0123456789ABCDEF");
  EXPECT_EQ(d.EntLgrp[2].name, u"ab");
  EXPECT_EQ(d.EntLgrp[3].name, u"tab");
}

TEST(JwcReader, CoordinatesAreMultipliedByTheDataUnit) {
  JwcBuilder b;
  b.block2[30] = "518";  // psize 3: 420 mm over 518 units
  b.addLine(JwcLineRec{518, 259, 0, -518});
  b.vtenX[1] = 518;
  b.addPoint(JwcPointRec{518, 1});
  b.addArc(JwcArcRec{518, 0, 518});
  b.scale[0] = 518;  // group scales are not coordinates
  TJwcData d;
  ASSERT_TRUE(d.FileInFromBytes(b.build()));
  const float unit = static_cast<float>(420.0 / 518.0);
  EXPECT_EQ(d.EntLine[0].x1, 420.0f);
  EXPECT_EQ(d.EntLine[0].y1, static_cast<float>(259.0 * unit));
  EXPECT_EQ(d.EntLine[0].y2, -420.0f);
  EXPECT_EQ(d.EntVten[1].x, 420.0f);
  EXPECT_EQ(d.EntTen[0].x, 420.0f);
  EXPECT_EQ(d.EntTen[0].y, unit);
  EXPECT_EQ(d.EntArc[0].r, 420.0f);
  EXPECT_EQ(d.EntLgrp[0].scale, 518.0f);
}

TEST(JwcReader, TrailingBytesAreIgnored) {
  JwcBuilder b;
  b.addLine(JwcLineRec{1, 1, 2, 2});
  b.trailer = "whatever follows";
  TJwcData d;
  EXPECT_TRUE(d.FileInFromBytes(b.build()));
}

TEST(JwcReader, ReadsAFileAndStartsEachReadClean) {
  TempDir dir;
  JwcBuilder big;
  for (int k = 0; k < 5; ++k) big.addLine(JwcLineRec{});
  big.addText(JwcTextRec{}, "t");
  dir.write("big.jwc", big.build());
  dir.write("empty.jwc", JwcBuilder().build());
  TJwcData d;
  ASSERT_TRUE(d.FileIn(dir.file("big.jwc"))) << d.LastError();
  EXPECT_EQ(d.lineN, 5);
  ASSERT_TRUE(d.FileIn(dir.file("empty.jwc")));
  EXPECT_EQ(d.lineN, 0);
  EXPECT_EQ(d.mojiN, 0);
  EXPECT_TRUE(d.EntLine.empty());
  EXPECT_TRUE(d.EntMoji.empty());
  EXPECT_FALSE(d.FileIn(dir.file("missing.jwc")));
  EXPECT_FALSE(d.LastError().empty());
  ASSERT_TRUE(d.FileIn(dir.file("big.jwc")));
  EXPECT_EQ(d.LastError(), "");  // a success leaves no stale failure behind
}

// Bytes after the drawing's last record are counted, not read as part of it;
// a padding far beyond the first part read is never held.
TEST(JwcReader, BytesAfterTheLastRecordAreCounted) {
  TempDir dir;
  JwcBuilder b;
  for (int k = 0; k < 3; ++k) b.addLine(JwcLineRec{});
  b.addText(JwcTextRec{}, "t");
  const ByteVec drawing = b.build();
  ByteVec padded = drawing;
  padded.insert(padded.end(), 37, 0xA5);
  dir.write("plain.jwc", drawing);
  dir.write("padded.jwc", padded);
  dir.write("huge.jwc", drawing);
  std::filesystem::resize_file(dir.path() / "huge.jwc", drawing.size() + 2 * kRecordsFirstPartBytes);
  TJwcData d;
  const std::pair<const char *, std::uint64_t> files[] = {
      {"plain.jwc", 0}, {"padded.jwc", 37}, {"huge.jwc", 2 * kRecordsFirstPartBytes}};
  for (const auto &[name, trailing] : files) {
    ASSERT_TRUE(d.FileIn(dir.file(name))) << name << ": " << d.LastError();
    EXPECT_EQ(d.TrailingBytes(), trailing) << name;
    EXPECT_EQ(d.lineN, 3) << name;
    EXPECT_EQ(d.mojiN, 1) << name;
  }
  EXPECT_TRUE(d.FileInFromBytes(drawing));
  EXPECT_EQ(d.TrailingBytes(), 0u) << "no file read";
}

// ---- Files that end early, counts that lie ---------------------------------

TEST(JwcReader, CountsPromisingMoreLinesThanTheFileHoldsFail) {
  JwcBuilder b;
  b.addLine(JwcLineRec{});
  b.block2[0] = "2";
  TJwcData d;
  EXPECT_FALSE(d.FileInFromBytes(b.build()));
}

struct CountCase {
  const char *name;
  int block;  // 2 or 4
  int index;
  std::string value;
};

class JwcHugeCountTest : public ::testing::TestWithParam<CountCase> {};

// Sound behaviour: a count is trusted only as far as the bytes left can back
// it. A forged count fails at once, with no allocation for it.
TEST_P(JwcHugeCountTest, FailsWithoutAllocatingAhead) {
  JwcBuilder b;
  b.addLine(JwcLineRec{});
  b.addText(JwcTextRec{}, "x");
  (GetParam().block == 2 ? b.block2 : b.block4)[GetParam().index] = GetParam().value;
  TJwcData d;
  EXPECT_FALSE(d.FileInFromBytes(b.build()));
  EXPECT_NE(d.LastError().find("File I/O Error"), std::string::npos) << d.LastError();
  EXPECT_LE(d.EntLine.size() + d.EntArc.size() + d.EntMoji.size() + d.EntTen.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, JwcHugeCountTest,
    ::testing::Values(CountCase{"Lines", 2, 0, "2147483647"}, CountCase{"Arcs", 2, 1, "2147483647"},
                      CountCase{"Texts", 2, 2, "2147483647"}, CountCase{"Points", 2, 3, "2147483647"},
                      CountCase{"NegativeLines", 2, 0, "-1"},
                      CountCase{"NegativeTexts", 2, 2, "-2147483648"},
                      CountCase{"StringArea", 4, 1, "FFFF:FFFF"},
                      CountCase{"LinesJustTooMany", 2, 0, "5000"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(JwcReader, HugeCountNamesItselfInTheError) {
  JwcBuilder b;
  b.block2[1] = "100000000";
  TJwcData d;
  EXPECT_FALSE(d.FileInFromBytes(b.build()));
  EXPECT_NE(d.LastError().find("arc count 100000000"), std::string::npos) << d.LastError();
}

// Every length of a small drawing: it reads exactly when the last group name
// has at least its first byte (the format does not detect a field cut short;
// its missing bytes read as zero), and never crashes or reads out of bounds.
TEST(JwcReader, TruncatedAtEveryOffset) {
  JwcBuilder b;
  b.addLine(JwcLineRec{1, 2, 3, 4});
  b.addArc(JwcArcRec{5, 6, 7});
  b.addText(JwcTextRec{}, "one");
  b.addText(JwcTextRec{}, kSjisMoji);
  b.addPoint(JwcPointRec{8, 9});
  b.groupNames[15] = "LASTNAME";
  const ByteVec full = b.build();
  const std::size_t lastName = b.groupNamesOffset() + 15 * 16;
  ASSERT_EQ(full.size(), lastName + 16);
  for (std::size_t n = 0; n <= full.size(); ++n) {
    const ByteVec cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    TJwcData d;
    const bool ok = d.FileInFromBytes(cut);
    ASSERT_EQ(ok, n > lastName) << "length " << n << ": " << d.LastError();
    if (ok) {
      const std::size_t kept = n - lastName;
      EXPECT_EQ(d.EntLgrp[15].name, std::u16string(u"LASTNAME").substr(0, kept)) << n;
      EXPECT_EQ(d.EntMoji[1].s, u"文字");
    }
  }
}

TEST(JwcReader, FileEndingInsideTheFixedPartFails) {
  ByteVec bytes = JwcBuilder().build();
  bytes.resize(1000);
  TJwcData d;
  EXPECT_FALSE(d.FileInFromBytes(bytes));
  EXPECT_NE(d.LastError().find("layer name 0"), std::string::npos) << d.LastError();
}

TEST(JwcReader, HeaderFailureFailsTheRead) {
  ByteVec bytes = JwcBuilder().build();
  bytes.resize(500);
  TJwcData d;
  EXPECT_FALSE(d.FileInFromBytes(bytes));
  EXPECT_TRUE(d.EntVten.empty());
}

}  // namespace
}  // namespace velkaro::testing
