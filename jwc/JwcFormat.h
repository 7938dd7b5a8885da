// JwcFormat: facts of the JWC and JWK file layouts and the text form of their
// header blocks, shared by the JWC reader and writer and the JWK header reader.
//
// A header block is 200 bytes of comma-separated values in text, ended by a
// zero byte, padded with spaces and closed by a line feed in its last byte.
// The value rules (integers, reals, addresses) and the writer's number forms
// live here so that reading and writing stay each other's inverse.
//
// Internal to jwc/; not part of the documents' API.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "jwc/jwctype.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"

namespace velkaro::jwcfile {

// ---- Layout ---------------------------------------------------------------

inline constexpr char16_t kJwcSignature[] = u"jw_cad(c)data.......";
inline constexpr char16_t kJwkSignature[] = u"jw_cad(c)sym........";
inline constexpr std::size_t kSignatureSize = 20;

inline constexpr std::size_t kHeaderBlockSize = 200;
inline constexpr std::size_t kHeaderSize = 4 * kHeaderBlockSize;
inline constexpr std::size_t kJwkHeaderSize = 2 * kHeaderBlockSize;
// Block 1: identifier and memo lines; the rest of the block is not read.
inline constexpr std::size_t kJwIdSize = 40;
inline constexpr std::size_t kCommentSize = 32;
inline constexpr std::size_t kComment1Offset = 40;
inline constexpr std::size_t kComment2Offset = 72;
inline constexpr std::size_t kBlock1TailSize = 96;  // 95 spaces and a line feed
// Character 23 of the identifier (counting from 1) says how group scales are stored.
inline constexpr std::size_t kScaleFlagIndex = 22;

inline constexpr int kBlock2ValueCount = 32;
inline constexpr int kBlock3ValueCount = 28;
inline constexpr int kBlock4ValueCount = 22;
inline constexpr int kJwkValueCount = 9;
// A value block's text, its closing zero byte included, fills at most this
// much of the block; the last byte is the line feed.
inline constexpr std::size_t kValueTextRoom = kHeaderBlockSize - 1;

inline constexpr std::size_t kVtenCount = 101;
inline constexpr std::size_t kMjtpStored = 11;  // entries 0 to 10 are in the file
inline constexpr std::size_t kMjtpCount = 12;   // entry 11 exists in memory only
inline constexpr std::size_t kGroupCount = 16;
inline constexpr std::size_t kLayerCount = 256;

inline constexpr std::size_t kLayerNameSize = 8;
inline constexpr std::size_t kGroupNameSize = 16;

// Scale factors of the fixed-point record fields.
inline constexpr double kFlatnessScale = 10000.0;
inline constexpr double kAngleScale = 65536.0;

// Rounds a double to the nearest single as IEEE 754 does (overflow gives an
// infinity), without the undefined behaviour of an out-of-range cast.
float RoundToSingle(double d);

// Long side of the paper in millimetres for a paper size code; 0 when the code
// names no paper (the long side is then drawWidth itself).
std::int32_t PaperLongSide(std::int32_t psize);
// Millimetres per drawing unit, computed in double and kept as a single.
float ComputeDataUnit(std::int32_t psize, std::int32_t drawWidth);

// ---- Header blocks: reading -----------------------------------------------

// One header block as the readers hold it: 200 bytes read into a zeroed
// 256-byte buffer whose byte 200 stays 0.
using HeaderBlockBuffer = std::array<std::uint8_t, 256>;

// Reads the next block. Missing bytes of a block cut short by the end of the
// file read as zero. Throws StreamError("File I/O Error") when not a byte is left.
void ReadHeaderBlock(ByteReader &s, HeaderBlockBuffer &buffer, const char *block);

// Block 1 of a JWC or JWK header: the identification and the two comments.
void ReadCommentBlock(ByteReader &s, HeaderBlockBuffer &buffer, std::u16string &jwID,
                      std::u16string &comment1, std::u16string &comment2);

// Whether a file's first bytes (up to kSignatureSize of them) decode to
// `signature`: how a JWC drawing and a JWK figure are told apart.
bool HasSignature(std::span<const std::uint8_t> bytes, std::u16string_view signature);

// The whole buffer decoded in the legacy code page, zero bytes kept as U+0000
// (the values after a zero byte are still split off, as the format has it).
std::u16string DecodeValueBlock(const HeaderBlockBuffer &buffer);

// Splits a value text into exactly `count` values; missing values are "0" and
// a surplus is ignored. The last value keeps whatever follows it.
void SplitValues(const std::u16string &text, int count, std::vector<std::u16string> &para);

// The value rules. Each looks at the value's text up to its first U+0000.
// Malformed texts give 0; so does a real that no single can hold.
std::int32_t IntValue(const std::u16string &value);
float RealValue(const std::u16string &value);
// "SSSS:OOOO": segment from characters 1 to 4, offset from characters 6 to 9,
// each hexadecimal; the result is segment * 16 + offset.
std::int32_t AddressValue(const std::u16string &value);

// ---- Header blocks: writing -----------------------------------------------

std::u16string IntText(std::int32_t v);
// The general format with 15 significant digits of the single widened to
// double. Throws StreamError for a NaN or an infinity, which no text form
// would read back.
std::u16string RealText(float v, const std::string &field);
// Upper-case hexadecimal of at least four digits, segment and offset. Throws
// StreamError when either part is negative or needs more than four digits,
// since the reader takes exactly four characters of each.
std::u16string AddressText(std::int64_t segment, std::int64_t offset, const char *field);

// Writes a 200-byte value block: the values joined by "," with a closing zero
// byte, padded with spaces, and a line feed. Throws StreamError when the text
// does not fit its 199 bytes (a reader would lose the values at its end).
void WriteValueBlock(ByteWriter &w, const std::vector<std::u16string> &values, const char *block);

// ---- Fields of the value blocks, in file order ----------------------------

// An address field of block 4 (segment:offset text).
template <typename Int>
struct AddressField {
  Int &value;
};

// Each visitor is called with every field of the block in its order: an
// int32 (integer value), a float (real value) or an AddressField.
template <typename H, typename V>
void VisitBlock2(H &h, V &&v) {
  v(h.lineCount), v(h.arcCount), v(h.mojiCount), v(h.tenCount), v(h.vtenCount);
  v(h.curFno), v(h.curMfno), v(h.curMlcol), v(h.curMpcol), v(h.wLayScale);
  v(h.wLayNo), v(h.psize), v(h.lcol), v(h.ltyp), v(h.plotOrgX), v(h.plotOrgY);
  v(h.lpitch1), v(h.lpitch2), v(h.drawtime);
  for (int k = 1; k <= 6; ++k) v(h.penWidth[k]);
  v(h.gridX), v(h.gridY), v(h.gridOrgX), v(h.gridOrgY), v(h.gridScale);
  v(h.drawWidth), v(h.flgPthin);
}

template <typename H, typename V>
void VisitBlock3(H &h, V &&v) {
  v(h.mvDist), v(h.mtDist), v(h.arLen), v(h.arAng);
  v(h.locMR), v(h.flgMconma), v(h.flgMzeros), v(h.typLside), v(h.mvUnit), v(h.mvKeta);
  v(h.sOfsetXL), v(h.sOfsetXM), v(h.sOfsetXR), v(h.sOfsetYD), v(h.sOfsetYM), v(h.sOfsetYT);
  v(h.s1len), v(h.sOrgXm), v(h.sOrgYm);
  v(h.dlinDistB);
  for (int k = 1; k <= 5; ++k) v(h.dlinDist[k]);
  v(h.svScrnOX), v(h.svScrnOY), v(h.svScrnScl);
}

template <typename H, typename V>
void VisitBlock4(H &h, V &&v) {
  using Int = std::remove_reference_t<decltype((h.sBufAdr1))>;
  v(AddressField<Int>{h.sBufAdr1}), v(AddressField<Int>{h.sBufAdr2});
  v(h.subZm0X), v(h.subZm0Y), v(h.subZm0S), v(h.subZm1X), v(h.subZm1Y), v(h.subZm1S);
  v(h.subZm2X), v(h.subZm2Y), v(h.subZm2S), v(h.subZm3X), v(h.subZm3Y), v(h.subZm3S);
  v(h.subZm4X), v(h.subZm4Y), v(h.subZm4S);
  v(h.hiIdo), v(h.hiHi), v(h.hiTaka);
  v(h.flgHok), v(h.flg25Dm);
}

template <typename H, typename V>
void VisitJwkBlock(H &h, V &&v) {
  v(h.lineCount), v(h.arcCount), v(h.tenCount), v(h.mojiCount);
  v(h.org_x), v(h.org_y), v(h.dispScale), v(h.strSpace), v(h.scale);
}

// Fills the fields of one block from its split values by their kinds.
class ValueReader {
 public:
  explicit ValueReader(const std::vector<std::u16string> &para) : para_(para) {}
  void operator()(std::int32_t &v) { v = IntValue(next()); }
  void operator()(float &v) { v = RealValue(next()); }
  void operator()(AddressField<std::int32_t> a) { a.value = AddressValue(next()); }

 private:
  const std::u16string &next() { return para_.at(index_++); }
  const std::vector<std::u16string> &para_;
  std::size_t index_ = 0;
};

// Reads the next value block into the header `h` through its visitor
// (VisitBlock2 ...), its values split into h.para on the way. h.para is empty
// again afterwards, also when a value fails, so no half-read list remains.
template <typename H, typename Visit>
void ReadValueBlock(ByteReader &s, HeaderBlockBuffer &buffer, const char *block, int count, H &h,
                    Visit visit) {
  ReadHeaderBlock(s, buffer, block);
  struct Emptied {
    std::vector<std::u16string> &para;
    ~Emptied() { para.clear(); }
  } emptied{h.para};
  SplitValues(DecodeValueBlock(buffer), count, h.para);
  visit(h, ValueReader(h.para));
}

// ---- Entity records, in file order ----------------------------------------

// Each visitor is called with every field of the record in its order:
//   io.coord(v)              a float32 coordinate in drawing units
//   io.word(w), io.penNo(w)  a uint16 (a pen number is repaired on writing)
//   io.groupScale(v, scaleF, k)   a group scale: float32 when scaleF, else uint16
//   io.fixedPoint<Stored>(v, scale, field)   v times scale, as a Stored integer
//   io.address(p)            a text's offset, then its segment (uint16 each)
//   io.typeColor(typ, col)   the line type and colour bytes, in that order
//   io.color(col)            a colour byte
//   io(b...)                 bytes as they are
// The tables between the header and the entity sections, column by column.
template <typename Io, typename D>
constexpr void VisitFixedPart(Io &io, D &d) {
  for (std::size_t k = 0; k < kVtenCount; ++k) io.coord(d.EntVten[k].x);
  for (std::size_t k = 0; k < kVtenCount; ++k) io.coord(d.EntVten[k].y);
  for (std::size_t k = 0; k < kVtenCount; ++k) io(d.EntVten[k].lay);
  for (std::size_t k = 0; k < kMjtpStored; ++k) io.penNo(d.EntMjtp[k].penNo);
  for (std::size_t k = 0; k < kMjtpStored; ++k) io.word(d.EntMjtp[k].width);
  for (std::size_t k = 0; k < kMjtpStored; ++k) io.word(d.EntMjtp[k].height);
  for (std::size_t k = 0; k < kMjtpStored; ++k) io.word(d.EntMjtp[k].dist);
  for (std::size_t k = 0; k < kGroupCount; ++k) io.groupScale(d.EntLgrp[k].scale, d.Enthd.scaleF, k);
  for (std::size_t k = 0; k < kGroupCount; ++k) io(d.EntLgrp[k].srchF);
  for (std::size_t k = 0; k < kLayerCount; ++k) io(d.EntLay[k].srchF);
  for (std::size_t k = 0; k < kGroupCount; ++k) io(d.EntLgrp[k].dispF);
  for (std::size_t k = 0; k < kLayerCount; ++k) io(d.EntLay[k].dispF);
  for (std::size_t k = 0; k < kGroupCount; ++k) io(d.EntLgrp[k].w_lay);
}

template <typename Io, typename E>
constexpr void VisitLine(Io &io, E &e) {
  io.coord(e.x1), io.coord(e.y1), io.coord(e.x2), io.coord(e.y2);
  io.typeColor(e.typ, e.col);
  io(e.lay, e.flg1, e.flg2, e.flg3);
}

template <typename Io, typename E>
constexpr void VisitArc(Io &io, E &e) {
  io.coord(e.x), io.coord(e.y), io.coord(e.r);
  io.template fixedPoint<std::uint16_t>(e.h, kFlatnessScale, "h");
  io.template fixedPoint<std::int32_t>(e.st, kAngleScale, "st");
  io.template fixedPoint<std::int32_t>(e.et, kAngleScale, "et");
  io.template fixedPoint<std::int32_t>(e.tt, kAngleScale, "tt");
  io.typeColor(e.typ, e.col);
  io(e.lay, e.flg1, e.flg2, e.flg3);
}

template <typename Io, typename E>
constexpr void VisitText(Io &io, E &e) {
  io.coord(e.x1), io.coord(e.y1), io.coord(e.x2), io.coord(e.y2);
  io.address(e.p);
  io(e.no, e.lay, e.flg1, e.flg2);
}

template <typename Io, typename E>
constexpr void VisitPoint(Io &io, E &e) {
  io.coord(e.x), io.coord(e.y);
  io(e.lay);
  io.color(e.col);
  io(e.flg1, e.flg2);
}

template <typename Io, typename E>
constexpr void VisitRecord(Io &io, E &e) {
  using T = std::remove_const_t<E>;
  if constexpr (std::is_same_v<T, TEntJwcLine>) VisitLine(io, e);
  else if constexpr (std::is_same_v<T, TEntJwcArc2>) VisitArc(io, e);
  else if constexpr (std::is_same_v<T, TEntJwcMoji2>) VisitText(io, e);
  else VisitPoint(io, e);
}

// Counts the bytes of the fields it is shown.
struct RecordSizer {
  std::size_t bytes = 0;
  template <typename... B>
  constexpr void operator()(const B &...) { bytes += sizeof...(B); }
  constexpr void coord(const float &) { bytes += 4; }
  constexpr void word(const std::uint16_t &) { bytes += 2; }
  constexpr void penNo(const std::uint16_t &) { bytes += 2; }
  constexpr void groupScale(const float &, bool scaleF, std::size_t) { bytes += scaleF ? 4 : 2; }
  template <typename Stored>
  constexpr void fixedPoint(const float &, double, const char *) { bytes += sizeof(Stored); }
  constexpr void address(const std::int32_t &) { bytes += 4; }
  constexpr void typeColor(const std::uint8_t &, const std::uint8_t &) { bytes += 2; }
  constexpr void color(const std::uint8_t &) { bytes += 1; }
};

// The bytes of a record of type E, counted from its description.
template <typename E>
std::size_t RecordSize() {
  static const std::size_t bytes = [] {
    E e{};  // only its fields' places count
    RecordSizer z;
    VisitRecord(z, e);
    return z.bytes;
  }();
  return bytes;
}

// ---- Failures ---------------------------------------------------------------

// The text a document keeps in LastError() for a failure caught at its public
// operation: the format's message and, for a StreamError, where it happened.
std::string DescribeFailure(const std::exception &e);

// Reads the first maxBytes of a file for a signature or header check. False,
// with `error` saying why, when the file cannot be opened or read.
bool ReadFileStart(const std::u16string &path, std::size_t maxBytes,
                   std::vector<std::uint8_t> &out, std::string &error);

// ---- Small helpers of the readers -----------------------------------------

// Decodes a fixed-width text field: the bytes up to the first zero byte (all
// of them when there is none), in the legacy code page.
std::u16string FieldText(std::span<const std::uint8_t> field);

// Reads a record of record.size() bytes into `record`, zero-filling what the
// file no longer holds. Throws StreamError("File I/O Error") when not a byte is left.
void ReadRecord(ByteReader &s, std::span<std::uint8_t> record, const char *what, std::size_t index);

}  // namespace velkaro::jwcfile
