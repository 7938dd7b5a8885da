// HeaderDocument: what the JWC, JWK and JWS documents share at their public
// file operations: recognising a file by its first bytes (FileCheck), reading
// its header from them (FileHeaderIn), the same over bytes in memory, and the
// reason of the last failure.
//
// The public operations never throw: a failure raised inside (a StreamError
// with the format's message, or anything else) becomes false, and LastError()
// keeps the message and where it happened. Each document supplies only what
// is its own: how many bytes to look at, the check of those bytes, the header
// fields and its DataInit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>

#include "support/ByteReader.h"

namespace velkaro {

class HeaderDocument {
 public:
  bool FileCheck(const std::u16string &FName);
  bool FileHeaderIn(const std::u16string &FName);
  // The same over bytes already in memory (at least the first checkBytes or
  // headerBytes of the file).
  bool FileCheckFromBytes(std::span<const std::uint8_t> bytes);
  bool FileHeaderInFromBytes(std::span<const std::uint8_t> bytes);

  // What went wrong in the last failed operation ("File I/O Error: ...").
  const std::string &LastError() const { return lastError_; }

  // Empties the document; FileHeaderIn starts with it.
  virtual void DataInit() = 0;

 protected:
  // checkBytes: what FileCheck reads; headerBytes: what FileHeaderIn reads.
  HeaderDocument(std::size_t checkBytes, std::size_t headerBytes)
      : checkBytes_(checkBytes), headerBytes_(headerBytes) {}
  ~HeaderDocument() = default;
  HeaderDocument(const HeaderDocument &) = delete;
  HeaderDocument &operator=(const HeaderDocument &) = delete;

  // The header fields through ReadHeaderFields; false on any failure.
  bool ReadHeader(ByteReader &s);
  bool Fail(const std::exception &e);
  bool Fail(const std::string &message);

  std::string lastError_;

 private:
  // Whether the file's first bytes are this format's; false through Fail.
  virtual bool CheckStart(std::span<const std::uint8_t> bytes) = 0;
  // Throws StreamError with the format's message on a header it refuses.
  virtual void ReadHeaderFields(ByteReader &s) = 0;

  // body() with whatever it throws turned into false and LastError().
  template <typename Body>
  bool Guarded(Body &&body);
  // The first `size` bytes of FName through `fromBytes`.
  bool FromFileStart(const std::u16string &FName, std::size_t size,
                     bool (HeaderDocument::*fromBytes)(std::span<const std::uint8_t>));

  std::size_t checkBytes_;
  std::size_t headerBytes_;
};

}  // namespace velkaro
