// UTF-8 transforms over ICU's well-formedness macros (U8_NEXT rejects
// overlong forms, surrogates and values above U+10FFFF).
#include "support/Utf8.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace velkaro::utf8 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string &out, char32_t c) {
  char buf[U8_MAX_LENGTH];
  int32_t n = 0;
  UBool error = false;
  U8_APPEND(buf, n, U8_MAX_LENGTH, static_cast<UChar32>(c), error);
  if (error) {
    n = 0;
    U8_APPEND_UNSAFE(buf, n, static_cast<UChar32>(kReplacement));
  }
  out.append(buf, static_cast<std::size_t>(n));
}

void AppendUtf16(std::u16string &out, char32_t c) {
  if (c <= 0xFFFF) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(U16_LEAD(c)));
    out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
  }
}

bool IsEscapedByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Calls onCodePoint(c) for each well-formed code point and onIllFormed(begin,
// end) for each maximal ill-formed subpart.
template <typename OnCodePoint, typename OnIllFormed>
void WalkUtf8(std::string_view s, OnCodePoint onCodePoint, OnIllFormed onIllFormed) {
  const auto *p = reinterpret_cast<const uint8_t *>(s.data());
  const auto length = static_cast<int32_t>(s.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0)
      onIllFormed(start, i);
    else
      onCodePoint(static_cast<char32_t>(c));
  }
}

// Calls onCodePoint(c) for each code point of s; a lone surrogate comes as
// itself.
template <typename OnCodePoint>
void WalkUtf16(std::u16string_view s, OnCodePoint onCodePoint) {
  const auto length = static_cast<int32_t>(s.size());
  int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U16_NEXT(s.data(), i, length, c);
    onCodePoint(c);
  }
}

}  // namespace

std::string FromUtf16(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  WalkUtf16(s, [&](UChar32 c) {
    AppendUtf8(out, U_IS_SURROGATE(c) ? kReplacement : static_cast<char32_t>(c));
  });
  return out;
}

std::optional<std::u16string> ToUtf16Strict(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  bool wellFormed = true;
  WalkUtf8(
      s, [&](char32_t c) { AppendUtf16(out, c); },
      [&](int32_t, int32_t) { wellFormed = false; });
  if (!wellFormed) return std::nullopt;
  return out;
}

std::u16string ToUtf16Lenient(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  WalkUtf8(
      s, [&](char32_t c) { AppendUtf16(out, c); },
      [&](int32_t, int32_t) { out.push_back(static_cast<char16_t>(kReplacement)); });
  return out;
}

std::string FromUtf16Escaped(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  WalkUtf16(s, [&](UChar32 c) {
    if (c <= 0xFFFF && IsEscapedByte(static_cast<char16_t>(c)))
      out.push_back(static_cast<char>(c - 0xDC00));
    else
      AppendUtf8(out, U_IS_SURROGATE(c) ? kReplacement : static_cast<char32_t>(c));
  });
  return out;
}

std::u16string ToUtf16Escaped(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  WalkUtf8(
      s, [&](char32_t c) { AppendUtf16(out, c); },
      [&](int32_t begin, int32_t end) {
        for (int32_t k = begin; k < end; ++k)
          out.push_back(static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(s[k])));
      });
  return out;
}

}  // namespace velkaro::utf8
