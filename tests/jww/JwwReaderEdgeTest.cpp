// Reader edge cases of the archive, the header block and the entity list,
// each on built bytes with exactly one field made special.
#include <cmath>
#include <limits>

#include "JwwFixture.h"

namespace velkaro::testing {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// ---- file check and header --------------------------------------------------

TEST_F(JwwDocTest, FileCheckAcceptsOnly220To700) {
  for (std::int32_t v : {219, 220, 700, 701, 0, -220, 0x7FFFFFFF}) {
    SCOPED_TRACE(v);
    JwwBytes b;
    b.raw("JwwData.").i32(v);
    dir.write("v.jww", b.bytes());
    EXPECT_EQ(doc.FileCheck(dir.file("v.jww")), v >= 220 && v <= 700);
  }
}

TEST_F(JwwDocTest, FileHeaderInRejectsVersionsOutsideTheRange) {
  for (std::int32_t v : {219, 701}) {
    JwwDrawingSpec s = MakeCanonicalDrawing(700);
    s.version = v;  // the rest laid out as for 700
    dir.write("v.jww", BuildJww(s).bytes);
    EXPECT_FALSE(doc.FileHeaderIn(dir.file("v.jww"))) << v;
    EXPECT_FALSE(doc.FileIn(dir.file("v.jww"))) << v;
  }
}

TEST_F(JwwDocTest, SignatureMustBeExact) {
  for (const char *sig : {"JwwData", "jwwdata.", "JwwData!", "JWWDATA."}) {
    SCOPED_TRACE(sig);
    JwwDrawingSpec s = MakeCanonicalDrawing(600);
    s.signature = sig;
    dir.write("s.jww", BuildJww(s).bytes);
    EXPECT_FALSE(doc.FileCheck(dir.file("s.jww")));
    EXPECT_FALSE(doc.FileHeaderIn(dir.file("s.jww")));
    EXPECT_FALSE(doc.FileIn(dir.file("s.jww")));
  }
}

TEST_F(JwwDocTest, FileCheckNeedsTwelveBytes) {
  JwwBytes b;
  b.raw("JwwData.").i32(600);
  for (std::size_t n = 0; n < 12; ++n) {
    dir.write("short.jww", TruncateAt(b.bytes(), n));
    EXPECT_FALSE(doc.FileCheck(dir.file("short.jww"))) << n;
  }
  dir.write("short.jww", b.bytes());
  EXPECT_TRUE(doc.FileCheck(dir.file("short.jww")));
  EXPECT_FALSE(doc.FileCheck(dir.file("missing.jww")));
  EXPECT_FALSE(doc.FileHeaderIn(dir.file("missing.jww")));
  EXPECT_FALSE(doc.FileIn(dir.file("missing.jww")));
}

TEST_F(JwwDocTest, FileCheckDoesNotChangeTheDocument) {
  ASSERT_TRUE(read(BuildJww(MakeRichDrawing(600, false)).bytes));
  const std::string before = Dump(ViewOf(doc));
  dir.write("other.jww", BuildJww(MakeCanonicalDrawing(300)).bytes);
  EXPECT_TRUE(doc.FileCheck(dir.file("other.jww")));
  EXPECT_TRUE(SameDump(before, Dump(ViewOf(doc))));
}

struct MaxDrawWidCase {
  std::int32_t stored;
  bool bSenHaba100;
  std::int32_t decoded;
};

class JwwMaxDrawWidTest : public JwwDocFixture<::testing::TestWithParam<MaxDrawWidCase>> {};

TEST_P(JwwMaxDrawWidTest, DecodesTheLineWidthMode) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  s.hd.nMaxDrawWid = GetParam().stored;
  dir.write("h.jww", BuildJww(s).bytes);
  ASSERT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
  EXPECT_EQ(doc.Enthd.nMaxDrawWid, GetParam().stored);
  EXPECT_EQ(doc.Enthd.bSenHaba100, GetParam().bSenHaba100);
  EXPECT_EQ(doc.Enthd.nMaxDrawWidBak, GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Values, JwwMaxDrawWidTest,
                         ::testing::Values(MaxDrawWidCase{-100, false, -100}, MaxDrawWidCase{-101, true, -100},
                                           MaxDrawWidCase{-150, true, -100}, MaxDrawWidCase{-201, true, 1},
                                           MaxDrawWidCase{-250, true, 50}, MaxDrawWidCase{-300, true, 100},
                                           MaxDrawWidCase{-301, true, -100}, MaxDrawWidCase{-401, true, -1},
                                           MaxDrawWidCase{-450, true, -50}, MaxDrawWidCase{-500, true, -100},
                                           MaxDrawWidCase{-600, true, -100}, MaxDrawWidCase{7, false, 7}));

TEST_F(JwwDocTest, PrintDpiAndDisplayFlagShareOneField) {
  struct {
    std::int32_t x, dpi, flag;
  } cases[] = {{123, 12, 3}, {-7, 0, -7}, {-123, -12, -3}, {9, 0, 9}, {10, 1, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.x);
    for (std::int32_t v : {420, 700}) {  // the same rule for every version
      JwwDrawingSpec s = MakeCanonicalDrawing(v);
      s.prtDispValue = c.x;
      dir.write("h.jww", BuildJww(s).bytes);
      ASSERT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
      EXPECT_EQ(doc.Enthd.nPrtDpi, c.dpi);
      EXPECT_EQ(doc.Enthd.nPrtDispOnlyNonDraw, c.flag);
    }
  }
}

TEST_F(JwwDocTest, NonFiniteTextSizesReadAsDefaults) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.EntMoj[0].adMojiX = kNaN;
  s.EntMoj[1].adMojiY = -kInf;
  s.EntMoj[2].adMojiD = kInf;
  s.hd.dMojiSizeX = kNaN;
  s.hd.dMojiSizeY = kInf;
  s.hd.dMojiKankaku = kNaN;
  TEntJwwMoji t = Text(u"t");
  t.dSizeX = kNaN;
  t.dSizeY = kInf;
  t.dKankaku = -kInf;
  t.degKakudo = kNaN;  // not a size: kept
  TEntJwwSunpo d = Dimension(1, 1);
  d.Moji.dSizeX = kInf;
  s.entities = {t, d};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.EntMoj[0].adMojiX, 3.0);
  EXPECT_EQ(doc.EntMoj[1].adMojiY, 3.0);
  EXPECT_EQ(doc.EntMoj[2].adMojiD, 0.0);
  EXPECT_EQ(doc.Enthd.dMojiSizeX, 3.0);
  EXPECT_EQ(doc.Enthd.dMojiSizeY, 3.0);
  EXPECT_EQ(doc.Enthd.dMojiKankaku, 0.0);
  ASSERT_EQ(doc.EntMojiN, 1);
  EXPECT_EQ(doc.EntMoji[0].dSizeX, 3.0);
  EXPECT_EQ(doc.EntMoji[0].dSizeY, 3.0);
  EXPECT_EQ(doc.EntMoji[0].dKankaku, 0.0);
  EXPECT_TRUE(std::isnan(doc.EntMoji[0].degKakudo));
  EXPECT_EQ(doc.EntSunpo.at(0).Moji.dSizeX, 3.0);
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
}

TEST_F(JwwDocTest, NamesLoseControlCharactersAndTheMemoKeepsThem) {
  JwwDrawingSpec s = MakeCanonicalDrawing(420);
  s.hd.strMemo = u"line 1\r\nline 2\t!";
  s.EntLay[7].aStrLayName = u"a\tb";
  s.EntLgrp[3].aStrGLayName = u"\x1Fg\x01";
  s.EntColS[9].astrUDColorName = u"c\rd";
  s.entities = {Text(u"x\ny")};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.Enthd.strMemo, u"line 1\r\nline 2\t!");
  EXPECT_EQ(doc.EntLay[7].aStrLayName, u"ab");
  EXPECT_EQ(doc.EntLgrp[3].aStrGLayName, u"g");
  EXPECT_EQ(doc.EntColS[9].astrUDColorName, u"cd");
  EXPECT_EQ(doc.EntMoji.at(0).str, u"xy");
}

TEST_F(JwwDocTest, LayerOfGroup2AndLayer5IsEntry37) {
  JwwDrawingSpec s = MakeCanonicalDrawing(300);
  s.EntLay[37].aStrLayName = u"here";
  s.EntLay[37].aanLay = 99;
  dir.write("h.jww", BuildJww(s).bytes);
  ASSERT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
  EXPECT_EQ(doc.EntLay[2 * 16 + 5].aStrLayName, u"here");
  EXPECT_EQ(doc.EntLay[37].aanLay, 99);
}

TEST_F(JwwDocTest, Version230KeepsDefaultsForTheZoomEntriesItLacks) {
  JwwDrawingSpec s = MakeCanonicalDrawing(230);
  dir.write("h.jww", BuildJww(s).bytes);
  ASSERT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(doc.Enthd.dZoomJumpBairitsu[i], s.hd.dZoomJumpBairitsu[i]) << i;
    EXPECT_EQ(doc.Enthd.nZoomJumpGLay[i], -1) << i;
  }
  for (int i = 5; i <= 8; ++i) {
    EXPECT_EQ(doc.Enthd.dZoomJumpBairitsu[i], 1.0) << i;
    EXPECT_EQ(doc.Enthd.DPZoomJumpGenten_x[i], 0.0) << i;
    EXPECT_EQ(doc.Enthd.nZoomJumpGLay[i], -1) << i;
  }
  EXPECT_EQ(doc.Enthd.nSolidNinniColor, s.hd.nSolidNinniColor);
  EXPECT_EQ(doc.Enthd.dMojiBG, 0.0);
}

TEST_F(JwwDocTest, HeaderEndingInsideItsLastFieldStillReads) {
  // The last field must deliver at least one byte; earlier reads are not checked.
  const JwwFile f = BuildJww(MakeCanonicalDrawing(600));
  const std::size_t end = f.at("header.end");
  dir.write("h.jww", TruncateAt(f.bytes, end - 7));
  EXPECT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
  dir.write("h.jww", TruncateAt(f.bytes, end - 8));
  EXPECT_FALSE(doc.FileHeaderIn(dir.file("h.jww")));
  dir.write("h.jww", TruncateAt(f.bytes, 100));
  EXPECT_FALSE(doc.FileHeaderIn(dir.file("h.jww")));
}

TEST_F(JwwDocTest, FileHeaderInStartsFromAnEmptyDocument) {
  ASSERT_TRUE(read(BuildJww(MakeRichDrawing(700, true)).bytes));
  dir.write("h.jww", BuildJww(MakeCanonicalDrawing(300)).bytes);
  ASSERT_TRUE(doc.FileHeaderIn(dir.file("h.jww")));
  EXPECT_EQ(doc.Enthd.jwVer, 300);
  EXPECT_EQ(doc.EntLineN, 0);
  EXPECT_TRUE(doc.EntLine.empty());
  EXPECT_TRUE(doc.EntBlockDef.empty());
  EXPECT_EQ(doc.BindImageN, 0);
  EXPECT_FALSE(doc.MojiEncode);
}

// ---- archive strings in the file ----------------------------------------------

ByteVec WithMemoBytes(const std::function<void(JwwBytes &)> &memo, std::int32_t v = 600) {
  // Header with the memo laid out by hand: the rest is the canonical header.
  const JwwDrawingSpec s = MakeCanonicalDrawing(v);
  JwwBytes whole;
  AppendHeader(whole, s);
  JwwBytes canonicalMemo;
  canonicalMemo.cstring(s.hd.strMemo, false);
  JwwBytes out;
  out.raw(std::span(whole.bytes()).subspan(0, 12));
  memo(out);
  out.raw(std::span(whole.bytes()).subspan(12 + canonicalMemo.size()));
  out.count(0).count(0);
  if (v >= 700)
    out.i32(0);
  return out.take();
}

TEST_F(JwwDocTest, LegacyStringOf65535BytesUsesTheFullWord) {
  const ByteVec memo(65535, 'q');
  ASSERT_TRUE(read(WithMemoBytes([&](JwwBytes &b) { b.cstringLegacy(memo, StrForm::Long); })));
  EXPECT_EQ(doc.Enthd.strMemo, std::u16string(65535, u'q'));
  EXPECT_FALSE(doc.MojiEncode);
}

TEST_F(JwwDocTest, LegacyStringStopsAtItsFirstZeroByte) {
  const ByteVec memo{'a', 'b', 0, 'c'};
  ASSERT_TRUE(read(WithMemoBytes([&](JwwBytes &b) { b.cstringLegacy(memo, StrForm::Short); })));
  EXPECT_EQ(doc.Enthd.strMemo, u"ab");
  // The bytes after the zero still belong to the string: the rest reads on.
  EXPECT_EQ(doc.Enthd.nZumen, 3);
}

TEST_F(JwwDocTest, Utf16StringStopsAtItsFirstZeroUnit) {
  ASSERT_TRUE(read(WithMemoBytes([&](JwwBytes &b) { b.cstringUtf16(std::u16string(u"ab\0c", 4), StrForm::Utf16Short); })));
  EXPECT_EQ(doc.Enthd.strMemo, u"ab");
  EXPECT_TRUE(doc.MojiEncode);
  EXPECT_EQ(doc.Enthd.nZumen, 3);
}

TEST_F(JwwDocTest, OneUtf16StringSetsMojiEncodeForTheWholeFile) {
  // Only the memo is UTF-16; every later string is legacy.
  ASSERT_TRUE(read(WithMemoBytes([&](JwwBytes &b) { b.cstringUtf16(u"図面", StrForm::Utf16Long); })));
  EXPECT_EQ(doc.Enthd.strMemo, u"図面");
  EXPECT_TRUE(doc.MojiEncode);
  EXPECT_EQ(doc.EntLay[17].aStrLayName, u"文字種ソ");
  // And a file of legacy strings only leaves it clear.
  ASSERT_TRUE(read(BuildJww(MakeCanonicalDrawing(600)).bytes));
  EXPECT_FALSE(doc.MojiEncode);
}

TEST_F(JwwDocTest, ShiftJisWithBackslashTrailBytesDecodes) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Text(u"表ソ能")};
  ASSERT_TRUE(read(BuildJww(s).bytes));
  EXPECT_EQ(doc.EntMoji.at(0).str, u"表ソ能");
}

// ---- entity list -------------------------------------------------------------

TEST_F(JwwDocTest, EmptyEntityListGoesOnWithTheBlockDefinitions) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  JwwBlockDefSpec d;
  d.strName = u"unused";
  d.members = {Line(0, 0, 1, 1)};
  s.blockDefs = {d};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.Enthd.n1, 0);
  EXPECT_TRUE(doc.EntNo.empty());
  EXPECT_EQ(doc.EntBlockDefN, 1);
  EXPECT_EQ(doc.Enthd.n2, 1);
}

TEST_F(JwwDocTest, BigTagRefersToTheSameClassAsTheShortTag) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(1, 1, 2, 2), Line(3, 3, 4, 4)};
  TEntJwwEnko arc;
  arc.att = Attr(1, 1);
  s.entities.push_back(arc);
  s.entities.push_back(Line(5, 5, 6, 6));
  JwwFile f = BuildJww(s);
  // The arc class took index 4; refer to the lines' class 1 with 7FFF 80000001
  // and check that a plain uint32 without the top bit (7FFF 00000001) works too.
  JwwBytes tail;
  tail.bigClassRef(1);
  ByteVec bytes = f.bytes;
  const std::size_t at = f.at("entity.3");
  bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at) + 2);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), tail.bytes().begin(), tail.bytes().end());
  ASSERT_TRUE(read(bytes)) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  ASSERT_TRUE(read(PatchU32(bytes, at + 2, 1))) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
}

TEST_F(JwwDocTest, UnknownClassNameFailsFileIn) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(1, 1, 2, 2), Text(u"a")};
  const JwwFile f = BuildJww(s);
  for (const char *name : {"CDataXyz", "CDataList", "", "cdatasen", "CDataSen "}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(read(PatchClassName(f.bytes, f.at("entity.1"), name)));
  }
  EXPECT_TRUE(read(f.bytes));
}

TEST_F(JwwDocTest, TagNamingNoClassIsSkippedWithoutTakingAnObject) {
  // A back-reference tag (0x0001..0x7FFE) or a reference to an unused index
  // names no class: nothing is read for it and the list goes on.
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(1, 1, 2, 2), Line(3, 3, 4, 4)};
  const JwwFile f = BuildJww(s);
  for (std::uint16_t tag : {0x0001, 0x1234, 0x8063}) {
    SCOPED_TRACE(tag);
    ByteVec bytes = f.bytes;
    const std::size_t at = f.at("entity.1");
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), {static_cast<std::uint8_t>(tag),
                                                                   static_cast<std::uint8_t>(tag >> 8)});
    ASSERT_TRUE(read(bytes)) << doc.LastError();
    EXPECT_EQ(doc.EntLineN, 2);
    EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  }
}

TEST_F(JwwDocTest, Version350BodiesLackThePenWidth) {
  for (std::int32_t v : {350, 351}) {
    SCOPED_TRACE(v);
    JwwDrawingSpec s = MakeCanonicalDrawing(v);
    s.entities = {Line(1, 2, 3, 4, Attr(1, 1, 0, 0, 55)), Line(5, 6, 7, 8)};
    const JwwFile f = BuildJww(s);
    EXPECT_EQ(f.at("entity.1") - f.at("entity.0"), 6 + 8 + (v >= 351 ? 47u : 45u));
    ASSERT_TRUE(read(f.bytes));
    EXPECT_EQ(doc.EntLine.at(0).att.nPenWidth, v >= 351 ? 55 : 0);
    EXPECT_EQ(doc.EntLine.at(1).start_x, 5.0);
  }
}

TEST_F(JwwDocTest, PointExtrasAndSolidColourFollowOnlyTheirMarks) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  TEntJwwTen special = Point(1, 2, Attr(100, 1));
  special.nCode = 5;
  special.radKaitenKaku = 0.25;
  special.dBairitsu = 2;
  TEntJwwSolid rgb;
  rgb.att = Attr(1, 10);
  rgb.Color = 0x0A0B0C;
  TEntJwwSolid plain;
  plain.att = Attr(1, 3);
  plain.Color = 0x777777;  // not in the file
  s.entities = {special, Point(3, 4), rgb, plain, Line(0, 0, 1, 1)};
  const JwwFile f = BuildJww(s);
  EXPECT_EQ(f.at("entity.1") - f.at("entity.0"), 14u + 35 + 20);  // class record, body, extras
  ASSERT_TRUE(read(f.bytes));
  EXPECT_EQ(doc.EntTen.at(0).nCode, 5u);
  EXPECT_EQ(doc.EntTen.at(0).dBairitsu, 2.0);
  EXPECT_EQ(doc.EntTen.at(1).start_x, 3.0);
  EXPECT_EQ(doc.EntSolid.at(0).Color, 0x0A0B0Cu);
  EXPECT_EQ(doc.EntSolid.at(1).Color, 0u);
  EXPECT_EQ(doc.EntLine.at(0).end_x, 1.0);
}

TEST_F(JwwDocTest, DimensionSxfPartFrom420) {
  for (std::int32_t v : {419, 420}) {
    SCOPED_TRACE(v);
    JwwDrawingSpec s = MakeCanonicalDrawing(v);
    TEntJwwSunpo d = Dimension(10, 0, Attr(4, 5, 6, 7, 8, 9, 10));
    s.entities = {d, Line(0, 0, 1, 1)};
    ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
    ASSERT_EQ(doc.EntSunpoN, 1);
    const TEntJwwSunpo &r = doc.EntSunpo[0];
    if (v >= 420) {
      EXPECT_EQ(r.Ho1.start_x, d.Ho1.start_x);
      EXPECT_EQ(r.Kt2.start_y, d.Kt2.start_y);
      EXPECT_EQ(r.Te2.nCode, 7u);
    } else {
      EXPECT_EQ(r.bSxfMode, 0);
      EXPECT_EQ(r.Ho1.start_x, 0.0);
      EXPECT_EQ(r.Ho2.att.nPenColor, 5);
      EXPECT_EQ(r.Ho2.att.sFlg, 10);
      EXPECT_EQ(r.Te1.att.nPenStyle, 0);
      EXPECT_EQ(r.Kt2.att.nGLayer, 7);
      EXPECT_EQ(r.Kt2.bKariten, 0u);
    }
    EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  }
}

TEST_F(JwwDocTest, ListEndingAfterTheSeventhOfTenBodies) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  for (int i = 0; i < 10; ++i)
    s.entities.push_back(Line(i, i, i, i));
  const JwwFile f = BuildJww(s);
  EXPECT_FALSE(read(TruncateAt(f.bytes, f.at("entity.7"))));
  EXPECT_EQ(doc.Enthd.n1, 10);
  ASSERT_EQ(doc.EntNo.size(), 10u);
  EXPECT_EQ(doc.EntLineN, 7);
  EXPECT_EQ(doc.EntLine.size(), 7u);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(doc.EntNo[i].EntType, 1) << i;
  for (int i = 7; i < 10; ++i)
    EXPECT_EQ(doc.EntNo[i].EntType, 0) << i;
}

TEST_F(JwwDocTest, BytesAfterTheLastSectionAreIgnored) {
  for (std::int32_t v : {699, 700}) {
    SCOPED_TRACE(v);
    const JwwDrawingSpec s = MakeRichDrawing(v, false);
    ByteVec bytes = BuildJww(s).bytes;
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0x01, 0x02, 0x03});
    ASSERT_TRUE(read(bytes)) << doc.LastError();
    EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  }
}

TEST_F(JwwDocTest, DataInitKeepsTheImageSettings) {
  doc.FileOutOpt = 0x20;
  doc.MojiEncode = true;
  const std::u16string folder = doc.BindImageFolder;
  doc.DataInit();
  EXPECT_EQ(doc.BindImageFolder, folder);
  EXPECT_TRUE(doc.BindImageExp);
  EXPECT_TRUE(doc.BindImageExr);
  EXPECT_FALSE(doc.MojiEncode);
  EXPECT_EQ(doc.FileOutOpt, 0);
  EXPECT_TRUE(doc.EntMoj.empty());
  EXPECT_EQ(doc.Enthd.dBairitsu, 1.0);
  EXPECT_EQ(doc.Enthd.nZoomJumpGLay[8], -1);
}

}  // namespace
}  // namespace velkaro::testing

namespace velkaro::testing {
namespace {

// The in-memory entry points read exactly as the file ones do.
TEST_F(JwwDocTest, ReadingFromBytesEqualsReadingTheFile) {
  for (std::int32_t v : kThresholdVersions) {
    SCOPED_TRACE(v);
    const JwwFile f = BuildJww(MakeRichDrawing(v, v % 2 == 0));
    ASSERT_TRUE(read(f.bytes)) << doc.LastError();
    const std::string fromFile = Dump(ViewOf(doc));
    ASSERT_TRUE(doc.FileInFromBytes(f.bytes)) << doc.LastError();
    EXPECT_TRUE(SameDump(fromFile, Dump(ViewOf(doc))));
    ASSERT_TRUE(doc.FileHeaderInFromBytes(f.bytes));
    EXPECT_EQ(doc.Enthd.jwVer, v);
    EXPECT_FALSE(doc.FileInFromBytes(TruncateAt(f.bytes, f.at("entity.3"))));
  }
}

}  // namespace
}  // namespace velkaro::testing
