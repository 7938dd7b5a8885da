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

class TJwkData {
 public:
  TJwkData();   // Create
  ~TJwkData();  // Destroy
  TJwkData(const TJwkData &) = delete;
  TJwkData &operator=(const TJwkData &) = delete;

  void DataInit();
  void DataFree();

  bool FileCheck(const std::u16string &FName);
  bool FileHeaderIn(const std::u16string &FName);

  // The same over bytes already in memory (at least the first 20 or 400 bytes).
  bool FileCheckFromBytes(std::span<const std::uint8_t> bytes);
  bool FileHeaderInFromBytes(std::span<const std::uint8_t> bytes);

  // What went wrong in the last failed operation.
  const std::string &LastError() const { return lastError_; }

  std::int32_t lineN = 0, arcN = 0, tenN = 0, mojiN = 0;
  TEntJwkHeader Enthd;
  std::vector<TEntJwcMojiType> EntMjtp;
  std::vector<TEntJwcLine> EntLine;
  std::vector<TEntJwcArc2> EntArc;
  std::vector<TEntJwcTen> EntTen;
  std::vector<TEntJwcMoji2> EntMoji;
  double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

 private:
  bool ReadHeader(ByteReader &s);
  void SplitParams(const std::u16string &text, int count);
  bool Fail(const std::exception &e);
  bool Fail(const std::string &message);

  std::string lastError_;
};

}  // namespace velkaro
