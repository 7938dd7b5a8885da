// The legacy text codec: code page 932 strings, fixed-width fields, UTF-16LE,
// UTF-8 and hexadecimal byte forms.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "support/Func_2.h"

namespace velkaro {
namespace {

Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// ---- LegacyBytesToString / StringToLegacyBytes ------------------------------

TEST(LegacyBytesToString, EndsBeforeTheFirstZeroByte) {
  EXPECT_EQ(LegacyBytesToString(B({0x41, 0x00, 0x42})), u"A");
  EXPECT_EQ(LegacyBytesToString(Bytes{}), u"");
  EXPECT_EQ(LegacyBytesToString(B({0x00, 0x41})), u"");
}

TEST(LegacyBytesToString, DecodesJapaneseAndHalfWidthKatakana) {
  // 日本 = 93FA 967B, ｱ = B1, and the yen-less backslash of code page 932.
  EXPECT_EQ(LegacyBytesToString(B({0x93, 0xFA, 0x96, 0x7B, 0xB1, 0x5C, 0x7E})), u"日本ｱ\\~");
}

TEST(LegacyBytesToString, UndecodableBytesBecomeReplacementCharacters) {
  // 0x80 and 0xA0 are unassigned single bytes; 85 40 is an unassigned pair;
  // a lead byte before a byte that cannot trail it spoils only itself.
#ifndef _WIN32  // Windows' 932 maps these single bytes (WindowsPlatformTest)
  EXPECT_EQ(LegacyBytesToString(B({0x80, 0x41})), u"\uFFFDA");
  EXPECT_EQ(LegacyBytesToString(B({0xA0})), u"\uFFFD");
#endif
  EXPECT_EQ(LegacyBytesToString(B({0x85, 0x40, 0x41})), u"\uFFFDA");
  EXPECT_EQ(LegacyBytesToString(B({0x81, 0x20, 0x41})), u"\uFFFD A");
}

TEST(LegacyBytesToString, LeadByteCutOffAtTheEndIsReplacedNotDropped) {
  EXPECT_EQ(LegacyBytesToString(B({0x41, 0x93})), u"A\uFFFD");
  EXPECT_EQ(LegacyBytesToString(B({0x41, 0x93, 0x00, 0xFA})), u"A\uFFFD");
}

// Regression: ICU's windows-31j table rotates 0x1A, 0x1C and 0x7F the IBM
// way; Windows maps every byte below 0x80 to itself, and so must we.
TEST(LegacyBytesToString, ControlBytesMapToThemselvesAsOnWindows) {
  for (int b = 1; b < 0x80; ++b) {
    const std::u16string s = LegacyBytesToString(B({b}));
    ASSERT_EQ(s.size(), 1u) << "byte " << b;
    EXPECT_EQ(s[0], static_cast<char16_t>(b)) << "byte " << b;
    EXPECT_EQ(StringToLegacyBytes(s), B({b})) << "byte " << b;
  }
}

TEST(StringToLegacyBytes, EncodesWithoutTerminator) {
  EXPECT_EQ(StringToLegacyBytes(u"A日"), B({0x41, 0x93, 0xFA}));
  EXPECT_EQ(StringToLegacyBytes(u""), Bytes{});
}

TEST(StringToLegacyBytes, NulBecomesAZeroByte) {
  EXPECT_EQ(StringToLegacyBytes(std::u16string(u"a\0b", 3)), B({0x61, 0x00, 0x62}));
}

TEST(StringToLegacyBytes, UnrepresentableCharactersBecomeQuestionMarks) {
  // Hangul, an emoji (a surrogate pair: one "?"), the yen sign (no best fit)
  // and a lone surrogate.
  EXPECT_EQ(StringToLegacyBytes(u"a한b"), B({0x61, 0x3F, 0x62}));
  EXPECT_EQ(StringToLegacyBytes(u"\U0001F600"), B({0x3F}));
  EXPECT_EQ(StringToLegacyBytes(u"\u00A5"), B({0x3F}));
  EXPECT_EQ(StringToLegacyBytes(std::u16string{u'x', char16_t{0xD800}, u'y'}), B({0x78, 0x3F, 0x79}));
  EXPECT_EQ(StringToLegacyBytes(std::u16string{u'x', char16_t{0xDC00}}), B({0x78, 0x3F}));
}

TEST(LegacyByteLength, CountsEncodedBytesUpToTheFirstNul) {
  EXPECT_EQ(LegacyByteLength(u""), 0u);
  EXPECT_EQ(LegacyByteLength(u"参照図"), 6u);
  EXPECT_EQ(LegacyByteLength(u"abc"), 3u);
  EXPECT_EQ(LegacyByteLength(std::u16string(u"ab\0cd", 5)), 2u);
  EXPECT_EQ(LegacyByteLength(u"한"), 1u);  // written as "?"
}

TEST(IsLegacyLeadByte, CoversExactlyTheTwoLeadRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool expected = (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
    EXPECT_EQ(IsLegacyLeadByte(static_cast<std::uint8_t>(b)), expected) << "byte " << b;
  }
}

// ---- Fixed-width fields -------------------------------------------------------

struct FixedCase {
  const char *name;
  std::u16string text;
  std::size_t width;
  Bytes zeroFilled;
};

void PrintTo(const FixedCase &c, std::ostream *os) { *os << c.name; }

class StringToFixedBytesTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(StringToFixedBytesTest, FillsTheFieldWithoutSplittingACharacter) {
  const FixedCase &c = GetParam();
  std::vector<std::uint8_t> buf(c.width + 3, 0xEE);  // bytes past the field stay
  const auto field = StringToFixedBytes(c.text, c.width, buf);
  ASSERT_EQ(field.size(), c.width);
  EXPECT_EQ(field.data(), buf.data());
  EXPECT_EQ(Bytes(field.begin(), field.end()), c.zeroFilled);
  for (std::size_t i = c.width; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xEE) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, StringToFixedBytesTest,
    ::testing::Values(
        // 参照図 = 8E51 8FC6 907D
        FixedCase{"ThreeDoubleInFive", u"参照図", 5, B({0x8E, 0x51, 0x8F, 0xC6, 0x00})},
        FixedCase{"ThreeDoubleInSixNoTerminator", u"参照図", 6,
                  B({0x8E, 0x51, 0x8F, 0xC6, 0x90, 0x7D})},
        FixedCase{"ThreeDoubleInSeven", u"参照図", 7,
                  B({0x8E, 0x51, 0x8F, 0xC6, 0x90, 0x7D, 0x00})},
        FixedCase{"DoubleInOne", u"参", 1, B({0x00})},
        FixedCase{"MixedHalfAndDouble", u"aｱ参b", 4, B({0x61, 0xB1, 0x8E, 0x51})},
        FixedCase{"MixedCutBeforeDouble", u"ab参", 3, B({0x61, 0x62, 0x00})},
        FixedCase{"AsciiCut", u"abcdef", 4, B({0x61, 0x62, 0x63, 0x64})},
        FixedCase{"Empty", u"", 3, B({0, 0, 0})},
        FixedCase{"ZeroWidth", u"abc", 0, Bytes{}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StringToFixedBytesSpaced, FillsWithSpaces) {
  std::array<std::uint8_t, 5> buf{};
  const auto field = StringToFixedBytesSpaced(u"abc", 5, buf);
  EXPECT_EQ(Bytes(field.begin(), field.end()), B({0x61, 0x62, 0x63, 0x20, 0x20}));
}

TEST(StringToFixedBytesSpaced, LeavesASpaceWhereHalfACharacterWouldGo) {
  std::array<std::uint8_t, 3> buf{};
  const auto field = StringToFixedBytesSpaced(u"a参", 2, buf);
  EXPECT_EQ(Bytes(field.begin(), field.end()), B({0x61, 0x20}));
}

TEST(StringToFixedBytes, NulInTheTextEndsTheUsefulPartButIsCopied) {
  std::array<std::uint8_t, 4> buf{};
  buf.fill(0x55);
  const auto field = StringToFixedBytesSpaced(std::u16string(u"a\0b", 3), 4, buf);
  EXPECT_EQ(Bytes(field.begin(), field.end()), B({0x61, 0x00, 0x62, 0x20}));
}

TEST(StringToFixedBytes, NeverWritesPastAShortBuffer) {
  std::array<std::uint8_t, 2> buf{};
  const auto field = StringToFixedBytes(u"abcd", 8, buf);
  EXPECT_EQ(field.size(), 2u);
  EXPECT_EQ(Bytes(field.begin(), field.end()), B({0x61, 0x62}));
}

TEST(FillBytes, SetsTheFirstNBytesOnly) {
  std::array<std::uint8_t, 4> buf{1, 2, 3, 4};
  const auto field = FillBytes(0x20, 3, buf);
  EXPECT_EQ(field.size(), 3u);
  EXPECT_EQ(buf, (std::array<std::uint8_t, 4>{0x20, 0x20, 0x20, 4}));
}

// ---- UTF-16LE ------------------------------------------------------------------

TEST(StringToUtf16Bytes, LittleEndianUnitsWithoutBomOrTerminator) {
  EXPECT_EQ(StringToUtf16Bytes(u"A参"), B({0x41, 0x00, 0xC2, 0x53}));
  EXPECT_EQ(StringToUtf16Bytes(u""), Bytes{});
  EXPECT_EQ(StringToUtf16Bytes(u"\U0001F600"), B({0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(Utf16BytesToString, IgnoresAnOddLastByte) {
  EXPECT_EQ(Utf16BytesToString(B({0x41, 0x00, 0x42, 0x00, 0x43})), u"AB");
}

TEST(Utf16BytesToString, EndsBeforeTheFirstZeroUnit) {
  EXPECT_EQ(Utf16BytesToString(B({0x41, 0x00, 0x00, 0x00, 0x42, 0x00})), u"A");
  // A zero byte that is half of a unit does not end the text.
  EXPECT_EQ(Utf16BytesToString(B({0x00, 0x30, 0x41, 0x00})), u"\u3000A");
}

TEST(Utf16BytesToString, KeepsLoneSurrogatesAsTheyAre) {
  const std::u16string s = Utf16BytesToString(B({0x00, 0xD8, 0x41, 0x00}));
  EXPECT_EQ(s, (std::u16string{char16_t{0xD800}, u'A'}));
  EXPECT_EQ(StringToUtf16Bytes(s), B({0x00, 0xD8, 0x41, 0x00}));
}

// ---- UTF-8 -----------------------------------------------------------------------

TEST(StringToUtf8Bytes, EncodesEveryPlane) {
  EXPECT_EQ(StringToUtf8Bytes(u"a参\U0001F600"),
            B({0x61, 0xE5, 0x8F, 0x82, 0xF0, 0x9F, 0x98, 0x80}));
}

TEST(StringToUtf8Bytes, WritesUnpairedSurrogatesAsReplacementCharacter) {
  const std::u16string lone{u'a', char16_t{0xD800}, u'b', char16_t{0xDC80}};
  const Bytes bytes = StringToUtf8Bytes(lone);
  EXPECT_EQ(bytes, B({0x61, 0xEF, 0xBF, 0xBD, 0x62, 0xEF, 0xBF, 0xBD}));
  // The output is always well-formed, so it decodes again.
  EXPECT_EQ(Utf8BytesToString(bytes), u"a\uFFFDb\uFFFD");
}

TEST(Utf8BytesToString, DecodesAndEndsAtNul) {
  EXPECT_EQ(Utf8BytesToString(B({0xE5, 0x8F, 0x82, 0x00, 0x41})), u"参");
  EXPECT_EQ(Utf8BytesToString(Bytes{}), u"");
  EXPECT_EQ(Utf8BytesToString(B({0xF0, 0x9F, 0x98, 0x80})), u"\U0001F600");
}

class Utf8InvalidTest : public ::testing::TestWithParam<std::pair<const char *, Bytes>> {};

TEST_P(Utf8InvalidTest, InvalidInputAsAWholeGivesTheEmptyString) {
  EXPECT_EQ(Utf8BytesToString(GetParam().second), u"");
}

INSTANTIATE_TEST_SUITE_P(
    IllFormed, Utf8InvalidTest,
    ::testing::Values(std::pair{"StrayFF", B({0x61, 0xFF, 0x62})},
                      std::pair{"LoneContinuation", B({0x80})},
                      std::pair{"Overlong", B({0xC0, 0xAF})},
                      std::pair{"OverlongNul", B({0xC0, 0x80})},
                      std::pair{"EncodedSurrogate", B({0xED, 0xA0, 0x80})},
                      std::pair{"AboveUnicode", B({0xF4, 0x90, 0x80, 0x80})},
                      std::pair{"TruncatedAtEnd", B({0x61, 0xE5, 0x8F})},
                      std::pair{"InvalidAfterNul", B({0x61, 0x00, 0xFF})},
                      std::pair{"Latin1", B({0x63, 0x61, 0x66, 0xE9})}),
    [](const auto &info) { return std::string(info.param.first); });

// ---- Hexadecimal text ---------------------------------------------------------

TEST(BytesToHex, UpperCaseDigitsUpToTheFirstZeroByte) {
  EXPECT_EQ(BytesToHex(B({0x61, 0x62, 0x63})), u"616263");
  EXPECT_EQ(BytesToHex(B({0x61, 0x00, 0x62})), u"61");
  EXPECT_EQ(BytesToHex(B({0xAB, 0x0F, 0xF0})), u"AB0FF0");
  EXPECT_EQ(BytesToHex(Bytes{}), u"");
}

struct HexCase {
  const char *name;
  std::u16string hex;
  Bytes bytes;
};

void PrintTo(const HexCase &c, std::ostream *os) { *os << c.name; }

class HexToBytesTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToBytesTest, PairsThenOneZeroByte) { EXPECT_EQ(HexToBytes(GetParam().hex), GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(
    Texts, HexToBytesTest,
    ::testing::Values(HexCase{"Abc", u"616263", B({0x61, 0x62, 0x63, 0x00})},
                      HexCase{"OddLength", u"616", B({0x61, 0x06, 0x00})},
                      HexCase{"NotHex", u"6G", B({0x00, 0x00})},
                      HexCase{"Empty", u"", B({0x00})},
                      HexCase{"LowerCase", u"abCD", B({0xAB, 0xCD, 0x00})},
                      HexCase{"BadPairAmongGood", u"41zz42", B({0x41, 0x00, 0x42, 0x00})},
                      HexCase{"OddBadDigit", u"41g", B({0x41, 0x00, 0x00})},
                      HexCase{"SignIsNoDigit", u"+1", B({0x00, 0x00})},
                      HexCase{"FullWidthIsNoDigit", u"４１", B({0x00, 0x00})}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RemoveControlChars, DropsOnlyU0000ToU001F) {
  EXPECT_EQ(RemoveControlChars(u"a\tb\rc\nd"), u"abcd");
  const std::u16string kept{u' ', char16_t{0x7F}, char16_t{0xD800}, u'参', char16_t{0x85}};
  EXPECT_EQ(RemoveControlChars(kept), kept);
  EXPECT_EQ(RemoveControlChars(std::u16string(u"\0\x1F" u"x", 3)), u"x");
}

// ---- Program text ----------------------------------------------------------------

TEST(ToUtf8, EncodesProgramText) {
  EXPECT_EQ(ToUtf8(u"変換 (&T)"), "\xE5\xA4\x89\xE6\x8F\x9B (&T)");
  EXPECT_EQ(FromUtf8("\xE5\xA4\x89\xE6\x8F\x9B"), u"変換");
}

TEST(ToUtf8, GivesBackTheRawByteOfAnEscapedFileNameByte) {
  EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t{0xDCFF}}), "a\xFF");
  EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t{0xD800}}), "a\xEF\xBF\xBD");
}

TEST(FromUtf8, ReplacesInvalidSequencesInsteadOfFailing) {
  EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE5\x8F"), u"\uFFFD");
  EXPECT_EQ(FromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

}  // namespace
}  // namespace velkaro
