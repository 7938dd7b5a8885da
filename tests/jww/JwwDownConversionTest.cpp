// A version-600 drawing written for older targets: SXF dimensions become
// their dimension plus six plain objects, extended pen styles and colours go
// through the tables for targets below 420, and the header loses what the
// older layout cannot hold. The expected files are built independently.
#include "JwwFixture.h"

namespace velkaro::testing {
namespace {

// The tables for targets below 420, as the format states them.
std::uint8_t OldStyle(std::uint8_t s) {
  static const std::uint8_t table[] = {1, 4, 3, 6, 8, 8, 2, 5, 7, 6, 6, 8, 8, 17, 17};  // 31..45
  if (s >= 31 && s <= 45)
    return table[s - 31];
  if (s >= 46 && s <= 62)
    return 1;  // DefaultPenStyle
  return s;
}

std::uint16_t OldColour(std::uint16_t c) {
  static const std::uint16_t table[] = {2, 8, 3, 6, 4, 5, 1, 2, 5, 8, 4, 3, 6, 5, 2, 2};  // 101..116
  if (c >= 101 && c <= 116)
    return table[c - 101];
  if (c >= 117 && c <= 356)
    return 1;  // DefaultPenColor
  return c;
}

TEntJwwAttr Old(std::int32_t kind, TEntJwwAttr a) {
  if (kind == 1 || kind == 2)
    a.nPenStyle = OldStyle(a.nPenStyle);
  if (kind >= 1 && kind <= 6)
    a.nPenColor = OldColour(a.nPenColor);
  return a;
}

TEntJwwLine OldLine(TEntJwwLine e) {
  e.att = Old(1, e.att);
  return e;
}

TEntJwwTen OldPoint(TEntJwwTen e, bool temporary) {
  e.att = Old(3, e.att);
  if (temporary)
    e.bKariten = 1;
  return e;
}

// A dimension of the 600 drawing as the old target holds it: the dimension
// itself (without SXF part) and, when it is of the SXF kind, six objects.
void AppendOld(std::vector<JwwEntity> &out, const JwwEntity &e) {
  switch (KindOf(e)) {
    case kJwwLine: out.push_back(OldLine(std::get<TEntJwwLine>(e))); return;
    case kJwwEnko: {
      TEntJwwEnko a = std::get<TEntJwwEnko>(e);
      a.att = Old(2, a.att);
      out.push_back(a);
      return;
    }
    case kJwwTen: out.push_back(OldPoint(std::get<TEntJwwTen>(e), false)); return;
    case kJwwMoji: {
      TEntJwwMoji t = std::get<TEntJwwMoji>(e);
      t.att = Old(4, t.att);
      out.push_back(t);
      return;
    }
    case kJwwSolid: {
      TEntJwwSolid s = std::get<TEntJwwSolid>(e);
      s.att = Old(6, s.att);
      out.push_back(s);
      return;
    }
    case kJwwBlock: out.push_back(e); return;
    case kJwwSunpo: {
      TEntJwwSunpo d = std::get<TEntJwwSunpo>(e);
      TEntJwwSunpo old = d;
      old.att = Old(5, d.att);
      old.Sen = OldLine(d.Sen);
      old.Moji.att = Old(4, d.Moji.att);
      out.push_back(old);
      if (d.bSxfMode == 0)
        return;
      out.push_back(OldLine(d.Ho1));
      out.push_back(OldLine(d.Ho2));
      out.push_back(OldPoint(d.Te1, false));
      out.push_back(OldPoint(d.Te2, false));
      out.push_back(OldPoint(d.Kt1, true));
      out.push_back(OldPoint(d.Kt2, true));
      return;
    }
  }
}

JwwDrawingSpec Drawing600() {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  const std::uint16_t w = 7;
  TEntJwwEnko arc;
  arc.att = Attr(31, 101, 1, 1, w);
  arc.dHankei = 5;
  TEntJwwSolid solid;
  solid.att = Attr(1, 10, 0, 0, w);
  solid.Color = 0xABCDEF;
  TEntJwwSolid solid2 = solid;
  solid2.att.nPenColor = 150;
  solid2.Color = 0;
  TEntJwwSunpo sxf = Dimension(10, 1, Attr(1, 105, 2, 3, w));
  sxf.Ho1.att = Attr(44, 110, 1, 1, w);
  sxf.Te1.att = Attr(1, 112);
  s.entities = {
      Line(0, 0, 1, 1, Attr(44, 110, 1, 2, w)),  // 17 and 8 below 420
      Line(0, 0, 2, 2, Attr(50, 200, 1, 2, w)),  // both to the defaults
      Line(0, 0, 3, 3, Attr(12, 356, 1, 2, w)),
      arc,
      Text(u"colour 116", 2, Attr(1, 116, 0, 0, w)),
      Point(1, 1, Attr(1, 117, 0, 0, w)),
      solid,
      solid2,
      sxf,
      Dimension(20, 0, Attr(1, 3)),
      [] {
        TEntJwwBlock b = BlockRef(0, 1, 1);
        b.att = Attr(44, 110);  // block references keep style and colour
        return b;
      }(),
  };
  JwwBlockDefSpec def;
  def.strName = u"sxf inside";
  def.dtime = 5;
  def.members = {Dimension(30, 1, Attr(1, 2)), Line(0, 0, 5, 5, Attr(33, 103))};
  s.blockDefs = {def};
  return s;
}

// The same drawing as it must arrive in the layout of `target`.
JwwDrawingSpec ExpectedOld(std::int32_t target) {
  const JwwDrawingSpec s600 = Drawing600();
  JwwDrawingSpec s = s600;
  s.version = target;
  s.hd.nPrtDpi = 0;        // below 600 the field holds the value alone
  s.hd.nMaxDrawWid = -101;  // 420 and below: nothing under -101
  s.entities.clear();
  for (const JwwEntity &e : s600.entities)
    AppendOld(s.entities, e);
  s.blockDefs[0].members.clear();
  for (const JwwEntity &e : s600.blockDefs[0].members)
    AppendOld(s.blockDefs[0].members, e);
  return s;
}

class JwwDownConversionTest : public JwwDocFixture<::testing::TestWithParam<std::int32_t>> {};

TEST_P(JwwDownConversionTest, WritesTheOldLayoutByteForByte) {
  const std::int32_t target = GetParam();
  ASSERT_TRUE(read(BuildJww(Drawing600()).bytes)) << doc.LastError();
  ASSERT_TRUE(write(target)) << doc.LastError();
  EXPECT_TRUE(SameBytes(BuildJww(ExpectedOld(target)).bytes, written()));
}

TEST_P(JwwDownConversionTest, ReadsBackWithTheSixExtraObjectsAndOldValues) {
  const std::int32_t target = GetParam();
  ASSERT_TRUE(read(BuildJww(Drawing600()).bytes)) << doc.LastError();
  const std::int32_t before = doc.Enthd.n1;
  ASSERT_TRUE(write(target)) << doc.LastError();
  ASSERT_TRUE(read(written(), "old.jww")) << doc.LastError();
  EXPECT_EQ(doc.Enthd.jwVer, target);
  EXPECT_EQ(doc.Enthd.n1, before + 6);
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(ExpectedOld(target))), Dump(ViewOf(doc))));

  // Spot checks that say in plain terms what the dump compares.
  ASSERT_EQ(doc.EntLineN, 5);
  EXPECT_EQ(doc.EntLine[0].att.nPenStyle, 17);
  EXPECT_EQ(doc.EntLine[0].att.nPenColor, 8);
  EXPECT_EQ(doc.EntLine[1].att.nPenStyle, 1);
  EXPECT_EQ(doc.EntLine[1].att.nPenColor, 1);
  EXPECT_EQ(doc.EntLine[2].att.nPenStyle, 12);
  EXPECT_EQ(doc.EntLine[2].att.nPenColor, 1);
  EXPECT_EQ(doc.EntLine[3].att.nPenStyle, 17);  // Ho1
  EXPECT_EQ(doc.EntLine[3].att.nPenColor, 8);
  ASSERT_EQ(doc.EntTenN, 5);  // the point and Te1, Te2, Kt1, Kt2
  EXPECT_EQ(doc.EntTen[1].att.nPenColor, 3);
  EXPECT_EQ(doc.EntTen[1].bKariten, 0u);
  EXPECT_EQ(doc.EntTen[3].bKariten, 1u);
  EXPECT_EQ(doc.EntTen[4].bKariten, 1u);
  EXPECT_EQ(doc.EntTen[2].att.nPenStyle, 100);
  EXPECT_EQ(doc.EntTen[2].nCode, 7u);
  ASSERT_EQ(doc.EntSolidN, 2);
  EXPECT_EQ(doc.EntSolid[0].Color, 0xABCDEFu);
  EXPECT_EQ(doc.EntSolid[1].att.nPenColor, 1);
  ASSERT_EQ(doc.EntBlockN, 1);
  EXPECT_EQ(doc.EntBlock[0].att.nPenStyle, 44);
  EXPECT_EQ(doc.EntBlock[0].att.nPenColor, 110);
  ASSERT_EQ(doc.EntSunpoN, 2);
  EXPECT_EQ(doc.EntSunpo[0].bSxfMode, 0);
  EXPECT_EQ(doc.EntSunpo[0].att.nPenColor, 4);
  ASSERT_EQ(doc.EntBlockDefN, 1);
  EXPECT_EQ(doc.EntBlockDef[0].N, 2 + 6);
  // The SXF tables are not in the old layout.
  ASSERT_EQ(doc.EntColS.size(), 257u);
  EXPECT_TRUE(doc.EntColS[3].astrUDColorName.empty());
  if (target < 351)
    EXPECT_EQ(doc.EntLine[0].att.nPenWidth, 0);
  else
    EXPECT_EQ(doc.EntLine[0].att.nPenWidth, 7);
}

INSTANTIATE_TEST_SUITE_P(Targets, JwwDownConversionTest, ::testing::Values(419, 400, 350, 230, 220),
                         [](const auto &info) { return "to" + std::to_string(info.param); });

// For 420 the SXF dimension stays one object that carries its SXF part, and
// the styles and colours stay as they are.
TEST_F(JwwDocTest, WritingFor420KeepsSxfDimensionsAndExtendedPens) {
  ASSERT_TRUE(read(BuildJww(Drawing600()).bytes)) << doc.LastError();
  ASSERT_TRUE(write(420)) << doc.LastError();
  JwwDrawingSpec expected = Drawing600();
  expected.version = 420;
  expected.hd.nPrtDpi = 0;
  expected.hd.nMaxDrawWid = -101;
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

// A dimension of a drawing read as version 400 has no SXF part and is one object.
TEST_F(JwwDocTest, DimensionsOfAnOldDrawingAreNotExpanded) {
  JwwDrawingSpec s = MakeCanonicalDrawing(400);
  s.entities = {Dimension(1, 0, Attr(1, 2))};
  const JwwFile built = BuildJww(s);
  ASSERT_TRUE(read(built.bytes)) << doc.LastError();
  ASSERT_TRUE(write(400)) << doc.LastError();
  EXPECT_TRUE(SameBytes(built.bytes, written()));
  ASSERT_TRUE(write(230, "old.jww")) << doc.LastError();
  ASSERT_TRUE(read(written("old.jww"), "old.jww"));
  EXPECT_EQ(doc.Enthd.n1, 1);
}

}  // namespace
}  // namespace velkaro::testing
