// ByteWriter: the one place where the formats lay out bytes. It builds the
// file in memory; AtomicFileWriter (support/FileIO.h) puts it on disk so that a
// failed or short write never leaves a file under the destination name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velkaro {

class ByteWriter {
 public:
  void writeU8(std::uint8_t v) { buf_.push_back(v); }
  void writeU16(std::uint16_t v);
  void writeU32(std::uint32_t v);
  void writeI32(std::int32_t v) { writeU32(static_cast<std::uint32_t>(v)); }
  void writeF32(float v);
  void writeF64(double v);
  void writeBytes(std::span<const std::uint8_t> bytes);
  void fill(std::uint8_t value, std::size_t n) { buf_.insert(buf_.end(), n, value); }

  std::size_t size() const { return buf_.size(); }
  std::span<const std::uint8_t> bytes() const { return buf_; }
  std::vector<std::uint8_t> take() { return std::move(buf_); }
  void reserve(std::size_t n) { buf_.reserve(n); }

 private:
  std::vector<std::uint8_t> buf_;
};

}  // namespace velkaro
