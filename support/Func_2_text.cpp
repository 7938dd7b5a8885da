// Text and number helpers: casing, substrings, number <-> text in the fixed
// syntax the settings and lists use (never the process locale), cleaners.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unicode/ustring.h>
#endif

#include "support/Func_2.h"

namespace velkaro {

namespace {

#ifdef _WIN32

// Linguistic casing under the user's default locale (so Turkish rules apply
// where the user runs Turkish).
std::u16string MapCase(const std::u16string &s, DWORD flags) {
  if (s.empty()) return s;
  const auto *in = reinterpret_cast<const wchar_t *>(s.data());
  const auto length = static_cast<int>(s.size());
  flags |= LCMAP_LINGUISTIC_CASING;
  const int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in, length, nullptr, 0, nullptr,
                              nullptr, 0);
  if (n <= 0) return s;
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  if (LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, in, length,
                    reinterpret_cast<wchar_t *>(out.data()), n, nullptr, nullptr, 0) != n)
    return s;
  return out;
}

constexpr DWORD kUpper = LCMAP_UPPERCASE;
constexpr DWORD kLower = LCMAP_LOWERCASE;

#else

using CaseMapper = int32_t (*)(UChar *, int32_t, const UChar *, int32_t, const char *, UErrorCode *);

// Full Unicode case mapping under ICU's default locale, which ICU takes from
// the user's environment (so Turkish or Lithuanian rules apply where the user
// runs them). A null locale ID means that default; "" would be the root
// locale, the same for everyone.
std::u16string MapCase(const std::u16string &s, CaseMapper mapper) {
  if (s.empty()) return s;
  const auto length = static_cast<int32_t>(s.size());
  std::u16string out(s.size() + 16, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = mapper(out.data(), static_cast<int32_t>(out.size()), s.data(), length, nullptr, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(n), u'\0');
    err = U_ZERO_ERROR;
    n = mapper(out.data(), static_cast<int32_t>(out.size()), s.data(), length, nullptr, &err);
  }
  if (U_FAILURE(err)) return s;
  out.resize(static_cast<std::size_t>(n));
  return out;
}

constexpr auto kUpper = u_strToUpper;
constexpr auto kLower = u_strToLower;

#endif

std::u16string UpToNul(const std::u16string &s) { return s.substr(0, s.find(u'\0')); }

// Program text is ASCII here, so a byte-for-unit copy is exact.
std::u16string FromAscii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (IsDigit(c)) return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

std::size_t SkipSpaces(const std::u16string &s, std::size_t i) {
  while (i < s.size() && s[i] == u' ') ++i;
  return i;
}

// Digits from i to the end in the given base; false for no digit, a stray
// character or a magnitude beyond limit.
bool ParseMagnitude(const std::u16string &s, std::size_t i, int base, std::int64_t limit,
                    std::int64_t &value) {
  if (i >= s.size()) return false;
  value = 0;
  for (; i < s.size(); ++i) {
    const int d = base == 16 ? HexValue(s[i]) : (IsDigit(s[i]) ? s[i] - u'0' : -1);
    if (d < 0) return false;
    value = value * base + d;
    if (value > limit) return false;
  }
  return true;
}

// The mantissa digits (no trailing zeros) and decimal exponent of v rounded
// to 15 significant digits: v = d.ddd... x 10^exponent.
void Round15(double v, std::string &digits, int &exponent) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                                    std::chars_format::scientific, 14);
  const std::string text(buf, result.ptr);  // "d.dddddddddddddde+XX"
  const auto e = text.find('e');
  digits = text.substr(0, 1) + text.substr(2, e - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  exponent = std::atoi(text.c_str() + e + 1);
}

}  // namespace

std::u16string LocaleUpperCase(const std::u16string &s) { return MapCase(s, kUpper); }

std::u16string LocaleLowerCase(const std::u16string &s) { return MapCase(s, kLower); }

int IndexOfText(const std::u16string &sub, const std::u16string &text) {
  if (sub.empty()) return -1;
  const auto at = text.find(sub);
  return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

std::u16string TextFrom(const std::u16string &text, int i) {
  const auto start = static_cast<std::size_t>(std::max(i, 0));
  return start >= text.size() ? std::u16string() : text.substr(start);
}

std::u16string SubText(const std::u16string &text, int i, int n) {
  const auto start = static_cast<std::size_t>(std::max(i, 0));
  if (n <= 0 || start >= text.size()) return {};
  return text.substr(start, static_cast<std::size_t>(n));
}

std::u16string RepeatText(const std::u16string &text, int n) {
  std::u16string out;
  if (n <= 0) return out;
  out.reserve(text.size() * static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) out += text;
  return out;
}

std::int32_t StringToInt(const std::u16string &text) {
  const std::u16string s = UpToNul(text);
  std::size_t i = SkipSpaces(s, 0);
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    base = 16;
    i += 1;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  if (!ParseMagnitude(s, i, base, limit, magnitude)) return 0;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::u16string IntToString(std::int64_t v) { return FromAscii(std::to_string(v)); }

double StringToReal(const std::u16string &text) {
  const std::u16string s = UpToNul(text);
  std::size_t i = SkipSpaces(s, 0);
  std::string ascii;  // the number in the syntax from_chars takes
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') ascii.push_back('-');
    ++i;
  }
  std::size_t mantissaDigits = 0;
  while (i < s.size() && IsDigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), ++mantissaDigits;
  if (i < s.size() && s[i] == u'.') {
    ascii.push_back('.');
    ++i;
    while (i < s.size() && IsDigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ascii.push_back(static_cast<char>(s[i++]));
    std::size_t exponentDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ascii.push_back(static_cast<char>(s[i++])), ++exponentDigits;
    if (exponentDigits == 0) return 0;
  }
  if (i != s.size()) return 0;
  double value = 0;
  const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  // A value beyond the double range gives 0 rather than an infinity.
  if (result.ec != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

std::u16string RealToString(double v) {
  if (std::isnan(v)) return u"NAN";
  if (std::isinf(v)) return v < 0 ? u"-INF" : u"INF";
  if (v == 0) return u"0";
  std::string digits;
  int exponent = 0;
  Round15(v, digits, exponent);
  std::string out = v < 0 ? "-" : "";
  if (exponent >= -5 && exponent <= 14) {
    if (exponent < 0) {
      out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
      const auto intDigits = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= intDigits) {
        out += digits + std::string(intDigits - digits.size(), '0');
      } else {
        out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
      }
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return FromAscii(out);
}

bool IsFiniteReal(double v) { return std::isfinite(v); }

std::u16string StringToUtf8Hex(const std::u16string &s) { return BytesToHex(StringToUtf8Bytes(s)); }

std::u16string Utf8HexToString(const std::u16string &s) { return Utf8BytesToString(HexToBytes(s)); }

std::u16string RemoveBlanks(const std::u16string &s) {
  std::u16string out;
  out.reserve(s.size());
  for (char16_t c : s)
    if (c != u' ' && c != u'\u3000' && c >= 0x20) out.push_back(c);
  return out;
}

bool IsSanitizedText(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] < 0x20) return false;
    if (i + 1 < s.size() &&
        ((s[i] == u'^' && s[i + 1] == u'm') || (s[i] == u'\\' && s[i + 1] == u'n')))
      return false;
  }
  return true;
}

std::u16string SanitizeText(const std::u16string &s) {
  if (IsSanitizedText(s)) return s;
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (i + 1 < s.size() &&
        ((s[i] == u'^' && s[i + 1] == u'm') || (s[i] == u'\\' && s[i + 1] == u'n'))) {
      i += 2;
      continue;
    }
    if (s[i] >= 0x20) out.push_back(s[i]);
    ++i;
  }
  return out.empty() ? u" " : out;
}

}  // namespace velkaro
