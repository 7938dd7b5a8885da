// JwkUnit: the JWK figure document and its header reader. The header is a
// block of fixed text fields and one block of nine values in the text form of
// the JWC header (JwcFormat.h); nothing after it is read.
#include "jwc/JwkUnit.h"

#include <cmath>

#include "jwc/JwcFormat.h"

namespace velkaro {

using namespace jwcfile;

namespace {

// Scales at or below this are no scale at all and read as 1.
constexpr double kSmallestScale = 1e-14;

std::uint16_t TenthsOfMillimetre(double mm) { return static_cast<std::uint16_t>(std::lround(mm * 10.0)); }

}  // namespace

TJwkData::TJwkData() : HeaderDocument(kSignatureSize, kJwkHeaderSize) { DataInit(); }

TJwkData::~TJwkData() { DataFree(); }

void TJwkData::DataInit() {
  EntLine = {};
  EntArc = {};
  EntTen = {};
  EntMoji = {};
  lineN = arcN = tenN = mojiN = 0;
  Enthd = TEntJwkHeader{};
  // Entries 1 to 10 from the defaults; entries 0 and 11 stay zero.
  EntMjtp.assign(kMjtpCount, TEntJwcMojiType{});
  for (std::size_t k = 1; k <= 10; ++k) {
    const TJwcDefaultMojiType &m = JwcDefaultMojiTypes[k];
    EntMjtp[k].penNo = static_cast<std::uint16_t>(m.penNo);
    EntMjtp[k].width = TenthsOfMillimetre(m.width);
    EntMjtp[k].height = TenthsOfMillimetre(m.height);
    EntMjtp[k].dist = TenthsOfMillimetre(m.dist);
  }
}

void TJwkData::DataFree() {
  DataInit();
  EntMjtp = {};
}

bool TJwkData::CheckStart(std::span<const std::uint8_t> bytes) {
  return HasSignature(bytes, kJwkSignature) || Fail("File I/O Error: not a JWK figure (signature)");
}

void TJwkData::ReadHeaderFields(ByteReader &s) {
  HeaderBlockBuffer buffer;
  ReadCommentBlock(s, buffer, Enthd.jwID, Enthd.comment1, Enthd.comment2);

  ReadValueBlock(s, buffer, "block 2", kJwkValueCount, Enthd,
                 [](auto &h, auto &&v) { VisitJwkBlock(h, v); });

  if (Enthd.scale <= kSmallestScale) Enthd.scale = 1.0f;
}

}  // namespace velkaro
