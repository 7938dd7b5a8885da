// Block definitions (reading, the block tree, renumbering on writing) and
// bound images (extraction, embedding, deletion).
#include <cmath>
#include <numbers>

#include "JwwFixture.h"

namespace velkaro::testing {
namespace {

JwwBlockDefSpec Def(std::uint32_t number, std::vector<JwwEntity> members, std::u16string name = u"def") {
  JwwBlockDefSpec d;
  d.att = Attr(1, 1, 2, 3);
  d.nNumber = number;
  d.dtime = 100 + number;
  d.strName = std::move(name);
  d.members = std::move(members);
  return d;
}

// ---- reading ----------------------------------------------------------------

TEST_F(JwwDocTest, NoDefinitionsNoBlockNumbers) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(0, 0, 1, 1)};
  ASSERT_TRUE(read(BuildJww(s).bytes));
  EXPECT_EQ(doc.Enthd.n2, 0);
  EXPECT_EQ(doc.EntBlockDefN, 0);
  EXPECT_EQ(doc.EntBlockNum, 0);
  EXPECT_EQ(doc.EntBlockTreeN, 0);
}

TEST_F(JwwDocTest, LongTimeFormIsSkippedAndReadsAsThePosition) {
  for (std::int32_t v : {350, 700}) {
    SCOPED_TRACE(v);
    JwwDrawingSpec s = MakeCanonicalDrawing(v);
    s.blockDefs = {Def(0, {Line(0, 0, 1, 1)}), Def(1, {Text(u"after the long time")}, u"long"),
                   Def(2, {Point(1, 1)})};
    s.blockDefs[1].dtime = 0xFFFFFFFF;
    s.blockDefs[2].dtime = 0x80000000;
    const JwwFile f = BuildJww(s);
    // Fixed part, the 8 extra bytes, then the name.
    EXPECT_EQ(f.at("blockDef.1.members") - f.at("blockDef.1"), 2 + (v >= 351 ? 27u : 25u) + 8 + 5);
    ASSERT_TRUE(read(f.bytes)) << doc.LastError();
    ASSERT_EQ(doc.EntBlockDefN, 3);
    EXPECT_EQ(doc.EntBlockDef[0].dtime, 100u);
    EXPECT_EQ(doc.EntBlockDef[1].dtime, 2u);
    EXPECT_EQ(doc.EntBlockDef[2].dtime, 3u);
    EXPECT_EQ(doc.EntBlockDef[1].mMoji.at(0).str, u"after the long time");
    EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  }
}

TEST_F(JwwDocTest, DefinitionClassNameIsNotChecked) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.blockDefs = {Def(0, {Line(0, 0, 1, 1)}), Def(1, {Line(1, 1, 2, 2)})};
  const JwwFile f = BuildJww(s);
  ASSERT_TRUE(read(PatchClassName(f.bytes, f.at("blockDef.0"), "NotAList"))) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  // Any tag but FFFF and 7FFF is taken as the definition class.
  ASSERT_TRUE(read(PatchU16(f.bytes, f.at("blockDef.1"), 0x8123))) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
}

TEST_F(JwwDocTest, ClassesAreSharedBetweenTheEntityListAndTheDefinitions) {
  // The line class announced in the entity list is referenced inside the
  // definition; the text class appears there first. Reading and writing
  // both count it so.
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(0, 0, 1, 1), BlockRef(0)};
  s.blockDefs = {Def(0, {Line(2, 2, 3, 3), Text(u"first text"), Text(u"second text")})};
  const JwwFile f = BuildJww(s);
  ASSERT_TRUE(read(f.bytes)) << doc.LastError();
  EXPECT_TRUE(SameDump(Dump(ExpectedRead(s)), Dump(ViewOf(doc))));
  ASSERT_TRUE(write(600)) << doc.LastError();
  const ByteVec out = written();
  ASSERT_TRUE(SameBytes(f.bytes, out));
  // Classes 1 (line; object 2), 3 (block; 4), 5 (list; 6), then the member
  // line takes 7 and the text class 8.
  const std::size_t m0 = f.at("blockDef.0.member.0");
  EXPECT_EQ(out[m0], 0x01);
  EXPECT_EQ(out[m0 + 1], 0x80);
  EXPECT_EQ(out[f.at("blockDef.0.member.1")], 0xFF);
  const std::size_t m2 = f.at("blockDef.0.member.2");
  EXPECT_EQ(out[m2], 0x08);
  EXPECT_EQ(out[m2 + 1], 0x80);
}

// ---- block tree ---------------------------------------------------------------

TEST_F(JwwDocTest, ReferencedDefinitionsAreNumberedDensely) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  s.entities = {BlockRef(9), BlockRef(5), BlockRef(9)};
  s.blockDefs = {Def(5, {Line(0, 0, 1, 1)}, u"five"), Def(7, {Text(u"seven")}, u"seven"),
                 Def(9, {Point(0, 0)}, u"nine")};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.EntBlockNum, 2);
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[0].ref_no, 0);
  EXPECT_FALSE(doc.EntBlockDef[1].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[1].ref_no, -1);
  EXPECT_TRUE(doc.EntBlockDef[2].ref_flag);
  EXPECT_EQ(doc.EntBlockDef[2].ref_no, 1);
  EXPECT_EQ(doc.ChangeBlockNo(5), 0u);
  EXPECT_EQ(doc.ChangeBlockNo(7), 7u);
  EXPECT_EQ(doc.ChangeBlockNo(9), 1u);
  EXPECT_EQ(doc.ChangeBlockNo(42), 0u);
  ASSERT_EQ(doc.EntBlockTreeN, 3);
  EXPECT_EQ(doc.EntBlockTree[0].defno, 2);
  EXPECT_EQ(doc.EntBlockTree[0].name, u"nine");

  // Written: 5 and 9 as 0 and 1, every reference renumbered, 7 dropped.
  ASSERT_TRUE(write(700)) << doc.LastError();
  JwwDrawingSpec expected = s;
  expected.entities = {BlockRef(1), BlockRef(0), BlockRef(1)};
  expected.blockDefs = {s.blockDefs[0], s.blockDefs[2]};
  expected.blockDefs[0].nNumber = 0;
  expected.blockDefs[1].nNumber = 1;
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

TEST_F(JwwDocTest, NestedPlacementsCarryLevelParentAndTransform) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  TEntJwwBlock outer = BlockRef(3, 10, 20);
  outer.dBairitsuX = 2;
  outer.dBairitsuY = 3;
  outer.radKaitenKaku = std::numbers::pi / 2;
  s.entities = {outer};
  JwwBlockDefSpec a = Def(3, {BlockRef(8, 1, 0), Text(u"in A")}, u"A");
  a.att = Attr(5, 6, 7, 8);
  s.blockDefs = {Def(8, {Line(0, 0, 1, 1), Dimension(1, 1)}, u"B"), a};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_EQ(doc.EntBlockTreeN, 2);
  const TEntJwwBlockTree &p0 = doc.EntBlockTree[0];
  EXPECT_EQ(p0.level, 0);
  EXPECT_EQ(p0.parent, -1);
  EXPECT_EQ(p0.no, 3u);
  EXPECT_EQ(p0.defno, 1);
  EXPECT_EQ(p0.name, u"A");
  EXPECT_NEAR(p0.r1, 0.0, 1e-12);
  EXPECT_NEAR(p0.r2, -3.0, 1e-12);
  EXPECT_NEAR(p0.r3, 2.0, 1e-12);
  EXPECT_NEAR(p0.r4, 0.0, 1e-12);
  const TEntJwwBlockTree &p1 = doc.EntBlockTree[1];
  EXPECT_EQ(p1.level, 1);
  EXPECT_EQ(p1.parent, 0);
  EXPECT_EQ(p1.defno, 0);
  EXPECT_EQ(p1.name, u"B");
  EXPECT_NEAR(p1.x, 10.0, 1e-12);
  EXPECT_NEAR(p1.y, 22.0, 1e-12);
  EXPECT_EQ(p1.att.nPenStyle, 5);  // the definition's own attribute
  EXPECT_EQ(p1.att.nGLayer, 8);
  EXPECT_EQ(doc.EntBlockNum, 2);
  EXPECT_EQ(doc.ChangeBlockNo(8), 0u);
  EXPECT_EQ(doc.ChangeBlockNo(3), 1u);

  // B is reached only through A and is written as well.
  ASSERT_TRUE(write(600)) << doc.LastError();
  ASSERT_TRUE(read(written(), "again.jww")) << doc.LastError();
  ASSERT_EQ(doc.EntBlockDefN, 2);
  EXPECT_EQ(doc.EntBlockDef[0].strName, u"B");
  EXPECT_EQ(doc.EntBlockDef[1].mBlock.at(0).nNumber, 0u);
  EXPECT_EQ(doc.EntBlock.at(0).nNumber, 1u);
}

TEST_F(JwwDocTest, DrawingWithoutReferencesHasNoTreeAndWritesNoDefinitions) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {Line(0, 0, 1, 1)};
  s.blockDefs = {Def(0, {BlockRef(1)}), Def(1, {Line(0, 0, 1, 1)})};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.EntBlockTreeN, 0);
  EXPECT_EQ(doc.EntBlockNum, 0);
  EXPECT_FALSE(doc.EntBlockDef[0].ref_flag);
  EXPECT_FALSE(doc.EntBlockDef[1].ref_flag);
  ASSERT_TRUE(write(600)) << doc.LastError();
  JwwDrawingSpec expected = s;
  expected.blockDefs.clear();
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

TEST_F(JwwDocTest, DuplicateNumbersReferenceTheFirstDefinition) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {BlockRef(4)};
  s.blockDefs = {Def(4, {Line(0, 0, 1, 1)}, u"first"), Def(4, {Line(0, 0, 2, 2)}, u"second")};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_FALSE(doc.EntBlockDef[1].ref_flag);
  EXPECT_EQ(doc.EntBlockNum, 1);
  EXPECT_EQ(doc.EntBlockTree.at(0).name, u"first");
}

// Sound behaviour: a definition that places itself stops the expansion
// instead of appending placements without end; the cycle stays referenced.
TEST_F(JwwDocTest, CyclesInBlockDefinitionsEndTheExpansion) {
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {BlockRef(1), BlockRef(3)};
  s.blockDefs = {Def(1, {BlockRef(2)}, u"A"), Def(2, {BlockRef(1), BlockRef(2)}, u"B"),
                 Def(3, {BlockRef(3)}, u"self")};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_TRUE(doc.EntBlockDef[0].ref_flag);
  EXPECT_TRUE(doc.EntBlockDef[1].ref_flag);
  EXPECT_TRUE(doc.EntBlockDef[2].ref_flag);
  EXPECT_EQ(doc.EntBlockNum, 3);
  EXPECT_GE(doc.EntBlockTreeN, 3);
  EXPECT_LE(doc.EntBlockTreeN, 16);
  EXPECT_EQ(static_cast<std::size_t>(doc.EntBlockTreeN), doc.EntBlockTree.size());
  for (const TEntJwwBlockTree &p : doc.EntBlockTree)
    EXPECT_LT(p.level, 4);
  // The drawing is still written with its three definitions.
  ASSERT_TRUE(write(600)) << doc.LastError();
  ASSERT_TRUE(read(written(), "again.jww")) << doc.LastError();
  EXPECT_EQ(doc.EntBlockDefN, 3);
}

TEST_F(JwwDocTest, DeepButFiniteNestingIsExpandedWhole) {
  // A chain of 200 definitions, each placing the next: 201 placements.
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {BlockRef(0)};
  for (std::uint32_t i = 0; i < 200; ++i)
    s.blockDefs.push_back(Def(i, i + 1 < 200 ? std::vector<JwwEntity>{BlockRef(i + 1)} : std::vector<JwwEntity>{}));
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_EQ(doc.EntBlockTreeN, 200);
  EXPECT_EQ(doc.EntBlockTree.back().level, 199);
  EXPECT_EQ(doc.EntBlockNum, 200);
}

// ---- bound images -------------------------------------------------------------

JwwDrawingSpec ImageDrawing(std::vector<JwwImageSpec> images, std::vector<std::u16string> refs) {
  JwwDrawingSpec s = MakeCanonicalDrawing(700);
  for (const std::u16string &r : refs)
    s.entities.push_back(Text(u"^@BM%temp%" + r + u",100,100,0,0,1,0"));
  s.images = std::move(images);
  return s;
}

TEST_F(JwwDocTest, Version699HasNoImageSectionAnd700CountsZero) {
  JwwDrawingSpec s = MakeCanonicalDrawing(699);
  s.images = {{u"ignored.bmp", ImageBytes(10, 1), {}}};  // not laid out before 700
  ASSERT_TRUE(read(BuildJww(s).bytes));
  EXPECT_EQ(doc.BindImageN, 0);
  JwwDrawingSpec t = MakeCanonicalDrawing(700);
  const JwwFile f = BuildJww(t);
  EXPECT_EQ(f.bytes.size() - f.at("imageCount"), 4u);
  ASSERT_TRUE(read(f.bytes));
  EXPECT_EQ(doc.BindImageN, 0);
  t.endAfterBlockDefs = true;  // a 700 file that ends after its definitions
  ASSERT_TRUE(read(BuildJww(t).bytes));
  EXPECT_EQ(doc.BindImageN, 0);
}

TEST_F(JwwDocTest, ImagesAreExtractedWithTheirExactBytes) {
  const JwwDrawingSpec s = ImageDrawing(
      {{u"a.bmp", ImageBytes(5000, 3), {}}, {u"", {}, 0}, {u"zero.png", {}, 0}, {u"表.jpg", ImageBytes(2048, 9), {}},
       {u"c.bmp.gz", ImageBytes(4096, 5), {}}},
      {});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_EQ(doc.BindImageN, 5);
  EXPECT_EQ(doc.BindImage[0].Fname, u"a.bmp");
  EXPECT_EQ(doc.BindImage[0].Fsize, 5000);
  EXPECT_FALSE(doc.BindImage[0].exf);
  EXPECT_EQ(ReadFileBytes(workPath() / "a.bmp"), s.images[0].content);
  EXPECT_EQ(doc.BindImage[3].Fname, u"表.jpg");
  EXPECT_EQ(ReadFileBytes(workPath() / u"表.jpg"), s.images[3].content);
  EXPECT_EQ(ReadFileBytes(workPath() / "c.bmp.gz"), s.images[4].content);
}

TEST_F(JwwDocTest, OnlyExrListsImagesWithoutWritingThem) {
  const JwwDrawingSpec s = ImageDrawing({{u"a.bmp", ImageBytes(3000, 3), {}}, {u"b.bmp", ImageBytes(10, 4), {}}}, {});
  doc.BindImageExp = false;
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_EQ(doc.BindImageN, 2);
  EXPECT_EQ(doc.BindImage[1].Fname, u"b.bmp");
  EXPECT_EQ(doc.BindImage[1].Fsize, 10);
  EXPECT_TRUE(std::filesystem::is_empty(workPath()));
  doc.BindImageExr = false;
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  EXPECT_EQ(doc.BindImageN, 0);
  EXPECT_TRUE(std::filesystem::is_empty(workPath()));
}

TEST_F(JwwDocTest, NegativeImageSizeMovesNoBytes) {
  JwwDrawingSpec s = ImageDrawing({{u"neg.bmp", {}, -5}, {u"next.bmp", ImageBytes(20, 1), {}}}, {});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_EQ(doc.BindImageN, 2);
  EXPECT_EQ(doc.BindImage[0].Fsize, -5);
  EXPECT_EQ(ReadFileBytes(workPath() / "next.bmp"), s.images[1].content);
  EXPECT_FALSE(std::filesystem::exists(workPath() / "neg.bmp") &&
               std::filesystem::file_size(workPath() / "neg.bmp") != 0);
}

TEST_F(JwwDocTest, DeleteOperationsRemoveExtractedFilesAndTheirCounterparts) {
  const JwwDrawingSpec s = ImageDrawing(
      {{u"x.bmp.gz", ImageBytes(10, 1), {}}, {u"y.jpg", ImageBytes(10, 2), {}}, {u"Z.GZ", ImageBytes(10, 3), {}}}, {});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  WriteFileBytes(workPath() / "x.bmp", {1});  // the uncompressed counterpart
  WriteFileBytes(workPath() / "Z", {2});
  WriteFileBytes(workPath() / "keep.txt", {3});
  doc.BindImageDeleteGzFile();
  EXPECT_FALSE(std::filesystem::exists(workPath() / "x.bmp.gz"));
  EXPECT_FALSE(std::filesystem::exists(workPath() / "Z.GZ"));
  EXPECT_TRUE(std::filesystem::exists(workPath() / "x.bmp"));
  EXPECT_TRUE(std::filesystem::exists(workPath() / "y.jpg"));
  doc.BindImageDeleteNonGzFile();
  EXPECT_FALSE(std::filesystem::exists(workPath() / "x.bmp"));
  EXPECT_FALSE(std::filesystem::exists(workPath() / "y.jpg"));
  EXPECT_FALSE(std::filesystem::exists(workPath() / "Z"));
  EXPECT_TRUE(std::filesystem::exists(workPath() / "keep.txt"));
  // Files that are gone already are no error.
  doc.BindImageDeleteGzFile();
  doc.BindImageDeleteNonGzFile();
  doc.BindImageInit();
  EXPECT_EQ(doc.BindImageN, 0);
  EXPECT_TRUE(doc.BindImage.empty());
}

TEST_F(JwwDocTest, WriterEmbedsOnlyReferencedImagesThatStillExist) {
  const JwwDrawingSpec s = ImageDrawing({{u"ab.bmp", ImageBytes(100, 1), {}},
                                         {u"a.bmp", ImageBytes(200, 2), {}},
                                         {u"gone.bmp", ImageBytes(300, 3), {}},
                                         {u"unused.bmp", ImageBytes(400, 4), {}}},
                                        {u"A.BMP", u"gone.bmp", u"", u"missing.bmp"});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  std::filesystem::remove(workPath() / "gone.bmp");
  ASSERT_TRUE(write(700)) << doc.LastError();
  JwwDrawingSpec expected = s;
  expected.images = {s.images[1]};
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
  EXPECT_FALSE(doc.BindImage[0].exf);
  EXPECT_TRUE(doc.BindImage[1].exf);
  EXPECT_FALSE(doc.BindImage[2].exf);
  EXPECT_FALSE(doc.BindImage[3].exf);
}

TEST_F(JwwDocTest, ImageNameMatchesTheFirstEntryThatBeginsWithIt) {
  // The text names x.png; the first entry whose name begins with it, in
  // upper case, is x.png.gz, and that one is embedded.
  const JwwDrawingSpec s =
      ImageDrawing({{u"X.PNG.gz", ImageBytes(40, 1), {}}, {u"x.png", ImageBytes(50, 2), {}}}, {u"x.png"});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  ASSERT_TRUE(write(700)) << doc.LastError();
  JwwDrawingSpec expected = s;
  expected.images = {s.images[0]};
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

TEST_F(JwwDocTest, LongTimeMarkInTheDocumentStillWritesAReadableFile) {
  // A dtime of 0x80000000 or more announces 8 more bytes to every reader; a
  // writer storing it bare would shift the rest of the definition.
  JwwDrawingSpec s = MakeCanonicalDrawing(600);
  s.entities = {BlockRef(0)};
  s.blockDefs = {Def(0, {Text(u"member")}, u"name")};
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  doc.EntBlockDef[0].dtime = 0x90000000u;
  ASSERT_TRUE(write(600)) << doc.LastError();
  ASSERT_TRUE(read(written(), "again.jww")) << doc.LastError();
  ASSERT_EQ(doc.EntBlockDefN, 1);
  EXPECT_EQ(doc.EntBlockDef[0].dtime, 1u);
  EXPECT_EQ(doc.EntBlockDef[0].strName, u"name");
  EXPECT_EQ(doc.EntBlockDef[0].mMoji.at(0).str, u"member");
}

TEST_F(JwwDocTest, ImagesReferencedInsideDefinitionsAreEmbedded) {
  JwwDrawingSpec s = ImageDrawing({{u"in.bmp", ImageBytes(100, 1), {}}}, {});
  s.entities = {BlockRef(0)};
  s.blockDefs = {Def(0, {Text(u"^@BM%temp%in.bmp,1,1")})};
  const JwwFile f = BuildJww(s);
  ASSERT_TRUE(read(f.bytes)) << doc.LastError();
  ASSERT_TRUE(write(700)) << doc.LastError();
  EXPECT_TRUE(SameBytes(f.bytes, written()));
}

TEST_F(JwwDocTest, NoImagesWrittenWhenBothImageFlagsAreOff) {
  const JwwDrawingSpec s = ImageDrawing({{u"a.bmp", ImageBytes(100, 1), {}}}, {u"a.bmp"});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  doc.BindImageExp = false;
  doc.BindImageExr = false;
  ASSERT_TRUE(write(700)) << doc.LastError();
  JwwDrawingSpec expected = s;
  expected.images.clear();
  EXPECT_TRUE(SameBytes(BuildJww(expected).bytes, written()));
}

TEST_F(JwwDocTest, ImageNamesAreWrittenInUtf16WithTheOption) {
  JwwDrawingSpec s = ImageDrawing({{u"図.bmp", ImageBytes(100, 1), {}}}, {u"図.bmp"});
  ASSERT_TRUE(read(BuildJww(s).bytes)) << doc.LastError();
  doc.SetFileOutOption(kFileOutUtf16);
  ASSERT_TRUE(doc.FileOut(dir.file("out.jww"), 700)) << doc.LastError();
  s.utf16 = true;
  EXPECT_TRUE(SameBytes(BuildJww(s).bytes, written()));
}

}  // namespace
}  // namespace velkaro::testing
