// Small helpers shared by the JWC, JWK and JWS tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "builders/JwcBuilder.h"

namespace velkaro::testing {

// Code page 932 bytes of the Japanese texts the tests use, worked out once
// from the code table (not through the codec under test).
inline const std::string kSjisA = "\x82\xA0";                    // あ
inline const std::string kSjisMoji = "\x95\xB6\x8E\x9A";         // 文字
inline const std::string kSjisZumen = "\x90\x7D\x96\xCA";        // 図面
inline const std::string kSjisKanji = "\x8A\xBF\x8E\x9A";        // 漢字
inline const std::string kSjisAiue = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6";  // あいうえ

inline std::uint32_t FloatBits(float v) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &v, 4);
  return bits;
}

inline float FloatAt(const ByteVec &bytes, std::size_t offset) {
  float v = 0;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

inline std::string Text(const ByteVec &bytes, std::size_t offset, std::size_t n) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                     bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
}

// The value text of a header block: the bytes before its zero byte.
inline std::string BlockText(const ByteVec &bytes, int block) {
  const std::size_t start = static_cast<std::size_t>(block - 1) * 200;
  std::string s = Text(bytes, start, 199);
  return s.substr(0, s.find('\0'));
}

// The index-th value of a header block as the writer wrote it.
inline std::string BlockValue(const ByteVec &bytes, int block, int index) {
  std::string rest = BlockText(bytes, block);
  for (int k = 0; k < index; ++k) rest = rest.substr(rest.find(',') + 1);
  return rest.substr(0, rest.find(','));
}

}  // namespace velkaro::testing
