// The file corpus: every file of tests/corpus/jww/pass must read (and survive
// a write and a second read), every file of tests/corpus/jww/fail must be
// refused; each prints its name first, so a crash or hang names its file.
// Crashes found by the fuzzers land here, named after what they broke.
//
// The builder-made files of the corpus and the fuzzers' seed corpus
// (fuzz/corpus/jww) are checked against the builder; set
// VELKARO_UPDATE_JWW_CORPUS=1 to rewrite them after a deliberate change.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>

#include "JwwFixture.h"
#include "bench/JwwLargeDrawing.h"
#include "convert/UnitV.h"
#include "support/FileIO.h"

namespace velkaro::testing {
namespace {

const std::filesystem::path &SourceRoot() {
  static const std::filesystem::path root =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  return root;
}

struct CorpusFile {
  std::filesystem::path path;
  bool mustRead;
};

void PrintTo(const CorpusFile &c, std::ostream *os) { *os << c.path.filename().string(); }

std::vector<CorpusFile> ListCorpus() {
  std::vector<CorpusFile> files;
  for (const char *kind : {"pass", "fail"}) {
    const auto folder = SourceRoot() / "tests" / "corpus" / "jww" / kind;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(folder, ec))
      if (e.is_regular_file())
        files.push_back({e.path(), std::string(kind) == "pass"});
  }
  std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.path < b.path; });
  return files;
}

class JwwCorpusTest : public JwwDocFixture<::testing::TestWithParam<CorpusFile>> {};

TEST_P(JwwCorpusTest, ReadsAsItsFolderSays) {
  const CorpusFile &c = GetParam();
  std::cout << "corpus file: " << c.path.filename().string() << std::endl;
  const ByteVec bytes = ReadFileBytes(c.path);
  const bool ok = read(bytes);
  EXPECT_EQ(ok, c.mustRead) << doc.LastError();
  const DrawingView v = ViewOf(doc);
  if (ok) {
    EXPECT_TRUE(v.countMismatches.empty()) << v.countMismatches.front();
    ASSERT_TRUE(write(doc.Enthd.jwVer)) << doc.LastError();
    const std::string first = Dump(ViewOf(doc));
    ASSERT_TRUE(read(written(), "again.jww")) << doc.LastError();
    ASSERT_TRUE(write(doc.Enthd.jwVer, "out2.jww")) << doc.LastError();
    EXPECT_TRUE(SameBytes(written(), written("out2.jww")));
  }
  doc.BindImageDeleteGzFile();
  doc.BindImageDeleteNonGzFile();
}

INSTANTIATE_TEST_SUITE_P(Files, JwwCorpusTest, ::testing::ValuesIn(ListCorpus()), [](const auto &info) {
  std::string name = (info.param.mustRead ? "pass_" : "fail_") + info.param.path.stem().string();
  for (char &ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch)))
      ch = '_';
  return name;
});
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(JwwCorpusTest);

// ---- builder-made files --------------------------------------------------------

struct MadeFile {
  std::string path;  // relative to the source root
  std::function<ByteVec()> make;
};

JwwDrawingSpec SmallDrawing(std::int32_t v, bool utf16) {
  JwwDrawingSpec s = MakeCanonicalDrawing(v);
  s.utf16 = utf16;
  TEntJwwTen special = Point(1, 2, Attr(100, 1));
  special.nCode = 3;
  TEntJwwSolid rgb;
  rgb.att = Attr(1, 10);
  rgb.Color = 0x0000FF;
  TEntJwwEnko arc;
  arc.att = Attr(1, 2);
  arc.dHankei = 4;
  s.entities = {Line(0, 0, 10, 10), arc, special, Text(u"日本語"), Dimension(1, v >= 420 ? 1 : 0), rgb,
                BlockRef(0, 5, 5)};
  JwwBlockDefSpec outer;
  outer.strName = u"outer";
  outer.members = {Text(u"in block"), Dimension(2, 0), BlockRef(1)};
  JwwBlockDefSpec inner;
  inner.nNumber = 1;
  inner.dtime = 0xFFFFFFFF;
  inner.strName = u"inner";
  inner.members = {Line(1, 1, 2, 2)};
  s.blockDefs = {outer, inner};
  if (v >= 700) {
    s.entities.push_back(Text(u"^@BM%temp%p.bmp,1,1"));
    s.images = {{u"p.bmp", ImageBytes(64, 1), {}}, {u"q.png.gz", ImageBytes(32, 2), {}}};
  }
  return s;
}

ByteVec Small(std::int32_t v, bool utf16 = false) { return BuildJww(SmallDrawing(v, utf16)).bytes; }

std::vector<MadeFile> MadeFiles() {
  std::vector<MadeFile> files;
  for (std::int32_t v : {220, 230, 300, 351, 420, 600, 700}) {
    const std::string n = std::to_string(v);
    files.push_back({"fuzz/corpus/jww/small-v" + n + ".jww", [v] { return Small(v); }});
  }
  files.push_back({"fuzz/corpus/jww/small-v700-utf16.jww", [] { return Small(700, true); }});
  files.push_back({"fuzz/corpus/jww/header-only-v220.jww", [] {
                     JwwDrawingSpec s = MakeCanonicalDrawing(220);
                     return BuildJww(s).bytes;
                   }});
  files.push_back({"tests/corpus/jww/pass/all-kinds-v230.jww", [] { return Small(230); }});
  files.push_back({"tests/corpus/jww/pass/all-kinds-v700-utf16.jww", [] { return Small(700, true); }});
  files.push_back({"tests/corpus/jww/pass/ends-after-last-definition-v700.jww", [] {
                     JwwDrawingSpec s = SmallDrawing(700, false);
                     s.endAfterBlockDefs = true;
                     return BuildJww(s).bytes;
                   }});
  files.push_back({"tests/corpus/jww/fail/unknown-class-name.jww", [] {
                     const JwwFile f = BuildJww(SmallDrawing(600, false));
                     return PatchClassName(f.bytes, f.at("entity.1"), "CDataFoo");
                   }});
  files.push_back({"tests/corpus/jww/fail/class-name-over-2048-bytes.jww", [] {
                     const JwwFile f = BuildJww(SmallDrawing(600, false));
                     return PatchClassNameLength(f.bytes, f.at("blockDef.0"), 2049);
                   }});
  files.push_back({"tests/corpus/jww/fail/entity-list-cut-short.jww", [] {
                     const JwwFile f = BuildJww(SmallDrawing(420, false));
                     return TruncateAt(f.bytes, f.at("entity.4") + 30);
                   }});
  files.push_back({"tests/corpus/jww/fail/entity-count-0xFFFFFFFF.jww", [] {
                     const JwwFile f = BuildJww(SmallDrawing(300, false));
                     return PatchCount(f.bytes, f.at("entityCount"), 0xFFFFFFFF);
                   }});
  files.push_back({"tests/corpus/jww/fail/version-701.jww", [] {
                     JwwDrawingSpec s = SmallDrawing(700, false);
                     s.version = 701;
                     return BuildJww(s).bytes;
                   }});
  files.push_back({"tests/corpus/jww/fail/lower-case-signature.jww", [] {
                     JwwDrawingSpec s = SmallDrawing(600, false);
                     s.signature = "jwwdata.";
                     return BuildJww(s).bytes;
                   }});
  return files;
}

TEST(JwwMadeCorpusTest, FilesMatchTheBuilder) {
  const bool update = std::getenv("VELKARO_UPDATE_JWW_CORPUS") != nullptr;
  for (const MadeFile &m : MadeFiles()) {
    SCOPED_TRACE(m.path);
    const std::filesystem::path p = SourceRoot() / m.path;
    const ByteVec bytes = m.make();
    if (update) {
      std::filesystem::create_directories(p.parent_path());
      WriteFileBytes(p, bytes);
    }
    ASSERT_TRUE(std::filesystem::exists(p)) << "run with VELKARO_UPDATE_JWW_CORPUS=1 to create it";
    EXPECT_TRUE(SameBytes(bytes, ReadFileBytes(p)));
  }
}

// The conversion reads a drawing's own list twice and never holds it; that
// must give the bytes of reading it whole, remapping and writing it, and the
// same verdict on every file, good or bad.
using JwwRewriteTest = JwwDocTest;

// A list whose texts only a decoding reader can tell apart: bytes 0x5E that
// are no caret (the second byte of タ and 運), carets, an image reference,
// and a text stored as UTF-16 while the header holds none.
ByteVec TextsTheFirstReadingMustLookInto() {
  const std::vector<std::pair<JwwEntity, bool>> list{
      {Text(u"タ運", 1), false},         {Text(u"a^b^m", 2), false},
      {Text(u"^@BMplan.bmp,1,1", 3), false}, {Line(0, 0, 1, 1), false},
      {Text(u"図面", 4), true},          {Text(u"after", 5), false}};
  JwwBytes out;
  AppendHeader(out, MakeCanonicalDrawing(700));
  JwwClassMap classes(700);
  out.count(static_cast<std::uint32_t>(list.size()));
  for (const auto &[e, utf16] : list) {
    classes.classOf(out, ClassNameOf(KindOf(e)));
    AppendBody(out, 700, utf16, e);
    classes.objectDone();
  }
  out.count(0);  // no block definitions
  out.i32(0);    // no images
  return out.take();
}

TEST_F(JwwRewriteTest, GivesTheBytesOfReadingTheDrawingWhole) {
  const TMojiShuMap map{3, 1, 2, 10, 9, 8, 7, 6, 5, 4};
  std::vector<MadeFile> files = MadeFiles();
  FileBytes buffer;  // one for all, as a batch keeps it
  files.push_back({"mixed list of 3,000 entities", [] { return BuildLargeDrawing(3000); }});
  files.push_back({"texts to look into", TextsTheFirstReadingMustLookInto});
  for (const MadeFile &m : files) {
    SCOPED_TRACE(m.path);
    dir.write("in.jww", m.make());
    const bool whole = doc.FileIn(dir.file("in.jww"));
    if (whole) {
      RemapJwwTextKinds(doc, map);
      ASSERT_TRUE(write(doc.Enthd.jwVer, "whole.jww")) << doc.LastError();
    }
    ASSERT_EQ(doc.FileInForRewrite(dir.file("in.jww"), buffer), whole) << doc.LastError();
    if (!whole)
      continue;
    RemapJwwTextKinds(doc, map);
    doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
    AtomicFileWriter out(dir.file("rewritten.jww"));
    ASSERT_TRUE(doc.RewriteOut(out, [&](TEntJwwMoji &t) { RemapMojiShu(map, t.nMojiShu); }))
        << doc.LastError();
    ASSERT_TRUE(out.commit());
    EXPECT_TRUE(SameBytes(written("whole.jww"), written("rewritten.jww")));
    EXPECT_TRUE(doc.EntNo.empty() && doc.EntMoji.empty() && doc.EntBlockTree.empty());
  }
}

// Regression: a small drawing padded to gigabytes was read whole (2 GB of
// memory) and written without a word about the padding. The format ignores
// the bytes after its last section: the drawing reads and converts as the
// unpadded one does, the bytes are counted, and a padding far beyond the
// records is never held.
TEST_F(JwwRewriteTest, BytesAfterTheLastSectionAreCountedAndNeverHeld) {
  const TMojiShuMap map{2, 1, 3, 4, 5, 6, 7, 8, 9, 10};
  struct Padding {
    const char *name;
    std::uint64_t bytes;
    bool sparse;  // zeros the file system need not store
  };
  const Padding paddings[] = {
      {"none", 0, false},
      {"a few bytes of garbage", 37, false},
      {"zeros far beyond the first part read", 2 * kRecordsFirstPartBytes, true},
  };
  std::optional<ByteVec> unpadded;
  for (const Padding &p : paddings) {
    SCOPED_TRACE(p.name);
    const ByteVec drawing = BuildJww(MakeRichDrawing(700, false)).bytes;
    ByteVec bytes = drawing;
    if (!p.sparse)
      bytes.insert(bytes.end(), p.bytes, 0xA5);
    dir.write("in.jww", bytes);
    if (p.sparse)
      std::filesystem::resize_file(dir.path() / "in.jww", drawing.size() + p.bytes);

    ASSERT_TRUE(doc.FileIn(dir.file("in.jww"))) << doc.LastError();
    EXPECT_EQ(doc.TrailingBytes(), p.bytes);
    FileBytes buffer;
    ASSERT_TRUE(doc.FileInForRewrite(dir.file("in.jww"), buffer)) << doc.LastError();
    EXPECT_EQ(doc.TrailingBytes(), p.bytes);
    EXPECT_LE(buffer.size(), std::max<std::size_t>(kRecordsFirstPartBytes, bytes.size()));
    RemapJwwTextKinds(doc, map);
    doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
    AtomicFileWriter out(dir.file("rewritten.jww"));
    ASSERT_TRUE(doc.RewriteOut(out, [&](TEntJwwMoji &t) { RemapMojiShu(map, t.nMojiShu); }))
        << doc.LastError();
    ASSERT_TRUE(out.commit());
    if (!unpadded)
      unpadded = written("rewritten.jww");
    else
      EXPECT_TRUE(SameBytes(*unpadded, written("rewritten.jww")));
  }
}

}  // namespace
}  // namespace velkaro::testing
