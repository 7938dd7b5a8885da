// The archive primitives of the JWW document: the three string forms, counts,
// class tags and new-class records, and the attribute record with the
// conversions the writer applies for older targets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jww/JwwUnit.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(const std::string &hex) {
  Bytes out;
  std::string digits;
  for (char c : hex)
    if (std::isxdigit(static_cast<unsigned char>(c)))
      digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes Ascii(const std::string &s) { return Bytes(s.begin(), s.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto &p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Written(const ByteWriter &w) { return Bytes(w.bytes().begin(), w.bytes().end()); }

// ---- ReadCString ------------------------------------------------------------

struct StringCase {
  const char *name;
  std::string hex;
  std::u16string expected;
  bool utf16;
  std::size_t consumed;
};

class ReadCStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(ReadCStringTest, DecodesEachForm) {
  const StringCase &c = GetParam();
  const Bytes bytes = Hex(c.hex);
  TJwwData doc;
  ByteReader s(bytes);
  EXPECT_EQ(doc.ReadCString(s), c.expected);
  EXPECT_EQ(doc.MojiEncode, c.utf16);
  EXPECT_EQ(s.offset(), c.consumed);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReadCStringTest,
    ::testing::Values(
        StringCase{"Empty", "00", u"", false, 1},
        StringCase{"ShortLegacy", "03 41 42 43", u"ABC", false, 4},
        StringCase{"LongLegacyWithSmallLength", "FF 03 00 41 42 43", u"ABC", false, 6},
        StringCase{"Utf16Short", "FF FE FF 02 41 00 42 00", u"AB", true, 8},
        StringCase{"Utf16Long", "FF FE FF FF 02 00 41 00 42 00", u"AB", true, 10},
        StringCase{"Utf16Empty", "FF FE FF 00", u"", true, 4},
        StringCase{"LegacyCutAtZeroByte", "03 41 00 42", u"A", false, 4},
        StringCase{"Utf16CutAtZeroUnit", "FF FE FF 02 41 00 00 00", u"A", true, 8},
        StringCase{"ShiftJis", "04 93 FA 96 7B", u"日本", false, 5},
        StringCase{"CutShortByTheEnd", "05 41 42", u"AB", false, 3},
        StringCase{"NoBytesAtAll", "", u"", false, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ReadCString, LengthFFFFAfterMarkerByteIsA65535ByteLegacyString) {
  const Bytes bytes = Concat({Hex("FF FF FF"), Bytes(65535, 'x')});
  TJwwData doc;
  ByteReader s(bytes);
  EXPECT_EQ(doc.ReadCString(s), std::u16string(65535, u'x'));
  EXPECT_FALSE(doc.MojiEncode);
  EXPECT_TRUE(s.atEnd());
}

TEST(ReadCString, Utf16MarkerSetsMojiEncodeAndALaterLegacyStringLeavesItSet) {
  const Bytes bytes = Hex("FF FE FF 01 41 00 01 42");
  TJwwData doc;
  ByteReader s(bytes);
  EXPECT_EQ(doc.ReadCString(s), u"A");
  EXPECT_EQ(doc.ReadCString(s), u"B");
  EXPECT_TRUE(doc.MojiEncode);
}

TEST(ReadCStringPlain, DropsControlCharactersButReadCStringKeepsThem) {
  const Bytes bytes = Hex("05 61 09 62 0D 0A 05 61 09 62 0D 0A");
  TJwwData doc;
  ByteReader s(bytes);
  EXPECT_EQ(doc.ReadCStringPlain(s), u"ab");
  EXPECT_EQ(doc.ReadCString(s), u"a\tb\r\n");
}

// ---- WriteCString -----------------------------------------------------------

TEST(WriteCString, LegacyLengthOf254UsesOneByteAnd255TheLongForm) {
  TJwwData doc;
  ByteWriter w254, w255;
  doc.WriteCString(w254, std::u16string(254, u'a'));
  doc.WriteCString(w255, std::u16string(255, u'a'));
  EXPECT_EQ(Written(w254), Concat({Hex("FE"), Bytes(254, 'a')}));
  EXPECT_EQ(Written(w255), Concat({Hex("FF FF 00"), Bytes(255, 'a')}));
}

TEST(WriteCString, LegacyEmptyIsOneZeroByteAndJapaneseIsShiftJis) {
  TJwwData doc;
  ByteWriter empty, japanese;
  doc.WriteCString(empty, u"");
  doc.WriteCString(japanese, u"日本");
  EXPECT_EQ(Written(empty), Hex("00"));
  EXPECT_EQ(Written(japanese), Hex("04 93 FA 96 7B"));
}

TEST(WriteCString, Utf16FormForEmptyShortAndLongTexts) {
  TJwwData doc;
  doc.FileOutOpt = kFileOutUtf16;
  ByteWriter empty, shortText, longText;
  doc.WriteCString(empty, u"");
  doc.WriteCString(shortText, u"日");
  doc.WriteCString(longText, std::u16string(255, u'a'));
  EXPECT_EQ(Written(empty), Hex("FF FE FF 00"));
  EXPECT_EQ(Written(shortText), Hex("FF FE FF 01 E5 65"));
  Bytes expected = Hex("FF FE FF FF FF 00");
  for (int i = 0; i < 255; ++i) {
    expected.push_back('a');
    expected.push_back(0);
  }
  EXPECT_EQ(Written(longText), expected);
}

TEST(WriteCString, LongestEncodableTextsAreWrittenWhole) {
  TJwwData doc;
  ByteWriter legacy;
  doc.WriteCString(legacy, std::u16string(65535, u'a'));
  EXPECT_EQ(legacy.size(), 3u + 65535u);
  doc.FileOutOpt = kFileOutUtf16;
  ByteWriter utf16;
  doc.WriteCString(utf16, std::u16string(65535, u'a'));
  EXPECT_EQ(utf16.size(), 6u + 2u * 65535u);
}

// A length the archive cannot express must never be cut to one it can.
TEST(WriteCString, RefusesTextsWithoutAnEncoding) {
  TJwwData doc;
  ByteWriter w;
  EXPECT_THROW(doc.WriteCString(w, std::u16string(65534, u'a')), StreamError);
  EXPECT_THROW(doc.WriteCString(w, std::u16string(65536, u'a')), StreamError);
  // 32767 two-byte characters: 65534 bytes, the UTF-16 marker's value.
  EXPECT_THROW(doc.WriteCString(w, std::u16string(32767, u'日')), StreamError);
  doc.FileOutOpt = kFileOutUtf16;
  EXPECT_THROW(doc.WriteCString(w, std::u16string(65536, u'a')), StreamError);
  EXPECT_NO_THROW(doc.WriteCString(w, std::u16string(65534, u'a')));
}

TEST(WriteCString, RoundTripsThroughReadCStringInBothModes) {
  const std::u16string text = u"図面 Plan-7 ＡＢ";
  for (const std::int32_t option : {0, kFileOutUtf16}) {
    TJwwData doc;
    doc.FileOutOpt = option;
    ByteWriter w;
    doc.WriteCString(w, text);
    const Bytes bytes = Written(w);
    ByteReader s(bytes);
    EXPECT_EQ(doc.ReadCString(s), text) << "option " << option;
    EXPECT_EQ(doc.MojiEncode, option != 0);
  }
}

// ---- Counts -----------------------------------------------------------------

struct CountCase {
  std::uint32_t n;
  std::string hex;
};

class CountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountTest, WritesAndReadsBack) {
  ByteWriter w;
  TJwwData::WriteCount(w, GetParam().n);
  const Bytes bytes = Written(w);
  EXPECT_EQ(bytes, Hex(GetParam().hex));
  ByteReader s(bytes);
  bool delivered = false;
  EXPECT_EQ(TJwwData::ReadCount(s, &delivered), GetParam().n);
  EXPECT_TRUE(delivered);
  EXPECT_TRUE(s.atEnd());
}

INSTANTIATE_TEST_SUITE_P(Widths, CountTest,
                         ::testing::Values(CountCase{0, "00 00"}, CountCase{1, "01 00"},
                                           CountCase{0xFFFE, "FE FF"},
                                           CountCase{0xFFFF, "FF FF FF FF 00 00"},
                                           CountCase{0x12345678, "FF FF 78 56 34 12"},
                                           CountCase{0xFFFFFFFF, "FF FF FF FF FF FF"}));

TEST(ReadCount, ReportsWhetherTheFirstReadDeliveredAnything) {
  const Bytes none;
  ByteReader empty(none);
  bool delivered = true;
  EXPECT_EQ(TJwwData::ReadCount(empty, &delivered), 0u);
  EXPECT_FALSE(delivered);

  const Bytes one = Hex("05");
  ByteReader partial(one);
  EXPECT_EQ(TJwwData::ReadCount(partial, &delivered), 5u);
  EXPECT_TRUE(delivered);
}

// ---- Class tags ---------------------------------------------------------------

struct TagCase {
  std::uint32_t mapIndex;
  std::string hex;
};

class WriteClassTagTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(WriteClassTagTest, UsesTheShortOrTheBigForm) {
  ByteWriter w;
  TJwwData::WriteClassTag(w, GetParam().mapIndex);
  EXPECT_EQ(Written(w), Hex(GetParam().hex));
}

INSTANTIATE_TEST_SUITE_P(Forms, WriteClassTagTest,
                         ::testing::Values(TagCase{1, "01 80"}, TagCase{3, "03 80"},
                                           TagCase{0x7FFE, "FE FF"},
                                           TagCase{0x7FFF, "FF 7F FF 7F 00 80"},
                                           TagCase{0x12345, "FF 7F 45 23 01 80"}));

TEST(ReadClassTag, ReferencesInBothFormsNameTheSameMapIndex) {
  for (const char *hex : {"03 80", "FF 7F 03 00 00 80", "FF 7F 03 00 00 00"}) {
    const Bytes bytes = Hex(hex);
    ByteReader s(bytes);
    JwwArchiveState state;
    const JwwClassTag tag = TJwwData::ReadClassTag(s, state);
    EXPECT_TRUE(tag.delivered);
    EXPECT_FALSE(tag.newClass);
    EXPECT_EQ(tag.mapIndex, 3) << hex;
    EXPECT_EQ(state.counter, 1u);
  }
}

TEST(ReadClassTag, NewClassRecordTakesTheCounter) {
  const Bytes bytes = Concat({Hex("FF FF 58 02 08 00"), Ascii("CDataSen")});
  ByteReader s(bytes);
  JwwArchiveState state;
  state.counter = 4;
  const JwwClassTag tag = TJwwData::ReadClassTag(s, state);
  EXPECT_TRUE(tag.newClass);
  EXPECT_EQ(tag.className, u"CDataSen");
  EXPECT_EQ(tag.mapIndex, 4);
  EXPECT_EQ(state.counter, 5u);
  EXPECT_TRUE(s.atEnd());
}

TEST(ReadClassTag, BackReferenceTagsNameNoClass) {
  const Bytes bytes = Hex("05 00");
  ByteReader s(bytes);
  JwwArchiveState state;
  state.classSlot[kJwwLine] = 1;
  const JwwClassTag tag = TJwwData::ReadClassTag(s, state);
  EXPECT_LT(tag.mapIndex, 0);
  EXPECT_EQ(state.EntityKindOf(tag.mapIndex), 0);
}

TEST(ReadClassTag, NoBytesMeansNotDelivered) {
  const Bytes none;
  ByteReader s(none);
  JwwArchiveState state;
  EXPECT_FALSE(TJwwData::ReadClassTag(s, state).delivered);
}

// The reader's name buffer holds 2048 bytes; a longer name is refused.
TEST(ReadClassTag, ClassNameBeyondTheBufferIsRefused) {
  const Bytes exact = Concat({Hex("FF FF 5E 01 00 08"), Bytes(2048, 'A')});
  ByteReader fits(exact);
  JwwArchiveState state;
  EXPECT_EQ(TJwwData::ReadClassTag(fits, state).className.size(), 2048u);

  const Bytes over = Concat({Hex("FF FF 5E 01 01 08"), Bytes(2049, 'A')});
  ByteReader tooLong(over);
  EXPECT_THROW(TJwwData::ReadClassTag(tooLong, state), StreamError);
}

TEST(WriteClassRecord, CarriesTheLow16BitsOfTheVersionAndTheName) {
  ByteWriter w;
  TJwwData::WriteClassRecord(w, 600, "CDataSen");
  EXPECT_EQ(Written(w), Concat({Hex("FF FF 58 02 08 00"), Ascii("CDataSen")}));
}

TEST(ArchiveState, SlotsNameKindsOnlyOnceAnnounced) {
  JwwArchiveState state;
  EXPECT_EQ(state.EntityKindOf(0), 0);  // empty slots hold 0, which is no index
  state.classSlot[kJwwEnko] = 4;
  state.classSlot[kJwwBlockDef] = 7;
  EXPECT_EQ(state.EntityKindOf(4), kJwwEnko);
  EXPECT_EQ(state.EntityKindOf(7), 0);  // the definition class is no entity kind
  EXPECT_EQ(state.EntityKindOf(1), 0);
}

TEST(ClassNames, MapToKindsOneToEight) {
  EXPECT_EQ(JwwKindOfClassName(u"CDataSen"), 1);
  EXPECT_EQ(JwwKindOfClassName(u"CDataBlock"), 7);
  EXPECT_EQ(JwwKindOfClassName(u"CDataList"), 8);
  EXPECT_EQ(JwwKindOfClassName(u"CDataSe"), 0);
  EXPECT_EQ(JwwKindOfClassName(u"cdatasen"), 0);
  EXPECT_EQ(JwwClassNameOfKind(5), "CDataSunpou");
}

// ---- Attributes ---------------------------------------------------------------

TEntJwwAttr Attr(std::uint8_t style, std::uint16_t color) {
  TEntJwwAttr a;
  a.lGroup = 0x01020304;
  a.nPenStyle = style;
  a.nPenColor = color;
  a.nPenWidth = 25;
  a.nLayer = 3;
  a.nGLayer = 4;
  a.sFlg = 0x20;
  return a;
}

TEST(WriteAttr, Target350Has13BytesAnd351Has15) {
  ByteWriter w350, w351;
  TJwwData::WriteAttr(w350, 350, kJwwLine, Attr(2, 3));
  TJwwData::WriteAttr(w351, 351, kJwwLine, Attr(2, 3));
  EXPECT_EQ(Written(w350), Hex("04 03 02 01 02 03 00 03 00 04 00 20 00"));
  EXPECT_EQ(Written(w351), Hex("04 03 02 01 02 03 00 19 00 03 00 04 00 20 00"));
}

TEST(ReadAttr, RecordSizeFollowsTheFileVersion) {
  const Bytes bytes = Hex("04 03 02 01 02 03 00 19 00 03 00 04 00 20 00");
  TJwwData doc;
  doc.Enthd.jwVer = 351;
  ByteReader wide(bytes);
  const TEntJwwAttr a = doc.ReadAttr(wide);
  EXPECT_EQ(a.nPenWidth, 25);
  EXPECT_EQ(a.nLayer, 3);
  EXPECT_EQ(a.sFlg, 0x20);
  EXPECT_EQ(wide.offset(), 15u);

  doc.Enthd.jwVer = 350;
  ByteReader narrow(bytes);
  const TEntJwwAttr b = doc.ReadAttr(narrow);
  EXPECT_EQ(b.nPenWidth, 0);
  EXPECT_EQ(b.nLayer, 0x19);  // the two width bytes are the layer's in a 350 file
  EXPECT_EQ(narrow.offset(), 13u);
}

struct AttrCase {
  const char *name;
  std::int32_t ver;
  std::int32_t kind;
  std::uint8_t style;
  std::uint16_t color;
  std::uint8_t expectedStyle;
  std::uint16_t expectedColor;
};

class AttrForTargetTest : public ::testing::TestWithParam<AttrCase> {};

TEST_P(AttrForTargetTest, ConvertsStyleAndColour) {
  const AttrCase &c = GetParam();
  const TEntJwwAttr a = TJwwData::AttrForTarget(c.ver, c.kind, Attr(c.style, c.color));
  EXPECT_EQ(a.nPenStyle, c.expectedStyle);
  EXPECT_EQ(a.nPenColor, c.expectedColor);
  EXPECT_EQ(a.lGroup, 0x01020304u);
  EXPECT_EQ(a.sFlg, 0x20);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AttrForTargetTest,
    ::testing::Values(
        AttrCase{"LineSxfTo400", 400, kJwwLine, 44, 110, 17, 8},
        AttrCase{"LineSxfKeptAt420", 420, kJwwLine, 44, 110, 44, 110},
        AttrCase{"ArcStyle46To400IsDefault", 400, kJwwEnko, 46, 117, 1, 1},
        AttrCase{"ArcStyle62Kept", 600, kJwwEnko, 62, 356, 62, 356},
        AttrCase{"LineStyle63OutOfRange", 600, kJwwLine, 63, 357, 1, 1},
        AttrCase{"LineStyle10OutOfRange", 600, kJwwLine, 10, 9, 1, 9},
        AttrCase{"LineColour10IsDefault", 600, kJwwLine, 1, 10, 1, 1},
        AttrCase{"TextStyle0", 600, kJwwMoji, 0, 1, 1, 1},
        AttrCase{"TextStyle11", 600, kJwwMoji, 11, 2, 1, 2},
        AttrCase{"TextSxfColourTo400", 400, kJwwMoji, 1, 101, 1, 2},
        AttrCase{"PointStyle100Kept", 600, kJwwTen, 100, 1, 100, 1},
        AttrCase{"PointStyle5", 600, kJwwTen, 5, 1, 1, 1},
        AttrCase{"SolidColour10Kept", 400, kJwwSolid, 1, 10, 1, 10},
        AttrCase{"SolidColour11IsDefault", 600, kJwwSolid, 1, 11, 1, 1},
        AttrCase{"SolidSxfColourTo400", 400, kJwwSolid, 1, 116, 1, 2},
        AttrCase{"DimensionStyleNotConverted", 400, kJwwSunpo, 44, 110, 44, 8},
        AttrCase{"BlockKeepsEverything", 400, kJwwBlock, 44, 110, 44, 110},
        AttrCase{"DefinitionKeepsEverything", 600, kJwwBlockDef, 0, 0, 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// The two down-conversion tables, entry by entry.
TEST(AttrForTarget, PenStyleTableBelow420) {
  const std::uint8_t expected[] = {1, 4, 3, 6, 8, 8, 2, 5, 7, 6, 6, 8, 8, 17, 17};
  for (std::uint8_t style = 31; style <= 45; ++style) {
    EXPECT_EQ(TJwwData::AttrForTarget(419, kJwwLine, Attr(style, 1)).nPenStyle,
              expected[style - 31])
        << int(style);
    EXPECT_EQ(TJwwData::AttrForTarget(420, kJwwLine, Attr(style, 1)).nPenStyle, style);
  }
}

TEST(AttrForTarget, PenColourTableBelow420) {
  const std::uint16_t expected[] = {2, 8, 3, 6, 4, 5, 1, 2, 5, 8, 4, 3, 6, 5, 2, 2};
  for (std::uint16_t color = 101; color <= 116; ++color)
    EXPECT_EQ(TJwwData::AttrForTarget(419, kJwwEnko, Attr(1, color)).nPenColor,
              expected[color - 101])
        << color;
  for (std::uint16_t color : {117, 200, 356})
    EXPECT_EQ(TJwwData::AttrForTarget(419, kJwwLine, Attr(1, color)).nPenColor, DefaultPenColor);
}

TEST(AttrForTarget, LayersAndWidthOutOfRangeBecomeZero) {
  TEntJwwAttr a = Attr(1, 1);
  a.nLayer = 16;
  a.nGLayer = 0xFFFF;
  a.nPenWidth = 30000;
  TEntJwwAttr out = TJwwData::AttrForTarget(600, kJwwLine, a);
  EXPECT_EQ(out.nLayer, 0);
  EXPECT_EQ(out.nGLayer, 0);
  EXPECT_EQ(out.nPenWidth, 30000);
  a.nPenWidth = 30001;
  a.nLayer = 15;
  out = TJwwData::AttrForTarget(600, kJwwBlock, a);
  EXPECT_EQ(out.nPenWidth, 0);
  EXPECT_EQ(out.nLayer, 15);
}

TEST(CopyAttr, CopiesEveryField) {
  const TEntJwwAttr source = Attr(7, 8);
  TEntJwwAttr dest;
  TJwwData::CopyAttr(source, dest);
  EXPECT_EQ(dest.lGroup, source.lGroup);
  EXPECT_EQ(dest.nPenStyle, 7);
  EXPECT_EQ(dest.nPenColor, 8);
  EXPECT_EQ(dest.nPenWidth, 25);
  EXPECT_EQ(dest.nLayer, 3);
  EXPECT_EQ(dest.nGLayer, 4);
  EXPECT_EQ(dest.sFlg, 0x20);
}

}  // namespace
}  // namespace velkaro
