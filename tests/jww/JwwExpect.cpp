#include "JwwExpect.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "builders/TempDir.h"
#include "support/Platform.h"

namespace velkaro::testing {

namespace {

std::string F(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

std::string S(const std::u16string &s) {
  std::string out = "\"";
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out + "\"";
}

template <typename T>
std::string I(T v) {
  return std::to_string(v);
}

class Out {
 public:
  void line(const std::string &field, const std::string &value) { os_ << field << " = " << value << "\n"; }
  std::string str() const { return os_.str(); }

 private:
  std::ostringstream os_;
};

std::string A(const TEntJwwAttr &a) {
  return "g" + I(a.lGroup) + " st" + I(+a.nPenStyle) + " col" + I(a.nPenColor) + " w" + I(a.nPenWidth) +
         " lay" + I(a.nLayer) + " glay" + I(a.nGLayer) + " flg" + I(a.sFlg);
}

void DumpLine(Out &o, const std::string &p, const TEntJwwLine &e) {
  o.line(p, A(e.att) + " " + F(e.start_x) + "," + F(e.start_y) + " " + F(e.end_x) + "," + F(e.end_y));
}

void DumpPoint(Out &o, const std::string &p, const TEntJwwTen &e, bool extrasAlways) {
  std::string v = A(e.att) + " " + F(e.start_x) + "," + F(e.start_y) + " kariten" + I(e.bKariten);
  if (extrasAlways || e.att.nPenStyle == 100)
    v += " code" + I(e.nCode) + " rot" + F(e.radKaitenKaku) + " scale" + F(e.dBairitsu);
  o.line(p, v);
}

void DumpText(Out &o, const std::string &p, const TEntJwwMoji &e) {
  o.line(p, A(e.att) + " " + F(e.start_x) + "," + F(e.start_y) + " " + F(e.end_x) + "," + F(e.end_y) +
                " shu" + I(e.nMojiShu) + " size" + F(e.dSizeX) + "x" + F(e.dSizeY) + " kan" +
                F(e.dKankaku) + " deg" + F(e.degKakudo));
  o.line(p + ".strFontName", S(e.strFontName));
  o.line(p + ".str", S(e.str));
}

void DumpDimension(Out &o, const std::string &p, const TEntJwwSunpo &e) {
  o.line(p + ".att", A(e.att));
  DumpLine(o, p + ".Sen", e.Sen);
  DumpText(o, p + ".Moji", e.Moji);
  o.line(p + ".bSxfMode", I(e.bSxfMode));
  DumpLine(o, p + ".Ho1", e.Ho1);
  DumpLine(o, p + ".Ho2", e.Ho2);
  DumpPoint(o, p + ".Te1", e.Te1, true);
  DumpPoint(o, p + ".Te2", e.Te2, true);
  DumpPoint(o, p + ".Kt1", e.Kt1, true);
  DumpPoint(o, p + ".Kt2", e.Kt2, true);
}

struct Arrays {
  const std::vector<TEntJwwNo> &no;
  const std::vector<TEntJwwLine> &line;
  const std::vector<TEntJwwEnko> &enko;
  const std::vector<TEntJwwTen> &ten;
  const std::vector<TEntJwwMoji> &moji;
  const std::vector<TEntJwwSunpo> &sunpo;
  const std::vector<TEntJwwSolid> &solid;
  const std::vector<TEntJwwBlock> &block;
};

void DumpArrays(Out &o, const std::string &p, const Arrays &a) {
  o.line(p + "No.size", I(a.no.size()));
  for (std::size_t i = 0; i < a.no.size(); ++i)
    o.line(p + "No[" + I(i) + "]", I(a.no[i].EntType) + ":" + I(a.no[i].EntNo));
  o.line(p + "Line.size", I(a.line.size()));
  for (std::size_t i = 0; i < a.line.size(); ++i)
    DumpLine(o, p + "Line[" + I(i) + "]", a.line[i]);
  o.line(p + "Enko.size", I(a.enko.size()));
  for (std::size_t i = 0; i < a.enko.size(); ++i) {
    const TEntJwwEnko &e = a.enko[i];
    o.line(p + "Enko[" + I(i) + "]", A(e.att) + " " + F(e.start_x) + "," + F(e.start_y) + " r" + F(e.dHankei) +
                                         " a" + F(e.radKaishiKaku) + " b" + F(e.radEnkoKaku) + " t" +
                                         F(e.radKatamukiKaku) + " h" + F(e.dHenpeiRitsu) + " zen" +
                                         I(e.bZenEnFlg));
  }
  o.line(p + "Ten.size", I(a.ten.size()));
  for (std::size_t i = 0; i < a.ten.size(); ++i)
    DumpPoint(o, p + "Ten[" + I(i) + "]", a.ten[i], false);
  o.line(p + "Moji.size", I(a.moji.size()));
  for (std::size_t i = 0; i < a.moji.size(); ++i)
    DumpText(o, p + "Moji[" + I(i) + "]", a.moji[i]);
  o.line(p + "Sunpo.size", I(a.sunpo.size()));
  for (std::size_t i = 0; i < a.sunpo.size(); ++i)
    DumpDimension(o, p + "Sunpo[" + I(i) + "]", a.sunpo[i]);
  o.line(p + "Solid.size", I(a.solid.size()));
  for (std::size_t i = 0; i < a.solid.size(); ++i) {
    const TEntJwwSolid &e = a.solid[i];
    o.line(p + "Solid[" + I(i) + "]", A(e.att) + " " + F(e.start_x) + "," + F(e.start_y) + " " + F(e.end_x) +
                                          "," + F(e.end_y) + " " + F(e.DPoint2_x) + "," + F(e.DPoint2_y) + " " +
                                          F(e.DPoint3_x) + "," + F(e.DPoint3_y) + " rgb" + I(e.Color));
  }
  o.line(p + "Block.size", I(a.block.size()));
  for (std::size_t i = 0; i < a.block.size(); ++i) {
    const TEntJwwBlock &e = a.block[i];
    o.line(p + "Block[" + I(i) + "]", A(e.att) + " " + F(e.DPKijunTen_x) + "," + F(e.DPKijunTen_y) + " s" +
                                          F(e.dBairitsuX) + "x" + F(e.dBairitsuY) + " rot" + F(e.radKaitenKaku) +
                                          " no" + I(e.nNumber));
  }
}

}  // namespace

std::string DumpHeader(const TEntJwwHeader &h) {
  Out o;
#define HI(f) o.line("hd." #f, I(h.f))
#define HD(f) o.line("hd." #f, F(h.f))
  o.line("hd.jwID", S(h.jwID));
  HI(jwVer);
  o.line("hd.strMemo", S(h.strMemo));
  HI(nZumen); HI(nWriteGLay); HI(lnSunpou1); HI(lnSunpou2); HI(lnSunpou3); HI(lnSunpou4); HI(lnSunpou5);
  HI(nMaxDrawWid); HI(bSenHaba100); HI(nMaxDrawWidBak);
  HD(DPPrtGenten_x); HD(DPPrtGenten_y); HD(dPrtBairitsu); HI(nPrtSet); HI(nMemoriMode);
  HD(dMemoriHyoujiMin); HD(dMemoriX); HD(dMemoriY); HD(DpMemoriKjTen_x); HD(DpMemoriKjTen_y);
  HD(dKageLevel); HD(dKageIdo); HI(nKage9_15JiFlg); HD(dKabeKageLevel); HD(dTenkuuZuLevel);
  HD(dTenkuuZuEnkoR); HI(nMMTani3D); HD(dBairitsu); HD(DPGenten_x); HD(DPGenten_y); HD(dHanniBairitsu);
  HD(DPHanniGenten_x); HD(DPHanniGenten_y);
  for (int i = 1; i <= 8; ++i) {
    const std::string k = "hd.zoom[" + I(i) + "]";
    o.line(k, F(h.dZoomJumpBairitsu[i]) + " " + F(h.DPZoomJumpGenten_x[i]) + "," + F(h.DPZoomJumpGenten_y[i]) +
                  " glay" + I(h.nZoomJumpGLay[i]));
  }
  HD(dDm11); HD(dDm12); HD(dDm13); HI(lnDm1); HD(dDm21); HD(dDm22); HD(dMojiBG); HI(nMojiBG);
  for (int i = 0; i < 10; ++i)
    o.line("hd.adFukusenSuuchi[" + I(i) + "]", F(h.adFukusenSuuchi[i]));
  HD(dRyougawaFukusenTomeDe);
  HI(nDrawGamenTen); HI(nDrawPrtTen); HI(nBitMapFirstDraw); HI(nGyakuDraw); HI(nGyakuSearch); HI(nColorPrint);
  HI(nLayJunPrint); HI(nColJunPrint); HI(nPrtRenzoku); HI(nPrtKyoutsuuGray); HI(nPrtDispOnlyNonDraw);
  HI(nPrtDpi); HI(lnDrawTime); HI(nEyeInit); HI(dEye_H_Ichi_1); HI(dEye_H_Ichi_2); HI(dEye_H_Ichi_3);
  HD(dEye_Z_Ichi_1); HD(dEye_Y_Ichi_1); HD(dEye_Z_Ichi_2); HD(dEye_Y_Ichi_2); HD(dEye_V_Ichi_3);
  HD(dSenNagasaSnpou); HD(dBoxSunpouX); HD(dBoxSunpouY); HD(dEnHankeiSnpou); HI(nSolidNinniColor);
  HI(SolidColor); HD(dMojiSizeX); HD(dMojiSizeY); HD(dMojiKankaku); HI(nMojiColor); HI(nMojiShu);
  HD(dMojiSeiriGyouKan); HD(dMojiSeiriSuu); HI(nMojiKijunZureOn); HD(adMojiKijunZureX0);
  HD(adMojiKijunZureX1); HD(adMojiKijunZureX2); HD(adMojiKijunZureY0); HD(adMojiKijunZureY1);
  HD(adMojiKijunZureY2); HI(n1); HI(n2);
#undef HI
#undef HD
  return o.str();
}

std::string Dump(const DrawingView &v, DumpOptions opt) {
  Out o;
  std::string text;
  if (opt.header)
    text += DumpHeader(v.hd);
  if (opt.tables) {
    o.line("EntLgrp.size", I(v.EntLgrp.size()));
    for (std::size_t g = 0; g < v.EntLgrp.size(); ++g) {
      const auto &G = v.EntLgrp[g];
      o.line("EntLgrp[" + I(g) + "]", I(G.anGLay) + " " + I(G.anWriteLay) + " " + F(G.adScale) + " " +
                                          I(G.anGLayProtect) + " " + S(G.aStrGLayName));
    }
    o.line("EntLay.size", I(v.EntLay.size()));
    for (std::size_t i = 0; i < v.EntLay.size(); ++i) {
      const auto &L = v.EntLay[i];
      o.line("EntLay[" + I(i) + "]", I(L.aanLay) + " " + I(L.aanLayProtect) + " " + S(L.aStrLayName));
    }
    o.line("EntCol.size", I(v.EntCol.size()));
    for (std::size_t i = 0; i < v.EntCol.size(); ++i) {
      const auto &C = v.EntCol[i];
      o.line("EntCol[" + I(i) + "]", I(C.aPenColor) + " " + I(C.anPenWidth) + " " + I(C.aPrtPenColor) + " " +
                                         I(C.anPrtPenWidth) + " " + F(C.adPrtTenHankei));
    }
    auto ltp = [&](const char *name, const std::vector<TEntJwwLineTypeNo> &t) {
      o.line(std::string(name) + ".size", I(t.size()));
      for (std::size_t i = 0; i < t.size(); ++i)
        o.line(std::string(name) + "[" + I(i) + "]", I(t[i].alLType) + " " + I(t[i].anTokushuSenUintDot) + " " +
                                                         I(t[i].anTokushuSenPich) + " " +
                                                         I(t[i].anPrtTokushuSenPich));
    };
    ltp("EntLtp1", v.EntLtp1);
    o.line("EntLtp2.size", I(v.EntLtp2.size()));
    for (std::size_t i = 0; i < v.EntLtp2.size(); ++i) {
      const auto &t = v.EntLtp2[i];
      o.line("EntLtp2[" + I(i) + "]", I(t.alLType) + " " + I(t.anRandSenWide) + " " + I(t.anTokushuSenPich) +
                                          " " + I(t.anPrtRandSenWide) + " " + I(t.anPrtTokushuSenPich));
    }
    ltp("EntLtp3", v.EntLtp3);
    o.line("EntColS.size", I(v.EntColS.size()));
    for (std::size_t i = 0; i < v.EntColS.size(); ++i) {
      const auto &c = v.EntColS[i];
      o.line("EntColS[" + I(i) + "]", I(c.aPenColor) + " " + I(c.anPenWidth) + " " + S(c.astrUDColorName) + " " +
                                          I(c.aPrtPenColor) + " " + I(c.anPrtPenWidth) + " " +
                                          F(c.adPrtTenHankei));
    }
    o.line("EntLtpS.size", I(v.EntLtpS.size()));
    for (std::size_t i = 0; i < v.EntLtpS.size(); ++i) {
      const auto &t = v.EntLtpS[i];
      std::string pitches;
      for (int k = 1; k <= 10; ++k)
        pitches += " " + F(t.aadUDLTypePitch[k]);
      o.line("EntLtpS[" + I(i) + "]", I(t.alLType) + " " + I(t.anTokushuSenUintDot) + " " +
                                          I(t.anTokushuSenPich) + " " + I(t.anPrtTokushuSenPich) + " " +
                                          S(t.astrUDLTypeName) + " seg" + I(t.anUDLTypeSegment) + pitches);
    }
    o.line("EntMoj.size", I(v.EntMoj.size()));
    for (std::size_t k = 0; k < v.EntMoj.size(); ++k) {
      const auto &m = v.EntMoj[k];
      o.line("EntMoj[" + I(k) + "]", F(m.adMojiX) + " " + F(m.adMojiY) + " " + F(m.adMojiD) + " " + I(m.anMojiCol));
    }
  }
  if (opt.entities)
    DumpArrays(o, "Ent", {v.EntNo, v.EntLine, v.EntEnko, v.EntTen, v.EntMoji, v.EntSunpo, v.EntSolid, v.EntBlock});
  if (opt.blockDefs) {
    o.line("EntBlockDef.size", I(v.EntBlockDef.size()));
    for (std::size_t i = 0; i < v.EntBlockDef.size(); ++i) {
      const TEntJwwBlockDef &d = v.EntBlockDef[i];
      const std::string p = "Def[" + I(i) + "]";
      o.line(p, A(d.att) + " no" + I(d.nNumber) + " ref" + I(d.bRefferd) + " dtime" + I(d.dtime) + " N" + I(d.N) +
                    " " + S(d.strName));
      if (opt.blockRefs)
        o.line(p + ".ref", I(d.ref_flag) + " " + I(d.ref_no));
      DumpArrays(o, p + ".m", {d.mNo, d.mLine, d.mEnko, d.mTen, d.mMoji, d.mSunpo, d.mSolid, d.mBlock});
    }
  }
  if (opt.images) {
    o.line("BindImage.size", I(v.BindImage.size()));
    for (std::size_t i = 0; i < v.BindImage.size(); ++i)
      o.line("BindImage[" + I(i) + "]", S(v.BindImage[i].Fname) + " " + I(v.BindImage[i].Fsize));
  }
  o.line("MojiEncode", I(v.MojiEncode));
  for (const std::string &m : v.countMismatches)
    o.line("countMismatch", m);
  return text + o.str();
}

// ---- views ------------------------------------------------------------------

DrawingView ViewOf(const TJwwData &d) {
  DrawingView v;
  v.hd = d.Enthd;
  v.EntLgrp = d.EntLgrp;
  v.EntLay = d.EntLay;
  v.EntCol = d.EntCol;
  v.EntLtp1 = d.EntLtp1;
  v.EntLtp2 = d.EntLtp2;
  v.EntLtp3 = d.EntLtp3;
  v.EntColS = d.EntColS;
  v.EntLtpS = d.EntLtpS;
  v.EntMoj = d.EntMoj;
  v.EntNo = d.EntNo;
  v.EntLine = d.EntLine;
  v.EntEnko = d.EntEnko;
  v.EntTen = d.EntTen;
  v.EntMoji = d.EntMoji;
  v.EntSunpo = d.EntSunpo;
  v.EntSolid = d.EntSolid;
  v.EntBlock = d.EntBlock;
  v.EntBlockDef = d.EntBlockDef;
  v.BindImage = d.BindImage;
  v.MojiEncode = d.MojiEncode;
  auto check = [&](const std::string &name, std::size_t size, std::int64_t n) {
    if (static_cast<std::int64_t>(size) != n)
      v.countMismatches.push_back(name + " has " + I(size) + " entries, count " + I(n));
  };
  check("EntLine", d.EntLine.size(), d.EntLineN);
  check("EntEnko", d.EntEnko.size(), d.EntEnkoN);
  check("EntTen", d.EntTen.size(), d.EntTenN);
  check("EntMoji", d.EntMoji.size(), d.EntMojiN);
  check("EntSunpo", d.EntSunpo.size(), d.EntSunpoN);
  check("EntSolid", d.EntSolid.size(), d.EntSolidN);
  check("EntBlock", d.EntBlock.size(), d.EntBlockN);
  check("EntBlockDef", d.EntBlockDef.size(), d.EntBlockDefN);
  check("BindImage", d.BindImage.size(), d.BindImageN);
  for (std::size_t i = 0; i < d.EntBlockDef.size(); ++i) {
    const TEntJwwBlockDef &b = d.EntBlockDef[i];
    const std::string p = "Def[" + I(i) + "].";
    check(p + "mNo", b.mNo.size(), b.N);
    check(p + "mLine", b.mLine.size(), b.mLineN);
    check(p + "mEnko", b.mEnko.size(), b.mEnkoN);
    check(p + "mTen", b.mTen.size(), b.mTenN);
    check(p + "mMoji", b.mMoji.size(), b.mMojiN);
    check(p + "mSunpo", b.mSunpo.size(), b.mSunpoN);
    check(p + "mSolid", b.mSolid.size(), b.mSolidN);
    check(p + "mBlock", b.mBlock.size(), b.mBlockN);
  }
  return v;
}

std::u16string AsRead(const std::u16string &s, bool plain) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == 0)
      break;
    if (plain && c < 0x20)
      continue;
    out.push_back(c);
  }
  return out;
}

namespace {

double FiniteOr(double v, double otherwise) { return std::isfinite(v) ? v : otherwise; }

TEntJwwAttr AttrAsRead(std::int32_t v, TEntJwwAttr a) {
  if (v < 351)
    a.nPenWidth = 0;
  return a;
}

TEntJwwMoji TextAsRead(std::int32_t v, TEntJwwMoji e) {
  e.att = AttrAsRead(v, e.att);
  e.strFontName = AsRead(e.strFontName);
  e.str = AsRead(e.str);
  e.dSizeX = FiniteOr(e.dSizeX, 3.0);
  e.dSizeY = FiniteOr(e.dSizeY, 3.0);
  e.dKankaku = FiniteOr(e.dKankaku, 0.0);
  return e;
}

TEntJwwTen PointAsRead(std::int32_t v, TEntJwwTen e) {
  e.att = AttrAsRead(v, e.att);
  if (e.att.nPenStyle != 100) {
    e.nCode = 0;
    e.radKaitenKaku = 0;
    e.dBairitsu = 0;
  }
  return e;
}

TEntJwwSunpo DimensionAsRead(std::int32_t v, TEntJwwSunpo e) {
  e.att = AttrAsRead(v, e.att);
  e.Sen.att = AttrAsRead(v, e.Sen.att);
  e.Moji = TextAsRead(v, e.Moji);
  if (v >= 420) {
    e.Ho1.att = AttrAsRead(v, e.Ho1.att);
    e.Ho2.att = AttrAsRead(v, e.Ho2.att);
    e.Te1 = PointAsRead(v, e.Te1);
    e.Te2 = PointAsRead(v, e.Te2);
    e.Kt1 = PointAsRead(v, e.Kt1);
    e.Kt2 = PointAsRead(v, e.Kt2);
    return e;
  }
  e.bSxfMode = 0;
  e.Ho1 = TEntJwwLine{};
  e.Ho2 = TEntJwwLine{};
  e.Ho1.att = e.att;
  e.Ho2.att = e.att;
  for (TEntJwwTen *p : {&e.Te1, &e.Te2, &e.Kt1, &e.Kt2}) {
    *p = TEntJwwTen{};
    p->att = e.att;
    p->att.nPenStyle = 0;
  }
  return e;
}

struct Sink {
  std::vector<TEntJwwNo> &no;
  std::vector<TEntJwwLine> &line;
  std::vector<TEntJwwEnko> &enko;
  std::vector<TEntJwwTen> &ten;
  std::vector<TEntJwwMoji> &moji;
  std::vector<TEntJwwSunpo> &sunpo;
  std::vector<TEntJwwSolid> &solid;
  std::vector<TEntJwwBlock> &block;
};

void AddAsRead(std::int32_t v, const JwwEntity &ent, Sink s) {
  const std::int32_t kind = KindOf(ent);
  std::int32_t index = 0;
  switch (kind) {
    case kJwwLine: {
      TEntJwwLine e = std::get<TEntJwwLine>(ent);
      e.att = AttrAsRead(v, e.att);
      index = static_cast<std::int32_t>(s.line.size());
      s.line.push_back(e);
      break;
    }
    case kJwwEnko: {
      TEntJwwEnko e = std::get<TEntJwwEnko>(ent);
      e.att = AttrAsRead(v, e.att);
      index = static_cast<std::int32_t>(s.enko.size());
      s.enko.push_back(e);
      break;
    }
    case kJwwTen:
      index = static_cast<std::int32_t>(s.ten.size());
      s.ten.push_back(PointAsRead(v, std::get<TEntJwwTen>(ent)));
      break;
    case kJwwMoji:
      index = static_cast<std::int32_t>(s.moji.size());
      s.moji.push_back(TextAsRead(v, std::get<TEntJwwMoji>(ent)));
      break;
    case kJwwSunpo:
      index = static_cast<std::int32_t>(s.sunpo.size());
      s.sunpo.push_back(DimensionAsRead(v, std::get<TEntJwwSunpo>(ent)));
      break;
    case kJwwSolid: {
      TEntJwwSolid e = std::get<TEntJwwSolid>(ent);
      e.att = AttrAsRead(v, e.att);
      if (e.att.nPenColor != 10)
        e.Color = 0;
      index = static_cast<std::int32_t>(s.solid.size());
      s.solid.push_back(e);
      break;
    }
    case kJwwBlock: {
      TEntJwwBlock e = std::get<TEntJwwBlock>(ent);
      e.att = AttrAsRead(v, e.att);
      index = static_cast<std::int32_t>(s.block.size());
      s.block.push_back(e);
      break;
    }
  }
  s.no.push_back({kind, index});
}

}  // namespace

DrawingView ExpectedRead(const JwwDrawingSpec &plan) {
  const std::int32_t v = plan.version;
  DrawingView x;
  const TEntJwwHeader defaults;
  TEntJwwHeader &h = x.hd;
  h = plan.hd;
  {
    std::u16string id;
    for (char c : plan.signature.substr(0, 8)) {
      if (c == 0)
        break;
      id.push_back(static_cast<unsigned char>(c));
    }
    h.jwID = id;
  }
  h.jwVer = v;
  h.strMemo = AsRead(h.strMemo, false);
  h.bSenHaba100 = false;
  h.nMaxDrawWidBak = h.nMaxDrawWid;
  if (h.nMaxDrawWid <= -101) {
    h.bSenHaba100 = true;
    if (h.nMaxDrawWid >= -500 && h.nMaxDrawWid <= -401)
      h.nMaxDrawWidBak = h.nMaxDrawWid + 400;
    else if (h.nMaxDrawWid >= -300 && h.nMaxDrawWid <= -201)
      h.nMaxDrawWidBak = -h.nMaxDrawWid - 200;
    else
      h.nMaxDrawWidBak = -100;
  }
  if (v < 300) {
    h.dTenkuuZuLevel = defaults.dTenkuuZuLevel;
    h.dTenkuuZuEnkoR = defaults.dTenkuuZuEnkoR;
  }
  if (v <= 230) {
    for (int i = 1; i <= 8; ++i) {
      h.nZoomJumpGLay[i] = -1;
      if (i > 4) {
        h.dZoomJumpBairitsu[i] = 1.0;
        h.DPZoomJumpGenten_x[i] = 0;
        h.DPZoomJumpGenten_y[i] = 0;
      }
    }
    h.dDm11 = h.dDm12 = h.dDm13 = 0;
    h.lnDm1 = 0;
    h.dDm21 = h.dDm22 = h.dMojiBG = 0;
    h.nMojiBG = 0;
  }
  const std::int32_t xval = plan.prtDispValue.value_or(plan.hd.nPrtDpi * 10 + plan.hd.nPrtDispOnlyNonDraw);
  h.nPrtDpi = xval / 10;
  h.nPrtDispOnlyNonDraw = xval % 10;
  if (v < 223) {
    h.lnDrawTime = 0;
    h.nEyeInit = h.dEye_H_Ichi_1 = h.dEye_H_Ichi_2 = h.dEye_H_Ichi_3 = 0;
    h.dEye_Z_Ichi_1 = h.dEye_Y_Ichi_1 = h.dEye_Z_Ichi_2 = h.dEye_Y_Ichi_2 = h.dEye_V_Ichi_3 = 0;
  }
  if (v < 225)
    h.dSenNagasaSnpou = h.dBoxSunpouX = h.dBoxSunpouY = h.dEnHankeiSnpou = 0;
  if (v < 230)
    h.nSolidNinniColor = h.SolidColor = 0;
  h.dMojiSizeX = FiniteOr(h.dMojiSizeX, 3.0);
  h.dMojiSizeY = FiniteOr(h.dMojiSizeY, 3.0);
  h.dMojiKankaku = FiniteOr(h.dMojiKankaku, 0.0);
  h.n1 = static_cast<std::int32_t>(plan.declaredEntityCount.value_or(static_cast<std::uint32_t>(plan.entities.size())));
  h.n2 = static_cast<std::int32_t>(plan.declaredBlockDefCount.value_or(static_cast<std::uint32_t>(plan.blockDefs.size())));

  x.EntLgrp = plan.EntLgrp;
  for (auto &g : x.EntLgrp)
    g.aStrGLayName = AsRead(g.aStrGLayName);
  x.EntLay = plan.EntLay;
  for (auto &l : x.EntLay)
    l.aStrLayName = AsRead(l.aStrLayName);
  x.EntCol = plan.EntCol;
  x.EntLtp1 = plan.EntLtp1;
  x.EntLtp2 = plan.EntLtp2;
  x.EntLtp3 = plan.EntLtp3;
  if (v >= 420) {
    x.EntColS = plan.EntColS;
    for (auto &c : x.EntColS)
      c.astrUDColorName = AsRead(c.astrUDColorName);
    x.EntLtpS = plan.EntLtpS;
    for (auto &t : x.EntLtpS)
      t.astrUDLTypeName = AsRead(t.astrUDLTypeName);
  } else {
    x.EntColS.resize(257);
    x.EntLtpS.resize(33);
  }
  x.EntMoj = plan.EntMoj;
  for (auto &m : x.EntMoj) {
    m.adMojiX = FiniteOr(m.adMojiX, 3.0);
    m.adMojiY = FiniteOr(m.adMojiY, 3.0);
    m.adMojiD = FiniteOr(m.adMojiD, 0.0);
  }

  for (const JwwEntity &e : plan.entities)
    AddAsRead(v, e, {x.EntNo, x.EntLine, x.EntEnko, x.EntTen, x.EntMoji, x.EntSunpo, x.EntSolid, x.EntBlock});

  for (std::size_t i = 0; i < plan.blockDefs.size(); ++i) {
    const JwwBlockDefSpec &s = plan.blockDefs[i];
    TEntJwwBlockDef d;
    d.att = AttrAsRead(v, s.att);
    d.nNumber = s.nNumber;
    d.bRefferd = s.bRefferd;
    d.dtime = s.dtime >= 0x80000000u ? static_cast<std::uint32_t>(i + 1) : s.dtime;
    d.strName = AsRead(s.strName);
    d.N = static_cast<std::int32_t>(s.declaredCount.value_or(static_cast<std::uint32_t>(s.members.size())));
    for (const JwwEntity &e : s.members)
      AddAsRead(v, e, {d.mNo, d.mLine, d.mEnko, d.mTen, d.mMoji, d.mSunpo, d.mSolid, d.mBlock});
    d.mLineN = static_cast<std::int32_t>(d.mLine.size());
    d.mEnkoN = static_cast<std::int32_t>(d.mEnko.size());
    d.mTenN = static_cast<std::int32_t>(d.mTen.size());
    d.mMojiN = static_cast<std::int32_t>(d.mMoji.size());
    d.mSunpoN = static_cast<std::int32_t>(d.mSunpo.size());
    d.mSolidN = static_cast<std::int32_t>(d.mSolid.size());
    d.mBlockN = static_cast<std::int32_t>(d.mBlock.size());
    x.EntBlockDef.push_back(std::move(d));
  }
  if (v >= 700 && !plan.endAfterBlockDefs) {
    for (const JwwImageSpec &img : plan.images) {
      TBindImageType b;
      b.Fname = AsRead(img.name);
      b.Fsize = img.declaredSize.value_or(static_cast<std::int32_t>(img.content.size()));
      x.BindImage.push_back(b);
    }
  }
  x.MojiEncode = plan.utf16;
  return x;
}

// ---- comparisons ------------------------------------------------------------

::testing::AssertionResult SameDump(const std::string &expected, const std::string &actual) {
  if (expected == actual)
    return ::testing::AssertionSuccess();
  std::istringstream e(expected), a(actual);
  std::string le, la;
  int line = 1;
  while (true) {
    const bool he = static_cast<bool>(std::getline(e, le));
    const bool ha = static_cast<bool>(std::getline(a, la));
    if (!he && !ha)
      break;
    if (!he)
      le = "<end>";
    if (!ha)
      la = "<end>";
    if (le != la || !he || !ha)
      return ::testing::AssertionFailure() << "first difference at line " << line << "\n  expected: " << le
                                           << "\n  actual:   " << la;
    ++line;
  }
  return ::testing::AssertionFailure() << "dumps differ";
}

namespace {

std::string HexAround(const ByteVec &b, std::size_t at) {
  std::string out;
  const std::size_t from = at >= 8 ? at - 8 : 0;
  for (std::size_t i = from; i < std::min(b.size(), at + 9); ++i) {
    char buf[8];
    std::snprintf(buf, sizeof buf, i == at ? "[%02X]" : " %02X", b[i]);
    out += buf;
  }
  return out;
}

}  // namespace

::testing::AssertionResult SameBytes(const ByteVec &expected, const ByteVec &actual) {
  if (expected == actual)
    return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
    ++i;
  char off[32];
  std::snprintf(off, sizeof off, "0x%zX", i);
  return ::testing::AssertionFailure() << "bytes differ first at offset " << i << " (" << off << "); expected "
                                       << expected.size() << " bytes, got " << actual.size()
                                       << "\n  expected:" << HexAround(expected, i)
                                       << "\n  actual:  " << HexAround(actual, i);
}

bool ReadBuilt(TJwwData &doc, const ByteVec &bytes, const std::u16string &path) {
  WriteFileBytes(ToFsPath(path), bytes);
  return doc.FileIn(path);
}

}  // namespace velkaro::testing
