// JwcUnit: the lifecycle of the JWC document, its signature and the reader of
// the 800-byte text header (also the first step of FileIn).
#include "jwc/JwcUnit.h"

#include <algorithm>

#include "jwc/JwcFormat.h"
#include "support/Func_2.h"

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
  const auto head = bytes.first(std::min(bytes.size(), kSignatureSize));
  return LegacyBytesToString(head) == kJwcSignature ||
         Fail("File I/O Error: not a JWC drawing (signature)");
}

void TJwcData::ReadHeaderFields(ByteReader &s) {
  HeaderBlockBuffer buffer;
  const std::span<const std::uint8_t> bytes(buffer);

  ReadHeaderBlock(s, buffer, "block 1");
  Enthd.jwID = LegacyBytesToString(bytes.subspan(0, kJwIdSize));
  Enthd.comment1 = LegacyBytesToString(bytes.subspan(kComment1Offset, kCommentSize));
  Enthd.comment2 = LegacyBytesToString(bytes.subspan(kComment2Offset, kCommentSize));
  Enthd.scaleF = Enthd.jwID.size() > kScaleFlagIndex && Enthd.jwID[kScaleFlagIndex] == u'f';

  ReadHeaderBlock(s, buffer, "block 2");
  SplitParams(DecodeValueBlock(buffer), kBlock2ValueCount);
  VisitBlock2(Enthd, ValueReader(Enthd.para));
  Enthd.para.clear();
  if (Enthd.drawWidth == 0) Enthd.drawWidth = 518;

  ReadHeaderBlock(s, buffer, "block 3");
  SplitParams(DecodeValueBlock(buffer), kBlock3ValueCount);
  VisitBlock3(Enthd, ValueReader(Enthd.para));
  Enthd.para.clear();

  ReadHeaderBlock(s, buffer, "block 4");
  SplitParams(DecodeValueBlock(buffer), kBlock4ValueCount);
  VisitBlock4(Enthd, ValueReader(Enthd.para));
  Enthd.para.clear();

  Enthd.dataUnit = ComputeDataUnit(Enthd.psize, Enthd.drawWidth);
}

void TJwcData::SplitParams(const std::u16string &text, int count) {
  SplitValues(text, count, Enthd.para);
}

}  // namespace velkaro
