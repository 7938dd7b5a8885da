// PreviewSvg: writing preview geometry as SVG.
#include "preview/PreviewSvg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "support/Utf8.h"

namespace velkaro {

namespace {

constexpr double kMarginPx = 16;
constexpr double kLegendRowPx = 20;
constexpr double kLegendTopPx = 34;
// A tall, narrow drawing is fitted as if it were at least this wide compared
// to its height, so the picture stays a sensible size.
constexpr double kMinWidthToHeight = 0.25;
// What is never printed is drawn at this opacity.
constexpr const char *kFaintOpacity = "0.3";

// Numbers with two decimals, without trailing zeros.
std::string Num(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s(buf);
  while (!s.empty() && s.back() == '0')
    s.pop_back();
  if (!s.empty() && s.back() == '.')
    s.pop_back();
  return s == "-0" ? "0" : s;
}

bool XmlCanCarry(char16_t c) { return c >= 0x20 && c != 0xFFFE && c != 0xFFFF; }

// Drawing millimetres to picture pixels (y grows downwards in SVG).
struct Frame {
  double minX = 0, maxY = 0, scale = 1;
  double X(double x) const { return kMarginPx + (x - minX) * scale; }
  double Y(double y) const { return kMarginPx + (maxY - y) * scale; }
};

class SvgWriter {
 public:
  SvgWriter(const PreviewGeometry &g, const PreviewSvgOptions &options)
      : g_(g), map_(options.map), all_(options.all),
        width_(std::clamp(options.widthPx, kPreviewSvgMinWidth, kPreviewSvgMaxWidth)) {}

  std::string Write() {
    const double drawingHeight = Fit();
    const double height = drawingHeight + kLegendTopPx + 10 * kLegendRowPx + kMarginPx;
    out_ += kPreviewSvgStart;
    out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width_) +
            "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " + std::to_string(width_) + " " +
            Num(height) + "\">\n";
    out_ += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
    // The paper's edge, so what lies beyond it reads as off the sheet.
    if (g_.sheetSource == PreviewSheetSource::Paper)
      out_ += "<rect class=\"sheet\" x=\"" + Num(frame_.X(g_.sheet.minX)) + "\" y=\"" +
              Num(frame_.Y(g_.sheet.maxY)) + "\" width=\"" +
              Num(g_.sheet.width() * frame_.scale) + "\" height=\"" +
              Num(g_.sheet.height() * frame_.scale) +
              "\" fill=\"none\" stroke=\"#B0B0B0\" stroke-dasharray=\"6 4\"/>\n";
    out_ += "<g class=\"drawing\" stroke-width=\"1\" fill=\"none\">\n";
    Solids();
    Lines();
    Arcs();
    Points();
    out_ += "</g>\n<g class=\"texts\" font-family=\"sans-serif\">\n";
    Texts();
    out_ += "</g>\n";
    Legend(drawingHeight);
    out_ += "</svg>\n";
    return std::move(out_);
  }

 private:
  // Sets the frame; returns the height of the drawing's part in pixels.
  double Fit() {
    const PreviewExtent &e = all_ || g_.sheet.empty ? g_.extent : g_.sheet;
    const double w = e.width(), h = e.height();
    const double span = std::max({w, h * kMinWidthToHeight, 1e-6});
    frame_.scale = (width_ - 2 * kMarginPx) / span;
    frame_.minX = e.empty ? 0 : e.minX - (span - w) / 2;
    frame_.maxY = e.empty ? 0 : e.maxY;
    return h * frame_.scale + 2 * kMarginPx;
  }

  void Solids() {
    for (const PreviewSolid &s : g_.solids) {
      out_ += "<polygon points=\"";
      for (std::size_t i = 0; i < 4; ++i)
        out_ += (i ? " " : "") + Num(frame_.X(s.xy[2 * i])) + "," + Num(frame_.Y(s.xy[2 * i + 1]));
      out_ += "\" fill=\"" + CssColour(s.rgb) + "\" fill-opacity=\"" +
              (s.faint ? "0.1" : "0.35") + "\" stroke=\"none\"/>\n";
    }
  }

  void Lines() {
    for (const PreviewLine &l : g_.lines)
      out_ += "<line x1=\"" + Num(frame_.X(l.x1)) + "\" y1=\"" + Num(frame_.Y(l.y1)) +
              "\" x2=\"" + Num(frame_.X(l.x2)) + "\" y2=\"" + Num(frame_.Y(l.y2)) +
              "\" stroke=\"" + CssColour(l.rgb) + "\"" + Faint(l.faint) + "/>\n";
  }

  void Arcs() {
    for (const PreviewArc &a : g_.arcs) {
      const double rx = a.radius * frame_.scale, ry = a.radius * a.flattening * frame_.scale;
      // Screen angles run clockwise: the tilt turns the other way.
      const double tiltDeg = -a.tilt * 180 / std::numbers::pi;
      if (a.full || std::fabs(a.sweep) >= 2 * std::numbers::pi) {
        const double cx = frame_.X(a.cx), cy = frame_.Y(a.cy);
        out_ += "<ellipse cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" rx=\"" + Num(rx) +
                "\" ry=\"" + Num(ry) + "\" transform=\"rotate(" + Num(tiltDeg) + " " + Num(cx) +
                " " + Num(cy) + ")\" stroke=\"" + CssColour(a.rgb) + "\"" + Faint(a.faint) + "/>\n";
        continue;
      }
      double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
      PreviewArcPoint(a, a.start, x0, y0);
      PreviewArcPoint(a, a.start + a.sweep, x1, y1);
      const bool large = std::fabs(a.sweep) > std::numbers::pi;
      const bool clockwiseOnScreen = a.sweep < 0;
      out_ += "<path d=\"M" + Num(frame_.X(x0)) + " " + Num(frame_.Y(y0)) + " A" + Num(rx) + " " +
              Num(ry) + " " + Num(tiltDeg) + " " + (large ? "1" : "0") + " " +
              (clockwiseOnScreen ? "1" : "0") + " " + Num(frame_.X(x1)) + " " +
              Num(frame_.Y(y1)) + "\" stroke=\"" + CssColour(a.rgb) + "\"" + Faint(a.faint) +
              "/>\n";
    }
  }

  void Points() {
    for (const PreviewPoint &p : g_.points)
      out_ += "<circle cx=\"" + Num(frame_.X(p.x)) + "\" cy=\"" + Num(frame_.Y(p.y)) +
              "\" r=\"1.5\" fill=\"" + CssColour(p.rgb) + "\" stroke=\"none\"" + Faint(p.faint) +
              "/>\n";
  }

  void Texts() {
    for (const PreviewText &t : g_.texts) {
      const std::int64_t kind = PreviewShownKind(t.kind, map_);
      const double x = frame_.X(t.x), y = frame_.Y(t.y);
      const double size = t.height * frame_.scale;
      const double deg = -t.angle * 180 / std::numbers::pi;
      out_ += "<text class=\"kind" + std::to_string(kind) + "\" data-kind=\"" +
              std::to_string(kind) + "\" x=\"" + Num(x) + "\" y=\"" + Num(y) +
              "\" font-size=\"" + Num(size) + "\" fill=\"" + CssColour(PreviewKindColour(kind)) +
              "\"" + Faint(t.faint());
      if (deg != 0)
        out_ += " transform=\"rotate(" + Num(deg) + " " + Num(x) + " " + Num(y) + ")\"";
      if (!t.vertical) {
        out_ += " textLength=\"" + Num(PreviewTextLength(t) * frame_.scale) +
                "\" lengthAdjust=\"spacingAndGlyphs\">" + XmlEscape(t.str) + "</text>\n";
        continue;
      }
      // Vertical writing: one character under the other, down from the start.
      out_ += ">";
      const double step = (t.height + t.spacing) * frame_.scale;
      std::size_t i = 0;
      for (std::size_t at = 0; at < t.str.size(); ++i) {
        const std::size_t n =
            (at + 1 < t.str.size() && t.str[at] >= 0xD800 && t.str[at] <= 0xDBFF) ? 2 : 1;
        out_ += "<tspan x=\"" + Num(x) + "\" y=\"" + Num(y + size + i * step) + "\">" +
                XmlEscape(std::u16string_view(t.str).substr(at, n)) + "</tspan>";
        at += n;
      }
      out_ += "</text>\n";
    }
  }

  void Legend(double top) {
    const auto rows = PreviewLegend(g_, map_);
    out_ += "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"12\">\n";
    out_ += "<text x=\"" + Num(kMarginPx) + "\" y=\"" + Num(top + 16) + "\" fill=\"#000000\">" +
            (map_ ? std::string("文字種 (変換後)") : std::string("文字種")) +
            "：幅 × 高さ (間隔) mm、色、個" + SheetNote() +
            (g_.cut ? "　図面が大きすぎるため一部のみ表示" : "") + "</text>\n";
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const PreviewLegendRow &row = rows[r];
      const double y = top + kLegendTopPx + r * kLegendRowPx;
      out_ += "<g class=\"legend-row\" data-kind=\"" + std::to_string(row.kind) + "\">";
      out_ += "<rect x=\"" + Num(kMarginPx) + "\" y=\"" + Num(y - 11) +
              "\" width=\"14\" height=\"14\" fill=\"" + CssColour(row.rgb) + "\"/>";
      out_ += "<text x=\"" + Num(kMarginPx + 22) + "\" y=\"" + Num(y) + "\" fill=\"#000000\">" +
              std::to_string(row.kind) + "：" + Num(row.entry.width) + " × " +
              Num(row.entry.height) + " (" + Num(row.entry.spacing) + ")、色 " +
              std::to_string(row.entry.colour) + "、" + std::to_string(row.texts) + " 個" +
              Unprinted(row) + "</text></g>\n";
    }
    out_ += "</g>\n";
  }

  static std::string Faint(bool faint) {
    return faint ? std::string(" opacity=\"") + kFaintOpacity + "\"" : std::string();
  }

  // "（用紙外 6、補助線色 1）": texts of a kind that are never printed.
  static std::string Unprinted(const PreviewLegendRow &row) {
    std::string parts;
    if (row.offSheet > 0)
      parts += "用紙外 " + std::to_string(row.offSheet);
    if (row.auxiliary > 0)
      parts += (parts.empty() ? "" : "、") + std::string("補助線色 ") +
               std::to_string(row.auxiliary);
    return parts.empty() ? parts : "（" + parts + "）";
  }

  std::string SheetNote() const {
    if (g_.offSheet == 0)
      return {};
    return std::string(g_.sheetSource == PreviewSheetSource::Paper ? "　用紙外の要素 "
                                                                   : "　表示範囲外の要素 ") +
           std::to_string(g_.offSheet) + " 個" + (all_ ? "" : "（全体表示で見えます）");
  }

  const PreviewGeometry &g_;
  std::optional<TMojiShuMap> map_;
  bool all_;
  int width_;
  Frame frame_;
  std::string out_;
};

}  // namespace

std::string CssColour(PreviewRgb rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return buf;
}

std::string XmlEscape(std::u16string_view text) {
  std::u16string clean(text);
  for (char16_t &c : clean)
    if (!XmlCanCarry(c))
      c = u'\uFFFD';
  const std::string utf8 = utf8::FromUtf16(clean);  // unpaired surrogates become U+FFFD
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PreviewSvg(const PreviewGeometry &g, const PreviewSvgOptions &options) {
  return SvgWriter(g, options).Write();
}

bool IsPreviewSvgStart(std::span<const std::uint8_t> start) {
  return start.size() >= kPreviewSvgStart.size() &&
         std::equal(kPreviewSvgStart.begin(), kPreviewSvgStart.end(), start.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace velkaro
