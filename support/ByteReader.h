// ByteReader: the one bounds-checked cursor over a file's bytes.
//
// Reads never fail: a read near the end of the data delivers what is left and
// says how many bytes it delivered. A numeric read that delivers only part of
// its width overwrites just the delivered low-order bytes of the destination,
// and one that delivers nothing leaves the destination unchanged, the way a
// short stream read into a variable behaves. The format readers decide which
// short reads are errors.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace velkaro {

// A failure inside a document's reader or writer. what() is the format's own
// message ("File I/O Error", "JWW-Header Error", ...); detail() says where.
class StreamError : public std::runtime_error {
 public:
  explicit StreamError(const std::string &message, std::string detail = {})
      : std::runtime_error(message), detail_(std::move(detail)) {}
  const std::string &detail() const { return detail_; }

 private:
  std::string detail_;
};

namespace detail {
template <std::size_t N> struct UnsignedOfSize;
template <> struct UnsignedOfSize<1> { using type = std::uint8_t; };
template <> struct UnsignedOfSize<2> { using type = std::uint16_t; };
template <> struct UnsignedOfSize<4> { using type = std::uint32_t; };
template <> struct UnsignedOfSize<8> { using type = std::uint64_t; };
}  // namespace detail

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t size() const { return data_.size(); }
  std::size_t offset() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool atEnd() const { return pos_ >= data_.size(); }
  // True once any read asked for more bytes than were left.
  bool hitEnd() const { return hitEnd_; }

  // Copies up to dst.size() bytes into dst; returns the number delivered.
  std::size_t read(std::span<std::uint8_t> dst);
  // A view of up to n bytes, consumed.
  std::span<const std::uint8_t> take(std::size_t n);
  // Skips up to n bytes; returns the number skipped.
  std::size_t skip(std::size_t n);

  std::size_t readU8(std::uint8_t &v) { return readLE(v); }
  std::size_t readU16(std::uint16_t &v) { return readLE(v); }
  std::size_t readU32(std::uint32_t &v) { return readLE(v); }
  std::size_t readI32(std::int32_t &v) { return readLE(v); }
  std::size_t readF32(float &v) { return readLE(v); }
  std::size_t readF64(double &v) { return readLE(v); }

  // Whether `count` elements of `elementSize` bytes could still follow.
  // Written as a division so that it cannot overflow.
  bool canHold(std::uint64_t count, std::size_t elementSize) const {
    return elementSize == 0 || count <= remaining() / elementSize;
  }

 private:
  // The whole width when it is there, the careful short read otherwise.
  template <typename T>
  std::size_t readLE(T &v) {
    if (remaining() < sizeof(T))
      return readShortLE(v);
    using U = typename detail::UnsignedOfSize<sizeof(T)>::type;
    U bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      bits = static_cast<U>(bits | static_cast<U>(U{data_[pos_ + i]} << (8 * i)));
    v = std::bit_cast<T>(bits);
    pos_ += sizeof(T);
    return sizeof(T);
  }
  template <typename T>
  std::size_t readShortLE(T &v);

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool hitEnd_ = false;
};

}  // namespace velkaro
