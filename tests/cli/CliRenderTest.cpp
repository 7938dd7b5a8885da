// velkaro-cli render: the SVG of an example drawing, the map and width
// options, and the exit codes for figures, unreadable files and bad usage.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "builders/JwwBuilder.h"

namespace velkaro::testing {
namespace {

const std::string kPlan = std::string(VELKARO_EXAMPLES_DIR) + "/plan600.jww";

std::size_t Count(const std::string &text, const std::string &what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(CliRender, WritesTheSvgOfADrawing) {
  TempDir dir;
  const auto svg = dir.path() / "plan.svg";
  const CliResult r = RunCli({"render", kPlan, "--out", svg.string(), "--width", "640"});
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("texts"), std::string::npos);
  const std::string text = FileText(svg);
  EXPECT_NE(text.find("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\""), std::string::npos);
  EXPECT_EQ(Count(text, "class=\"legend-row\""), 10u);
  EXPECT_GT(Count(text, "<text class=\"kind"), 0u);
  // Nothing but the SVG is left in the folder (the write is atomic).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(CliRender, MapChangesTheKindsShown) {
  TempDir dir;
  const auto plain = dir.path() / "plain.svg", mapped = dir.path() / "mapped.svg";
  ASSERT_EQ(RunCli({"render", kPlan, "--out", plain.string()}).exit, 0);
  ASSERT_EQ(RunCli({"render", kPlan, "--out", mapped.string(), "--map",
                    "10,9,8,7,6,5,4,3,2,1"}).exit, 0);
  const std::string a = FileText(plain), b = FileText(mapped);
  for (int k = 1; k <= 10; ++k)
    EXPECT_EQ(Count(a, "<text class=\"kind" + std::to_string(k) + "\""),
              Count(b, "<text class=\"kind" + std::to_string(11 - k) + "\""))
        << "kind " << k;
}

// A drawing on A4 with two texts far below the sheet: the SVG is fitted to
// the sheet and the output says what was left off; --all shows everything.
TEST(CliRender, FitsTheSheetAndAllShowsWhatLiesOffIt) {
  JwwDrawingSpec plan = MakeCanonicalDrawing(700);
  plan.hd.nZumen = 4;
  plan.EntLgrp[0].adScale = 1;
  plan.entities.push_back(Line(-140, -100, 140, 100));
  plan.entities.push_back(Line(-140, 100, 140, -100));
  for (int i = 0; i < 2; ++i) {
    TEntJwwMoji distant = Text(u"far", 1);
    distant.start_y = distant.end_y = -3000;
    plan.entities.push_back(distant);
  }
  TempDir dir;
  dir.write("a4.jww", BuildJww(plan).bytes);
  const auto sheet = dir.path() / "sheet.svg", all = dir.path() / "all.svg";
  const CliResult r = RunCli({"render", (dir.path() / "a4.jww").string(), "--out", sheet.string()});
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(r.out.find("  2 off the sheet (--all shows them)\n"), std::string::npos) << r.out;
  const CliResult r2 = RunCli({"render", (dir.path() / "a4.jww").string(), "--out", all.string(), "--all"});
  ASSERT_EQ(r2.exit, 0) << r2.err;
  EXPECT_NE(r2.out.find("  2 off the sheet\n"), std::string::npos) << r2.out;
  const auto height = [](const std::string &svg) {
    return std::stod(svg.substr(svg.find("height=\"") + 8));
  };
  // 297 × 210 fill the width; the far texts make the whole three metres high.
  EXPECT_LT(height(FileText(sheet)), 1200);
  EXPECT_GT(height(FileText(all)), 3000);
}

struct ExitCase {
  const char *name;
  std::vector<std::string> args;  // FILE and options; --out is added
  int exit;
};

TEST(CliRender, ExitCodes) {
  TempDir dir;
  dir.write("junk.jww", {1, 2, 3});
  const std::string examples = VELKARO_EXAMPLES_DIR;
  const ExitCase cases[] = {
      {"figure", {examples + "/door.jws"}, 1},
      {"unreadable", {(dir.path() / "junk.jww").string()}, 1},
      {"missing", {(dir.path() / "none.jww").string()}, 1},
      {"short map", {kPlan, "--map", "1,2,3"}, 2},
      {"narrow", {kPlan, "--width", "10"}, 2},
      {"no number", {kPlan, "--width", "wide"}, 2},
  };
  for (const ExitCase &c : cases) {
    std::vector<std::string> args{"render"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--out", (dir.path() / "out.svg").string()});
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exit, c.exit) << c.name << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.svg")) << c.name;
  }
  // An output folder that does not exist: nothing written, exit 1.
  const CliResult r = RunCli({"render", kPlan, "--out", (dir.path() / "no/out.svg").string()});
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find("could not be written"), std::string::npos);
}

// Regression: `render b.jww --out b.jww` replaced the drawing with its SVG.
TEST(CliRender, RefusesToWriteOverTheDrawingUnderAnyName) {
  TempDir dir;
  const std::vector<std::uint8_t> drawing = ReadFileBytes(kPlan);
  dir.write("plan.jww", drawing);
  const std::string plan = (dir.path() / "plan.jww").string();
  std::vector<std::string> spellings{plan, (dir.path() / "." / "plan.jww").string()};
  std::error_code ec;
  std::filesystem::create_hard_link(dir.path() / "plan.jww", dir.path() / "hard.jww", ec);
  if (!ec)
    spellings.push_back((dir.path() / "hard.jww").string());
#ifndef _WIN32
  std::filesystem::create_symlink(dir.path() / "plan.jww", dir.path() / "link.svg");
  spellings.push_back((dir.path() / "link.svg").string());
#endif
  for (const std::string &out : spellings) {
    for (const bool force : {false, true}) {
      std::vector<std::string> args{"render", plan, "--out", out};
      if (force)
        args.push_back("--force");
      const CliResult r = RunCli(args);
      EXPECT_EQ(r.exit, 2) << out;
      EXPECT_NE(r.err.find("is the drawing itself"), std::string::npos) << out << ": " << r.err;
      EXPECT_EQ(ReadFileBytes(dir.path() / "plan.jww"), drawing) << out;
    }
  }
  // Nothing but the drawing and its names is in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            static_cast<std::ptrdiff_t>(spellings.size() - 1));
}

// Only an SVG this program wrote is replaced without --force.
TEST(CliRender, ReplacesOnlyItsOwnSvgUnlessForced) {
  TempDir dir;
  const std::vector<std::uint8_t> handMade{'<', 's', 'v', 'g', '/', '>', '\n'};
  dir.write("notes.svg", handMade);
  const std::string notes = (dir.path() / "notes.svg").string();
  CliResult r = RunCli({"render", kPlan, "--out", notes});
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("not an SVG written by velkaro-cli"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir.path() / "notes.svg"), handMade);

  r = RunCli({"render", kPlan, "--out", notes, "--force"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(FileText(dir.path() / "notes.svg").find("</svg>"), std::string::npos);
  // Now it is one of ours: a second render replaces it as it is.
  r = RunCli({"render", kPlan, "--out", notes, "--width", "300"});
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_NE(FileText(dir.path() / "notes.svg").find("width=\"300\""), std::string::npos);

  // A folder is never replaced, not even with --force.
  std::filesystem::create_directory(dir.path() / "folder.svg");
  r = RunCli({"render", kPlan, "--out", (dir.path() / "folder.svg").string(), "--force"});
  EXPECT_EQ(r.exit, 2);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder.svg"));
}

}  // namespace
}  // namespace velkaro::testing
