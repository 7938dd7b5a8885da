// The whole code page 932 table through the codec: every pair that decodes
// to one character encodes back, except the 398 duplicate codes of Windows'
// code page 932, which encode to the one code Windows prefers. Plus the
// per-thread converters under concurrent use.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <thread>
#include <vector>

#include "support/Codepage.h"
#include "support/Func_2.h"

namespace velkaro {
namespace {

// Runs of duplicate codes: [first, last] encodes as [canonical, ...] in step.
struct DuplicateRun {
  int first, last, canonical;
};

// NEC row 13 specials repeat JIS X 0208 symbols; NEC-selected IBM extensions
// (rows 89 to 92) repeat the IBM extensions (0xFA40..0xFC4B); ten IBM roman
// numerals and three symbols repeat NEC row 13. Windows writes the JIS code,
// the IBM code and the NEC row 13 code respectively; ￢ and ∵ go to JIS.
constexpr DuplicateRun kDuplicateRuns[] = {
    {0x8790, 0x8790, 0x81E0}, {0x8791, 0x8791, 0x81DF}, {0x8792, 0x8792, 0x81E7},
    {0x8795, 0x8795, 0x81E3}, {0x8796, 0x8796, 0x81DB}, {0x8797, 0x8797, 0x81DA},
    {0x879A, 0x879A, 0x81E6}, {0x879B, 0x879B, 0x81BF}, {0x879C, 0x879C, 0x81BE},
    {0xED40, 0xED62, 0xFA5C}, {0xED63, 0xED7E, 0xFA80}, {0xED80, 0xEDE0, 0xFA9C},
    {0xEDE1, 0xEDFC, 0xFB40}, {0xEE40, 0xEE62, 0xFB5C}, {0xEE63, 0xEE7E, 0xFB80},
    {0xEE80, 0xEEE0, 0xFB9C}, {0xEEE1, 0xEEEC, 0xFC40}, {0xEEEF, 0xEEF8, 0xFA40},
    {0xEEF9, 0xEEF9, 0x81CA}, {0xEEFA, 0xEEFC, 0xFA55}, {0xFA4A, 0xFA53, 0x8754},
    {0xFA54, 0xFA54, 0x81CA}, {0xFA58, 0xFA58, 0x878A}, {0xFA59, 0xFA59, 0x8782},
    {0xFA5A, 0xFA5A, 0x8784}, {0xFA5B, 0xFA5B, 0x81E6},
};

// Trail bytes 0x40..0x7E and 0x80..0xFC: the codes inside a run step over
// 0x7F, which is never a trail byte (the runs above never cross it).
std::map<int, int> ExpectedDuplicates() {
  std::map<int, int> out;
  for (const DuplicateRun &run : kDuplicateRuns)
    for (int code = run.first; code <= run.last; ++code) out[code] = run.canonical + (code - run.first);
  return out;
}

// Every two-byte code that decodes to exactly one character. A zero trail
// byte would only end the text.
std::map<int, std::u16string> DecodablePairs() {
  std::map<int, std::u16string> out;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    if (!IsLegacyLeadByte(static_cast<std::uint8_t>(lead))) continue;
    for (int trail = 0x01; trail <= 0xFF; ++trail) {
      const Bytes pair{static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
      const std::u16string s = LegacyBytesToString(pair);
      if (s.size() == 1 && s[0] != u'\uFFFD') out[lead * 256 + trail] = s;
    }
  }
  return out;
}

int CodeOf(const Bytes &bytes) { return bytes.size() == 2 ? bytes[0] * 256 + bytes[1] : -1; }

TEST(CodepageTable, ConverterIsAvailableInEveryThread) {
  EXPECT_TRUE(codepage::LegacyCodepageAvailable());
  bool inThread = false;
  std::thread([&] { inThread = codepage::LegacyCodepageAvailable(); }).join();
  EXPECT_TRUE(inThread);
}

TEST(CodepageTable, AllDoubleByteCharactersOfTheTableDecode) {
  // 7 724 codes of the JIS, NEC and IBM sets plus 1 880 user-defined codes.
  const auto pairs = DecodablePairs();
  EXPECT_EQ(pairs.size(), 9604u);
  for (const auto &[code, s] : pairs) {
    const int trail = code & 0xFF;
    EXPECT_TRUE((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) << std::hex << code;
    EXPECT_FALSE(s[0] >= 0xD800 && s[0] <= 0xDFFF) << std::hex << code;
  }
}

TEST(CodepageTable, BytesOutsideTheLeadRangesNeverStartAPair) {
  for (int first = 0x01; first <= 0xFF; ++first) {
    if (IsLegacyLeadByte(static_cast<std::uint8_t>(first))) continue;
    for (int second : {0x40, 0x41, 0x7E, 0x80, 0x9F, 0xA1, 0xFC}) {
      const Bytes pair{static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
      EXPECT_EQ(LegacyBytesToString(pair).size(), 2u) << std::hex << first << " " << second;
    }
  }
}

TEST(CodepageTable, EveryNonDuplicatePairRoundTrips) {
  const auto duplicates = ExpectedDuplicates();
  int roundTrips = 0;
  for (const auto &[code, s] : DecodablePairs()) {
    if (duplicates.count(code)) continue;
    EXPECT_EQ(CodeOf(StringToLegacyBytes(s)), code) << std::hex << "code " << code;
    ++roundTrips;
  }
  EXPECT_EQ(roundTrips, 9604 - 398);
}

TEST(CodepageTable, EachDuplicateEncodesToItsCanonicalCode) {
  const auto duplicates = ExpectedDuplicates();
  ASSERT_EQ(duplicates.size(), 398u);
  const auto pairs = DecodablePairs();
  for (const auto &[code, canonical] : duplicates) {
    ASSERT_TRUE(pairs.count(code)) << std::hex << "code " << code;
    const std::u16string &s = pairs.at(code);
    // The canonical code is itself a round-tripping code for the same character.
    EXPECT_EQ(LegacyBytesToString(Bytes{static_cast<std::uint8_t>(canonical >> 8),
                                        static_cast<std::uint8_t>(canonical & 0xFF)}),
              s)
        << std::hex << "code " << code;
    EXPECT_EQ(CodeOf(StringToLegacyBytes(s)), canonical) << std::hex << "code " << code;
  }
}

TEST(CodepageTable, NoOtherPairFailsToRoundTrip) {
  // The duplicate list is complete: any pair that does not round trip is in it.
  const auto duplicates = ExpectedDuplicates();
  for (const auto &[code, s] : DecodablePairs()) {
    if (CodeOf(StringToLegacyBytes(s)) != code) {
      EXPECT_TRUE(duplicates.count(code)) << std::hex << "code " << code;
    }
  }
}

TEST(CodepageTable, SingleBytesRoundTrip) {
  for (int b = 0x00; b <= 0xDF; ++b) {
    if (b >= 0x80 && b <= 0xA0) continue;  // lead bytes and the unassigned 0x80, 0xA0
    const Bytes one{static_cast<std::uint8_t>(b)};
    const std::u16string s = LegacyBytesToString(one);
    if (b == 0) {
      EXPECT_EQ(s, u"");
      continue;
    }
    ASSERT_EQ(s.size(), 1u) << "byte " << b;
    EXPECT_EQ(StringToLegacyBytes(s), one) << "byte " << b;
    if (b >= 0xA1) {
      EXPECT_EQ(s[0], 0xFF61 + (b - 0xA1)) << "half-width katakana " << b;
    }
  }
}

struct KnownMapping {
  int code;
  char16_t unit;
};

void PrintTo(const KnownMapping &m, std::ostream *os) {
  *os << std::hex << m.code << " U+" << static_cast<int>(m.unit);
}

class Codepage932Mapping : public ::testing::TestWithParam<KnownMapping> {};

// Codes whose mapping tells code page 932 apart from plain Shift_JIS tables.
TEST_P(Codepage932Mapping, MatchesWindows) {
  const KnownMapping m = GetParam();
  const Bytes bytes{static_cast<std::uint8_t>(m.code >> 8), static_cast<std::uint8_t>(m.code & 0xFF)};
  EXPECT_EQ(LegacyBytesToString(bytes), std::u16string(1, m.unit));
  EXPECT_EQ(StringToLegacyBytes(std::u16string(1, m.unit)), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Windows31J, Codepage932Mapping,
    ::testing::Values(KnownMapping{0x815F, 0xFF3C}, KnownMapping{0x8160, 0xFF5E},
                      KnownMapping{0x8161, 0x2225}, KnownMapping{0x817C, 0xFF0D},
                      KnownMapping{0x8191, 0xFFE0}, KnownMapping{0x8192, 0xFFE1},
                      KnownMapping{0x81CA, 0xFFE2}, KnownMapping{0x8740, 0x2460},
                      KnownMapping{0x8754, 0x2160}, KnownMapping{0x8780, 0x301D},
                      KnownMapping{0xFA40, 0x2170}, KnownMapping{0xFA5C, 0x7E8A},
                      KnownMapping{0xF040, 0xE000}, KnownMapping{0xF9FC, 0xE757},
                      KnownMapping{0x889F, 0x4E9C}, KnownMapping{0xEAA4, 0x7199}));

TEST(CodepageThreads, ConcurrentConversionsGiveTheSameResults) {
  const auto pairs = DecodablePairs();
  std::vector<std::uint8_t> all;
  for (const auto &[code, s] : pairs) {
    all.push_back(static_cast<std::uint8_t>(code >> 8));
    all.push_back(static_cast<std::uint8_t>(code & 0xFF));
    all.push_back(0x41);
    all.push_back(0xB1);
  }
  const std::u16string expectedText = LegacyBytesToString(all);
  const Bytes expectedBytes = StringToLegacyBytes(expectedText);
  ASSERT_FALSE(expectedText.empty());

  constexpr int kThreads = 6;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        // Short conversions between the long ones exercise converter reuse
        // with a different state left behind.
        if (LegacyBytesToString(Bytes{0x93}) != u"\uFFFD") ++mismatches[t];
        if (LegacyBytesToString(all) != expectedText) ++mismatches[t];
        if (StringToLegacyBytes(u"\U0001F600") != Bytes{0x3F}) ++mismatches[t];
        if (StringToLegacyBytes(expectedText) != expectedBytes) ++mismatches[t];
      }
    });
  }
  for (auto &thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

TEST(CodepageThreads, TruncatedInputLeavesNoStateForTheNextCall) {
  // A lead byte at the end must not swallow the first byte of the next text.
  EXPECT_EQ(LegacyBytesToString(Bytes{0x41, 0x93}), u"A\uFFFD");
  EXPECT_EQ(LegacyBytesToString(Bytes{0x41, 0x42}), u"AB");
  EXPECT_EQ(StringToLegacyBytes(std::u16string{u'a', char16_t{0xD83D}}), (Bytes{0x61, 0x3F}));
  EXPECT_EQ(StringToLegacyBytes(std::u16string{char16_t{0xDE00}, u'b'}), (Bytes{0x3F, 0x62}));
}

// Texts made only of characters below 0x80 skip the converter; the shortcut
// must give exactly what the converter gives, and texts with any other
// character must still reach the converter.
TEST(CodepageShortcut, EveryCharacterBelow0x80MatchesTheConverter) {
  for (int c = 0x00; c < 0x80; ++c) {
    const Bytes byte{static_cast<std::uint8_t>(c)};
    const std::u16string unit(1, static_cast<char16_t>(c));
    EXPECT_EQ(codepage::LegacyDecode(byte), codepage::ConverterDecode(byte)) << "byte " << c;
    EXPECT_EQ(codepage::LegacyEncode(unit), codepage::ConverterEncode(unit)) << "unit " << c;
  }
}

TEST(CodepageShortcut, MixedTextsMatchTheConverter) {
  Bytes allBelow0x80;
  for (int c = 0x01; c < 0x80; ++c) allBelow0x80.push_back(static_cast<std::uint8_t>(c));
  const std::vector<Bytes> byteTexts{
      {}, allBelow0x80, {0x1A, 0x1C, 0x7F},              // the three ICU swaps
      {0x80}, {0xA0}, {0xFD}, {0xFF}, {0xB1, 0x41},       // single bytes from 0x80 up
      {0x41, 0x81, 0x40, 0x42}, {0x88, 0x9F, 0x7F},      // two-byte characters among ASCII
      {0x81, 0x5C, 0x5C, 0x7E}, {0x41, 0x93},              // trail byte 0x5C; a lone lead byte
  };
  for (const Bytes &bytes : byteTexts) {
    const std::u16string text = codepage::ConverterDecode(bytes);
    EXPECT_EQ(codepage::LegacyDecode(bytes), text) << ::testing::PrintToString(bytes);
    EXPECT_EQ(codepage::LegacyEncode(text), codepage::ConverterEncode(text))
        << ::testing::PrintToString(bytes);
  }
  const std::vector<std::u16string> texts{u"MS Gothic", u"\u0080", u"a\u00A5", u"\uFF5E~",
                                          std::u16string{u'a', char16_t{0xD83D}}, u"1000\u007F"};
  for (const std::u16string &text : texts)
    EXPECT_EQ(codepage::LegacyEncode(text), codepage::ConverterEncode(text));
}

}  // namespace
}  // namespace velkaro
