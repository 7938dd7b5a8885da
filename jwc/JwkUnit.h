// JwkUnit: the JWK figure document. Only the header is ever read here; the
// entity arrays exist in the model and stay empty. The header is the JWC
// header's first two blocks (JwcFormat.h); the public operations never throw.
#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include "jwc/jwctype.h"
#include "support/ByteReader.h"
#include "support/HeaderDocument.h"

namespace velkaro {

struct TEntJwkHeader {
  std::u16string jwID;
  std::u16string comment1;
  std::u16string comment2;
  std::int32_t lineCount = 0, arcCount = 0, tenCount = 0, mojiCount = 0;
  float org_x = 0, org_y = 0;
  float dispScale = 1.0f;
  std::int32_t strSpace = 0;
  float scale = 1.0f;  // never at or below 1e-14 after a read
  std::vector<std::u16string> para;
};

// FileCheck, FileHeaderIn (the first 20 and 400 bytes), their FromBytes forms
// and LastError() come from HeaderDocument.
class TJwkData final : public HeaderDocument {
 public:
  TJwkData();   // Create
  ~TJwkData();  // Destroy

  void DataInit() override;
  void DataFree();

  std::int32_t lineN = 0, arcN = 0, tenN = 0, mojiN = 0;
  TEntJwkHeader Enthd;
  std::vector<TEntJwcMojiType> EntMjtp;
  std::vector<TEntJwcLine> EntLine;
  std::vector<TEntJwcArc2> EntArc;
  std::vector<TEntJwcTen> EntTen;
  std::vector<TEntJwcMoji2> EntMoji;
  double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

 private:
  bool CheckStart(std::span<const std::uint8_t> bytes) override;
  void ReadHeaderFields(ByteReader &s) override;
};

}  // namespace velkaro
