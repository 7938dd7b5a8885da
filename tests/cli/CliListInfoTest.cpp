// velkaro-cli list and info: the header line and rows, the sort, status on
// stderr, exit codes, and the facts of a drawing as text and JSON.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "builders/JwwBuilder.h"
#include "convert/ConversionBatchFixtures.h"
#include "tests/cli/CliRun.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "ファイル名\t種類\t図面メモ\t更新日時\tサイズ\tVer.";

class CliList : public ::testing::Test {
 protected:
  void SetUp() override {
    JwwDrawingSpec plan = MakeCanonicalDrawing(700);
    plan.hd.strMemo = u"A B\r\nC";
    WriteFileBytes(dir.path() / "a.jww", BuildJww(plan).bytes);
    WriteFileBytes(dir.path() / "b.JWC", jwcfix::BuildJwc(jwcfix::JwcDrawing{}));
    WriteFileBytes(dir.path() / "c.txt", std::vector<std::uint8_t>(5000, 'x'));
    fs::create_directory(dir.path() / "sub");
  }
  // The first column of every row after the header.
  static std::vector<std::string> Names(const std::string &out) {
    std::vector<std::string> names;
    const auto lines = LinesOf(out);
    for (std::size_t i = 1; i < lines.size(); ++i)
      names.push_back(lines[i].substr(0, lines[i].find('\t')));
    return names;
  }
  TempDir dir;
};

TEST_F(CliList, PrintsTheHeaderAndOneRowPerFile) {
  const CliResult r = RunCli({"list", dir.path().string()});
  EXPECT_EQ(r.exit, 0);
  const auto lines = LinesOf(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], kHeader);
  bool sawA = false;
  for (const auto &line : lines) {
    if (line.rfind("a.jww\t", 0) != 0)
      continue;
    sawA = true;
    const std::string size = std::to_string(fs::file_size(dir.path() / "a.jww"));
    EXPECT_NE(line.find("\t.jww\tABC\t"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - size.size() - 5), "\t" + size + "\t700");
  }
  EXPECT_TRUE(sawA);
  EXPECT_EQ(r.err, "ファイル検索しました（ファイル数：3）\n");
}

TEST_F(CliList, SortsLikeTheWindow) {
  const CliResult byName = RunCli({"list", "--sort", "0", dir.path().string()});
  EXPECT_EQ(Names(byName.out), (std::vector<std::string>{"a.jww", "b.JWC", "c.txt"}));
  const CliResult byNameDown = RunCli({"list", "--sort", "0", "--descending", dir.path().string()});
  EXPECT_EQ(Names(byNameDown.out), (std::vector<std::string>{"c.txt", "b.JWC", "a.jww"}));
  // Sizes compare by value: descending, then ascending.
  for (const bool descending : {true, false}) {
    std::vector<std::string> args{"list", "--sort", "4"};
    if (descending)
      args.push_back("--descending");
    args.push_back(dir.path().string());
    const auto names = Names(RunCli(args).out);
    ASSERT_EQ(names.size(), 3u);
    for (std::size_t i = 1; i < names.size(); ++i) {
      const auto before = fs::file_size(dir.path() / names[i - 1]);
      const auto after = fs::file_size(dir.path() / names[i]);
      EXPECT_TRUE(descending ? before >= after : before <= after) << names[i - 1] << " " << names[i];
    }
  }
}

TEST_F(CliList, TheTypeFilters) {
  const CliResult r = RunCli({"list", "--type", "2", dir.path().string()});
  EXPECT_EQ(Names(r.out), (std::vector<std::string>{"a.jww"}));
  EXPECT_EQ(r.err, "ファイル検索しました（ファイル数：1）\n");
}

TEST_F(CliList, ANonFolderExitsTwo) {
  for (const std::string &folder : {(dir.path() / "gone").string(), (dir.path() / "c.txt").string()}) {
    const CliResult r = RunCli({"list", folder});
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ファイル検索中です"), std::string::npos);
  }
  EXPECT_EQ(RunCli({"list", "--type", "7", dir.path().string()}).exit, 2);
  EXPECT_EQ(RunCli({"list", "--descending", dir.path().string()}).exit, 2);
}

TEST(CliInfo, TellsTheTextKindsInUse) {
  TempDir dir;
  WriteFileBytes(dir.path() / "rich.jww", BuildJww(MakeRichDrawing(700, false)).bytes);
  const CliResult r = RunCli({"info", "--json", (dir.path() / "rich.jww").string()});
  ASSERT_EQ(r.exit, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.size(), 1u);
  const auto &d = j[0];
  EXPECT_EQ(d["format"], "JWW");
  EXPECT_EQ(d["version"], 700);
  EXPECT_EQ(d["utf16"], false);
  EXPECT_EQ(d["blockDefinitions"]["total"], 3);
  EXPECT_EQ(d["blockDefinitions"]["referenced"], 3);
  ASSERT_EQ(d["images"].size(), 2u);
  EXPECT_EQ(d["images"][0]["name"], "a.bmp");
  EXPECT_EQ(d["images"][0]["size"], 5000);
  ASSERT_EQ(d["textKinds"].size(), 10u);
  // Top level: Hello (1), 20003 (3), 300 x's (10), the image text (5);
  // dimensions: two of kind 3; block definitions: 2, 3 (image), 7, and the
  // dimension text of the first definition (3).
  const auto &use = d["textKindUse"];
  EXPECT_EQ(use[1]["texts"], 1);
  EXPECT_EQ(use[3]["texts"], 1);
  EXPECT_EQ(use[10]["texts"], 1);
  EXPECT_EQ(use[3]["dimensions"], 2);
  EXPECT_EQ(use[2]["blocks"], 1);
  EXPECT_EQ(use[7]["blocks"], 1);
  EXPECT_EQ(d["entities"]["texts"], 4);

  const CliResult text = RunCli({"info", (dir.path() / "rich.jww").string()});
  EXPECT_EQ(text.exit, 0);
  EXPECT_NE(text.out.find("format: JWW, version 700"), std::string::npos);
  EXPECT_NE(text.out.find("block definitions: 3 (referenced 3)"), std::string::npos);
  EXPECT_NE(text.out.find("a.bmp (5000 bytes)"), std::string::npos);
}

TEST(CliInfo, FiguresAndJwcDrawings) {
  TempDir dir;
  jwcfix::JwcDrawing jwc;
  jwc.texts = {{0, 0, 1, 0, 2, 0, "a"}, {0, 0, 1, 0, 2, 0, "b"}, {0, 0, 1, 0, 12, 0, "c"}};
  WriteFileBytes(dir.path() / "c.jwc", jwcfix::BuildJwc(jwc));
  WriteFileBytes(dir.path() / "f.jws", jwcfix::BuildJwsHeader(420));
  WriteFileBytes(dir.path() / "f.jwk", jwcfix::BuildJwkHeader("FIG", "DOOR"));
  const CliResult r = RunCli({"info", "--json", (dir.path() / "c.jwc").string(),
                              (dir.path() / "f.jws").string(), (dir.path() / "f.jwk").string()});
  ASSERT_EQ(r.exit, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.size(), 3u);
  EXPECT_EQ(j[0]["format"], "JWC");
  EXPECT_EQ(j[0]["version"], "DOS");
  EXPECT_EQ(j[0]["textKindUse"][2]["texts"], 2);
  EXPECT_EQ(j[0]["otherKindUse"]["texts"], 1);
  EXPECT_EQ(j[0]["memo"][0], "TEST");
  EXPECT_EQ(j[1]["format"], "JWS");
  EXPECT_EQ(j[1]["version"], 420);
  EXPECT_EQ(j[2]["format"], "JWK");
  EXPECT_EQ(j[2]["memo"][1], "DOOR");
  EXPECT_EQ(j[2]["entities"]["lines"], 3);
}

TEST(CliInfo, AFileThatIsNoDrawingExitsOne) {
  TempDir dir;
  WriteFileBytes(dir.path() / "x.jww", {'x'});
  WriteFileBytes(dir.path() / "ok.jws", jwcfix::BuildJwsHeader(600));
  const CliResult r = RunCli({"info", (dir.path() / "x.jww").string(), (dir.path() / "ok.jws").string(),
                              (dir.path() / "gone.jww").string()});
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.out.find("format: JWS, version 600"), std::string::npos);
  EXPECT_EQ(LinesOf(r.err).size(), 2u);
}

// The bundled examples: every one reads, and `info` shows what each is for.
TEST(CliInfo, TheExamples) {
  const fs::path examples = VELKARO_EXAMPLES_DIR;
  if (!fs::exists(examples / "plan700-image.jww"))
    GTEST_SKIP() << "examples/drawings has not been generated";
  std::vector<std::string> args{"info", "--json"};
  for (const char *name : {"plan230.jww", "plan420.jww", "plan600.jww", "plan600-utf16.jww",
                           "plan700-image.jww", "office.jwc", "door.jws", "door.jwk"})
    args.push_back((examples / name).string());
  const CliResult r = RunCli(args);
  ASSERT_EQ(r.exit, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.size(), 8u);
  EXPECT_EQ(j[0]["version"], 230);
  EXPECT_EQ(j[1]["version"], 420);
  EXPECT_EQ(j[2]["version"], 600);
  EXPECT_EQ(j[3]["utf16"], true);
  EXPECT_EQ(j[4]["images"].size(), 1u);
  EXPECT_EQ(j[4]["images"][0]["name"], "sample.bmp");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(j[i]["blockDefinitions"]["referenced"], 1) << i;
    EXPECT_EQ(j[i]["entities"]["dimensions"], 2) << i;
    EXPECT_GT(j[i]["textKindUse"][3]["texts"], 0) << i;
    EXPECT_GT(j[i]["textKindUse"][1]["blocks"], 0) << i;
  }
  EXPECT_EQ(j[5]["format"], "JWC");
  EXPECT_EQ(j[6]["format"], "JWS");
  EXPECT_EQ(j[7]["format"], "JWK");
}

}  // namespace
}  // namespace velkaro::testing
