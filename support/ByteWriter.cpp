// Little-endian layout of numbers into the file image, gathered in memory.
#include "support/ByteWriter.h"

namespace velkaro {

ByteWriter::ByteWriter(Sink sink, std::size_t chunk) : sink_(std::move(sink)), chunk_(chunk) {
  buf_.reserve(chunk_ + chunk_ / 8);
}

void ByteWriter::writeBytes(std::span<const std::uint8_t> bytes) {
  if (sink_ && bytes.size() >= chunk_) {
    // A large block (an embedded image) goes on as it is, not copied.
    finish();
    sink_(bytes);
    handedOn_ += bytes.size();
    return;
  }
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
  if (sink_ && buf_.size() >= chunk_)
    finish();
}

void ByteWriter::fill(std::uint8_t value, std::size_t n) {
  buf_.insert(buf_.end(), n, value);
  if (sink_ && buf_.size() >= chunk_)
    finish();
}

void ByteWriter::finish() {
  if (!sink_ || buf_.empty())
    return;
  sink_(buf_);
  handedOn_ += buf_.size();
  buf_.clear();
}

}  // namespace velkaro
