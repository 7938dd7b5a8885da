// libFuzzer target for the three header readers: JWC, JWK and JWS.
//
// Besides "no crash, no sanitizer report", it checks that each header reader
// depends only on its prefix of the file (the folder listing reads no more),
// that a JWS header that reads also passes the JWS check, and that a JWC
// drawing that reads whole also reads as a header.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"

using namespace velkaro;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::span<const std::uint8_t> Prefix(std::span<const std::uint8_t> bytes, std::size_t n) {
  return bytes.first(std::min(bytes.size(), n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  TJwcData jwc;
  const bool jwcCheck = jwc.FileCheckFromBytes(bytes);
  Check(jwcCheck == jwc.FileCheckFromBytes(Prefix(bytes, 20)));
  const bool jwcHeader = jwc.FileHeaderInFromBytes(bytes);
  const std::u16string memo = jwc.Enthd.comment1;
  const float dataUnit = jwc.Enthd.dataUnit;
  Check(jwcHeader == jwc.FileHeaderInFromBytes(Prefix(bytes, 800)));
  Check(jwc.Enthd.comment1 == memo && jwc.Enthd.dataUnit == dataUnit);
  Check(jwc.EntLine.empty() && jwc.Enthd.para.empty());
  if (jwc.FileInFromBytes(bytes)) Check(jwcHeader);

  TJwkData jwk;
  const bool jwkCheck = jwk.FileCheckFromBytes(bytes);
  Check(!(jwkCheck && jwcCheck));
  const bool jwkHeader = jwk.FileHeaderInFromBytes(bytes);
  const float scale = jwk.Enthd.scale;
  Check(!jwkHeader || static_cast<double>(scale) > 1e-14);
  Check(jwkHeader == jwk.FileHeaderInFromBytes(Prefix(bytes, 400)));
  Check(jwk.EntMjtp.size() == 12 && jwk.Enthd.para.empty());

  TJwsData jws;
  const bool jwsCheck = jws.FileCheckFromBytes(bytes);
  Check(jwsCheck == jws.FileCheckFromBytes(Prefix(bytes, 204)));
  const bool jwsHeader = jws.FileHeaderInFromBytes(bytes);
  Check(jwsHeader == jws.FileHeaderInFromBytes(Prefix(bytes, 452)));
  if (jwsHeader) Check(jwsCheck && jws.EntLgrp.size() == 16);
  return 0;
}
