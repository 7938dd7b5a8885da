// velkaro-make-examples: writes the example drawings of examples/drawings/
// with the project's own JWW and JWC writers (the JWS and JWK figures, which
// the project only lists, get their header bytes laid out here directly).
//
//   velkaro-make-examples OUTDIR
//
// Every drawing holds texts of several kinds (top level, in dimensions and in
// a block definition), so that a map such as 2,1,3,...,10 visibly moves them.
// The output is the same on every run.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/ConversionBatch.h"
#include "convert/WorkFolder.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/ByteWriter.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"

using namespace velkaro;

namespace {

// ---- JWW ------------------------------------------------------------------

TEntJwwAttr Att(std::uint8_t style, std::uint16_t colour, std::uint16_t layer = 0,
                std::uint16_t group = 0) {
  TEntJwwAttr a;
  a.nPenStyle = style;
  a.nPenColor = colour;
  a.nLayer = layer;
  a.nGLayer = group;
  return a;
}

TEntJwwLine Line(double x1, double y1, double x2, double y2, std::uint16_t colour = 1) {
  TEntJwwLine l;
  l.att = Att(1, colour);
  l.start_x = x1;
  l.start_y = y1;
  l.end_x = x2;
  l.end_y = y2;
  return l;
}

// A text of `kind` (nMojiShu), sized as its kind in the table says.
TEntJwwMoji Text(double x, double y, const std::u16string &str, std::uint32_t kind,
                 const std::vector<TEntJwwMojiType> &table) {
  TEntJwwMoji t;
  t.att = Att(1, 1, 1);
  const std::uint32_t k = kind % 10000;
  const TEntJwwMojiType size = (k >= 1 && k <= 10) ? table[k - 1] : TEntJwwMojiType{3.5, 3.5, 0.5, 2};
  t.dSizeX = size.adMojiX;
  t.dSizeY = size.adMojiY;
  t.dKankaku = size.adMojiD;
  t.start_x = x;
  t.start_y = y;
  t.end_x = x + (size.adMojiX + size.adMojiD) * static_cast<double>(str.size());
  t.end_y = y;
  t.nMojiShu = kind;
  t.strFontName = u"ＭＳ ゴシック";
  t.str = str;
  return t;
}

TEntJwwTen Point(double x, double y) {
  TEntJwwTen p;
  p.att = Att(1, 1);
  p.start_x = x;
  p.start_y = y;
  return p;
}

// A horizontal dimension from x1 to x2 at height y, its text of `kind`.
TEntJwwSunpo Dimension(double x1, double x2, double y, std::uint32_t kind, bool sxf,
                       const std::vector<TEntJwwMojiType> &table) {
  TEntJwwSunpo d;
  d.att = Att(1, 2, 2);
  d.Sen = Line(x1, y, x2, y, 2);
  const std::u16string value = IntToString(static_cast<std::int64_t>(std::lround(x2 - x1)));
  d.Moji = Text((x1 + x2) / 2 - 4, y + 1, value, kind, table);
  d.Moji.att = Att(1, 2, 2);
  d.bSxfMode = sxf ? 1 : 0;
  d.Ho1 = Line(x1, y - 5, x1, y, 2);
  d.Ho2 = Line(x2, y - 5, x2, y, 2);
  for (TEntJwwTen *p : {&d.Te1, &d.Te2, &d.Kt1, &d.Kt2}) {
    p->att = Att(1, 2, 2);
    p->bKariten = 1;
  }
  d.Te1.start_x = d.Kt1.start_x = x1;
  d.Te2.start_x = d.Kt2.start_x = x2;
  d.Te1.start_y = d.Te2.start_y = d.Kt1.start_y = d.Kt2.start_y = y;
  return d;
}

std::vector<TEntJwwMojiType> JwwTextKinds() {
  std::vector<TEntJwwMojiType> t;
  const double sizes[10] = {2, 2.5, 3, 4, 5, 6, 7, 8, 9, 10};
  for (int k = 0; k < 10; ++k)
    t.push_back({sizes[k], sizes[k], k < 2 ? 0.0 : (k < 7 ? 0.5 : 1.0), 1 + k / 2});
  return t;
}

// The plan is drawn at 1:50 on an A4 sheet.
constexpr double kPlanScale = 50.0;
constexpr std::int32_t kPaperA4 = 4;

// The settings tables at their lengths, with plain values.
void SetUpTables(TJwwData &jw) {
  jw.Enthd.nZumen = kPaperA4;
  jw.EntLgrp.resize(16);
  jw.EntLay.resize(256);
  for (int g = 0; g < 16; ++g) {
    jw.EntLgrp[g].anGLay = 2;
    jw.EntLgrp[g].adScale = kPlanScale;
    for (int l = 0; l < 16; ++l)
      jw.EntLay[g * 16 + l].aanLay = 2;
  }
  jw.EntLgrp[0].aStrGLayName = u"平面";
  jw.EntLay[0].aStrLayName = u"外形";
  jw.EntLay[1].aStrLayName = u"文字";
  jw.EntLay[2].aStrLayName = u"寸法";
  jw.EntCol.resize(10);
  const std::int32_t colours[10] = {0xFFFFFF, 0x000000, 0x0000FF, 0x00FF00, 0xFF0000,
                                    0xFF00FF, 0x00FFFF, 0xFFFF00, 0x808080, 0x404040};
  for (int c = 0; c < 10; ++c)
    jw.EntCol[c] = {colours[c], 1, c == 0 ? 0xFFFFFF : 0, 1 + c * 5, 0.3};
  jw.EntLtp1.resize(8);
  jw.EntLtp2.resize(5);
  jw.EntLtp3.resize(4);
  jw.EntColS.resize(257);
  jw.EntLtpS.resize(33);
  jw.EntMoj = JwwTextKinds();
  jw.Enthd.dMojiSizeX = jw.Enthd.dMojiSizeY = 3;
  jw.Enthd.dMojiKankaku = 0.5;
  jw.Enthd.nMojiColor = 2;
  jw.Enthd.nMojiShu = 3;
  jw.Enthd.nMaxDrawWid = 1;
}

template <typename T>
void Add(TJwwData &jw, std::vector<T> &array, std::int32_t &count, std::int32_t kind, T e) {
  array.push_back(std::move(e));
  jw.EntNo.push_back({kind, count});
  ++count;
}

template <typename T>
void AddMember(TEntJwwBlockDef &def, std::vector<T> &array, std::int32_t &count,
               std::int32_t kind, T e) {
  array.push_back(std::move(e));
  def.mNo.push_back({kind, count});
  ++count;
  def.N = static_cast<std::int32_t>(def.mNo.size());
}

struct JwwExample {
  const char *file;
  std::int32_t version;
  bool utf16;
  bool image;
  std::u16string memo;
};

// A small floor plan: a frame, a circle, a filled area, room names and notes
// of several kinds, two dimensions, and a window block placed twice.
void FillPlan(TJwwData &jw, const JwwExample &ex) {
  const auto &table = jw.EntMoj;
  const bool sxf = ex.version >= 420;
  Add(jw, jw.EntLine, jw.EntLineN, kJwwLine, Line(0, 0, 120, 0));
  Add(jw, jw.EntLine, jw.EntLineN, kJwwLine, Line(120, 0, 120, 80));
  Add(jw, jw.EntLine, jw.EntLineN, kJwwLine, Line(120, 80, 0, 80));
  Add(jw, jw.EntLine, jw.EntLineN, kJwwLine, Line(0, 80, 0, 0));
  Add(jw, jw.EntLine, jw.EntLineN, kJwwLine, Line(70, 0, 70, 80, 3));
  TEntJwwEnko table1;
  table1.att = Att(1, 4);
  table1.start_x = 35;
  table1.start_y = 40;
  table1.dHankei = 8;
  table1.radEnkoKaku = 2 * 3.141592653589793;
  table1.dHenpeiRitsu = 1;
  table1.bZenEnFlg = 1;
  Add(jw, jw.EntEnko, jw.EntEnkoN, kJwwEnko, table1);
  Add(jw, jw.EntTen, jw.EntTenN, kJwwTen, Point(60, 70));
  TEntJwwSolid floor;
  floor.att = Att(1, 10);
  floor.start_x = 72;
  floor.start_y = 2;
  floor.end_x = 118;
  floor.end_y = 2;
  floor.DPoint2_x = 118;
  floor.DPoint2_y = 30;
  floor.DPoint3_x = 72;
  floor.DPoint3_y = 30;
  floor.Color = 0xE0E0FF;
  Add(jw, jw.EntSolid, jw.EntSolidN, kJwwSolid, floor);

  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(5, 85, u"平面図 1:50", 5, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(20, 60, u"居間", 3, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(85, 60, u"台所", 3, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(85, 20, u"浴室", 2, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(5, -15, u"注記：寸法はmm", 1, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(5, -22, u"自由な大きさの文字", 0, table));
  Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(80, 85, u"太字", 20004, table));
  if (ex.utf16)
    Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji, Text(5, -29, u"UTF-16: ✓ Ä 한국어", 2, table));
  if (ex.image)
    Add(jw, jw.EntMoji, jw.EntMojiN, kJwwMoji,
        Text(90, 40, u"^@BM%temp%sample.bmp,20,20,0,0,1,0", 1, table));

  Add(jw, jw.EntSunpo, jw.EntSunpoN, kJwwSunpo, Dimension(0, 70, -6, 2, sxf, table));
  Add(jw, jw.EntSunpo, jw.EntSunpoN, kJwwSunpo, Dimension(70, 120, -6, 1, sxf, table));

  TEntJwwBlockDef window;
  window.att = Att(1, 1);
  window.nNumber = 1;
  window.dtime = 1;
  window.strName = u"窓";
  AddMember(window, window.mLine, window.mLineN, kJwwLine, Line(0, 0, 20, 0));
  AddMember(window, window.mLine, window.mLineN, kJwwLine, Line(0, 2, 20, 2));
  AddMember(window, window.mMoji, window.mMojiN, kJwwMoji, Text(2, 4, u"W1", 1, table));
  AddMember(window, window.mMoji, window.mMojiN, kJwwMoji, Text(2, 9, u"窓", 2, table));
  AddMember(window, window.mSunpo, window.mSunpoN, kJwwSunpo, Dimension(0, 20, -3, 4, sxf, table));
  jw.EntBlockDef.push_back(window);
  jw.EntBlockDefN = 1;
  for (const double x : {20.0, 90.0}) {
    TEntJwwBlock ref;
    ref.att = Att(1, 1);
    ref.DPKijunTen_x = x;
    ref.DPKijunTen_y = 80;
    ref.dBairitsuX = ref.dBairitsuY = 1;
    ref.nNumber = 1;
    Add(jw, jw.EntBlock, jw.EntBlockN, kJwwBlock, ref);
  }
  jw.Enthd.n1 = static_cast<std::int32_t>(jw.EntNo.size());
  jw.Enthd.n2 = jw.EntBlockDefN;
}

// ---- from paper to drawing millimetres ------------------------------------

// The plan is laid out in paper millimetres from its corner; a JWW drawing
// stores drawing millimetres, which its layer group's scale (1:50 here)
// brings to paper, with the origin at the middle of the sheet.
struct ToDrawing {
  double scale = 1, dx = 0, dy = 0;  // dx, dy: paper millimetres

  void Point(double &x, double &y) const {
    x = (x + dx) * scale;
    y = (y + dy) * scale;
  }
  void operator()(TEntJwwLine &l) const {
    Point(l.start_x, l.start_y);
    Point(l.end_x, l.end_y);
  }
  void operator()(TEntJwwEnko &e) const {
    Point(e.start_x, e.start_y);
    e.dHankei *= scale;
  }
  void operator()(TEntJwwTen &t) const { Point(t.start_x, t.start_y); }
  // Text sizes are paper millimetres and stay as they are.
  void operator()(TEntJwwMoji &m) const {
    Point(m.start_x, m.start_y);
    Point(m.end_x, m.end_y);
  }
  void operator()(TEntJwwSunpo &s) const {
    (*this)(s.Sen);
    (*this)(s.Moji);
    (*this)(s.Ho1);
    (*this)(s.Ho2);
    for (TEntJwwTen *t : {&s.Te1, &s.Te2, &s.Kt1, &s.Kt2})
      (*this)(*t);
  }
  void operator()(TEntJwwSolid &s) const {
    Point(s.start_x, s.start_y);
    Point(s.end_x, s.end_y);
    Point(s.DPoint2_x, s.DPoint2_y);
    Point(s.DPoint3_x, s.DPoint3_y);
  }
  void operator()(TEntJwwBlock &b) const { Point(b.DPKijunTen_x, b.DPKijunTen_y); }

  template <typename T>
  void All(std::vector<T> &entities) const {
    for (T &e : entities)
      (*this)(e);
  }
};

// The plan (about 120 x 115 mm from (0, -25)) centred on the sheet; block
// members keep their own origin.
void PlanToDrawing(TJwwData &jw, double scale) {
  const ToDrawing plan{scale, -60, -32};
  plan.All(jw.EntLine);
  plan.All(jw.EntEnko);
  plan.All(jw.EntTen);
  plan.All(jw.EntMoji);
  plan.All(jw.EntSunpo);
  plan.All(jw.EntSolid);
  plan.All(jw.EntBlock);
  const ToDrawing member{scale};
  for (TEntJwwBlockDef &d : jw.EntBlockDef) {
    member.All(d.mLine);
    member.All(d.mMoji);
    member.All(d.mSunpo);
  }
}

// A 2 x 2 pixel, 24-bit Windows bitmap.
std::vector<std::uint8_t> SampleBitmap() {
  ByteWriter b;
  b.writeU8('B');
  b.writeU8('M');
  b.writeU32(70);
  b.writeU32(0);
  b.writeU32(54);
  b.writeU32(40);
  b.writeI32(2);
  b.writeI32(2);
  b.writeU16(1);
  b.writeU16(24);
  b.writeU32(0);
  b.writeU32(16);
  b.writeI32(2835);
  b.writeI32(2835);
  b.writeU32(0);
  b.writeU32(0);
  const std::uint8_t rows[2][8] = {{0, 0, 255, 0, 255, 0, 0, 0}, {255, 0, 0, 255, 255, 255, 0, 0}};
  for (const auto &row : rows)
    b.writeBytes(row);
  return b.take();
}

bool WriteJww(const std::u16string &folder, const JwwExample &ex, const WorkFolder &work) {
  TJwwData jw;
  jw.DataInit();
  UseWorkFolder(jw, work.path());
  jw.Enthd.jwID = u"JwwData.";
  jw.Enthd.jwVer = ex.version;
  jw.Enthd.strMemo = ex.memo;
  SetUpTables(jw);
  FillPlan(jw, ex);
  PlanToDrawing(jw, kPlanScale);
  if (ex.image) {
    const std::vector<std::uint8_t> bmp = SampleBitmap();
    if (!WriteFileAtomically(work.path() + u"sample.bmp", bmp))
      return false;
    jw.BindImage.push_back({u"sample.bmp", static_cast<std::int32_t>(bmp.size()), false});
    jw.BindImageN = 1;
  }
  jw.MakeBlockTree();
  jw.SetFileOutOption(ex.utf16 ? kFileOutUtf16 : 0);
  const bool ok = jw.FileOut(JoinPath(folder, FromUtf8(ex.file)), ex.version);
  if (!ok)
    std::fprintf(stderr, "velkaro-make-examples: %s: %s\n", ex.file, jw.LastError().c_str());
  JwwDataFree(jw);
  return ok;
}

// ---- JWC ------------------------------------------------------------------

bool WriteJwc(const std::u16string &folder) {
  TJwcData jw;
  jw.DataInit();
  TEntJwcHeader &h = jw.Enthd;
  // The 23rd character "f" says that group scales are stored as singles.
  h.jwID = u"jw_cad(c)data.......v3f";
  h.comment1 = u"JWC sample";
  h.comment2 = u"文字種 1-5";
  h.scaleF = true;
  h.psize = 3;  // A3: 420 mm over 518 drawing units
  h.drawWidth = 518;
  h.dataUnit = 420.0f / 518.0f;
  jw.EntVten.resize(101);
  jw.EntMjtp.resize(12);
  for (int k = 1; k <= 10; ++k) {
    const TJwcDefaultMojiType &d = JwcDefaultMojiTypes[k];
    jw.EntMjtp[k] = {static_cast<std::uint16_t>(d.penNo),
                     static_cast<std::uint16_t>(std::lround(d.width * 10)),
                     static_cast<std::uint16_t>(std::lround(d.height * 10)),
                     static_cast<std::uint16_t>(std::lround(d.dist * 10))};
  }
  jw.EntLgrp.resize(16);
  jw.EntLay.resize(256);
  for (int g = 0; g < 16; ++g) {
    jw.EntLgrp[g].scale = 50;
    jw.EntLgrp[g].dispF = 1;
    jw.EntLgrp[g].w_lay = static_cast<std::uint8_t>(g * 16);
  }
  for (auto &layer : jw.EntLay)
    layer.dispF = 1;
  jw.EntLgrp[0].name = u"PLAN";
  jw.EntLay[0].name = u"WALL";
  const auto line = [](float x1, float y1, float x2, float y2) {
    TEntJwcLine l;
    l.x1 = x1;
    l.y1 = y1;
    l.x2 = x2;
    l.y2 = y2;
    l.typ = 1;
    l.col = 1;
    return l;
  };
  jw.EntLine = {line(0, 0, 100, 0), line(100, 0, 100, 60), line(100, 60, 0, 60), line(0, 60, 0, 0)};
  TEntJwcArc2 arc;
  arc.x = 50;
  arc.y = 30;
  arc.r = 10;
  arc.h = 1;
  arc.et = 360;
  arc.typ = 1;
  arc.col = 2;
  jw.EntArc = {arc};
  const auto text = [](float x, float y, std::uint8_t no, const std::u16string &s) {
    TEntJwcMoji2 t;
    t.x1 = x;
    t.y1 = y;
    t.x2 = x + 3.0f * static_cast<float>(s.size());
    t.y2 = y;
    t.no = no;
    t.s = s;
    return t;
  };
  jw.EntMoji = {text(5, 65, 5, u"平面図"), text(10, 40, 3, u"事務室"), text(60, 40, 2, u"倉庫"),
                text(5, -8, 1, u"注記"), text(5, -14, 4, u"JWC")};
  TEntJwcTen p;
  p.x = 50;
  p.y = 30;
  p.col = 1;
  jw.EntTen = {p};
  jw.lineN = h.lineCount = static_cast<std::int32_t>(jw.EntLine.size());
  jw.arcN = h.arcCount = static_cast<std::int32_t>(jw.EntArc.size());
  jw.mojiN = h.mojiCount = static_cast<std::int32_t>(jw.EntMoji.size());
  jw.tenN = h.tenCount = static_cast<std::int32_t>(jw.EntTen.size());
  const bool ok = jw.FileOut(JoinPath(folder, u"office.jwc"));
  if (!ok)
    std::fprintf(stderr, "velkaro-make-examples: office.jwc: %s\n", jw.LastError().c_str());
  return ok;
}

// ---- JWS and JWK headers -------------------------------------------------

void Fixed(ByteWriter &b, const std::u16string &text, std::size_t n, std::uint8_t pad = 0) {
  std::vector<std::uint8_t> buf(n);
  StringToFixedBytes(text, n, buf);
  for (auto &c : buf)
    if (c == 0)
      c = pad;
  b.writeBytes(buf);
}

// One 200-byte value block: values, a zero byte, spaces, a line feed.
void ValueBlock(ByteWriter &b, const std::u16string &values) {
  std::vector<std::uint8_t> text = StringToLegacyBytes(values);
  text.push_back(0);
  text.resize(199, ' ');
  b.writeBytes(text);
  b.writeU8('\n');
}

bool WriteJws(const std::u16string &folder) {
  ByteWriter b;
  Fixed(b, u"JwsData", 7);
  b.fill(0, 193);
  b.writeI32(600);
  b.writeF64(10.0);  // base point
  b.writeF64(5.0);
  for (int g = 0; g < 16; ++g)
    b.writeF64(1.0);  // group scales
  for (int i = 0; i < 6; ++i)
    b.writeI32(0);
  for (int i = 0; i < 6; ++i)
    b.writeF64(0);
  for (const double v : {0.0, 0.0, 20.0, 10.0})
    b.writeF64(v);  // the figure's extent
  return WriteFileAtomically(JoinPath(folder, u"door.jws"), b.bytes());
}

bool WriteJwk(const std::u16string &folder) {
  ByteWriter b;
  Fixed(b, u"jw_cad(c)sym........", 40);
  Fixed(b, u"JWK figure", 32);
  Fixed(b, u"片開き戸", 32);
  Fixed(b, std::u16string(95, u' ') + u"\n", 96);
  ValueBlock(b, u"3,1,0,1,0,0,1,0,1");
  return WriteFileAtomically(JoinPath(folder, u"door.jwk"), b.bytes());
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velkaro-make-examples OUTDIR\n");
    return 2;
  }
  const std::u16string folder = FromFsPath(std::filesystem::path(argv[1]));
  if (!IsFolder(folder)) {
    std::fprintf(stderr, "velkaro-make-examples: %s is not a folder\n", argv[1]);
    return 2;
  }
  InitDocumentLibraryDefaults();
  std::optional<WorkFolder> work = WorkFolder::Create();
  if (!work) {
    std::fprintf(stderr, "velkaro-make-examples: cannot create a work folder\n");
    return 1;
  }
  const JwwExample examples[] = {
      {"plan230.jww", 230, false, false, u"JWW 230 の見本\r\n文字種 0-5, 寸法, ブロック"},
      {"plan420.jww", 420, false, false, u"JWW 420 の見本 (SXF 寸法)\r\n文字種 0-5"},
      {"plan600.jww", 600, false, false, u"JWW 600 の見本\r\n文字種 0-5, 太字 20004"},
      {"plan600-utf16.jww", 600, true, false, u"UTF-16 の文字列を含む見本 ✓"},
      {"plan700-image.jww", 700, false, true, u"JWW 700 の見本\r\n画像 1 枚 (sample.bmp)"},
  };
  bool ok = true;
  for (const JwwExample &ex : examples)
    ok = WriteJww(folder, ex, *work) && ok;
  ok = WriteJwc(folder) && ok;
  ok = WriteJws(folder) && ok;
  ok = WriteJwk(folder) && ok;
  return ok ? 0 : 1;
}
