// ConversionBatchFixtures: test-side bytes of JWC drawings and of JWK and JWS
// figure headers, laid out field by field as the formats' layout tables say
// (never through the product's writers), for the batch, listing and CLI tests.
// JWW drawings come from builders/JwwBuilder.h.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace velkaro::testing::jwcfix {

using Bytes = std::vector<std::uint8_t>;

inline void Le16(Bytes &b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Le32(Bytes &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void F32(Bytes &b, float f) {
  std::uint32_t v;
  std::memcpy(&v, &f, 4);
  Le32(b, v);
}
inline void F64(Bytes &b, double d) {
  std::uint64_t v;
  std::memcpy(&v, &d, 8);
  for (int i = 0; i < 8; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// ASCII text into a field of n bytes, padded with `pad`.
inline void Field(Bytes &b, const std::string &text, std::size_t n, std::uint8_t pad = 0) {
  for (std::size_t i = 0; i < n; ++i)
    b.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : pad);
}
// A 200-byte text block: the values joined by ",", a zero byte, spaces up to
// byte 198 and a line feed.
inline void ValueBlock(Bytes &b, const std::vector<std::string> &values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i)
    text += (i ? "," : "") + values[i];
  text += '\0';
  Field(b, text, 199, ' ');
  b.push_back('\n');
}

struct JwcText {
  float x1 = 0, y1 = 0, x2 = 10, y2 = 0;
  std::uint8_t no = 1;
  std::uint8_t lay = 0;
  std::string s;  // ASCII
};

struct JwcLine {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint8_t typ = 1, col = 1, lay = 0;
};

struct JwcDrawing {
  std::string comment1 = "TEST";
  std::string comment2 = "DRAW";
  std::vector<JwcLine> lines;
  std::vector<JwcText> texts;
  // EntMjtp entries 0..10: pen number, width, height, spacing (0.1 mm).
  std::array<std::array<std::uint16_t, 4>, 11> kinds{};
  JwcDrawing() {
    for (std::uint16_t k = 1; k <= 10; ++k)
      kinds[k] = {static_cast<std::uint16_t>((k + 1) / 2), static_cast<std::uint16_t>(10 * k),
                  static_cast<std::uint16_t>(10 * k + 5), static_cast<std::uint16_t>(k)};
  }
};

// psize 5 makes dataUnit 1.0, so coordinates are stored as they are; the
// identifier's 23rd character "f" stores group scales as singles.
inline Bytes BuildJwc(const JwcDrawing &d) {
  Bytes b;
  Field(b, "jw_cad(c)data.......v3f", 40);
  Field(b, d.comment1, 32);
  Field(b, d.comment2, 32);
  Field(b, std::string(95, ' ') + "\n", 96);
  std::size_t area = 0;
  for (const JwcText &t : d.texts)
    area += t.s.size() + 1;
  const auto n = [](std::size_t v) { return std::to_string(v); };
  ValueBlock(b, {n(d.lines.size()), "0", n(d.texts.size()), "0", "0", "1", "1", "1", "1", "1",
                 "0", "5", "2", "1", "0", "0", "5", "10", "0", "0", "0", "0", "0", "0", "0", "5",
                 "5", "0", "0", "0", "518", "0"});
  ValueBlock(b, {"0", "0", "3", "15", "0", "0", "0", "0", "0", "1", "0", "0", "0", "0",
                 "0", "0", "0", "0", "0", "100", "100", "100", "100", "100", "100", "0", "0", "1"});
  char end[16];
  std::snprintf(end, sizeof end, "6000:%04zX", area);
  std::vector<std::string> block4{"6000:0000", end};
  for (int i = 0; i < 20; ++i)
    block4.push_back("0");
  ValueBlock(b, block4);
  for (int i = 0; i < 101; ++i)
    F32(b, 0);
  for (int i = 0; i < 101; ++i)
    F32(b, 0);
  b.insert(b.end(), 101, 0);
  for (int column = 0; column < 4; ++column)
    for (int k = 0; k <= 10; ++k)
      Le16(b, d.kinds[k][column]);
  for (int g = 0; g < 16; ++g)
    F32(b, 1.0f);
  b.insert(b.end(), 16, 1);   // group srchF
  b.insert(b.end(), 256, 1);  // layer srchF
  b.insert(b.end(), 16, 1);   // group dispF
  b.insert(b.end(), 256, 1);  // layer dispF
  for (int g = 0; g < 16; ++g)
    b.push_back(static_cast<std::uint8_t>(g * 16));
  for (const JwcLine &l : d.lines) {
    F32(b, l.x1);
    F32(b, l.y1);
    F32(b, l.x2);
    F32(b, l.y2);
    b.insert(b.end(), {l.typ, l.col, l.lay, 0, 0, 0});
  }
  std::size_t offset = 0;
  for (const JwcText &t : d.texts) {
    F32(b, t.x1);
    F32(b, t.y1);
    F32(b, t.x2);
    F32(b, t.y2);
    Le16(b, static_cast<std::uint16_t>(offset));
    Le16(b, 0x6000);
    b.insert(b.end(), {t.no, t.lay, 0, 0});
    offset += t.s.size() + 1;
  }
  for (const JwcText &t : d.texts) {
    b.insert(b.end(), t.s.begin(), t.s.end());
    b.push_back(0);
  }
  for (int l = 0; l < 256; ++l)
    Field(b, "L" + std::to_string(l), 8);
  for (int g = 0; g < 16; ++g)
    Field(b, "Group" + std::to_string(g), 16);
  return b;
}

// The 400 header bytes of a JWK figure file; the reader stops there.
inline Bytes BuildJwkHeader(const std::string &comment1, const std::string &comment2) {
  Bytes b;
  Field(b, "jw_cad(c)sym........", 40);
  Field(b, comment1, 32);
  Field(b, comment2, 32);
  Field(b, std::string(95, ' ') + "\n", 96);
  ValueBlock(b, {"3", "1", "0", "2", "0", "0", "1", "0", "1"});
  return b;
}

// The 452 header bytes of a JWS figure file.
inline Bytes BuildJwsHeader(std::int32_t version) {
  Bytes b;
  Field(b, "JwsData", 7);
  b.insert(b.end(), 193, 0);
  Le32(b, static_cast<std::uint32_t>(version));
  F64(b, 1.5);
  F64(b, 2.5);
  for (int g = 0; g < 16; ++g)
    F64(b, 1.0);
  for (int i = 0; i < 6; ++i)
    Le32(b, 0);
  for (int i = 0; i < 6; ++i)
    F64(b, 0);
  for (int i = 0; i < 4; ++i)
    F64(b, 10.0 * i);
  return b;
}

}  // namespace velkaro::testing::jwcfix
