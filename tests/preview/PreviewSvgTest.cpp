// The SVG of a builder-made drawing: its elements, the kind colours, the
// legend, the map, and the escaping of user texts.
#include <gtest/gtest.h>

#include <numbers>

#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "preview/PreviewSvg.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

std::size_t Count(const std::string &text, const std::string &what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// The first element that contains `marker`, from its "<" to its ">".
std::string ElementWith(const std::string &svg, const std::string &marker) {
  const std::size_t at = svg.find(marker);
  if (at == std::string::npos)
    return {};
  const std::size_t start = svg.rfind('<', at);
  return svg.substr(start, svg.find('>', at) - start + 1);
}

class PreviewSvgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    JwwDrawingSpec plan = MakeCanonicalDrawing(700);
    plan.EntMoj[2] = {3.5, 4, 0.5, 2};  // kind 3
    plan.entities.push_back(Line(0, 0, 100, 50, Attr(1, 2)));
    TEntJwwEnko arc;
    arc.att = Attr(1, 3);
    arc.start_x = arc.start_y = 25;
    arc.dHankei = 10;
    arc.dHenpeiRitsu = 1;
    arc.radEnkoKaku = std::numbers::pi / 2;
    plan.entities.push_back(arc);
    TEntJwwMoji odd = Text(u"a<b & \"c\"", 3);
    odd.degKakudo = 0;
    plan.entities.push_back(odd);
    plan.entities.push_back(Text(u"x", 20003));
    plan.entities.push_back(Text(u"y", 7));
    dir_.write("plan.jww", BuildJww(plan).bytes);
    const PreviewLoadResult r = LoadPreview(dir_.file("plan.jww"));
    ASSERT_EQ(r.status, PreviewLoadStatus::Ok) << r.error;
    geometry_ = r.geometry;
  }

  TempDir dir_;
  PreviewGeometry geometry_;
};

TEST_F(PreviewSvgTest, DrawsEveryPrimitiveWithTextsInTheirKindColours) {
  const std::string svg = PreviewSvg(geometry_, {800, std::nullopt});
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- Velkaro: preview of a "
                      "Jw_cad drawing -->\n<svg ", 0),
            0u);
  EXPECT_NE(svg.find("width=\"800\""), std::string::npos);
  EXPECT_EQ(Count(svg, "<line "), 1u);
  EXPECT_EQ(Count(svg, "<path "), 1u);
  EXPECT_EQ(Count(svg, "class=\"kind3\""), 2u);
  EXPECT_EQ(Count(svg, "class=\"kind7\""), 1u);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");

  const std::string text = ElementWith(svg, "a&lt;b");
  EXPECT_NE(text.find("fill=\"#2CA02C\""), std::string::npos) << text;
  EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos);
  // The line's pen colour comes from the drawing's own table (red in the low byte).
  const std::int32_t pen2 = MakeCanonicalDrawing(700).EntCol[2].aPenColor;
  const std::string line = ElementWith(svg, "<line ");
  const PreviewRgb rgb = ((pen2 & 0xFF) << 16) | (pen2 & 0xFF00) | ((pen2 >> 16) & 0xFF);
  // A colour too light for white paper is drawn dark grey.
  const bool light = 0.299 * (rgb >> 16) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF) > 215;
  EXPECT_NE(line.find(light ? "#404040" : CssColour(rgb)), std::string::npos) << line;
}

TEST_F(PreviewSvgTest, LegendListsTheTenKindsWithTableSizeAndCount) {
  const std::string svg = PreviewSvg(geometry_, {});
  EXPECT_EQ(Count(svg, "class=\"legend-row\""), 10u);
  const std::string row3 = svg.substr(svg.find("class=\"legend-row\" data-kind=\"3\""), 300);
  EXPECT_NE(row3.find("fill=\"#2CA02C\""), std::string::npos);
  EXPECT_NE(row3.find("3：3.5 × 4 (0.5)、色 2、2 個"), std::string::npos) << row3;
  const std::string row7 = svg.substr(svg.find("class=\"legend-row\" data-kind=\"7\""), 300);
  EXPECT_NE(row7.find("、1 個<"), std::string::npos) << row7;
}

TEST_F(PreviewSvgTest, MapShowsTextsAndLegendAfterTheConversion) {
  const TMojiShuMap swap{1, 2, 7, 4, 5, 6, 3, 8, 9, 10};
  const std::string svg = PreviewSvg(geometry_, {800, swap});
  EXPECT_EQ(Count(svg, "class=\"kind7\""), 2u);
  EXPECT_EQ(Count(svg, "class=\"kind3\""), 1u);
  EXPECT_NE(ElementWith(svg, "a&lt;b").find("fill=\"#E377C2\""), std::string::npos);
  const std::string row7 = svg.substr(svg.find("class=\"legend-row\" data-kind=\"7\""), 300);
  EXPECT_NE(row7.find("7：3.5 × 4 (0.5)、色 2、2 個"), std::string::npos) << row7;
  EXPECT_NE(svg.find("(変換後)"), std::string::npos);
}

TEST_F(PreviewSvgTest, WidthIsClampedAndAnEmptyDrawingStillWritesALegend) {
  EXPECT_NE(PreviewSvg(geometry_, {1, std::nullopt}).find("width=\"100\""), std::string::npos);
  const std::string empty = PreviewSvg(PreviewGeometry{}, {});
  EXPECT_EQ(Count(empty, "class=\"legend-row\""), 10u);
  EXPECT_EQ(empty.find("nan"), std::string::npos);
  EXPECT_EQ(empty.find("inf"), std::string::npos);
}

struct EscapeCase {
  std::u16string in;
  std::string out;
};

TEST(XmlEscapeTest, UserTextsCannotBreakTheDocument) {
  const EscapeCase cases[] = {
      {u"plain", "plain"},
      {u"<tag> & \"q\" 'a'", "&lt;tag&gt; &amp; &quot;q&quot; &apos;a&apos;"},
      {u"]]>", "]]&gt;"},
      {std::u16string(u"a\x01" "b\tc\n", 6), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD"},
      {u"\uFFFE\uFFFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {std::u16string(1, char16_t{0xD800}), "\xEF\xBF\xBD"},  // a lone surrogate
      {u"文字", "\xE6\x96\x87\xE5\xAD\x97"},
  };
  for (const EscapeCase &c : cases)
    EXPECT_EQ(XmlEscape(c.in), c.out);
}

}  // namespace
// The start that tells an SVG of ours from any other file.
TEST_F(PreviewSvgTest, ItsStartIsRecognisedAndNothingElseIs) {
  const std::string svg = PreviewSvg(geometry_, {800, std::nullopt});
  const auto bytes = [](const std::string &text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  EXPECT_TRUE(IsPreviewSvgStart(bytes(svg)));
  EXPECT_TRUE(IsPreviewSvgStart(bytes(std::string(kPreviewSvgStart))));
  const std::string others[] = {
      "",
      svg.substr(0, kPreviewSvgStart.size() - 1),  // cut short
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n",
      "JwwData.",
      " " + svg,
  };
  for (const std::string &other : others)
    EXPECT_FALSE(IsPreviewSvgStart(bytes(other))) << other.substr(0, 40);
  EXPECT_FALSE(IsPreviewSvgStart(dir_.read("plan.jww")));
}

}  // namespace velkaro
