// The test-side builder checked against the layout tables by arithmetic, so
// that a mistake in it cannot hide behind a reader that makes the same one.
#include <gtest/gtest.h>

#include "builders/JwwBuilder.h"

namespace velkaro::testing {
namespace {

std::size_t HeaderSize(std::int32_t v) {
  JwwBytes out;
  AppendHeader(out, MakeCanonicalDrawing(v));
  return out.size();
}

std::size_t BodySize(std::int32_t v, const JwwEntity &e) {
  JwwBytes out;
  AppendBody(out, v, false, e);
  return out.size();
}

TEST(JwwBuilderTest, HeaderGrowsByTheFieldsOfEachThreshold) {
  EXPECT_EQ(HeaderSize(222), HeaderSize(220));
  EXPECT_EQ(HeaderSize(223) - HeaderSize(222), 5u * 4 + 5u * 8);  // drawing time, eye point
  EXPECT_EQ(HeaderSize(225) - HeaderSize(224), 4u * 8);           // dimension settings
  EXPECT_EQ(HeaderSize(230) - HeaderSize(229), 2u * 4);           // solid colours
  // Eight zoom entries with layer groups and the reserved values instead of four.
  EXPECT_EQ(HeaderSize(231) - HeaderSize(230), 8u * 28 + (3 * 8 + 4 + 3 * 8 + 4) - 4u * 24);
  EXPECT_EQ(HeaderSize(300) - HeaderSize(299), 2u * 8);  // sky map
  EXPECT_EQ(HeaderSize(351), HeaderSize(350));
  EXPECT_EQ(HeaderSize(600), HeaderSize(599));
  EXPECT_EQ(HeaderSize(700), HeaderSize(699));
  EXPECT_GT(HeaderSize(420), HeaderSize(419) + 257 * 20 + 33 * 16 + 33 * 84);
}

TEST(JwwBuilderTest, HeaderOfVersion220HasTheTableSize) {
  // Steps 1-30 at version 220 with the canonical names, counted by hand.
  const JwwDrawingSpec s = MakeCanonicalDrawing(220);
  std::size_t names = 0;
  for (const auto &l : s.EntLay)
    names += 1 + SjisBytes(l.aStrLayName).size();
  for (const auto &g : s.EntLgrp)
    names += 1 + SjisBytes(g.aStrGLayName).size();
  const std::size_t memo = 1 + SjisBytes(s.hd.strMemo).size();
  const std::size_t fixed = 8 + 4 + 8 + 2368 + 56 + 20 + 4 + 4 + 24 + 8 + 40 + (8 + 8 + 4 + 8) + 4 + 48 +
                            4 * 24 + 88 + (80 + 160) + (128 + 100 + 64) + 40 + 4 + 10 * 28 +
                            (24 + 8 + 16 + 4 + 48);
  EXPECT_EQ(HeaderSize(220), fixed + memo + names);
}

TEST(JwwBuilderTest, BodiesHaveTheSizesOfTheEntityTable) {
  for (std::int32_t v : {350, 351}) {
    const std::size_t attr = v >= 351 ? 15 : 13;
    SCOPED_TRACE(v);
    EXPECT_EQ(BodySize(v, Line(0, 0, 0, 0)), attr + 32);
    EXPECT_EQ(BodySize(v, TEntJwwEnko{}), attr + 60);
    EXPECT_EQ(BodySize(v, Point(0, 0)), attr + 20);
    EXPECT_EQ(BodySize(v, Point(0, 0, Attr(100, 1))), attr + 20 + 20);
    TEntJwwMoji t = Text(u"ab");
    t.strFontName.clear();
    EXPECT_EQ(BodySize(v, t), attr + 68 + 1 + 3);
    TEntJwwSolid solid;
    EXPECT_EQ(BodySize(v, solid), attr + 64);
    solid.att.nPenColor = 10;
    EXPECT_EQ(BodySize(v, solid), attr + 64 + 4);
    EXPECT_EQ(BodySize(v, BlockRef(1)), attr + 44);
  }
  TEntJwwSunpo d = Dimension(0, 1);
  d.Moji.strFontName.clear();
  d.Moji.str.clear();
  EXPECT_EQ(BodySize(419, d), 15u + 47 + 83 + 2);
  // Te2 has pen style 100 and carries 20 more bytes.
  EXPECT_EQ(BodySize(420, d), 15u + 47 + 83 + 2 + 2 + 2 * 47 + 4 * 35 + 20);
}

TEST(JwwBuilderTest, StringFormsAreLaidOutAsTheTableSays) {
  JwwBytes b;
  b.cstring(u"", false).cstring(u"", true);
  EXPECT_EQ(b.bytes(), (ByteVec{0x00, 0xFF, 0xFE, 0xFF, 0x00}));
  JwwBytes l;
  l.cstring(std::u16string(255, u'a'), false);
  ASSERT_EQ(l.size(), 3u + 255);
  EXPECT_EQ(ByteVec(l.bytes().begin(), l.bytes().begin() + 3), (ByteVec{0xFF, 0xFF, 0x00}));
  JwwBytes u;
  u.cstring(std::u16string(255, u'a'), true);
  ASSERT_EQ(u.size(), 6u + 510);
  EXPECT_EQ(ByteVec(u.bytes().begin(), u.bytes().begin() + 6), (ByteVec{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(SjisBytes(u"図a"), (ByteVec{0x90, 0x7D, 0x61}));
  EXPECT_THROW(SjisBytes(u"\u2713"), std::invalid_argument);
}

TEST(JwwBuilderTest, CountsAndClassTagsAreLaidOutAsTheTableSays) {
  JwwBytes b;
  b.count(0xFFFE).count(0xFFFF).classRef(1).classRef(0x7FFF);
  EXPECT_EQ(b.bytes(), (ByteVec{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x80, 0xFF, 0x7F, 0xFF,
                                0x7F, 0x00, 0x80}));
  // First class 1, its object 2, second class 3 referenced as 0x8003.
  JwwBytes o;
  JwwClassMap classes(700);
  classes.classOf(o, "CDataSen");
  classes.objectDone();
  classes.classOf(o, "CDataEnko");
  classes.objectDone();
  classes.classOf(o, "CDataEnko");
  EXPECT_EQ(classes.indexOf("CDataSen"), 1u);
  EXPECT_EQ(classes.indexOf("CDataEnko"), 3u);
  const ByteVec &bytes = o.bytes();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[bytes.size() - 2], 0x03);
  EXPECT_EQ(bytes[bytes.size() - 1], 0x80);
}

TEST(JwwBuilderTest, BreakersChangeExactlyOneField) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  s.entities = {Line(0, 0, 1, 1), Line(1, 1, 2, 2)};
  const JwwFile f = BuildJww(s);
  const ByteVec big = PatchCount(f.bytes, f.at("entityCount"), 0xFFFFFFFF);
  EXPECT_EQ(big.size(), f.bytes.size() + 4);
  const ByteVec renamed = PatchClassName(f.bytes, f.at("entity.0"), "CDataXyz");
  EXPECT_EQ(renamed.size(), f.bytes.size());
  EXPECT_NE(renamed, f.bytes);
  EXPECT_EQ(PatchClassNameLength(f.bytes, f.at("entity.0"), 3000).size(), f.bytes.size() - 8 + 3000);
  EXPECT_EQ(TruncateAt(f.bytes, 10).size(), 10u);
}

}  // namespace
}  // namespace velkaro::testing
