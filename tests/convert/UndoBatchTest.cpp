// Undo of a batch: the earlier files back from wherever their backups went,
// new outputs taken away and kept, edited outputs and lost backups left
// alone, and the record that makes it possible.
#include <gtest/gtest.h>

#include <map>

#include "convert/ConversionBatchTestSupport.h"
#include "convert/UndoBatch.h"
#include "support/FolderHandle.h"
#include "support/Interrupt.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Tree = std::map<std::string, Bytes>;

class UndoTest : public BatchTest {
 protected:
  // Every file of the destination but the record.
  Tree files() const {
    Tree tree;
    for (const auto &e : fs::directory_iterator(dst.path()))
      if (FromFsPath(e.path().filename()) != kBatchRecordName)
        tree[e.path().filename().string()] = ReadFileBytes(e.path());
    return tree;
  }
  UndoResult undo(bool dryRun = false) {
    UndoOptions options;
    options.dryRun = dryRun;
    return UndoLastBatch(D(), options);
  }
  BatchRecordFile record() const {
    FolderHandle folder;
    EXPECT_TRUE(folder.open(D()));
    return ReadBatchRecord(folder);
  }
  // Whether some file of the destination holds these bytes.
  bool kept(const Bytes &bytes) const {
    for (const auto &[name, held] : files())
      if (held == bytes)
        return true;
    return false;
  }
  static std::vector<UndoOutcome> outcomes(const UndoResult &r) {
    std::vector<UndoOutcome> list;
    for (const UndoRow &row : r.rows)
      list.push_back(row.outcome);
    return list;
  }
};

TEST_F(UndoTest, EarlierFilesComeBackNewOnesGoAndNothingIsLost) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(src, "q.jww", MakeRichDrawing(420, true));
  putJwc(src, "r.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  const Tree before = files();
  ASSERT_EQ(run({u"p.jww", u"q.jww", u"r.jwc"}).converted, 3);
  const Tree converted = files();

  const UndoResult r = undo();
  ASSERT_TRUE(r.refusal.empty()) << ToUtf8(r.refusal);
  EXPECT_EQ(outcomes(r), (std::vector{UndoOutcome::Removed, UndoOutcome::Removed, UndoOutcome::Restored}));
  EXPECT_EQ(r.restored, 3);
  EXPECT_EQ(r.leftAlone, 0);
  const Tree after = files();
  EXPECT_EQ(after.at("p.jww"), before.at("p.jww"));
  EXPECT_FALSE(after.count("q.jww"));
  EXPECT_FALSE(after.count("r.jwc"));
  // What undo took away is itself a backup: the undo can be undone by hand.
  for (const char *name : {"p.jww", "q.jww", "r.jwc"})
    EXPECT_TRUE(kept(converted.at(name))) << name;
  EXPECT_TRUE(record().batches.back().undone);

  const UndoResult again = undo();
  EXPECT_EQ(again.refusal, kMessageNothingToUndo);
  EXPECT_EQ(files(), after);
}

// The later batch shifted the earlier one's backups a generation down.
TEST_F(UndoTest, TwoBatchesAreTakenBackLastFirst) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  const Bytes original = dst.read("p.jww");
  run({u"p.jww"});
  const Bytes first = dst.read("p.jww");
  run({u"p.jww"}, kIdentity);
  ASSERT_NE(dst.read("p.jww"), first);
  ASSERT_EQ(dst.read("p.bk1"), original);

  EXPECT_EQ(outcomes(undo()), std::vector{UndoOutcome::Restored});
  EXPECT_EQ(dst.read("p.jww"), first);
  EXPECT_EQ(outcomes(undo()), std::vector{UndoOutcome::Restored});
  EXPECT_EQ(dst.read("p.jww"), original);
  EXPECT_EQ(undo().refusal, kMessageNothingToUndo);
}

TEST_F(UndoTest, JwwAndJwcOfOneBaseNameGetTheirOwnEarlierFiles) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJwc(src, "p.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  jwcfix::JwcDrawing older;
  older.comment1 = "OLD";
  putJwc(dst, "p.jwc", older);
  const Tree before = files();
  run({u"p.jww", u"p.jwc"});
  ASSERT_TRUE(fs::exists(dstPath("p.jwc.BAK")));

  const UndoResult r = undo();
  EXPECT_EQ(r.restored, 2);
  EXPECT_EQ(dst.read("p.jww"), before.at("p.jww"));
  EXPECT_EQ(dst.read("p.jwc"), before.at("p.jwc"));
}

// What the drafter did after the batch decides what undo must not touch.
struct Meddling {
  const char *what;
  std::function<void(const TempDir &)> act;
  UndoOutcome outcome;  // of p.jww
};

class UndoLeavesAlone : public UndoTest, public ::testing::WithParamInterface<Meddling> {};

TEST_P(UndoLeavesAlone, TheFileAndUndoesTheRest) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(src, "q.jww", MakeRichDrawing(420, false));
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  putJww(dst, "q.jww", MakeRichDrawing(230, true));
  const Bytes earlierQ = dst.read("q.jww");
  run({u"p.jww", u"q.jww"});
  GetParam().act(dst);
  const bool pThere = fs::exists(dstPath("p.jww"));
  const Bytes pNow = pThere ? dst.read("p.jww") : Bytes{};

  const UndoResult r = undo();
  EXPECT_EQ(outcomes(r), (std::vector{UndoOutcome::Restored, GetParam().outcome}));
  EXPECT_EQ(r.leftAlone, 1);
  EXPECT_EQ(fs::exists(dstPath("p.jww")), pThere);
  if (pThere) {
    EXPECT_EQ(dst.read("p.jww"), pNow);
  }
  EXPECT_EQ(dst.read("q.jww"), earlierQ);
  // Left alone for good: the batch counts as undone.
  EXPECT_EQ(undo().refusal, kMessageNothingToUndo);
}

INSTANTIATE_TEST_SUITE_P(
    Meddlings, UndoLeavesAlone,
    ::testing::Values(
        Meddling{"OutputEdited", [](const TempDir &d) { d.write("p.jww", {'e', 'd', 'i', 't'}); },
                 UndoOutcome::ChangedSince},
        Meddling{"OutputDeleted", [](const TempDir &d) { fs::remove(d.path() / "p.jww"); },
                 UndoOutcome::OutputMissing},
        Meddling{"BackupDeleted", [](const TempDir &d) { fs::remove(d.path() / "p.BAK"); },
                 UndoOutcome::BackupMissing},
        Meddling{"BackupChanged", [](const TempDir &d) { d.write("p.BAK", {'x'}); },
                 UndoOutcome::BackupMissing}),
    [](const auto &info) { return std::string(info.param.what); });

// Nine later generations pushed p.jww's earlier file down to p.bk9: keeping
// anything more in that line would drop it. It is left where it is, and the
// new p.jwc is kept in a line of its own.
TEST_F(UndoTest, AnEarlierFileInTheNinthGenerationIsNeverPushedOut) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJwc(src, "p.jwc", jwcfix::JwcDrawing{});
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  const Bytes earlier = dst.read("p.jww");
  run({u"p.jww", u"p.jwc"});
  fs::rename(dstPath("p.BAK"), dstPath("p.bk9"));
  dst.write("p.BAK", {'0'});
  for (char k = '1'; k <= '8'; ++k)
    dst.write(std::string("p.bk") + k, {static_cast<std::uint8_t>(k)});

  const UndoResult r = undo();
  EXPECT_EQ(outcomes(r), (std::vector{UndoOutcome::Removed, UndoOutcome::BackupTooOld}));
  EXPECT_EQ(r.rows[0].backup, u"p.jwc.BAK");
  EXPECT_EQ(dst.read("p.bk9"), earlier);
}

TEST_F(UndoTest, IsRefusedWhileABatchHoldsTheFolder) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  run({u"p.jww"});
  FolderHandle batch;
  ASSERT_TRUE(batch.open(D()));
  ASSERT_EQ(batch.tryLock(), FolderHandle::LockResult::Locked);
  EXPECT_EQ(undo().refusal, kMessageDestinationBusy);
  EXPECT_TRUE(fs::exists(dstPath("p.jww")));
  batch.close();
  EXPECT_EQ(undo().restored, 1);
}

TEST_F(UndoTest, ADryRunSaysWhatWouldBeDoneAndChangesNothing) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(230, false));
  run({u"p.jww"});
  const Tree converted = files();
  const Bytes recordBytes = dst.read(ToUtf8(kBatchRecordName));

  const UndoResult r = undo(true);
  EXPECT_EQ(outcomes(r), std::vector{UndoOutcome::Restored});
  EXPECT_EQ(r.rows[0].backup, u"p.bk1");  // where the earlier file will be once the output is kept
  EXPECT_EQ(files(), converted);
  EXPECT_EQ(dst.read(ToUtf8(kBatchRecordName)), recordBytes);
}

// A stop (or a kill) part way: each name holds converted or restored bytes,
// and the batch stays to be undone; the rerun completes it.
TEST_F(UndoTest, AStoppedUndoIsCompletedByTheNextOne) {
  for (const char *name : {"a.jww", "b.jww", "c.jww"}) {
    putJww(src, name, MakeRichDrawing(600, false));
    putJww(dst, name, MakeRichDrawing(230, false));
  }
  const Tree before = files();
  run({u"a.jww", u"b.jww", u"c.jww"});

  struct StopAfterFirst : UndoReporter {
    void FileUndone(const std::u16string &, const UndoRow &) override { RequestStop(2); }
  } stopper;
  const UndoResult stopped = UndoLastBatch(D(), {}, &stopper);
  ClearStopRequest();
  EXPECT_TRUE(stopped.interrupted);
  EXPECT_EQ(stopped.rows.size(), 1u);
  EXPECT_EQ(dst.read("c.jww"), before.at("c.jww"));
  EXPECT_NE(dst.read("a.jww"), before.at("a.jww"));
  EXPECT_FALSE(record().batches.back().undone);

  const UndoResult rerun = undo();
  EXPECT_EQ(outcomes(rerun), (std::vector{UndoOutcome::AlreadyUndone, UndoOutcome::Restored,
                                          UndoOutcome::Restored}));
  for (const char *name : {"a.jww", "b.jww", "c.jww"})
    EXPECT_EQ(dst.read(name), before.at(name)) << name;
}

TEST_F(UndoTest, TheRecordKeepsTheLastTenBatchesAndWhatAStoppedOneFinished) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(src, "q.jww", MakeRichDrawing(420, false));
  for (int i = 0; i < 12; ++i)
    run({u"p.jww"}, i % 2 ? kIdentity : kSwapOneAndTwo);
  EXPECT_EQ(record().batches.size(), kBatchesKept);
  const std::string before = record().batches.back().id;

  reporter.onFinished = [](const RecordingReporter::Finished &) { RequestStop(2); };
  run({u"p.jww", u"q.jww"});
  ClearStopRequest();
  EXPECT_TRUE(reporter.messages.empty()) << ToUtf8(reporter.messages.front());
  const RecordedBatch last = record().batches.back();
  EXPECT_NE(last.id, before);
  ASSERT_EQ(last.files.size(), 1u);
  EXPECT_EQ(last.files[0].name, u"p.jww");
  EXPECT_TRUE(last.files[0].earlier);
}

TEST_F(UndoTest, ADamagedRecordIsMovedAsideNeverWrittenOver) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  const Bytes damaged{'{', 'n', 'o', 't'};
  dst.write(ToUtf8(kBatchRecordName), damaged);
  std::u16string why;
  EXPECT_FALSE(BatchToUndo(D(), why));
  EXPECT_NE(why.find(u"壊れて"), std::u16string::npos);

  run({u"p.jww"});
  EXPECT_EQ(dst.read(ToUtf8(kDamagedBatchRecordName)), damaged);
  ASSERT_TRUE(BatchToUndo(D(), why));
  EXPECT_EQ(undo().restored, 1);
  EXPECT_FALSE(fs::exists(dstPath("p.jww")));
}

TEST(UndoTexts, NameTheBatchAndCountTheFiles) {
  RecordedBatch batch;
  batch.map = {3, 2, 1, 4, 5, 6, 7, 8, 9, 10};
  batch.files.resize(3);
  const std::u16string text = BatchDescriptionText(batch);
  EXPECT_NE(text.find(u"の変換（3個のファイル、1→3, 3→1）"), std::u16string::npos) << ToUtf8(text);
  UndoResult result;
  result.restored = 2;
  result.leftAlone = 1;
  EXPECT_EQ(UndoSummaryText(result), u"2個のファイルを元に戻しました。（1個はそのままにしました）");
  result.dryRun = true;
  EXPECT_EQ(UndoSummaryText(result), u"2個のファイルを元に戻せます。（1個はそのままにします）");
}

}  // namespace
}  // namespace velkaro::testing
