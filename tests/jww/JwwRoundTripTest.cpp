// Read -> write in the same version -> read again gives the same drawing, for
// generated drawings of every version that use every feature of the format.
#include <tuple>

#include "JwwFixture.h"

namespace velkaro::testing {
namespace {

using VersionAndEncoding = std::tuple<std::int32_t, bool>;

class JwwRoundTripTest : public JwwDocFixture<::testing::TestWithParam<VersionAndEncoding>> {
 protected:
  std::int32_t version() const { return std::get<0>(GetParam()); }
  bool utf16() const { return std::get<1>(GetParam()); }

  // The rich drawing plus what only the reader accepts: a definition with the
  // long time form and strings of 255 bytes and more.
  JwwDrawingSpec drawing() const {
    JwwDrawingSpec s = MakeRichDrawing(version(), utf16());
    s.blockDefs[1].dtime = 0xFFFFFFFF;
    s.blockDefs[1].longTime = {9, 9, 9, 9, 9, 9, 9, 9};
    s.EntLay[5].aStrLayName = std::u16string(255, u'L');
    s.EntLgrp[1].aStrGLayName = std::u16string(127, u'図');  // 254 legacy bytes: still the short form
    s.hd.strMemo = std::u16string(300, u'm') + u"\r\n" + u"二行目";
    return s;
  }
};

TEST_P(JwwRoundTripTest, ReadWriteReadKeepsTheDrawing) {
  const JwwDrawingSpec plan = drawing();
  ASSERT_TRUE(read(BuildJww(plan).bytes)) << doc.LastError();
  const std::string first = Dump(ViewOf(doc));
  // What was read is what was built (the long time reads as the position).
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(plan)), first));
  ASSERT_TRUE(write(version())) << doc.LastError();
  const ByteVec out = written();
  ASSERT_TRUE(read(out, "again.jww")) << doc.LastError();
  EXPECT_TRUE(SameDump(first, Dump(ViewOf(doc))));
  // A second generation is byte-identical to the first.
  ASSERT_TRUE(write(version(), "out2.jww")) << doc.LastError();
  EXPECT_TRUE(SameBytes(out, written("out2.jww")));
}

std::string Name(const ::testing::TestParamInfo<VersionAndEncoding> &info) {
  return "v" + std::to_string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_utf16" : "_legacy");
}

INSTANTIATE_TEST_SUITE_P(Thresholds, JwwRoundTripTest,
                         ::testing::Combine(::testing::ValuesIn(kThresholdVersions), ::testing::Bool()), Name);

TEST_F(JwwDocTest, ImagesComeBackWithTheirBytes) {
  for (bool utf16 : {false, true}) {
    SCOPED_TRACE(utf16);
    const JwwDrawingSpec plan = MakeRichDrawing(700, utf16);
    ASSERT_TRUE(read(BuildJww(plan).bytes)) << doc.LastError();
    ASSERT_TRUE(write(700)) << doc.LastError();
    std::filesystem::remove_all(workPath());
    std::filesystem::create_directories(workPath());
    ASSERT_TRUE(read(written(), "again.jww")) << doc.LastError();
    ASSERT_EQ(doc.BindImageN, 2);
    EXPECT_EQ(ReadFileBytes(workPath() / "a.bmp"), plan.images[0].content);
    EXPECT_EQ(ReadFileBytes(workPath() / "b.jpg.gz"), plan.images[1].content);
  }
}

// Strings at the limits of the archive's length forms survive a round trip.
TEST_F(JwwDocTest, LongestRepresentableStringsSurviveARoundTrip) {
  for (bool utf16 : {false, true}) {
    SCOPED_TRACE(utf16);
    JwwDrawingSpec s = MakeCanonicalDrawing(700);
    s.utf16 = utf16;
    s.entities = {Text(std::u16string(65535, u'a')), Text(std::u16string(65533, u'b')),
                  Text(std::u16string(255, u'c')), Text(std::u16string(254, u'd'))};
    const JwwFile built = BuildJww(s);
    ASSERT_TRUE(read(built.bytes)) << doc.LastError();
    ASSERT_EQ(doc.EntMojiN, 4);
    EXPECT_EQ(doc.EntMoji[0].str.size(), 65535u);
    EXPECT_EQ(doc.EntMoji[1].str.size(), 65533u);
    ASSERT_TRUE(write(700)) << doc.LastError();
    EXPECT_TRUE(SameBytes(built.bytes, written()));
  }
}

// Forms the reader accepts but the writer never produces read the same as the
// natural ones and are written back in the natural form.
TEST_F(JwwDocTest, UnusualButValidFormsReadLikeTheNaturalOnes) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(1, 2, 3, 4), Line(5, 6, 7, 8), Text(u"abc")};
  const JwwFile natural = BuildJww(s);

  // The same drawing with a long-form count, a big tag for the second line
  // and a long-form legacy string for the text.
  JwwBytes b;
  AppendHeader(b, s);
  b.countLong(3);
  b.newClassRecord(600, "CDataSen");
  AppendBody(b, 600, false, s.entities[0]);
  b.bigClassRef(1);
  AppendBody(b, 600, false, s.entities[1]);
  b.newClassRecord(600, "CDataMoji");
  TEntJwwMoji t = std::get<TEntJwwMoji>(s.entities[2]);
  AppendAttr(b, 600, t.att);
  b.f64(t.start_x).f64(t.start_y).f64(t.end_x).f64(t.end_y).le32(t.nMojiShu);
  b.f64(t.dSizeX).f64(t.dSizeY).f64(t.dKankaku).f64(t.degKakudo);
  b.cstring(t.strFontName, StrForm::Long).cstring(t.str, StrForm::Long);
  b.count(0);
  ASSERT_TRUE(read(b.bytes(), "unusual.jww")) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  ASSERT_TRUE(write(600)) << doc.LastError();
  EXPECT_TRUE(SameBytes(natural.bytes, written()));
}

}  // namespace
}  // namespace velkaro::testing
