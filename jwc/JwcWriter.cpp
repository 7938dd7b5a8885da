// JwcWriter: TJwcData::FileOut, which writes the drawing held in memory as a
// JWC file, generated entirely from the model.
//
// The file is built in memory first and then written with AtomicFileWriter,
// so a refused drawing or a failed or short write never leaves a file (nor a
// part of one) under the destination name. A drawing the format cannot carry
// faithfully is refused rather than cut: a header block whose values do not fit
// its 199 bytes, a string area beyond 16-bit offsets, addresses of more than
// four hexadecimal digits, reals with no text form, fixed-point arc fields
// that cannot be rounded.
//
// The model changes only once the file's bytes are complete: texts and names
// take their cleaned form and Enthd.sBufAdr2 its recomputed value.
#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "jwc/JwcFormat.h"
#include "jwc/JwcUnit.h"
#include "support/ByteWriter.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

using namespace jwcfile;

namespace {

const char *const kIoError = "File I/O Error";

float ToDrawingUnits(float v, float dataUnit) {
  return RoundToSingle(static_cast<double>(v) / static_cast<double>(dataUnit));
}

// Rounds to the nearest integer, a half to the even neighbour, independent of
// the floating-point environment. Throws when there is no such 64-bit integer.
std::int64_t RoundHalfEven(double v, const std::string &what) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!std::isfinite(v) || v >= kLimit || v < -kLimit) {
    throw StreamError(kIoError, what + " cannot be rounded to an integer");
  }
  const double down = std::floor(v);
  const double diff = v - down;
  double result = down;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(down, 2.0) != 0.0)) result = down + 1.0;
  if (result >= kLimit) throw StreamError(kIoError, what + " cannot be rounded to an integer");
  return static_cast<std::int64_t>(result);
}

std::uint16_t Low16(std::int64_t v) { return static_cast<std::uint16_t>(static_cast<std::uint64_t>(v)); }
std::uint32_t Low32(std::int64_t v) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)); }

// The cleaned form of a text: no control characters, and an image reference
// into the temporary folder loses its "%temp%" (the folder is not the reader's).
std::u16string CleanText(const std::u16string &s) {
  std::u16string cleaned = RemoveControlChars(s);
  static constexpr std::u16string_view kTempImage = u"^@BM%temp%";
  if (cleaned.compare(0, kTempImage.size(), kTempImage) == 0) {
    cleaned.replace(0, kTempImage.size(), u"^@BM");
  }
  return cleaned;
}

// Turns the fields of a value block into their texts, in order.
class ValueWriter {
 public:
  ValueWriter(std::vector<std::u16string> &values, const char *block)
      : values_(values), block_(block) {}
  void operator()(const std::int32_t &v) { values_.push_back(IntText(v)); }
  void operator()(const float &v) {
    values_.push_back(RealText(v, std::string(block_) + " value " + std::to_string(values_.size())));
  }
  // Addresses depend on each other; the writer puts them in afterwards.
  void operator()(AddressField<const std::int32_t>) { values_.emplace_back(); }

 private:
  std::vector<std::u16string> &values_;
  const char *block_;
};

void RequireSize(std::size_t have, std::size_t need, const char *what) {
  if (have < need) {
    throw StreamError(kIoError, std::string("the drawing holds ") + std::to_string(have) + " " +
                                    what + " entries where " + std::to_string(need) +
                                    " are needed; it is not a loaded drawing");
  }
}

void RequireCount(std::int32_t count, std::size_t have, const char *what) {
  if (count < 0 || static_cast<std::size_t>(count) > have) {
    throw StreamError(kIoError, std::string(what) + " count " + std::to_string(count) +
                                    " does not match the " + std::to_string(have) +
                                    " entries held");
  }
}

void CheckLoaded(const TJwcData &d) {
  RequireSize(d.EntVten.size(), kVtenCount, "auxiliary point");
  RequireSize(d.EntMjtp.size(), kMjtpStored, "text kind");
  RequireSize(d.EntLgrp.size(), kGroupCount, "layer group");
  RequireSize(d.EntLay.size(), kLayerCount, "layer");
  RequireCount(d.lineN, d.EntLine.size(), "line");
  RequireCount(d.arcN, d.EntArc.size(), "arc");
  RequireCount(d.mojiN, d.EntMoji.size(), "text");
  RequireCount(d.tenN, d.EntTen.size(), "point");
}

// The string area laid out anew: the cleaned texts in record order, each
// followed by a zero byte.
struct StringLayout {
  std::vector<std::u16string> cleaned;
  std::vector<Bytes> encoded;
  std::int64_t length = 0;
};

StringLayout LayOutStrings(const TJwcData &d) {
  StringLayout layout;
  const auto n = static_cast<std::size_t>(d.mojiN);
  layout.cleaned.reserve(n);
  layout.encoded.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    layout.cleaned.push_back(CleanText(d.EntMoji[k].s));
    layout.encoded.push_back(StringToLegacyBytes(layout.cleaned.back()));
    layout.length += static_cast<std::int64_t>(layout.encoded.back().size()) + 1;
  }
  return layout;
}

void WriteBlock1(ByteWriter &w, const TEntJwcHeader &h) {
  std::array<std::uint8_t, kJwIdSize> field{};
  w.writeBytes(StringToFixedBytes(h.jwID, kJwIdSize, field));
  w.writeBytes(StringToFixedBytes(h.comment1, kCommentSize, field));
  w.writeBytes(StringToFixedBytes(h.comment2, kCommentSize, field));
  w.fill(' ', kBlock1TailSize - 1);
  w.writeU8(0x0A);
}

void WriteValueBlocks(ByteWriter &w, const TJwcData &d, std::int32_t sBufAdr2) {
  const TEntJwcHeader &h = d.Enthd;
  std::vector<std::u16string> values;

  VisitBlock2(h, ValueWriter(values, "block 2"));
  // The counts are those of the records actually written.
  values[0] = IntText(d.lineN);
  values[1] = IntText(d.arcN);
  values[2] = IntText(d.mojiN);
  values[3] = IntText(d.tenN);
  WriteValueBlock(w, values, "block 2");

  values.clear();
  VisitBlock3(h, ValueWriter(values, "block 3"));
  WriteValueBlock(w, values, "block 3");

  values.clear();
  VisitBlock4(h, ValueWriter(values, "block 4"));
  // Both addresses share the segment of the start address.
  const std::int64_t segment = h.sBufAdr1 / 16;
  values[0] = AddressText(segment, h.sBufAdr1 % 16, "sBufAdr1");
  values[1] = AddressText(segment, static_cast<std::int64_t>(sBufAdr2) - segment * 16, "sBufAdr2");
  WriteValueBlock(w, values, "block 4");
}

// Where the next text lies in the string area laid out anew: every address
// shares the segment of the area's start.
struct TextAddresses {
  const StringLayout &layout;
  std::int64_t segment;
  std::int64_t offset;
};

// The fields of record k as the file stores them: coordinates in drawing
// units, type and colour repaired, texts at their new addresses.
struct RecordOut {
  ByteWriter &w;
  float unit;
  std::size_t k;
  TextAddresses *texts = nullptr;

  template <typename... B>
  void operator()(const B &...bytes) { (w.writeU8(bytes), ...); }
  void coord(const float &v) { w.writeF32(ToDrawingUnits(v, unit)); }
  template <typename Stored>
  void fixedPoint(const float &v, double scale, const char *field) {
    // The product taken as a single, then rounded.
    const float product = RoundToSingle(static_cast<double>(v) * scale);
    const std::int64_t n =
        RoundHalfEven(product, std::string(field) + " of arc " + std::to_string(k));
    if constexpr (std::is_same_v<Stored, std::uint16_t>)
      w.writeU16(Low16(n));
    else
      w.writeU32(Low32(n));
  }
  void address(const std::int32_t &) {
    // In range: the address check of block 4 bounds every offset by 0xFFFF.
    w.writeU16(Low16(texts->offset));
    w.writeU16(Low16(texts->segment));
    texts->offset += static_cast<std::int64_t>(texts->layout.encoded[k].size()) + 1;
  }
  void word(const std::uint16_t &v) { w.writeU16(v); }
  void penNo(const std::uint16_t &penNo) {
    std::uint16_t p = penNo;
    CheckPenNo(p);
    w.writeU16(p);
  }
  void groupScale(const float &v, bool scaleF, std::size_t group) {
    if (scaleF)
      w.writeF32(v);
    else
      w.writeU16(Low16(RoundHalfEven(v, "scale of layer group " + std::to_string(group))));
  }
  void typeColor(const std::uint8_t &typ, const std::uint8_t &col) {
    std::uint8_t c = col, t = typ;
    CheckColorType(c, t);
    (*this)(t, c);
  }
  void color(const std::uint8_t &col) {
    std::uint8_t c = col;
    CheckColor(c);
    (*this)(c);
  }
};

template <typename Entity>
void WriteRecords(ByteWriter &w, const std::vector<Entity> &records, std::int32_t n, float unit,
                  TextAddresses *texts = nullptr) {
  for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
    RecordOut out{w, unit, k, texts};
    VisitRecord(out, records[k]);
  }
}

void WriteStringArea(ByteWriter &w, const StringLayout &layout) {
  for (const Bytes &text : layout.encoded) {
    w.writeBytes(text);
    w.writeU8(0);
  }
}

void WriteNames(ByteWriter &w, const std::vector<std::u16string> &layerNames,
                const std::vector<std::u16string> &groupNames) {
  std::array<std::uint8_t, kGroupNameSize> field{};
  for (const auto &name : layerNames) w.writeBytes(StringToFixedBytes(name, kLayerNameSize, field));
  for (const auto &name : groupNames) w.writeBytes(StringToFixedBytes(name, kGroupNameSize, field));
}

}  // namespace

std::vector<std::uint8_t> TJwcData::BuildFile() {
  CheckLoaded(*this);
  const StringLayout layout = LayOutStrings(*this);
  const std::int64_t end = static_cast<std::int64_t>(Enthd.sBufAdr1) + layout.length;
  if (Enthd.sBufAdr1 < 0 || end > INT32_MAX) {
    throw StreamError(kIoError, "string area from " + std::to_string(Enthd.sBufAdr1) + " of " +
                                    std::to_string(layout.length) +
                                    " bytes cannot be addressed");
  }
  const auto sBufAdr2 = static_cast<std::int32_t>(end);

  std::vector<std::u16string> layerNames, groupNames;
  for (std::size_t k = 0; k < kLayerCount; ++k) layerNames.push_back(RemoveControlChars(EntLay[k].name));
  for (std::size_t k = 0; k < kGroupCount; ++k) groupNames.push_back(RemoveControlChars(EntLgrp[k].name));

  ByteWriter w;
  // Room for the header, the fixed part, the names and every section.
  w.reserve(kHeaderSize + 4096 + static_cast<std::size_t>(lineN) * RecordSize<TEntJwcLine>() +
            static_cast<std::size_t>(arcN) * RecordSize<TEntJwcArc2>() +
            static_cast<std::size_t>(mojiN) * RecordSize<TEntJwcMoji2>() +
            static_cast<std::size_t>(layout.length) +
            static_cast<std::size_t>(tenN) * RecordSize<TEntJwcTen>());
  WriteBlock1(w, Enthd);
  WriteValueBlocks(w, *this, sBufAdr2);
  const float unit = Enthd.dataUnit;
  RecordOut fixed{w, unit, 0};
  VisitFixedPart(fixed, *this);
  TextAddresses texts{layout, Enthd.sBufAdr1 / 16, Enthd.sBufAdr1 % 16};
  WriteRecords(w, EntLine, lineN, unit);
  WriteRecords(w, EntArc, arcN, unit);
  WriteRecords(w, EntMoji, mojiN, unit, &texts);
  if (sBufAdr2 - Enthd.sBufAdr1 > 0) WriteStringArea(w, layout);
  WriteRecords(w, EntTen, tenN, unit);
  WriteNames(w, layerNames, groupNames);

  // Complete: now the model takes the form the file holds.
  Enthd.sBufAdr2 = sBufAdr2;
  for (std::size_t k = 0; k < layout.cleaned.size(); ++k) EntMoji[k].s = layout.cleaned[k];
  for (std::size_t k = 0; k < kLayerCount; ++k) EntLay[k].name = layerNames[k];
  for (std::size_t k = 0; k < kGroupCount; ++k) EntLgrp[k].name = groupNames[k];
  return w.take();
}

bool TJwcData::FileOutToBytes(std::vector<std::uint8_t> &out) {
  lastError_.clear();
  out.clear();
  try {
    out = BuildFile();
    return true;
  } catch (const std::exception &e) {
    out.clear();
    return Fail(e);
  } catch (...) {
    out.clear();
    return Fail("File I/O Error: unexpected failure");
  }
}

bool TJwcData::FileOut(const std::u16string &FName) {
  AtomicFileWriter file(FName);
  if (!FileOut(file)) return false;
  if (!file.commit()) return Fail("File I/O Error: cannot complete the file");
  return true;
}

bool TJwcData::FileOut(AtomicFileWriter &file) {
  lastError_.clear();
  std::vector<std::uint8_t> bytes;
  if (!FileOutToBytes(bytes)) return false;
  try {
    if (!file.open()) return Fail("File I/O Error: cannot create the temporary file");
    file.write(bytes);
    return true;
  } catch (const std::exception &e) {
    return Fail(e);
  } catch (...) {
    return Fail("File I/O Error: unexpected failure");
  }
}

}  // namespace velkaro
