// DrawingFacts: what a user needs to know of drawings to choose a map.
//
// DrawingInfo is one file's facts — format and version, memo, entity counts,
// block definitions, images, the text-kind table and how many texts use each
// kind — as `velkaro-cli info` prints them. KindsOverview sums them over the
// files selected in the window: per old kind the table entry (from the first
// drawing, noting where others differ), the texts using it and the new kind
// a map gives it, as the settings dialog shows them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

// One entry of a drawing's text-kind table, in millimetres.
struct TextKindEntry {
  double width = 0, height = 0, spacing = 0;
  std::int32_t colour = 0;  // JWW colour number, JWC pen number
  bool operator==(const TextKindEntry &) const = default;
};

// How many texts use a kind: top level, in dimensions, in block definitions.
// Of all these, how many are never printed: wholly off the sheet, or on it
// only in pen colour 9 (the preview's sheet and rules).
struct KindUse {
  std::int64_t texts = 0, dimensions = 0, blocks = 0;
  std::int64_t offSheet = 0, auxiliary = 0;
  std::int64_t total() const { return texts + dimensions + blocks; }
};

struct DrawingInfo {
  std::u16string path;
  std::string format;          // "JWW", "JWC", "JWS", "JWK"
  std::u16string version;      // "700", or "DOS" for JWC and JWK
  bool headerOnly = false;     // JWS and JWK: only the header is read
  bool utf16 = false;          // JWW: the file holds UTF-16 strings
  std::vector<std::u16string> memo;  // memo lines
  std::vector<std::pair<std::string, std::int64_t>> entities;  // kind name, count
  std::optional<std::int32_t> blockDefinitions, referencedBlockDefinitions;
  std::vector<std::pair<std::u16string, std::int32_t>> images;  // name, size
  std::vector<TextKindEntry> textKinds;  // kinds 1 to 10 (empty for figures)
  std::array<KindUse, 11> kindUse{};     // kinds 0 to 10
  KindUse otherKindUse;                  // any other kind number
  std::uint64_t trailingBytes = 0;       // after the drawing's end, ignored by the format
};

// Reads the file by its content (JWW, JWC, JWS, JWK, tried in that order).
// False with `error` set when it is none of them or cannot be read.
bool ReadDrawingInfo(const std::u16string &path, DrawingInfo &info, std::string &error);

// One old kind (1 to 10) across the selected drawings.
struct KindSummary {
  std::int32_t kind = 0;
  // The table entry of the first drawing that has a table; none when no
  // selected file is a drawing.
  std::optional<TextKindEntry> entry;
  // Whether another selected drawing has a different entry for this kind
  // (or a table of the other format: JWW colours and JWC pens differ).
  bool entryDiffers = false;
  KindUse use;                // summed over the drawings
  std::int32_t newKind = 0;   // what the map makes of it
};

struct KindsOverview {
  std::array<KindSummary, 10> kinds{};  // old kinds 1 to 10
  KindUse kindZeroUse;       // texts of kind 0, which no map changes
  KindUse otherKindUse;      // texts of a kind beyond 10, which no map changes
  std::int32_t drawings = 0;     // JWW and JWC drawings read
  std::int32_t notDrawings = 0;  // figures and other files (no text-kind table)
  std::vector<std::u16string> unreadable;  // files that could not be read
};

// Sums the facts of the files; `map` gives each old kind its new kind (it is
// taken as it stands, so pass a normalised one).
KindsOverview SummarizeKinds(const std::vector<DrawingInfo> &infos, const TMojiShuMap &map);
// Reads each file and sums them; files that cannot be read are listed in
// `unreadable`.
KindsOverview ReadKindsOverview(const std::vector<std::u16string> &paths, const TMojiShuMap &map);
// The same overview under another map (the dialog's choices as they change).
void ApplyMap(KindsOverview &overview, const TMojiShuMap &map);

}  // namespace velkaro
