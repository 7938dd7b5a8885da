// JwwHeader: the header block of a JWW file (signature, version, memo and the
// settings tables) in both directions, FileCheck and FileHeaderIn.
//
// Reading stores each field as the file delivers it: a field the data ends in
// keeps the bytes that were there over its previous value (the ByteReader's
// rule), and only the very last field is checked for the end of the data.
#include <cmath>
#include <new>

#include "jww/JwwInternal.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

constexpr std::u16string_view kSignature = u"JwwData.";
constexpr std::size_t kSignatureBytes = 8;
// Enough for the header of nearly every drawing; longer ones are read whole.
constexpr std::size_t kHeaderPrefixBytes = 64 * 1024;

constexpr std::size_t kLayerGroups = 16;
constexpr std::size_t kLayersPerGroup = 16;
constexpr std::size_t kPenColors = 10;
constexpr std::size_t kSxfColors = 257;
constexpr std::size_t kSxfLineTypes = 33;
constexpr std::size_t kMojiKinds = 10;

constexpr std::size_t kReservedAfterLayers = 56;
constexpr std::size_t kReservedAfterSunpou = 4;

void ReadI32(ByteReader &s, std::int32_t &v) { s.readI32(v); }
void ReadF64(ByteReader &s, double &v) { s.readF64(v); }

// A text size the file holds as infinity or NaN reads as the default size.
void FiniteOr(double &v, double fallback) {
  if (!std::isfinite(v))
    v = fallback;
}

// The 1/100-mm line-width mode hides in nMaxDrawWid values of -101 and below.
void DecodeMaxDrawWid(TEntJwwHeader &h) {
  h.bSenHaba100 = false;
  h.nMaxDrawWidBak = h.nMaxDrawWid;
  if (h.nMaxDrawWid > -101)
    return;
  h.bSenHaba100 = true;
  if (h.nMaxDrawWid >= -500 && h.nMaxDrawWid <= -401)
    h.nMaxDrawWidBak = h.nMaxDrawWid + 400;
  else if (h.nMaxDrawWid >= -300 && h.nMaxDrawWid <= -201)
    h.nMaxDrawWidBak = -h.nMaxDrawWid - 200;
  else
    h.nMaxDrawWidBak = -100;
}

// ---- Writer's limits ------------------------------------------------------

template <typename T>
const T &EntryOr(const std::vector<T> &table, std::size_t i) {
  static const T kEmpty{};
  return i < table.size() ? table[i] : kEmpty;
}

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// NaN passes every limit unchanged (bit for bit).
double Clamp(double v, double lo, double hi) {
  if (std::isnan(v))
    return v;
  return v < lo ? lo : (v > hi ? hi : v);
}

std::int32_t RgbOrZero(std::int32_t v) { return (v >= 0 && v <= 0xFFFFFF) ? v : 0; }

bool IsBlankName(const std::u16string &cleaned) { return RemoveBlanks(cleaned).empty(); }

std::u16string NumberedName(std::u16string_view prefix, std::size_t i) {
  return std::u16string(prefix) + IntToString(static_cast<std::int64_t>(i));
}

// SXF line types 17..32 must hold a pattern of 2, 4, 6 or 8 segments.
TEntJwwLineTypeExNo DefaultSxfLineType(std::size_t i) {
  TEntJwwLineTypeExNo t;
  t.alLType = static_cast<std::int32_t>(0xC3C3C3C3u);
  t.anTokushuSenUintDot = 8;
  t.anTokushuSenPich = 1;
  t.anPrtTokushuSenPich = 8;
  t.astrUDLTypeName = NumberedName(u"LType_", i);
  t.anUDLTypeSegment = 2;
  t.aadUDLTypePitch[1] = 1.0;
  t.aadUDLTypePitch[2] = 1.0;
  return t;
}

TEntJwwLineTypeExNo SxfLineTypeForWriting(const TEntJwwLineTypeExNo &entry, std::size_t i) {
  const std::int32_t segments = entry.anUDLTypeSegment;
  TEntJwwLineTypeExNo t = (i > 16 && segments != 2 && segments != 4 && segments != 6 &&
                           segments != 8)
                              ? DefaultSxfLineType(i)
                              : entry;
  if (t.alLType == 0)
    t.alLType = -1;
  t.astrUDLTypeName = SanitizeText(t.astrUDLTypeName);
  if (IsBlankName(t.astrUDLTypeName))
    t.astrUDLTypeName = NumberedName(u"LType_", i);
  return t;
}

}  // namespace

// ---- FileCheck, FileHeaderIn ------------------------------------------------

bool TJwwData::FileCheck(const std::u16string &FName) {
  lastError_.clear();
  try {
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    if (!ReadFilePrefix(FName, kSignatureBytes + 4, bytes, size)) {
      lastError_ = "File I/O Error: cannot read " + ToUtf8(FName);
      return false;
    }
    ByteReader s(bytes);
    const auto signature = s.take(kSignatureBytes);
    if (LegacyBytesToString(signature) != kSignature) {
      lastError_ = "JWW-Header Error: no JWW signature";
      return false;
    }
    std::int32_t version = 0;
    if (s.readI32(version) != 4) {
      lastError_ = "JWW-Version Error: the file ends inside the version";
      return false;
    }
    if (version < 220 || version > 700) {
      lastError_ = "JWW-Version Error: version " + std::to_string(version) + " is not 220 to 700";
      return false;
    }
    return true;
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while checking the file";
    return false;
  }
}

bool TJwwData::FileHeaderIn(const std::u16string &FName) {
  lastError_.clear();
  try {
    DataInit();
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    if (!ReadFilePrefix(FName, kHeaderPrefixBytes, bytes, size)) {
      lastError_ = "File I/O Error: cannot read " + ToUtf8(FName);
      return false;
    }
    ByteReader prefix(bytes);
    bool ok = ReadHeader(prefix);
    if (prefix.hitEnd() && size > bytes.size()) {
      // The header is longer than the prefix: read it from the whole file,
      // so the outcome is exactly that of a whole-file read.
      DataInit();
      lastError_.clear();
      if (!ReadWholeFile(FName, bytes)) {
        lastError_ = "File I/O Error: cannot read " + ToUtf8(FName);
        return false;
      }
      ByteReader whole(bytes);
      ok = ReadHeader(whole);
    }
    return ok;
  } catch (const std::bad_alloc &) {
    lastError_ = "File I/O Error: out of memory while reading the header";
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while reading the header";
  }
  return false;
}

bool TJwwData::FileHeaderInFromBytes(std::span<const std::uint8_t> data) {
  lastError_.clear();
  try {
    DataInit();
    ByteReader s(data);
    return ReadHeader(s);
  } catch (...) {
    lastError_ = "File I/O Error: unexpected failure while reading the header";
  }
  return false;
}

// ---- Reading ----------------------------------------------------------------

bool TJwwData::ReadHeader(ByteReader &s) {
  try {
    ReadHeaderFields(s);
    return true;
  } catch (const StreamError &e) {
    lastError_ = jww::Describe(e);
    return false;
  }
}

void TJwwData::ReadHeaderFields(ByteReader &s) {
  EntLgrp.assign(kLayerGroups, {});
  EntLay.assign(kLayerGroups * kLayersPerGroup, {});
  EntCol.assign(kPenColors, {});
  EntLtp1.assign(8, {});
  EntLtp2.assign(5, {});
  EntLtp3.assign(4, {});
  EntMoj.assign(kMojiKinds, {});
  EntColS.assign(kSxfColors, {});
  EntLtpS.assign(kSxfLineTypes, {});

  TEntJwwHeader &h = Enthd;
  h.jwID = LegacyBytesToString(s.take(kSignatureBytes));
  if (h.jwID != kSignature)
    jww::Fail(jww::kHeaderError, "the file does not begin with the signature \"JwwData.\"");
  ReadI32(s, h.jwVer);
  if (h.jwVer < 220 || h.jwVer > 700)
    jww::Fail(jww::kVersionError, "version " + std::to_string(h.jwVer) + " is not 220 to 700");
  const std::int32_t v = h.jwVer;

  h.strMemo = ReadCString(s);
  ReadI32(s, h.nZumen);
  ReadI32(s, h.nWriteGLay);
  for (std::size_t g = 0; g < kLayerGroups; ++g) {
    TEntJwwLayerGroup &group = EntLgrp[g];
    ReadI32(s, group.anGLay);
    ReadI32(s, group.anWriteLay);
    ReadF64(s, group.adScale);
    ReadI32(s, group.anGLayProtect);
    for (std::size_t l = 0; l < kLayersPerGroup; ++l) {
      TEntJwwLayer &layer = EntLay[g * kLayersPerGroup + l];
      ReadI32(s, layer.aanLay);
      ReadI32(s, layer.aanLayProtect);
    }
  }
  s.skip(kReservedAfterLayers);
  for (std::int32_t *f : {&h.lnSunpou1, &h.lnSunpou2, &h.lnSunpou3, &h.lnSunpou4, &h.lnSunpou5})
    ReadI32(s, *f);
  s.skip(kReservedAfterSunpou);
  ReadI32(s, h.nMaxDrawWid);
  DecodeMaxDrawWid(h);
  for (double *f : {&h.DPPrtGenten_x, &h.DPPrtGenten_y, &h.dPrtBairitsu})
    ReadF64(s, *f);
  ReadI32(s, h.nPrtSet);
  ReadI32(s, h.nMemoriMode);
  for (double *f : {&h.dMemoriHyoujiMin, &h.dMemoriX, &h.dMemoriY, &h.DpMemoriKjTen_x,
                    &h.DpMemoriKjTen_y})
    ReadF64(s, *f);
  for (auto &layer : EntLay)
    layer.aStrLayName = ReadCStringPlain(s);
  for (auto &group : EntLgrp)
    group.aStrGLayName = ReadCStringPlain(s);
  ReadF64(s, h.dKageLevel);
  ReadF64(s, h.dKageIdo);
  ReadI32(s, h.nKage9_15JiFlg);
  ReadF64(s, h.dKabeKageLevel);
  if (v >= 300) {
    ReadF64(s, h.dTenkuuZuLevel);
    ReadF64(s, h.dTenkuuZuEnkoR);
  }
  ReadI32(s, h.nMMTani3D);
  for (double *f : {&h.dBairitsu, &h.DPGenten_x, &h.DPGenten_y, &h.dHanniBairitsu,
                    &h.DPHanniGenten_x, &h.DPHanniGenten_y})
    ReadF64(s, *f);
  if (v > 230) {
    for (std::size_t i = 1; i <= 8; ++i) {
      ReadF64(s, h.dZoomJumpBairitsu[i]);
      ReadF64(s, h.DPZoomJumpGenten_x[i]);
      ReadF64(s, h.DPZoomJumpGenten_y[i]);
      ReadI32(s, h.nZoomJumpGLay[i]);
    }
    ReadF64(s, h.dDm11);
    ReadF64(s, h.dDm12);
    ReadF64(s, h.dDm13);
    ReadI32(s, h.lnDm1);
    ReadF64(s, h.dDm21);
    ReadF64(s, h.dDm22);
    ReadF64(s, h.dMojiBG);
    ReadI32(s, h.nMojiBG);
  } else {
    for (std::size_t i = 1; i <= 4; ++i) {
      ReadF64(s, h.dZoomJumpBairitsu[i]);
      ReadF64(s, h.DPZoomJumpGenten_x[i]);
      ReadF64(s, h.DPZoomJumpGenten_y[i]);
    }
  }
  for (double &d : h.adFukusenSuuchi)
    ReadF64(s, d);
  ReadF64(s, h.dRyougawaFukusenTomeDe);
  for (auto &c : EntCol) {
    ReadI32(s, c.aPenColor);
    ReadI32(s, c.anPenWidth);
  }
  for (auto &c : EntCol) {
    ReadI32(s, c.aPrtPenColor);
    ReadI32(s, c.anPrtPenWidth);
    ReadF64(s, c.adPrtTenHankei);
  }
  for (auto &t : EntLtp1)
    for (std::int32_t *f : {&t.alLType, &t.anTokushuSenUintDot, &t.anTokushuSenPich,
                            &t.anPrtTokushuSenPich})
      ReadI32(s, *f);
  for (auto &t : EntLtp2)
    for (std::int32_t *f : {&t.alLType, &t.anRandSenWide, &t.anTokushuSenPich,
                            &t.anPrtRandSenWide, &t.anPrtTokushuSenPich})
      ReadI32(s, *f);
  for (auto &t : EntLtp3)
    for (std::int32_t *f : {&t.alLType, &t.anTokushuSenUintDot, &t.anTokushuSenPich,
                            &t.anPrtTokushuSenPich})
      ReadI32(s, *f);
  for (std::int32_t *f : {&h.nDrawGamenTen, &h.nDrawPrtTen, &h.nBitMapFirstDraw, &h.nGyakuDraw,
                          &h.nGyakuSearch, &h.nColorPrint, &h.nLayJunPrint, &h.nColJunPrint,
                          &h.nPrtRenzoku, &h.nPrtKyoutsuuGray})
    ReadI32(s, *f);
  std::int32_t x = 0;  // nPrtDpi in the tens, nPrtDispOnlyNonDraw in the units
  ReadI32(s, x);
  h.nPrtDpi = x / 10;
  h.nPrtDispOnlyNonDraw = x % 10;
  if (v >= 223) {
    for (std::int32_t *f : {&h.lnDrawTime, &h.nEyeInit, &h.dEye_H_Ichi_1, &h.dEye_H_Ichi_2,
                            &h.dEye_H_Ichi_3})
      ReadI32(s, *f);
    for (double *f : {&h.dEye_Z_Ichi_1, &h.dEye_Y_Ichi_1, &h.dEye_Z_Ichi_2, &h.dEye_Y_Ichi_2,
                      &h.dEye_V_Ichi_3})
      ReadF64(s, *f);
  }
  if (v >= 225)
    for (double *f : {&h.dSenNagasaSnpou, &h.dBoxSunpouX, &h.dBoxSunpouY, &h.dEnHankeiSnpou})
      ReadF64(s, *f);
  if (v >= 230) {
    ReadI32(s, h.nSolidNinniColor);
    ReadI32(s, h.SolidColor);
  }
  if (v >= 420) {
    for (auto &c : EntColS) {
      ReadI32(s, c.aPenColor);
      ReadI32(s, c.anPenWidth);
    }
    for (auto &c : EntColS) {
      c.astrUDColorName = ReadCStringPlain(s);
      ReadI32(s, c.aPrtPenColor);
      ReadI32(s, c.anPrtPenWidth);
      ReadF64(s, c.adPrtTenHankei);
    }
    for (auto &t : EntLtpS)
      for (std::int32_t *f : {&t.alLType, &t.anTokushuSenUintDot, &t.anTokushuSenPich,
                              &t.anPrtTokushuSenPich})
        ReadI32(s, *f);
    for (auto &t : EntLtpS) {
      t.astrUDLTypeName = ReadCStringPlain(s);
      ReadI32(s, t.anUDLTypeSegment);
      for (std::size_t i = 1; i <= 10; ++i)
        ReadF64(s, t.aadUDLTypePitch[i]);
    }
  }
  for (auto &m : EntMoj) {
    ReadF64(s, m.adMojiX);
    ReadF64(s, m.adMojiY);
    ReadF64(s, m.adMojiD);
    ReadI32(s, m.anMojiCol);
    FiniteOr(m.adMojiX, 3.0);
    FiniteOr(m.adMojiY, 3.0);
    FiniteOr(m.adMojiD, 0.0);
  }
  ReadF64(s, h.dMojiSizeX);
  ReadF64(s, h.dMojiSizeY);
  ReadF64(s, h.dMojiKankaku);
  ReadI32(s, h.nMojiColor);
  ReadI32(s, h.nMojiShu);
  ReadF64(s, h.dMojiSeiriGyouKan);
  ReadF64(s, h.dMojiSeiriSuu);
  ReadI32(s, h.nMojiKijunZureOn);
  for (double *f : {&h.adMojiKijunZureX0, &h.adMojiKijunZureX1, &h.adMojiKijunZureX2,
                    &h.adMojiKijunZureY0, &h.adMojiKijunZureY1})
    ReadF64(s, *f);
  // The end of the data anywhere in the header shows here.
  if (s.readF64(h.adMojiKijunZureY2) == 0)
    jww::FailAt(jww::kFileIOError, s, "the file ends inside the header block");
  FiniteOr(h.dMojiSizeX, 3.0);
  FiniteOr(h.dMojiSizeY, 3.0);
  FiniteOr(h.dMojiKankaku, 0.0);
}

// ---- Writing ----------------------------------------------------------------

void TJwwData::WriteHeader(ByteWriter &w, std::int32_t Ver) const {
  const TEntJwwHeader &h = Enthd;
  for (const char16_t c : kSignature)
    w.writeU8(static_cast<std::uint8_t>(c));
  w.writeI32(Ver);
  WriteCString(w, h.strMemo);
  w.writeI32(h.nZumen);
  w.writeI32(h.nWriteGLay);
  for (std::size_t g = 0; g < kLayerGroups; ++g) {
    const TEntJwwLayerGroup &group = EntryOr(EntLgrp, g);
    w.writeI32(group.anGLay);
    w.writeI32(group.anWriteLay);
    w.writeF64(group.adScale);
    w.writeI32(group.anGLayProtect);
    for (std::size_t l = 0; l < kLayersPerGroup; ++l) {
      const TEntJwwLayer &layer = EntryOr(EntLay, g * kLayersPerGroup + l);
      w.writeI32(layer.aanLay);
      w.writeI32(layer.aanLayProtect);
    }
  }
  w.fill(0x20, kReservedAfterLayers);
  for (std::int32_t f : {h.lnSunpou1, h.lnSunpou2, h.lnSunpou3, h.lnSunpou4, h.lnSunpou5})
    w.writeI32(f);
  w.fill(0x00, kReservedAfterSunpou);
  // Formats up to 420 know no line-width mode beyond -101.
  w.writeI32((Ver <= 420 && h.nMaxDrawWid < -101) ? -101 : h.nMaxDrawWid);
  for (double f : {h.DPPrtGenten_x, h.DPPrtGenten_y, h.dPrtBairitsu})
    w.writeF64(f);
  w.writeI32(h.nPrtSet);
  w.writeI32(h.nMemoriMode);
  for (double f : {h.dMemoriHyoujiMin, h.dMemoriX, h.dMemoriY, h.DpMemoriKjTen_x,
                   h.DpMemoriKjTen_y})
    w.writeF64(f);
  for (std::size_t i = 0; i < kLayerGroups * kLayersPerGroup; ++i)
    WriteCString(w, SanitizeText(EntryOr(EntLay, i).aStrLayName));
  for (std::size_t g = 0; g < kLayerGroups; ++g)
    WriteCString(w, SanitizeText(EntryOr(EntLgrp, g).aStrGLayName));
  w.writeF64(h.dKageLevel);
  w.writeF64(h.dKageIdo);
  w.writeI32(h.nKage9_15JiFlg);
  w.writeF64(h.dKabeKageLevel);
  if (Ver >= 300) {
    w.writeF64(h.dTenkuuZuLevel);
    w.writeF64(h.dTenkuuZuEnkoR);
  }
  w.writeI32(h.nMMTani3D);
  for (double f : {h.dBairitsu, h.DPGenten_x, h.DPGenten_y, h.dHanniBairitsu, h.DPHanniGenten_x,
                   h.DPHanniGenten_y})
    w.writeF64(f);
  if (Ver > 230) {
    for (std::size_t i = 1; i <= 8; ++i) {
      w.writeF64(h.dZoomJumpBairitsu[i]);
      w.writeF64(h.DPZoomJumpGenten_x[i]);
      w.writeF64(h.DPZoomJumpGenten_y[i]);
      w.writeI32(h.nZoomJumpGLay[i]);
    }
    w.writeF64(h.dDm11);
    w.writeF64(h.dDm12);
    w.writeF64(h.dDm13);
    w.writeI32(h.lnDm1);
    w.writeF64(h.dDm21);
    w.writeF64(h.dDm22);
    w.writeF64(h.dMojiBG);
    w.writeI32(h.nMojiBG);
  } else {
    for (std::size_t i = 1; i <= 4; ++i) {
      w.writeF64(h.dZoomJumpBairitsu[i]);
      w.writeF64(h.DPZoomJumpGenten_x[i]);
      w.writeF64(h.DPZoomJumpGenten_y[i]);
    }
  }
  for (double d : h.adFukusenSuuchi)
    w.writeF64(d);
  w.writeF64(h.dRyougawaFukusenTomeDe);
  for (std::size_t c = 0; c < kPenColors; ++c) {
    const TEntJwwColorNo &col = EntryOr(EntCol, c);
    w.writeI32(RgbOrZero(col.aPenColor));
    w.writeI32(Clamp(col.anPenWidth, 1, 16));
  }
  for (std::size_t c = 0; c < kPenColors; ++c) {
    const TEntJwwColorNo &col = EntryOr(EntCol, c);
    w.writeI32(c == 0 ? 0xFFFFFF : RgbOrZero(col.aPrtPenColor));  // entry 0 is the paper
    w.writeI32(Clamp(col.anPrtPenWidth, 1, 500));
    w.writeF64(Clamp(col.adPrtTenHankei, 0.1, 10.0));
  }
  for (std::size_t i = 0; i < 8; ++i) {
    const auto &t = EntryOr(EntLtp1, i);
    for (std::int32_t f : {t.alLType, t.anTokushuSenUintDot, t.anTokushuSenPich,
                           t.anPrtTokushuSenPich})
      w.writeI32(f);
  }
  for (std::size_t i = 0; i < 5; ++i) {
    const auto &t = EntryOr(EntLtp2, i);
    for (std::int32_t f : {t.alLType, t.anRandSenWide, t.anTokushuSenPich, t.anPrtRandSenWide,
                           t.anPrtTokushuSenPich})
      w.writeI32(f);
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const auto &t = EntryOr(EntLtp3, i);
    for (std::int32_t f : {t.alLType, t.anTokushuSenUintDot, t.anTokushuSenPich,
                           t.anPrtTokushuSenPich})
      w.writeI32(f);
  }
  for (std::int32_t f : {h.nDrawGamenTen, h.nDrawPrtTen, h.nBitMapFirstDraw, h.nGyakuDraw,
                         h.nGyakuSearch, h.nColorPrint, h.nLayJunPrint, h.nColJunPrint,
                         h.nPrtRenzoku, h.nPrtKyoutsuuGray})
    w.writeI32(f);
  std::int64_t x = h.nPrtDispOnlyNonDraw;
  if (Ver >= 600)
    x += h.nPrtDpi > 0 ? 10 * static_cast<std::int64_t>(h.nPrtDpi) : 10;
  w.writeU32(static_cast<std::uint32_t>(x));  // two's complement, as an int32 would wrap
  if (Ver >= 223) {
    for (std::int32_t f : {h.lnDrawTime, h.nEyeInit, h.dEye_H_Ichi_1, h.dEye_H_Ichi_2,
                           h.dEye_H_Ichi_3})
      w.writeI32(f);
    for (double f : {h.dEye_Z_Ichi_1, h.dEye_Y_Ichi_1, h.dEye_Z_Ichi_2, h.dEye_Y_Ichi_2,
                     h.dEye_V_Ichi_3})
      w.writeF64(f);
  }
  if (Ver >= 225)
    for (double f : {h.dSenNagasaSnpou, h.dBoxSunpouX, h.dBoxSunpouY, h.dEnHankeiSnpou})
      w.writeF64(f);
  if (Ver >= 230) {
    w.writeI32(h.nSolidNinniColor);
    w.writeI32(h.SolidColor);
  }
  if (Ver >= 420) {
    for (std::size_t i = 0; i < kSxfColors; ++i) {
      const auto &c = EntryOr(EntColS, i);
      w.writeI32(c.aPenColor);
      w.writeI32(c.anPenWidth);
    }
    for (std::size_t i = 0; i < kSxfColors; ++i) {
      const auto &c = EntryOr(EntColS, i);
      std::u16string name = SanitizeText(c.astrUDColorName);
      if (IsBlankName(name))
        name = NumberedName(u"Color_", i);
      WriteCString(w, name);
      // The user-defined colours print in their display colour.
      w.writeI32(i <= 16 ? c.aPrtPenColor : c.aPenColor);
      w.writeI32(c.anPrtPenWidth);
      w.writeF64(c.adPrtTenHankei);
    }
    std::vector<TEntJwwLineTypeExNo> lineTypes;
    lineTypes.reserve(kSxfLineTypes);
    for (std::size_t i = 0; i < kSxfLineTypes; ++i)
      lineTypes.push_back(SxfLineTypeForWriting(EntryOr(EntLtpS, i), i));
    for (const auto &t : lineTypes)
      for (std::int32_t f : {t.alLType, t.anTokushuSenUintDot, t.anTokushuSenPich,
                             t.anPrtTokushuSenPich})
        w.writeI32(f);
    for (const auto &t : lineTypes) {
      WriteCString(w, t.astrUDLTypeName);
      w.writeI32(t.anUDLTypeSegment);
      for (std::size_t i = 1; i <= 10; ++i)
        w.writeF64(t.aadUDLTypePitch[i]);
    }
  }
  for (std::size_t k = 0; k < kMojiKinds; ++k) {
    const auto &m = EntryOr(EntMoj, k);
    w.writeF64(jww::LimitTextSize(m.adMojiX));
    w.writeF64(jww::LimitTextSize(m.adMojiY));
    w.writeF64(m.adMojiD);
    w.writeI32(m.anMojiCol);
  }
  w.writeF64(jww::LimitTextSize(h.dMojiSizeX));
  w.writeF64(jww::LimitTextSize(h.dMojiSizeY));
  w.writeF64(h.dMojiKankaku);
  w.writeI32(h.nMojiColor);
  w.writeI32(h.nMojiShu);
  w.writeF64(h.dMojiSeiriGyouKan);
  w.writeF64(h.dMojiSeiriSuu);
  w.writeI32(h.nMojiKijunZureOn);
  for (double f : {h.adMojiKijunZureX0, h.adMojiKijunZureX1, h.adMojiKijunZureX2,
                   h.adMojiKijunZureY0, h.adMojiKijunZureY1, h.adMojiKijunZureY2})
    w.writeF64(f);
}

}  // namespace velkaro
