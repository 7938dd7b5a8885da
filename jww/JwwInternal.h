// JwwInternal: the pieces the JWW reader and writer units share and that are
// not part of the document's public face: the field codec for fixed parts,
// the sizes of the fixed parts per version, the view of an entity container
// (the document or one block definition), the write state of one FileOut and
// the error helpers.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "jww/JwwUnit.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"
#include "support/FileIO.h"

namespace velkaro::jww {

inline constexpr const char *kFileIOError = "File I/O Error";
inline constexpr const char *kHeaderError = "JWW-Header Error";
inline constexpr const char *kVersionError = "JWW-Version Error";

// The attribute record carries nPenWidth from version 351 on.
inline constexpr bool HasPenWidth(std::int32_t ver) { return ver >= 351; }
inline constexpr std::size_t AttrSize(std::int32_t ver) { return HasPenWidth(ver) ? 15 : 13; }
inline constexpr std::size_t LineFixedSize(std::int32_t ver) { return AttrSize(ver) + 32; }
inline constexpr std::size_t EnkoFixedSize(std::int32_t ver) { return AttrSize(ver) + 60; }
inline constexpr std::size_t TenFixedSize(std::int32_t ver) { return AttrSize(ver) + 20; }
inline constexpr std::size_t TenExtraSize = 20;  // nCode, radKaitenKaku, dBairitsu
inline constexpr std::size_t MojiFixedSize(std::int32_t ver) { return AttrSize(ver) + 68; }
inline constexpr std::size_t SolidFixedSize(std::int32_t ver) { return AttrSize(ver) + 64; }
inline constexpr std::size_t BlockFixedSize(std::int32_t ver) { return AttrSize(ver) + 44; }
inline constexpr std::size_t BlockDefFixedSize(std::int32_t ver) { return AttrSize(ver) + 12; }
inline constexpr std::size_t kLargestFixedPart = 83;

// The fewest bytes one object of an entity list occupies: a 2-byte tag and
// the smallest body (a point of a version-350 file).
inline constexpr std::size_t kSmallestEntityObject = 2 + 33;
// The fewest bytes one block definition occupies: tag, fixed part, an empty
// name and a member count.
inline constexpr std::size_t SmallestBlockDefinition(std::int32_t ver) {
  return 2 + BlockDefFixedSize(ver) + 1 + 2;
}
// Order lists always get up to this many entries (512 KiB), so every
// realistic list that ends early keeps its declared length.
inline constexpr std::size_t kAlwaysMaterialisedEntries = 65536;
// The fewest bytes one bound-image entry occupies: an empty name and a size.
inline constexpr std::size_t kSmallestImageEntry = 1 + 4;

// How many entries of `elementBytes` each the bytes left could still hold,
// plus one for an entry the end of the data cuts short.
inline std::size_t EntriesBackedBy(const ByteReader &s, std::size_t elementBytes) {
  return s.remaining() / elementBytes + 1;
}

// Decodes the little-endian fields of a fixed part that was copied into a
// local buffer. The layouts are fixed, so reads never pass the buffer's end;
// a read that would yields 0 rather than touching memory outside it.
class FieldDecoder {
 public:
  explicit FieldDecoder(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t u8() { return static_cast<std::uint8_t>(load<1>()); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(load<2>()); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(load<4>()); }
  std::int32_t i32() { return static_cast<std::int32_t>(load<4>()); }
  double f64() {
    const std::uint64_t bits = load<8>();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }

 private:
  template <std::size_t N>
  std::uint64_t load() {
    if (bytes_.size() - pos_ < N) {
      pos_ = bytes_.size();
      return 0;
    }
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
      // The N bytes are the value's N low-order bytes: one load, not N.
      std::memcpy(&v, bytes_.data() + pos_, N);
    } else {
      for (std::size_t i = 0; i < N; ++i)
        v |= static_cast<std::uint64_t>(bytes_[pos_ + i]) << (8 * i);
    }
    pos_ += N;
    return v;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// Lays out the little-endian fields of a fixed part in a local buffer, so a
// body goes to the ByteWriter in one piece.
class FieldEncoder {
 public:
  void u8(std::uint8_t v) { store<1>(v); }
  void u16(std::uint16_t v) { store<2>(v); }
  void u32(std::uint32_t v) { store<4>(v); }
  void i32(std::int32_t v) { store<4>(static_cast<std::uint32_t>(v)); }
  void f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    store<8>(bits);
  }
  std::span<const std::uint8_t> bytes() const { return {buf_.data(), size_}; }
  void flushTo(ByteWriter &w) {
    w.writeBytes(bytes());
    size_ = 0;
  }

 private:
  template <std::size_t N>
  void store(std::uint64_t v) {
    if (buf_.size() - size_ < N)
      return;  // layouts never exceed the buffer
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(buf_.data() + size_, &v, N);  // the N low-order bytes, in order
    } else {
      for (std::size_t i = 0; i < N; ++i)
        buf_[size_ + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    size_ += N;
  }

  std::array<std::uint8_t, 128> buf_;  // only the first size_ bytes are ever read
  std::size_t size_ = 0;
};

// The `n` bytes of a fixed part, consumed, for a FieldDecoder: a view of the
// data when they are all there (nearly always), else a copy whose bytes the
// data cannot deliver are 0, the value of a fresh record's fields.
class FixedPart {
 public:
  FixedPart(ByteReader &s, std::size_t n) : view_(s.take(n)), got_(view_.size()) {
    if (got_ < n) {
      if (got_ > 0)
        std::memcpy(buf_.data(), view_.data(), got_);
      std::memset(buf_.data() + got_, 0, n - got_);
      view_ = std::span<const std::uint8_t>(buf_.data(), n);
    }
  }
  FixedPart(const FixedPart &) = delete;
  FixedPart &operator=(const FixedPart &) = delete;

  // The bytes the data delivered.
  std::size_t got() const { return got_; }
  FieldDecoder decoder() const { return FieldDecoder(view_); }

 private:
  std::span<const std::uint8_t> view_;
  std::size_t got_;
  std::array<std::uint8_t, kLargestFixedPart> buf_;  // only for a part cut short
};

// Reads `n` bytes of a fixed part into buf; bytes the data cannot deliver are
// 0, the value of a fresh record's fields. Returns the bytes delivered.
inline std::size_t ReadFixedPart(ByteReader &s, std::array<std::uint8_t, kLargestFixedPart> &buf,
                                 std::size_t n) {
  const std::size_t got = s.read(std::span<std::uint8_t>(buf.data(), n));
  if (got < n)
    std::memset(buf.data() + got, 0, n - got);
  return got;
}

// Every body starts with one: kept inline, next to the decoders they use.
inline void DecodeAttr(FieldDecoder &d, bool withWidth, TEntJwwAttr &a) {
  a.lGroup = d.u32();
  a.nPenStyle = d.u8();
  a.nPenColor = d.u16();
  a.nPenWidth = withWidth ? d.u16() : 0;
  a.nLayer = d.u16();
  a.nGLayer = d.u16();
  a.sFlg = d.u16();
}

inline void EncodeAttr(FieldEncoder &e, bool withWidth, const TEntJwwAttr &a) {
  e.u32(a.lGroup);
  e.u8(a.nPenStyle);
  e.u16(a.nPenColor);
  if (withWidth)
    e.u16(a.nPenWidth);
  e.u16(a.nLayer);
  e.u16(a.nGLayer);
  e.u16(a.sFlg);
}

// The usable length of an array whose count field says `count`.
inline std::size_t Usable(std::int32_t count, std::size_t length) {
  return count <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(count), length);
}

// The entity arrays of one container: the document, or one block definition
// for its members.
struct EntityLists {
  std::vector<TEntJwwNo> &order;
  std::vector<TEntJwwLine> &line;
  std::int32_t &lineN;
  std::vector<TEntJwwEnko> &enko;
  std::int32_t &enkoN;
  std::vector<TEntJwwTen> &ten;
  std::int32_t &tenN;
  std::vector<TEntJwwMoji> &moji;
  std::int32_t &mojiN;
  std::vector<TEntJwwSunpo> &sunpo;
  std::int32_t &sunpoN;
  std::vector<TEntJwwSolid> &solid;
  std::int32_t &solidN;
  std::vector<TEntJwwBlock> &block;
  std::int32_t &blockN;

  static EntityLists Of(TJwwData &doc);
  static EntityLists Of(TEntJwwBlockDef &def);

  // Entries of kind 1..7 that name an existing entity are writable; the
  // usable count of a kind never passes the array's length.
  std::size_t CountOf(std::int32_t kind) const;
  bool IsWritable(const TEntJwwNo &entry) const {
    return entry.EntType >= 1 && entry.EntType <= 7 && entry.EntNo >= 0 &&
           static_cast<std::size_t>(entry.EntNo) < CountOf(entry.EntType);
  }
};

// Definition numbers as the writer stores them (ChangeBlockNo for every
// number at once).
class BlockNumberMap {
 public:
  explicit BlockNumberMap(const TJwwData &doc);
  std::uint32_t Written(std::uint32_t n) const {
    const auto it = map_.find(n);
    return it == map_.end() ? 0 : it->second;
  }

 private:
  std::unordered_map<std::uint32_t, std::uint32_t> map_;
};

// The state of one FileOut: target, options, the map-index counter and the
// class slots shared by the entity list and the block definitions.
struct WriteContext {
  ByteWriter &w;
  std::int32_t ver;          // target version
  std::int32_t drawingVer;   // the version the drawing was read in
  std::int32_t options;      // FileOutOpt
  const BlockNumberMap &numbers;
  JwwArchiveState state;

  // The class record or reference that introduces an object of `kind`.
  void BeginObject(std::int32_t kind);
  // The object takes its number.
  void EndObject() { ++state.counter; }
};

// What FileInForRewrite keeps of the drawing's own entity list for
// RewriteOut, in place of the records.
struct RewriteSource {
  std::span<const std::uint8_t> bytes;  // the caller's buffer
  std::size_t listAt = 0;     // where the list's count starts
  std::uint64_t objects = 0;  // objects whose body was read
  // Definition numbers the list's block references place.
  std::unordered_set<std::uint32_t> placed;
  // Texts of the list that name an extracted image (MarkImagesToEmbed).
  std::vector<std::u16string> imageTexts;
};

// Whether a text names an image extracted into the work folder.
bool IsTemporaryImageText(const std::u16string &s);

// Empties the array of `kind` in a list read one entity at a time, the only
// one that holds anything.
void ClearEntities(EntityLists &lists, std::int32_t kind);

// Text sizes the writer stores: the absolute value, limited to 1e-10..1e10.
// NaN passes unchanged, bit for bit.
inline double LimitTextSize(double v) {
  if (v != v)
    return v;
  v = v < 0 ? -v : v;
  return v < 1e-10 ? 1e-10 : (v > 1e10 ? 1e10 : v);
}

// Objects a list of `entries` order entries writes: one per writable entry,
// six more for every dimension the target splits up.
std::uint64_t CountObjects(const WriteContext &ctx, const EntityLists &lists, std::size_t entries);

// "0x1A2"
std::string Hex(std::uint64_t v);
// A StreamError with `message` and a detail naming the place in the data.
[[noreturn]] void Fail(const char *message, const std::string &detail);
[[noreturn]] void FailAt(const char *message, const ByteReader &s, const std::string &what);
// "message: detail", the text LastError() keeps.
std::string Describe(const StreamError &e);

}  // namespace velkaro::jww
