// The legacy text codec: legacy code page, fixed-width fields, UTF-16LE,
// UTF-8 and hexadecimal byte forms.
#include <algorithm>

#include "support/Codepage.h"
#include "support/Func_2.h"
#include "support/Utf8.h"

namespace velkaro {

namespace {

std::u16string CutAtNul(std::u16string s) {
  const auto nul = s.find(u'\0');
  if (nul != std::u16string::npos) s.resize(nul);
  return s;
}

// The fixed-width field walk shared by the zero- and space-filled forms.
std::span<std::uint8_t> WriteFixedField(const std::u16string &s, std::size_t n,
                                        std::span<std::uint8_t> buf, std::uint8_t filler) {
  n = std::min(n, buf.size());  // never write past the caller's buffer
  std::fill_n(buf.begin(), n, filler);
  const Bytes encoded = StringToLegacyBytes(s);
  const std::size_t m = std::min(n, encoded.size());
  std::size_t k = 0;
  while (k < m) {
    if (IsLegacyLeadByte(encoded[k])) {
      if (k + 1 >= m) break;  // only the lead byte would fit: write neither
      buf[k] = encoded[k];
      buf[k + 1] = encoded[k + 1];
      k += 2;
    } else {
      buf[k] = encoded[k];
      k += 1;
    }
  }
  return buf.first(n);
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

std::u16string LegacyBytesToString(std::span<const std::uint8_t> bytes) {
  // A zero byte is never part of a two-byte character, so cutting the bytes
  // first gives the same text as cutting the decoded string. The one pass
  // that finds it also sees whether the text is ASCII, most texts and font
  // names are: then its bytes are its characters.
  std::size_t n = 0;
  bool ascii = true;
  for (; n < bytes.size() && bytes[n] != 0; ++n)
    ascii = ascii && bytes[n] < 0x80;
  if (ascii)
    return std::u16string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  return codepage::LegacyDecode(bytes.first(n));
}

Bytes StringToLegacyBytes(const std::u16string &s) { return codepage::LegacyEncode(s); }

std::size_t LegacyByteLength(const std::u16string &s) {
  const Bytes encoded = StringToLegacyBytes(s);
  return static_cast<std::size_t>(std::find(encoded.begin(), encoded.end(), std::uint8_t{0}) -
                                  encoded.begin());
}

bool IsLegacyLeadByte(std::uint8_t b) { return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD); }

std::span<std::uint8_t> StringToFixedBytes(const std::u16string &s, std::size_t n,
                                           std::span<std::uint8_t> buf) {
  return WriteFixedField(s, n, buf, 0x00);
}

std::span<std::uint8_t> StringToFixedBytesSpaced(const std::u16string &s, std::size_t n,
                                                 std::span<std::uint8_t> buf) {
  return WriteFixedField(s, n, buf, 0x20);
}

std::span<std::uint8_t> FillBytes(std::uint8_t value, std::size_t n, std::span<std::uint8_t> buf) {
  n = std::min(n, buf.size());
  std::fill_n(buf.begin(), n, value);
  return buf.first(n);
}

Bytes StringToUtf16Bytes(const std::u16string &s) {
  Bytes out;
  out.reserve(s.size() * 2);
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

std::u16string Utf16BytesToString(std::span<const std::uint8_t> bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

Bytes StringToUtf8Bytes(const std::u16string &s) {
  const std::string utf8 = utf8::FromUtf16(s);
  return Bytes(utf8.begin(), utf8.end());
}

std::u16string Utf8BytesToString(std::span<const std::uint8_t> bytes) {
  const std::string_view view(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  auto decoded = utf8::ToUtf16Strict(view);
  if (!decoded) return {};
  return CutAtNul(std::move(*decoded));
}

std::u16string BytesToHex(std::span<const std::uint8_t> bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    if (b == 0) break;
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

Bytes HexToBytes(const std::u16string &hex) {
  Bytes out;
  out.reserve(hex.size() / 2 + 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigitValue(hex[i]);
    if (i + 1 == hex.size()) {  // odd length: the last digit alone
      out.push_back(high < 0 ? 0 : static_cast<std::uint8_t>(high));
      break;
    }
    const int low = HexDigitValue(hex[i + 1]);
    out.push_back(high < 0 || low < 0 ? 0 : static_cast<std::uint8_t>(high * 16 + low));
  }
  out.push_back(0);
  return out;
}

std::u16string RemoveControlChars(const std::u16string &s) {
  std::u16string out;
  out.reserve(s.size());
  for (char16_t c : s)
    if (c >= 0x20) out.push_back(c);
  return out;
}

std::string ToUtf8(const std::u16string &s) { return utf8::FromUtf16Escaped(s); }

std::u16string FromUtf8(std::string_view s) { return utf8::ToUtf16Lenient(s); }

}  // namespace velkaro
