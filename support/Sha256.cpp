#include "support/Sha256.h"

#include <atomic>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define VELKARO_SHA_EXTENSIONS 1
#endif

namespace velkaro {

namespace {

constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t BigEndianWord(const std::uint8_t *p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

#ifdef VELKARO_SHA_EXTENSIONS
// The x86 SHA extensions: the same rounds in a few instructions, some five
// times as fast, so a batch's digests cost little beside its reading and
// writing. `state` as Sha256 keeps it; `block` 64 bytes.
__attribute__((target("sha,sse4.1"))) void CompressWithShaExtensions(std::uint32_t *state,
                                                                    const std::uint8_t *block) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state)), 0xB1);
  __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  const __m128i abefBefore = abef, cdghBefore = cdgh;
  __m128i w[4];  // the schedule's last sixteen words, four to a register
  for (int i = 0; i < 16; ++i) {
    __m128i &x = w[i % 4];
    if (i < 4) {
      x = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(block + 16 * i)), byteSwap);
    } else {
      // w[t] = σ1(w[t-2]) + w[t-7] + σ0(w[t-15]) + w[t-16], four at a time.
      const __m128i &previous = w[(i + 3) % 4];
      x = _mm_add_epi32(_mm_sha256msg1_epu32(x, w[(i + 1) % 4]),
                        _mm_alignr_epi8(previous, w[(i + 2) % 4], 4));
      x = _mm_sha256msg2_epu32(x, previous);
    }
    __m128i message = _mm_add_epi32(
        x, _mm_loadu_si128(reinterpret_cast<const __m128i *>(kRoundConstants.data() + 4 * i)));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
    message = _mm_shuffle_epi32(message, 0x0E);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
  }
  abef = _mm_add_epi32(abef, abefBefore);
  cdgh = _mm_add_epi32(cdgh, cdghBefore);
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// CPUID: SSE4.1 is bit 19 of leaf 1's ECX, SHA bit 29 of leaf 7's EBX.
bool AskShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)))
    return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}

bool HasShaExtensions() {
  static const bool has = AskShaExtensions();
  return has;
}
#endif

std::atomic<bool> gExtensionsAllowed{true};

}  // namespace

void Sha256::AllowShaExtensions(bool allowed) { gExtensionsAllowed.store(allowed); }

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::compressBlock(const std::uint8_t *block) {
#ifdef VELKARO_SHA_EXTENSIONS
  if (HasShaExtensions() && gExtensionsAllowed.load(std::memory_order_relaxed)) {
    CompressWithShaExtensions(state_.data(), block);
    return;
  }
#endif
  std::array<std::uint32_t, 64> w;
  for (int i = 0; i < 16; ++i)
    w[i] = BigEndianWord(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    const std::uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const std::uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  auto [a, b, c, d, e, f, g, h] = state_;
  for (int i = 0; i < 64; ++i) {
    const std::uint32_t s1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
    const std::uint32_t choose = (e & f) ^ (~e & g);
    const std::uint32_t t1 = h + s1 + choose + kRoundConstants[i] + w[i];
    const std::uint32_t s0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const std::uint32_t t2 = s0 + majority;
    h = g; g = f; f = e; e = d + t1;
    d = c; c = b; b = a; a = t1 + t2;
  }
  const std::array<std::uint32_t, 8> add = {a, b, c, d, e, f, g, h};
  for (int i = 0; i < 8; ++i)
    state_[i] += add[i];
}

void Sha256::update(std::span<const std::uint8_t> bytes) {
  totalBytes_ += bytes.size();
  while (!bytes.empty()) {
    if (blockUsed_ == 0 && bytes.size() >= block_.size()) {
      compressBlock(bytes.data());
      bytes = bytes.subspan(block_.size());
      continue;
    }
    const std::size_t n = std::min(block_.size() - blockUsed_, bytes.size());
    std::memcpy(block_.data() + blockUsed_, bytes.data(), n);
    blockUsed_ += n;
    bytes = bytes.subspan(n);
    if (blockUsed_ == block_.size()) {
      compressBlock(block_.data());
      blockUsed_ = 0;
    }
  }
}

std::string Sha256::hexDigest() {
  const std::uint64_t bits = totalBytes_ * 8;
  const std::uint8_t one = 0x80;
  update({&one, 1});
  const std::uint8_t zero = 0;
  while (blockUsed_ != 56)
    update({&zero, 1});
  std::array<std::uint8_t, 8> length;
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  update(length);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (const std::uint32_t word : state_)
    for (int shift = 28; shift >= 0; shift -= 4)
      hex.push_back(kDigits[(word >> shift) & 0xF]);
  return hex;
}

}  // namespace velkaro
