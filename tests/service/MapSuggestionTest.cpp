// The map proposed from a template: exact looks first, then the nearest size
// of the same colour, then the nearest size; unused kinds fill the
// permutation; drawings that disagree are named, the majority followed.
#include <gtest/gtest.h>

#include <algorithm>

#include "service/MapSuggestion.h"

namespace velkaro {
namespace {

using Table = std::vector<TextKindEntry>;

// Kind k: k x k mm, spacing 0.5, colour (k + 1) / 2 (1, 1, 2, 2, ...).
Table Office() {
  Table t;
  for (int k = 1; k <= 10; ++k)
    t.push_back({double(k), double(k), 0.5, (k + 1) / 2});
  return t;
}

DrawingInfo Drawing(const std::u16string &path, Table table, std::vector<int> usedKinds) {
  DrawingInfo d;
  d.path = path;
  d.format = "JWW";
  d.textKinds = std::move(table);
  for (int k : usedKinds)
    d.kindUse[static_cast<std::size_t>(k)].texts = 1;
  return d;
}

bool IsPermutation(TMojiShuMap m) {
  std::sort(m.begin(), m.end());
  return m == TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
}

TEST(SuggestMap, FollowsTheTable) {
  // A partner whose kind 1 is our kind 3 and whose kind 3 is our kind 1.
  Table swapped = Office();
  std::swap(swapped[0], swapped[2]);
  // A partner whose kind 1 is 3.2 mm of colour 2: nearest our 3 (same colour).
  Table near = Office();
  near[0] = {3.2, 3.2, 0.5, 2};
  // ... and whose kind 2 is 3.2 mm of colour 9, which we do not have.
  Table otherColour = Office();
  otherColour[1] = {3.2, 3.2, 0.5, 9};
  // A template that repeats one look: the second copy is still free.
  Table repeated = Office();
  repeated[4] = repeated[3];
  const struct {
    const char *why;
    Table source;
    std::vector<int> used;
    Table templ;
    TMojiShuMap map;
    std::array<KindMatch, 3> firstThree;
  } cases[] = {
      {"the same convention", Office(), {1, 2, 3}, Office(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       {KindMatch::Same, KindMatch::Same, KindMatch::Same}},
      {"two kinds traded", swapped, {1, 3}, Office(), {3, 2, 1, 4, 5, 6, 7, 8, 9, 10},
       {KindMatch::Same, KindMatch::Unused, KindMatch::Same}},
      {"near size, same colour first", near, {1}, Office(), {3, 2, 1, 4, 5, 6, 7, 8, 9, 10},
       {KindMatch::NearSize, KindMatch::Unused, KindMatch::Unused}},
      // Kind 2 (3.2 mm, colour 9) takes 3, the nearest size of any colour.
      {"no kind of that colour", otherColour, {2}, Office(), {1, 3, 2, 4, 5, 6, 7, 8, 9, 10},
       {KindMatch::Unused, KindMatch::NearSizeOtherColour, KindMatch::Unused}},
      {"all kinds used", swapped, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, Office(),
       {3, 2, 1, 4, 5, 6, 7, 8, 9, 10}, {KindMatch::Same, KindMatch::Same, KindMatch::Same}},
      // Both 4 and 5 of the source look like the template's 4 (and 5): one
      // takes 4 exactly, the other the nearest left.
      {"a template with repeated entries", Office(), {4, 5}, repeated,
       {1, 2, 3, 4, 6, 5, 7, 8, 9, 10}, {KindMatch::Unused, KindMatch::Unused, KindMatch::Unused}},
  };
  for (const auto &c : cases) {
    const MapSuggestion s = SuggestMap({Drawing(u"a.jww", c.source, c.used)}, c.templ);
    EXPECT_TRUE(IsPermutation(s.map)) << c.why;
    EXPECT_EQ(s.map, c.map) << c.why;
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(s.kinds[static_cast<std::size_t>(k)].match, c.firstThree[static_cast<std::size_t>(k)])
          << c.why << ", kind " << k + 1;
    EXPECT_TRUE(s.notFitting.empty()) << c.why;
  }
}

// Ties go to the lower kind; a look far from everything is no match but
// still gets a kind, so the map stays a permutation.
TEST(SuggestMap, TiesAndMisfits) {
  Table tie = Office();
  tie[0] = {3.5, 3.5, 0.5, 2};  // as near to our 3 as to our 4, both colour 2
  EXPECT_EQ(SuggestMap({Drawing(u"t", tie, {1})}, Office()).map[0], 3);
  Table far = Office();
  far[0] = {90, 90, 0, 7};
  const MapSuggestion s = SuggestMap({Drawing(u"f", far, {1})}, Office());
  EXPECT_EQ(s.kinds[0].match, KindMatch::NoMatch);
  EXPECT_EQ(s.map[0], 10);
  EXPECT_TRUE(IsPermutation(s.map));
}

TEST(SuggestMap, FollowsTheMajorityAndNamesTheOthers) {
  Table swapped = Office();
  std::swap(swapped[0], swapped[2]);
  const MapSuggestion s = SuggestMap({Drawing(u"odd.jww", Office(), {1}), Drawing(u"b.jww", swapped, {1}),
                                      Drawing(u"c.jww", swapped, {3}), DrawingInfo{}},
                                     Office());
  EXPECT_EQ(s.drawings, 3);
  EXPECT_EQ(s.map, (TMojiShuMap{3, 2, 1, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(s.notFitting, (std::vector<std::u16string>{u"odd.jww"}));
}

TEST(SuggestMap, ExplainsEachKindInOneLine) {
  Table swapped = Office();
  std::swap(swapped[0], swapped[2]);
  const MapSuggestion s = SuggestMap({Drawing(u"a", swapped, {1})}, Office());
  EXPECT_EQ(KindSuggestionText(s.kinds[0]), u"1: 3×3 (0.5) 色2 → 3: 同じ");
  EXPECT_EQ(KindSuggestionText(s.kinds[1]), u"2: 2×2 (0.5) 色1 → 2: 使われていない");
  // No template table: nothing is matched, the identity is proposed.
  EXPECT_EQ(SuggestMap({Drawing(u"a", swapped, {1})}, {}).map, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

}  // namespace
}  // namespace velkaro
