// PreviewGeometry: building the display geometry of JWW and JWC drawings.
#include "preview/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <unordered_map>

#include "convert/DrawingOpener.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

constexpr double kPi = std::numbers::pi;
// Angles beyond this many radians are damage; trigonometry on them is
// meaningless anyway.
constexpr double kMaxAngle = 1e6;
// How many primitives are added between two looks at the stop token.
constexpr std::uint32_t kStopCheckEvery = 4096;

// JWC pens 1..6 on a white background (the format stores no colours).
constexpr std::array<PreviewRgb, 7> kJwcPenColours{0x000000, 0x008B8B, 0x000000, 0x008000,
                                                   0xB8860B, 0x8B008B, 0x0000CD};
constexpr PreviewRgb kUnknownPenColour = 0x000000;

constexpr std::array<PreviewRgb, 10> kKindColours{0x1F77B4, 0xFF7F0E, 0x2CA02C, 0xD62728,
                                                  0x9467BD, 0x8C564B, 0xE377C2, 0xBCBD22,
                                                  0x17BECF, 0x393B79};

bool Sound(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxPreviewCoordinate; }
bool SoundAngle(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxAngle; }
bool SoundSize(double v) { return std::isfinite(v) && v > 0 && v <= kMaxPreviewCoordinate; }

template <typename T>
std::span<const T> Usable(std::int32_t n, const std::vector<T> &array) {
  return {array.data(), std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)),
                                              array.size())};
}

// The pen colour the CAD program shows on screen but never prints.
constexpr std::uint16_t kAuxiliaryPenColour = 9;

// A block placement's map from definition to drawing coordinates, and the
// layer group's factor from drawing to paper millimetres.
struct Placement {
  double x = 0, y = 0, r1 = 1, r2 = 0, r3 = 0, r4 = 1;
  bool identity = true;
  double paper = 1;

  void Apply(double u, double v, double &X, double &Y) const {
    if (identity) {
      X = u * paper;
      Y = v * paper;
      return;
    }
    X = (x + r1 * u + r2 * v) * paper;
    Y = (y + r3 * u + r4 * v) * paper;
  }
  double Rotation() const { return identity ? 0 : std::atan2(r3, r1); }
  double ScaleU() const { return identity ? 1 : std::hypot(r1, r3); }
  double ScaleV() const { return identity ? 1 : std::hypot(r2, r4); }
};

// Whether two matrix entries agree to within a part in a million of the
// matrix's size.
bool Near(double a, double b, double size) { return std::fabs(a - b) <= 1e-6 * size; }

PreviewRgb FromColorRef(std::uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

PreviewRgb StrokeColour(std::int32_t colorRef) {
  const PreviewRgb rgb = FromColorRef(static_cast<std::uint32_t>(colorRef));
  // A screen colour meant for a dark background would vanish on white paper.
  const double luma =
      0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
  return luma > 215 ? 0x404040 : rgb;
}

bool IsHalfWidth(char16_t c) { return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F); }

class Builder {
 public:
  Builder(PreviewGeometry &g, std::stop_token stop, const PreviewLimits &limits)
      : g_(g), stop_(std::move(stop)), limits_(limits) {}

  const PreviewLimits &limits() const { return limits_; }

  bool Done() const { return g_.cut || g_.cancelled; }

  void Line(double x1, double y1, double x2, double y2, PreviewRgb rgb, const Placement &p,
            std::int32_t block, bool auxiliary = false) {
    PreviewLine l{0, 0, 0, 0, rgb, block, auxiliary};
    p.Apply(x1, y1, l.x1, l.y1);
    p.Apply(x2, y2, l.x2, l.y2);
    if (!Sound(x1) || !Sound(y1) || !Sound(x2) || !Sound(y2) || !Sound(l.x1) || !Sound(l.y1) ||
        !Sound(l.x2) || !Sound(l.y2)) {
      ++g_.dropped;
      return;
    }
    if (!Room())
      return;
    g_.extent.Add(l.x1, l.y1);
    g_.extent.Add(l.x2, l.y2);
    g_.lines.push_back(l);
  }

  void Arc(PreviewArc a, const Placement &p) {
    if (!Sound(a.cx) || !Sound(a.cy) || !SoundSize(a.radius) || !SoundSize(a.flattening) ||
        !SoundSize(a.radius * a.flattening) || !SoundAngle(a.start) || !SoundAngle(a.sweep) ||
        !SoundAngle(a.tilt) || (!a.full && a.sweep == 0)) {
      ++g_.dropped;
      return;
    }
    if (p.identity) {
      a.cx *= p.paper;
      a.cy *= p.paper;
      a.radius *= p.paper;
    } else if (!Transform(a, p)) {
      ArcAsLines(a, p);
      return;
    }
    if (!Sound(a.cx) || !Sound(a.cy) || !SoundSize(a.radius) ||
        !SoundSize(a.radius * a.flattening)) {
      ++g_.dropped;
      return;
    }
    if (!Room())
      return;
    // The extent of the whole ellipse: enough for a preview's fit.
    const double c = std::cos(a.tilt), s = std::sin(a.tilt);
    const double rx = a.radius, ry = a.radius * a.flattening;
    const double hx = std::hypot(rx * c, ry * s), hy = std::hypot(rx * s, ry * c);
    g_.extent.Add(a.cx - hx, a.cy - hy);
    g_.extent.Add(a.cx + hx, a.cy + hy);
    g_.arcs.push_back(a);
  }

  void Point(double x, double y, PreviewRgb rgb, const Placement &p, std::int32_t block,
             bool auxiliary = false) {
    PreviewPoint pt{0, 0, rgb, block, auxiliary};
    p.Apply(x, y, pt.x, pt.y);
    if (!Sound(x) || !Sound(y) || !Sound(pt.x) || !Sound(pt.y)) {
      ++g_.dropped;
      return;
    }
    if (!Room())
      return;
    g_.extent.Add(pt.x, pt.y);
    g_.points.push_back(pt);
  }

  void Solid(const std::array<double, 8> &xy, PreviewRgb rgb, const Placement &p,
             std::int32_t block, bool auxiliary = false) {
    PreviewSolid s{{}, rgb, block, auxiliary};
    for (std::size_t i = 0; i < 4; ++i) {
      if (!Sound(xy[2 * i]) || !Sound(xy[2 * i + 1])) {
        ++g_.dropped;
        return;
      }
      p.Apply(xy[2 * i], xy[2 * i + 1], s.xy[2 * i], s.xy[2 * i + 1]);
      if (!Sound(s.xy[2 * i]) || !Sound(s.xy[2 * i + 1])) {
        ++g_.dropped;
        return;
      }
    }
    if (!Room())
      return;
    for (std::size_t i = 0; i < 4; ++i)
      g_.extent.Add(s.xy[2 * i], s.xy[2 * i + 1]);
    g_.solids.push_back(s);
  }

  // `source` is the text record, so that its placements can be told apart
  // from other records' when texts are counted.
  void Text(PreviewText t, const Placement &p, const void *source) {
    if (t.str.empty())
      return;
    const double u = t.x, v = t.y;
    p.Apply(u, v, t.x, t.y);
    t.angle += p.Rotation();
    t.width *= p.ScaleU();
    t.spacing *= p.ScaleU();
    t.height *= p.ScaleV();
    if (!Sound(u) || !Sound(v) || !Sound(t.x) || !Sound(t.y) || !SoundAngle(t.angle) ||
        !SoundSize(t.width) || !SoundSize(t.height) || !Sound(t.spacing)) {
      ++g_.dropped;
      return;
    }
    const std::array<double, 8> box = PreviewTextBox(t);
    for (const double c : box)
      if (!Sound(c)) {
        ++g_.dropped;
        return;
      }
    if (!Room())
      return;
    for (std::size_t i = 0; i < 4; ++i)
      g_.extent.Add(box[2 * i], box[2 * i + 1]);
    g_.texts.push_back(std::move(t));
    textSources_.push_back(source);
  }

  const std::vector<const void *> &textSources() const { return textSources_; }

 private:
  // Room for one more primitive; also where the stop token is looked at.
  bool Room() {
    if (++sinceCheck_ >= kStopCheckEvery) {
      sinceCheck_ = 0;
      if (stop_.stop_requested())
        g_.cancelled = true;
    }
    if (g_.size() >= limits_.maxPrimitives)
      g_.cut = true;
    return !Done();
  }

  // An arc under a similarity stays an arc; false for any other matrix.
  static bool Transform(PreviewArc &a, const Placement &p) {
    const double size = std::max({std::fabs(p.r1), std::fabs(p.r2), std::fabs(p.r3),
                                  std::fabs(p.r4)});
    if (!std::isfinite(size) || size == 0)
      return false;
    const double scale = p.ScaleU(), theta = p.Rotation();
    double cx = 0, cy = 0;
    p.Apply(a.cx, a.cy, cx, cy);
    if (Near(p.r1, p.r4, size) && Near(p.r2, -p.r3, size)) {
      a.tilt += theta;
    } else if (Near(p.r1, -p.r4, size) && Near(p.r2, p.r3, size)) {
      // A mirror: parameter t becomes -t about the mirrored axis.
      a.tilt = theta - a.tilt;
      a.start = -a.start - a.sweep;
    } else {
      return false;
    }
    a.cx = cx;
    a.cy = cy;
    a.radius *= scale * p.paper;
    return true;
  }

  void ArcAsLines(const PreviewArc &a, const Placement &p) {
    const double sweep = a.full ? 2 * kPi : a.sweep;
    const int segments = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / (2 * kPi) * 72)),
                                    4, 72);
    double u0 = 0, v0 = 0;
    PreviewArcPoint(a, a.start, u0, v0);
    for (int i = 1; i <= segments && !Done(); ++i) {
      double u1 = 0, v1 = 0;
      PreviewArcPoint(a, a.start + sweep * i / segments, u1, v1);
      Line(u0, v0, u1, v1, a.rgb, p, a.block, a.faint);
      u0 = u1;
      v0 = v1;
    }
  }

  PreviewGeometry &g_;
  std::stop_token stop_;
  PreviewLimits limits_;
  std::uint32_t sinceCheck_ = 0;
  std::vector<const void *> textSources_;  // parallel to g_.texts
};

// ---- JWW --------------------------------------------------------------------

class JwwPainter {
 public:
  JwwPainter(const TJwwData &JW, Builder &out) : JW_(JW), out_(out) {}

  PreviewRgb Pen(const TEntJwwAttr &att) const {
    const std::uint16_t c = att.nPenColor;
    if (c >= 1 && c <= 9 && c < JW_.EntCol.size())
      return StrokeColour(JW_.EntCol[c].aPenColor);
    if (c >= 101 && c <= 356 && c - 100u < JW_.EntColS.size())
      return StrokeColour(JW_.EntColS[c - 100u].aPenColor);
    return kUnknownPenColour;
  }

  // Drawing to paper millimetres for an entity of layer group g. A scale
  // that is no number or not positive is damage: the group is drawn 1:1.
  double GroupPaper(std::uint16_t g) const {
    if (g >= JW_.EntLgrp.size())
      return 1;
    const double scale = JW_.EntLgrp[g].adScale;
    return std::isfinite(scale) && scale > 1e-9 && scale < 1e9 ? 1 / scale : 1;
  }

  // A top-level entity takes its own group's scale; a block member the
  // scale its placement was given.
  Placement Grouped(const Placement &p, const TEntJwwAttr &att, std::int32_t block) const {
    if (block >= 0)
      return p;
    Placement q = p;
    q.paper = GroupPaper(att.nGLayer);
    return q;
  }

  static bool Auxiliary(const TEntJwwAttr &att) { return att.nPenColor == kAuxiliaryPenColour; }

  void LineOf(const TEntJwwLine &l, const Placement &p, std::int32_t block) {
    out_.Line(l.start_x, l.start_y, l.end_x, l.end_y, Pen(l.att), Grouped(p, l.att, block), block,
              Auxiliary(l.att));
  }

  void Enko(const TEntJwwEnko &e, const Placement &p, std::int32_t block) {
    PreviewArc a;
    a.cx = e.start_x;
    a.cy = e.start_y;
    a.radius = e.dHankei;
    a.flattening = e.dHenpeiRitsu;
    a.tilt = e.radKatamukiKaku;
    a.full = e.bZenEnFlg != 0;
    a.start = a.full ? 0 : e.radKaishiKaku;
    a.sweep = a.full ? 2 * kPi : e.radEnkoKaku;
    a.rgb = Pen(e.att);
    a.block = block;
    a.faint = Auxiliary(e.att);
    out_.Arc(a, Grouped(p, e.att, block));
  }

  void Ten(const TEntJwwTen &t, const Placement &p, std::int32_t block) {
    // Temporary points are construction aids, not part of the drawing.
    if (t.bKariten == 0)
      out_.Point(t.start_x, t.start_y, Pen(t.att), Grouped(p, t.att, block), block,
                 Auxiliary(t.att));
  }

  void Moji(const TEntJwwMoji &m, const Placement &p, std::int32_t block, bool inDimension) {
    PreviewText t;
    t.x = m.start_x;
    t.y = m.start_y;
    t.angle = m.degKakudo * kPi / 180;
    t.width = m.dSizeX;
    t.height = m.dSizeY;
    t.spacing = m.dKankaku;
    t.vertical = (m.att.sFlg & 0x20) != 0;
    t.str = m.str;
    t.kind = m.nMojiShu % 10000u;
    t.inDimension = inDimension;
    t.inBlock = block >= 0;
    t.block = block;
    t.auxiliary = Auxiliary(m.att);
    out_.Text(std::move(t), Grouped(p, m.att, block), &m);
  }

  void Sunpo(const TEntJwwSunpo &s, const Placement &p, std::int32_t block) {
    LineOf(s.Sen, p, block);
    Moji(s.Moji, p, block, true);
    LineOf(s.Ho1, p, block);
    LineOf(s.Ho2, p, block);
  }

  void SolidOf(const TEntJwwSolid &s, const Placement &p, std::int32_t block) {
    // Above 100 the corner fields hold the parameters of a curved solid.
    if (s.att.nPenStyle > 100)
      return;
    const PreviewRgb rgb = s.att.nPenColor == 10
                               ? FromColorRef(s.Color)
                               : Pen(s.att);
    out_.Solid({s.start_x, s.start_y, s.end_x, s.end_y, s.DPoint2_x, s.DPoint2_y, s.DPoint3_x,
                s.DPoint3_y},
               rgb, Grouped(p, s.att, block), block, Auxiliary(s.att));
  }

  template <typename T, typename F>
  void Each(std::int32_t n, const std::vector<T> &array, F draw) {
    for (const T &e : Usable(n, array)) {
      if (out_.Done())
        return;
      draw(e);
    }
  }

  void Members(const TEntJwwBlockDef &d, const Placement &p, std::int32_t block) {
    Each(d.mLineN, d.mLine, [&](const auto &e) { LineOf(e, p, block); });
    Each(d.mEnkoN, d.mEnko, [&](const auto &e) { Enko(e, p, block); });
    Each(d.mTenN, d.mTen, [&](const auto &e) { Ten(e, p, block); });
    Each(d.mSolidN, d.mSolid, [&](const auto &e) { SolidOf(e, p, block); });
    Each(d.mSunpoN, d.mSunpo, [&](const auto &e) { Sunpo(e, p, block); });
    Each(d.mMojiN, d.mMoji, [&](const auto &e) { Moji(e, p, block, false); });
  }

  void TopLevel() {
    const Placement none;
    Each(JW_.EntLineN, JW_.EntLine, [&](const auto &e) { LineOf(e, none, -1); });
    Each(JW_.EntEnkoN, JW_.EntEnko, [&](const auto &e) { Enko(e, none, -1); });
    Each(JW_.EntTenN, JW_.EntTen, [&](const auto &e) { Ten(e, none, -1); });
    Each(JW_.EntSolidN, JW_.EntSolid, [&](const auto &e) { SolidOf(e, none, -1); });
    Each(JW_.EntSunpoN, JW_.EntSunpo, [&](const auto &e) { Sunpo(e, none, -1); });
    Each(JW_.EntMojiN, JW_.EntMoji, [&](const auto &e) { Moji(e, none, -1, false); });
  }

  // Every placement of the block tree draws its definition's own members;
  // the references among them are placements of their own further on.
  void Placements(PreviewGeometry &g) {
    const auto tree = Usable(JW_.EntBlockTreeN, JW_.EntBlockTree);
    const auto defs = Usable(JW_.EntBlockDefN, JW_.EntBlockDef);
    g.blocks.reserve(tree.size());
    for (const TEntJwwBlockTree &t : tree)
      g.blocks.push_back({t.name, t.parent >= 0 && static_cast<std::size_t>(t.parent) < tree.size()
                                      ? t.parent
                                      : -1});
    for (std::size_t k = 0; k < tree.size() && !out_.Done(); ++k) {
      const TEntJwwBlockTree &t = tree[k];
      if (t.defno < 0 || static_cast<std::size_t>(t.defno) >= defs.size())
        continue;
      if (t.level >= out_.limits().maxBlockDepth) {
        g.cut = true;
        continue;
      }
      if (OnItsOwnChain(tree, k, out_.limits().maxBlockDepth))
        continue;
      Placement p{t.x, t.y, t.r1, t.r2, t.r3, t.r4, false,
                  GroupPaper(RootOf(tree, k).att.nGLayer)};
      Members(defs[static_cast<std::size_t>(t.defno)], p, static_cast<std::int32_t>(k));
    }
  }

 private:
  // A definition placed inside itself is drawn once, at its outer placement.
  static bool OnItsOwnChain(std::span<const TEntJwwBlockTree> tree, std::size_t k,
                            std::int32_t depth) {
    std::int32_t parent = tree[k].parent;
    for (std::int32_t steps = 0; parent >= 0 && static_cast<std::size_t>(parent) < tree.size() &&
                                 steps <= depth;
         ++steps) {
      if (tree[static_cast<std::size_t>(parent)].defno == tree[k].defno)
        return true;
      parent = tree[static_cast<std::size_t>(parent)].parent;
    }
    return false;
  }

  // The placement of the drawing's own block reference that a placement
  // lies in: its layer group scales the whole block.
  static const TEntJwwBlockTree &RootOf(std::span<const TEntJwwBlockTree> tree, std::size_t k) {
    for (std::size_t steps = 0; steps <= tree.size(); ++steps) {
      const std::int32_t parent = tree[k].parent;
      if (parent < 0 || static_cast<std::size_t>(parent) >= tree.size())
        break;
      k = static_cast<std::size_t>(parent);
    }
    return tree[k];
  }

  const TJwwData &JW_;
  Builder &out_;
};

void CountKind(PreviewGeometry &g, std::int64_t kind) {
  ++g.kindCount[kind >= 0 && kind <= 10 ? static_cast<std::size_t>(kind) : 11];
}

void CountJwwKinds(const TJwwData &JW, PreviewGeometry &g) {
  for (const auto &m : Usable(JW.EntMojiN, JW.EntMoji))
    CountKind(g, m.nMojiShu % 10000u);
  for (const auto &s : Usable(JW.EntSunpoN, JW.EntSunpo))
    CountKind(g, s.Moji.nMojiShu % 10000u);
  for (const auto &d : Usable(JW.EntBlockDefN, JW.EntBlockDef)) {
    for (const auto &m : Usable(d.mMojiN, d.mMoji))
      CountKind(g, m.nMojiShu % 10000u);
    for (const auto &s : Usable(d.mSunpoN, d.mSunpo))
      CountKind(g, s.Moji.nMojiShu % 10000u);
  }
}

// ---- JWC --------------------------------------------------------------------

PreviewRgb JwcPen(std::uint8_t col) {
  return col >= 1 && col < kJwcPenColours.size() ? kJwcPenColours[col] : kUnknownPenColour;
}

void PaintJwc(const TJwcData &JW, Builder &out) {
  const Placement none;
  for (const auto &l : Usable(JW.lineN, JW.EntLine)) {
    if (out.Done())
      return;
    out.Line(l.x1, l.y1, l.x2, l.y2, JwcPen(l.col), none, -1);
  }
  for (const auto &e : Usable(JW.arcN, JW.EntArc)) {
    if (out.Done())
      return;
    PreviewArc a;
    a.cx = e.x;
    a.cy = e.y;
    a.radius = e.r;
    a.flattening = e.h;
    a.tilt = double{e.tt} * kPi / 180;
    double sweep = double{e.et} - double{e.st};
    if (std::isfinite(sweep)) {
      sweep = std::fmod(sweep, 360.0);
      if (sweep <= 0)
        sweep += 360;
    }
    a.full = sweep >= 360;
    a.start = a.full ? 0 : double{e.st} * kPi / 180;
    a.sweep = sweep * kPi / 180;
    a.rgb = JwcPen(e.col);
    out.Arc(a, none);
  }
  for (const auto &t : Usable(JW.tenN, JW.EntTen)) {
    if (out.Done())
      return;
    out.Point(t.x, t.y, JwcPen(t.col), none, -1);
  }
  for (const auto &m : Usable(JW.mojiN, JW.EntMoji)) {
    if (out.Done())
      return;
    PreviewText t;
    t.x = m.x1;
    t.y = m.y1;
    t.vertical = (m.flg1 & 0x20) != 0;
    // The stored end point gives the direction of the line; a vertical line
    // runs down the column, 90° clockwise of the characters' upright.
    const double dx = double{m.x2} - m.x1, dy = double{m.y2} - m.y1;
    t.angle = (dx == 0 && dy == 0) ? 0 : std::atan2(dy, dx);
    if (t.vertical)
      t.angle += kPi / 2;
    if (m.no < JW.EntMjtp.size()) {
      const TEntJwcMojiType &k = JW.EntMjtp[m.no];
      t.width = k.width / 10.0;
      t.height = k.height / 10.0;
      t.spacing = k.dist / 10.0;
    }
    t.str = m.s;
    t.kind = m.no;
    out.Text(std::move(t), none, &m);
  }
}

// ---- the sheet --------------------------------------------------------------

// The share of the drawing that must lie on the paper for the paper to be
// taken as where the drawing was placed: small, since a sparse sheet may
// carry many settings texts far off it, yet enough that a drawing placed
// elsewhere altogether is not shown as an empty sheet.
constexpr double kMinShareOnPaper = 0.05;
// The robust extent keeps what lies within this many times the spread of
// the middle nine tenths of the drawing (the wider of its two directions)
// beyond it on either side.
constexpr double kOutlierReach = 1.0;

PreviewExtent BoxOf(const PreviewLine &l) {
  PreviewExtent e;
  e.Add(l.x1, l.y1);
  e.Add(l.x2, l.y2);
  return e;
}

PreviewExtent BoxOf(const PreviewArc &a) {
  const double c = std::cos(a.tilt), s = std::sin(a.tilt);
  const double rx = a.radius, ry = a.radius * a.flattening;
  const double hx = std::hypot(rx * c, ry * s), hy = std::hypot(rx * s, ry * c);
  PreviewExtent e;
  e.Add(a.cx - hx, a.cy - hy);
  e.Add(a.cx + hx, a.cy + hy);
  return e;
}

PreviewExtent BoxOf(const PreviewPoint &p) {
  PreviewExtent e;
  e.Add(p.x, p.y);
  return e;
}

PreviewExtent Corners(const std::array<double, 8> &xy) {
  PreviewExtent e;
  for (std::size_t i = 0; i < 4; ++i)
    e.Add(xy[2 * i], xy[2 * i + 1]);
  return e;
}

PreviewExtent BoxOf(const PreviewSolid &s) { return Corners(s.xy); }
PreviewExtent BoxOf(const PreviewText &t) { return Corners(PreviewTextBox(t)); }

bool Overlap(const PreviewExtent &a, const PreviewExtent &b) {
  return !a.empty && !b.empty && a.maxX >= b.minX && a.minX <= b.maxX && a.maxY >= b.minY &&
         a.minY <= b.maxY;
}

// Calls f with the box of every primitive and a flag to set when it lies
// off the sheet.
template <typename F>
void EachBox(PreviewGeometry &g, F f) {
  for (auto &l : g.lines)
    f(BoxOf(l), [&l] { l.faint = true; });
  for (auto &a : g.arcs)
    f(BoxOf(a), [&a] { a.faint = true; });
  for (auto &p : g.points)
    f(BoxOf(p), [&p] { p.faint = true; });
  for (auto &s : g.solids)
    f(BoxOf(s), [&s] { s.faint = true; });
  for (auto &t : g.texts)
    f(BoxOf(t), [&t] { t.offSheet = true; });
}

double Quantile(std::vector<double> &v, double q) {
  const auto at = v.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), at, v.end());
  return *at;
}

// The extent of everything but far outliers: what lies (by its centre) within
// reach of the middle nine tenths of the drawing.
PreviewExtent RobustExtent(PreviewGeometry &g) {
  std::vector<double> xs, ys;
  xs.reserve(g.size());
  ys.reserve(g.size());
  EachBox(g, [&](const PreviewExtent &b, auto) {
    xs.push_back((b.minX + b.maxX) / 2);
    ys.push_back((b.minY + b.maxY) / 2);
  });
  PreviewExtent robust;
  if (xs.empty())
    return robust;
  const double xlo = Quantile(xs, 0.05), xhi = Quantile(xs, 0.95);
  const double ylo = Quantile(ys, 0.05), yhi = Quantile(ys, 0.95);
  const double reach = kOutlierReach * std::max({xhi - xlo, yhi - ylo, 1.0});
  const double x0 = xlo - reach, x1 = xhi + reach, y0 = ylo - reach, y1 = yhi + reach;
  EachBox(g, [&](const PreviewExtent &b, auto) {
    const double cx = (b.minX + b.maxX) / 2, cy = (b.minY + b.maxY) / 2;
    if (cx >= x0 && cx <= x1 && cy >= y0 && cy <= y1) {
      robust.Add(b.minX, b.minY);
      robust.Add(b.maxX, b.maxY);
    }
  });
  return robust;
}

// The named paper, landscape and centred on the origin, when enough of the
// drawing lies on it.
std::optional<PreviewExtent> PaperSheet(PreviewGeometry &g) {
  const std::optional<PreviewPaper> paper = PreviewPaperSize(g.paperCode);
  if (!paper)
    return std::nullopt;
  PreviewExtent sheet;
  sheet.Add(-paper->longSide / 2, -paper->shortSide / 2);
  sheet.Add(paper->longSide / 2, paper->shortSide / 2);
  std::size_t on = 0;
  EachBox(g, [&](const PreviewExtent &b, auto) { on += Overlap(b, sheet) ? 1 : 0; });
  if (static_cast<double>(on) < kMinShareOnPaper * static_cast<double>(g.size()))
    return std::nullopt;
  return sheet;
}

std::size_t KindIndex(std::int64_t kind) {
  return kind >= 0 && kind <= 10 ? static_cast<std::size_t>(kind) : 11;
}

// A text record is off the sheet when every placement of it is, and counts
// as auxiliary when it is on the sheet only in the auxiliary colour.
void CountUnprinted(PreviewGeometry &g, const std::vector<const void *> &sources) {
  struct Seen {
    std::int64_t kind = 0;
    bool onSheet = false, printed = false;
  };
  std::unordered_map<const void *, Seen> records;
  for (std::size_t i = 0; i < g.texts.size() && i < sources.size(); ++i) {
    const PreviewText &t = g.texts[i];
    Seen &seen = records[sources[i]];
    seen.kind = t.kind;
    seen.onSheet = seen.onSheet || !t.offSheet;
    seen.printed = seen.printed || (!t.offSheet && !t.auxiliary);
  }
  for (const auto &[source, seen] : records) {
    if (!seen.onSheet)
      ++g.kindOffSheet[KindIndex(seen.kind)];
    else if (!seen.printed)
      ++g.kindAuxiliary[KindIndex(seen.kind)];
  }
}

void FinishSheet(PreviewGeometry &g, const std::vector<const void *> &textSources) {
  if (g.size() == 0)
    return;
  if (const std::optional<PreviewExtent> paper = PaperSheet(g)) {
    g.sheet = *paper;
    g.sheetSource = PreviewSheetSource::Paper;
  } else {
    g.sheet = RobustExtent(g);
    g.sheetSource = PreviewSheetSource::Extent;
  }
  EachBox(g, [&](const PreviewExtent &b, auto markOff) {
    if (!Overlap(b, g.sheet)) {
      markOff();
      ++g.offSheet;
    }
  });
  CountUnprinted(g, textSources);
}

}  // namespace

// ---------------------------------------------------------------------------

std::optional<PreviewPaper> PreviewPaperSize(std::int32_t code) {
  // The A series halves the long side at each step; 2A to 5A double A0's.
  switch (code) {
    case 0: return PreviewPaper{1189, 841};
    case 1: return PreviewPaper{841, 594};
    case 2: return PreviewPaper{594, 420};
    case 3: return PreviewPaper{420, 297};
    case 4: return PreviewPaper{297, 210};
    case 8: return PreviewPaper{1682, 1189};
    case 9: return PreviewPaper{2378, 1682};
    case 10: return PreviewPaper{3364, 2378};
    case 11: return PreviewPaper{4756, 3364};
    // The long sheets keep the A series' proportions.
    case 12: return PreviewPaper{10000, 10000 / std::numbers::sqrt2};
    case 13: return PreviewPaper{50000, 50000 / std::numbers::sqrt2};
    case 14: return PreviewPaper{100000, 100000 / std::numbers::sqrt2};
    default: return std::nullopt;
  }
}

void PreviewExtent::Add(double x, double y) {
  if (empty) {
    minX = maxX = x;
    minY = maxY = y;
    empty = false;
    return;
  }
  minX = std::min(minX, x);
  maxX = std::max(maxX, x);
  minY = std::min(minY, y);
  maxY = std::max(maxY, y);
}

std::vector<std::u16string> PreviewGeometry::BlockPath(std::int32_t block) const {
  std::vector<std::u16string> path;
  for (std::size_t steps = 0; block >= 0 && static_cast<std::size_t>(block) < blocks.size() &&
                              steps <= blocks.size();
       ++steps) {
    path.push_back(blocks[static_cast<std::size_t>(block)].name);
    block = blocks[static_cast<std::size_t>(block)].parent;
  }
  std::reverse(path.begin(), path.end());
  return path;
}

PreviewGeometry BuildPreviewGeometry(const TJwwData &JW, std::stop_token stop,
                                     const PreviewLimits &limits) {
  PreviewGeometry g;
  g.format = "JWW";
  for (std::size_t k = 0; k < 10 && k < JW.EntMoj.size(); ++k) {
    const TEntJwwMojiType &t = JW.EntMoj[k];
    g.kindTable[k] = {t.adMojiX, t.adMojiY, t.adMojiD, t.anMojiCol};
  }
  g.paperCode = JW.Enthd.nZumen;
  CountJwwKinds(JW, g);
  Builder out(g, std::move(stop), limits);
  JwwPainter painter(JW, out);
  painter.TopLevel();
  painter.Placements(g);
  FinishSheet(g, out.textSources());
  return g;
}

PreviewGeometry BuildPreviewGeometry(const TJwcData &JW, std::stop_token stop,
                                     const PreviewLimits &limits) {
  PreviewGeometry g;
  g.format = "JWC";
  for (std::size_t k = 1; k <= 10 && k < JW.EntMjtp.size(); ++k) {
    const TEntJwcMojiType &t = JW.EntMjtp[k];
    g.kindTable[k - 1] = {t.width / 10.0, t.height / 10.0, t.dist / 10.0, t.penNo};
  }
  for (const auto &m : Usable(JW.mojiN, JW.EntMoji))
    CountKind(g, m.no);
  g.paperCode = JW.Enthd.psize;
  Builder out(g, std::move(stop), limits);
  PaintJwc(JW, out);
  FinishSheet(g, out.textSources());
  return g;
}

PreviewLoadResult LoadPreview(const std::u16string &path, std::stop_token stop) {
  PreviewLoadResult result;
  if (!IsFile(path)) {
    result.error = "no such file";
    return result;
  }
  // A preview never touches the images.
  const OpenedFile file = OpenByContent(path);
  if (file.format == JwFormat::Jws || file.format == JwFormat::Jwk) {
    result.status = PreviewLoadStatus::Figure;
    return result;
  }
  if (!file.error.empty()) {
    result.error = file.error;
    result.detail = file.detail;
    return result;
  }
  if (stop.stop_requested()) {
    result.status = PreviewLoadStatus::Cancelled;
    return result;
  }
  PreviewGeometry g;
  if (file.JWW) {
    result.trailingBytes = file.JWW->TrailingBytes();
    g = BuildPreviewGeometry(*file.JWW, stop);
  } else {
    result.trailingBytes = file.JWC->TrailingBytes();
    g = BuildPreviewGeometry(*file.JWC, stop);
  }
  result.status = g.cancelled ? PreviewLoadStatus::Cancelled : PreviewLoadStatus::Ok;
  result.geometry = std::move(g);
  return result;
}

// ---- Kinds ------------------------------------------------------------------

PreviewRgb PreviewKindColour(std::int64_t kind) {
  return kind >= 1 && kind <= 10 ? kKindColours[static_cast<std::size_t>(kind - 1)]
                                 : kPreviewOtherKindColour;
}

std::int64_t PreviewShownKind(std::int64_t kind, const std::optional<TMojiShuMap> &map) {
  return map ? MappedKind(*map, kind) : kind;
}

std::array<PreviewLegendRow, 10> PreviewLegend(const PreviewGeometry &g,
                                               const std::optional<TMojiShuMap> &map) {
  std::array<PreviewLegendRow, 10> rows{};
  std::array<bool, 10> entrySet{};
  for (std::int32_t k = 1; k <= 10; ++k) {
    rows[k - 1].kind = k;
    rows[k - 1].rgb = PreviewKindColour(k);
  }
  for (std::int32_t old = 1; old <= 10; ++old) {
    const std::int64_t shown = PreviewShownKind(old, map);
    if (shown < 1 || shown > 10)
      continue;
    PreviewLegendRow &row = rows[static_cast<std::size_t>(shown - 1)];
    row.texts += g.kindCount[static_cast<std::size_t>(old)];
    row.offSheet += g.kindOffSheet[static_cast<std::size_t>(old)];
    row.auxiliary += g.kindAuxiliary[static_cast<std::size_t>(old)];
    if (!entrySet[static_cast<std::size_t>(shown - 1)]) {
      row.entry = g.kindTable[static_cast<std::size_t>(old - 1)];
      entrySet[static_cast<std::size_t>(shown - 1)] = true;
    }
  }
  return rows;
}

// ---- Shapes -----------------------------------------------------------------

void PreviewArcPoint(const PreviewArc &a, double t, double &x, double &y) {
  const double u = a.radius * std::cos(t), v = a.radius * a.flattening * std::sin(t);
  const double c = std::cos(a.tilt), s = std::sin(a.tilt);
  x = a.cx + u * c - v * s;
  y = a.cy + u * s + v * c;
}

double PreviewTextLength(const PreviewText &t) {
  double length = 0;
  for (const char16_t c : t.str) {
    if (c >= 0xDC00 && c <= 0xDFFF)
      continue;  // the second half of a surrogate pair
    length += t.vertical ? t.height : (IsHalfWidth(c) ? t.width / 2 : t.width);
    length += t.spacing;
  }
  return t.str.empty() ? 0 : length - t.spacing;
}

std::array<double, 8> PreviewTextBox(const PreviewText &t) {
  const double length = PreviewTextLength(t);
  const double c = std::cos(t.angle), s = std::sin(t.angle);
  // Along: the direction characters follow; across: the other side of the box.
  double ax = c * length, ay = s * length;
  double bx = -s * t.height, by = c * t.height;
  if (t.vertical) {
    ax = s * length;  // down the column
    ay = -c * length;
    bx = c * t.width;
    by = s * t.width;
  }
  return {t.x, t.y, t.x + ax, t.y + ay, t.x + ax + bx, t.y + ay + by, t.x + bx, t.y + by};
}

}  // namespace velkaro
