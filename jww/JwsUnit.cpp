// JwsUnit: the JWS figure document's lifecycle, its file check and its header
// reader. Only the first 452 bytes of a figure are ever looked at.
#include "jww/JwsUnit.h"

#include <array>

#include "support/Func_2.h"

namespace velkaro {

namespace {

constexpr char16_t kJwsSignature[] = u"JwsData";
constexpr std::size_t kSignatureSize = 7;
constexpr std::size_t kSignatureGap = 193;  // not read; jwVer is at offset 200
constexpr std::size_t kCheckSize = 204;     // the signature and jwVer
constexpr std::size_t kHeaderSize = 452;    // up to and including My2
constexpr std::int32_t kFirstVersion = 230;
constexpr std::int32_t kLastVersion = 700;
constexpr std::size_t kGroupCount = 16;

bool IsKnownVersion(std::int32_t v) { return v >= kFirstVersion && v <= kLastVersion; }

// The signature: up to 7 bytes read into a zeroed buffer, decoded.
std::u16string ReadSignature(ByteReader &s) {
  std::array<std::uint8_t, kSignatureSize> sig{};
  s.read(sig);
  return LegacyBytesToString(sig);
}

void ClearMembers(TEntJwwBlockDef &def) {
  def.mNo = {};
  def.mLine = {};
  def.mEnko = {};
  def.mTen = {};
  def.mMoji = {};
  def.mSunpo = {};
  def.mSolid = {};
  def.mBlock = {};
  def.N = 0;
  def.mLineN = def.mEnkoN = def.mTenN = def.mMojiN = def.mSunpoN = def.mSolidN = def.mBlockN = 0;
}

}  // namespace

TJwsData::TJwsData() : HeaderDocument(kCheckSize, kHeaderSize) { DataInit(); }

TJwsData::~TJwsData() { DataFree(); }

void TJwsData::DataInit() {
  FileOutOpt = 0;
  EntLgrp = {};
  EntMoj = {};
  EntNo = {};
  EntLine = {};
  EntEnko = {};
  EntTen = {};
  EntMoji = {};
  EntSunpo = {};
  EntSolid = {};
  EntBlock = {};
  EntBlockDef = {};
  EntBlockTree = {};
  EntLineN = EntEnkoN = EntTenN = EntMojiN = EntSunpoN = EntSolidN = EntBlockN = 0;
  EntBlockDefN = EntBlockTreeN = 0;
  EntBlockNum = 0;
  Enthd = TEntJwsHeader{};
  BindImageInit();
  FontNameN = 0;
  FontNames = {};
  MojiEncode = false;
  // BindImageFolder, BindImageExp and BindImageExr are set once by the owner.
}

void TJwsData::DataFree() {
  for (auto &def : EntBlockDef) ClearMembers(def);
  DataInit();
}

void TJwsData::BindImageInit() {
  BindImage = {};
  BindImageN = 0;
}

bool TJwsData::CheckStart(std::span<const std::uint8_t> bytes) {
  ByteReader s(bytes);
  if (ReadSignature(s) != kJwsSignature) return Fail("JWS-Header Error: signature");
  s.skip(kSignatureGap);
  std::int32_t version = 0;
  // A version cut short by the end of the file is no version.
  if (s.readI32(version) != sizeof version) return Fail("File I/O Error: no version");
  if (!IsKnownVersion(version)) {
    return Fail("JWS-Version Error: version " + std::to_string(version));
  }
  return true;
}

// Fields cut short by the end of the file keep the bytes that were there
// (the rest read as zero); only a My2 with no byte at all is an error.
void TJwsData::ReadHeaderFields(ByteReader &s) {
  EntLgrp.assign(kGroupCount, TEntJwwLayerGroup{});

  Enthd.jwID = ReadSignature(s);
  if (Enthd.jwID != kJwsSignature) throw StreamError("JWS-Header Error", "signature");

  s.skip(kSignatureGap);
  s.readI32(Enthd.jwVer);
  if (!IsKnownVersion(Enthd.jwVer)) {
    throw StreamError("JWS-Version Error", "version " + std::to_string(Enthd.jwVer));
  }

  s.readF64(Enthd.BasePoint_x);
  s.readF64(Enthd.BasePoint_y);
  for (auto &g : EntLgrp) {
    s.readF64(g.adScale);
    g.anGLay = 2;
    g.anWriteLay = 0;
    g.anGLayProtect = 0;
    g.aStrGLayName.clear();
  }
  for (std::int32_t *v : {&Enthd.dmy01, &Enthd.dmy02, &Enthd.dmy03, &Enthd.dmy04, &Enthd.dmy05,
                          &Enthd.dmy06}) {
    s.readI32(*v);
  }
  for (double *v : {&Enthd.dmy11, &Enthd.dmy12, &Enthd.dmy13, &Enthd.dmy14, &Enthd.dmy15,
                    &Enthd.dmy16, &Enthd.Mx1, &Enthd.My1, &Enthd.Mx2}) {
    s.readF64(*v);
  }
  const std::size_t at = s.offset();
  if (s.readF64(Enthd.My2) == 0) {
    throw StreamError("File I/O Error", "My2 at offset " + std::to_string(at) + ": end of file");
  }
}

}  // namespace velkaro
