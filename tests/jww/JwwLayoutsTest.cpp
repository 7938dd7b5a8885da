// The one description of the JWW entity bodies, measured against the
// format's table of sizes on both sides of each version threshold, so a
// threshold or a conditional extra that slips shows here by name.
#include <gtest/gtest.h>

#include "jww/JwwInternal.h"

namespace velkaro::jww {
namespace {

template <class E>
std::size_t BodySize(std::int32_t ver, const E &e) {
  BodySizer sizer{ver};
  Body(sizer, e);
  return sizer.bytes;  // strings empty: one byte each
}

struct SizeRow {
  std::int32_t ver;
  std::size_t line, enko, ten, moji, solid, block, blockDef;
};

TEST(JwwLayoutsTest, FixedPartsHaveTheFormatsSizes) {
  // The pen width arrives with 351.
  for (const SizeRow &row : {SizeRow{220, 45, 73, 33, 81, 77, 57, 25},
                             SizeRow{350, 45, 73, 33, 81, 77, 57, 25},
                             SizeRow{351, 47, 75, 35, 83, 79, 59, 27},
                             SizeRow{700, 47, 75, 35, 83, 79, 59, 27}}) {
    SCOPED_TRACE(row.ver);
    EXPECT_EQ(FixedSize<TEntJwwLine>(row.ver), row.line);
    EXPECT_EQ(FixedSize<TEntJwwEnko>(row.ver), row.enko);
    EXPECT_EQ(FixedSize<TEntJwwTen>(row.ver), row.ten);
    EXPECT_EQ(FixedSize<TEntJwwMoji>(row.ver), row.moji);
    EXPECT_EQ(FixedSize<TEntJwwSolid>(row.ver), row.solid);
    EXPECT_EQ(FixedSize<TEntJwwBlock>(row.ver), row.block);
    EXPECT_EQ(FixedSize<TEntJwwBlockDef>(row.ver), row.blockDef);
    EXPECT_LE(row.moji, kLargestFixedPart);  // the buffer of a part cut short
  }
}

TEST(JwwLayoutsTest, ExtrasFollowPenStyleColourAndVersion) {
  TEntJwwTen point;
  point.att.nPenStyle = 1;
  EXPECT_EQ(BodySize(600, point), 35u);
  point.att.nPenStyle = 100;  // a special point: code, rotation, scale
  EXPECT_EQ(BodySize(600, point), 35u + 20u);

  TEntJwwSolid solid;
  solid.att.nPenColor = 3;
  EXPECT_EQ(BodySize(600, solid), 79u);
  solid.att.nPenColor = 10;  // its own RGB colour
  EXPECT_EQ(BodySize(600, solid), 79u + 4u);

  // A dimension: attribute, line, text with two strings; the SXF part
  // (mode, two lines, four points) from 420 on, the points' extras with them.
  TEntJwwSunpo dimension;
  EXPECT_EQ(BodySize(419, dimension), 15u + 47u + 83u + 2u);
  EXPECT_EQ(BodySize(420, dimension), 15u + 47u + 83u + 2u + 2u + 2 * 47u + 4 * 35u);
  dimension.Kt2.att.nPenStyle = 100;
  EXPECT_EQ(BodySize(420, dimension), 15u + 47u + 83u + 2u + 2u + 2 * 47u + 4 * 35u + 20u);
  EXPECT_EQ(BodySize(350, dimension), 13u + 45u + 81u + 2u);
}

}  // namespace
}  // namespace velkaro::jww
