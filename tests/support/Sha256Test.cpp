// The digest against the published SHA-256 examples, fed whole and in
// pieces that straddle the 64-byte blocks.
#include <gtest/gtest.h>

#include <string>

#include "support/Sha256.h"

namespace velkaro {
namespace {

std::string DigestInPieces(const std::string &text, std::size_t piece) {
  Sha256 digest;
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.data());
  for (std::size_t at = 0; at < text.size(); at += piece)
    digest.update(std::span(bytes + at, std::min(piece, text.size() - at)));
  return digest.hexDigest();
}

TEST(Sha256, MatchesTheKnownDigests) {
  const struct {
    std::string text;
    const char *digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  // With the processor's SHA instructions where it has them, and without.
  for (const bool extensions : {true, false}) {
    Sha256::AllowShaExtensions(extensions);
    for (const auto &c : cases)
      for (const std::size_t piece : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{1000}})
        EXPECT_EQ(DigestInPieces(c.text, piece), c.digest)
            << c.text.size() << " bytes, pieces of " << piece << (extensions ? "" : ", plain rounds");
  }
  Sha256::AllowShaExtensions(true);
}

}  // namespace
}  // namespace velkaro
