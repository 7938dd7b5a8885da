// velkaro-cli maps, suggest and convert --map-name: the named maps of the
// window's maps file, and the map proposed from a template drawing.
#include <gtest/gtest.h>

#include <filesystem>

#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/ConversionBatchFixtures.h"
#include "service/NamedMaps.h"
#include "support/Func_2.h"
#include "tests/cli/CliRun.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

void PutJww(const fs::path &file, const JwwDrawingSpec &plan) {
  const JwwFile built = BuildJww(plan);
  WriteFileBytes(file, built.bytes);
}

class CliMaps : public ::testing::Test {
 protected:
  std::string path(const std::string &name) const { return (dir.path() / name).string(); }
  TempDir dir;
};

TEST_F(CliMaps, ListShowAndConvertByName) {
  ASSERT_TRUE(SaveNamedMaps(dir.u16() + u"/maps.json",
                            {{u"A社 設計", {2, 1, 3, 4, 5, 6, 7, 8, 9, 10}},
                             {u"B", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}}));
  const CliResult list = RunCli({"maps", "--maps", path("maps.json")});
  EXPECT_EQ(list.exit, 0) << list.err;
  EXPECT_EQ(list.out, "A社 設計\t2,1,3,4,5,6,7,8,9,10\nB\t1,2,3,4,5,6,7,8,9,10\n");
  const CliResult show = RunCli({"maps", "--maps", path("maps.json"), "A社 設計"});
  EXPECT_EQ(show.exit, 0);
  EXPECT_EQ(show.out.substr(0, show.out.find('\n')), "2,1,3,4,5,6,7,8,9,10");
  EXPECT_EQ(RunCli({"maps", "--maps", path("maps.json"), "C"}).exit, 2);

  fs::create_directories(dir.path() / "src");
  fs::create_directories(dir.path() / "out");
  PutJww(dir.path() / "src" / "a.jww", MakeRichDrawing(700, false));
  const CliResult convert = RunCli({"convert", "--quiet", "--dest", path("out"), "--map-name", "A社 設計",
                                    "--maps", path("maps.json"), path("src/a.jww")});
  EXPECT_EQ(convert.exit, 0) << convert.err;
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "a.jww"));
  // An unknown name, or a damaged file, writes nothing.
  for (const std::string &maps : {path("maps.json"), path("src/a.jww")}) {
    const CliResult bad = RunCli({"convert", "--dest", path("out"), "--map-name", "C", "--maps", maps,
                                  path("src/a.jww")});
    EXPECT_EQ(bad.exit, 2) << maps;
    EXPECT_FALSE(bad.err.empty());
  }
  EXPECT_EQ(RunCli({"maps", "--maps", path("src/a.jww")}).exit, 1);  // not a maps file
}

// A partner's drawing whose kinds 1 and 2 have each other's look gets them
// traded back; a drawing whose table differs from the rest is named.
TEST_F(CliMaps, SuggestFromATemplate) {
  const JwwDrawingSpec office = MakeRichDrawing(700, false);
  JwwDrawingSpec partner = office;
  std::swap(partner.EntMoj[0], partner.EntMoj[1]);
  PutJww(dir.path() / "office.jww", office);
  PutJww(dir.path() / "p1.jww", partner);
  PutJww(dir.path() / "p2.jww", partner);
  PutJww(dir.path() / "odd.jww", office);
  const CliResult r =
      RunCli({"suggest", "--template", path("office.jww"), path("p1.jww"), path("p2.jww"), path("odd.jww")});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "2,1,3,4,5,6,7,8,9,10");
  EXPECT_NE(r.out.find("→ 2: 同じ"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(path("odd.jww")), std::string::npos) << r.out;

  const CliResult json =
      RunCli({"suggest", "--json", "--template", path("office.jww"), path("p1.jww"), path("gone.jww")});
  EXPECT_EQ(json.exit, 1);  // a drawing could not be read
  EXPECT_NE(json.out.find("\"map\": [\n    2,\n    1,"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"match\": \"same\""), std::string::npos);
  EXPECT_EQ(RunCli({"suggest", "--template", path("gone.jww"), path("p1.jww")}).exit, 1);
  EXPECT_EQ(RunCli({"suggest", path("p1.jww")}).exit, 2);  // no template
}

}  // namespace
}  // namespace velkaro::testing
