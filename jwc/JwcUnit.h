// JwcUnit: the JWC drawing document TJwcData, its 800-byte text header, the
// entity reader and the writer.
//
// The public operations never throw; failures inside are StreamError
// ("File I/O Error") turned into false. LastError() keeps the detail.
// Implementation: JwcUnit.cpp (lifecycle, header), JwcReader.cpp, JwcWriter.cpp;
// the layout facts and the header text form: JwcFormat.h.
//
// One document is used by one thread at a time; separate documents may be
// used on separate threads at once (nothing is shared but read-only defaults).
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "jwc/jwctype.h"
#include "support/ByteReader.h"
#include "support/HeaderDocument.h"

namespace velkaro {

class AtomicFileWriter;
struct RecordsRead;

struct TEntJwcHeader {
  std::u16string jwID;
  std::u16string comment1;
  std::u16string comment2;
  bool scaleF = true;
  std::int32_t lineCount = 0, arcCount = 0, mojiCount = 0, tenCount = 0;
  std::int32_t vtenCount = 0;
  std::int32_t curFno = 1, curMfno = 1, curMlcol = 1, curMpcol = 1;
  float wLayScale = 1.0f;
  std::int32_t wLayNo = 0;
  std::int32_t psize = 3;
  std::int32_t lcol = 2;
  std::int32_t ltyp = 1;
  float plotOrgX = 0, plotOrgY = 0;
  float lpitch1 = 5.0f;
  float lpitch2 = 10.0f;
  std::int32_t drawtime = 0;
  std::array<std::int32_t, 7> penWidth{};  // numbered 1 to 6; [0] unused
  float gridX = 5.0f, gridY = 5.0f;
  float gridOrgX = 0, gridOrgY = 0, gridScale = 0;
  std::int32_t drawWidth = 518;
  std::int32_t flgPthin = 0;
  float mvDist = 0, mtDist = 0;
  float arLen = 3.0f;
  float arAng = 15.0f;
  std::int32_t locMR = 0, flgMconma = 0, flgMzeros = 0, typLside = 0, mvUnit = 0;
  std::int32_t mvKeta = 1;
  float sOfsetXL = 0, sOfsetXM = 0, sOfsetXR = 0, sOfsetYD = 0, sOfsetYM = 0, sOfsetYT = 0;
  std::int32_t s1len = 0, sOrgXm = 0, sOrgYm = 0;
  float dlinDistB = 100.0f;
  std::array<float, 6> dlinDist{100.0f, 100.0f, 100.0f, 100.0f, 100.0f, 100.0f};  // 1 to 5
  float svScrnOX = 0, svScrnOY = 0;
  float svScrnScl = 1.0f;
  std::int32_t sBufAdr1 = 0x60000;
  std::int32_t sBufAdr2 = 0x60000;
  float subZm0X = 0, subZm0Y = 0, subZm0S = 0, subZm1X = 0, subZm1Y = 0, subZm1S = 0,
        subZm2X = 0, subZm2Y = 0, subZm2S = 0, subZm3X = 0, subZm3Y = 0, subZm3S = 0,
        subZm4X = 0, subZm4Y = 0, subZm4S = 0;
  float hiIdo = 0, hiHi = 0, hiTaka = 0;
  std::int32_t flgHok = 0, flg25Dm = 0;
  std::vector<std::u16string> para;  // work list of the header reader
  float dataUnit = 1.0f;             // millimetres per drawing unit
};

// FileCheck, FileHeaderIn and LastError() come from HeaderDocument.
class TJwcData final : public HeaderDocument {
 public:
  TJwcData();   // Create
  ~TJwcData();  // Destroy

  void DataInit() override;
  void DataFree();

  bool FileIn(const std::u16string &FName);
  bool FileOut(const std::u16string &FName);
  // FileOut into a writer the caller set up. The whole file is written when
  // it returns true; the caller commits it.
  bool FileOut(AtomicFileWriter &out);

  // The same operations over bytes already in memory: the whole file for
  // FileInFromBytes, at least its first 20 or 800 bytes for the header readers.
  // FileOutToBytes builds what FileOut would write, changing the model the
  // same way; on failure `out` is left empty.
  bool FileInFromBytes(std::span<const std::uint8_t> bytes);
  bool FileOutToBytes(std::vector<std::uint8_t> &out);

  // After a successful FileIn: how many bytes of the file follow the
  // drawing's last record. The format ignores them; FileOut does not carry
  // them.
  std::uint64_t TrailingBytes() const { return trailingBytes_; }

  std::int32_t lineN = 0, arcN = 0, mojiN = 0, tenN = 0;
  TEntJwcHeader Enthd;
  std::vector<TEntJwcVten> EntVten;
  std::vector<TEntJwcMojiType> EntMjtp;
  std::vector<TEntJwcLayerGroup> EntLgrp;
  std::vector<TEntJwcLayer> EntLay;
  std::vector<TEntJwcLine> EntLine;
  std::vector<TEntJwcArc2> EntArc;
  std::vector<TEntJwcMoji2> EntMoji;
  std::vector<TEntJwcTen> EntTen;
  double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

 private:
  bool CheckStart(std::span<const std::uint8_t> bytes) override;
  void ReadHeaderFields(ByteReader &s) override;
  void ReadBody(ByteReader &s);
  // FileInFromBytes, telling how far into the bytes it read.
  bool ReadDrawing(std::span<const std::uint8_t> bytes, RecordsRead &how);
  std::vector<std::uint8_t> BuildFile();

  std::uint64_t trailingBytes_ = 0;
};

}  // namespace velkaro
