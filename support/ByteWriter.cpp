// Little-endian layout of numbers into the file image, gathered in memory.
#include "support/ByteWriter.h"

#include <algorithm>

namespace velkaro {

ByteWriter::ByteWriter(Sink sink, std::size_t chunk) : sink_(std::move(sink)), chunk_(chunk) {
  reserve(chunk_ + chunk_ / 8);
}

void ByteWriter::reserve(std::size_t n) {
  if (n <= room_)
    return;
  n = std::max(n, 2 * room_);  // amortised growth for a writer without a sink
  auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(n);
  if (used_ > 0)
    std::memcpy(bigger.get(), buf_.get(), used_);
  buf_ = std::move(bigger);
  room_ = n;
}

std::vector<std::uint8_t> ByteWriter::take() {
  std::vector<std::uint8_t> out(buf_.get(), buf_.get() + used_);
  buf_.reset();
  room_ = used_ = 0;
  return out;
}

void ByteWriter::writeBytes(std::span<const std::uint8_t> bytes) {
  if (sink_ && bytes.size() >= chunk_) {
    // A large block (an embedded image) goes on as it is, not copied.
    finish();
    sink_(bytes);
    handedOn_ += bytes.size();
    return;
  }
  if (bytes.empty())
    return;
  if (room_ - used_ < bytes.size())
    reserve(used_ + bytes.size());
  std::memcpy(buf_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
  if (sink_ && used_ >= chunk_)
    finish();
}

void ByteWriter::fill(std::uint8_t value, std::size_t n) {
  if (n == 0)
    return;
  if (room_ - used_ < n)
    reserve(used_ + n);
  std::memset(buf_.get() + used_, value, n);
  used_ += n;
  if (sink_ && used_ >= chunk_)
    finish();
}

void ByteWriter::finish() {
  if (!sink_ || used_ == 0)
    return;
  sink_(bytes());
  handedOn_ += used_;
  used_ = 0;
}

}  // namespace velkaro
