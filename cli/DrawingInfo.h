// DrawingInfo: what `velkaro-cli info` tells about one file — format and
// version, memo, entity counts, block definitions, images, the text-kind
// table and how many texts use each kind: what a user needs to choose a map.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velkaro::cli {

// One entry of a drawing's text-kind table, in millimetres.
struct TextKindEntry {
  double width = 0, height = 0, spacing = 0;
  std::int32_t colour = 0;  // JWW colour number, JWC pen number
};

// How many texts use a kind: top level, in dimensions, in block definitions.
struct KindUse {
  std::int64_t texts = 0, dimensions = 0, blocks = 0;
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
};

// Reads the file by its content (JWW, JWC, JWS, JWK, tried in that order).
// False with `error` set when it is none of them or cannot be read.
bool ReadDrawingInfo(const std::u16string &path, DrawingInfo &info, std::string &error);

}  // namespace velkaro::cli
