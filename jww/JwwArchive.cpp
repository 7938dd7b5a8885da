// JwwArchive: the archive primitives every section of a JWW file is built
// from: strings in their three forms, element counts, the class-tag framing
// and the entity attribute record with its down-conversion for older targets.
// Each read helper has its write twin next to it.
#include <cstdio>

#include "jww/JwwInternal.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

using jww::kLongLength;
using jww::kUtf16Marker;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigTag = 0x7FFF;
constexpr std::uint32_t kBigTagBit = 0x80000000u;
constexpr std::uint16_t kClassRefBit = 0x8000;

constexpr std::array<std::string_view, 9> kClassNames{
    "", "CDataSen", "CDataEnko", "CDataTen", "CDataMoji", "CDataSunpou", "CDataSolid",
    "CDataBlock", "CDataList"};

std::u16string LegacyText(std::span<const std::uint8_t> bytes) {
  return bytes.empty() ? std::u16string() : LegacyBytesToString(bytes);
}

// Characters 1..0x7F: their legacy bytes are the characters themselves.
bool IsAsciiWithoutNul(const std::u16string &text) {
  for (const char16_t c : text)
    if (c == 0 || c >= 0x80)
      return false;
  return true;
}

bool HasControlChars(const std::u16string &s) {
  for (const char16_t c : s)
    if (c < 0x20)
      return true;
  return false;
}

void WriteLength(ByteWriter &s, std::size_t n) {
  if (n < kLongLength) {
    s.writeU8(static_cast<std::uint8_t>(n));
  } else {
    s.writeU8(kLongLength);
    s.writeU16(static_cast<std::uint16_t>(n));
  }
}

std::string Preview(const std::u16string &text) {
  return ToUtf8(text.substr(0, 24)) + (text.size() > 24 ? "..." : "");
}

// Extended SXF pen styles as the pre-SXF formats draw them.
std::uint8_t PenStyleBelow420(std::uint8_t style) {
  static constexpr std::array<std::uint8_t, 15> kStyles31To45{1, 4, 3, 6, 8, 8, 2, 5,
                                                              7, 6, 6, 8, 8, 17, 17};
  if (style >= 31 && style <= 45)
    return kStyles31To45[style - 31];
  if (style >= 46 && style <= 62)
    return DefaultPenStyle;
  return style;
}

// SXF colours as the nearest ordinary pen of the pre-SXF formats.
std::uint16_t PenColorBelow420(std::uint16_t color) {
  static constexpr std::array<std::uint16_t, 16> kColors101To116{2, 8, 3, 6, 4, 5, 1, 2,
                                                                 5, 8, 4, 3, 6, 5, 2, 2};
  if (color >= 101 && color <= 116)
    return kColors101To116[color - 101];
  if (color >= 117 && color <= 356)
    return DefaultPenColor;
  return color;
}

bool InRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

}  // namespace

// ---- Names, errors --------------------------------------------------------

std::int32_t JwwKindOfClassName(std::u16string_view name) {
  for (std::int32_t kind = 1; kind <= 8; ++kind) {
    const std::string_view known = kClassNames[kind];
    if (name.size() == known.size() && std::equal(known.begin(), known.end(), name.begin()))
      return kind;
  }
  return 0;
}

std::string_view JwwClassNameOfKind(std::int32_t kind) {
  return (kind >= 1 && kind <= 8) ? kClassNames[kind] : std::string_view();
}

std::int32_t JwwArchiveState::EntityKindOf(std::int64_t mapIndex) const {
  if (mapIndex <= 0)
    return 0;
  for (std::int32_t kind = 1; kind <= 7; ++kind)
    if (classSlot[kind] != 0 && classSlot[kind] == mapIndex)
      return kind;
  return 0;
}

namespace jww {

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

void Fail(const char *message, const std::string &detail) { throw StreamError(message, detail); }

void FailAt(const char *message, const ByteReader &s, const std::string &what) {
  throw StreamError(message, what + " at offset " + Hex(s.offset()));
}

std::string Describe(const StreamError &e) {
  return e.detail().empty() ? std::string(e.what()) : std::string(e.what()) + ": " + e.detail();
}

}  // namespace jww

// ---- Strings ----------------------------------------------------------------

std::u16string TJwwData::ReadCString(ByteReader &s) {
  const jww::ArchiveString t = jww::TakeString(s);
  if (!t.utf16)
    return LegacyText(t.bytes);
  MojiEncode = true;
  return t.bytes.empty() ? std::u16string() : Utf16BytesToString(t.bytes);
}

std::u16string TJwwData::ReadCStringPlain(ByteReader &s) {
  std::u16string text = ReadCString(s);
  return HasControlChars(text) ? RemoveControlChars(text) : text;
}

void TJwwData::WriteCString(ByteWriter &s, const std::u16string &text) const {
  if (FileOutOpt & kFileOutUtf16) {
    const std::size_t n = text.size();
    if (n > 0xFFFF)
      jww::Fail(jww::kFileIOError, "a text of " + std::to_string(n) +
                                       " UTF-16 code units has no encoding in the archive (\"" +
                                       Preview(text) + "\")");
    s.writeU8(kLongLength);
    s.writeU16(kUtf16Marker);
    WriteLength(s, n);
    if (n > 0)
      s.writeBytes(StringToUtf16Bytes(text));
    return;
  }
  const auto checkLength = [&](std::size_t n) {
    // 65534 would read back as the UTF-16 marker; more has no length form.
    if (n == kUtf16Marker || n > 0xFFFF)
      jww::Fail(jww::kFileIOError, "a text of " + std::to_string(n) +
                                       " legacy bytes has no encoding in the archive (\"" +
                                       Preview(text) + "\")");
  };
  if (IsAsciiWithoutNul(text)) {
    checkLength(text.size());
    WriteLength(s, text.size());
    for (const char16_t c : text)
      s.writeU8(static_cast<std::uint8_t>(c));
    return;
  }
  const Bytes bytes = StringToLegacyBytes(text);
  std::size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0)
    ++n;
  checkLength(n);
  WriteLength(s, n);
  if (n > 0)
    s.writeBytes(std::span<const std::uint8_t>(bytes.data(), n));
}

// ---- Counts -----------------------------------------------------------------

std::uint32_t TJwwData::ReadCount(ByteReader &s, bool *delivered) {
  std::uint16_t w = 0;
  const std::size_t got = s.readU16(w);
  if (delivered)
    *delivered = got > 0;
  if (w != 0xFFFF)
    return w;
  std::uint32_t n = 0;
  s.readU32(n);
  return n;
}

void TJwwData::WriteCount(ByteWriter &s, std::uint32_t n) {
  if (n < 0xFFFF) {
    s.writeU16(static_cast<std::uint16_t>(n));
  } else {
    s.writeU16(0xFFFF);
    s.writeU32(n);
  }
}

// ---- Class tags -------------------------------------------------------------

JwwClassTag TJwwData::ReadClassTag(ByteReader &s, JwwArchiveState &state) {
  JwwClassTag tag;
  std::uint16_t t = 0;
  tag.delivered = s.readU16(t) > 0;
  if (!tag.delivered)
    return tag;
  if (t == kNewClassTag) {
    std::uint16_t schema = 0, length = 0;
    s.readU16(schema);  // the writer's version; not needed for reading
    s.readU16(length);
    if (length > kMaxClassNameBytes)
      jww::FailAt(jww::kFileIOError, s,
                  "class name length " + std::to_string(length) + " exceeds the " +
                      std::to_string(kMaxClassNameBytes) + "-byte limit");
    tag.newClass = true;
    tag.className = LegacyText(s.take(length));
    tag.mapIndex = state.counter++;
  } else if (t == kBigTag) {
    std::uint32_t v = 0;
    s.readU32(v);
    tag.mapIndex = v >= kBigTagBit ? v - kBigTagBit : v;
  } else {
    tag.mapIndex = static_cast<std::int64_t>(t) - kClassRefBit;
  }
  return tag;
}

void TJwwData::WriteClassTag(ByteWriter &s, std::uint32_t mapIndex) {
  if (mapIndex < kBigTag) {
    s.writeU16(static_cast<std::uint16_t>(kClassRefBit + mapIndex));
  } else {
    s.writeU16(kBigTag);
    s.writeU32(kBigTagBit + mapIndex);
  }
}

void TJwwData::WriteClassRecord(ByteWriter &s, std::int32_t Ver, std::string_view className) {
  s.writeU16(kNewClassTag);
  s.writeU16(static_cast<std::uint16_t>(static_cast<std::uint32_t>(Ver) & 0xFFFF));
  s.writeU16(static_cast<std::uint16_t>(className.size()));
  s.writeBytes(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t *>(className.data()), className.size()));
}

// ---- Attributes -------------------------------------------------------------

TEntJwwAttr TJwwData::ReadAttr(ByteReader &s) const {
  const std::int32_t v = Enthd.jwVer;
  TEntJwwAttr a;
  const jww::FixedPart part(s, jww::PartSize(v, [&](auto &f) { jww::AttrFields(f, a); }));
  jww::FieldDecoder d = part.decoder();
  jww::FieldsIn{d, v}.attr(kJwwNone, a);
  return a;
}

TEntJwwAttr TJwwData::AttrForTarget(std::int32_t Ver, std::int32_t kind, const TEntJwwAttr &attr) {
  TEntJwwAttr a = attr;
  if (!jww::HasSxf(Ver)) {
    if (kind == kJwwLine || kind == kJwwEnko)
      a.nPenStyle = PenStyleBelow420(a.nPenStyle);
    if (kind >= kJwwLine && kind <= kJwwSolid)
      a.nPenColor = PenColorBelow420(a.nPenColor);
  }
  const unsigned style = a.nPenStyle;
  const unsigned color = a.nPenColor;
  switch (kind) {
    case kJwwLine:
    case kJwwEnko:
      if (!InRange(style, 1, 9) && !InRange(style, 11, 19) && !InRange(style, 31, 62))
        a.nPenStyle = DefaultPenStyle;
      break;
    case kJwwTen:
      if (style != 1 && style != 100)
        a.nPenStyle = 1;
      break;
    case kJwwMoji:
      if (!InRange(style, 1, 9))
        a.nPenStyle = 1;
      break;
    default:
      break;
  }
  if (kind >= kJwwLine && kind <= kJwwSunpo) {
    if (!InRange(color, 1, 9) && !InRange(color, 101, 356))
      a.nPenColor = DefaultPenColor;
  } else if (kind == kJwwSolid) {
    // Colour 10 is the solid's own RGB colour.
    if (!InRange(color, 1, 10) && !InRange(color, 101, 356))
      a.nPenColor = DefaultPenColor;
  }
  if (a.nLayer > 15)
    a.nLayer = 0;
  if (a.nGLayer > 15)
    a.nGLayer = 0;
  if (a.nPenWidth > 30000)
    a.nPenWidth = 0;
  return a;
}

void TJwwData::WriteAttr(ByteWriter &s, std::int32_t Ver, std::int32_t kind, const TEntJwwAttr &attr) {
  jww::FieldEncoder e;
  jww::FieldsOut{e, Ver}.attr(kind, attr);
  e.flushTo(s);
}

void TJwwData::CopyAttr(const TEntJwwAttr &source, TEntJwwAttr &dest) {
  dest.lGroup = source.lGroup;
  dest.nPenStyle = source.nPenStyle;
  dest.nPenColor = source.nPenColor;
  dest.nPenWidth = source.nPenWidth;
  dest.nLayer = source.nLayer;
  dest.nGLayer = source.nGLayer;
  dest.sFlg = source.sFlg;
}

}  // namespace velkaro
