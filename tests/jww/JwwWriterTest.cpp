// The writer's own values and limits: a canonical drawing is read, one value
// of the document is changed, and the file written must equal the builder's
// bytes of the same drawing with the value the writer is to store.
#include <cmath>
#include <functional>
#include <limits>

#include "JwwFixture.h"

namespace velkaro::testing {
namespace {

struct WriterCase {
  const char *name;
  std::int32_t version;
  std::function<void(TJwwData &)> change;         // applied to the read document
  std::function<void(JwwDrawingSpec &)> expected;  // the same drawing as it must be written
  std::function<void(JwwDrawingSpec &)> base = nullptr;  // extra content of the drawing read
};

JwwDrawingSpec BaseDrawing(std::int32_t v) {
  JwwDrawingSpec s = MakeCanonicalDrawing(v);
  s.entities = {Line(0, 0, 1, 1), Text(u"text"), Point(1, 2)};
  return s;
}

void PrintTo(const WriterCase &c, std::ostream *os) { *os << c.name << " (target " << c.version << ")"; }

class JwwWriterValueTest : public JwwDocFixture<::testing::TestWithParam<WriterCase>> {};

TEST_P(JwwWriterValueTest, WritesTheWritersValue) {
  const WriterCase &c = GetParam();
  JwwDrawingSpec base = BaseDrawing(c.version);
  if (c.base)
    c.base(base);
  ASSERT_TRUE(read(BuildJww(base).bytes)) << doc.LastError();
  doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
  c.change(doc);  // may choose its own option
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), c.version)) << doc.LastError();
  JwwDrawingSpec expected = base;
  c.expected(expected);
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

TEntJwwMoji &FirstText(TJwwData &d) { return d.EntMoji.at(0); }
TEntJwwMoji &FirstText(JwwDrawingSpec &s) { return std::get<TEntJwwMoji>(s.entities.at(1)); }
TEntJwwLine &FirstLine(JwwDrawingSpec &s) { return std::get<TEntJwwLine>(s.entities.at(0)); }
TEntJwwTen &FirstPoint(JwwDrawingSpec &s) { return std::get<TEntJwwTen>(s.entities.at(2)); }

const double kNaN = std::numeric_limits<double>::quiet_NaN();

const WriterCase kWriterCases[] = {
    // Header values.
    {"PrintColourZeroIsAlwaysWhite", 700, [](TJwwData &d) { d.EntCol[0].aPrtPenColor = 0x123456; },
     [](JwwDrawingSpec &) {}},
    {"PenColourOutsideRgbIsZero", 700, [](TJwwData &d) { d.EntCol[2].aPenColor = 0x1000000; },
     [](JwwDrawingSpec &s) { s.EntCol[2].aPenColor = 0; }},
    {"NegativePrintColourIsZero", 700, [](TJwwData &d) { d.EntCol[4].aPrtPenColor = -1; },
     [](JwwDrawingSpec &s) { s.EntCol[4].aPrtPenColor = 0; }},
    {"PenWidthZeroIsOne", 700, [](TJwwData &d) { d.EntCol[1].anPenWidth = 0; },
     [](JwwDrawingSpec &s) { s.EntCol[1].anPenWidth = 1; }},
    {"PenWidth17Is16", 700, [](TJwwData &d) { d.EntCol[1].anPenWidth = 17; },
     [](JwwDrawingSpec &s) { s.EntCol[1].anPenWidth = 16; }},
    {"PrintWidth600Is500", 700, [](TJwwData &d) { d.EntCol[1].anPrtPenWidth = 600; },
     [](JwwDrawingSpec &s) { s.EntCol[1].anPrtPenWidth = 500; }},
    {"PointRadiusIsKeptBetweenATenthAndTen", 700,
     [](TJwwData &d) {
       d.EntCol[1].adPrtTenHankei = 0.05;
       d.EntCol[2].adPrtTenHankei = 12;
     },
     [](JwwDrawingSpec &s) {
       s.EntCol[1].adPrtTenHankei = 0.1;
       s.EntCol[2].adPrtTenHankei = 10.0;
     }},
    {"NaNPointRadiusPassesUnchanged", 700, [](TJwwData &d) { d.EntCol[1].adPrtTenHankei = kNaN; },
     [](JwwDrawingSpec &s) { s.EntCol[1].adPrtTenHankei = kNaN; }},
    {"MaxDrawWidthBelowMinus101IsMinus101For420", 420, [](TJwwData &d) { d.Enthd.nMaxDrawWid = -150; },
     [](JwwDrawingSpec &s) { s.hd.nMaxDrawWid = -101; }},
    {"MaxDrawWidthStaysFor421", 421, [](TJwwData &d) { d.Enthd.nMaxDrawWid = -150; },
     [](JwwDrawingSpec &s) { s.hd.nMaxDrawWid = -150; }},
    {"PrintDpiZeroAt600AddsTen", 600,
     [](TJwwData &d) {
       d.Enthd.nPrtDispOnlyNonDraw = 1;
       d.Enthd.nPrtDpi = 0;
     },
     [](JwwDrawingSpec &s) { s.prtDispValue = 11; }},
    {"PrintDpiIsDroppedBelow600", 599,
     [](TJwwData &d) {
       d.Enthd.nPrtDispOnlyNonDraw = 1;
       d.Enthd.nPrtDpi = 30;
     },
     [](JwwDrawingSpec &s) { s.prtDispValue = 1; }},
    {"ReservedAreasAreWrittenAsTheWriterFixesThem", 700, [](TJwwData &) {},
     [](JwwDrawingSpec &s) {
       s.reserved56.fill(0x20);
       s.reserved4.fill(0x00);
     },
     [](JwwDrawingSpec &s) {
       // The reader ignores these bytes; the writer stores its own.
       s.reserved56.fill(0xAB);
       s.reserved4.fill(0xCD);
     }},
    {"SignatureIsJwwData", 700, [](TJwwData &d) { d.Enthd.jwID = u"Something"; }, [](JwwDrawingSpec &) {}},
    {"TextKindHeightIsItsAbsoluteValue", 700,
     [](TJwwData &d) {
       d.EntMoj[3].adMojiY = -2.5;
       d.EntMoj[4].adMojiX = 0;
       d.EntMoj[5].adMojiX = 1e11;
     },
     [](JwwDrawingSpec &s) {
       s.EntMoj[3].adMojiY = 2.5;
       s.EntMoj[4].adMojiX = 1e-10;
       s.EntMoj[5].adMojiX = 1e10;
     }},
    {"CurrentTextSizeIsItsAbsoluteValue", 700,
     [](TJwwData &d) {
       d.Enthd.dMojiSizeX = -4;
       d.Enthd.dMojiSizeY = 0;
     },
     [](JwwDrawingSpec &s) {
       s.hd.dMojiSizeX = 4;
       s.hd.dMojiSizeY = 1e-10;
     }},
    {"LayerNamesAreCleaned", 700,
     [](TJwwData &d) {
       d.EntLay[0].aStrLayName = u"";
       d.EntLay[1].aStrLayName = u"\t\x01";
       d.EntLay[2].aStrLayName = u"a^mb";
       d.EntLay[3].aStrLayName = u"x\\ny";
       d.EntLgrp[0].aStrGLayName = u"g\x1F";
     },
     [](JwwDrawingSpec &s) {
       s.EntLay[0].aStrLayName = u"";
       s.EntLay[1].aStrLayName = u" ";
       s.EntLay[2].aStrLayName = u"ab";
       s.EntLay[3].aStrLayName = u"xy";
       s.EntLgrp[0].aStrGLayName = u"g";
     }},
    {"MemoIsNotCleaned", 700, [](TJwwData &d) { d.Enthd.strMemo = u"a^mb\r\n\tc"; },
     [](JwwDrawingSpec &s) { s.hd.strMemo = u"a^mb\r\n\tc"; }},
    {"BlankSxfColourNameIsNamedByItsNumber", 700,
     [](TJwwData &d) {
       d.EntColS[5].astrUDColorName = u"\u3000 ";
       d.EntColS[0].astrUDColorName = u"";
       d.EntColS[200].astrUDColorName = u"\t";
     },
     [](JwwDrawingSpec &s) {
       s.EntColS[5].astrUDColorName = u"Color_5";
       s.EntColS[0].astrUDColorName = u"Color_0";
       s.EntColS[200].astrUDColorName = u"Color_200";
     }},
    {"SxfPrintColourAbove16IsTheDisplayColour", 700,
     [](TJwwData &d) {
       d.EntColS[16].aPrtPenColor = 77;
       d.EntColS[17].aPrtPenColor = 88;
     },
     [](JwwDrawingSpec &s) { s.EntColS[16].aPrtPenColor = 77; }},
    {"SxfLineTypeAbove16WithOddSegmentsGetsTheDefaultPattern", 700,
     [](TJwwData &d) {
       d.EntLtpS[20].anUDLTypeSegment = 3;
       d.EntLtpS[10].anUDLTypeSegment = 3;
     },
     [](JwwDrawingSpec &s) {
       s.EntLtpS[10].anUDLTypeSegment = 3;
       TEntJwwLineTypeExNo &t = s.EntLtpS[20];
       t.alLType = static_cast<std::int32_t>(0xC3C3C3C3u);
       t.anTokushuSenUintDot = 8;
       t.anTokushuSenPich = 1;
       t.anPrtTokushuSenPich = 8;
       t.astrUDLTypeName = u"LType_20";
       t.anUDLTypeSegment = 2;
       t.aadUDLTypePitch = {0, 1.0, 1.0, 0, 0, 0, 0, 0, 0, 0, 0};
     }},
    {"SxfLineTypeZeroPatternIsMinusOne", 700,
     [](TJwwData &d) {
       d.EntLtpS[3].alLType = 0;
       d.EntLtpS[4].astrUDLTypeName = u"  ";
     },
     [](JwwDrawingSpec &s) {
       s.EntLtpS[3].alLType = -1;
       s.EntLtpS[4].astrUDLTypeName = u"LType_4";
     }},
    // Entity values.
    {"TextSizeZeroIsTheSmallestSize", 700,
     [](TJwwData &d) {
       FirstText(d).dSizeX = 0;
       FirstText(d).dSizeY = -3;
     },
     [](JwwDrawingSpec &s) {
       FirstText(s).dSizeX = 1e-10;
       FirstText(s).dSizeY = 3;
     }},
    {"TextStringsAreCleaned", 700,
     [](TJwwData &d) {
       FirstText(d).str = u"a^mb\\nc\x01";
       FirstText(d).strFontName = u"\t";
     },
     [](JwwDrawingSpec &s) {
       FirstText(s).str = u"abc";
       FirstText(s).strFontName = u" ";
     }},
    {"TextPenStyleZeroIsOne", 700, [](TJwwData &d) { FirstText(d).att.nPenStyle = 0; },
     [](JwwDrawingSpec &s) { FirstText(s).att.nPenStyle = 1; }},
    {"LineColourTenIsTheDefault", 700, [](TJwwData &d) { d.EntLine[0].att.nPenColor = 10; },
     [](JwwDrawingSpec &s) { FirstLine(s).att.nPenColor = 1; }},
    {"LineStyle44Colour110KeptFor420", 420,
     [](TJwwData &d) {
       d.EntLine[0].att.nPenStyle = 44;
       d.EntLine[0].att.nPenColor = 110;
     },
     [](JwwDrawingSpec &s) {
       FirstLine(s).att.nPenStyle = 44;
       FirstLine(s).att.nPenColor = 110;
     }},
    {"LineStyle44Colour110For400", 400,
     [](TJwwData &d) {
       d.EntLine[0].att.nPenStyle = 44;
       d.EntLine[0].att.nPenColor = 110;
     },
     [](JwwDrawingSpec &s) {
       FirstLine(s).att.nPenStyle = 17;
       FirstLine(s).att.nPenColor = 8;
     }},
    {"LineStyleOutsideTheRangesIsTheDefault", 700,
     [](TJwwData &d) { d.EntLine[0].att.nPenStyle = 10; },
     [](JwwDrawingSpec &s) { FirstLine(s).att.nPenStyle = 1; }},
    {"LayerAbove15IsZero", 700,
     [](TJwwData &d) {
       d.EntLine[0].att.nLayer = 16;
       d.EntLine[0].att.nGLayer = 0xFFFF;
     },
     [](JwwDrawingSpec &s) {
       FirstLine(s).att.nLayer = 0;
       FirstLine(s).att.nGLayer = 0;
     }},
    {"PenWidth30000StaysAnd30001IsZero", 700,
     [](TJwwData &d) {
       d.EntLine[0].att.nPenWidth = 30000;
       FirstText(d).att.nPenWidth = 30001;
     },
     [](JwwDrawingSpec &s) {
       FirstLine(s).att.nPenWidth = 30000;
       FirstText(s).att.nPenWidth = 0;
     }},
    {"PointStyle5IsWrittenAsOne", 700, [](TJwwData &d) { d.EntTen[0].att.nPenStyle = 5; },
     [](JwwDrawingSpec &s) { FirstPoint(s).att.nPenStyle = 1; }},
    {"PointStyle3LosesItsCode", 700,
     [](TJwwData &d) {
       d.EntTen[0].att.nPenStyle = 3;
       d.EntTen[0].nCode = 9;
     },
     [](JwwDrawingSpec &s) { FirstPoint(s).att.nPenStyle = 1; }},
    {"PointStyle100KeepsItsCode", 700,
     [](TJwwData &d) {
       d.EntTen[0].att.nPenStyle = 100;
       d.EntTen[0].nCode = 9;
       d.EntTen[0].radKaitenKaku = 0.5;
       d.EntTen[0].dBairitsu = 4;
     },
     [](JwwDrawingSpec &s) {
       FirstPoint(s).att.nPenStyle = 100;
       FirstPoint(s).nCode = 9;
       FirstPoint(s).radKaitenKaku = 0.5;
       FirstPoint(s).dBairitsu = 4;
     }},
    {"Attribute13BytesFor350", 350, [](TJwwData &d) { d.EntLine[0].att.nPenWidth = 9; },
     [](JwwDrawingSpec &) {}},
    {"Attribute15BytesFor351", 351, [](TJwwData &d) { d.EntLine[0].att.nPenWidth = 9; },
     [](JwwDrawingSpec &s) { FirstLine(s).att.nPenWidth = 9; }},
    {"UnwritableOrderEntriesAreSkipped", 700,
     [](TJwwData &d) {
       d.EntNo.insert(d.EntNo.begin() + 1, TEntJwwNo{0, 0});
       d.EntNo.push_back({8, 0});
       d.EntNo.push_back({1, 5});
       d.EntNo.push_back({4, -1});
       d.Enthd.n1 = static_cast<std::int32_t>(d.EntNo.size());
     },
     [](JwwDrawingSpec &) {}},
    {"BlockReferenceToAnUndefinedNumberIsZero", 700,
     [](TJwwData &d) {
       d.EntBlock[0].nNumber = 42;
       d.MakeBlockTree();
     },
     [](JwwDrawingSpec &s) {
       std::get<TEntJwwBlock>(s.entities.back()).nNumber = 0;
       s.blockDefs.clear();
     },
     [](JwwDrawingSpec &s) {
       s.entities.push_back(BlockRef(0));
       JwwBlockDefSpec def;
       def.members = {Line(0, 0, 1, 1)};
       s.blockDefs = {def};
     }},
    {"StripTempPrefixOption", 700,
     [](TJwwData &d) {
       FirstText(d).str = u"^@BM%temp%pic.bmp,1,2";
       d.SetFileOutOption(kFileOutStripTempPrefix);
     },
     [](JwwDrawingSpec &s) { FirstText(s).str = u"^@BMpic.bmp,1,2"; }},
    {"ImageNameOnlyOption", 700,
     [](TJwwData &d) {
       FirstText(d).str = u"^@BMC:\\pics\\sub/pic.bmp,1,2";
       d.SetFileOutOption(kFileOutImageNameOnly);
     },
     [](JwwDrawingSpec &s) { FirstText(s).str = u"^@BMpic.bmp,1,2"; }},
    {"BothImageOptionsInOrder", 700,
     [](TJwwData &d) {
       FirstText(d).str = u"^@BM%temp%dir\\pic.bmp,1,2";
       d.SetFileOutOption(kFileOutStripTempPrefix | kFileOutImageNameOnly);
     },
     [](JwwDrawingSpec &s) { FirstText(s).str = u"^@BMpic.bmp,1,2"; }},
};

INSTANTIATE_TEST_SUITE_P(Values, JwwWriterValueTest, ::testing::ValuesIn(kWriterCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- cases that need more than one value -------------------------------------

TEST_F(JwwDocTest, SetFileOutOptionKeepsOnly0To63) {
  doc.SetFileOutOption(63);
  EXPECT_EQ(doc.FileOutOpt, 63);
  doc.SetFileOutOption(64);
  EXPECT_EQ(doc.FileOutOpt, 0);
  doc.SetFileOutOption(0x20);
  doc.SetFileOutOption(-1);
  EXPECT_EQ(doc.FileOutOpt, 0);
}

TEST_F(JwwDocTest, Utf16OptionWritesEveryStringInUtf16) {
  // A legacy drawing written with option 0x20 equals the UTF-16 build of it:
  // memo, names, texts and image names in UTF-16, signature and class names not.
  JwwDrawingSpec s = MakeRichDrawing(700, false);
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_FALSE(doc.MojiEncode);
  doc.SetFileOutOption(kFileOutUtf16);
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 700)) << doc.LastError();
  s.utf16 = true;
  EXPECT_TRUE(SameBytes(BuildJww(s).bytes, written()));
}

TEST_F(JwwDocTest, FileOutLeavesTheDrawingAsItWas) {
  JwwDrawingSpec s = MakeRichDrawing(700, false);
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  doc.EntCol[0].aPrtPenColor = 5;
  doc.EntMoji[0].dSizeX = -2;
  const std::string before = Dump(ViewOf(doc), {true, true, true, true, false, true});
  ASSERT_TRUE(write(400)) << doc.LastError();
  EXPECT_TRUE(SameDump(before, Dump(ViewOf(doc), {true, true, true, true, false, true})));
  EXPECT_EQ(doc.FileOutOpt, 0);
}

TEST_F(JwwDocTest, FirstClassesAndReferencesAreNumberedAsTheArchiveCounts) {
  // Two lines, then two arcs: FF FF ver 08 00 "CDataSen", 01 80, a new
  // class taking index 4, then 04 80.
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  TEntJwwEnko arc;
  arc.att = Attr(1, 1);
  s.entities = {Line(0, 0, 1, 1), Line(1, 1, 2, 2), arc, arc};
  const JwwFile f = BuildJww(s);
  ASSERT_TRUE(read(f.bytes)) << doc.LastError();
  ASSERT_TRUE(write(700)) << doc.LastError();
  const ByteVec out = written();
  ASSERT_TRUE(SameBytes(f.bytes, out));
  const std::size_t e0 = f.at("entity.0");
  EXPECT_EQ(ByteVec(out.begin() + e0, out.begin() + e0 + 14),
            (ByteVec{0xFF, 0xFF, 0xBC, 0x02, 0x08, 0x00, 'C', 'D', 'a', 't', 'a', 'S', 'e', 'n'}));
  EXPECT_EQ(out[f.at("entity.1")], 0x01);
  EXPECT_EQ(out[f.at("entity.1") + 1], 0x80);
  EXPECT_EQ(out[f.at("entity.3")], 0x04);
  EXPECT_EQ(out[f.at("entity.3") + 1], 0x80);
}

TEST_F(JwwDocTest, ClassIndexAbove7FFEIsWrittenAsABigTag) {
  // 32766 lines take indices 1 (class) and 2..32767 (objects); the arc class
  // takes 32768, so the second arc needs the big tag 7FFF 80008000.
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities.assign(32766, Line(1, 2, 3, 4));
  TEntJwwEnko arc;
  arc.att = Attr(1, 1);
  s.entities.push_back(arc);
  s.entities.push_back(arc);
  const JwwFile f = BuildJww(s);
  const std::size_t last = f.at("entity.32767");
  ASSERT_EQ(ByteVec(f.bytes.begin() + last, f.bytes.begin() + last + 6),
            (ByteVec{0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80}));
  ASSERT_TRUE(read(f.bytes)) << doc.LastError();
  EXPECT_EQ(doc.EntEnkoN, 2);
  ASSERT_TRUE(write(600)) << doc.LastError();
  EXPECT_TRUE(SameBytes(f.bytes, written()));
}

TEST_F(JwwDocTest, CountsAtTheShortFormLimit) {
  // 0xFFFE entities: count FE FF; 0xFFFF entities: FF FF FF FF 00 00.
  for (std::uint32_t n : {0xFFFEu, 0xFFFFu}) {
    SCOPED_TRACE(n);
    JwwDrawingSpec s = MakeCanonicalDrawing(300);
    s.entities.assign(n, Point(1, 2));
    const JwwFile f = BuildJww(s);
    ASSERT_TRUE(read(f.bytes)) << doc.LastError();
    EXPECT_EQ(doc.Enthd.n1, static_cast<std::int32_t>(n));
    EXPECT_EQ(doc.EntTenN, static_cast<std::int32_t>(n));
    ASSERT_TRUE(write(300)) << doc.LastError();
    const ByteVec out = written();
    EXPECT_TRUE(SameBytes(f.bytes, out));
    const std::size_t c = f.at("entityCount");
    EXPECT_EQ(out[c], n == 0xFFFE ? 0xFE : 0xFF);
    EXPECT_EQ(out[c + 1], 0xFF);
    if (n == 0xFFFF) {
      EXPECT_EQ(ByteVec(out.begin() + c + 2, out.begin() + c + 6), (ByteVec{0xFF, 0xFF, 0x00, 0x00}));
    }
  }
}

TEST_F(JwwDocTest, Utf16StringOf255UnitsUsesTheLongLength) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  s.utf16 = true;
  s.hd.strMemo = std::u16string(255, u'w');
  const JwwFile f = BuildJww(s);
  ASSERT_TRUE(read(f.bytes)) << doc.LastError();
  ASSERT_TRUE(write(700)) << doc.LastError();
  const ByteVec out = written();
  ASSERT_TRUE(SameBytes(f.bytes, out));
  EXPECT_EQ(ByteVec(out.begin() + 12, out.begin() + 18), (ByteVec{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
}

TEST_F(JwwDocTest, LegacyStringsOf254And255Bytes) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  for (std::size_t n : {254u, 255u}) {
    SCOPED_TRACE(n);
    s.hd.strMemo = std::u16string(n, u'm');
    const JwwFile f = BuildJww(s);
    ASSERT_TRUE(read(f.bytes)) << doc.LastError();
    ASSERT_TRUE(write(700)) << doc.LastError();
    const ByteVec out = written();
    ASSERT_TRUE(SameBytes(f.bytes, out));
    if (n == 254)
      EXPECT_EQ(out[12], 254);
    else
      EXPECT_EQ(ByteVec(out.begin() + 12, out.begin() + 15), (ByteVec{0xFF, 0xFF, 0x00}));
  }
}

}  // namespace
}  // namespace velkaro::testing
