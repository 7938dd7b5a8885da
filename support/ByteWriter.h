// ByteWriter: the one place where the formats lay out bytes. It builds the
// file in memory, whole or, with a sink, in pieces handed on as they fill;
// AtomicFileWriter (support/FileIO.h) puts it on disk so that a failed or
// short write never leaves a file under the destination name.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace velkaro {

class ByteWriter {
 public:
  // Receives the laid-out bytes in order; may throw to stop the writing.
  using Sink = std::function<void(std::span<const std::uint8_t>)>;
  static constexpr std::size_t kDefaultChunk = std::size_t{1} << 20;

  // Holds the whole file until bytes() or take().
  ByteWriter() = default;
  // Hands the bytes to `sink` whenever about `chunk` of them have gathered,
  // so a large file never sits in memory whole. finish() hands on the rest.
  explicit ByteWriter(Sink sink, std::size_t chunk = kDefaultChunk);

  void writeU8(std::uint8_t v) { put(v); }
  void writeU16(std::uint16_t v) { put(v); }
  void writeU32(std::uint32_t v) { put(v); }
  void writeI32(std::int32_t v) { put(static_cast<std::uint32_t>(v)); }
  void writeF32(float v) { put(std::bit_cast<std::uint32_t>(v)); }
  void writeF64(double v) { put(std::bit_cast<std::uint64_t>(v)); }
  void writeBytes(std::span<const std::uint8_t> bytes);
  void fill(std::uint8_t value, std::size_t n);

  // Bytes laid out so far, handed on or not.
  std::size_t size() const { return handedOn_ + used_; }
  // The bytes not yet handed on: the whole file for a writer without a sink.
  std::span<const std::uint8_t> bytes() const { return {buf_.get(), used_}; }
  std::vector<std::uint8_t> take();
  void reserve(std::size_t n);
  // Hands what is gathered to the sink (nothing without one).
  void finish();

 private:
  // Little-endian, whatever the host's order. Numbers are the bulk of a
  // drawing: one check and one store each.
  template <typename U>
  void put(U v) {
    if (room_ - used_ < sizeof(U))
      reserve(used_ + sizeof(U));
    std::uint8_t *at = buf_.get() + used_;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(at, &v, sizeof(U));
    } else {
      for (std::size_t i = 0; i < sizeof(U); ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    used_ += sizeof(U);
    if (sink_ && used_ >= chunk_)
      finish();
  }

  // room_ bytes, of which the first used_ are laid out; the rest is never
  // read, so it needs no clearing.
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t room_ = 0;
  std::size_t used_ = 0;
  Sink sink_;
  std::size_t chunk_ = 0;
  std::size_t handedOn_ = 0;
};

}  // namespace velkaro
