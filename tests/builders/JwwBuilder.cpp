#include "builders/JwwBuilder.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace velkaro::testing {

namespace {

// Shift-JIS (code page 932) of the non-ASCII characters the tests use.
// 表, ソ and 能 end in 0x5C, the byte of "\", which catches code that treats
// legacy bytes as path characters; タ and 運 end in 0x5E, the byte of "^".
struct SjisEntry {
  char16_t ch;
  std::uint8_t lead, trail;
};
constexpr SjisEntry kSjis[] = {
    {u'図', 0x90, 0x7D}, {u'面', 0x96, 0xCA}, {u'文', 0x95, 0xB6}, {u'字', 0x8E, 0x9A},
    {u'種', 0x8E, 0xED}, {u'日', 0x93, 0xFA}, {u'本', 0x96, 0x7B}, {u'語', 0x8C, 0xEA},
    {u'寸', 0x90, 0xA1}, {u'法', 0x96, 0x40}, {u'ブ', 0x83, 0x75}, {u'ロ', 0x83, 0x8D},
    {u'ッ', 0x83, 0x62}, {u'ク', 0x83, 0x4E}, {u'\u3000', 0x81, 0x40}, {u'ア', 0x83, 0x41},
    {u'一', 0x88, 0xEA}, {u'二', 0x93, 0xF1}, {u'三', 0x8E, 0x4F}, {u'表', 0x95, 0x5C},
    {u'ソ', 0x83, 0x5C}, {u'能', 0x94, 0x5C}, {u'色', 0x90, 0x46}, {u'行', 0x8D, 0x73},
    {u'目', 0x96, 0xDA}, {u'タ', 0x83, 0x5E}, {u'運', 0x89, 0x5E},
};

}  // namespace

StrForm NaturalForm(bool utf16, std::size_t n) {
  if (utf16)
    return n < 255 ? StrForm::Utf16Short : StrForm::Utf16Long;
  return n < 255 ? StrForm::Short : StrForm::Long;
}

ByteVec SjisBytes(const std::u16string &s) {
  ByteVec out;
  out.reserve(s.size());
  for (char16_t c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<std::uint8_t>(c));
      continue;
    }
    bool found = false;
    for (const SjisEntry &e : kSjis) {
      if (e.ch == c) {
        out.push_back(e.lead);
        out.push_back(e.trail);
        found = true;
        break;
      }
    }
    if (!found)
      throw std::invalid_argument("JwwBuilder: no Shift-JIS entry for a character of the text");
  }
  return out;
}

// ---- JwwBytes ---------------------------------------------------------------

JwwBytes &JwwBytes::u8(std::uint8_t v) {
  buf_.push_back(v);
  return *this;
}

JwwBytes &JwwBytes::le16(std::uint16_t v) {
  buf_.push_back(static_cast<std::uint8_t>(v));
  buf_.push_back(static_cast<std::uint8_t>(v >> 8));
  return *this;
}

JwwBytes &JwwBytes::le32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    buf_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return *this;
}

JwwBytes &JwwBytes::f64(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i)
    buf_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  return *this;
}

JwwBytes &JwwBytes::raw(std::span<const std::uint8_t> bytes) {
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
  return *this;
}

JwwBytes &JwwBytes::raw(std::string_view ascii) {
  for (char c : ascii)
    buf_.push_back(static_cast<std::uint8_t>(c));
  return *this;
}

JwwBytes &JwwBytes::fill(std::uint8_t value, std::size_t n) {
  buf_.insert(buf_.end(), n, value);
  return *this;
}

JwwBytes &JwwBytes::cstringLegacy(std::span<const std::uint8_t> bytes, StrForm form) {
  const std::size_t n = bytes.size();
  switch (form) {
    case StrForm::Short:
      if (n > 255)
        throw std::invalid_argument("JwwBuilder: short string form holds at most 255 bytes");
      u8(static_cast<std::uint8_t>(n));
      break;
    case StrForm::Long:
      if (n > 0xFFFF)
        throw std::invalid_argument("JwwBuilder: long string form holds at most 65535 bytes");
      u8(0xFF).le16(static_cast<std::uint16_t>(n));
      break;
    default:
      throw std::invalid_argument("JwwBuilder: legacy bytes need a legacy string form");
  }
  return raw(bytes);
}

JwwBytes &JwwBytes::cstringUtf16(const std::u16string &s, StrForm form) {
  const std::size_t n = s.size();
  u8(0xFF).le16(0xFFFE);
  switch (form) {
    case StrForm::Utf16Short:
      if (n > 254)
        throw std::invalid_argument("JwwBuilder: short UTF-16 form holds at most 254 units");
      u8(static_cast<std::uint8_t>(n));
      break;
    case StrForm::Utf16Long:
      if (n > 0xFFFF)
        throw std::invalid_argument("JwwBuilder: UTF-16 form holds at most 65535 units");
      u8(0xFF).le16(static_cast<std::uint16_t>(n));
      break;
    default:
      throw std::invalid_argument("JwwBuilder: UTF-16 text needs a UTF-16 string form");
  }
  for (char16_t c : s)
    le16(static_cast<std::uint16_t>(c));
  return *this;
}

JwwBytes &JwwBytes::cstring(const std::u16string &s, StrForm form) {
  if (form == StrForm::Utf16Short || form == StrForm::Utf16Long)
    return cstringUtf16(s, form);
  const ByteVec bytes = SjisBytes(s);
  return cstringLegacy(bytes, form);
}

JwwBytes &JwwBytes::cstring(const std::u16string &s, bool utf16) {
  if (utf16)
    return cstringUtf16(s, NaturalForm(true, s.size()));
  const ByteVec bytes = SjisBytes(s);
  return cstringLegacy(bytes, NaturalForm(false, bytes.size()));
}

JwwBytes &JwwBytes::count(std::uint32_t n) {
  if (n < 0xFFFF)
    return le16(static_cast<std::uint16_t>(n));
  return countLong(n);
}

JwwBytes &JwwBytes::countLong(std::uint32_t n) { return le16(0xFFFF).le32(n); }

JwwBytes &JwwBytes::classRef(std::uint32_t mapIndex) {
  if (mapIndex < 0x7FFF)
    return le16(static_cast<std::uint16_t>(0x8000 + mapIndex));
  return bigClassRef(mapIndex);
}

JwwBytes &JwwBytes::bigClassRef(std::uint32_t mapIndex) {
  return le16(0x7FFF).le32(0x80000000u + mapIndex);
}

JwwBytes &JwwBytes::newClassRecord(std::uint16_t schema, std::string_view name) {
  le16(0xFFFF).le16(schema).le16(static_cast<std::uint16_t>(name.size()));
  return raw(name);
}

// ---- JwwClassMap ------------------------------------------------------------

void JwwClassMap::classOf(JwwBytes &out, const std::string &className) {
  auto it = slots_.find(className);
  if (it == slots_.end()) {
    out.newClassRecord(schema_, className);
    slots_[className] = counter_++;
    return;
  }
  out.classRef(it->second);
}

std::optional<std::uint32_t> JwwClassMap::indexOf(const std::string &className) const {
  auto it = slots_.find(className);
  if (it == slots_.end())
    return std::nullopt;
  return it->second;
}

// ---- entities ---------------------------------------------------------------

std::int32_t KindOf(const JwwEntity &e) { return static_cast<std::int32_t>(e.index()) + 1; }

const char *ClassNameOf(std::int32_t kind) {
  static const char *const names[] = {"",          "CDataSen",   "CDataEnko",  "CDataTen",
                                      "CDataMoji", "CDataSunpou", "CDataSolid", "CDataBlock",
                                      "CDataList"};
  return (kind >= 1 && kind <= 8) ? names[kind] : "";
}

std::size_t AttrSize(std::int32_t version) { return version >= 351 ? 15 : 13; }

void AppendAttr(JwwBytes &out, std::int32_t version, const TEntJwwAttr &a) {
  out.le32(a.lGroup).u8(a.nPenStyle).le16(a.nPenColor);
  if (version >= 351)
    out.le16(a.nPenWidth);
  out.le16(a.nLayer).le16(a.nGLayer).le16(a.sFlg);
}

namespace {

void LineFixed(JwwBytes &out, std::int32_t v, const TEntJwwLine &e) {
  AppendAttr(out, v, e.att);
  out.f64(e.start_x).f64(e.start_y).f64(e.end_x).f64(e.end_y);
}

void PointBody(JwwBytes &out, std::int32_t v, const TEntJwwTen &e) {
  AppendAttr(out, v, e.att);
  out.f64(e.start_x).f64(e.start_y).le32(e.bKariten);
  if (e.att.nPenStyle == 100)
    out.le32(e.nCode).f64(e.radKaitenKaku).f64(e.dBairitsu);
}

void TextBody(JwwBytes &out, std::int32_t v, bool utf16, const TEntJwwMoji &e) {
  AppendAttr(out, v, e.att);
  out.f64(e.start_x).f64(e.start_y).f64(e.end_x).f64(e.end_y).le32(e.nMojiShu);
  out.f64(e.dSizeX).f64(e.dSizeY).f64(e.dKankaku).f64(e.degKakudo);
  out.cstring(e.strFontName, utf16).cstring(e.str, utf16);
}

struct BodyWriter {
  JwwBytes &out;
  std::int32_t v;
  bool utf16;

  void operator()(const TEntJwwLine &e) const { LineFixed(out, v, e); }
  void operator()(const TEntJwwEnko &e) const {
    AppendAttr(out, v, e.att);
    out.f64(e.start_x).f64(e.start_y).f64(e.dHankei).f64(e.radKaishiKaku).f64(e.radEnkoKaku);
    out.f64(e.radKatamukiKaku).f64(e.dHenpeiRitsu).le32(e.bZenEnFlg);
  }
  void operator()(const TEntJwwTen &e) const { PointBody(out, v, e); }
  void operator()(const TEntJwwMoji &e) const { TextBody(out, v, utf16, e); }
  void operator()(const TEntJwwSunpo &e) const {
    AppendAttr(out, v, e.att);
    LineFixed(out, v, e.Sen);
    TextBody(out, v, utf16, e.Moji);
    if (v < 420)
      return;
    out.le16(e.bSxfMode);
    LineFixed(out, v, e.Ho1);
    LineFixed(out, v, e.Ho2);
    PointBody(out, v, e.Te1);
    PointBody(out, v, e.Te2);
    PointBody(out, v, e.Kt1);
    PointBody(out, v, e.Kt2);
  }
  void operator()(const TEntJwwSolid &e) const {
    AppendAttr(out, v, e.att);
    out.f64(e.start_x).f64(e.start_y).f64(e.end_x).f64(e.end_y);
    out.f64(e.DPoint2_x).f64(e.DPoint2_y).f64(e.DPoint3_x).f64(e.DPoint3_y);
    if (e.att.nPenColor == 10)
      out.le32(e.Color);
  }
  void operator()(const TEntJwwBlock &e) const {
    AppendAttr(out, v, e.att);
    out.f64(e.DPKijunTen_x).f64(e.DPKijunTen_y).f64(e.dBairitsuX).f64(e.dBairitsuY);
    out.f64(e.radKaitenKaku).le32(e.nNumber);
  }
};

}  // namespace

void AppendBody(JwwBytes &out, std::int32_t version, bool utf16, const JwwEntity &e) {
  std::visit(BodyWriter{out, version, utf16}, e);
}

void AppendEntityList(JwwBytes &out, JwwClassMap &classes, std::int32_t version, bool utf16,
                      const std::vector<JwwEntity> &entities, std::optional<std::uint32_t> declared,
                      std::map<std::string, std::size_t> *marks, const std::string &prefix) {
  out.count(declared.value_or(static_cast<std::uint32_t>(entities.size())));
  for (std::size_t i = 0; i < entities.size(); ++i) {
    if (marks)
      (*marks)[prefix + std::to_string(i)] = out.size();
    classes.classOf(out, ClassNameOf(KindOf(entities[i])));
    AppendBody(out, version, utf16, entities[i]);
    classes.objectDone();
  }
}

// ---- header -----------------------------------------------------------------

void AppendHeader(JwwBytes &out, const JwwDrawingSpec &plan) {
  const std::int32_t v = plan.version;
  const bool u = plan.utf16;
  const TEntJwwHeader &h = plan.hd;
  // 1-3: signature, version, memo.
  std::string sig = plan.signature;
  sig.resize(8, '\0');
  out.raw(sig);
  out.i32(v);
  out.cstring(h.strMemo, u);
  // 4-5: drawing settings, groups with their layers.
  out.i32(h.nZumen).i32(h.nWriteGLay);
  for (int g = 0; g < 16; ++g) {
    const TEntJwwLayerGroup &G = plan.EntLgrp.at(g);
    out.i32(G.anGLay).i32(G.anWriteLay).f64(G.adScale).i32(G.anGLayProtect);
    for (int l = 0; l < 16; ++l) {
      const TEntJwwLayer &L = plan.EntLay.at(g * 16 + l);
      out.i32(L.aanLay).i32(L.aanLayProtect);
    }
  }
  // 6-12.
  out.raw(plan.reserved56);
  out.i32(h.lnSunpou1).i32(h.lnSunpou2).i32(h.lnSunpou3).i32(h.lnSunpou4).i32(h.lnSunpou5);
  out.raw(plan.reserved4);
  out.i32(h.nMaxDrawWid);
  out.f64(h.DPPrtGenten_x).f64(h.DPPrtGenten_y).f64(h.dPrtBairitsu);
  out.i32(h.nPrtSet).i32(h.nMemoriMode);
  out.f64(h.dMemoriHyoujiMin).f64(h.dMemoriX).f64(h.dMemoriY);
  out.f64(h.DpMemoriKjTen_x).f64(h.DpMemoriKjTen_y);
  // 13-14: names.
  for (int i = 0; i < 256; ++i)
    out.cstring(plan.EntLay.at(i).aStrLayName, u);
  for (int g = 0; g < 16; ++g)
    out.cstring(plan.EntLgrp.at(g).aStrGLayName, u);
  // 15-18: shadow, sky map, 3-D unit, view.
  out.f64(h.dKageLevel).f64(h.dKageIdo).i32(h.nKage9_15JiFlg).f64(h.dKabeKageLevel);
  if (v >= 300)
    out.f64(h.dTenkuuZuLevel).f64(h.dTenkuuZuEnkoR);
  out.i32(h.nMMTani3D);
  out.f64(h.dBairitsu).f64(h.DPGenten_x).f64(h.DPGenten_y);
  out.f64(h.dHanniBairitsu).f64(h.DPHanniGenten_x).f64(h.DPHanniGenten_y);
  // 19: zoom jumps.
  if (v > 230) {
    for (int i = 1; i <= 8; ++i) {
      out.f64(h.dZoomJumpBairitsu[i]).f64(h.DPZoomJumpGenten_x[i]).f64(h.DPZoomJumpGenten_y[i]);
      out.i32(h.nZoomJumpGLay[i]);
    }
    out.f64(h.dDm11).f64(h.dDm12).f64(h.dDm13).i32(h.lnDm1);
    out.f64(h.dDm21).f64(h.dDm22).f64(h.dMojiBG).i32(h.nMojiBG);
  } else {
    for (int i = 1; i <= 4; ++i)
      out.f64(h.dZoomJumpBairitsu[i]).f64(h.DPZoomJumpGenten_x[i]).f64(h.DPZoomJumpGenten_y[i]);
  }
  // 20-22: parallel lines, pen colours, line types.
  for (double d : h.adFukusenSuuchi)
    out.f64(d);
  out.f64(h.dRyougawaFukusenTomeDe);
  for (int c = 0; c < 10; ++c)
    out.i32(plan.EntCol.at(c).aPenColor).i32(plan.EntCol.at(c).anPenWidth);
  for (int c = 0; c < 10; ++c) {
    const TEntJwwColorNo &C = plan.EntCol.at(c);
    out.i32(C.aPrtPenColor).i32(C.anPrtPenWidth).f64(C.adPrtTenHankei);
  }
  for (int i = 0; i < 8; ++i) {
    const TEntJwwLineTypeNo &t = plan.EntLtp1.at(i);
    out.i32(t.alLType).i32(t.anTokushuSenUintDot).i32(t.anTokushuSenPich).i32(t.anPrtTokushuSenPich);
  }
  for (int i = 0; i < 5; ++i) {
    const TEntJwwRandomLineNo &t = plan.EntLtp2.at(i);
    out.i32(t.alLType).i32(t.anRandSenWide).i32(t.anTokushuSenPich).i32(t.anPrtRandSenWide);
    out.i32(t.anPrtTokushuSenPich);
  }
  for (int i = 0; i < 4; ++i) {
    const TEntJwwLineTypeNo &t = plan.EntLtp3.at(i);
    out.i32(t.alLType).i32(t.anTokushuSenUintDot).i32(t.anTokushuSenPich).i32(t.anPrtTokushuSenPich);
  }
  // 23-24: switches.
  out.i32(h.nDrawGamenTen).i32(h.nDrawPrtTen).i32(h.nBitMapFirstDraw).i32(h.nGyakuDraw);
  out.i32(h.nGyakuSearch).i32(h.nColorPrint).i32(h.nLayJunPrint).i32(h.nColJunPrint);
  out.i32(h.nPrtRenzoku).i32(h.nPrtKyoutsuuGray);
  out.i32(plan.prtDispValue.value_or(h.nPrtDpi * 10 + h.nPrtDispOnlyNonDraw));
  // 25-27: version-dependent settings.
  if (v >= 223) {
    out.i32(h.lnDrawTime).i32(h.nEyeInit).i32(h.dEye_H_Ichi_1).i32(h.dEye_H_Ichi_2);
    out.i32(h.dEye_H_Ichi_3);
    out.f64(h.dEye_Z_Ichi_1).f64(h.dEye_Y_Ichi_1).f64(h.dEye_Z_Ichi_2).f64(h.dEye_Y_Ichi_2);
    out.f64(h.dEye_V_Ichi_3);
  }
  if (v >= 225)
    out.f64(h.dSenNagasaSnpou).f64(h.dBoxSunpouX).f64(h.dBoxSunpouY).f64(h.dEnHankeiSnpou);
  if (v >= 230)
    out.i32(h.nSolidNinniColor).i32(h.SolidColor);
  // 28: SXF colours and line types.
  if (v >= 420) {
    for (int i = 0; i <= 256; ++i)
      out.i32(plan.EntColS.at(i).aPenColor).i32(plan.EntColS.at(i).anPenWidth);
    for (int i = 0; i <= 256; ++i) {
      const TEntJwwColorExNo &c = plan.EntColS.at(i);
      out.cstring(c.astrUDColorName, u);
      out.i32(c.aPrtPenColor).i32(c.anPrtPenWidth).f64(c.adPrtTenHankei);
    }
    for (int i = 0; i <= 32; ++i) {
      const TEntJwwLineTypeExNo &t = plan.EntLtpS.at(i);
      out.i32(t.alLType).i32(t.anTokushuSenUintDot).i32(t.anTokushuSenPich).i32(t.anPrtTokushuSenPich);
    }
    for (int i = 0; i <= 32; ++i) {
      const TEntJwwLineTypeExNo &t = plan.EntLtpS.at(i);
      out.cstring(t.astrUDLTypeName, u);
      out.i32(t.anUDLTypeSegment);
      for (int k = 1; k <= 10; ++k)
        out.f64(t.aadUDLTypePitch[k]);
    }
  }
  // 29-30: text kinds and the current text settings.
  for (int k = 0; k < 10; ++k) {
    const TEntJwwMojiType &m = plan.EntMoj.at(k);
    out.f64(m.adMojiX).f64(m.adMojiY).f64(m.adMojiD).i32(m.anMojiCol);
  }
  out.f64(h.dMojiSizeX).f64(h.dMojiSizeY).f64(h.dMojiKankaku).i32(h.nMojiColor).i32(h.nMojiShu);
  out.f64(h.dMojiSeiriGyouKan).f64(h.dMojiSeiriSuu).i32(h.nMojiKijunZureOn);
  out.f64(h.adMojiKijunZureX0).f64(h.adMojiKijunZureX1).f64(h.adMojiKijunZureX2);
  out.f64(h.adMojiKijunZureY0).f64(h.adMojiKijunZureY1).f64(h.adMojiKijunZureY2);
}

// ---- whole file -------------------------------------------------------------

std::size_t JwwFile::at(const std::string &mark) const {
  auto it = marks.find(mark);
  if (it == marks.end())
    throw std::out_of_range("JwwFile: no mark " + mark);
  return it->second;
}

JwwFile BuildJww(const JwwDrawingSpec &plan) {
  JwwFile file;
  JwwBytes out;
  const std::int32_t v = plan.version;
  AppendHeader(out, plan);
  file.marks["header.end"] = out.size();
  file.marks["entityCount"] = out.size();

  JwwClassMap classes(static_cast<std::uint16_t>(v & 0xFFFF));
  AppendEntityList(out, classes, v, plan.utf16, plan.entities, plan.declaredEntityCount,
                   &file.marks, "entity.");

  file.marks["blockDefCount"] = out.size();
  out.count(plan.declaredBlockDefCount.value_or(static_cast<std::uint32_t>(plan.blockDefs.size())));
  for (std::size_t i = 0; i < plan.blockDefs.size(); ++i) {
    const JwwBlockDefSpec &d = plan.blockDefs[i];
    const std::string name = "blockDef." + std::to_string(i);
    file.marks[name] = out.size();
    classes.classOf(out, "CDataList");
    AppendAttr(out, v, d.att);
    out.le32(d.nNumber).le32(d.bRefferd).le32(d.dtime);
    if (d.dtime >= 0x80000000u)
      out.raw(d.longTime);
    out.cstring(d.strName, plan.utf16);
    file.marks[name + ".members"] = out.size();
    out.count(d.declaredCount.value_or(static_cast<std::uint32_t>(d.members.size())));
    classes.objectDone();  // the definition takes its number before its members
    for (std::size_t m = 0; m < d.members.size(); ++m) {
      file.marks[name + ".member." + std::to_string(m)] = out.size();
      classes.classOf(out, ClassNameOf(KindOf(d.members[m])));
      AppendBody(out, v, plan.utf16, d.members[m]);
      classes.objectDone();
    }
  }

  if (v >= 700 && !plan.endAfterBlockDefs) {
    file.marks["imageCount"] = out.size();
    out.i32(plan.declaredImageCount.value_or(static_cast<std::int32_t>(plan.images.size())));
    for (std::size_t i = 0; i < plan.images.size(); ++i) {
      const JwwImageSpec &img = plan.images[i];
      file.marks["image." + std::to_string(i)] = out.size();
      out.cstring(img.name, plan.utf16);
      const std::int32_t size = img.declaredSize.value_or(static_cast<std::int32_t>(img.content.size()));
      out.i32(size);
      if (!img.name.empty() && size > 0)
        out.raw(img.content);
    }
  }
  file.marks["end"] = out.size();
  file.bytes = out.take();
  return file;
}

// ---- canonical drawing ------------------------------------------------------

namespace {

std::u16string Num(const char16_t *prefix, int i) {
  std::u16string s = prefix;
  for (char c : std::to_string(i))
    s.push_back(static_cast<char16_t>(c));
  return s;
}

}  // namespace

JwwDrawingSpec MakeCanonicalDrawing(std::int32_t v) {
  JwwDrawingSpec s;
  s.version = v;
  s.reserved56.fill(0x20);
  s.reserved4.fill(0x00);
  TEntJwwHeader &h = s.hd;
  h.strMemo = u"図面 memo\r\nline 2";
  h.nZumen = 3;
  h.nWriteGLay = 5;
  s.EntLgrp.resize(16);
  s.EntLay.resize(256);
  for (int g = 0; g < 16; ++g) {
    TEntJwwLayerGroup &G = s.EntLgrp[g];
    G.anGLay = g % 3;
    G.anWriteLay = 15 - g;
    G.adScale = 1.0 + 0.5 * g;
    G.anGLayProtect = g % 2;
    G.aStrGLayName = g == 2 ? u"図面表" : (g % 4 == 3 ? u"" : Num(u"Group ", g));
    for (int l = 0; l < 16; ++l) {
      TEntJwwLayer &L = s.EntLay[g * 16 + l];
      L.aanLay = (g + l) % 3;
      L.aanLayProtect = (g * l) % 2;
      L.aStrLayName = (l % 5 == 4) ? u"" : Num(u"L", g * 16 + l);
    }
  }
  s.EntLay[17].aStrLayName = u"文字種ソ";
  h.lnSunpou1 = 11;
  h.lnSunpou2 = 12;
  h.lnSunpou3 = 13;
  h.lnSunpou4 = 14;
  h.lnSunpou5 = 15;
  h.nMaxDrawWid = v > 420 ? -250 : -101;
  h.DPPrtGenten_x = 10.5;
  h.DPPrtGenten_y = -20.25;
  h.dPrtBairitsu = 2.0;
  h.nPrtSet = 1;
  h.nMemoriMode = 2;
  h.dMemoriHyoujiMin = 3.5;
  h.dMemoriX = 4.5;
  h.dMemoriY = 5.5;
  h.DpMemoriKjTen_x = 6.5;
  h.DpMemoriKjTen_y = 7.5;
  h.dKageLevel = 8.25;
  h.dKageIdo = 9.25;
  h.nKage9_15JiFlg = 1;
  h.dKabeKageLevel = 10.25;
  h.dTenkuuZuLevel = 11.25;
  h.dTenkuuZuEnkoR = 12.25;
  h.nMMTani3D = 4;
  h.dBairitsu = 1.5;
  h.DPGenten_x = 13;
  h.DPGenten_y = 14;
  h.dHanniBairitsu = 2.5;
  h.DPHanniGenten_x = 15;
  h.DPHanniGenten_y = 16;
  for (int i = 1; i <= 8; ++i) {
    h.dZoomJumpBairitsu[i] = 1.0 + i / 4.0;
    h.DPZoomJumpGenten_x[i] = 100 + i;
    h.DPZoomJumpGenten_y[i] = 200 + i;
    h.nZoomJumpGLay[i] = i % 16;
  }
  h.dDm11 = 0.125;
  h.dDm12 = 0.25;
  h.dDm13 = 0.375;
  h.lnDm1 = 77;
  h.dDm21 = 0.5;
  h.dDm22 = 0.625;
  h.dMojiBG = 0.75;
  h.nMojiBG = 3;
  for (int i = 0; i < 10; ++i)
    h.adFukusenSuuchi[i] = 1.25 * (i + 1);
  h.dRyougawaFukusenTomeDe = 2.75;
  s.EntCol.resize(10);
  for (int c = 0; c < 10; ++c) {
    TEntJwwColorNo &C = s.EntCol[c];
    C.aPenColor = 0x010203 * (c + 1);
    C.anPenWidth = 1 + c;
    C.aPrtPenColor = c == 0 ? 0xFFFFFF : 0x102030 + c;
    C.anPrtPenWidth = 10 * c + 1;
    C.adPrtTenHankei = 0.5 + 0.5 * c;
  }
  s.EntLtp1.resize(8);
  for (int i = 0; i < 8; ++i)
    s.EntLtp1[i] = {static_cast<std::int32_t>(0x11111111u * (i + 1)), i + 1, i + 2, i + 3};
  s.EntLtp2.resize(5);
  for (int i = 0; i < 5; ++i)
    s.EntLtp2[i] = {0x0F0F0F0F + i, 20 + i, 30 + i, 40 + i, 50 + i};
  s.EntLtp3.resize(4);
  for (int i = 0; i < 4; ++i)
    s.EntLtp3[i] = {0x01010101 * (i + 3), 60 + i, 70 + i, 80 + i};
  h.nDrawGamenTen = 1;
  h.nDrawPrtTen = 2;
  h.nBitMapFirstDraw = 3;
  h.nGyakuDraw = 4;
  h.nGyakuSearch = 5;
  h.nColorPrint = 6;
  h.nLayJunPrint = 7;
  h.nColJunPrint = 8;
  h.nPrtRenzoku = 9;
  h.nPrtKyoutsuuGray = 10;
  // From 600 the field also carries the dpi; below it the value alone.
  h.nPrtDispOnlyNonDraw = 2;
  h.nPrtDpi = v >= 600 ? 30 : 0;
  h.lnDrawTime = 3600;
  h.nEyeInit = 1;
  h.dEye_H_Ichi_1 = 21;
  h.dEye_H_Ichi_2 = 22;
  h.dEye_H_Ichi_3 = 23;
  h.dEye_Z_Ichi_1 = 5.5;
  h.dEye_Y_Ichi_1 = 6.5;
  h.dEye_Z_Ichi_2 = 7.5;
  h.dEye_Y_Ichi_2 = 8.5;
  h.dEye_V_Ichi_3 = 9.5;
  h.dSenNagasaSnpou = 1.125;
  h.dBoxSunpouX = 2.125;
  h.dBoxSunpouY = 3.125;
  h.dEnHankeiSnpou = 4.125;
  h.nSolidNinniColor = 1;
  h.SolidColor = 0x00FF00;
  s.EntColS.resize(257);
  for (int i = 0; i <= 256; ++i) {
    TEntJwwColorExNo &c = s.EntColS[i];
    c.aPenColor = (i * 0x010101) & 0xFFFFFF;
    c.anPenWidth = i % 5;
    c.astrUDColorName = i == 3 ? u"文字色" : Num(u"SXF colour ", i);
    // Above 16 the writer stores the display colour as the print colour.
    c.aPrtPenColor = i <= 16 ? 0x0A0B0C + i : c.aPenColor;
    c.anPrtPenWidth = i % 7;
    c.adPrtTenHankei = 0.25 * i;
  }
  s.EntLtpS.resize(33);
  for (int i = 0; i <= 32; ++i) {
    TEntJwwLineTypeExNo &t = s.EntLtpS[i];
    t.alLType = 0x0F0F0F0F + i;
    t.anTokushuSenUintDot = i;
    t.anTokushuSenPich = i + 1;
    t.anPrtTokushuSenPich = i + 2;
    t.astrUDLTypeName = Num(u"SXF type ", i);
    // Above 16 the writer replaces other segment counts than 2, 4, 6, 8.
    t.anUDLTypeSegment = i > 16 ? (i % 4 + 1) * 2 : i % 9;
    for (int k = 1; k <= 10; ++k)
      t.aadUDLTypePitch[k] = i + k / 8.0;
  }
  s.EntMoj.resize(10);
  for (int k = 0; k < 10; ++k)
    s.EntMoj[k] = {2.0 + k, 2.5 + k, 0.5 * k, k % 9 + 1};
  h.dMojiSizeX = 3.25;
  h.dMojiSizeY = 3.75;
  h.dMojiKankaku = 0.125;
  h.nMojiColor = 2;
  h.nMojiShu = 4;
  h.dMojiSeiriGyouKan = 1.5;
  h.dMojiSeiriSuu = 2;
  h.nMojiKijunZureOn = 1;
  h.adMojiKijunZureX0 = 0.1;
  h.adMojiKijunZureX1 = 0.2;
  h.adMojiKijunZureX2 = 0.3;
  h.adMojiKijunZureY0 = 0.4;
  h.adMojiKijunZureY1 = 0.5;
  h.adMojiKijunZureY2 = 0.6;
  return s;
}

// ---- breaking one field -----------------------------------------------------

ByteVec TruncateAt(const ByteVec &bytes, std::size_t size) {
  return ByteVec(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
}

ByteVec PatchCount(const ByteVec &bytes, std::size_t offset, std::uint32_t n) {
  const std::uint16_t first = static_cast<std::uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
  const std::size_t oldWidth = first == 0xFFFF ? 6 : 2;
  JwwBytes replacement;
  replacement.count(n);
  ByteVec out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  out.insert(out.end(), replacement.bytes().begin(), replacement.bytes().end());
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset + oldWidth), bytes.end());
  return out;
}

ByteVec PatchU16(const ByteVec &bytes, std::size_t offset, std::uint16_t v) {
  ByteVec out = bytes;
  out.at(offset) = static_cast<std::uint8_t>(v);
  out.at(offset + 1) = static_cast<std::uint8_t>(v >> 8);
  return out;
}

ByteVec PatchU32(const ByteVec &bytes, std::size_t offset, std::uint32_t v) {
  ByteVec out = bytes;
  for (int i = 0; i < 4; ++i)
    out.at(offset + i) = static_cast<std::uint8_t>(v >> (8 * i));
  return out;
}

namespace {

std::size_t ClassNameLengthAt(const ByteVec &bytes, std::size_t offset) {
  if (bytes.at(offset) != 0xFF || bytes.at(offset + 1) != 0xFF)
    throw std::invalid_argument("JwwBuilder: no new-class record at this offset");
  return bytes.at(offset + 4) | (bytes.at(offset + 5) << 8);
}

}  // namespace

ByteVec PatchClassName(const ByteVec &bytes, std::size_t offset, std::string_view name) {
  const std::size_t oldLength = ClassNameLengthAt(bytes, offset);
  ByteVec out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset + 4));
  out.push_back(static_cast<std::uint8_t>(name.size()));
  out.push_back(static_cast<std::uint8_t>(name.size() >> 8));
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset + 6 + oldLength), bytes.end());
  return out;
}

ByteVec PatchClassNameLength(const ByteVec &bytes, std::size_t offset, std::uint16_t length) {
  return PatchClassName(bytes, offset, std::string(length, 'C'));
}

// ---- entity helpers ---------------------------------------------------------

TEntJwwAttr Attr(std::uint8_t style, std::uint16_t colour, std::uint16_t layer, std::uint16_t glayer,
                 std::uint16_t width, std::uint32_t group, std::uint16_t flags) {
  TEntJwwAttr a;
  a.lGroup = group;
  a.nPenStyle = style;
  a.nPenColor = colour;
  a.nPenWidth = width;
  a.nLayer = layer;
  a.nGLayer = glayer;
  a.sFlg = flags;
  return a;
}

TEntJwwLine Line(double x1, double y1, double x2, double y2, TEntJwwAttr a) {
  TEntJwwLine e;
  e.att = a;
  e.start_x = x1;
  e.start_y = y1;
  e.end_x = x2;
  e.end_y = y2;
  return e;
}

TEntJwwMoji Text(std::u16string str, std::uint32_t kind, TEntJwwAttr a) {
  TEntJwwMoji e;
  e.att = a;
  e.start_x = 1.5;
  e.start_y = 2.5;
  e.end_x = 11.5;
  e.end_y = 2.5;
  e.nMojiShu = kind;
  e.dSizeX = 2.5;
  e.dSizeY = 3.0;
  e.dKankaku = 0.25;
  e.degKakudo = 30.0;
  e.strFontName = u"MS Gothic";
  e.str = std::move(str);
  return e;
}

TEntJwwTen Point(double x, double y, TEntJwwAttr a) {
  TEntJwwTen e;
  e.att = a;
  e.start_x = x;
  e.start_y = y;
  return e;
}

TEntJwwBlock BlockRef(std::uint32_t number, double x, double y) {
  TEntJwwBlock e;
  e.att = Attr(1, 1);
  e.DPKijunTen_x = x;
  e.DPKijunTen_y = y;
  e.dBairitsuX = 1.0;
  e.dBairitsuY = 1.0;
  e.radKaitenKaku = 0.0;
  e.nNumber = number;
  return e;
}

TEntJwwSunpo Dimension(double seed, std::uint16_t sxfMode, TEntJwwAttr a) {
  TEntJwwSunpo d;
  d.att = a;
  d.Sen = Line(seed, seed + 1, seed + 2, seed + 3, Attr(1, 2, 1, 1));
  d.Moji = Text(u"1000", 3, Attr(1, 3, 1, 1));
  d.Moji.start_x = seed + 4;
  d.bSxfMode = sxfMode;
  d.Ho1 = Line(seed + 5, seed + 6, seed + 7, seed + 8, Attr(2, 4, 1, 1));
  d.Ho2 = Line(seed + 9, seed + 10, seed + 11, seed + 12, Attr(3, 5, 1, 1));
  d.Te1 = Point(seed + 13, seed + 14, Attr(1, 6, 1, 1));
  d.Te2 = Point(seed + 15, seed + 16, Attr(100, 7, 1, 1));
  d.Te2.nCode = 7;
  d.Te2.radKaitenKaku = 0.5;
  d.Te2.dBairitsu = 2.0;
  d.Kt1 = Point(seed + 17, seed + 18, Attr(1, 8, 1, 1));
  d.Kt2 = Point(seed + 19, seed + 20, Attr(1, 9, 1, 1));
  d.Kt2.bKariten = 1;
  return d;
}

}  // namespace velkaro::testing

namespace velkaro::testing {

ByteVec ImageBytes(std::size_t n, std::uint8_t seed) {
  ByteVec b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
  return b;
}

JwwDrawingSpec MakeRichDrawing(std::int32_t v, bool utf16) {
  JwwDrawingSpec s = MakeCanonicalDrawing(v);
  s.utf16 = utf16;
  const bool sxf = v >= 420;
  const std::uint16_t width = v >= 351 ? 5 : 0;

  TEntJwwLine l1 = Line(1.5, -2.25, 3e5, 4.0e-3,
                        Attr(sxf ? 35 : 2, sxf ? 105 : 3, 3, 4, width, 9, 0x10));
  TEntJwwLine l2 = Line(-7, 8, 9, -10, Attr(11, 9, 15, 15, width));
  TEntJwwEnko arc;
  arc.att = Attr(3, 4, 1, 2, width, 1);
  arc.start_x = 50;
  arc.start_y = 60;
  arc.dHankei = 12.5;
  arc.radKaishiKaku = 0.25;
  arc.radEnkoKaku = 3.0;
  arc.radKatamukiKaku = -0.5;
  arc.dHenpeiRitsu = 0.75;
  arc.bZenEnFlg = 1;
  TEntJwwTen p1 = Point(5, 6, Attr(1, 2));
  p1.bKariten = 1;
  TEntJwwTen p2 = Point(7, 8, Attr(100, 5, 2, 3, width));
  p2.nCode = 12;
  p2.radKaitenKaku = 1.25;
  p2.dBairitsu = 3.5;
  TEntJwwMoji t1 = Text(u"Hello", 1);
  TEntJwwMoji t2 = Text(u"日本語文字種ソ表", 20003, Attr(2, 6, 5, 6, width));
  t2.att.sFlg = 0x20;
  TEntJwwMoji t3 = Text(std::u16string(300, u'x'), 10);
  s.entities = {l1, l2, arc, p1, p2, t1, t2, t3};
  if (utf16)
    s.entities.push_back(Text(u"UTF-16 \u2713 \U0001F600", 4));
  if (v >= 700)
    s.entities.push_back(Text(u"^@BM%temp%a.bmp,100,200,0,0,1,0", 5));
  s.entities.push_back(Dimension(100, sxf ? 1 : 0, Attr(1, sxf ? 101 : 2, 1, 1, width)));
  s.entities.push_back(Dimension(200, 0));
  TEntJwwSolid s1;
  s1.att = Attr(1, 10, 2, 2, width);
  s1.start_x = 1;
  s1.start_y = 2;
  s1.end_x = 3;
  s1.end_y = 4;
  s1.DPoint2_x = 5;
  s1.DPoint2_y = 6;
  s1.DPoint3_x = 7;
  s1.DPoint3_y = 8;
  s1.Color = 0x123456;
  TEntJwwSolid s2 = s1;
  s2.att.nPenColor = 3;
  s2.Color = 0;
  s.entities.push_back(s1);
  s.entities.push_back(s2);
  TEntJwwBlock b0 = BlockRef(0, 10, 20);
  b0.dBairitsuX = 2;
  b0.dBairitsuY = 3;
  b0.radKaitenKaku = 0.5;
  s.entities.push_back(b0);
  s.entities.push_back(BlockRef(2, -5, -6));

  JwwBlockDefSpec d0;
  d0.att = Attr(0, 0, 1, 2, width);
  d0.nNumber = 0;
  d0.bRefferd = 1;
  d0.dtime = 12345;
  d0.strName = u"ブロック一";
  d0.members = {Line(0, 0, 1, 1), Text(u"文字", 2), Dimension(300, sxf ? 1 : 0), BlockRef(1, 1, 0)};
  if (v >= 700)
    d0.members.push_back(Text(u"^@BM%temp%b.jpg.gz,1,1", 3));
  JwwBlockDefSpec d1;
  d1.att = Attr(1, 1);
  d1.nNumber = 1;
  d1.dtime = 0x7FFFFFFF;
  d1.strName = u"inner";
  d1.members = {Text(u"nested text", 7), s1};
  JwwBlockDefSpec d2;
  d2.nNumber = 2;
  d2.dtime = 1;
  d2.strName = std::u16string(260, u'n');
  d2.members = {p2};
  s.blockDefs = {d0, d1, d2};
  if (v >= 700)
    s.images = {{u"a.bmp", ImageBytes(5000, 1), {}}, {u"b.jpg.gz", ImageBytes(300, 0x1F), {}}};
  return s;
}

}  // namespace velkaro::testing
