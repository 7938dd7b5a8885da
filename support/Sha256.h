// Sha256: the SHA-256 digest (FIPS 180-4), fed in pieces.
//
// The batch record keeps the digest of every file a batch wrote and of every
// file it kept as a backup, so that undo can tell an output the drafter has
// edited since, or a backup that is no longer the one the batch made.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace velkaro {

class Sha256 {
 public:
  Sha256();
  void update(std::span<const std::uint8_t> bytes);
  // The digest as 64 lower-case hexadecimal digits; ends the use of the object.
  std::string hexDigest();

  // Whether the processor's SHA instructions may be used where it has them
  // (tests of the plain rounds turn them off).
  static void AllowShaExtensions(bool allowed);

 private:
  void compressBlock(const std::uint8_t *block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t blockUsed_ = 0;
  std::uint64_t totalBytes_ = 0;
};

}  // namespace velkaro
