// JwwInternal: the pieces the JWW reader and writer units share and that are
// not part of the document's public face: the field codec for fixed parts,
// the sizes of the fixed parts per version, the view of an entity container
// (the document or one block definition), the write state of one FileOut and
// the error helpers.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "jww/JwwLayouts.h"
#include "jww/JwwUnit.h"
#include "support/ByteReader.h"
#include "support/ByteWriter.h"
#include "support/FileIO.h"

namespace velkaro::jww {

inline constexpr const char *kFileIOError = "File I/O Error";
inline constexpr const char *kHeaderError = "JWW-Header Error";
inline constexpr const char *kVersionError = "JWW-Version Error";

// The largest fixed part of any record: a text's (checked by the layout tests).
inline constexpr std::size_t kLargestFixedPart = 83;

// The fewest bytes one object of an entity list occupies: a 2-byte tag and
// the smallest body (a point of a version-350 file).
inline constexpr std::size_t kSmallestEntityObject = 2 + FixedSize<TEntJwwTen>(350);
// The fewest bytes one block definition occupies: tag, fixed part, an empty
// name and a member count.
inline constexpr std::size_t SmallestBlockDefinition(std::int32_t ver) {
  return 2 + FixedSize<TEntJwwBlockDef>(ver) + 1 + 2;
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

  void skip(std::size_t n) { pos_ = std::min(bytes_.size(), pos_ + n); }
  // The next field, of the width of its type.
  template <class T>
  [[gnu::always_inline]] void get(T &v) {
    using U = typename velkaro::detail::UnsignedOfSize<sizeof(T)>::type;
    v = std::bit_cast<T>(static_cast<U>(load<sizeof(T)>()));
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
  // The next field, of the width of its type.
  template <class T>
  [[gnu::always_inline]] void put(T v) {
    using U = typename velkaro::detail::UnsignedOfSize<sizeof(T)>::type;
    store<sizeof(T)>(std::bit_cast<U>(v));
  }
  std::span<const std::uint8_t> bytes() const { return {buf_.data(), size_}; }
  std::size_t room() const { return buf_.size() - size_; }
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
    if (got_ < n) [[unlikely]]
      CopyShort(n);
  }
  FixedPart(const FixedPart &) = delete;
  FixedPart &operator=(const FixedPart &) = delete;

  // The bytes the data delivered.
  std::size_t got() const { return got_; }
  FieldDecoder decoder() const { return FieldDecoder(view_); }

 private:
  [[gnu::noinline]] void CopyShort(std::size_t n) {
    if (got_ > 0)
      std::memcpy(buf_.data(), view_.data(), got_);
    std::memset(buf_.data() + got_, 0, n - got_);
    view_ = std::span<const std::uint8_t>(buf_.data(), n);
  }

  std::span<const std::uint8_t> view_;
  std::size_t got_;
  std::array<std::uint8_t, kLargestFixedPart> buf_;  // only for a part cut short
};

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

  // The array of record type T and its count field.
  template <class T>
  struct Slot {
    std::vector<T> &array;
    std::int32_t &count;
  };
  template <class T>
  Slot<T> SlotOf() const {
    if constexpr (std::is_same_v<T, TEntJwwLine>) return {line, lineN};
    else if constexpr (std::is_same_v<T, TEntJwwEnko>) return {enko, enkoN};
    else if constexpr (std::is_same_v<T, TEntJwwTen>) return {ten, tenN};
    else if constexpr (std::is_same_v<T, TEntJwwMoji>) return {moji, mojiN};
    else if constexpr (std::is_same_v<T, TEntJwwSunpo>) return {sunpo, sunpoN};
    else if constexpr (std::is_same_v<T, TEntJwwSolid>) return {solid, solidN};
    else return {block, blockN};
  }

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

inline constexpr std::uint8_t kLongLength = 0xFF;  // a uint16 length follows
inline constexpr std::uint16_t kUtf16Marker = 0xFFFE;

// The bytes of an archive string in any of its three forms (the framing
// ReadCString decodes), for readers that only look at them.
struct ArchiveString {
  std::span<const std::uint8_t> bytes;
  bool utf16 = false;
  bool complete = true;  // every byte the framing announced was there

  ArchiveString &Take(ByteReader &s, std::size_t n) {
    bytes = s.take(n);
    complete = complete && bytes.size() == n;
    return *this;
  }
};
// Inline: both the decoding reader and the pass over bodies run it per string.
inline ArchiveString TakeString(ByteReader &s) {
  ArchiveString t;
  const auto got = [&](std::size_t n, std::size_t width) { t.complete = t.complete && n == width; };
  std::uint8_t b = 0;
  got(s.readU8(b), 1);
  if (b != kLongLength)
    return t.Take(s, b);
  std::uint16_t w = 0;
  got(s.readU16(w), 2);
  if (w != kUtf16Marker)
    return t.Take(s, w);
  t.utf16 = true;
  std::uint8_t c = 0;
  got(s.readU8(c), 1);
  std::size_t n = c;
  if (c == kLongLength) {
    std::uint16_t n16 = 0;
    got(s.readU16(n16), 2);
    n = n16;
  }
  return t.Take(s, 2 * n);
}

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

// The fields of a fixed part taken from its decoder, as a body description
// names them (JwwLayouts.h).
struct FieldsIn {
  FieldDecoder &d;
  std::int32_t ver;

  template <class... T>
  void operator()(T &...v) { (d.get(v), ...); }
  [[gnu::always_inline]] void attr(std::int32_t, TEntJwwAttr &a) {
    a.nPenWidth = 0;  // when the version has none
    AttrFields(*this, a);
  }
  // Sizes and spacing that are not numbers read as the defaults of a text.
  void textSize(double &v) { FiniteOr(v, 3.0); }
  void spacing(double &v) { FiniteOr(v, 0.0); }
  void blockNumber(std::uint32_t &n) { d.get(n); }

 private:
  void FiniteOr(double &v, double fallback) {
    d.get(v);
    v = std::isfinite(v) ? v : fallback;
  }
};

// The fields of a fixed part laid out in an encoder as the target version
// stores them: attributes repaired for the target, text sizes limited, block
// numbers renumbered.
struct FieldsOut {
  FieldEncoder &e;
  std::int32_t ver;
  const BlockNumberMap *numbers = nullptr;

  template <class... T>
  void operator()(const T &...v) { (e.put(v), ...); }
  [[gnu::always_inline]] void attr(std::int32_t kind, const TEntJwwAttr &a) {
    const TEntJwwAttr stored = TJwwData::AttrForTarget(ver, kind, a);
    AttrFields(*this, stored);
  }
  void textSize(const double &v) { e.put(LimitTextSize(v)); }
  void spacing(const double &v) { e.put(v); }
  void blockNumber(const std::uint32_t &n) { e.put(numbers->Written(n)); }
};

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
