// JwcFormat: the header-block text form and the small helpers shared by the
// JWC reader and writer and the JWK header reader.
#include "jwc/JwcFormat.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "support/Func_2.h"

namespace velkaro::jwcfile {

namespace {

const char *const kIoError = "File I/O Error";

std::u16string_view UpToFirstNul(const std::u16string &s) {
  std::u16string_view v(s);
  return v.substr(0, v.find(u'\0'));
}

// Rounds to the nearest single. False when the value overflows a single.
bool NarrowToSingle(double d, float &out) {
  out = RoundToSingle(d);
  return std::isfinite(out);
}

std::u16string Hex4(std::int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v));
  return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

}  // namespace

float RoundToSingle(double d) {
  // Halfway between FLT_MAX and 2^128: from here on rounding gives infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (std::isnan(d)) return static_cast<float>(d);  // keeps sign and payload
  if (d >= kOverflow) return std::numeric_limits<float>::infinity();
  if (d <= -kOverflow) return -std::numeric_limits<float>::infinity();
  if (d > FLT_MAX) return FLT_MAX;
  if (d < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(d);
}

std::int32_t PaperLongSide(std::int32_t psize) {
  switch (psize) {
    case 0: return 1189;
    case 1: return 841;
    case 2: return 594;
    case 3: return 420;
    case 4: return 297;
    case 8: return 1682;
    case 9: return 2378;
    case 10: return 3364;
    case 11: return 4756;
    case 12: return 10000;
    case 13: return 50000;
    case 14: return 100000;
    default: return 0;
  }
}

float ComputeDataUnit(std::int32_t psize, std::int32_t drawWidth) {
  const std::int32_t longSide = PaperLongSide(psize);
  if (longSide == 0 || drawWidth == 0) return 1.0f;
  return static_cast<float>(static_cast<double>(longSide) / static_cast<double>(drawWidth));
}

void ReadHeaderBlock(ByteReader &s, HeaderBlockBuffer &buffer, const char *block) {
  buffer.fill(0);
  const std::size_t at = s.offset();
  if (s.read(std::span<std::uint8_t>(buffer.data(), kHeaderBlockSize)) == 0) {
    throw StreamError(kIoError, std::string("header ") + block + " at offset " +
                                    std::to_string(at) + ": end of file");
  }
}

void ReadCommentBlock(ByteReader &s, HeaderBlockBuffer &buffer, std::u16string &jwID,
                      std::u16string &comment1, std::u16string &comment2) {
  ReadHeaderBlock(s, buffer, "block 1");
  const std::span<const std::uint8_t> bytes(buffer);
  jwID = LegacyBytesToString(bytes.subspan(0, kJwIdSize));
  comment1 = LegacyBytesToString(bytes.subspan(kComment1Offset, kCommentSize));
  comment2 = LegacyBytesToString(bytes.subspan(kComment2Offset, kCommentSize));
}

bool HasSignature(std::span<const std::uint8_t> bytes, std::u16string_view signature) {
  return LegacyBytesToString(bytes.first(std::min(bytes.size(), kSignatureSize))) == signature;
}

std::u16string DecodeValueBlock(const HeaderBlockBuffer &buffer) {
  // A zero byte is never part of a two-byte character, so decoding the runs
  // between zero bytes one by one equals decoding the buffer as a whole.
  std::u16string text;
  std::span<const std::uint8_t> rest(buffer);
  while (true) {
    std::size_t run = 0;
    while (run < rest.size() && rest[run] != 0) ++run;
    text += LegacyBytesToString(rest.first(run));
    if (run == rest.size()) break;
    text += u'\0';
    rest = rest.subspan(run + 1);
  }
  return text;
}

void SplitValues(const std::u16string &text, int count, std::vector<std::u16string> &para) {
  para.assign(count > 0 ? static_cast<std::size_t>(count) : 0, u"0");
  std::u16string_view rest(text);
  for (std::size_t j = 0; j < para.size(); ++j) {
    const std::size_t comma = rest.find(u',');
    if (comma == std::u16string_view::npos) {
      para[j] = rest;
      return;
    }
    para[j] = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    if (rest.empty()) return;
  }
}

std::int32_t IntValue(const std::u16string &value) {
  return StringToInt(std::u16string(UpToFirstNul(value)));
}

float RealValue(const std::u16string &value) {
  float f = 0;
  return NarrowToSingle(StringToReal(std::u16string(UpToFirstNul(value))), f) ? f : 0.0f;
}

std::int32_t AddressValue(const std::u16string &value) {
  const std::u16string segment = value.substr(0, 4);
  const std::u16string offset = value.size() > 5 ? value.substr(5, 4) : std::u16string();
  return IntValue(u"$" + segment) * 16 + IntValue(u"$" + offset);
}

std::u16string IntText(std::int32_t v) { return IntToString(v); }

std::u16string RealText(float v, const std::string &field) {
  if (!std::isfinite(v)) {
    throw StreamError(kIoError, "header value " + field +
                                    " is not a finite number and has no text form");
  }
  return RealToString(static_cast<double>(v));
}

std::u16string AddressText(std::int64_t segment, std::int64_t offset, const char *field) {
  if (segment < 0 || segment > 0xFFFF || offset < 0 || offset > 0xFFFF) {
    throw StreamError(kIoError, std::string("address ") + field + " (segment " +
                                    std::to_string(segment) + ", offset " +
                                    std::to_string(offset) +
                                    ") does not fit four hexadecimal digits each");
  }
  return Hex4(static_cast<std::int32_t>(segment)) + u":" + Hex4(static_cast<std::int32_t>(offset));
}

void WriteValueBlock(ByteWriter &w, const std::vector<std::u16string> &values, const char *block) {
  std::u16string text;
  for (std::size_t j = 0; j < values.size(); ++j) {
    if (j > 0) text += u',';
    text += values[j];
  }
  text += u'\0';
  const std::size_t length = StringToLegacyBytes(text).size();
  if (length > kValueTextRoom) {
    throw StreamError(kIoError, std::string("header ") + block + ": value text of " +
                                    std::to_string(length) + " bytes does not fit its " +
                                    std::to_string(kValueTextRoom) + " bytes");
  }
  std::array<std::uint8_t, kValueTextRoom> field{};
  w.writeBytes(StringToFixedBytesSpaced(text, kValueTextRoom, field));
  w.writeU8(0x0A);
}

std::u16string FieldText(std::span<const std::uint8_t> field) {
  std::size_t n = 0;
  while (n < field.size() && field[n] != 0) ++n;
  return LegacyBytesToString(field.first(n));
}

void ReadRecord(ByteReader &s, std::span<std::uint8_t> record, const char *what, std::size_t index) {
  std::fill(record.begin(), record.end(), std::uint8_t{0});
  const std::size_t at = s.offset();
  if (s.read(record) == 0) {
    throw StreamError(kIoError, std::string(what) + " " + std::to_string(index) + " at offset " +
                                    std::to_string(at) + ": end of file");
  }
}

}  // namespace velkaro::jwcfile
