// Preview geometry: arcs, text boxes and nested block placements against
// values worked out by hand; hostile values, cycles and deep nesting; JWC
// drawings; loading files made by the test builders.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <set>

#include "builders/JwcBuilder.h"
#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "preview/PreviewGeometry.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A JWW document made in memory with a pen table, ready for the preview.
struct Doc {
  TJwwData JW;
  Doc() {
    JW.EntCol.resize(10);
    for (std::size_t c = 0; c < 10; ++c)
      JW.EntCol[c].aPenColor = static_cast<std::int32_t>(0x000010 * c);  // red in the low byte
    JW.EntMoj.resize(10);
  }
  void Add(const TEntJwwLine &l) { JW.EntLine.push_back(l), JW.EntLineN++; }
  void Add(const TEntJwwEnko &e) { JW.EntEnko.push_back(e), JW.EntEnkoN++; }
  void Add(const TEntJwwMoji &m) { JW.EntMoji.push_back(m), JW.EntMojiN++; }
  void Add(const TEntJwwBlock &b) { JW.EntBlock.push_back(b), JW.EntBlockN++; }
  TEntJwwBlockDef &Def(std::uint32_t number, std::u16string name) {
    TEntJwwBlockDef d;
    d.nNumber = number;
    d.strName = std::move(name);
    JW.EntBlockDef.push_back(std::move(d));
    JW.EntBlockDefN++;
    return JW.EntBlockDef.back();
  }
  PreviewGeometry Build() {
    JW.MakeBlockTree();
    return BuildPreviewGeometry(JW);
  }
};

void AddMember(TEntJwwBlockDef &d, const TEntJwwLine &l) { d.mLine.push_back(l), d.mLineN++; }
void AddMember(TEntJwwBlockDef &d, const TEntJwwBlock &b) { d.mBlock.push_back(b), d.mBlockN++; }

TEntJwwBlock Ref(std::uint32_t number, double x, double y, double scale, double rotation) {
  TEntJwwBlock b = BlockRef(number, x, y);
  b.dBairitsuX = b.dBairitsuY = scale;
  b.radKaitenKaku = rotation;
  return b;
}

TEntJwwEnko Enko(double cx, double cy, double r, double flat, double tilt, double start,
                 double sweep, bool full = false) {
  TEntJwwEnko e;
  e.att = Attr(1, 2);
  e.start_x = cx;
  e.start_y = cy;
  e.dHankei = r;
  e.dHenpeiRitsu = flat;
  e.radKatamukiKaku = tilt;
  e.radKaishiKaku = start;
  e.radEnkoKaku = sweep;
  e.bZenEnFlg = full ? 1 : 0;
  return e;
}

// ---- arcs ---------------------------------------------------------------------

struct ArcCase {
  const char *name;
  TEntJwwEnko enko;
  double startX, startY, endX, endY;
};

class PreviewArcTest : public ::testing::TestWithParam<ArcCase> {};

TEST_P(PreviewArcTest, EndPointsFollowTiltAndFlattening) {
  const ArcCase &c = GetParam();
  Doc d;
  d.Add(c.enko);
  const PreviewGeometry g = d.Build();
  ASSERT_EQ(g.arcs.size(), 1u);
  const PreviewArc &a = g.arcs[0];
  double x = 0, y = 0;
  PreviewArcPoint(a, a.start, x, y);
  EXPECT_NEAR(x, c.startX, 1e-9);
  EXPECT_NEAR(y, c.startY, 1e-9);
  PreviewArcPoint(a, a.start + a.sweep, x, y);
  EXPECT_NEAR(x, c.endX, 1e-9);
  EXPECT_NEAR(y, c.endY, 1e-9);
  EXPECT_EQ(a.rgb, 0x200000u);  // pen 2: aPenColor 0x20, red in the low byte
}

// Worked by hand: a point at parameter t is centre + R(tilt)(r cos t, r f sin t).
INSTANTIATE_TEST_SUITE_P(
    Hand, PreviewArcTest,
    ::testing::Values(
        ArcCase{"QuarterCircle", Enko(0, 0, 2, 1, 0, 0, kPi / 2), 2, 0, 0, 2},
        // Tilt 30°: start (4 cos30, 4 sin30) = (3.4641, 2); end (-2 sin30, 2 cos30).
        ArcCase{"TiltedEllipse", Enko(10, 20, 4, 0.5, kPi / 6, 0, kPi / 2), 10 + 2 * std::sqrt(3.0),
                22, 9, 20 + std::sqrt(3.0)},
        // Tilt 90°: t = 90° gives (0, 2) turned to (-2, 0); t = 180° gives (-4, 0) turned to (0, -4).
        ArcCase{"UprightEllipse", Enko(0, 0, 4, 0.5, kPi / 2, kPi / 2, kPi / 2), -2, 0, 0, -4},
        // Clockwise sweep.
        ArcCase{"Clockwise", Enko(1, 1, 1, 1, 0, 0, -kPi / 2), 2, 1, 1, 0},
        // A full circle ignores its stored start and arc angles.
        ArcCase{"FullCircle", Enko(0, 0, 3, 1, 0, 1.0, 0.1, true), 3, 0, 3, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PreviewGeometryTest, FullCircleSpansTheWholeTurn) {
  Doc d;
  d.Add(Enko(5, 5, 2, 1, 0, 1.0, 0.1, true));
  const PreviewGeometry g = d.Build();
  ASSERT_EQ(g.arcs.size(), 1u);
  EXPECT_TRUE(g.arcs[0].full);
  EXPECT_NEAR(g.arcs[0].sweep, 2 * kPi, 1e-12);
  EXPECT_NEAR(g.extent.minX, 3, 1e-12);
  EXPECT_NEAR(g.extent.maxY, 7, 1e-12);
}

// ---- texts --------------------------------------------------------------------

struct TextBoxCase {
  const char *name;
  std::u16string str;
  double degKakudo;
  bool vertical;
  std::array<double, 8> box;
};

class PreviewTextBoxTest : public ::testing::TestWithParam<TextBoxCase> {};

TEST_P(PreviewTextBoxTest, BoxUnderRotation) {
  const TextBoxCase &c = GetParam();
  Doc d;
  TEntJwwMoji m = Text(c.str, 20003, Attr(1, 1, 0, 0, 0, 0, c.vertical ? 0x20 : 0));
  m.start_x = 1;
  m.start_y = 1;
  m.dSizeX = 4;
  m.dSizeY = 3;
  m.dKankaku = 1;
  m.degKakudo = c.degKakudo;
  d.Add(m);
  const PreviewGeometry g = d.Build();
  ASSERT_EQ(g.texts.size(), 1u);
  EXPECT_EQ(g.texts[0].kind, 3);  // 20003: kind 3 in bold
  EXPECT_EQ(g.texts[0].vertical, c.vertical);
  const auto box = PreviewTextBox(g.texts[0]);
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_NEAR(box[i], c.box[i], 1e-9) << "coordinate " << i;
}

// Width 4, height 3, spacing 1 at (1, 1). "AB" is two half-width characters:
// 2 + 1 + 2 = 5 long; "文字" two full-width ones: 4 + 1 + 4 = 9.
INSTANTIATE_TEST_SUITE_P(
    Hand, PreviewTextBoxTest,
    ::testing::Values(
        TextBoxCase{"Flat", u"AB", 0, false, {1, 1, 6, 1, 6, 4, 1, 4}},
        TextBoxCase{"Turned90", u"AB", 90, false, {1, 1, 1, 6, -2, 6, -2, 1}},
        TextBoxCase{"FullWidthTurned180", u"文字", 180, false, {1, 1, -8, 1, -8, -2, 1, -2}},
        // Vertical: 3 + 1 + 3 = 7 down the column, 4 wide to the right.
        TextBoxCase{"Vertical", u"文字", 0, true, {1, 1, 1, -6, 5, -6, 5, 1}}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- blocks -------------------------------------------------------------------

// B places A twice (at (10, 0) scaled 2; at (0, 10) turned 90°), and the
// drawing places B at (100, 100) scaled 3 and turned 90°:
//   B maps (u, v) to (100 - 3v, 100 + 3u);
//   A at (10, 0): origin (100, 130), matrix [0 -6; 6 0], so the line
//   (0,0)-(1,0) runs to (100, 136);
//   A at (0, 10): origin (70, 100), matrix [0 -3; 3 0][0 -1; 1 0] = [-3 0; 0 -3],
//   so the line runs to (67, 100).
TEST(PreviewGeometryTest, BlockPlacedTwiceInsideAnotherBlock) {
  Doc d;
  TEntJwwBlockDef &a = d.Def(1, u"A");
  AddMember(a, Line(0, 0, 1, 0, Attr(1, 3)));
  TEntJwwBlockDef &b = d.Def(2, u"B");
  AddMember(b, Ref(1, 10, 0, 2, 0));
  AddMember(b, Ref(1, 0, 10, 1, kPi / 2));
  d.Add(Ref(2, 100, 100, 3, kPi / 2));
  const PreviewGeometry g = d.Build();

  ASSERT_EQ(g.lines.size(), 2u);
  const PreviewLine &first = g.lines[0], &second = g.lines[1];
  EXPECT_NEAR(first.x1, 100, 1e-9);
  EXPECT_NEAR(first.y1, 130, 1e-9);
  EXPECT_NEAR(first.x2, 100, 1e-9);
  EXPECT_NEAR(first.y2, 136, 1e-9);
  EXPECT_NEAR(second.x1, 70, 1e-9);
  EXPECT_NEAR(second.y1, 100, 1e-9);
  EXPECT_NEAR(second.x2, 67, 1e-9);
  EXPECT_NEAR(second.y2, 100, 1e-9);
  EXPECT_EQ(g.BlockPath(first.block), (std::vector<std::u16string>{u"B", u"A"}));
  EXPECT_EQ(g.BlockPath(second.block), (std::vector<std::u16string>{u"B", u"A"}));
  EXPECT_NE(first.block, second.block);
  EXPECT_FALSE(g.cut);
}

TEST(PreviewGeometryTest, TextsAndArcsInBlocksFollowThePlacement) {
  Doc d;
  TEntJwwBlockDef &a = d.Def(7, u"T");
  TEntJwwMoji m = Text(u"x", 4);
  m.start_x = 1;
  m.start_y = 0;
  m.degKakudo = 0;
  a.mMoji.push_back(m), a.mMojiN++;
  a.mEnko.push_back(Enko(1, 0, 1, 0.5, 0, 0, kPi / 2)), a.mEnkoN++;
  TEntJwwBlock ref = Ref(7, 0, 0, 2, kPi / 2);
  ref.dBairitsuY = 3;  // not a similarity: the arc becomes segments
  d.Add(ref);
  TEntJwwBlock mirror = Ref(7, 50, 0, 2, 0);
  mirror.dBairitsuY = -2;  // a mirror keeps the arc an arc
  d.Add(mirror);
  const PreviewGeometry g = d.Build();

  ASSERT_EQ(g.texts.size(), 2u);
  EXPECT_TRUE(g.texts[0].inBlock);
  EXPECT_FALSE(g.texts[0].inDimension);
  EXPECT_NEAR(g.texts[0].x, 0, 1e-9);
  EXPECT_NEAR(g.texts[0].y, 2, 1e-9);
  EXPECT_NEAR(g.texts[0].angle, kPi / 2, 1e-9);
  EXPECT_NEAR(g.texts[0].width, 2.5 * 2, 1e-9);
  EXPECT_NEAR(g.texts[0].height, 3.0 * 3, 1e-9);

  // The stretched arc, (u, v) -> (-3v, 2u): segments from (2, 0) -> (0, 4)
  // to (1, 0.5) -> (-1.5, 2).
  ASSERT_FALSE(g.lines.empty());
  EXPECT_NEAR(g.lines.front().x1, 0, 1e-9);
  EXPECT_NEAR(g.lines.front().y1, 4, 1e-9);
  EXPECT_NEAR(g.lines.back().x2, -1.5, 1e-9);
  EXPECT_NEAR(g.lines.back().y2, 2, 1e-9);

  // The mirrored arc: from (50 + 4, 0) clockwise on to (52, -1).
  ASSERT_EQ(g.arcs.size(), 1u);
  double x = 0, y = 0;
  PreviewArcPoint(g.arcs[0], g.arcs[0].start, x, y);
  const double sx = x, sy = y;
  PreviewArcPoint(g.arcs[0], g.arcs[0].start + g.arcs[0].sweep, x, y);
  // Either end may come first; the two ends are what the mirror makes.
  const bool forward = std::fabs(sx - 54) < 1e-9;
  EXPECT_NEAR(forward ? sx : x, 54, 1e-9);
  EXPECT_NEAR(forward ? sy : y, 0, 1e-9);
  EXPECT_NEAR(forward ? x : sx, 52, 1e-9);
  EXPECT_NEAR(forward ? y : sy, -1, 1e-9);
}

TEST(PreviewGeometryTest, DimensionGivesItsLineTextAndAuxiliaryLines) {
  Doc d;
  d.JW.EntSunpo.push_back(Dimension(1, 0)), d.JW.EntSunpoN++;
  const PreviewGeometry g = d.Build();
  EXPECT_EQ(g.lines.size(), 3u);
  ASSERT_EQ(g.texts.size(), 1u);
  EXPECT_TRUE(g.texts[0].inDimension);
  EXPECT_TRUE(g.points.empty());
}

// ---- hostile input ------------------------------------------------------------

TEST(PreviewGeometryTest, UnsoundValuesAreLeftOutOfPictureAndExtent) {
  Doc d;
  d.Add(Line(0, 0, 10, 10));
  for (const double bad : {kNaN, kInf, -kInf, 1e300}) {
    d.Add(Line(bad, 0, 1, 1));
    d.Add(Enko(0, bad, 1, 1, 0, 0, 1));
    d.Add(Enko(0, 0, bad, 1, 0, 0, 1));
    d.Add(Enko(0, 0, 1, 1, bad, 0, 1));
    TEntJwwMoji m = Text(u"t");
    m.dSizeY = bad;
    d.Add(m);
  }
  for (const double size : {0.0, -1.0}) {  // zero and negative sizes draw nothing
    d.Add(Enko(0, 0, size, 1, 0, 0, 1));
    d.Add(Enko(0, 0, 1, size, 0, 0, 1));
    TEntJwwMoji m = Text(u"t");
    m.dSizeX = size;
    d.Add(m);
  }
  const PreviewGeometry g = d.Build();
  EXPECT_EQ(g.lines.size(), 1u);
  EXPECT_TRUE(g.arcs.empty());
  EXPECT_TRUE(g.texts.empty());
  EXPECT_EQ(g.dropped, 4 * 5 + 2 * 3);
  EXPECT_EQ(g.extent.minX, 0);
  EXPECT_EQ(g.extent.maxX, 10);
  EXPECT_EQ(g.extent.maxY, 10);
}

TEST(PreviewGeometryTest, HugePlacementScaleIsLeftOut) {
  Doc d;
  TEntJwwBlockDef &a = d.Def(1, u"A");
  AddMember(a, Line(0, 0, 1, 0));
  d.Add(Ref(1, 0, 0, 1e300, 0));
  d.Add(Ref(1, 0, 0, kNaN, 0));
  d.Add(Ref(1, 5, 5, 1, 0));
  const PreviewGeometry g = d.Build();
  ASSERT_EQ(g.lines.size(), 1u);
  EXPECT_EQ(g.lines[0].x1, 5);
  EXPECT_EQ(g.dropped, 2);
}

TEST(PreviewGeometryTest, BlockCycleDrawsEachDefinitionOncePerChain) {
  Doc d;
  TEntJwwBlockDef &a = d.Def(1, u"A");
  AddMember(a, Line(0, 0, 1, 0));
  AddMember(a, Ref(2, 0, 0, 1, 0));
  TEntJwwBlockDef &b = d.Def(2, u"B");
  AddMember(b, Line(0, 0, 0, 1));
  AddMember(b, Ref(1, 0, 0, 1, 0));  // A -> B -> A
  d.Add(Ref(1, 0, 0, 1, 0));
  const PreviewGeometry g = d.Build();
  EXPECT_EQ(g.lines.size(), 2u);  // A's line and B's, not A's again
  EXPECT_FALSE(g.cancelled);
}

TEST(PreviewGeometryTest, DeepNestingIsCutAtTheDepthBound) {
  Doc d;
  constexpr std::uint32_t kDepth = 100;
  for (std::uint32_t i = 0; i < kDepth; ++i) {
    TEntJwwBlockDef &def = d.Def(i, u"D");
    AddMember(def, Line(0, 0, 1, 0));
    if (i + 1 < kDepth)
      AddMember(def, Ref(i + 1, 1, 0, 1, 0));
  }
  d.Add(Ref(0, 0, 0, 1, 0));
  const PreviewGeometry g = d.Build();
  EXPECT_EQ(g.lines.size(), static_cast<std::size_t>(kMaxPreviewBlockDepth));
  EXPECT_TRUE(g.cut);
  EXPECT_EQ(g.BlockPath(g.lines.back().block).size(),
            static_cast<std::size_t>(kMaxPreviewBlockDepth));
}

TEST(PreviewGeometryTest, PrimitiveBoundCutsThePicture) {
  Doc d;
  TEntJwwBlockDef &a = d.Def(1, u"A");
  for (int i = 0; i < 10; ++i)
    AddMember(a, Line(i, 0, i, 1));
  for (int i = 0; i < 10; ++i)
    d.Add(Ref(1, 0, 100.0 * i, 1, 0));  // 100 lines in all
  d.JW.MakeBlockTree();
  PreviewLimits limits;
  limits.maxPrimitives = 25;
  const PreviewGeometry g = BuildPreviewGeometry(d.JW, {}, limits);
  EXPECT_EQ(g.lines.size(), 25u);
  EXPECT_TRUE(g.cut);
  EXPECT_FALSE(g.cancelled);
  EXPECT_LE(g.extent.maxY, 201);  // only what was drawn counts
  limits.maxPrimitives = 100;
  EXPECT_FALSE(BuildPreviewGeometry(d.JW, {}, limits).cut);
}

TEST(PreviewGeometryTest, StopTokenEndsTheBuildEarly) {
  Doc d;
  for (int i = 0; i < 20000; ++i)
    d.Add(Line(i, 0, i, 1));
  std::stop_source stop;
  stop.request_stop();
  d.JW.MakeBlockTree();
  const PreviewGeometry g = BuildPreviewGeometry(d.JW, stop.get_token());
  EXPECT_TRUE(g.cancelled);
  EXPECT_LT(g.lines.size(), 20000u);
}

// ---- kinds and legend ---------------------------------------------------------

TEST(PreviewGeometryTest, LegendMovesTableEntriesAndCountsWithTheMap) {
  Doc d;
  d.JW.EntMoj[2] = {3, 3.5, 0.5, 4};  // kind 3
  d.JW.EntMoj[6] = {7, 7.5, 1, 6};    // kind 7
  d.Add(Text(u"a", 3));
  d.Add(Text(u"b", 20003));
  d.Add(Text(u"c", 7));
  d.Add(Text(u"d", 0));
  const PreviewGeometry g = d.Build();
  EXPECT_EQ(g.kindCount[3], 2);
  EXPECT_EQ(g.kindCount[7], 1);
  EXPECT_EQ(g.kindCount[0], 1);

  const auto plain = PreviewLegend(g, std::nullopt);
  EXPECT_EQ(plain[2].texts, 2);
  EXPECT_EQ(plain[2].entry.width, 3);
  EXPECT_EQ(plain[2].rgb, PreviewKindColour(3));

  TMojiShuMap swap{1, 2, 7, 4, 5, 6, 3, 8, 9, 10};
  const auto mapped = PreviewLegend(g, swap);
  EXPECT_EQ(mapped[6].texts, 2);
  EXPECT_EQ(mapped[6].entry.width, 3);
  EXPECT_EQ(mapped[2].texts, 1);
  EXPECT_EQ(mapped[2].entry.colour, 6);
  EXPECT_EQ(PreviewShownKind(3, swap), 7);
  EXPECT_EQ(PreviewShownKind(0, swap), 0);
}

TEST(PreviewGeometryTest, KindColoursAreTenDistinctOnesAndGreyForOthers) {
  std::set<PreviewRgb> colours;
  for (int k = 1; k <= 10; ++k)
    colours.insert(PreviewKindColour(k));
  EXPECT_EQ(colours.size(), 10u);
  EXPECT_EQ(colours.count(kPreviewOtherKindColour), 0u);
  EXPECT_EQ(PreviewKindColour(0), kPreviewOtherKindColour);
  EXPECT_EQ(PreviewKindColour(11), kPreviewOtherKindColour);
}

// ---- files --------------------------------------------------------------------

TEST(PreviewLoadTest, ReadsABuilderMadeJwwDrawingWithItsBlocks) {
  TempDir dir;
  dir.write("rich.jww", BuildJww(MakeRichDrawing(700, false)).bytes);
  const PreviewLoadResult r = LoadPreview(dir.file("rich.jww"));
  ASSERT_EQ(r.status, PreviewLoadStatus::Ok) << r.error;
  EXPECT_EQ(r.geometry.format, "JWW");
  EXPECT_FALSE(r.geometry.texts.empty());
  EXPECT_FALSE(r.geometry.blocks.empty());
  bool inBlock = false;
  for (const auto &t : r.geometry.texts)
    inBlock = inBlock || t.inBlock;
  EXPECT_TRUE(inBlock);
  EXPECT_FALSE(r.geometry.extent.empty);
}

TEST(PreviewLoadTest, ReadsAJwcDrawing) {
  JwcBuilder b;
  b.addLine({0, 0, 10, 0, 1, 3});
  JwcArcRec arc;
  arc.r = 5;
  arc.et = 90 * 65536;
  b.addArc(arc);
  b.width[4] = 30;
  b.height[4] = 40;
  b.dist[4] = 5;
  JwcTextRec text{2, 2, 2, 12};
  text.no = 4;
  text.flg1 = 0x20;
  b.addText(text, "AB");
  TempDir dir;
  dir.write("a.jwc", b.build());
  const PreviewLoadResult r = LoadPreview(dir.file("a.jwc"));
  ASSERT_EQ(r.status, PreviewLoadStatus::Ok) << r.error;
  const PreviewGeometry &g = r.geometry;
  EXPECT_EQ(g.format, "JWC");
  ASSERT_EQ(g.lines.size(), 1u);
  EXPECT_EQ(g.lines[0].rgb, 0x008000u);  // pen 3
  ASSERT_EQ(g.arcs.size(), 1u);
  EXPECT_NEAR(g.arcs[0].sweep, kPi / 2, 1e-6);
  ASSERT_EQ(g.texts.size(), 1u);
  EXPECT_EQ(g.texts[0].kind, 4);
  EXPECT_NEAR(g.texts[0].height, 4.0, 1e-6);
  EXPECT_TRUE(g.texts[0].vertical);
  // The stored line runs up (+y); the characters stand 90° further round.
  EXPECT_NEAR(g.texts[0].angle, kPi, 1e-9);
  EXPECT_EQ(g.kindCount[4], 1);
}

TEST(PreviewLoadTest, FiguresAndOtherFilesGiveNoGeometry) {
  TempDir dir;
  dir.write("junk.jww", {1, 2, 3});
  EXPECT_EQ(LoadPreview(dir.file("junk.jww")).status, PreviewLoadStatus::Unreadable);
  EXPECT_EQ(LoadPreview(dir.file("missing.jww")).status, PreviewLoadStatus::Unreadable);
  dir.write("door.jws", JwsBuilder().build());
  dir.write("door.jwk", JwkBuilder().build());
  EXPECT_EQ(LoadPreview(dir.file("door.jws")).status, PreviewLoadStatus::Figure);
  EXPECT_EQ(LoadPreview(dir.file("door.jwk")).status, PreviewLoadStatus::Figure);
}

}  // namespace
}  // namespace velkaro
