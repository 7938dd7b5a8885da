// Code page 932 through ICU (POSIX) or Windows' own converter (Windows), named
// explicitly there: a drawing is Shift-JIS whatever language Windows runs in,
// so never the system's ANSI code page (CP_ACP).
//
// ICU's windows-31j table follows IBM's PC convention for three control codes
// (0x1A <-> U+001C, 0x1C <-> U+007F, 0x7F <-> U+001A), where Windows' code
// page 932 maps every byte below 0x80 to itself. None of the three bytes can
// be a trail byte, so swapping the three code points around the ICU call
// gives the Windows mapping back.
#include "support/Codepage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#endif

namespace velkaro::codepage {

#ifdef _WIN32

constexpr UINT kShiftJis = 932;

bool LegacyCodepageAvailable() {
  CPINFO info{};
  return GetCPInfo(kShiftJis, &info) != 0;
}

namespace {

// With MB_ERR_INVALID_CHARS (strict): empty when any byte does not decode.
std::u16string Decode(const std::uint8_t *bytes, int length, DWORD flags = MB_ERR_INVALID_CHARS) {
  const auto *in = reinterpret_cast<const char *>(bytes);
  const int n = MultiByteToWideChar(kShiftJis, flags, in, length, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  if (MultiByteToWideChar(kShiftJis, flags, in, length, reinterpret_cast<wchar_t *>(out.data()),
                          n) != n)
    return {};
  return out;
}

bool IsTrailByte(std::uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

}  // namespace

// Windows would give its default character U+30FB for a pair that does not
// decode, indistinguishable from a real "・": the text is decoded whole when
// it can be, else character by character with U+FFFD for each such pair.
// Single bytes keep Windows' own table (0xA0 and 0xFD-0xFF to the private use
// area), so they survive a round trip.
std::u16string ConverterDecode(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {};
  const auto length = static_cast<int>(bytes.size());
  std::u16string out = Decode(bytes.data(), length);
  if (!out.empty()) return out;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t width = 1;
    if (IsDBCSLeadByteEx(kShiftJis, bytes[i])) {
      if (i + 1 >= bytes.size() || !IsTrailByte(bytes[i + 1])) {
        out += u'\uFFFD';  // a lead byte spoils only itself
        ++i;
        continue;
      }
      width = 2;
    }
    const std::u16string one =
        Decode(bytes.data() + i, static_cast<int>(width), width == 1 ? 0 : MB_ERR_INVALID_CHARS);
    out += one.empty() ? std::u16string(1, u'\uFFFD') : one;
    i += width;
  }
  return out;
}

// Code page 932 has no character beyond the BMP: a surrogate pair is one
// unrepresentable character, one "?", as a lone surrogate is.
std::vector<std::uint8_t> ConverterEncode(std::u16string_view text) {
  if (text.empty()) return {};
  std::wstring in;
  in.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      ++i;
    in += (c >= 0xD800 && c <= 0xDFFF) ? L'?' : static_cast<wchar_t>(c);
  }
  const auto length = static_cast<int>(in.size());
  const int n = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, in.data(), length, nullptr, 0,
                                    "?", nullptr);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(n > 0 ? n : 0));
  if (n > 0)
    WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, in.data(), length,
                        reinterpret_cast<char *>(out.data()), n, "?", nullptr);
  return out;
}

#else

namespace {

// Undecodable bytes become U+FFFD; ICU's own substitute would be U+001A,
// which the archive readers would then strip as a control character.
void ToUnicodeReplacement(const void *, UConverterToUnicodeArgs *args, const char *,
                          int32_t, UConverterCallbackReason reason, UErrorCode *err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  *err = U_ZERO_ERROR;
  const UChar replacement = 0xFFFD;
  ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
}

// One converter per thread, opened on first use: a UConverter holds state
// and must not be shared, and the batch converts files in parallel.
class Converter {
 public:
  Converter() {
    UErrorCode err = U_ZERO_ERROR;
    cnv_ = ucnv_open("windows-31j", &err);
    if (U_FAILURE(err)) {
      cnv_ = nullptr;
      return;
    }
    ucnv_setSubstChars(cnv_, "?", 1, &err);
    ucnv_setToUCallBack(cnv_, ToUnicodeReplacement, nullptr, nullptr, nullptr, &err);
  }
  ~Converter() {
    if (cnv_) ucnv_close(cnv_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  UConverter *get() const { return cnv_; }

 private:
  UConverter *cnv_ = nullptr;
};

UConverter *ThreadConverter() {
  thread_local Converter converter;
  return converter.get();
}

char16_t WindowsFromIcu(char16_t c) {
  switch (c) {
    case 0x001C: return 0x001A;
    case 0x007F: return 0x001C;
    case 0x001A: return 0x007F;
    default: return c;
  }
}

char16_t IcuFromWindows(char16_t c) {
  switch (c) {
    case 0x001A: return 0x001C;
    case 0x001C: return 0x007F;
    case 0x007F: return 0x001A;
    default: return c;
  }
}

}  // namespace

bool LegacyCodepageAvailable() { return ThreadConverter() != nullptr; }

std::u16string ConverterDecode(std::span<const std::uint8_t> bytes) {
  UConverter *cnv = ThreadConverter();
  if (bytes.empty()) return {};
  if (!cnv) return std::u16string(bytes.size(), u'\uFFFD');
  const auto *in = reinterpret_cast<const char *>(bytes.data());
  const auto inLength = static_cast<int32_t>(bytes.size());
  // Every byte yields at most one UTF-16 unit in this code page; the retry
  // only guards against a table that would not.
  std::u16string out(bytes.size() + 1, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), in, inLength, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(n) + 1, u'\0');
    err = U_ZERO_ERROR;
    n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), in, inLength, &err);
  }
  if (U_FAILURE(err)) return std::u16string(bytes.size(), u'\uFFFD');
  out.resize(static_cast<std::size_t>(n));
  for (char16_t &c : out) c = WindowsFromIcu(c);
  return out;
}

std::vector<std::uint8_t> ConverterEncode(std::u16string_view text) {
  UConverter *cnv = ThreadConverter();
  if (text.empty()) return {};
  if (!cnv) return std::vector<std::uint8_t>(text.size(), '?');
  std::u16string in(text);
  for (char16_t &c : in) c = IcuFromWindows(c);
  const auto inLength = static_cast<int32_t>(in.size());
  std::vector<std::uint8_t> out(in.size() * 2 + 1);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(cnv, reinterpret_cast<char *>(out.data()),
                              static_cast<int32_t>(out.size()), in.data(), inLength, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(n) + 1, 0);
    err = U_ZERO_ERROR;
    n = ucnv_fromUChars(cnv, reinterpret_cast<char *>(out.data()),
                        static_cast<int32_t>(out.size()), in.data(), inLength, &err);
  }
  if (U_FAILURE(err)) return std::vector<std::uint8_t>(text.size(), '?');
  out.resize(static_cast<std::size_t>(n));
  return out;
}

#endif

namespace {

bool AllBelow0x80(std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t b : bytes)
    if (b >= 0x80) return false;
  return true;
}

bool AllBelow0x80(std::u16string_view text) {
  for (const char16_t c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

// Below 0x80 a byte and a code unit are the same character, and bytes below
// 0x80 alone hold no two-byte character (every lead byte is 0x81 or above).
// Most strings of a drawing are like that (font names, layer names,
// dimension values), so they skip the converter's call and its copies.
std::u16string LegacyDecode(std::span<const std::uint8_t> bytes) {
  if (AllBelow0x80(bytes)) return std::u16string(bytes.begin(), bytes.end());
  return ConverterDecode(bytes);
}

std::vector<std::uint8_t> LegacyEncode(std::u16string_view text) {
  if (AllBelow0x80(text)) return std::vector<std::uint8_t>(text.begin(), text.end());
  return ConverterEncode(text);
}

}  // namespace velkaro::codepage
