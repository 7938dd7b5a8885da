// HeaderDocument: the check / header / failure frame of the figure and JWC
// documents.
#include "support/HeaderDocument.h"

#include <new>
#include <vector>

#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

// The format's message and, for a StreamError, where it happened.
std::string DescribeFailure(const std::exception &e) {
  if (const auto *stream = dynamic_cast<const StreamError *>(&e)) {
    return stream->detail().empty() ? std::string(stream->what())
                                    : std::string(stream->what()) + ": " + stream->detail();
  }
  if (dynamic_cast<const std::bad_alloc *>(&e) != nullptr)
    return "File I/O Error: out of memory";
  return std::string("File I/O Error: ") + e.what();
}

}  // namespace

template <typename Body>
bool HeaderDocument::Guarded(Body &&body) {
  try {
    return body();
  } catch (const std::exception &e) {
    return Fail(e);
  } catch (...) {
    return Fail("File I/O Error: unexpected failure");
  }
}

bool HeaderDocument::FileCheck(const std::u16string &FName) {
  lastError_.clear();
  return FromFileStart(FName, checkBytes_, &HeaderDocument::FileCheckFromBytes);
}

bool HeaderDocument::FileCheckFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  return Guarded([&] { return CheckStart(bytes); });
}

bool HeaderDocument::FileHeaderIn(const std::u16string &FName) {
  lastError_.clear();
  DataInit();
  // The listing reads many headers: only the header's bytes are read.
  return FromFileStart(FName, headerBytes_, &HeaderDocument::FileHeaderInFromBytes);
}

bool HeaderDocument::FileHeaderInFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  DataInit();
  ByteReader s(bytes);
  return ReadHeader(s);
}

bool HeaderDocument::ReadHeader(ByteReader &s) {
  return Guarded([&] {
    ReadHeaderFields(s);
    return true;
  });
}

bool HeaderDocument::FromFileStart(const std::u16string &FName, std::size_t size,
                                   bool (HeaderDocument::*fromBytes)(std::span<const std::uint8_t>)) {
  std::vector<std::uint8_t> prefix;
  try {
    std::uint64_t fileSize = 0;
    if (!ReadFilePrefix(FName, size, prefix, fileSize))
      return Fail("File I/O Error: cannot open " + ToUtf8(FName));
  } catch (const std::exception &e) {
    return Fail(e);
  }
  return (this->*fromBytes)(prefix);
}

bool HeaderDocument::Fail(const std::exception &e) {
  lastError_ = DescribeFailure(e);
  return false;
}

bool HeaderDocument::Fail(const std::string &message) {
  lastError_ = message;
  return false;
}

}  // namespace velkaro
