// JwcReader: TJwcData::FileIn, the reading of a whole JWC drawing after its
// header: the fixed tables, the entity sections, the string area and the names.
//
// Counts from the header are trusted only as far as the bytes left can back
// them, so a forged count fails quickly instead of allocating ahead. A file
// ends early exactly when one of these checks fails or a record finds no byte
// left, which is the outcome the format gives such a file.
#include <array>
#include <new>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "jwc/JwcFormat.h"
#include "jwc/JwcUnit.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/ResourceShortage.h"

namespace velkaro {

using namespace jwcfile;

namespace {

const char *const kIoError = "File I/O Error";

// Drawing units to millimetres: the product of two singles is exact in
// double, so one rounding to single gives the correctly rounded product.
float ToMillimetres(float v, float dataUnit) {
  return RoundToSingle(static_cast<double>(v) * static_cast<double>(dataUnit));
}

// A ByteReader over one record already in memory; the record is complete
// (zero-filled by ReadRecord), so its reads always deliver.
class RecordReader {
 public:
  explicit RecordReader(std::span<const std::uint8_t> record) : r_(record) {}
  float f32() { float v = 0; r_.readF32(v); return v; }
  std::uint16_t u16() { std::uint16_t v = 0; r_.readU16(v); return v; }
  std::int32_t i32() { std::int32_t v = 0; r_.readI32(v); return v; }
  std::uint8_t u8() { std::uint8_t v = 0; r_.readU8(v); return v; }

 private:
  ByteReader r_;
};

// Refuses a section whose count is negative or promises more records than
// the rest of the file holds (the file would end inside the section).
void CheckSection(const ByteReader &s, std::int32_t count, std::size_t recordSize,
                  const char *what) {
  if (count < 0 || !s.canHold(static_cast<std::uint64_t>(count), recordSize)) {
    throw StreamError(kIoError, std::string(what) + " count " + std::to_string(count) +
                                    " at offset " + std::to_string(s.offset()) + " needs " +
                                    std::to_string(static_cast<std::int64_t>(count) *
                                                   static_cast<std::int64_t>(recordSize)) +
                                    " bytes, " + std::to_string(s.remaining()) + " left");
  }
}

// The fields of one record as the drawing holds them: coordinates in
// millimetres, fixed-point fields as the quotient rounded once to single.
struct RecordIn {
  RecordReader &r;
  float unit;

  template <typename... B>
  void operator()(B &...bytes) { ((bytes = r.u8()), ...); }
  void coord(float &v) { v = ToMillimetres(r.f32(), unit); }
  template <typename Stored>
  void fixedPoint(float &v, double scale, const char *) {
    // The quotient is exact in double.
    if constexpr (std::is_same_v<Stored, std::uint16_t>)
      v = RoundToSingle(r.u16() / scale);
    else
      v = RoundToSingle(r.i32() / scale);
  }
  void address(std::int32_t &p) {
    const std::int32_t offset = r.u16();
    const std::int32_t segment = r.u16();
    p = segment * 16 + offset;
  }
  void word(std::uint16_t &w) { w = r.u16(); }
  void penNo(std::uint16_t &w) { w = r.u16(); }
  void groupScale(float &v, bool scaleF, std::size_t) {
    v = scaleF ? r.f32() : static_cast<float>(r.u16());
  }
  void typeColor(std::uint8_t &typ, std::uint8_t &col) { (*this)(typ, col); }
  void color(std::uint8_t &col) { (*this)(col); }
};

void ReadFixedPart(ByteReader &s, TJwcData &d) {
  d.EntVten.assign(kVtenCount, TEntJwcVten{});
  d.EntMjtp.assign(kMjtpCount, TEntJwcMojiType{});
  d.EntLgrp.assign(kGroupCount, TEntJwcLayerGroup{});
  d.EntLay.assign(kLayerCount, TEntJwcLayer{});
  RecordSizer size;
  VisitFixedPart(size, d);
  // Read without a check of its own: a file that ends inside it fails at the
  // first section or name field after it. Missing bytes read as zero.
  std::vector<std::uint8_t> fixed(size.bytes, 0);
  s.read(fixed);
  RecordReader r(fixed);
  RecordIn in{r, d.Enthd.dataUnit};
  VisitFixedPart(in, d);
}

// One entity section: `count` records, each decoded into its entry of `out`.
// `readN` counts the records read; a file that ends inside the section stops
// the count there.
template <typename Entity>
void ReadSection(ByteReader &s, std::int32_t count, const char *what, std::vector<Entity> &out,
                 std::int32_t &readN, float unit) {
  const std::size_t size = RecordSize<Entity>();
  CheckSection(s, count, size, what);
  out.assign(static_cast<std::size_t>(count), Entity{});
  std::vector<std::uint8_t> record(size);
  for (auto &e : out) {
    ReadRecord(s, record, what, static_cast<std::size_t>(readN));
    RecordReader r(record);
    RecordIn in{r, unit};
    VisitRecord(in, e);
    ++readN;
  }
}

// The string area and the texts of the text records. A text whose address
// lies outside the area reads as the empty text: nothing outside the area is
// ever looked at.
void ReadStringArea(ByteReader &s, TJwcData &d) {
  const std::int64_t n =
      static_cast<std::int64_t>(d.Enthd.sBufAdr2) - static_cast<std::int64_t>(d.Enthd.sBufAdr1);
  if (n <= 0) return;
  const std::size_t at = s.offset();
  if (static_cast<std::uint64_t>(n) > s.remaining()) {
    throw StreamError(kIoError, "string area of " + std::to_string(n) + " bytes at offset " +
                                    std::to_string(at) + ", " + std::to_string(s.remaining()) +
                                    " left");
  }
  const auto stored = s.take(static_cast<std::size_t>(n));
  // The closing zero byte ends a text that runs to the end of the area.
  std::vector<std::uint8_t> area(stored.begin(), stored.end());
  area.push_back(0);
  const std::span<const std::uint8_t> view(area);
  for (auto &e : d.EntMoji) {
    const std::int64_t pos = static_cast<std::int64_t>(e.p) - d.Enthd.sBufAdr1;
    if (pos < 0 || pos >= n) continue;
    e.s = RemoveControlChars(FieldText(view.subspan(static_cast<std::size_t>(pos))));
  }
}

void ReadNames(ByteReader &s, TJwcData &d) {
  std::array<std::uint8_t, kLayerNameSize> layerField;
  for (std::size_t k = 0; k < d.EntLay.size(); ++k) {
    ReadRecord(s, layerField, "layer name", k);
    d.EntLay[k].name = RemoveControlChars(FieldText(layerField));
  }
  std::array<std::uint8_t, kGroupNameSize> groupField;
  for (std::size_t k = 0; k < d.EntLgrp.size(); ++k) {
    ReadRecord(s, groupField, "group name", k);
    d.EntLgrp[k].name = RemoveControlChars(FieldText(groupField));
  }
}

}  // namespace

bool TJwcData::FileIn(const std::u16string &FName) {
  lastError_.clear();
  DataInit();
  FileBytes bytes;
  try {
    RecordsRead result;
    std::uint64_t trailing = 0;
    const auto read = [this](std::span<const std::uint8_t> data) {
      RecordsRead how;
      how.ok = ReadDrawing(data, how);
      return how;
    };
    if (!ReadFileRecords(FName, bytes, read, result, trailing))
      return Fail("File I/O Error: cannot read " + ToUtf8(FName));
    if (result.ok)
      trailingBytes_ = trailing;
    return result.ok;
  } catch (const std::bad_alloc &e) {
    NoteResourceShortage(ResourceShortage::Memory);
    return Fail(e);
  } catch (const std::exception &e) {
    return Fail(e);
  } catch (...) {
    return Fail("File I/O Error: unexpected failure");
  }
}

bool TJwcData::FileInFromBytes(std::span<const std::uint8_t> bytes) {
  RecordsRead how;
  return ReadDrawing(bytes, how);
}

bool TJwcData::ReadDrawing(std::span<const std::uint8_t> bytes, RecordsRead &how) {
  lastError_.clear();
  DataInit();
  trailingBytes_ = 0;
  ByteReader s(bytes);
  const auto tell = [&](bool ok) {
    how.used = s.offset();
    how.wantedMore = s.hitEnd();
    return ok;
  };
  if (!ReadHeader(s)) return tell(false);
  try {
    ReadBody(s);
    return tell(true);
  } catch (const std::bad_alloc &e) {
    tell(false);
    NoteResourceShortage(ResourceShortage::Memory);
    return Fail(e);
  } catch (const std::exception &e) {
    tell(false);
    return Fail(e);
  } catch (...) {
    tell(false);
    return Fail("File I/O Error: unexpected failure");
  }
}

void TJwcData::ReadBody(ByteReader &s) {
  ReadFixedPart(s, *this);
  const float unit = Enthd.dataUnit;
  ReadSection(s, Enthd.lineCount, "line", EntLine, lineN, unit);
  ReadSection(s, Enthd.arcCount, "arc", EntArc, arcN, unit);
  ReadSection(s, Enthd.mojiCount, "text", EntMoji, mojiN, unit);
  ReadStringArea(s, *this);
  ReadSection(s, Enthd.tenCount, "point", EntTen, tenN, unit);
  ReadNames(s, *this);
}

}  // namespace velkaro
