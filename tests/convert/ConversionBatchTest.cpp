// The conversion batch end to end on real files: refusals, the extension
// message, backups, the count, status texts, and what the outputs hold.
#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "convert/ConversionBatchTestSupport.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(BatchTest, NoRowsSelectedReportsZeroAndWritesNothing) {
  const BatchResult r = run({});
  EXPECT_FALSE(r.refused);
  EXPECT_EQ(r.counted, 0);
  EXPECT_EQ(reporter.statuses, (std::vector<std::u16string>{u"0個のファイルを変換しました。"}));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(filesIn(dst), 0u);
}

TEST_F(BatchTest, EmptyDestinationIsRefused) {
  putJww(src, "a.jww", MakeRichDrawing(600, false));
  ConversionBatch batch(JWW, JWC, reporter);
  const BatchResult r = batch.Run(S(), u"", {u"a.jww"}, kSwapOneAndTwo);
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(reporter.messages, (std::vector<std::u16string>{u"保存先フォルダを指示して下さい。"}));
  EXPECT_EQ(reporter.focusMoves, 1);
  EXPECT_TRUE(reporter.statuses.empty()) << "a refusal shows no count";
}

TEST_F(BatchTest, MissingDestinationIsRefused) {
  putJww(src, "a.jww", MakeRichDrawing(600, false));
  ConversionBatch batch(JWW, JWC, reporter);
  const BatchResult r = batch.Run(S(), dst.file("gone"), {u"a.jww"}, kSwapOneAndTwo);
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(reporter.messages, (std::vector<std::u16string>{u"保存先フォルダが存在しません。"}));
  EXPECT_EQ(reporter.focusMoves, 1);
}

// Regression: a file given as the destination was told as a missing folder.
TEST_F(BatchTest, DestinationThatIsAFileIsRefusedAsNoFolder) {
  putJww(src, "a.jww", MakeRichDrawing(600, false));
  putJww(dst, "plan.jww", MakeRichDrawing(600, false));
  const auto before = dst.read("plan.jww");
  ConversionBatch batch(JWW, JWC, reporter);
  const BatchResult r = batch.Run(S(), dst.file("plan.jww"), {u"a.jww"}, kSwapOneAndTwo);
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(reporter.messages,
            (std::vector<std::u16string>{u"保存先に指定されたものはフォルダではありません。"}));
  EXPECT_EQ(reporter.focusMoves, 1);
  EXPECT_EQ(dst.read("plan.jww"), before);
}

// The same folder under several spellings: the texts compare equal after
// upper-casing, or the folders are one and the same.
class SameFolderSpelling : public BatchTest, public ::testing::WithParamInterface<int> {};

TEST_P(SameFolderSpelling, IsRefusedAndTheSourceIsUntouched) {
  putJww(src, "a.jww", MakeRichDrawing(600, false));
  const auto before = src.read("a.jww");
  std::u16string destination;
  switch (GetParam()) {
    case 0: destination = S(); break;                              // the same text
    case 1: destination = S() + PathSeparator(); break;            // a trailing separator
    case 2: destination = S() + u"/."; break;                       // a dot segment
    case 3: {  // another name of it: a link; on Windows its 8.3 short name
#ifdef _WIN32
      wchar_t shortName[MAX_PATH];
      const DWORD n = GetShortPathNameW(src.path().c_str(), shortName, MAX_PATH);
      ASSERT_GT(n, 0u);
      destination = std::u16string(shortName, shortName + n);
      ASSERT_NE(LocaleUpperCase(destination), LocaleUpperCase(S()));
#else
      fs::create_directory_symlink(src.path(), dst.path() / "link");
      destination = dst.file("link");
#endif
      break;
    }
    case 4: {                                                      // only the letter case differs
      const fs::path upper = dst.path() / "CASE";
      fs::create_directory(dst.path() / "case");
      fs::create_directory(upper);  // on a case-sensitive file system the text decides
      putJww(dst, "case/a.jww", MakeRichDrawing(600, false));
      ConversionBatch batch(JWW, JWC, reporter);
      const BatchResult r = batch.Run(dst.file("case"), FromFsPath(upper), {u"a.jww"}, kIdentity);
      EXPECT_TRUE(r.refused);
      EXPECT_EQ(reporter.messages.at(0), u"保存先フォルダは参照フォルダと同じにしないで下さい。");
      return;
    }
  }
  ConversionBatch batch(JWW, JWC, reporter);
  const BatchResult r = batch.Run(S(), destination, {u"a.jww"}, kSwapOneAndTwo);
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(reporter.messages,
            (std::vector<std::u16string>{u"保存先フォルダは参照フォルダと同じにしないで下さい。"}));
  EXPECT_EQ(src.read("a.jww"), before);
  EXPECT_FALSE(fs::exists(srcPath("a.BAK")));
}

INSTANTIATE_TEST_SUITE_P(Spellings, SameFolderSpelling, ::testing::Values(0, 1, 2, 3, 4));

TEST_F(BatchTest, OtherExtensionsGetTheirMessageAndAreNotCounted) {
  src.write("a.jws", jwcfix::BuildJwsHeader(600));
  putJww(src, "b.jww", MakeRichDrawing(600, false));
  src.write("c.txt", {'x'});
  const BatchResult r = run({u"a.jws", u"b.jww", u"c.txt"});
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(r.converted, 1);
  ASSERT_EQ(reporter.messages.size(), 2u);
  EXPECT_EQ(reporter.messages[0],
            u"このファイル拡張子（種類）の変換には対応していません。\r\nファイル名：a.jws\r\n"
            u"\u3000\u3000拡張子：.jws");
  EXPECT_EQ(reporter.messages[1],
            u"このファイル拡張子（種類）の変換には対応していません。\r\nファイル名：c.txt\r\n"
            u"\u3000\u3000拡張子：.txt");
  EXPECT_TRUE(fs::exists(dstPath("b.jww")));
  EXPECT_FALSE(fs::exists(dstPath("a.jws")));
  EXPECT_EQ(reporter.statuses.back(), u"1個のファイルを変換しました。");
  EXPECT_EQ(reporter.rows, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 3}, {2, 3}, {3, 3}}));
  // Every row has its outcome in the result, the others marked as not counted.
  ASSERT_EQ(r.rows.size(), 3u);
  EXPECT_FALSE(r.rows[0].counted);
  EXPECT_TRUE(r.rows[1].counted);
  EXPECT_EQ(r.rows[1].outcome, FileOutcome::Converted);
  EXPECT_EQ(RowResultLabel(&r.rows[0]), u"変換対象外");
  EXPECT_EQ(RowResultReason(&r.rows[2]),
            u"このファイル拡張子（種類）の変換には対応していません。 ファイル名：c.txt "
            u"\u3000\u3000拡張子：.txt");
  EXPECT_EQ(BatchResultText(r, {u"a.jws", u"b.jww", u"c.txt", u"d.jww"}),
            u"1個のファイルを変換しました。\r\n"
            u"a.jws\t変換対象外\t" + RowResultReason(&r.rows[0]) + u"\r\n"
            u"b.jww\t変換しました\t\r\n"
            u"c.txt\t変換対象外\t" + RowResultReason(&r.rows[2]) + u"\r\n"
            u"d.jww\t変換していません\t中止しました\r\n");
}

// A front end that lists rows in its own view (the window) gets each
// unconvertible row as a call of its own, in row order, also from workers.
TEST_F(BatchTest, UnconvertibleRowsReachTheirOwnCallInRowOrder) {
  struct Listing : RecordingReporter {
    void RowNotConvertible(const std::u16string &N, const std::u16string &E) override {
      listed.push_back(N + u" " + E);
    }
    std::vector<std::u16string> listed;
  } listing;
  for (const char *name : {"a.jww", "b.jww", "c.jww"})
    putJww(src, name, MakeRichDrawing(600, false));
  src.write("a.txt", {'x'});
  src.write("c.jws", {'x'});
  ConversionBatch batch(JWW, JWC, listing);
  BatchOptions two;
  two.jobs = 2;
  const BatchResult r =
      batch.Run(S(), D(), {u"a.jww", u"a.txt", u"b.jww", u"c.jws", u"c.jww"}, kIdentity, two);
  EXPECT_TRUE(listing.messages.empty());
  EXPECT_EQ(listing.listed, (std::vector<std::u16string>{u"a.txt .txt", u"c.jws .jws"}));
  EXPECT_EQ(r.converted, 3);
  EXPECT_EQ(r.rows.size(), 5u);
}

TEST_F(BatchTest, StatusTextsShowEachFileThenTheCount) {
  putJww(src, "b.jww", MakeRichDrawing(600, false));
  run({u"b.jww"});
  const std::u16string source = S() + PathSeparator() + u"b.jww";
  const std::u16string dest = D() + PathSeparator() + u"b.jww";
  EXPECT_EQ(reporter.statuses,
            (std::vector<std::u16string>{u"ファイル「" + source + u"」→「" + dest + u"」変換中です。",
                                         u"", u"1個のファイルを変換しました。"}));
  ASSERT_EQ(reporter.finished.size(), 1u);
  EXPECT_EQ(reporter.finished[0].outcome, FileOutcome::Converted);
}

TEST_F(BatchTest, UpperCaseNameKeepsItsNameAndBacksUpTheEarlierFile) {
  putJww(src, "PLAN.JWW", MakeRichDrawing(600, false));
  putJww(dst, "PLAN.JWW", MakeRichDrawing(420, false));
  const auto earlier = dst.read("PLAN.JWW");
  const auto earlierTime = fs::last_write_time(dstPath("PLAN.JWW")) - std::chrono::hours(5);
  fs::last_write_time(dstPath("PLAN.JWW"), earlierTime);
  const BatchResult r = run({u"PLAN.JWW"});
  EXPECT_EQ(r.converted, 1);
  ASSERT_TRUE(fs::exists(dstPath("PLAN.BAK")));
  EXPECT_EQ(dst.read("PLAN.BAK"), earlier);
  EXPECT_EQ(fs::last_write_time(dstPath("PLAN.BAK")), earlierTime) << "the backup keeps the times";
  ReadBack out(dstPath("PLAN.JWW"));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.doc.Enthd.jwVer, 600);
}

// Regression: the second backup of p.jww / p.jwc replaced the first one in
// p.BAK, so one of the two earlier drawings was lost.
TEST_F(BatchTest, TwoDrawingsOfOneNameKeepBothBackups) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJwc(src, "p.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  jwcfix::JwcDrawing older;
  older.comment1 = "OLD";
  putJwc(dst, "p.jwc", older);
  const auto oldJww = dst.read("p.jww");
  const auto oldJwc = dst.read("p.jwc");
  const BatchResult r = run({u"p.jww", u"p.jwc"});
  EXPECT_EQ(r.counted, 2);
  EXPECT_EQ(r.converted, 2);
  EXPECT_EQ(dst.read("p.BAK"), oldJww);
  EXPECT_EQ(dst.read("p.jwc.BAK"), oldJwc);
}

// A file is committed while the next one is converted; its report must
// still wait until it is in place, and come in row order, with one worker
// or several.
TEST_F(BatchTest, AFileIsInPlaceWhenItIsReportedConverted) {
  const std::vector<std::u16string> rows{u"a.jww", u"b.jwc", u"c.jww", u"a.jwc", u"d.jww"};
  for (const std::u16string &row : rows) {
    if (ExtensionOfName(row) == u".jww")
      putJww(src, ToUtf8(row), MakeRichDrawing(600, false));
    else
      putJwc(src, ToUtf8(row), jwcfix::JwcDrawing{});
  }
  putJww(dst, "c.jww", MakeRichDrawing(230, false));
  for (const int jobs : {1, 2}) {
    reporter = RecordingReporter{};
    reporter.onFinished = [&](const RecordingReporter::Finished &f) {
      EXPECT_EQ(f.outcome, FileOutcome::Converted);
      const fs::path out = ToFsPath(f.dest);
      EXPECT_TRUE(fs::is_regular_file(out)) << out;
      EXPECT_EQ(fs::file_size(out), fs::file_size(src.path() / out.filename())) << out;
      fs::remove(out);  // the next jobs count starts from the same folder
    };
    const BatchResult r = run(rows, kIdentity, jobs);
    EXPECT_EQ(r.converted, 5) << jobs;
    ASSERT_EQ(reporter.finished.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(ExtractName(reporter.finished[i].dest), rows[i]) << jobs;
  }
}

// Regression: a drawing followed by bytes the format ignores converted
// without a word, the output silently shorter. Each such file is told with
// its count just before its outcome, in row order with any number of workers.
TEST_F(BatchTest, BytesAfterTheDrawingAreToldForEachFileThatDropsThem) {
  ByteVec jww = BuildJww(MakeRichDrawing(600, false)).bytes;
  jww.insert(jww.end(), 100, 0);
  src.write("a.jww", jww);
  putJww(src, "b.jww", MakeRichDrawing(600, false));
  jwcfix::Bytes jwc = jwcfix::BuildJwc(jwcfix::JwcDrawing{});
  jwc.insert(jwc.end(), {1, 2, 3});
  src.write("c.jwc", jwc);
  for (const int jobs : {1, 2}) {
    reporter = RecordingReporter{};
    const BatchResult r = run({u"a.jww", u"b.jww", u"c.jwc"}, kSwapOneAndTwo, jobs);
    EXPECT_EQ(r.converted, 3) << jobs;
    using Warning = std::tuple<std::size_t, std::u16string, std::uint64_t>;
    EXPECT_EQ(reporter.warnings, (std::vector<Warning>{{0, u"a.jww", 100}, {2, u"c.jwc", 3}}))
        << jobs;
    // The window's result says it beside "変換しました".
    EXPECT_EQ(RowResultReason(&r.rows[0]), FileWarningReason({100})) << jobs;
    EXPECT_EQ(RowResultReason(&r.rows[1]), u"") << jobs;
    // The outputs end where the drawings do.
    EXPECT_EQ(fs::file_size(dstPath("a.jww")), fs::file_size(dstPath("b.jww"))) << jobs;
    for (const char *name : {"a.jww", "b.jww", "c.jwc", "a.BAK", "b.BAK", "c.BAK"})
      fs::remove(dstPath(name));
  }
  EXPECT_EQ(FileWarningText({100}),
            "the 100 bytes after the end of the drawing were not carried over (the format ignores them)");
}

// Regression: a second run into the same folder replaced the only backup of
// the file that was there first.
TEST_F(BatchTest, ASecondBatchKeepsEarlierBackupsAsGenerations) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  const auto original = dst.read("p.jww");
  run({u"p.jww"});
  const auto firstOutput = dst.read("p.jww");
  run({u"p.jww"}, kIdentity);  // another map: other bytes than the first output
  EXPECT_EQ(dst.read("p.BAK"), firstOutput);
  EXPECT_EQ(dst.read("p.bk1"), original);
  // As after a stop between backup and write: the backup already holds the
  // bytes to be backed up, so nothing moves.
  dst.write("p.BAK", dst.read("p.jww"));
  run({u"p.jww"});
  EXPECT_EQ(dst.read("p.bk1"), original);
  EXPECT_FALSE(fs::exists(dstPath("p.bk2")));
  EXPECT_FALSE(fs::exists(dstPath("p.jww.BAK")));
}

TEST_F(BatchTest, OnlyTheNinthGenerationIsDropped) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  dst.write("p.jww", {'n', 'e', 'w'});
  dst.write("p.BAK", {'B'});
  for (char k = '1'; k <= '9'; ++k)
    dst.write(std::string("p.bk") + k, {static_cast<std::uint8_t>(k)});
  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(dst.read("p.BAK"), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(dst.read("p.bk1"), std::vector<std::uint8_t>{'B'});
  for (char k = '2'; k <= '9'; ++k)
    EXPECT_EQ(dst.read(std::string("p.bk") + k), std::vector<std::uint8_t>{static_cast<std::uint8_t>(k - 1)});
}

// Regression: a kill inside the generation shift, then a rerun, lost two
// generations and left a gap (.bk3 missing between .bk2 and .bk4). The
// rerun completes the shift first: whatever rename the kill came after, the
// end is that of a shift never interrupted. Row c: the first c renames of
// the shift were done (0 none, 9 all, .BAK -> .bk1 included).
class ShiftCutShort : public BatchTest, public ::testing::WithParamInterface<int> {};

TEST_P(ShiftCutShort, TheRerunCompletesTheShiftBeforeAddingAGeneration) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  dst.write("p.jww", {'n', 'e', 'w'});
  dst.write("p.BAK", {'B'});
  for (char k = '1'; k <= '9'; ++k)
    dst.write(std::string("p.bk") + k, {static_cast<std::uint8_t>(k)});
  const auto generation = [](int k) { return k == 0 ? std::string("p.BAK") : "p.bk" + std::to_string(k); };
  for (int done = 0, k = 8; done < GetParam(); ++done, --k)
    fs::rename(dstPath(generation(k)), dstPath(generation(k + 1)));

  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(dst.read("p.BAK"), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(dst.read("p.bk1"), std::vector<std::uint8_t>{'B'});
  for (char k = '2'; k <= '9'; ++k)
    EXPECT_EQ(dst.read(std::string("p.bk") + k), std::vector<std::uint8_t>{static_cast<std::uint8_t>(k - 1)})
        << "p.bk" << k;
}

INSTANTIATE_TEST_SUITE_P(EveryRename, ShiftCutShort, ::testing::Range(0, 10));

TEST_F(BatchTest, BackupNamesNeverRepeatWithinABatch) {
  ConversionBatch batch(JWW, JWC, reporter);
  const std::u16string T = D() + PathSeparator() + u"p.jww";
  EXPECT_EQ(batch.BackupNameFor(T), D() + PathSeparator() + u"p.BAK");
  // p.jwc took p.BAK, p.jww.jww took p.jww.BAK: p.jww falls back to a number.
  putJwc(src, "p.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "p.jwc", MakeRichDrawing(600, false));
  putJww(src, "p.jww.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww.jww", MakeRichDrawing(600, false));
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(420, false));
  const auto old = dst.read("p.jww");
  batch.Run(S(), D(), {u"p.jwc", u"p.jww.jww", u"p.jww"}, kIdentity);
  EXPECT_TRUE(fs::exists(dstPath("p.BAK")));
  EXPECT_TRUE(fs::exists(dstPath("p.jww.BAK")));
  EXPECT_EQ(dst.read("p.jww.2.BAK"), old);
}

TEST_F(BatchTest, AJwwNameThatIsNotADrawingIsSkippedButCounted) {
  src.write("fake.jww", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'w', 'w'});
  putJww(src, "real.jww", MakeRichDrawing(600, false));
  const BatchResult r = run({u"fake.jww", u"real.jww"});
  EXPECT_EQ(r.counted, 2);
  EXPECT_EQ(r.converted, 1);
  EXPECT_TRUE(reporter.messages.empty()) << "skipped without a message";
  EXPECT_FALSE(fs::exists(dstPath("fake.jww")));
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::CheckFailed);
  EXPECT_EQ(reporter.statuses.back(), u"1個のファイルを変換しました。（1個は変換できませんでした）");
}

// Regression: the backup was made before the source was checked, so a
// file that produced nothing replaced a backup holding an earlier original.
TEST_F(BatchTest, AFileThatProducesNoOutputLeavesTheBackupAlone) {
  const std::vector<std::uint8_t> original{'O', 'R', 'I', 'G'};
  putJwc(dst, "x.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "y.jww", MakeRichDrawing(600, false));
  dst.write("x.BAK", original);
  dst.write("y.BAK", original);
  src.write("x.jwc", {'n', 'o'});  // fails its check; y.jww is missing
  const auto earlier = dst.read("x.jwc");
  const BatchResult r = run({u"x.jwc", u"y.jww"});
  EXPECT_EQ(r.failures.size(), 2u);
  EXPECT_EQ(dst.read("x.BAK"), original);
  EXPECT_EQ(dst.read("y.BAK"), original);
  EXPECT_EQ(dst.read("x.jwc"), earlier);
}

TEST_F(BatchTest, AMissingSourceCountsAsNotRead) {
  const BatchResult r = run({u"gone.jww"});
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(r.converted, 0);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::ReadFailed);
  EXPECT_EQ(filesIn(dst), 0u);
}

TEST_F(BatchTest, AJwwFileCutShortIsNotReadAndLeavesNoOutput) {
  const JwwFile file = BuildJww(MakeRichDrawing(600, false));
  // Ending inside the entity list, the file lacks its block-definition count.
  src.write("cut.jww", TruncateAt(file.bytes, file.at("entity.3") + 5));
  const BatchResult r = run({u"cut.jww"});
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::ReadFailed);
  EXPECT_FALSE(fs::exists(dstPath("cut.jww")));
  EXPECT_TRUE(workFolderEmpty());
  // The reader's reason travels with the failure, told in Japanese too.
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_NE(r.failures[0].detail.find("offset 0x"), std::string::npos) << r.failures[0].detail;
  EXPECT_EQ(FileFailureReason(r.failures[0]).rfind(u"読み込めません。", 0), 0u);
}

class BatchVersion : public BatchTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(BatchVersion, KeepsTheVersionAndRemapsEveryTextAndTheTable) {
  const std::int32_t v = GetParam();
  const JwwDrawingSpec plan = MakeRichDrawing(v, false);
  putJww(src, "d.jww", plan);
  ASSERT_EQ(run({u"d.jww"}).converted, 1);
  ReadBack out(dstPath("d.jww"));
  ASSERT_TRUE(out.ok) << out.doc.LastError();
  EXPECT_EQ(out.doc.Enthd.jwVer, v);
  EXPECT_FALSE(out.doc.MojiEncode) << "legacy strings stay legacy";
  EXPECT_EQ(KindOfText(out.doc, u"Hello"), 2u);           // kind 1 became 2
  EXPECT_EQ(KindOfText(out.doc, u"日本語文字種ソ表"), 20003u);  // kind 3 and its style stay
  EXPECT_EQ(KindOfText(out.doc, std::u16string(300, u'x')), 10u);
  ASSERT_GE(out.doc.EntSunpoN, 1);
  EXPECT_EQ(out.doc.EntSunpo[0].Moji.nMojiShu % 10000, 3u);
  // Table entries of kinds 1 and 2 traded places.
  ASSERT_EQ(out.doc.EntMoj.size(), 10u);
  EXPECT_EQ(out.doc.EntMoj[0].adMojiX, plan.EntMoj[1].adMojiX);
  EXPECT_EQ(out.doc.EntMoj[1].adMojiY, plan.EntMoj[0].adMojiY);
  EXPECT_EQ(out.doc.EntMoj[1].anMojiCol, plan.EntMoj[0].anMojiCol);
  EXPECT_EQ(out.doc.EntMoj[2].adMojiX, plan.EntMoj[2].adMojiX);
  // The text of kind 2 inside the first block definition became kind 1.
  bool found = false;
  for (const auto &def : out.doc.EntBlockDef)
    for (std::int32_t i = 0; i < def.mMojiN; ++i)
      if (def.mMoji[i].str == u"文字") {
        EXPECT_EQ(def.mMoji[i].nMojiShu, 1u);
        found = true;
      }
  EXPECT_TRUE(found);
  EXPECT_TRUE(workFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(Versions, BatchVersion, ::testing::Values(230, 351, 420, 600, 700));

TEST_F(BatchTest, AFileWithUtf16StringsIsWrittenWithUtf16Strings) {
  putJww(src, "u.jww", MakeRichDrawing(600, true));
  ASSERT_EQ(run({u"u.jww"}).converted, 1);
  ReadBack out(dstPath("u.jww"));
  ASSERT_TRUE(out.ok);
  EXPECT_TRUE(out.doc.MojiEncode);
  EXPECT_EQ(KindOfText(out.doc, u"UTF-16 \u2713 \U0001F600"), 4u);
}

TEST_F(BatchTest, ImagesAreEmbeddedAgainAndTheWorkFolderIsEmptiedAfterEachFile) {
  const JwwDrawingSpec plan = MakeRichDrawing(700, false);
  putJww(src, "img.jww", plan);
  putJww(src, "img2.jww", plan);
  ASSERT_EQ(run({u"img.jww", u"img2.jww"}).converted, 2);
  EXPECT_TRUE(workFolderEmpty());
  for (const char *name : {"img.jww", "img2.jww"}) {
    ReadBack out(dstPath(name));
    ASSERT_TRUE(out.ok);
    ASSERT_EQ(out.doc.BindImageN, 2);
    for (const JwwImageSpec &image : plan.images) {
      const fs::path extracted = out.images.path() / ToFsPath(image.name);
      ASSERT_TRUE(fs::exists(extracted)) << ToUtf8(image.name);
      EXPECT_EQ(ReadFileBytes(extracted), image.content);
    }
  }
}

// Regression: without a usable work folder the images could not be
// extracted and the drawing was written without them; and the window then
// refused the whole batch. Now only the drawing with images is left out.
TEST_F(BatchTest, WithoutAWorkFolderOnlyDrawingsWithImagesAreLeftOut) {
  putJww(src, "img.jww", MakeRichDrawing(700, false));
  putJww(src, "plain.jww", MakeRichDrawing(600, false));
  JWW.BindImageFolder = dst.file("no-such-folder") + PathSeparator();
  BatchResult r;
  {
    ScopedTempFolder noTemp(dst.path() / "no-temp");
    r = run({u"img.jww", u"plain.jww"});
  }
  EXPECT_EQ(r.counted, 2);
  EXPECT_EQ(r.converted, 1);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::ImagesNotExtracted);
  EXPECT_FALSE(fs::exists(dstPath("img.jww")));
  EXPECT_TRUE(fs::exists(dstPath("plain.jww")));
  EXPECT_FALSE(fs::exists(dst.path() / "no-such-folder"));
}

TEST_F(BatchTest, AJwcDrawingIsRemappedWithItsTable) {
  jwcfix::JwcDrawing d;
  d.texts = {{0, 0, 10, 0, 1, 0, "one"}, {0, 5, 10, 5, 2, 0, "two"}, {0, 9, 9, 9, 0, 0, "own"},
             {0, 7, 9, 7, 11, 0, "eleven"}};
  d.lines = {{0, 0, 100, 100, 1, 2, 0}};
  putJwc(src, "c.jwc", d);
  ASSERT_EQ(run({u"c.jwc"}).converted, 1);
  TJwcData out;
  ASSERT_TRUE(out.FileIn(dst.file("c.jwc")));
  ASSERT_EQ(out.mojiN, 4);
  EXPECT_EQ(out.EntMoji[0].s, u"one");
  EXPECT_EQ(out.EntMoji[0].no, 2);
  EXPECT_EQ(out.EntMoji[1].no, 1);
  EXPECT_EQ(out.EntMoji[2].no, 0);
  EXPECT_EQ(out.EntMoji[3].no, 11);
  EXPECT_EQ(out.EntMjtp[1].width, d.kinds[2][1]);
  EXPECT_EQ(out.EntMjtp[2].width, d.kinds[1][1]);
  EXPECT_EQ(out.EntMjtp[3].height, d.kinds[3][2]);
  EXPECT_EQ(out.lineN, 1);
}

TEST_F(BatchTest, TheDocumentsAreReusedWithNothingOfOneFileInTheNext) {
  putJww(src, "a.jww", MakeRichDrawing(700, true));
  JwwDrawingSpec small = MakeCanonicalDrawing(420);
  small.entities = {Text(u"only", 1)};
  putJww(src, "b.jww", small);
  ASSERT_EQ(run({u"a.jww", u"b.jww"}).converted, 2);
  ReadBack out(dstPath("b.jww"));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.doc.EntMojiN, 1);
  EXPECT_EQ(out.doc.EntBlockDefN, 0);
  EXPECT_FALSE(out.doc.MojiEncode) << "UTF-16 of the first file must not reach the second";
}

}  // namespace
}  // namespace velkaro::testing
