// Every threshold version, both string encodings: the reader takes every
// field of independently built bytes exactly, and the writer gives back the
// very same bytes for a drawing that is already in its canonical form.
#include <tuple>

#include "JwwFixture.h"
#include "convert/UnitV.h"

namespace velkaro::testing {
namespace {

using VersionAndEncoding = std::tuple<std::int32_t, bool>;

class JwwVersionTest : public JwwDocFixture<::testing::TestWithParam<VersionAndEncoding>> {
 protected:
  std::int32_t version() const { return std::get<0>(GetParam()); }
  bool utf16() const { return std::get<1>(GetParam()); }
};

TEST_P(JwwVersionTest, FileCheckAcceptsTheVersion) {
  dir.write("in.jww", BuildJww(MakeCanonicalDrawing(version())).bytes);
  EXPECT_TRUE(doc.FileCheck(dir.file("in.jww")));
}

TEST_P(JwwVersionTest, FileHeaderInReadsEveryHeaderField) {
  JwwDrawingSpec plan = MakeRichDrawing(version(), utf16());
  dir.write("in.jww", BuildJww(plan).bytes);
  ASSERT_TRUE(doc.FileHeaderIn(dir.file("in.jww"))) << doc.LastError();
  DrawingView expected = ExpectedRead(plan);
  expected.hd.n1 = 0;  // set by the entity reader only
  expected.hd.n2 = 0;
  const DumpOptions headerOnly{true, true, false, false, false};
  EXPECT_TRUE(SameDump(Dump(expected, headerOnly), Dump(ViewOf(doc), headerOnly)));
}

TEST_P(JwwVersionTest, FileInReadsEveryFieldOfTheBuiltBytes) {
  const JwwDrawingSpec plan = MakeRichDrawing(version(), utf16());
  ASSERT_TRUE(read(BuildJww(plan).bytes)) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(plan)), Dump(ViewOf(doc))));
}

TEST_P(JwwVersionTest, FileOutOfACanonicalDrawingGivesBackTheBuiltBytes) {
  const JwwFile built = BuildJww(MakeRichDrawing(version(), utf16()));
  ASSERT_TRUE(read(built.bytes)) << doc.LastError();
  ASSERT_TRUE(write(version())) << doc.LastError();
  EXPECT_TRUE(SameBytes(built.bytes, written()));
}

TEST_P(JwwVersionTest, IdentityConversionGivesBackTheBuiltBytes) {
  // What the batch does with the map k -> k: nothing may change on the way.
  const JwwFile built = BuildJww(MakeRichDrawing(version(), utf16()));
  ASSERT_TRUE(read(built.bytes)) << doc.LastError();
  const TMojiShuMap identity{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  RemapJwwTextKinds(doc, identity);
  ASSERT_TRUE(write(doc.Enthd.jwVer)) << doc.LastError();
  EXPECT_TRUE(SameBytes(built.bytes, written()));
}

TEST_P(JwwVersionTest, HeaderOnlyDrawingGivesBackTheBuiltBytes) {
  // The empty lists: count 0 entities, 0 definitions (and 0 images).
  JwwDrawingSpec plan = MakeCanonicalDrawing(version());
  plan.utf16 = utf16();
  const JwwFile built = BuildJww(plan);
  ASSERT_TRUE(read(built.bytes)) << doc.LastError();
  EXPECT_EQ(doc.Enthd.n1, 0);
  EXPECT_TRUE(doc.EntNo.empty());
  ASSERT_TRUE(write(version())) << doc.LastError();
  EXPECT_TRUE(SameBytes(built.bytes, written()));
}

std::string VersionName(const ::testing::TestParamInfo<VersionAndEncoding> &info) {
  return "v" + std::to_string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_utf16" : "_legacy");
}

INSTANTIATE_TEST_SUITE_P(Thresholds, JwwVersionTest,
                         ::testing::Combine(::testing::ValuesIn(kThresholdVersions), ::testing::Bool()),
                         VersionName);

}  // namespace
}  // namespace velkaro::testing
