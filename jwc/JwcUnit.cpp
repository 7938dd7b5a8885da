// JwcUnit: the lifecycle of the JWC document, its signature and the reader of
// the 800-byte text header (also the first step of FileIn).
#include "jwc/JwcUnit.h"

#include "jwc/JwcFormat.h"

namespace velkaro {

using namespace jwcfile;

TJwcData::TJwcData() : HeaderDocument(kSignatureSize, kHeaderSize) { DataInit(); }

TJwcData::~TJwcData() { DataFree(); }

void TJwcData::DataInit() {
  lineN = arcN = mojiN = tenN = 0;
  Enthd = TEntJwcHeader{};
  // Assigning empty vectors also gives the memory of a large drawing back.
  EntVten = {};
  EntMjtp = {};
  EntLgrp = {};
  EntLay = {};
  EntLine = {};
  EntArc = {};
  EntMoji = {};
  EntTen = {};
}

void TJwcData::DataFree() { DataInit(); }

bool TJwcData::CheckStart(std::span<const std::uint8_t> bytes) {
  return HasSignature(bytes, kJwcSignature) || Fail("File I/O Error: not a JWC drawing (signature)");
}

void TJwcData::ReadHeaderFields(ByteReader &s) {
  HeaderBlockBuffer buffer;
  ReadCommentBlock(s, buffer, Enthd.jwID, Enthd.comment1, Enthd.comment2);
  Enthd.scaleF = Enthd.jwID.size() > kScaleFlagIndex && Enthd.jwID[kScaleFlagIndex] == u'f';

  ReadValueBlock(s, buffer, "block 2", kBlock2ValueCount, Enthd,
                 [](auto &h, auto &&v) { VisitBlock2(h, v); });
  if (Enthd.drawWidth == 0) Enthd.drawWidth = 518;

  ReadValueBlock(s, buffer, "block 3", kBlock3ValueCount, Enthd,
                 [](auto &h, auto &&v) { VisitBlock3(h, v); });

  ReadValueBlock(s, buffer, "block 4", kBlock4ValueCount, Enthd,
                 [](auto &h, auto &&v) { VisitBlock4(h, v); });

  Enthd.dataUnit = ComputeDataUnit(Enthd.psize, Enthd.drawWidth);
}

}  // namespace velkaro
