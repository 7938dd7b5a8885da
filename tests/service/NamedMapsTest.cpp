// The maps file: a round trip with Japanese names and spaces, a thousand
// maps, damaged files reported and left alone, read-only maps kept apart.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "builders/TempDir.h"
#include "service/NamedMaps.h"
#include "support/Func_2.h"

namespace velkaro {
namespace {

using testing::TempDir;

std::vector<std::uint8_t> Bytes(const char *text) {
  return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

TEST(NamedMaps, RoundTrip) {
  TempDir dir;
  const std::u16string name = NamedMapsFileName(dir.u16() + u"/velkaro.dat");
  EXPECT_EQ(name, dir.u16() + u"/velkaro.maps.json");
  EXPECT_EQ(LoadNamedMaps(name).state, NamedMapsState::NoFile);
  std::vector<NamedMap> maps{{u"A社 設計部", {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}},
                             {u"office", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                             {u"standard", {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}, true}};
  for (int i = 0; i < 1000; ++i)
    maps.push_back({u"partner " + IntToString(i), {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}});
  ASSERT_TRUE(SaveNamedMaps(name, maps));
  const NamedMapsFile back = LoadNamedMaps(name);
  ASSERT_EQ(back.state, NamedMapsState::Read);
  maps.erase(maps.begin() + 2);  // read-only maps are never written
  EXPECT_EQ(back.maps, maps);
}

TEST(NamedMaps, DamagedFilesAreReportedAndLeftAlone) {
  const struct {
    const char *text;
    const char *reason;
  } cases[] = {
      {"{\"maps\": [", "not JSON"},
      {"[]", "no list"},
      {"{\"maps\": [{\"name\": \"a\", \"map\": [1, 2, 3]}]}", "map 1: \"map\" is not ten kinds"},
      {"{\"maps\": [{\"map\": [1,2,3,4,5,6,7,8,9,10]}]}", "map 1: no name"},
      {"{\"maps\": [{\"name\": \"a\", \"map\": [1,2,3,4,5,6,7,8,9,10]},"
       " {\"name\": \"a\", \"map\": [1,2,3,4,5,6,7,8,9,10]}]}",
       "map 2: the name is empty or repeated"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    dir.write("m.json", Bytes(c.text));
    const NamedMapsFile file = LoadNamedMaps(dir.u16() + u"/m.json");
    EXPECT_EQ(file.state, NamedMapsState::Damaged) << c.text;
    EXPECT_NE(file.reason.find(c.reason), std::string::npos) << file.reason;
    EXPECT_TRUE(file.maps.empty());
  }
}

// A hand-edited map that merges kinds is made a permutation on reading.
TEST(NamedMaps, MapsAreNormalisedAndPutKeepsReadOnlyOnes) {
  TempDir dir;
  dir.write("m.json", Bytes("{\"maps\": [{\"name\": \"x\", \"map\": [2,2,2,2,2,2,2,2,2,99]}]}"));
  const NamedMapsFile file = LoadNamedMaps(dir.u16() + u"/m.json");
  ASSERT_EQ(file.state, NamedMapsState::Read);
  EXPECT_EQ(file.maps[0].map, (TMojiShuMap{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
  std::vector<NamedMap> maps{{u"office", {}, true}};
  EXPECT_FALSE(PutNamedMap(maps, {u"office", {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}}));
  EXPECT_TRUE(PutNamedMap(maps, {u"new", {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}}));
  EXPECT_EQ(maps.size(), 2u);
  EXPECT_FALSE(IsUsableMapName(u" \u3000"));
  EXPECT_FALSE(IsUsableMapName(u"a\nb"));
  EXPECT_TRUE(IsUsableMapName(u"A社 2024"));
}

}  // namespace
}  // namespace velkaro
