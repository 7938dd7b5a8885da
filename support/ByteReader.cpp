// The bounds-checked read cursor.
#include "support/ByteReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velkaro {

std::size_t ByteReader::read(std::span<std::uint8_t> dst) {
  const std::size_t n = std::min(dst.size(), remaining());
  if (n < dst.size()) hitEnd_ = true;
  if (n > 0) std::memcpy(dst.data(), data_.data() + pos_, n);
  pos_ += n;
  return n;
}

std::span<const std::uint8_t> ByteReader::take(std::size_t n) {
  const std::size_t k = std::min(n, remaining());
  if (k < n) hitEnd_ = true;
  auto view = data_.subspan(pos_, k);
  pos_ += k;
  return view;
}

std::size_t ByteReader::skip(std::size_t n) {
  const std::size_t k = std::min(n, remaining());
  if (k < n) hitEnd_ = true;
  pos_ += k;
  return k;
}

// Little-endian: the first k bytes delivered are the value's k low-order
// bytes, so a short read replaces exactly those and keeps the rest.
template <typename T>
std::size_t ByteReader::readShortLE(T &v) {
  using U = typename detail::UnsignedOfSize<sizeof(T)>::type;
  const std::size_t n = std::min(sizeof(T), remaining());
  if (n < sizeof(T)) hitEnd_ = true;
  if (n == 0) return 0;
  U bits = std::bit_cast<U>(v);
  for (std::size_t i = 0; i < n; ++i) {
    const U mask = static_cast<U>(U{0xFF} << (8 * i));
    bits = static_cast<U>((bits & static_cast<U>(~mask)) |
                          static_cast<U>(U{data_[pos_ + i]} << (8 * i)));
  }
  v = std::bit_cast<T>(bits);
  pos_ += n;
  return n;
}

template std::size_t ByteReader::readShortLE<std::uint8_t>(std::uint8_t &);
template std::size_t ByteReader::readShortLE<std::uint16_t>(std::uint16_t &);
template std::size_t ByteReader::readShortLE<std::uint32_t>(std::uint32_t &);
template std::size_t ByteReader::readShortLE<std::int32_t>(std::int32_t &);
template std::size_t ByteReader::readShortLE<float>(float &);
template std::size_t ByteReader::readShortLE<double>(double &);

}  // namespace velkaro
