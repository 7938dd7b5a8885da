// Text and number helpers: casing, substrings, number syntax both ways and
// the two text cleaners.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <ostream>
#include <string>

#include <unicode/uloc.h>

#include "support/Func_2.h"

namespace velkaro {
namespace {

// ---- Casing and substrings -----------------------------------------------------

TEST(LocaleCase, UsesFullUnicodeMapping) {
  EXPECT_EQ(LocaleUpperCase(u"plan.jww"), u"PLAN.JWW");
#ifdef _WIN32
  // Windows maps unit for unit: ß stays, and Σ has one lower case.
  EXPECT_EQ(LocaleUpperCase(u"straße"), u"STRAßE");
  EXPECT_EQ(LocaleLowerCase(u"ΟΔΟΣ"), u"οδοσ");
#else
  EXPECT_EQ(LocaleUpperCase(u"straße"), u"STRASSE");  // one unit becomes two
  EXPECT_EQ(LocaleLowerCase(u"ΟΔΟΣ"), u"οδος");  // final sigma by context
#endif
  EXPECT_EQ(LocaleLowerCase(u"ÀÉÎ"), u"àéî");
  EXPECT_EQ(LocaleLowerCase(u"ＪＷＷ"), u"ｊｗｗ");
  EXPECT_EQ(LocaleLowerCase(u"参照.JWW"), u"参照.jww");
  EXPECT_EQ(LocaleLowerCase(u""), u"");
}

#ifndef _WIN32  // Windows cases with LCMapStringEx under the user's locale; no ICU there
// The user's locale, not ICU's root one: under Turkish rules i and I are
// the dotted and dotless pairs.
TEST(LocaleCase, FollowsTheUsersLocale) {
  const std::string before = uloc_getDefault();
  UErrorCode err = U_ZERO_ERROR;
  uloc_setDefault("tr_TR", &err);
  ASSERT_TRUE(U_SUCCESS(err));
  const std::u16string upper = LocaleUpperCase(u"i");
  const std::u16string lower = LocaleLowerCase(u"I");
  uloc_setDefault(before.c_str(), &err);
  EXPECT_EQ(upper, u"\u0130");
  EXPECT_EQ(lower, u"\u0131");
  EXPECT_EQ(LocaleUpperCase(u"i"), u"I");  // back under the earlier default
}
#endif

TEST(LocaleCase, LeavesLoneSurrogatesAndNulInPlace) {
  const std::u16string s{u'A', char16_t{0xDC80}, u'\0', u'B'};
  EXPECT_EQ(LocaleLowerCase(s), (std::u16string{u'a', char16_t{0xDC80}, u'\0', u'b'}));
}

TEST(IndexOfText, FindsTheFirstOccurrence) {
  EXPECT_EQ(IndexOfText(u"b", u"abc"), 1);
  EXPECT_EQ(IndexOfText(u"d", u"abc"), -1);
  EXPECT_EQ(IndexOfText(u"", u"abc"), -1);
  EXPECT_EQ(IndexOfText(u"bc", u"abcbc"), 1);
  EXPECT_EQ(IndexOfText(u"abcd", u"abc"), -1);
}

TEST(TextFrom, TakesTheRestFromAnIndex) {
  EXPECT_EQ(TextFrom(u"abc", 0), u"abc");
  EXPECT_EQ(TextFrom(u"abc", 2), u"c");
  EXPECT_EQ(TextFrom(u"abc", 3), u"");
  EXPECT_EQ(TextFrom(u"abc", 99), u"");
  EXPECT_EQ(TextFrom(u"abc", -1), u"abc");
}

TEST(SubText, TakesAtMostNCharacters) {
  EXPECT_EQ(SubText(u"abcdef", 1, 3), u"bcd");
  EXPECT_EQ(SubText(u"abcdef", 4, 10), u"ef");
  EXPECT_EQ(SubText(u"abcdef", 6, 1), u"");
  EXPECT_EQ(SubText(u"abcdef", 2, 0), u"");
  EXPECT_EQ(SubText(u"abcdef", 2, -4), u"");
  EXPECT_EQ(SubText(u"abcdef", -2, 2), u"ab");
}

TEST(RepeatText, RepeatsOrGivesEmpty) {
  EXPECT_EQ(RepeatText(u"ab", 3), u"ababab");
  EXPECT_EQ(RepeatText(u"ab", 0), u"");
  EXPECT_EQ(RepeatText(u"ab", -2), u"");
  EXPECT_EQ(RepeatText(u"", 5), u"");
}

// ---- StringToInt -------------------------------------------------------------------

struct IntCase {
  const char *name;
  std::u16string text;
  std::int32_t value;
};

void PrintTo(const IntCase &c, std::ostream *os) { *os << c.name; }

class StringToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(StringToIntTest, ReadsTheNumberSyntax) { EXPECT_EQ(StringToInt(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Texts, StringToIntTest,
    ::testing::Values(
        IntCase{"Decimal", u"12", 12}, IntCase{"LeadingSpaceNegative", u" -7", -7},
        IntCase{"Dollar", u"$1F", 31}, IntCase{"ZeroX", u"0x1f", 31}, IntCase{"ZeroBigX", u"0X1F", 31},
        IntCase{"X", u"x10", 16}, IntCase{"BigX", u"X10", 16}, IntCase{"NegativeHex", u"-$10", -16},
        IntCase{"Plus", u"+5", 5}, IntCase{"LeadingZeros", u"000123", 123},
        IntCase{"ManySpaces", u"    8", 8}, IntCase{"Max", u"2147483647", 2147483647},
        IntCase{"Min", u"-2147483648", std::numeric_limits<std::int32_t>::min()},
        IntCase{"HexMax", u"$7FFFFFFF", 2147483647},
        IntCase{"HexMin", u"-$80000000", std::numeric_limits<std::int32_t>::min()},
        IntCase{"CutAtNul", std::u16string(u"42\0xyz", 6), 42},
        // Everything below is not a number and gives 0.
        IntCase{"Empty", u"", 0}, IntCase{"TrailingSpace", u"12 ", 0}, IntCase{"Fraction", u"1.5", 0},
        IntCase{"Letters", u"abc", 0}, IntCase{"TooBig", u"2147483648", 0},
        IntCase{"TooSmall", u"-2147483649", 0}, IntCase{"HexTooBig", u"$80000000", 0},
        IntCase{"HexAllOnes", u"$FFFFFFFF", 0}, IntCase{"Huge", u"99999999999999999999999", 0},
        IntCase{"OnlySign", u"-", 0}, IntCase{"OnlyDollar", u"$", 0}, IntCase{"OnlyZeroX", u"0x", 0},
        IntCase{"SpaceAfterSign", u"- 5", 0}, IntCase{"TwoSigns", u"+-5", 0},
        IntCase{"Tab", u"\t5", 0}, IntCase{"FullWidthDigit", u"１２", 0},
        IntCase{"HexDigitInDecimal", u"1F", 0}, IntCase{"OnlySpaces", u"   ", 0},
        IntCase{"NulFirst", std::u16string(u"\0" u"5", 2), 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(IntToString, WritesPlainDecimal) {
  EXPECT_EQ(IntToString(0), u"0");
  EXPECT_EQ(IntToString(-7), u"-7");
  EXPECT_EQ(IntToString(1500), u"1500");
  EXPECT_EQ(IntToString(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
  for (std::int32_t v : {0, 1, -1, 123456, std::numeric_limits<std::int32_t>::max(),
                         std::numeric_limits<std::int32_t>::min()})
    EXPECT_EQ(StringToInt(IntToString(v)), v);
}

// ---- StringToReal ------------------------------------------------------------------

struct RealCase {
  const char *name;
  std::u16string text;
  double value;
};

void PrintTo(const RealCase &c, std::ostream *os) { *os << c.name; }

class StringToRealTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(StringToRealTest, ReadsTheNumberSyntax) {
  EXPECT_EQ(StringToReal(GetParam().text), GetParam().value) << ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringToRealTest,
    ::testing::Values(
        RealCase{"Integer", u"12", 12.0}, RealCase{"Fraction", u"1.5", 1.5},
        RealCase{"LeadingSpaceNegative", u"  -0.25", -0.25}, RealCase{"Plus", u"+3", 3.0},
        RealCase{"Exponent", u"1.5E3", 1500.0}, RealCase{"LowerExponent", u"2e-2", 0.02},
        RealCase{"SignedExponent", u"-1e+2", -100.0}, RealCase{"TrailingDot", u"5.", 5.0},
        RealCase{"LeadingDot", u".5", 0.5}, RealCase{"Precise", u"0.1", 0.1},
        RealCase{"CutAtNul", std::u16string(u"2.5\0x", 5), 2.5},
        // Not a number: 0.
        RealCase{"Empty", u"", 0.0}, RealCase{"Comma", u"1,5", 0.0}, RealCase{"OnlyDot", u".", 0.0},
        RealCase{"TrailingSpace", u"1.5 ", 0.0}, RealCase{"DanglingExponent", u"1e", 0.0},
        RealCase{"ExponentSignOnly", u"1e+", 0.0}, RealCase{"Letters", u"abc", 0.0},
        RealCase{"Inf", u"inf", 0.0}, RealCase{"NaN", u"nan", 0.0}, RealCase{"Hex", u"0x10", 0.0},
        RealCase{"TwoDots", u"1.2.3", 0.0}, RealCase{"OnlySign", u"-", 0.0},
        RealCase{"Overflow", u"1e400", 0.0}, RealCase{"FullWidth", u"１.５", 0.0}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- RealToString ------------------------------------------------------------------

struct RealTextCase {
  const char *name;
  double value;
  std::u16string text;
};

void PrintTo(const RealTextCase &c, std::ostream *os) { *os << c.name; }

class RealToStringTest : public ::testing::TestWithParam<RealTextCase> {};

TEST_P(RealToStringTest, WritesGeneralFormatWith15Digits) {
  EXPECT_EQ(RealToString(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RealToStringTest,
    ::testing::Values(
        RealTextCase{"Zero", 0.0, u"0"}, RealTextCase{"NegativeZero", -0.0, u"0"},
        RealTextCase{"One", 1.0, u"1"}, RealTextCase{"Half", 0.5, u"0.5"},
        RealTextCase{"MinusThree", -3.0, u"-3"}, RealTextCase{"Tenth", 0.1, u"0.1"},
        // The float 0.00001f is just below 1e-5 once widened.
        RealTextCase{"WidenedFloat", static_cast<double>(0.00001f), u"9.99999974737875E-6"},
        RealTextCase{"FifteenDigits", 123456789012345.0, u"123456789012345"},
        RealTextCase{"SixteenDigitInteger", 1e15, u"1E15"}, RealTextCase{"BigPower", 1e20, u"1E20"},
        RealTextCase{"SmallNegative", -2.5e-7, u"-2.5E-7"},
        RealTextCase{"FixedLimit", 1e-5, u"0.00001"}, RealTextCase{"TenThousandth", 0.0001, u"0.0001"},
        RealTextCase{"RoundedMantissa", 1234567890123456.0, u"1.23456789012346E15"},
        // Rounding to 15 digits gives a 16-digit integer part: scientific.
        RealTextCase{"RoundsUpToSixteenDigits", 999999999999999.9, u"1E15"},
        RealTextCase{"FifteenSignificant", 0.1 + 0.2, u"0.3"},
        RealTextCase{"Millimetres", 1234.5678, u"1234.5678"},
        RealTextCase{"NegativeFraction", -0.000123, u"-0.000123"},
        RealTextCase{"Third", 1.0 / 3.0, u"0.333333333333333"},
        RealTextCase{"TwoThirdsRounded", 2.0 / 3.0, u"0.666666666666667"},
        RealTextCase{"LargeFraction", 12345.678901234567, u"12345.6789012346"},
        RealTextCase{"MaxDouble", std::numeric_limits<double>::max(), u"1.79769313486232E308"},
        RealTextCase{"Denormal", 5e-324, u"4.94065645841247E-324"},
        RealTextCase{"NaN", std::numeric_limits<double>::quiet_NaN(), u"NAN"},
        RealTextCase{"Infinity", std::numeric_limits<double>::infinity(), u"INF"},
        RealTextCase{"NegativeInfinity", -std::numeric_limits<double>::infinity(), u"-INF"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RealToString, ReadsBackThroughStringToReal) {
  for (double v : {0.5, -3.0, 1e20, -2.5e-7, 1234.5678, 0.0001, 123456789012345.0})
    EXPECT_EQ(StringToReal(RealToString(v)), v);
}

// A C++ locale whose numbers use a decimal comma, built in code because the
// test machine may have no such locale installed.
struct CommaNumbers : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(RealToString, IgnoresTheGlobalCppLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
  const std::u16string written = RealToString(1.5);
  const double read = StringToReal(u"1.5");
  std::locale::global(previous);
  EXPECT_EQ(written, u"1.5");
  EXPECT_EQ(read, 1.5);
}

TEST(RealToString, IgnoresTheProcessLocale) {
  const char *chosen = nullptr;
  for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
    if ((chosen = std::setlocale(LC_ALL, name))) break;
  if (!chosen) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(RealToString(1.5), u"1.5");
  EXPECT_EQ(StringToReal(u"1.5"), 1.5);
  EXPECT_EQ(StringToReal(u"1,5"), 0.0);
  std::setlocale(LC_ALL, "C");
}

TEST(IsFiniteReal, RejectsNaNAndInfinities) {
  EXPECT_TRUE(IsFiniteReal(0.0));
  EXPECT_TRUE(IsFiniteReal(-1e308));
  EXPECT_TRUE(IsFiniteReal(5e-324));
  EXPECT_FALSE(IsFiniteReal(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(IsFiniteReal(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(IsFiniteReal(-std::numeric_limits<double>::infinity()));
}

// ---- UTF-8 hexadecimal text --------------------------------------------------------

TEST(Utf8Hex, EncodesAndDecodesPaths) {
  EXPECT_EQ(StringToUtf8Hex(u"C:\\a"), u"433A5C61");
  EXPECT_EQ(Utf8HexToString(u"433A5C61"), u"C:\\a");
  EXPECT_EQ(StringToUtf8Hex(u"参照"), u"E58F82E785A7");
  EXPECT_EQ(Utf8HexToString(u"E58F82E785A7"), u"参照");
  EXPECT_EQ(StringToUtf8Hex(u""), u"");
  EXPECT_EQ(Utf8HexToString(u""), u"");
}

TEST(Utf8Hex, RoundTripsEveryPlane) {
  const std::u16string s = u"D:\\図面\\ｱ\U0001F600~";
  EXPECT_EQ(Utf8HexToString(StringToUtf8Hex(s)), s);
  EXPECT_EQ(Utf8HexToString(LocaleLowerCase(StringToUtf8Hex(s))), s);
}

TEST(Utf8Hex, InvalidHexTextGivesTheEmptyText) {
  EXPECT_EQ(Utf8HexToString(u"61FF62"), u"");
  EXPECT_EQ(Utf8HexToString(u"E58F"), u"");  // a character cut in half
  EXPECT_EQ(Utf8HexToString(u"61zz62"), u"a");  // the bad pair is a zero byte
}

// ---- Cleaners ------------------------------------------------------------------------

TEST(RemoveBlanks, DropsSpacesIdeographicSpacesAndControls) {
  EXPECT_EQ(RemoveBlanks(u" A\u3000B "), u"AB");
  EXPECT_EQ(RemoveBlanks(u""), u"");
  EXPECT_EQ(RemoveBlanks(u" \u3000\t "), u"");
  EXPECT_EQ(RemoveBlanks(u"a\tb\nc\u00A0d"), u"abc\u00A0d");  // no-break space stays
}

struct SanitizeCase {
  const char *name;
  std::u16string text;
  std::u16string cleaned;
};

void PrintTo(const SanitizeCase &c, std::ostream *os) { *os << c.name; }

class SanitizeTextTest : public ::testing::TestWithParam<SanitizeCase> {};

TEST_P(SanitizeTextTest, Cleans) {
  EXPECT_EQ(SanitizeText(GetParam().text), GetParam().cleaned);
  EXPECT_EQ(IsSanitizedText(GetParam().text), GetParam().cleaned == GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SanitizeTextTest,
    ::testing::Values(SanitizeCase{"Empty", u"", u""},
                      SanitizeCase{"MarkersRemoved", u"a^mb\\nc", u"abc"},
                      SanitizeCase{"LoneCaret", u"^", u"^"},
                      SanitizeCase{"OnlyTab", u"\t", u" "},
                      SanitizeCase{"UpperCaseKept", u"a^Mb\\Nc", u"a^Mb\\Nc"},
                      SanitizeCase{"TrailingBackslash", u"ab\\", u"ab\\"},
                      SanitizeCase{"OnlyMarkers", u"^m\\n", u" "},
                      SanitizeCase{"Controls", u"a\r\nb", u"ab"},
                      SanitizeCase{"MarkerAfterCaret", u"^^m", u"^"},
                      SanitizeCase{"OverlappingMarkers", u"\\^m", u"\\"},
                      SanitizeCase{"SpacesKept", u"  ", u"  "},
                      SanitizeCase{"Japanese", u"図面^m１", u"図面１"},
                      SanitizeCase{"AlreadyClean", u"MS Gothic 図面", u"MS Gothic 図面"},
                      SanitizeCase{"MarkerAtTheEnd", u"ab^m", u"ab"}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velkaro
