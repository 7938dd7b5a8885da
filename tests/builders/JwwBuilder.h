// JwwBuilder: JWW file bytes made on the test side, field by field in the
// order and widths of the format's layout tables, for any version.
//
// It never calls the product's writer: the tests compare what the reader
// makes of these bytes, and what the writer makes of the reader's document,
// against an independent statement of the layout. Three layers:
//   - JwwBytes: little-endian primitives, archive strings in an explicitly
//     chosen form, counts, class tags and new-class records;
//   - JwwClassMap: the map-index bookkeeping of one file (one counter, one
//     slot per class name, shared by the entity list and block definitions);
//   - JwwDrawingSpec + BuildJww: a whole drawing described with the model's
//     own records, laid out as a file, with named offsets of its sections.
// Helpers at the end break exactly one field of built bytes.
//
// Legacy (Shift-JIS) bytes of Japanese text come from a small table of the
// characters the tests use, so the builder does not lean on the codec either.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "jww/jwwtype.h"

namespace velkaro::testing {

using ByteVec = std::vector<std::uint8_t>;

// Archive string forms. Short: byte n; Long: FF, uint16 n (legacy bytes).
// Utf16Short: FF FE FF, byte n; Utf16Long: FF FE FF FF, uint16 n (code units).
enum class StrForm { Short, Long, Utf16Short, Utf16Long };

// The form the format's writer would pick for a length n (below 255: short).
StrForm NaturalForm(bool utf16, std::size_t n);

// Shift-JIS bytes of s from the builder's own table (ASCII and the Japanese
// characters used by the tests). Throws std::invalid_argument for any other
// character, so a test never silently builds "?" bytes.
ByteVec SjisBytes(const std::u16string &s);

class JwwBytes {
 public:
  JwwBytes &u8(std::uint8_t v);
  JwwBytes &le16(std::uint16_t v);
  JwwBytes &le32(std::uint32_t v);
  JwwBytes &i32(std::int32_t v) { return le32(static_cast<std::uint32_t>(v)); }
  JwwBytes &f64(double v);
  JwwBytes &raw(std::span<const std::uint8_t> bytes);
  JwwBytes &raw(std::string_view ascii);
  JwwBytes &fill(std::uint8_t value, std::size_t n);

  // Archive string from legacy bytes, in the given legacy form. The length
  // byte or word is the byte count as it is, so a Short form of 255 bytes or
  // a Long form of 65534 bytes can be laid out on purpose.
  JwwBytes &cstringLegacy(std::span<const std::uint8_t> bytes, StrForm form);
  // Archive string of UTF-16 code units in the given UTF-16 form.
  JwwBytes &cstringUtf16(const std::u16string &s, StrForm form);
  // Text s in the form given (legacy forms use SjisBytes).
  JwwBytes &cstring(const std::u16string &s, StrForm form);
  // Text s in the natural form of its length (legacy or UTF-16).
  JwwBytes &cstring(const std::u16string &s, bool utf16);

  // Element count: uint16 below 0xFFFF, else FFFF + uint32.
  JwwBytes &count(std::uint32_t n);
  // Count written in the long form even when it would fit the short one.
  JwwBytes &countLong(std::uint32_t n);
  // Class reference: 0x8000 + i, or the big tag 7FFF + uint32 (0x80000000 + i).
  JwwBytes &classRef(std::uint32_t mapIndex);
  JwwBytes &bigClassRef(std::uint32_t mapIndex);
  // New-class record: FFFF, schema, uint16 name length, name bytes.
  JwwBytes &newClassRecord(std::uint16_t schema, std::string_view name);

  std::size_t size() const { return buf_.size(); }
  const ByteVec &bytes() const { return buf_; }
  ByteVec take() { return std::move(buf_); }

 private:
  ByteVec buf_;
};

// Map-index bookkeeping of one file: the counter starts at 1; a new-class
// record takes the counter's value and advances it; each object advances it.
class JwwClassMap {
 public:
  explicit JwwClassMap(std::uint16_t schema) : schema_(schema) {}
  // Writes the class record (first use) or a reference, for one object.
  void classOf(JwwBytes &out, const std::string &className);
  // The object has taken its number.
  void objectDone() { ++counter_; }
  std::uint32_t counter() const { return counter_; }
  std::optional<std::uint32_t> indexOf(const std::string &className) const;

 private:
  std::uint16_t schema_;
  std::uint32_t counter_ = 1;
  std::map<std::string, std::uint32_t> slots_;
};

using JwwEntity = std::variant<TEntJwwLine, TEntJwwEnko, TEntJwwTen, TEntJwwMoji, TEntJwwSunpo,
                               TEntJwwSolid, TEntJwwBlock>;

// The entity kind (1..7) of an entity and its class name.
std::int32_t KindOf(const JwwEntity &e);
const char *ClassNameOf(std::int32_t kind);

struct JwwBlockDefSpec {
  TEntJwwAttr att;
  std::uint32_t nNumber = 0;
  std::uint32_t bRefferd = 0;
  // 0x80000000 and above: the 8 bytes of longTime follow on disk.
  std::uint32_t dtime = 0;
  std::array<std::uint8_t, 8> longTime{1, 2, 3, 4, 5, 6, 7, 8};
  std::u16string strName;
  std::vector<JwwEntity> members;
  std::optional<std::uint32_t> declaredCount;  // member count on disk, when it lies
};

struct JwwImageSpec {
  std::u16string name;
  ByteVec content;
  std::optional<std::int32_t> declaredSize;  // Fsize on disk, when it lies
};

// A whole drawing. Tables are sized by MakeCanonicalDrawing; BuildJww lays
// out exactly the entries it finds (16, 256, 10, ... are expected).
struct JwwDrawingSpec {
  std::int32_t version = 700;
  bool utf16 = false;           // every archive string in UTF-16 form
  std::string signature = "JwwData.";  // 8 bytes are written (padded with 0)
  TEntJwwHeader hd;             // jwVer, n1, n2 and the derived fields are not written
  // Step 24 value; by default nPrtDpi * 10 + nPrtDispOnlyNonDraw of hd.
  std::optional<std::int32_t> prtDispValue;
  std::array<std::uint8_t, 56> reserved56{};
  std::array<std::uint8_t, 4> reserved4{};
  std::vector<TEntJwwLayerGroup> EntLgrp;
  std::vector<TEntJwwLayer> EntLay;
  std::vector<TEntJwwColorNo> EntCol;
  std::vector<TEntJwwLineTypeNo> EntLtp1;
  std::vector<TEntJwwRandomLineNo> EntLtp2;
  std::vector<TEntJwwLineTypeNo> EntLtp3;
  std::vector<TEntJwwColorExNo> EntColS;
  std::vector<TEntJwwLineTypeExNo> EntLtpS;
  std::vector<TEntJwwMojiType> EntMoj;
  std::vector<JwwEntity> entities;
  std::vector<JwwBlockDefSpec> blockDefs;
  std::vector<JwwImageSpec> images;  // written for version 700 and above
  std::optional<std::uint32_t> declaredEntityCount;
  std::optional<std::uint32_t> declaredBlockDefCount;
  std::optional<std::int32_t> declaredImageCount;
  bool endAfterBlockDefs = false;  // version 700+: omit the image section
};

// Built bytes with the offsets of named places:
//   "memo", "header.end", "entityCount", "entity.<i>" (class tag of object i
//   of the entity list, SXF objects not counted separately), "blockDefCount",
//   "blockDef.<i>", "blockDef.<i>.members", "imageCount", "image.<i>",
//   "end".
struct JwwFile {
  ByteVec bytes;
  std::map<std::string, std::size_t> marks;
  std::size_t at(const std::string &mark) const;
};

JwwFile BuildJww(const JwwDrawingSpec &plan);

// A drawing in the writer's canonical form for `version`: every value inside
// the writer's limits, names clean and non-blank where the writer fills
// blanks, reserved areas as the writer writes them, print colour 0 white.
// Values differ from field to field so that a field read into the wrong
// place shows. No entities.
JwwDrawingSpec MakeCanonicalDrawing(std::int32_t version);

// ---- pieces of a file -------------------------------------------------------

void AppendHeader(JwwBytes &out, const JwwDrawingSpec &plan);
void AppendAttr(JwwBytes &out, std::int32_t version, const TEntJwwAttr &a);
// The body of one entity (no class tag) for `version`.
void AppendBody(JwwBytes &out, std::int32_t version, bool utf16, const JwwEntity &e);
// One object list of entities (count, then class tag + body each).
void AppendEntityList(JwwBytes &out, JwwClassMap &classes, std::int32_t version, bool utf16,
                      const std::vector<JwwEntity> &entities, std::optional<std::uint32_t> declared,
                      std::map<std::string, std::size_t> *marks, const std::string &prefix);

// Sizes of the fixed parts, for tests that cut files inside a body.
std::size_t AttrSize(std::int32_t version);

// ---- breaking one field -----------------------------------------------------

ByteVec TruncateAt(const ByteVec &bytes, std::size_t size);
// Replaces the count at `offset` (short or long form) with `n` in its natural form.
ByteVec PatchCount(const ByteVec &bytes, std::size_t offset, std::uint32_t n);
ByteVec PatchU16(const ByteVec &bytes, std::size_t offset, std::uint16_t v);
ByteVec PatchU32(const ByteVec &bytes, std::size_t offset, std::uint32_t v);
// Replaces the name of the new-class record at `offset` by `name` (any length).
ByteVec PatchClassName(const ByteVec &bytes, std::size_t offset, std::string_view name);
// Replaces the class name with a length field of `length` and that many bytes.
ByteVec PatchClassNameLength(const ByteVec &bytes, std::size_t offset, std::uint16_t length);

// ---- entity helpers ---------------------------------------------------------

TEntJwwAttr Attr(std::uint8_t style, std::uint16_t colour, std::uint16_t layer = 0,
                 std::uint16_t glayer = 0, std::uint16_t width = 0, std::uint32_t group = 0,
                 std::uint16_t flags = 0);
TEntJwwLine Line(double x1, double y1, double x2, double y2, TEntJwwAttr a = Attr(1, 1));
TEntJwwMoji Text(std::u16string str, std::uint32_t kind = 1, TEntJwwAttr a = Attr(1, 1));
TEntJwwTen Point(double x, double y, TEntJwwAttr a = Attr(1, 1));
TEntJwwBlock BlockRef(std::uint32_t number, double x = 0, double y = 0);
// A dimension with all its parts set to distinct values.
TEntJwwSunpo Dimension(double seed, std::uint16_t sxfMode, TEntJwwAttr a = Attr(1, 2));

}  // namespace velkaro::testing

namespace velkaro::testing {

// A canonical drawing (MakeCanonicalDrawing) with entities of all seven kinds,
// points of pen style 100, solids of colour 10, dimensions (SXF ones from
// 420), texts in Japanese and of 300 characters, three block definitions
// (one nested, all referenced, numbered 0..2) holding texts and dimensions,
// and for 700 and above two bound images (one ".gz") referenced by texts.
// With utf16 every string is UTF-16 and one text holds characters that have
// no Shift-JIS form.
JwwDrawingSpec MakeRichDrawing(std::int32_t version, bool utf16);

// Bytes of an image file for the tests: n bytes of a recognisable pattern.
ByteVec ImageBytes(std::size_t n, std::uint8_t seed);

}  // namespace velkaro::testing
