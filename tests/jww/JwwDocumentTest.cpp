// The JWW document as a whole: lifecycle, file-out options, the block tree
// and the renumbering of definitions built in memory, and the document-level
// behaviour of FileIn/FileOut that guards against hostile or broken files
// (counts, class names, image names, strings without an encoding, threads).
// Byte-exact layouts against an independent builder live in the file-level
// tests; the few bytes laid out here are hand-written after the layout.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "builders/TempDir.h"
#include "jww/JwwUnit.h"
#include "support/ByteWriter.h"
#include "support/Func_2.h"

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::TempDir;

// ---- In-memory drawings -----------------------------------------------------

template <typename T>
void Add(TJwwData &doc, std::vector<T> &array, std::int32_t &count, std::int32_t kind, T e) {
  array.push_back(std::move(e));
  count = static_cast<std::int32_t>(array.size());
  doc.EntNo.push_back({kind, count - 1});
  doc.Enthd.n1 = static_cast<std::int32_t>(doc.EntNo.size());
}

TEntJwwAttr PenAttr(std::uint8_t style = 1, std::uint16_t color = 1) {
  TEntJwwAttr a;
  a.nPenStyle = style;
  a.nPenColor = color;
  return a;
}

void AddLine(TJwwData &doc, double x1, double y1, double x2, double y2, std::uint8_t style = 1,
             std::uint16_t color = 1) {
  TEntJwwLine e;
  e.att = PenAttr(style, color);
  e.start_x = x1;
  e.start_y = y1;
  e.end_x = x2;
  e.end_y = y2;
  Add(doc, doc.EntLine, doc.EntLineN, kJwwLine, e);
}

void AddMoji(TJwwData &doc, const std::u16string &text, std::uint32_t kind = 1) {
  TEntJwwMoji e;
  e.att = PenAttr();
  e.nMojiShu = kind;
  e.dSizeX = e.dSizeY = 2.5;
  e.strFontName = u"ＭＳ ゴシック";
  e.str = text;
  Add(doc, doc.EntMoji, doc.EntMojiN, kJwwMoji, e);
}

TEntJwwBlock BlockRef(std::uint32_t number, double x = 0, double y = 0, double sx = 1,
                      double sy = 1, double rot = 0) {
  TEntJwwBlock b;
  b.att = PenAttr();
  b.nNumber = number;
  b.DPKijunTen_x = x;
  b.DPKijunTen_y = y;
  b.dBairitsuX = sx;
  b.dBairitsuY = sy;
  b.radKaitenKaku = rot;
  return b;
}

void AddBlockRef(TJwwData &doc, std::uint32_t number, double x = 0, double y = 0, double sx = 1,
                 double sy = 1, double rot = 0) {
  Add(doc, doc.EntBlock, doc.EntBlockN, kJwwBlock, BlockRef(number, x, y, sx, sy, rot));
}

TEntJwwBlockDef &AddDefinition(TJwwData &doc, std::uint32_t number,
                               const std::u16string &name = u"") {
  TEntJwwBlockDef def;
  def.nNumber = number;
  def.strName = name.empty() ? u"B" + IntToString(number) : name;
  def.dtime = 1;
  doc.EntBlockDef.push_back(std::move(def));
  doc.EntBlockDefN = static_cast<std::int32_t>(doc.EntBlockDef.size());
  doc.Enthd.n2 = doc.EntBlockDefN;
  return doc.EntBlockDef.back();
}

void AddMemberRef(TEntJwwBlockDef &def, std::uint32_t number, double x = 0, double y = 0) {
  def.mBlock.push_back(BlockRef(number, x, y));
  def.mBlockN = static_cast<std::int32_t>(def.mBlock.size());
  def.mNo.push_back({kJwwBlock, def.mBlockN - 1});
  def.N = static_cast<std::int32_t>(def.mNo.size());
}

void AddMemberLine(TEntJwwBlockDef &def, double x) {
  TEntJwwLine line;
  line.att = PenAttr();
  line.end_x = x;
  def.mLine.push_back(line);
  def.mLineN = static_cast<std::int32_t>(def.mLine.size());
  def.mNo.push_back({kJwwLine, def.mLineN - 1});
  def.N = static_cast<std::int32_t>(def.mNo.size());
}

void AddMemberMoji(TEntJwwBlockDef &def, const std::u16string &text) {
  TEntJwwMoji moji;
  moji.att = PenAttr();
  moji.nMojiShu = 3;
  moji.dSizeX = moji.dSizeY = 2.0;
  moji.str = text;
  def.mMoji.push_back(moji);
  def.mMojiN = static_cast<std::int32_t>(def.mMoji.size());
  def.mNo.push_back({kJwwMoji, def.mMojiN - 1});
  def.N = static_cast<std::int32_t>(def.mNo.size());
}

// A drawing with the header in the writer's canonical form: an empty
// drawing written and read back.
void StartDrawing(TJwwData &doc, const TempDir &dir, std::int32_t ver) {
  TJwwData blank;
  blank.Enthd.jwVer = ver;
  ASSERT_TRUE(blank.FileOut(dir.file("blank.jww"), ver)) << blank.LastError();
  ASSERT_TRUE(doc.FileIn(dir.file("blank.jww"))) << doc.LastError();
}

// The header block alone, as the writer lays it out for `ver`.
Bytes HeaderBytes(const TempDir &dir, std::int32_t ver) {
  TJwwData blank;
  blank.Enthd.jwVer = ver;
  EXPECT_TRUE(blank.FileOut(dir.file("header.jww"), ver));
  Bytes bytes = dir.read("header.jww");
  bytes.resize(bytes.size() - (ver >= 700 ? 8 : 4));  // the two empty counts, the image count
  return bytes;
}

void Put16(Bytes &b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutName(Bytes &b, const std::string &name) {
  Put16(b, 0xFFFF);
  Put16(b, 600);
  Put16(b, static_cast<std::uint16_t>(name.size()));
  b.insert(b.end(), name.begin(), name.end());
}
// A point body of a version-600 file with pen style 1 (35 bytes).
void PutPointBody(Bytes &b, std::uint8_t marker) {
  Put32(b, marker);  // lGroup
  b.push_back(1);    // nPenStyle
  Put16(b, 1);       // nPenColor
  Put16(b, 0);       // nPenWidth
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, 0);
  b.insert(b.end(), 16, 0);  // start_x, start_y
  Put32(b, 0);               // bKariten
}

// ---- Lifecycle ----------------------------------------------------------------

TEST(Lifecycle, NewDocumentHasEmptyTablesAndHeaderDefaults) {
  TJwwData doc;
  EXPECT_TRUE(doc.EntMoj.empty());
  EXPECT_TRUE(doc.EntLay.empty());
  EXPECT_TRUE(doc.EntNo.empty());
  EXPECT_EQ(doc.EntBlockNum, 0);
  EXPECT_EQ(doc.Enthd.dPrtBairitsu, 1.0);
  EXPECT_EQ(doc.Enthd.dBairitsu, 1.0);
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(doc.Enthd.dZoomJumpBairitsu[i], 1.0);
    EXPECT_EQ(doc.Enthd.nZoomJumpGLay[i], -1);
  }
}

TEST(Lifecycle, DataInitKeepsImageSettingsAndResetsTheRest) {
  TJwwData doc;
  doc.BindImageFolder = u"/work/images/";
  doc.BindImageExp = true;
  doc.BindImageExr = true;
  doc.MojiEncode = true;
  doc.FileOutOpt = 0x20;
  doc.EntBlockNum = 4;
  doc.BindImage.push_back({u"a.bmp", 3, true});
  doc.BindImageN = 1;
  AddLine(doc, 0, 0, 1, 1);
  doc.DataInit();
  EXPECT_EQ(doc.BindImageFolder, u"/work/images/");
  EXPECT_TRUE(doc.BindImageExp);
  EXPECT_TRUE(doc.BindImageExr);
  EXPECT_FALSE(doc.MojiEncode);
  EXPECT_EQ(doc.FileOutOpt, 0);
  EXPECT_EQ(doc.EntBlockNum, 0);
  EXPECT_EQ(doc.BindImageN, 0);
  EXPECT_TRUE(doc.BindImage.empty());
  EXPECT_EQ(doc.EntLineN, 0);
  EXPECT_TRUE(doc.EntLine.empty());
  EXPECT_EQ(doc.Enthd.n1, 0);
}

TEST(Lifecycle, DataFreeEmptiesTheDefinitions) {
  TJwwData doc;
  TEntJwwBlockDef &def = AddDefinition(doc, 1);
  AddMemberLine(def, 2);
  doc.DataFree();
  EXPECT_TRUE(doc.EntBlockDef.empty());
  EXPECT_EQ(doc.EntBlockDefN, 0);
  EXPECT_EQ(doc.Enthd.n2, 0);
}

class FileOutOptionTest : public ::testing::TestWithParam<std::pair<std::int32_t, std::int32_t>> {};

TEST_P(FileOutOptionTest, KeepsZeroTo63Only) {
  TJwwData doc;
  doc.SetFileOutOption(GetParam().first);
  EXPECT_EQ(doc.FileOutOpt, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Values, FileOutOptionTest,
                         ::testing::Values(std::pair{0, 0}, std::pair{32, 32}, std::pair{63, 63},
                                           std::pair{64, 0}, std::pair{-1, 0},
                                           std::pair{0x7FFFFFFF, 0}));

// ---- Block tree ---------------------------------------------------------------

TEST(MakeBlockTree, ReferencedDefinitionsAreNumberedDensely) {
  TJwwData doc;
  AddDefinition(doc, 5);
  AddDefinition(doc, 7);
  AddDefinition(doc, 9);
  AddBlockRef(doc, 9);
  AddBlockRef(doc, 5);
  doc.MakeBlockTree();
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[0].ref_no, 0);
  EXPECT_FALSE(doc.EntBlockDef[1].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[1].ref_no, -1);
  EXPECT_EQ(doc.EntBlockDef[2].ref_no, 1);
  EXPECT_EQ(doc.EntBlockNum, 2);
  EXPECT_EQ(doc.ChangeBlockNo(5), 0u);
  EXPECT_EQ(doc.ChangeBlockNo(9), 1u);
  EXPECT_EQ(doc.ChangeBlockNo(7), 7u);   // not referenced: its own number
  EXPECT_EQ(doc.ChangeBlockNo(42), 0u);  // no such definition
  ASSERT_EQ(doc.EntBlockTreeN, 2);
  EXPECT_EQ(doc.EntBlockTree[0].defno, 2);
  EXPECT_EQ(doc.EntBlockTree[0].name, u"B9");
}

TEST(MakeBlockTree, DefinitionPlacedOnlyInsideAnotherIsReferencedAtLevel1) {
  TJwwData doc;
  TEntJwwBlockDef &outer = AddDefinition(doc, 1);
  AddMemberRef(outer, 2, 1, 0);
  AddDefinition(doc, 2);
  AddBlockRef(doc, 1, 10, 20, 1, 2);
  doc.MakeBlockTree();
  EXPECT_TRUE(doc.EntBlockDef[1].ref_flag);
  EXPECT_EQ(doc.EntBlockNum, 2);
  ASSERT_EQ(doc.EntBlockTreeN, 2);
  const TEntJwwBlockTree &inner = doc.EntBlockTree[1];
  EXPECT_EQ(inner.level, 1);
  EXPECT_EQ(inner.parent, 0);
  EXPECT_EQ(inner.defno, 1);
  EXPECT_EQ(inner.no, 2u);
  EXPECT_DOUBLE_EQ(inner.x, 11);
  EXPECT_DOUBLE_EQ(inner.y, 20);
}

TEST(MakeBlockTree, MatrixOfAScaledRotatedReference) {
  TJwwData doc;
  TEntJwwBlockDef &def = AddDefinition(doc, 1);
  AddMemberRef(def, 2, 1, 0);
  AddDefinition(doc, 2);
  AddBlockRef(doc, 1, 5, 6, 2, 3, std::numbers::pi / 2);
  doc.MakeBlockTree();
  ASSERT_EQ(doc.EntBlockTreeN, 2);
  const TEntJwwBlockTree &p = doc.EntBlockTree[0];
  EXPECT_NEAR(p.r1, 0, 1e-12);
  EXPECT_DOUBLE_EQ(p.r2, -3);
  EXPECT_DOUBLE_EQ(p.r3, 2);
  EXPECT_NEAR(p.r4, 0, 1e-12);
  const TEntJwwBlockTree &c = doc.EntBlockTree[1];
  EXPECT_NEAR(c.x, 5, 1e-12);
  EXPECT_NEAR(c.y, 8, 1e-12);
  EXPECT_NEAR(c.r2, -3, 1e-12);
  EXPECT_NEAR(c.r3, 2, 1e-12);
  EXPECT_EQ(c.att.nPenStyle, doc.EntBlockDef[0].att.nPenStyle);
}

TEST(MakeBlockTree, WithoutBlockReferencesTheTreeIsEmptyAndEntBlockNumStays) {
  TJwwData doc;
  TEntJwwBlockDef &def = AddDefinition(doc, 1);
  def.ref_flag = true;
  def.ref_no = 3;
  doc.EntBlockNum = 7;
  AddLine(doc, 0, 0, 1, 1);
  doc.MakeBlockTree();
  EXPECT_EQ(doc.EntBlockTreeN, 0);
  EXPECT_FALSE(doc.EntBlockDef[0].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[0].ref_no, -1);
  EXPECT_EQ(doc.EntBlockNum, 7);
}

TEST(MakeBlockTree, DuplicateNumbersReferenceTheFirstDefinition) {
  TJwwData doc;
  AddDefinition(doc, 4, u"first");
  AddDefinition(doc, 4, u"second");
  AddBlockRef(doc, 4);
  AddBlockRef(doc, 8);  // undefined
  doc.MakeBlockTree();
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_FALSE(doc.EntBlockDef[1].ref_flag);
  EXPECT_EQ(doc.EntBlockTree[0].name, u"first");
  EXPECT_EQ(doc.EntBlockTree[1].defno, -1);
  EXPECT_TRUE(doc.EntBlockTree[1].name.empty());
}

// A definition placing itself would make the tree endless.
TEST(MakeBlockTree, StopsOnASelfReference) {
  TJwwData doc;
  TEntJwwBlockDef &def = AddDefinition(doc, 1);
  AddMemberRef(def, 1);
  AddBlockRef(doc, 1);
  doc.MakeBlockTree();
  EXPECT_EQ(doc.EntBlockTreeN, 2);  // the reference, and the member it places once
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_EQ(doc.EntBlockNum, 1);
}

TEST(MakeBlockTree, StopsOnACycleAndMarksEveryDefinitionOnIt) {
  TJwwData doc;
  AddMemberRef(AddDefinition(doc, 1), 2);
  AddMemberRef(AddDefinition(doc, 2), 3);
  AddMemberRef(AddDefinition(doc, 3), 1);
  AddDefinition(doc, 4);
  AddBlockRef(doc, 1);
  doc.MakeBlockTree();
  // 1 -> 2 -> 3 -> 1, where the second placement of 1 is not expanded.
  ASSERT_EQ(doc.EntBlockTreeN, 4);
  EXPECT_EQ(doc.EntBlockTree[3].defno, 0);
  EXPECT_EQ(doc.EntBlockTree[3].level, 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(doc.EntBlockDef[i].ref_flag) << i;
  EXPECT_FALSE(doc.EntBlockDef[3].ref_flag);
  EXPECT_EQ(doc.EntBlockNum, 3);
}

TEST(MakeBlockTree, ACycleBelowAnAcyclicChainStillStops) {
  TJwwData doc;
  AddMemberRef(AddDefinition(doc, 1), 2);
  TEntJwwBlockDef &two = AddDefinition(doc, 2);
  AddMemberRef(two, 3);
  AddMemberRef(two, 3);
  AddMemberRef(AddDefinition(doc, 3), 2);
  AddBlockRef(doc, 1);
  doc.MakeBlockTree();
  // 1, 2, 3, 3, then each 3 places 2 once more, which repeats a parent.
  EXPECT_EQ(doc.EntBlockTreeN, 6);
  EXPECT_EQ(doc.EntBlockNum, 3);
}

// 30 definitions each placing the next twice would make 2^30 placements.
TEST(MakeBlockTree, ExponentialNestingIsBoundedAndStillMarksEveryDefinition) {
  TJwwData doc;
  for (std::uint32_t n = 1; n <= 30; ++n) {
    TEntJwwBlockDef &def = AddDefinition(doc, n);
    if (n < 30) {
      AddMemberRef(def, n + 1);
      AddMemberRef(def, n + 1);
    }
  }
  AddBlockRef(doc, 1);
  doc.MakeBlockTree();
  EXPECT_EQ(static_cast<std::size_t>(doc.EntBlockTreeN), 1 + kMaxNestedBlockPlacements);
  EXPECT_EQ(doc.EntBlockNum, 30);
  EXPECT_EQ(doc.ChangeBlockNo(30), 29u);
}

// ---- Writing block definitions --------------------------------------------------

TEST(FileOut, WritesOnlyReferencedDefinitionsRenumbered) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  TEntJwwBlockDef &five = AddDefinition(doc, 5, u"five");
  AddMemberRef(five, 11);  // placed only from inside five
  AddMemberLine(five, 3);
  AddDefinition(doc, 7, u"seven");
  AddMemberLine(AddDefinition(doc, 9, u"nine"), 4);
  AddMemberMoji(AddDefinition(doc, 11, u"eleven"), u"inner");
  AddBlockRef(doc, 9);
  AddBlockRef(doc, 5);
  AddBlockRef(doc, 13);  // undefined
  doc.MakeBlockTree();
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 600)) << doc.LastError();

  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww"))) << back.LastError();
  ASSERT_EQ(back.EntBlockDefN, 3);
  EXPECT_EQ(back.EntBlockDef[0].strName, u"five");
  EXPECT_EQ(back.EntBlockDef[0].nNumber, 0u);
  EXPECT_EQ(back.EntBlockDef[0].mBlock[0].nNumber, 2u);  // eleven is the third written
  EXPECT_EQ(back.EntBlockDef[1].strName, u"nine");
  EXPECT_EQ(back.EntBlockDef[1].nNumber, 1u);
  EXPECT_EQ(back.EntBlockDef[2].strName, u"eleven");
  EXPECT_EQ(back.EntBlockDef[2].mMoji[0].str, u"inner");
  ASSERT_EQ(back.EntBlockN, 3);
  EXPECT_EQ(back.EntBlock[0].nNumber, 1u);
  EXPECT_EQ(back.EntBlock[1].nNumber, 0u);
  EXPECT_EQ(back.EntBlock[2].nNumber, 0u);
  EXPECT_EQ(back.EntBlockNum, 3);
}

// A stale EntBlockNum must not make the section promise definitions it lacks.
TEST(FileOut, DefinitionCountIsThatOfTheDefinitionsWritten) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddDefinition(doc, 1);
  doc.EntBlockNum = 5;
  AddLine(doc, 0, 0, 1, 1);
  doc.MakeBlockTree();  // no references: EntBlockNum keeps 5
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 600));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww"))) << back.LastError();
  EXPECT_EQ(back.EntBlockDefN, 0);
  EXPECT_EQ(back.EntLineN, 1);
}

TEST(FileOut, LongTimeStampStaysReadable) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddDefinition(doc, 3).dtime = 0xFFFFFFFF;
  AddMemberLine(doc.EntBlockDef[0], 1);
  AddBlockRef(doc, 3);
  doc.MakeBlockTree();
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 600));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww"))) << back.LastError();
  ASSERT_EQ(back.EntBlockDefN, 1);
  EXPECT_EQ(back.EntBlockDef[0].dtime, 1u);  // the long form reads as the position
  EXPECT_EQ(back.EntBlockDef[0].mLineN, 1);
}

// ---- Class numbering and SXF dimensions ---------------------------------------------

TEST(FileOut, ClassesAreNumberedAcrossTheList) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddLine(doc, 0, 0, 1, 0);
  AddLine(doc, 0, 0, 0, 1);
  TEntJwwEnko arc;
  arc.att = PenAttr();
  arc.dHankei = 1;
  Add(doc, doc.EntEnko, doc.EntEnkoN, kJwwEnko, arc);
  Add(doc, doc.EntEnko, doc.EntEnkoN, kJwwEnko, arc);
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 600));
  const Bytes header = HeaderBytes(dir, 600);
  const Bytes file = dir.read("out.jww");
  std::size_t at = header.size();
  ASSERT_EQ(file[at], 4);  // the count
  at += 2;
  Bytes expected;
  PutName(expected, "CDataSen");
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + at));
  at += expected.size() + 47;
  EXPECT_EQ(file[at], 0x01);
  EXPECT_EQ(file[at + 1], 0x80);
  at += 2 + 47;
  EXPECT_EQ(file[at], 0xFF);  // the arc class is new: it takes map index 4
  at += 6 + 9 + 75;
  EXPECT_EQ(file[at], 0x04);
  EXPECT_EQ(file[at + 1], 0x80);
}

TEntJwwSunpo SxfDimension() {
  TEntJwwSunpo d;
  d.att = PenAttr(1, 2);
  d.Sen.att = PenAttr(1, 3);
  d.Sen.end_x = 10;
  d.Moji.att = PenAttr(1, 4);
  d.Moji.nMojiShu = 2;
  d.Moji.dSizeX = d.Moji.dSizeY = 2.5;
  d.Moji.str = u"10";
  d.bSxfMode = 1;
  d.Ho1.att = d.Ho2.att = PenAttr(1, 5);
  d.Ho1.end_y = 3;
  d.Ho2.start_x = 10;
  for (TEntJwwTen *t : {&d.Te1, &d.Te2, &d.Kt1, &d.Kt2})
    t->att = PenAttr(1, 6);
  d.Kt2.att.nPenStyle = 100;
  d.Kt2.nCode = 7;
  d.Kt2.dBairitsu = 1.5;
  return d;
}

TEST(FileOut, SxfDimensionOfAVersion600DrawingIsSplitFor400) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  Add(doc, doc.EntSunpo, doc.EntSunpoN, kJwwSunpo, SxfDimension());
  ASSERT_TRUE(doc.FileOut(dir.file("out400.jww"), 400));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out400.jww"))) << back.LastError();
  EXPECT_EQ(back.Enthd.n1, 7);
  ASSERT_EQ(back.EntNo.size(), 7u);
  const std::int32_t kinds[] = {5, 1, 1, 3, 3, 3, 3};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(back.EntNo[i].EntType, kinds[i]) << i;
  EXPECT_EQ(back.EntLine[0].end_y, 3);
  EXPECT_EQ(back.EntTen[0].bKariten, 0u);
  EXPECT_EQ(back.EntTen[2].bKariten, 1u);
  EXPECT_EQ(back.EntTen[3].bKariten, 1u);
  EXPECT_EQ(back.EntTen[3].att.nPenStyle, 100);
  EXPECT_EQ(back.EntTen[3].nCode, 7u);
  EXPECT_EQ(back.EntSunpo[0].bSxfMode, 0);  // a 400 file has no SXF part

  ASSERT_TRUE(doc.FileOut(dir.file("out420.jww"), 420));
  TJwwData at420;
  ASSERT_TRUE(at420.FileIn(dir.file("out420.jww")));
  EXPECT_EQ(at420.Enthd.n1, 1);
  EXPECT_EQ(at420.EntSunpo[0].bSxfMode, 1);
  EXPECT_EQ(at420.EntSunpo[0].Kt2.dBairitsu, 1.5);
}

TEST(FileOut, DimensionOfAVersion400DrawingIsNotSplit) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 400);
  Add(doc, doc.EntSunpo, doc.EntSunpoN, kJwwSunpo, SxfDimension());
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 400));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww")));
  EXPECT_EQ(back.Enthd.n1, 1);
  // Read from a pre-SXF file, the auxiliary parts carry the dimension's attribute.
  EXPECT_EQ(back.EntSunpo[0].Ho1.att.nPenColor, 2);
  EXPECT_EQ(back.EntSunpo[0].Kt1.att.nPenStyle, 0);
  EXPECT_EQ(back.EntSunpo[0].Kt1.att.nPenColor, 2);
}

// ---- Round trips at every version threshold -------------------------------------------

void FillAllKinds(TJwwData &doc) {
  AddLine(doc, 1, 2, 3, 4, 44, 110);
  TEntJwwEnko arc;
  arc.att = PenAttr(2, 3);
  arc.att.nPenWidth = 35;
  arc.dHankei = 5;
  arc.radEnkoKaku = 1.5;
  arc.dHenpeiRitsu = 1;
  arc.bZenEnFlg = 1;
  Add(doc, doc.EntEnko, doc.EntEnkoN, kJwwEnko, arc);
  TEntJwwTen special;
  special.att = PenAttr(100, 2);
  special.nCode = 3;
  special.radKaitenKaku = 0.5;
  special.dBairitsu = 2;
  Add(doc, doc.EntTen, doc.EntTenN, kJwwTen, special);
  AddMoji(doc, u"文字種 3 テキスト", 20003);
  AddMoji(doc, std::u16string(300, u'長'), 2);
  Add(doc, doc.EntSunpo, doc.EntSunpoN, kJwwSunpo, SxfDimension());
  TEntJwwSolid solid;
  solid.att = PenAttr(1, 10);
  solid.Color = 0x123456;
  solid.end_x = 1;
  Add(doc, doc.EntSolid, doc.EntSolidN, kJwwSolid, solid);
  TEntJwwBlockDef &def = AddDefinition(doc, 1, u"部品");
  AddMemberMoji(def, u"inside");
  AddMemberLine(def, 2);
  AddBlockRef(doc, 1, 5, 5);
  doc.Enthd.strMemo = u"memo\r\nline two";
  doc.EntLay[37].aStrLayName = u"layer 2-5";
}

class ThresholdVersionTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(ThresholdVersionTest, ReadWriteReadIsIdentity) {
  const std::int32_t ver = GetParam();
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, ver);
  FillAllKinds(doc);
  doc.MakeBlockTree();
  ASSERT_TRUE(doc.FileOut(dir.file("a.jww"), ver)) << doc.LastError();

  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("a.jww"))) << back.LastError();
  EXPECT_EQ(back.Enthd.jwVer, ver);
  EXPECT_EQ(back.Enthd.strMemo, u"memo\r\nline two");
  EXPECT_EQ(back.EntLay[37].aStrLayName, u"layer 2-5");
  ASSERT_EQ(back.EntMojiN, 2);
  EXPECT_EQ(back.EntMoji[0].str, u"文字種 3 テキスト");
  EXPECT_EQ(back.EntMoji[0].nMojiShu, 20003u);
  EXPECT_EQ(back.EntMoji[1].str.size(), 300u);
  EXPECT_EQ(back.EntTen[0].nCode, 3u);
  EXPECT_EQ(back.EntSolid[0].Color, 0x123456u);
  EXPECT_EQ(back.EntEnko[0].att.nPenWidth, ver >= 351 ? 35 : 0);
  EXPECT_EQ(back.EntLine[0].att.nPenStyle, ver >= 420 ? 44 : 17);
  EXPECT_EQ(back.EntBlockDefN, 1);
  EXPECT_EQ(back.EntBlockDef[0].strName, u"部品");

  back.SetFileOutOption(back.MojiEncode ? kFileOutUtf16 : 0);
  ASSERT_TRUE(back.FileOut(dir.file("b.jww"), ver));
  TJwwData again;
  ASSERT_TRUE(again.FileIn(dir.file("b.jww")));
  again.SetFileOutOption(0);
  ASSERT_TRUE(again.FileOut(dir.file("c.jww"), ver));
  EXPECT_EQ(dir.read("b.jww"), dir.read("c.jww"));
}

INSTANTIATE_TEST_SUITE_P(Versions, ThresholdVersionTest,
                         ::testing::Values(220, 222, 223, 224, 225, 229, 230, 231, 299, 300, 350,
                                           351, 419, 420, 421, 599, 600, 699, 700));

TEST(FileOut, Utf16OptionRoundTripsAndSetsMojiEncode) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddMoji(doc, u"𠮷野家");  // outside code page 932
  doc.SetFileOutOption(kFileOutUtf16);
  ASSERT_TRUE(doc.FileOut(dir.file("u.jww"), 600));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("u.jww")));
  EXPECT_TRUE(back.MojiEncode);
  EXPECT_EQ(back.EntMoji[0].str, u"𠮷野家");
}

// ---- Failing writes -----------------------------------------------------------------

TEST(FileOut, TextWithoutAnEncodingFailsAndLeavesTheDestinationAlone) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddMoji(doc, std::u16string(70000, u'a'));
  dir.write("out.jww", {1, 2, 3});
  EXPECT_FALSE(doc.FileOut(dir.file("out.jww"), 600));
  EXPECT_NE(doc.LastError().find("no encoding"), std::string::npos) << doc.LastError();
  EXPECT_EQ(dir.read("out.jww"), (Bytes{1, 2, 3}));
  EXPECT_FALSE(doc.FileOut(dir.file("new.jww"), 600));
  EXPECT_FALSE(IsFile(dir.file("new.jww")));
  // Nothing else was left in the folder (no temporary file).
  std::size_t files = 0;
  for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2u);  // blank.jww and out.jww
}

TEST(FileOut, UncreatableDestinationFails) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  EXPECT_FALSE(doc.FileOut(dir.file("missing/out.jww"), 600));
}

// ---- Broken and hostile files ------------------------------------------------------------

TEST(FileIn, EntityListEndingEarlyKeepsEmptyOrderEntries) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  Put16(file, 10);
  PutName(file, "CDataTen");
  PutPointBody(file, 1);
  for (std::uint8_t i = 2; i <= 7; ++i) {
    Put16(file, 0x8001);
    PutPointBody(file, i);
  }
  dir.write("cut.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("cut.jww")));
  EXPECT_EQ(doc.Enthd.n1, 10);
  EXPECT_EQ(doc.EntTenN, 7);
  ASSERT_EQ(doc.EntNo.size(), 10u);
  EXPECT_EQ(doc.EntNo[6].EntType, kJwwTen);
  EXPECT_EQ(doc.EntNo[6].EntNo, 6);
  for (int i = 7; i < 10; ++i)
    EXPECT_EQ(doc.EntNo[i].EntType, 0) << i;
  EXPECT_EQ(doc.EntTen[6].att.lGroup, 7u);
  EXPECT_NE(doc.LastError().find("block definition count"), std::string::npos);
}

TEST(FileIn, EntityListEndingRightAfterItsCountKeepsEveryOrderEntry) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  Put16(file, 6);
  dir.write("cut.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("cut.jww")));
  ASSERT_EQ(doc.EntNo.size(), 6u);
  for (const TEntJwwNo &entry : doc.EntNo)
    EXPECT_EQ(entry.EntType, 0);
}

TEST(FileIn, FromBytesGivesTheSameDocumentAsFromTheFile) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  FillAllKinds(doc);
  doc.MakeBlockTree();
  ASSERT_TRUE(doc.FileOut(dir.file("a.jww"), 600));
  const Bytes bytes = dir.read("a.jww");
  TJwwData fromBytes;
  ASSERT_TRUE(fromBytes.FileInFromBytes(bytes)) << fromBytes.LastError();
  ASSERT_TRUE(fromBytes.FileOut(dir.file("b.jww"), 600));
  EXPECT_EQ(dir.read("b.jww"), bytes);
  TJwwData header;
  ASSERT_TRUE(header.FileHeaderInFromBytes(bytes));
  EXPECT_EQ(header.Enthd.strMemo, doc.Enthd.strMemo);
  EXPECT_TRUE(header.EntNo.empty());
  const Bytes cut(bytes.begin(), bytes.begin() + 100);
  EXPECT_FALSE(header.FileHeaderInFromBytes(cut));
  EXPECT_FALSE(fromBytes.FileInFromBytes(cut));
}

// One test per field that a hostile file can blow up: the read ends fast
// with false and never allocates for the count it declares.
TEST(FileIn, HugeEntityCountsAreNeverTrusted) {
  TempDir dir;
  const Bytes header = HeaderBytes(dir, 600);
  {
    Bytes file = header;
    Put16(file, 0xFFFF);
    Put32(file, 0xFFFFFFFF);
    file.insert(file.end(), 812, 0);
    dir.write("max.jww", file);
    TJwwData doc;
    EXPECT_FALSE(doc.FileIn(dir.file("max.jww")));
    EXPECT_NE(doc.LastError().find("entity count 4294967295"), std::string::npos)
        << doc.LastError();
    EXPECT_TRUE(doc.EntNo.empty());
  }
  {
    Bytes file = header;
    Put16(file, 0xFFFF);
    Put32(file, 0x7FFFFFFF);
    PutName(file, "CDataTen");
    PutPointBody(file, 1);
    dir.write("int.jww", file);
    TJwwData doc;
    EXPECT_FALSE(doc.FileIn(dir.file("int.jww")));
    EXPECT_EQ(doc.Enthd.n1, 0x7FFFFFFF);
    EXPECT_EQ(doc.EntTenN, 1);
    EXPECT_LE(doc.EntNo.size(), 65536u);  // not 2^31 entries
  }
}

TEST(FileIn, HugeDefinitionAndMemberCountsAreNeverTrusted) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  Put16(file, 0);  // no entities
  Put16(file, 0xFFFF);
  Put32(file, 0x7FFFFFFF);  // definitions
  PutName(file, "CDataList");
  file.insert(file.end(), 15, 0);  // attribute
  Put32(file, 1);                  // nNumber
  Put32(file, 0);
  Put32(file, 0);
  file.push_back(0);  // name
  Put16(file, 0xFFFF);
  Put32(file, 0x7FFFFFFF);  // members
  dir.write("defs.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("defs.jww")));
  EXPECT_EQ(doc.Enthd.n2, 0x7FFFFFFF);
  EXPECT_LT(doc.EntBlockDef.size(), 10u);
  EXPECT_EQ(doc.EntBlockDefN, static_cast<std::int32_t>(doc.EntBlockDef.size()));
  ASSERT_FALSE(doc.EntBlockDef.empty());
  EXPECT_LE(doc.EntBlockDef[0].mNo.size(), 65536u);
  EXPECT_EQ(doc.EntBlockDef[0].N, static_cast<std::int32_t>(doc.EntBlockDef[0].mNo.size()));
}

TEST(FileIn, UnknownClassNameFails) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  Put16(file, 1);
  PutName(file, "CDataFoo");
  PutPointBody(file, 1);
  Put16(file, 0);
  dir.write("unknown.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("unknown.jww")));
  EXPECT_NE(doc.LastError().find("CDataFoo"), std::string::npos);
}

TEST(FileIn, ClassNameLongerThanItsBufferFails) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  Put16(file, 1);
  PutName(file, std::string(3000, 'C'));
  Put16(file, 0);
  dir.write("long.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("long.jww")));
  EXPECT_NE(doc.LastError().find("2048"), std::string::npos) << doc.LastError();
}

TEST(FileIn, HeaderFailuresNameTheirError) {
  TempDir dir;
  Bytes file = HeaderBytes(dir, 600);
  file[7] = ',';
  dir.write("sig.jww", file);
  TJwwData doc;
  EXPECT_FALSE(doc.FileIn(dir.file("sig.jww")));
  EXPECT_EQ(doc.LastError().rfind("JWW-Header Error", 0), 0u);
  EXPECT_EQ(doc.EntBlockTreeN, 0);

  file = HeaderBytes(dir, 600);
  file[8] = 0xBD;  // 701
  file[9] = 0x02;
  dir.write("ver.jww", file);
  EXPECT_FALSE(doc.FileIn(dir.file("ver.jww")));
  EXPECT_EQ(doc.LastError().rfind("JWW-Version Error", 0), 0u);

  EXPECT_FALSE(doc.FileIn(dir.file("absent.jww")));
}

TEST(FileCheck, AcceptsVersions220To700AndNeedsTwelveBytes) {
  TempDir dir;
  TJwwData doc;
  const auto check = [&](std::int32_t ver) {
    Bytes file{'J', 'w', 'w', 'D', 'a', 't', 'a', '.'};
    Put32(file, static_cast<std::uint32_t>(ver));
    dir.write("c.jww", file);
    return doc.FileCheck(dir.file("c.jww"));
  };
  EXPECT_FALSE(check(219));
  EXPECT_TRUE(check(220));
  EXPECT_TRUE(check(700));
  EXPECT_FALSE(check(701));
  dir.write("short.jww", {'J', 'w', 'w', 'D', 'a', 't', 'a', '.', 0x5C, 0x02, 0});
  EXPECT_FALSE(doc.FileCheck(dir.file("short.jww")));
  dir.write("lower.jww", {'j', 'w', 'w', 'd', 'a', 't', 'a', '.', 0x5C, 0x02, 0, 0});
  EXPECT_FALSE(doc.FileCheck(dir.file("lower.jww")));
  EXPECT_FALSE(doc.FileCheck(dir.file("absent.jww")));
}

// A header longer than the prefix FileHeaderIn reads first comes out as a
// whole-file read gives it.
TEST(FileHeaderIn, HeaderLongerThanThePrefixReadsAsFromTheWholeFile) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 700);
  doc.Enthd.strMemo = std::u16string(60000, u'm');
  for (int i = 0; i < 256; ++i)
    doc.EntLay[i].aStrLayName = u"layer " + IntToString(i);
  doc.EntMoj[9].adMojiX = 7.5;
  doc.Enthd.adMojiKijunZureY2 = 4.25;
  AddLine(doc, 0, 0, 1, 1);
  ASSERT_TRUE(doc.FileOut(dir.file("big.jww"), 700));
  ASSERT_GT(dir.read("big.jww").size(), 64u * 1024u);

  TJwwData header;
  ASSERT_TRUE(header.FileHeaderIn(dir.file("big.jww"))) << header.LastError();
  EXPECT_EQ(header.Enthd.strMemo.size(), 60000u);
  EXPECT_EQ(header.EntLay[255].aStrLayName, u"layer 255");
  EXPECT_EQ(header.EntMoj[9].adMojiX, 7.5);
  EXPECT_EQ(header.Enthd.adMojiKijunZureY2, 4.25);
  EXPECT_TRUE(header.EntNo.empty());
  EXPECT_FALSE(header.FileHeaderIn(dir.file("absent.jww")));
}

// ---- Bound images -----------------------------------------------------------------------

struct Image {
  std::string name;
  Bytes content;
};

Bytes ImageFile(const TempDir &dir, const std::vector<Image> &images) {
  Bytes file = HeaderBytes(dir, 700);
  Put16(file, 0);
  Put16(file, 0);
  Put32(file, static_cast<std::uint32_t>(images.size()));
  for (const Image &image : images) {
    file.push_back(static_cast<std::uint8_t>(image.name.size()));
    file.insert(file.end(), image.name.begin(), image.name.end());
    Put32(file, static_cast<std::uint32_t>(image.content.size()));
    file.insert(file.end(), image.content.begin(), image.content.end());
  }
  return file;
}

TEST(BindImages, HostileNamesAreNeverCreatedAndTheDrawingReadsOn) {
  TempDir dir;
  const std::filesystem::path work = dir.path() / "work";
  std::filesystem::create_directory(work);
  const std::vector<Image> images{{"../evil.bmp", {1, 2, 3}},
                                  {"sub/evil.bmp", {4}},
                                  {"C:evil.bmp", {5}},
                                  {"..", {6}},
                                  {"NUL.bmp", {7}},
                                  {"a?.bmp", {8}},
                                  {"good.bmp", {9, 10}}};
  dir.write("img.jww", ImageFile(dir, images));
  TJwwData doc;
  doc.BindImageFolder = dir.u16() + u"/work/";
  doc.BindImageExp = doc.BindImageExr = true;
  ASSERT_TRUE(doc.FileIn(dir.file("img.jww"))) << doc.LastError();
  ASSERT_EQ(doc.BindImageN, 7);
  EXPECT_EQ(doc.BindImage[0].Fname, u"../evil.bmp");
  EXPECT_EQ(doc.BindImage[6].Fsize, 2);
  EXPECT_EQ(testing::ReadFileBytes(work / "good.bmp"), (Bytes{9, 10}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "evil.bmp"));
  std::size_t files = 0;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(work)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);

  // The delete operations leave a file outside the folder alone.
  dir.write("evil.bmp", {42});
  doc.BindImageDeleteGzFile();
  doc.BindImageDeleteNonGzFile();
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "evil.bmp"));
  EXPECT_FALSE(std::filesystem::exists(work / "good.bmp"));
}

TEST(BindImages, OnlyListedWithoutExtractionAndNotReadWithoutEitherFlag) {
  TempDir dir;
  dir.write("img.jww", ImageFile(dir, {{"a.bmp", Bytes(5000, 7)}, {"", {}}, {"b.bmp", {1}}}));
  TJwwData doc;
  doc.BindImageFolder = dir.u16WithSeparator();
  doc.BindImageExr = true;
  ASSERT_TRUE(doc.FileIn(dir.file("img.jww")));
  ASSERT_EQ(doc.BindImageN, 3);
  EXPECT_EQ(doc.BindImage[0].Fsize, 5000);
  EXPECT_EQ(doc.BindImage[2].Fname, u"b.bmp");
  EXPECT_FALSE(IsFile(dir.file("a.bmp")));
  doc.BindImageExr = false;
  ASSERT_TRUE(doc.FileIn(dir.file("img.jww")));
  EXPECT_EQ(doc.BindImageN, 0);
}

TEST(BindImages, HugeImageCountStopsWithTheData) {
  TempDir dir;
  Bytes file = ImageFile(dir, {});
  file.resize(file.size() - 4);
  Put32(file, 0x7FFFFFFF);
  dir.write("img.jww", file);
  TJwwData doc;
  doc.BindImageExr = true;
  EXPECT_TRUE(doc.FileIn(dir.file("img.jww")));
  EXPECT_LE(doc.BindImageN, 1);
}

TEST(BindImages, WriterEmbedsReferencedImagesItCanReadWhole) {
  TempDir dir;
  const std::filesystem::path work = dir.path() / "work";
  std::filesystem::create_directory(work);
  dir.write("img.jww", ImageFile(dir, {{"a.bmp", {1, 2, 3}},
                                       {"b.jpg", {4}},
                                       {"c.bmp.gz", {5, 6}},
                                       {"d.bmp", {7}}}));
  TJwwData doc;
  doc.BindImageFolder = dir.u16() + u"/work/";
  doc.BindImageExp = doc.BindImageExr = true;
  ASSERT_TRUE(doc.FileIn(dir.file("img.jww")));
  AddMoji(doc, u"^@BM%temp%A.BMP,100,100");  // matched in upper case
  AddMoji(doc, u"^@BM%temp%c.bmp.gz,1,1");
  AddMoji(doc, u"^@BM%temp%d.bmp,1,1");
  AddMoji(doc, u"^@BM%temp%,1,1");  // an empty name marks nothing
  std::filesystem::remove(work / "d.bmp");  // gone: neither counted nor written
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 700)) << doc.LastError();
  EXPECT_TRUE(doc.BindImage[0].exf);
  EXPECT_FALSE(doc.BindImage[1].exf);
  EXPECT_TRUE(doc.BindImage[2].exf);
  EXPECT_FALSE(doc.BindImage[3].exf);

  TJwwData back;
  back.BindImageFolder = dir.u16WithSeparator();
  back.BindImageExp = back.BindImageExr = true;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww"))) << back.LastError();
  ASSERT_EQ(back.BindImageN, 2);
  EXPECT_EQ(back.BindImage[0].Fname, u"a.bmp");
  EXPECT_EQ(back.BindImage[1].Fname, u"c.bmp.gz");
  EXPECT_EQ(dir.read("c.bmp.gz"), (Bytes{5, 6}));

  // Without either flag nothing is embedded.
  doc.BindImageExp = doc.BindImageExr = false;
  ASSERT_TRUE(doc.FileOut(dir.file("none.jww"), 700));
  TJwwData none;
  none.BindImageExr = true;
  ASSERT_TRUE(none.FileIn(dir.file("none.jww")));
  EXPECT_EQ(none.BindImageN, 0);

  // Delete operations: compressed files, then the uncompressed counterparts.
  testing::WriteFileBytes(work / "c.bmp", {1});
  doc.BindImageDeleteGzFile();
  EXPECT_FALSE(std::filesystem::exists(work / "c.bmp.gz"));
  EXPECT_TRUE(std::filesystem::exists(work / "a.bmp"));
  doc.BindImageDeleteNonGzFile();
  EXPECT_FALSE(std::filesystem::exists(work / "c.bmp"));
  EXPECT_FALSE(std::filesystem::exists(work / "a.bmp"));
  EXPECT_FALSE(std::filesystem::exists(work / "b.jpg"));
}

TEST(FileOut, ImageReferenceOptions) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  AddMoji(doc, u"^@BM%temp%a.bmp,1,2");
  AddMoji(doc, u"^@BMC:\\pics\\b.bmp,3,4");
  doc.SetFileOutOption(kFileOutStripTempPrefix | kFileOutImageNameOnly);
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 600));
  TJwwData back;
  ASSERT_TRUE(back.FileIn(dir.file("out.jww")));
  EXPECT_EQ(back.EntMoji[0].str, u"^@BMa.bmp,1,2");
  EXPECT_EQ(back.EntMoji[1].str, u"^@BMb.bmp,3,4");
  EXPECT_EQ(doc.EntMoji[0].str, u"^@BM%temp%a.bmp,1,2");  // the model is not changed
}

// ---- Threads --------------------------------------------------------------------------

// The CLI converts with one document per thread; nothing may be shared.
TEST(Threads, DocumentsOnSeveralThreadsGiveIdenticalFiles) {
  TempDir dir;
  TJwwData doc;
  StartDrawing(doc, dir, 600);
  FillAllKinds(doc);
  for (int i = 0; i < 2000; ++i)
    AddMoji(doc, u"文字 " + IntToString(i));
  doc.MakeBlockTree();
  ASSERT_TRUE(doc.FileOut(dir.file("src.jww"), 600));
  std::vector<std::thread> threads;
  std::vector<int> ok(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      TJwwData mine;
      bool good = true;
      for (int round = 0; round < 3 && good; ++round)
        good = mine.FileIn(dir.file("src.jww")) &&
               mine.FileOut(dir.file("out" + std::to_string(t) + ".jww"), 600);
      ok[t] = good ? 1 : 0;
    });
  for (auto &thread : threads)
    thread.join();
  const Bytes expected = dir.read("src.jww");
  for (int t = 0; t < 4; ++t) {
    EXPECT_TRUE(ok[t]) << t;
    EXPECT_EQ(dir.read("out" + std::to_string(t) + ".jww"), expected) << t;
  }
}

}  // namespace
}  // namespace velkaro
