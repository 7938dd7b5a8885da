// JwkUnit: the JWK figure document and its header reader. The header is a
// block of fixed text fields and one block of nine values in the text form of
// the JWC header (JwcFormat.h); nothing after it is read.
#include "jwc/JwkUnit.h"

#include <algorithm>
#include <cmath>

#include "jwc/JwcFormat.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

using namespace jwcfile;

namespace {

// Scales at or below this are no scale at all and read as 1.
constexpr double kSmallestScale = 1e-14;

std::uint16_t TenthsOfMillimetre(double mm) { return static_cast<std::uint16_t>(std::lround(mm * 10.0)); }

}  // namespace

TJwkData::TJwkData() { DataInit(); }

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

bool TJwkData::Fail(const std::exception &e) {
  lastError_ = DescribeFailure(e);
  return false;
}

bool TJwkData::Fail(const std::string &message) {
  lastError_ = message;
  return false;
}

bool TJwkData::FileCheck(const std::u16string &FName) {
  lastError_.clear();
  std::vector<std::uint8_t> prefix;
  if (!ReadFileStart(FName, kSignatureSize, prefix, lastError_))
    return false;
  return FileCheckFromBytes(prefix);
}

bool TJwkData::FileCheckFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  try {
    const auto head = bytes.first(std::min(bytes.size(), kSignatureSize));
    if (LegacyBytesToString(head) == kJwkSignature) return true;
    return Fail("File I/O Error: not a JWK figure (signature)");
  } catch (const std::exception &e) {
    return Fail(e);
  } catch (...) {
    return Fail("File I/O Error: unexpected failure");
  }
}

bool TJwkData::FileHeaderIn(const std::u16string &FName) {
  lastError_.clear();
  DataInit();
  std::vector<std::uint8_t> prefix;
  if (!ReadFileStart(FName, kJwkHeaderSize, prefix, lastError_))
    return false;
  return FileHeaderInFromBytes(prefix);
}

bool TJwkData::FileHeaderInFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  DataInit();
  ByteReader s(bytes);
  return ReadHeader(s);
}

bool TJwkData::ReadHeader(ByteReader &s) {
  try {
    HeaderBlockBuffer buffer;
    const std::span<const std::uint8_t> bytes(buffer);
    ReadHeaderBlock(s, buffer, "block 1");
    Enthd.jwID = LegacyBytesToString(bytes.subspan(0, kJwIdSize));
    Enthd.comment1 = LegacyBytesToString(bytes.subspan(kComment1Offset, kCommentSize));
    Enthd.comment2 = LegacyBytesToString(bytes.subspan(kComment2Offset, kCommentSize));

    ReadHeaderBlock(s, buffer, "block 2");
    SplitParams(DecodeValueBlock(buffer), kJwkValueCount);
    VisitJwkBlock(Enthd, ValueReader(Enthd.para));
    Enthd.para.clear();

    if (Enthd.scale <= kSmallestScale) Enthd.scale = 1.0f;
    return true;
  } catch (const std::exception &e) {
    Enthd.para.clear();
    return Fail(e);
  } catch (...) {
    Enthd.para.clear();
    return Fail("File I/O Error: unexpected failure");
  }
}

void TJwkData::SplitParams(const std::u16string &text, int count) {
  SplitValues(text, count, Enthd.para);
}

}  // namespace velkaro
