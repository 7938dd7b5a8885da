// PreviewGeometry: what a drawing looks like, as a flat list of primitives in
// drawing millimetres, for the window's preview pane and the SVG writer.
//
// Built from a read TJwwData or TJwcData: lines, arcs (circles and ellipses
// included), points, solids and texts; a dimension gives its line, its text
// and its two auxiliary lines; block references are expanded through the
// document's block tree (MakeBlockTree), each placement drawing its
// definition's members through the placement's matrix. Every primitive
// carries the placement it came from (-1 at the top level); `blocks` holds
// the placements with their parents, so the path of blocks can be walked.
//
// Hostile drawings are drawn as far as they are sound: a primitive with a
// NaN, infinite or huge coordinate, or with a zero or negative size, is left
// out (and out of the extent). Placements deeper than kMaxPreviewBlockDepth
// and everything beyond kMaxPreviewPrimitives are not drawn, nor is a
// placement of a definition already on its own chain of parents; `cut` then says the
// picture is incomplete. The build checks a stop token as it goes, so a
// preview nobody waits for any more ends early (`cancelled`).
//
// Coordinates are paper millimetres. A JWW drawing stores drawing
// millimetres, which each layer group's scale (adScale, the denominator:
// 100 for 1:100) turns into paper millimetres; text sizes are paper
// millimetres already. JWC coordinates are paper millimetres as read.
//
// The sheet is the paper the header names (JWW nZumen, JWC psize), centred
// on the origin; where the code names no paper, or the paper holds too
// little of the drawing to be where it was placed, a robust extent of the
// drawing stands in for it that leaves far outliers out. A preview is
// fitted to the sheet; `extent` still holds everything, for a view of the
// whole. What lies wholly off the sheet, and what is drawn in pen colour 9
// (the CAD program's auxiliary colour, never printed), is marked faint.
//
// Texts are coloured by kind, not by pen: PreviewKindColour gives the fixed
// palette; PreviewLegend lists the ten kinds with their table entries and
// text counts, before or after a text-kind map.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

class TJwwData;
class TJwcData;

// Coordinates beyond this many millimetres (a thousand kilometres) are not
// drawn: no drawing is that large, and such values only come from damage.
inline constexpr double kMaxPreviewCoordinate = 1e9;
inline constexpr std::int32_t kMaxPreviewBlockDepth = 32;
inline constexpr std::size_t kMaxPreviewPrimitives = 4'000'000;

// The bounds a build keeps to (smaller ones for tests).
struct PreviewLimits {
  std::size_t maxPrimitives = kMaxPreviewPrimitives;
  std::int32_t maxBlockDepth = kMaxPreviewBlockDepth;  // placements at this level are not drawn
};

// Colours are 0xRRGGBB.
using PreviewRgb = std::uint32_t;

struct PreviewLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  PreviewRgb rgb = 0;
  std::int32_t block = -1;
  bool faint = false;  // off the sheet or in the auxiliary colour
};

// An elliptic arc: the point at parameter t is
//   centre + rotate(tilt) * (radius cos t, radius * flattening sin t)
// for t from start to start + sweep (radians; a positive sweep runs
// counter-clockwise). A full ellipse has `full` set and sweep 2π.
struct PreviewArc {
  double cx = 0, cy = 0, radius = 0;
  double start = 0, sweep = 0, tilt = 0, flattening = 1;
  bool full = false;
  PreviewRgb rgb = 0;
  std::int32_t block = -1;
  bool faint = false;  // off the sheet or in the auxiliary colour
};

struct PreviewPoint {
  double x = 0, y = 0;
  PreviewRgb rgb = 0;
  std::int32_t block = -1;
  bool faint = false;  // off the sheet or in the auxiliary colour
};

// Four corners in their stored order (start, end, DPoint2, DPoint3).
struct PreviewSolid {
  std::array<double, 8> xy{};
  PreviewRgb rgb = 0;
  std::int32_t block = -1;
  bool faint = false;  // off the sheet or in the auxiliary colour
};

// A text line from its start point along `angle` (radians, counter-clockwise
// from +x). Vertical writing stacks the characters along angle - 90°.
struct PreviewText {
  double x = 0, y = 0, angle = 0;
  double width = 0, height = 0, spacing = 0;  // one full-width character
  bool vertical = false;
  std::u16string str;
  std::int64_t kind = 0;  // the kind number as stored (1..10 name table entries)
  bool inDimension = false;
  bool inBlock = false;
  std::int32_t block = -1;
  bool offSheet = false;   // wholly outside the sheet
  bool auxiliary = false;  // pen colour 9: seen on screen, never printed
  bool faint() const { return offSheet || auxiliary; }
};

// One placement of a block that drew something or holds one that did.
struct PreviewBlock {
  std::u16string name;
  std::int32_t parent = -1;  // index in PreviewGeometry::blocks
};

// A text-kind table entry in millimetres; colour is the JWW colour number or
// the JWC pen number.
struct PreviewKindEntry {
  double width = 0, height = 0, spacing = 0;
  std::int32_t colour = 0;
};

struct PreviewExtent {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
  void Add(double x, double y);
  double width() const { return empty ? 0 : maxX - minX; }
  double height() const { return empty ? 0 : maxY - minY; }
};

// Where the sheet comes from.
enum class PreviewSheetSource {
  None,    // nothing to draw
  Paper,   // the paper the header names
  Extent,  // a robust extent of the drawing
};

// A paper size in millimetres (long side first) for a paper code of the
// header: 0 to 4 are A0 to A4, 8 to 11 are 2A to 5A, 12 to 14 are the 10 m,
// 50 m and 100 m sheets. Other codes name no paper.
struct PreviewPaper {
  double longSide = 0, shortSide = 0;
};
std::optional<PreviewPaper> PreviewPaperSize(std::int32_t code);

// Texts per kind 0..10 as stored (index 11: all other kind numbers).
using PreviewKindCounts = std::array<std::int64_t, 12>;

struct PreviewGeometry {
  std::string format;  // "JWW" or "JWC"
  std::vector<PreviewLine> lines;
  std::vector<PreviewArc> arcs;
  std::vector<PreviewPoint> points;
  std::vector<PreviewSolid> solids;
  std::vector<PreviewText> texts;
  std::vector<PreviewBlock> blocks;
  PreviewExtent extent;  // everything drawn
  PreviewExtent sheet;   // what a preview is fitted to
  PreviewSheetSource sheetSource = PreviewSheetSource::None;
  std::int32_t paperCode = -1;  // as the header names it
  std::int64_t offSheet = 0;    // primitives wholly outside the sheet
  // Kinds 1..10 of the drawing's text-kind table (entry k-1 is kind k).
  std::array<PreviewKindEntry, 10> kindTable{};
  // Text records per kind 0..10 as stored (top level, dimensions and block
  // definitions), counted once each however often a block is placed;
  // kindCount[11] counts all other kind numbers.
  PreviewKindCounts kindCount{};
  // Of those, the texts wholly off the sheet, and the texts on it in the
  // auxiliary colour: none of them is ever printed. A text in a block
  // counts here when no placement of it puts it on the sheet in print.
  PreviewKindCounts kindOffSheet{};
  PreviewKindCounts kindAuxiliary{};
  std::int64_t dropped = 0;  // primitives left out as unsound
  bool cut = false;          // a bound stopped the picture short
  bool cancelled = false;

  std::size_t size() const {
    return lines.size() + arcs.size() + points.size() + solids.size() + texts.size();
  }
  // The names of the blocks a primitive sits in, outermost first.
  std::vector<std::u16string> BlockPath(std::int32_t block) const;
};

// The geometry of a read drawing. A JWW document must have its block tree
// built (FileIn does it; a document made in memory calls MakeBlockTree).
PreviewGeometry BuildPreviewGeometry(const TJwwData &JW, std::stop_token stop = {},
                                     const PreviewLimits &limits = {});
PreviewGeometry BuildPreviewGeometry(const TJwcData &JW, std::stop_token stop = {},
                                     const PreviewLimits &limits = {});

enum class PreviewLoadStatus {
  Ok,
  Figure,      // a JWS or JWK figure: only its header is ever read
  Unreadable,  // not a Jw_cad file, or one that could not be read
  Cancelled,
};

struct PreviewLoadResult {
  PreviewLoadStatus status = PreviewLoadStatus::Unreadable;
  PreviewGeometry geometry;
  std::string error;  // why it is unreadable
  std::string detail;  // where the reader gave up, for a damaged drawing
  std::uint64_t trailingBytes = 0;  // after the drawing's end, ignored by the format
};

// Opens a file by its content (DrawingOpener: JWS and JWK are recognised as
// figures) without extracting bound images, and builds its geometry.
PreviewLoadResult LoadPreview(const std::u16string &path, std::stop_token stop = {});

// ---- Kinds ------------------------------------------------------------------

// The colour texts of kind k (1..10) are drawn in; any other kind is grey.
PreviewRgb PreviewKindColour(std::int64_t kind);
inline constexpr PreviewRgb kPreviewOtherKindColour = 0x9E9E9E;

// The kind a text is shown as: its own, or the kind `map` makes of it.
std::int64_t PreviewShownKind(std::int64_t kind, const std::optional<TMojiShuMap> &map);

// One row of the legend: shown kind k (1..10), the table entry it stands for
// and how many texts it has. Under a map the table entries and texts move
// with their kinds, as the conversion moves them.
struct PreviewLegendRow {
  std::int32_t kind = 0;
  PreviewRgb rgb = 0;
  PreviewKindEntry entry;
  std::int64_t texts = 0;
  std::int64_t offSheet = 0;   // of `texts`, wholly off the sheet
  std::int64_t auxiliary = 0;  // of `texts`, on the sheet in pen colour 9
};
std::array<PreviewLegendRow, 10> PreviewLegend(const PreviewGeometry &g,
                                               const std::optional<TMojiShuMap> &map);

// ---- Shapes -----------------------------------------------------------------

// The point of an arc at parameter t (radians).
void PreviewArcPoint(const PreviewArc &a, double t, double &x, double &y);
// The four corners of a text's box (x0 y0 … x3 y3): start, along the line,
// then up (or across, for vertical writing). Half-width characters take half
// a character width.
std::array<double, 8> PreviewTextBox(const PreviewText &t);
// The length of the text line in millimetres.
double PreviewTextLength(const PreviewText &t);

}  // namespace velkaro
