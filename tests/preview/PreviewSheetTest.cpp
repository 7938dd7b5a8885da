// The sheet a preview is fitted to: the paper the header's code names, a
// robust extent where none is named, layer groups drawn at their own scale,
// and the texts a drafter never sees on paper (off the sheet, pen colour 9)
// marked faint and counted apart. Drawings come from the test builders.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "builders/JwcBuilder.h"
#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewSvg.h"
#include "service/DrawingFacts.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

constexpr std::uint16_t kAuxiliaryPen = 9;

// A canonical drawing of the paper code with every layer group at 1:1.
JwwDrawingSpec Drawing(std::int32_t paperCode) {
  JwwDrawingSpec plan = MakeCanonicalDrawing(700);
  plan.hd.nZumen = paperCode;
  for (auto &group : plan.EntLgrp)
    group.adScale = 1;
  return plan;
}

PreviewGeometry Load(const JwwDrawingSpec &plan) {
  TempDir dir;
  dir.write("a.jww", BuildJww(plan).bytes);
  PreviewLoadResult r = LoadPreview(dir.file("a.jww"));
  EXPECT_EQ(r.status, PreviewLoadStatus::Ok) << r.error;
  return std::move(r.geometry);
}

TEntJwwMoji TextAt(std::u16string str, double x, double y, std::uint32_t kind, TEntJwwAttr a,
                   double height = 3) {
  TEntJwwMoji m = Text(std::move(str), kind, a);
  m.start_x = x;
  m.start_y = y;
  m.end_x = x + 10;
  m.end_y = y;
  m.degKakudo = 0;
  m.dSizeX = m.dSizeY = height;
  m.dKankaku = 0;
  return m;
}

// A rectangle of four lines.
void Frame(JwwDrawingSpec &plan, double x0, double y0, double x1, double y1, TEntJwwAttr a) {
  plan.entities.push_back(Line(x0, y0, x1, y0, a));
  plan.entities.push_back(Line(x1, y0, x1, y1, a));
  plan.entities.push_back(Line(x1, y1, x0, y1, a));
  plan.entities.push_back(Line(x0, y1, x0, y0, a));
}

// ---- paper codes --------------------------------------------------------------

struct PaperCase {
  std::int32_t code;
  double longSide, shortSide;  // 0: no paper of that code
};

class PreviewPaperTest : public ::testing::TestWithParam<PaperCase> {};

// A line across the middle lies on any sheet; the sheet is the named paper,
// landscape and centred on the origin, or a fit of the drawing itself.
TEST_P(PreviewPaperTest, SheetIsThePaperTheCodeNames) {
  const PaperCase &c = GetParam();
  JwwDrawingSpec plan = Drawing(c.code);
  plan.entities.push_back(Line(-50, -20, 50, 20));
  const PreviewGeometry g = Load(plan);
  EXPECT_EQ(g.paperCode, c.code);
  if (c.longSide == 0) {
    EXPECT_FALSE(PreviewPaperSize(c.code));
    EXPECT_EQ(g.sheetSource, PreviewSheetSource::Extent);
    EXPECT_NEAR(g.sheet.width(), 100, 1e-9);
    EXPECT_NEAR(g.sheet.height(), 40, 1e-9);
    return;
  }
  EXPECT_EQ(g.sheetSource, PreviewSheetSource::Paper);
  EXPECT_NEAR(g.sheet.minX, -c.longSide / 2, 1e-9);
  EXPECT_NEAR(g.sheet.maxX, c.longSide / 2, 1e-9);
  EXPECT_NEAR(g.sheet.minY, -c.shortSide / 2, 1e-9);
  EXPECT_NEAR(g.sheet.maxY, c.shortSide / 2, 1e-9);
  EXPECT_EQ(g.offSheet, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PreviewPaperTest,
    ::testing::Values(PaperCase{0, 1189, 841}, PaperCase{1, 841, 594}, PaperCase{2, 594, 420},
                      PaperCase{3, 420, 297}, PaperCase{4, 297, 210}, PaperCase{8, 1682, 1189},
                      PaperCase{9, 2378, 1682}, PaperCase{10, 3364, 2378},
                      PaperCase{11, 4756, 3364},
                      PaperCase{12, 10000, 10000 / std::numbers::sqrt2},
                      PaperCase{14, 100000, 100000 / std::numbers::sqrt2}, PaperCase{5, 0, 0},
                      PaperCase{7, 0, 0}, PaperCase{15, 0, 0}, PaperCase{-1, 0, 0}),
    [](const auto &info) {
      return "Code" + std::to_string(info.param.code < 0 ? 900 : info.param.code);
    });

TEST(PreviewSheetTest, JwcSheetIsThePaperOfItsPaperSizeCode) {
  JwcBuilder b;  // psize 3: A3
  b.addLine({-100, -50, 100, 50, 1, 1});
  TempDir dir;
  dir.write("a.jwc", b.build());
  const PreviewLoadResult r = LoadPreview(dir.file("a.jwc"));
  ASSERT_EQ(r.status, PreviewLoadStatus::Ok) << r.error;
  EXPECT_EQ(r.geometry.sheetSource, PreviewSheetSource::Paper);
  EXPECT_NEAR(r.geometry.sheet.width(), 420, 1e-9);
  EXPECT_NEAR(r.geometry.sheet.height(), 297, 1e-9);
}

// A sheet that holds too little of the drawing is not where the drawing was
// placed: the drawing's own extent is shown instead.
TEST(PreviewSheetTest, PaperHoldingLittleOfTheDrawingGivesWayToItsExtent) {
  JwwDrawingSpec plan = Drawing(4);
  plan.entities.push_back(Line(0, 0, 10, 0));
  for (int i = 0; i < 30; ++i)
    plan.entities.push_back(Line(5000, 5000 + i, 5100, 5000 + i));
  const PreviewGeometry g = Load(plan);
  EXPECT_EQ(g.sheetSource, PreviewSheetSource::Extent);
  EXPECT_FALSE(g.sheet.empty);
}

// One line on a sheet that also carries many texts far off it is still the
// sheet: those texts are what the preview must not fit.
TEST(PreviewSheetTest, SparseSheetWithManyTextsOffItIsStillTheSheet) {
  JwwDrawingSpec plan = Drawing(3);
  plan.entities.push_back(Line(-200, -140, 200, 140));
  for (int i = 0; i < 12; ++i)
    plan.entities.push_back(TextAt(u"Paper = 3", 0, -1000, 1, Attr(9, kAuxiliaryPen)));
  const PreviewGeometry g = Load(plan);
  EXPECT_EQ(g.sheetSource, PreviewSheetSource::Paper);
  EXPECT_EQ(g.offSheet, 12);
}

// ---- outliers -----------------------------------------------------------------

// An A3 sheet drawn whole in layer group 15, and six texts the CAD program
// keeps for its own settings far below it, in pen colour 9 and line type 9.
JwwDrawingSpec RealDrawingWithSettingsTexts() {
  JwwDrawingSpec plan = Drawing(3);
  plan.EntMoj[0] = {2.5, 2.5, 0, 1};
  const TEntJwwAttr sheet = Attr(1, 1, 0, 15);
  Frame(plan, -200, -138.5, 200, 138.5, sheet);
  Frame(plan, 90, -138.5, 200, -100, sheet);
  plan.entities.push_back(TextAt(u"plan", -190, 120, 3, sheet));
  plan.entities.push_back(TextAt(u"title", 100, -130, 1, sheet));
  for (int i = 0; i < 6; ++i)
    plan.entities.push_back(TextAt(u"View_Direct2d = 1", 0, -1000, 1, Attr(9, kAuxiliaryPen, 0, 15)));
  return plan;
}

TEST(PreviewSheetTest, SettingsTextsFarBelowTheSheetAreOffItAndCountedApart) {
  const PreviewGeometry g = Load(RealDrawingWithSettingsTexts());
  EXPECT_EQ(g.sheetSource, PreviewSheetSource::Paper);
  EXPECT_NEAR(g.sheet.width(), 420, 1e-9);
  EXPECT_EQ(g.offSheet, 6);
  EXPECT_LT(g.extent.minY, -999);  // everything is still there to be shown
  int off = 0;
  for (const PreviewText &t : g.texts) {
    EXPECT_EQ(t.offSheet, t.y < -500) << t.y;
    off += t.offSheet ? 1 : 0;
  }
  EXPECT_EQ(off, 6);
  for (const PreviewLine &l : g.lines)
    EXPECT_FALSE(l.faint);
  EXPECT_EQ(g.kindCount[1], 7);
  EXPECT_EQ(g.kindOffSheet[1], 6);
  EXPECT_EQ(g.kindAuxiliary[1], 0);  // off the sheet says it already
  EXPECT_EQ(g.kindOffSheet[3], 0);

  // The legend follows the texts to their new kind under a map.
  TMojiShuMap swap{4, 2, 3, 1, 5, 6, 7, 8, 9, 10};
  const auto rows = PreviewLegend(g, swap);
  EXPECT_EQ(rows[3].texts, 7);
  EXPECT_EQ(rows[3].offSheet, 6);
  EXPECT_EQ(rows[0].offSheet, 0);
}

// No paper code: a few texts far from a drawing of many lines are left out
// of the fit and counted, while the bulk is kept whole.
TEST(PreviewSheetTest, RobustExtentLeavesFarOutliersOut) {
  JwwDrawingSpec plan = Drawing(6);
  for (int i = 0; i < 60; ++i)
    plan.entities.push_back(Line(i * 2.0, 0, i * 2.0, 80));
  plan.entities.push_back(TextAt(u"far", 50000, -30000, 2, Attr(1, 1)));
  plan.entities.push_back(TextAt(u"far", -40000, 0, 2, Attr(1, 1)));
  const PreviewGeometry g = Load(plan);
  EXPECT_EQ(g.sheetSource, PreviewSheetSource::Extent);
  EXPECT_NEAR(g.sheet.minX, 0, 1e-9);
  EXPECT_NEAR(g.sheet.maxX, 118, 1e-9);
  EXPECT_NEAR(g.sheet.maxY, 80, 1e-9);
  EXPECT_EQ(g.offSheet, 2);
  EXPECT_EQ(g.kindOffSheet[2], 2);
  EXPECT_GT(g.extent.width(), 90000);
}

// ---- layer group scales ---------------------------------------------------------

// A 1:100 plan in group 0 (drawing millimetres) and a 1:1 title block in
// group 1 (paper millimetres): the plan's corner at (20 m, 10 m) lands on the
// title block's corner at (200, 100) on the paper, and so do their texts;
// text sizes stay paper millimetres in both.
TEST(PreviewSheetTest, LayerGroupsAtTheirOwnScaleLineUpOnThePaper) {
  JwwDrawingSpec plan = Drawing(3);
  plan.EntLgrp[0].adScale = 100;
  plan.EntLgrp[1].adScale = 1;
  const TEntJwwAttr planGroup = Attr(1, 1, 0, 0), titleGroup = Attr(1, 2, 0, 1);
  Frame(plan, 0, 0, 20000, 10000, planGroup);
  Frame(plan, -200, -100, 200, 100, titleGroup);
  plan.entities.push_back(TextAt(u"plan", 20000, 10000, 1, planGroup, 5));
  plan.entities.push_back(TextAt(u"title", 200, 100, 2, titleGroup, 5));
  TEntJwwEnko circle;
  circle.att = planGroup;
  circle.start_x = 10000;
  circle.start_y = 5000;
  circle.dHankei = 1000;
  circle.dHenpeiRitsu = 1;
  circle.bZenEnFlg = 1;
  plan.entities.push_back(circle);
  const PreviewGeometry g = Load(plan);

  ASSERT_EQ(g.lines.size(), 8u);
  // The plan's first line runs along the bottom to its far corner.
  EXPECT_NEAR(g.lines[0].x2, 200, 1e-9);
  EXPECT_NEAR(g.lines[0].y2, 0, 1e-9);
  EXPECT_NEAR(g.lines[1].x2, 200, 1e-9);
  EXPECT_NEAR(g.lines[1].y2, 100, 1e-9);
  // The title block's top right corner.
  EXPECT_NEAR(g.lines[5].x2, 200, 1e-9);
  EXPECT_NEAR(g.lines[5].y2, 100, 1e-9);
  ASSERT_EQ(g.texts.size(), 2u);
  EXPECT_NEAR(g.texts[0].x, g.texts[1].x, 1e-9);
  EXPECT_NEAR(g.texts[0].y, g.texts[1].y, 1e-9);
  EXPECT_NEAR(g.texts[0].height, 5, 1e-9);
  EXPECT_NEAR(g.texts[1].height, 5, 1e-9);
  ASSERT_EQ(g.arcs.size(), 1u);
  EXPECT_NEAR(g.arcs[0].cx, 100, 1e-9);
  EXPECT_NEAR(g.arcs[0].radius, 10, 1e-9);
  EXPECT_EQ(g.offSheet, 0);
}

// A block placed by a reference of a 1:50 group is drawn at that scale,
// whatever group its members were drawn in.
TEST(PreviewSheetTest, BlockTakesTheScaleOfItsReferencesGroup) {
  JwwDrawingSpec plan = Drawing(3);
  plan.EntLgrp[2].adScale = 50;
  JwwBlockDefSpec def;
  def.nNumber = 1;
  def.strName = u"door";
  def.members.push_back(Line(0, 0, 1000, 0, Attr(1, 1, 0, 0)));
  def.members.push_back(TextAt(u"D1", 0, 0, 2, Attr(1, 1, 0, 0), 4));
  plan.blockDefs.push_back(def);
  TEntJwwBlock ref = BlockRef(1, 5000, 2500);
  ref.att = Attr(1, 1, 0, 2);
  ref.dBairitsuX = ref.dBairitsuY = 2;
  plan.entities.push_back(ref);
  const PreviewGeometry g = Load(plan);
  ASSERT_EQ(g.lines.size(), 1u);
  EXPECT_NEAR(g.lines[0].x1, 100, 1e-9);
  EXPECT_NEAR(g.lines[0].y1, 50, 1e-9);
  EXPECT_NEAR(g.lines[0].x2, 140, 1e-9);
  ASSERT_EQ(g.texts.size(), 1u);
  EXPECT_NEAR(g.texts[0].x, 100, 1e-9);
  EXPECT_NEAR(g.texts[0].height, 8, 1e-9);  // the placement's scale, not the group's
}

TEST(PreviewSheetTest, UnsoundGroupScaleIsDrawnOneToOne) {
  for (const double scale : {0.0, -100.0, std::nan("")}) {
    JwwDrawingSpec plan = Drawing(3);
    plan.EntLgrp[4].adScale = scale;
    plan.entities.push_back(Line(0, 0, 30, 0, Attr(1, 1, 0, 4)));
    const PreviewGeometry g = Load(plan);
    ASSERT_EQ(g.lines.size(), 1u) << scale;
    EXPECT_NEAR(g.lines[0].x2, 30, 1e-9) << scale;
  }
}

// ---- pen colour 9 ---------------------------------------------------------------

TEST(PreviewSheetTest, AuxiliaryColourIsFaintAndItsTextsAreCountedApart) {
  JwwDrawingSpec plan = Drawing(3);
  plan.entities.push_back(Line(0, 0, 50, 0, Attr(1, kAuxiliaryPen)));
  plan.entities.push_back(Line(0, 10, 50, 10, Attr(1, 1)));
  plan.entities.push_back(TextAt(u"guide", 0, 20, 2, Attr(1, kAuxiliaryPen)));
  plan.entities.push_back(TextAt(u"shown", 0, 30, 2, Attr(1, 1)));
  // A block text placed once on the sheet and once off it is printed once:
  // it counts as neither.
  JwwBlockDefSpec def;
  def.nNumber = 3;
  def.strName = u"tag";
  def.members.push_back(TextAt(u"T", 0, 0, 5, Attr(1, 1)));
  plan.blockDefs.push_back(def);
  plan.entities.push_back(BlockRef(3, 10, 40));
  plan.entities.push_back(BlockRef(3, 3000, 40));
  const PreviewGeometry g = Load(plan);

  ASSERT_EQ(g.lines.size(), 2u);
  EXPECT_TRUE(g.lines[0].faint);
  EXPECT_FALSE(g.lines[1].faint);
  EXPECT_EQ(g.kindCount[2], 2);
  EXPECT_EQ(g.kindAuxiliary[2], 1);
  EXPECT_EQ(g.kindOffSheet[2], 0);
  EXPECT_EQ(g.kindCount[5], 1);
  EXPECT_EQ(g.kindOffSheet[5], 0);
  EXPECT_EQ(g.kindAuxiliary[5], 0);
  EXPECT_EQ(g.offSheet, 1);  // the block's second placement
  for (const PreviewText &t : g.texts)
    EXPECT_EQ(t.faint(), t.str == u"guide" || t.x > 1000) << t.x;
}

// The settings dialog's kinds panel counts the same texts apart, summed
// over the selection; conversion figures are untouched.
TEST(PreviewSheetTest, KindsOverviewCountsTextsOffTheSheetApart) {
  TempDir dir;
  dir.write("real.jww", BuildJww(RealDrawingWithSettingsTexts()).bytes);
  JwwDrawingSpec other = Drawing(3);
  other.entities.push_back(TextAt(u"aux", 0, 0, 1, Attr(1, kAuxiliaryPen)));
  dir.write("other.jww", BuildJww(other).bytes);
  const KindsOverview o =
      ReadKindsOverview({dir.file("real.jww"), dir.file("other.jww")},
                        TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(o.kinds[0].use.texts, 8);
  EXPECT_EQ(o.kinds[0].use.offSheet, 6);
  EXPECT_EQ(o.kinds[0].use.auxiliary, 1);
  EXPECT_EQ(o.kinds[2].use.texts, 1);
  EXPECT_EQ(o.kinds[2].use.offSheet, 0);
}

// ---- SVG --------------------------------------------------------------------------

double SvgHeight(const std::string &svg) {
  const std::size_t at = svg.find("height=\"");
  return std::stod(svg.substr(at + 8));
}

TEST(PreviewSheetTest, SvgFitsTheSheetUnlessAskedForEverything) {
  const PreviewGeometry g = Load(RealDrawingWithSettingsTexts());
  PreviewSvgOptions options;
  options.widthPx = 1200;
  const std::string sheet = PreviewSvg(g, options);
  options.all = true;
  const std::string all = PreviewSvg(g, options);
  // The sheet's 420 × 297 fill the width; everything reaches a metre down.
  const double legend = 34 + 10 * 20 + 16;
  EXPECT_NEAR(SvgHeight(sheet) - legend, (1200 - 32) * 297.0 / 420 + 32, 1);
  EXPECT_GT(SvgHeight(all) - legend, 2 * 1200);
  EXPECT_NE(sheet.find("class=\"sheet\""), std::string::npos);
  EXPECT_NE(sheet.find("用紙外の要素 6 個（全体表示で見えます）"), std::string::npos);
  EXPECT_NE(all.find("用紙外の要素 6 個<"), std::string::npos);
  EXPECT_NE(sheet.find("1：2.5 × 2.5 (0)、色 1、7 個（用紙外 6）"), std::string::npos);
  EXPECT_NE(sheet.find("文字種：幅 × 高さ (間隔) mm、色、個"), std::string::npos);
  EXPECT_EQ(sheet.find(" texts<"), std::string::npos);
  EXPECT_EQ(sheet.find(", colour"), std::string::npos);
  // The settings texts are drawn, but faint.
  std::size_t faintTexts = 0;
  for (std::size_t at = sheet.find("View_Direct2d"); at != std::string::npos;
       at = sheet.find("View_Direct2d", at + 1)) {
    const std::size_t start = sheet.rfind("<text", at);
    faintTexts += sheet.substr(start, at - start).find("opacity=\"0.3\"") != std::string::npos;
  }
  EXPECT_EQ(faintTexts, 6u);
}

}  // namespace
}  // namespace velkaro
