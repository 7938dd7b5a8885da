// JwcUnit: the lifecycle of the JWC document, its file check and the reader of
// the 800-byte text header (also the first step of FileIn).
#include "jwc/JwcUnit.h"

#include <algorithm>

#include "jwc/JwcFormat.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

using namespace jwcfile;

TJwcData::TJwcData() { DataInit(); }

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

bool TJwcData::Fail(const std::exception &e) {
  lastError_ = DescribeFailure(e);
  return false;
}

bool TJwcData::Fail(const std::string &message) {
  lastError_ = message;
  return false;
}

bool TJwcData::FileCheck(const std::u16string &FName) {
  lastError_.clear();
  std::vector<std::uint8_t> prefix;
  if (!ReadFileStart(FName, kSignatureSize, prefix, lastError_))
    return false;
  return FileCheckFromBytes(prefix);
}

bool TJwcData::FileCheckFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  try {
    const auto head = bytes.first(std::min(bytes.size(), kSignatureSize));
    if (LegacyBytesToString(head) == kJwcSignature) return true;
    return Fail("File I/O Error: not a JWC drawing (signature)");
  } catch (const std::exception &e) {
    return Fail(e);
  } catch (...) {
    return Fail("File I/O Error: unexpected failure");
  }
}

bool TJwcData::FileHeaderIn(const std::u16string &FName) {
  lastError_.clear();
  DataInit();
  // The listing reads many headers: only the header's bytes are read.
  std::vector<std::uint8_t> prefix;
  if (!ReadFileStart(FName, kHeaderSize, prefix, lastError_))
    return false;
  return FileHeaderInFromBytes(prefix);
}

bool TJwcData::FileHeaderInFromBytes(std::span<const std::uint8_t> bytes) {
  lastError_.clear();
  DataInit();
  ByteReader s(bytes);
  return ReadHeader(s);
}

bool TJwcData::ReadHeader(ByteReader &s) {
  try {
    ReadHeaderBlocks(s);
    return true;
  } catch (const std::exception &e) {
    Enthd.para.clear();
    return Fail(e);
  } catch (...) {
    Enthd.para.clear();
    return Fail("File I/O Error: unexpected failure");
  }
}

void TJwcData::ReadHeaderBlocks(ByteReader &s) {
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
