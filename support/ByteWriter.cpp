// Little-endian layout of numbers into the in-memory file image.
#include "support/ByteWriter.h"

#include <bit>

namespace velkaro {

namespace {

template <typename U>
void AppendLE(std::vector<std::uint8_t> &buf, U v) {
  for (std::size_t i = 0; i < sizeof(U); ++i)
    buf.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

void ByteWriter::writeU16(std::uint16_t v) { AppendLE(buf_, v); }
void ByteWriter::writeU32(std::uint32_t v) { AppendLE(buf_, v); }
void ByteWriter::writeF32(float v) { AppendLE(buf_, std::bit_cast<std::uint32_t>(v)); }
void ByteWriter::writeF64(double v) { AppendLE(buf_, std::bit_cast<std::uint64_t>(v)); }

void ByteWriter::writeBytes(std::span<const std::uint8_t> bytes) {
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
}

}  // namespace velkaro
