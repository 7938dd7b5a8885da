// JwsUnit: the JWS figure document. Figures are listed, never converted, so
// only the header is ever read; the document has the JWW document's shape and
// every array but EntLgrp stays empty here. The public operations never
// throw; "JWS-Header Error", "JWS-Version Error" and "File I/O Error" are
// raised inside and kept in LastError().
#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "jww/jwwtype.h"
#include "support/ByteReader.h"
#include "support/HeaderDocument.h"

namespace velkaro {

// FileCheck, FileHeaderIn (the first 204 and 452 bytes), their FromBytes
// forms and LastError() come from HeaderDocument.
class TJwsData final : public HeaderDocument {
 public:
  TJwsData();   // Create
  ~TJwsData();  // Destroy

  void DataInit() override;
  void DataFree();
  void BindImageInit();

  TEntJwsHeader Enthd;
  std::vector<TEntJwwLayerGroup> EntLgrp;
  std::vector<TEntJwwMojiType> EntMoj;
  std::vector<TEntJwwNo> EntNo;
  std::vector<TEntJwwLine> EntLine;
  std::int32_t EntLineN = 0;
  std::vector<TEntJwwEnko> EntEnko;
  std::int32_t EntEnkoN = 0;
  std::vector<TEntJwwTen> EntTen;
  std::int32_t EntTenN = 0;
  std::vector<TEntJwwMoji> EntMoji;
  std::int32_t EntMojiN = 0;
  std::vector<TEntJwwSunpo> EntSunpo;
  std::int32_t EntSunpoN = 0;
  std::vector<TEntJwwSolid> EntSolid;
  std::int32_t EntSolidN = 0;
  std::vector<TEntJwwBlock> EntBlock;
  std::int32_t EntBlockN = 0;
  std::vector<TEntJwwBlockDef> EntBlockDef;
  std::int32_t EntBlockDefN = 0;
  std::vector<TEntJwwBlockTree> EntBlockTree;
  std::int32_t EntBlockTreeN = 0;
  std::int32_t EntBlockNum = 0;
  std::u16string BindImageFolder;
  std::vector<TBindImageType> BindImage;
  std::int32_t BindImageN = 0;
  bool BindImageExp = false;
  bool BindImageExr = false;
  std::int32_t FileOutOpt = 0;
  std::int32_t FontNameN = 0;
  std::vector<std::u16string> FontNames;
  bool MojiEncode = false;
  double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

 private:
  bool CheckStart(std::span<const std::uint8_t> bytes) override;
  void ReadHeaderFields(ByteReader &s) override;
};

}  // namespace velkaro
