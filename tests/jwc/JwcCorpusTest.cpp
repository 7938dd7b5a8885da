// The corpus of JWC, JWK and JWS files in tests/corpus/jwc/{pass,fail}/: every
// file is read by the reader of its kind, which must succeed for pass/ and fail
// for fail/, and by every other reader, which must simply not crash. Files the
// fuzzers found land here, named after what they broke.
//
// The disabled test WriteSeeds regenerates the builder-made files:
//   VELKARO_JWC_CORPUS_OUT=dir test_jwc --gtest_also_run_disabled_tests
//     --gtest_filter='JwcCorpusSeeds.*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

fs::path CorpusRoot() { return fs::path(__FILE__).parent_path().parent_path() / "corpus" / "jwc"; }

struct CorpusFile {
  fs::path path;
  bool pass = false;
};

std::vector<CorpusFile> ListCorpus() {
  std::vector<CorpusFile> files;
  for (const char *folder : {"pass", "fail"}) {
    const fs::path dir = CorpusRoot() / folder;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec)) {
      if (e.is_regular_file()) files.push_back({e.path(), std::string(folder) == "pass"});
    }
  }
  std::sort(files.begin(), files.end(),
            [](const CorpusFile &a, const CorpusFile &b) { return a.path < b.path; });
  return files;
}

ByteVec ReadBytes(const fs::path &path) { return ReadFileBytes(path); }

std::string Extension(const fs::path &path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

class JwcCorpusTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(JwcCorpusTest, ReadsAsExpected) {
  const CorpusFile &file = GetParam();
  // Printed first, so that a hang or a crash names its file.
  std::cout << "corpus file: " << file.path.parent_path().filename().string() << "/"
            << file.path.filename().string() << std::endl;
  const ByteVec bytes = ReadBytes(file.path);

  TJwcData jwc;
  TJwkData jwk;
  TJwsData jws;
  const std::string ext = Extension(file.path);
  bool ok = false;
  if (ext == ".jwc") {
    ok = jwc.FileInFromBytes(bytes);
    if (ok) {
      // A drawing that reads either writes and reads back, or is refused cleanly.
      ByteVec out;
      if (jwc.FileOutToBytes(out)) {
        TJwcData again;
        EXPECT_TRUE(again.FileInFromBytes(out)) << again.LastError();
        EXPECT_EQ(again.mojiN, jwc.mojiN);
        EXPECT_EQ(again.lineN, jwc.lineN);
      } else {
        EXPECT_TRUE(out.empty());
      }
    }
  } else if (ext == ".jwk") {
    ok = jwk.FileHeaderInFromBytes(bytes);
  } else if (ext == ".jws") {
    ok = jws.FileHeaderInFromBytes(bytes);
  } else {
    FAIL() << "unknown kind of corpus file " << file.path;
  }
  EXPECT_EQ(ok, file.pass) << jwc.LastError() << jwk.LastError() << jws.LastError();

  // Every other reader copes with the file too.
  TJwcData other;
  other.FileCheckFromBytes(bytes);
  other.FileHeaderInFromBytes(bytes);
  other.FileInFromBytes(bytes);
  TJwkData otherJwk;
  otherJwk.FileCheckFromBytes(bytes);
  otherJwk.FileHeaderInFromBytes(bytes);
  TJwsData otherJws;
  otherJws.FileCheckFromBytes(bytes);
  otherJws.FileHeaderInFromBytes(bytes);
}

INSTANTIATE_TEST_SUITE_P(Corpus, JwcCorpusTest, ::testing::ValuesIn(ListCorpus()),
                         [](const auto &info) {
                           std::string name = (info.param.pass ? "pass_" : "fail_") +
                                              info.param.path.filename().string();
                           for (char &c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// A corpus that went missing would make the walker pass vacuously.
TEST(JwcCorpus, HasFilesOfEveryKindInBothFolders) {
  const auto files = ListCorpus();
  for (bool pass : {true, false}) {
    for (const char *ext : {".jwc", ".jwk", ".jws"}) {
      EXPECT_TRUE(std::any_of(files.begin(), files.end(),
                              [&](const CorpusFile &f) {
                                return f.pass == pass && Extension(f.path) == ext;
                              }))
          << (pass ? "pass/" : "fail/") << " has no " << ext << " file";
    }
  }
}

// ---- The builder-made part of the corpus ---------------------------------------

struct Seed {
  std::string name;
  ByteVec bytes;
};

ByteVec Cut(ByteVec bytes, std::size_t n) {
  bytes.resize(n);
  return bytes;
}

std::vector<Seed> PassSeeds() {
  std::vector<Seed> seeds;
  seeds.push_back({"empty-drawing.jwc", JwcBuilder().build()});
  seeds.push_back({"rich-drawing.jwc", JwcRichDrawing().build()});
  JwcBuilder integer = JwcRichDrawing();
  integer.jwID = "jw_cad(c)data.......V2F";
  integer.floatScales = false;
  seeds.push_back({"integer-scales.jwc", integer.build()});
  JwcBuilder a3 = JwcRichDrawing();
  a3.block2[30] = "518";
  seeds.push_back({"a3-on-518-units.jwc", a3.build()});
  JwcBuilder outside;
  outside.addText(JwcTextRec{}, "in");
  JwcTextRec far;
  far.offset = 0xFFFF;
  outside.addTextRecord(far);
  seeds.push_back({"text-address-outside-string-area.jwc", outside.build()});
  const ByteVec rich = JwcRichDrawing().build();
  seeds.push_back({"last-group-name-cut-short.jwc", Cut(rich, rich.size() - 15)});
  JwkBuilder jwk;
  jwk.comment1 = "figure";
  jwk.values = {"1", "2", "3", "4", "0.5", "0.5", "1", "0", "0"};
  seeds.push_back({"figure.jwk", jwk.build()});
  JwsBuilder jws;
  jws.groupScale.fill(100);
  seeds.push_back({"figure.jws", jws.build()});
  seeds.push_back({"my2-cut-short.jws", Cut(jws.build(), 445)});
  return seeds;
}

std::vector<Seed> FailSeeds() {
  std::vector<Seed> seeds;
  const ByteVec rich = JwcRichDrawing().build();
  seeds.push_back({"empty-file.jwc", {}});
  seeds.push_back({"header-without-block-4.jwc", Cut(rich, 600)});
  seeds.push_back({"ends-inside-the-lines.jwc", Cut(rich, JwcRichDrawing().linesOffset() + 30)});
  seeds.push_back({"ends-before-the-last-group-name.jwc", Cut(rich, rich.size() - 16)});
  JwcBuilder huge = JwcRichDrawing();
  huge.block2[0] = "2147483647";
  seeds.push_back({"huge-line-count.jwc", huge.build()});
  JwcBuilder negative = JwcRichDrawing();
  negative.block2[2] = "-1";
  seeds.push_back({"negative-text-count.jwc", negative.build()});
  JwcBuilder area = JwcRichDrawing();
  area.block4[1] = "FFFF:FFFF";
  seeds.push_back({"huge-string-area.jwc", area.build()});
  JwkBuilder jwk;
  seeds.push_back({"block-2-missing.jwk", Cut(jwk.build(), 200)});
  JwsBuilder jws;
  jws.jwVer = 229;
  seeds.push_back({"version-229.jws", jws.build()});
  jws.jwVer = 600;
  seeds.push_back({"ends-before-my2.jws", Cut(jws.build(), 444)});
  return seeds;
}

TEST(JwcCorpusSeeds, DISABLED_WriteSeeds) {
  const char *out = std::getenv("VELKARO_JWC_CORPUS_OUT");
  ASSERT_NE(out, nullptr) << "set VELKARO_JWC_CORPUS_OUT to the folder to write";
  for (const auto &[folder, seeds] : {std::pair{"pass", PassSeeds()}, std::pair{"fail", FailSeeds()}}) {
    fs::create_directories(fs::path(out) / folder);
    for (const auto &seed : seeds) WriteFileBytes(fs::path(out) / folder / seed.name, seed.bytes);
  }
}

// The committed corpus still holds what the builder makes today.
TEST(JwcCorpusSeeds, CommittedSeedsMatchTheBuilder) {
  for (const auto &[folder, seeds] : {std::pair{"pass", PassSeeds()}, std::pair{"fail", FailSeeds()}}) {
    for (const auto &seed : seeds) {
      const fs::path path = CorpusRoot() / folder / seed.name;
      ASSERT_TRUE(fs::exists(path)) << path;
      EXPECT_EQ(ReadBytes(path), seed.bytes) << path;
    }
  }
}

}  // namespace
}  // namespace velkaro::testing
