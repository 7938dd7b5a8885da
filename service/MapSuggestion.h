// MapSuggestion: the map that gives drawings of another convention the
// office's own text kinds, proposed from a template drawing of the office.
//
// Each kind the selected drawings use goes to the template's kind with the
// same look (width, height, spacing and colour of the text-kind table): an
// exact match first, otherwise the nearest size of the same colour, then the
// nearest size of any colour. Kinds no selected text uses fill what is left,
// so the result is always a permutation. Drawings whose tables disagree
// cannot share one map: the proposal follows the table most of them have and
// names the others.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/UnitV.h"
#include "service/DrawingFacts.h"

namespace velkaro {

enum class KindMatch {
  Same,             // the template has this look exactly
  NearSize,         // the nearest size of the same colour
  NearSizeOtherColour,  // the nearest size; no kind of that colour was free
  NoMatch,          // nothing near: given the kind left over
  Unused,           // no selected text uses the kind: it fills the permutation
};

struct KindSuggestion {
  std::int32_t kind = 0;     // old kind 1 to 10
  TextKindEntry look;        // its entry in the selected drawings' table
  std::int32_t newKind = 0;  // the template's kind it becomes
  KindMatch match = KindMatch::Unused;
};

struct MapSuggestion {
  TMojiShuMap map{};  // a permutation
  std::array<KindSuggestion, 10> kinds{};
  // Drawings whose table differs from the one the proposal follows.
  std::vector<std::u16string> notFitting;
  std::int32_t drawings = 0;  // drawings with a table among those given
};

// The rule on read facts: `sources` the selected drawings (files without a
// table are passed over), `templateTable` the template's kinds 1 to 10.
MapSuggestion SuggestMap(const std::vector<DrawingInfo> &sources,
                         const std::vector<TextKindEntry> &templateTable);

// One line per kind, as the dialog and the command line show it:
// "3: 3×3 (0.5) 色2 → 2: 同じ".
std::u16string KindSuggestionText(const KindSuggestion &kind);
// "同じ", "近い大きさ", "近い大きさ（色違い）", "一致なし", "使われていない".
std::u16string KindMatchText(KindMatch match);

}  // namespace velkaro
