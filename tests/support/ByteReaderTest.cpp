// The bounds-checked reader and the little-endian writer. Short reads are
// run at several data sizes so every field gets cut at every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "support/ByteReader.h"
#include "support/ByteWriter.h"

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteReader, ReadsLittleEndianNumbers) {
  const Bytes data{0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                   0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF};
  ByteReader r(data);
  std::uint8_t u8 = 0;
  std::uint16_t u16 = 0;
  std::uint32_t u32 = 0;
  std::int32_t i32 = 0;
  float f32 = 0;
  double f64 = 0;
  EXPECT_EQ(r.readU8(u8), 1u);
  EXPECT_EQ(r.readU16(u16), 2u);
  EXPECT_EQ(r.readU32(u32), 4u);
  EXPECT_EQ(r.readI32(i32), 4u);
  EXPECT_EQ(r.readF32(f32), 4u);
  EXPECT_EQ(r.readF64(f64), 8u);
  EXPECT_EQ(u8, 0x01);
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(u32, 0x12345678u);
  EXPECT_EQ(i32, -2);
  EXPECT_EQ(f32, 1.5f);
  EXPECT_EQ(f64, -1.5);
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.hitEnd());
  EXPECT_EQ(r.offset(), data.size());
}

TEST(ByteReader, ShortNumericReadOverwritesOnlyTheDeliveredLowBytes) {
  const Bytes data{0xAA, 0xBB, 0xCC};
  ByteReader r(data);
  std::uint32_t v = 0x11223344;
  EXPECT_EQ(r.readU32(v), 3u);
  EXPECT_EQ(v, 0x11CCBBAAu);
  EXPECT_TRUE(r.hitEnd());
  EXPECT_TRUE(r.atEnd());
}

TEST(ByteReader, ReadAtTheEndLeavesTheValueUnchanged) {
  const Bytes data{0x01};
  ByteReader r(data);
  std::uint8_t b = 0;
  ASSERT_EQ(r.readU8(b), 1u);
  EXPECT_FALSE(r.hitEnd());
  double d = 3.25;
  EXPECT_EQ(r.readF64(d), 0u);
  EXPECT_EQ(d, 3.25);
  std::int32_t i = -77;
  EXPECT_EQ(r.readI32(i), 0u);
  EXPECT_EQ(i, -77);
  EXPECT_TRUE(r.hitEnd());
}

TEST(ByteReader, ShortFloatReadKeepsTheHighBytes) {
  const Bytes data{0x01, 0x02};
  ByteReader r(data);
  double d = -1.5;  // BF F8 00 00 00 00 00 00 from the top
  EXPECT_EQ(r.readF64(d), 2u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(d), 0xBFF8000000000201ull);
}

// The value after reading field `width` at `offset` from data of `size`
// bytes, computed arithmetically from the rule.
std::uint64_t ExpectedAfterRead(std::uint64_t before, std::size_t width, std::size_t offset,
                                std::size_t size, const Bytes &data) {
  std::uint64_t v = before;
  for (std::size_t i = 0; i < width && offset + i < size; ++i) {
    const std::uint64_t shift = 8 * i;
    v = (v & ~(0xFFull << shift)) | (std::uint64_t{data[offset + i]} << shift);
  }
  return v;
}

class ByteReaderSizes : public ::testing::TestWithParam<std::size_t> {};

// A record of u8, u16, u32, i32, f32, f64 (23 bytes) read from data cut to
// each size: every field comes out whole, partial or untouched by the rule.
TEST_P(ByteReaderSizes, RecordReadFromCutData) {
  Bytes full(1024);
  for (std::size_t i = 0; i < full.size(); ++i) full[i] = static_cast<std::uint8_t>(0x10 + i * 3);
  const std::size_t size = GetParam();
  const Bytes data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
  ByteReader r(data);

  std::uint8_t u8 = 0xEE;
  std::uint16_t u16 = 0xEEEE;
  std::uint32_t u32 = 0xEEEEEEEE;
  std::int32_t i32 = -0x11111112;
  float f32 = 1234.5f;
  double f64 = -98765.4321;
  const std::uint64_t before[] = {u8, u16, u32, static_cast<std::uint32_t>(i32), std::bit_cast<std::uint32_t>(f32),
                                  std::bit_cast<std::uint64_t>(f64)};
  const std::size_t widths[] = {1, 2, 4, 4, 4, 8};
  std::size_t delivered[6];
  delivered[0] = r.readU8(u8);
  delivered[1] = r.readU16(u16);
  delivered[2] = r.readU32(u32);
  delivered[3] = r.readI32(i32);
  delivered[4] = r.readF32(f32);
  delivered[5] = r.readF64(f64);
  const std::uint64_t after[] = {u8, u16, u32, static_cast<std::uint32_t>(i32), std::bit_cast<std::uint32_t>(f32),
                                 std::bit_cast<std::uint64_t>(f64)};

  std::size_t offset = 0;
  for (int k = 0; k < 6; ++k) {
    const std::size_t left = offset < size ? size - offset : 0;
    EXPECT_EQ(delivered[k], std::min(widths[k], left)) << "field " << k;
    EXPECT_EQ(after[k], ExpectedAfterRead(before[k], widths[k], offset, size, data)) << "field " << k;
    offset += widths[k];
  }
  EXPECT_EQ(r.offset(), std::min<std::size_t>(size, 23));
  EXPECT_EQ(r.hitEnd(), size < 23);
  EXPECT_EQ(r.remaining(), size - r.offset());
}

INSTANTIATE_TEST_SUITE_P(Sizes, ByteReaderSizes,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 7, 10, 13, 14, 15, 18, 22, 23, 1024));

TEST(ByteReader, BlockReadsDeliverWhatIsLeft) {
  const Bytes data{1, 2, 3, 4, 5};
  ByteReader r(data);
  std::uint8_t buf[3] = {9, 9, 9};
  EXPECT_EQ(r.read(buf), 3u);
  EXPECT_FALSE(r.hitEnd());
  buf[0] = buf[1] = buf[2] = 9;
  EXPECT_EQ(r.read(buf), 2u);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[1], 5);
  EXPECT_EQ(buf[2], 9);  // not delivered, not touched
  EXPECT_TRUE(r.hitEnd());
  EXPECT_EQ(r.read(std::span<std::uint8_t>()), 0u);
}

TEST(ByteReader, EmptyReadAtTheEndIsNoOverrun) {
  const Bytes data{1};
  ByteReader r(data);
  EXPECT_EQ(r.skip(1), 1u);
  EXPECT_EQ(r.take(0).size(), 0u);
  EXPECT_EQ(r.skip(0), 0u);
  EXPECT_FALSE(r.hitEnd());
}

TEST(ByteReader, TakeAndSkipStopAtTheEnd) {
  const Bytes data{1, 2, 3, 4, 5, 6};
  ByteReader r(data);
  const auto view = r.take(2);
  ASSERT_EQ(view.size(), 2u);
  EXPECT_EQ(view[0], 1);
  EXPECT_EQ(view.data(), data.data());
  EXPECT_EQ(r.skip(3), 3u);
  EXPECT_FALSE(r.hitEnd());
  const auto rest = r.take(100);
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_EQ(rest[0], 6);
  EXPECT_TRUE(r.hitEnd());
  EXPECT_EQ(r.skip(std::numeric_limits<std::size_t>::max()), 0u);
  EXPECT_EQ(r.offset(), 6u);
}

TEST(ByteReader, SkipOfAHugeCountDoesNotWrapTheOffset) {
  const Bytes data(10, 0);
  ByteReader r(data);
  r.skip(4);
  EXPECT_EQ(r.skip(std::numeric_limits<std::size_t>::max()), 6u);
  EXPECT_EQ(r.offset(), 10u);
  EXPECT_TRUE(r.atEnd());
}

TEST(ByteReader, CanHoldRefusesCountsBeyondTheBytesLeft) {
  const Bytes data(100, 0);
  ByteReader r(data);
  r.skip(4);
  EXPECT_TRUE(r.canHold(12, 8));   // 96 bytes
  EXPECT_FALSE(r.canHold(13, 8));  // 104 bytes
  EXPECT_FALSE(r.canHold(0xFFFFFFFFull, 8));
  EXPECT_FALSE(r.canHold(std::numeric_limits<std::uint64_t>::max(), 2));
  EXPECT_TRUE(r.canHold(std::numeric_limits<std::uint64_t>::max(), 0));
  EXPECT_TRUE(r.canHold(0, 1000));
}

// ---- ByteWriter ----------------------------------------------------------------------

TEST(ByteWriter, WritesLittleEndian) {
  ByteWriter w;
  w.writeU8(0x01);
  w.writeU16(0x1234);
  w.writeU32(0x12345678);
  w.writeI32(-2);
  w.writeF32(1.5f);
  w.writeF64(-1.5);
  w.writeBytes(Bytes{0xAA, 0xBB});
  w.fill(0x20, 3);
  const Bytes expected{0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                       0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF,
                       0xAA, 0xBB, 0x20, 0x20, 0x20};
  EXPECT_EQ(w.size(), expected.size());
  EXPECT_EQ(Bytes(w.bytes().begin(), w.bytes().end()), expected);
  EXPECT_EQ(w.take(), expected);
}

// With a sink the bytes arrive in order, in pieces of about the chunk size,
// and together they are what the writer without a sink would hold.
TEST(ByteWriter, HandsOnTheSameBytesInChunks) {
  std::vector<Bytes> pieces;
  ByteWriter chunked([&](std::span<const std::uint8_t> b) { pieces.emplace_back(b.begin(), b.end()); }, 16);
  ByteWriter whole;
  const Bytes block(40, 0x5A);  // larger than a chunk: goes on as it is
  for (ByteWriter *w : {&chunked, &whole}) {
    for (std::uint32_t i = 0; i < 10; ++i) {
      w->writeU32(i);
      w->writeU8(static_cast<std::uint8_t>(i));
    }
    w->writeBytes(block);
    w->fill(0x20, 3);
    w->writeF64(-1.5);
  }
  EXPECT_EQ(chunked.size(), whole.size());
  EXPECT_FALSE(pieces.empty());
  chunked.finish();
  Bytes joined;
  for (const Bytes &piece : pieces) {
    EXPECT_FALSE(piece.empty());
    EXPECT_LE(piece.size(), 40u);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(joined, Bytes(whole.bytes().begin(), whole.bytes().end()));
  EXPECT_TRUE(std::find(pieces.begin(), pieces.end(), block) != pieces.end());
  EXPECT_EQ(chunked.size(), joined.size());
  EXPECT_TRUE(chunked.bytes().empty());
  // finish() again hands on nothing more.
  const std::size_t count = pieces.size();
  chunked.finish();
  EXPECT_EQ(pieces.size(), count);
}

// A sink that fails (a full disk) stops the writing where it fails.
TEST(ByteWriter, AFailingSinkStopsTheWriting) {
  ByteWriter w([](std::span<const std::uint8_t>) { throw StreamError("File I/O Error"); }, 8);
  w.writeU32(1);
  EXPECT_THROW(w.writeU32(2), StreamError);
}

TEST(ByteWriter, KeepsEveryBitOfFloats) {
  const double values[] = {0.0, -0.0, 5e-324, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
  for (double v : values) {
    ByteWriter w;
    w.writeF64(v);
    const Bytes bytes = w.take();
    ByteReader r(bytes);
    double back = 1;
    ASSERT_EQ(r.readF64(back), 8u);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(v));
  }
}

TEST(ByteWriter, RoundTripsThroughTheReader) {
  ByteWriter w;
  for (std::uint32_t i = 0; i < 300; ++i) {
    w.writeU16(static_cast<std::uint16_t>(i * 251));
    w.writeU32(i * 0x01020304u);
  }
  const Bytes bytes = w.take();
  ByteReader r(bytes);
  for (std::uint32_t i = 0; i < 300; ++i) {
    std::uint16_t a = 0;
    std::uint32_t b = 0;
    r.readU16(a);
    r.readU32(b);
    ASSERT_EQ(a, static_cast<std::uint16_t>(i * 251));
    ASSERT_EQ(b, i * 0x01020304u);
  }
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.hitEnd());
}

}  // namespace
}  // namespace velkaro
