// The batch never destroys a drawing: failed writes, failed backups, and
// destinations or backups that are links to the source or to other files.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/ConversionBatchTestSupport.h"
#include "support/FileIO.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

// Switches the write-failure seam off again whatever the test does.
struct WriteFailureAfter {
  explicit WriteFailureAfter(std::uint64_t bytes) { SetWriteFailureAfterBytesForTesting(bytes); }
  ~WriteFailureAfter() { SetWriteFailureAfterBytesForTesting(0); }
};

TEST_F(BatchTest, AFailedWriteLeavesNoOutputAndNoTemporaryFile) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  BatchResult r;
  {
    WriteFailureAfter fail(100);
    r = run({u"p.jww"});
  }
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(r.converted, 0);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::WriteFailed);
  EXPECT_EQ(filesIn(dst), 0u);
  EXPECT_EQ(reporter.statuses.back(), u"1個のファイルを変換しました。");
}

TEST_F(BatchTest, AFailedJwcWriteLeavesNoOutput) {
  jwcfix::JwcDrawing d;
  d.texts = {{0, 0, 1, 0, 1, 0, "t"}};
  putJwc(src, "p.jwc", d);
  {
    WriteFailureAfter fail(300);
    run({u"p.jwc"});
  }
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::WriteFailed);
  EXPECT_EQ(filesIn(dst), 0u);
}

TEST_F(BatchTest, AFailedWriteOverAnEarlierFileLeavesItOnlyInItsBackup) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(420, false));
  const auto earlier = dst.read("p.jww");
  {
    // The backup copy gets through, the output does not.
    WriteFailureAfter fail(earlier.size() + 64);
    run({u"p.jww"});
  }
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::WriteFailed);
  EXPECT_EQ(dst.read("p.BAK"), earlier);
  EXPECT_FALSE(fs::exists(dstPath("p.jww")));
  EXPECT_EQ(filesIn(dst), 1u);
}

// Regression: when the earlier file could not be kept as .BAK, writing the
// output destroyed its only copy.
TEST_F(BatchTest, AnEarlierFileThatCannotBeBackedUpIsNotOverwritten) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  putJww(dst, "p.jww", MakeRichDrawing(420, false));
  fs::create_directory(dstPath("p.BAK"));  // the backup cannot be written
  const auto earlier = dst.read("p.jww");
  const BatchResult r = run({u"p.jww"});
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(r.converted, 0);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::BackupFailed);
  EXPECT_EQ(dst.read("p.jww"), earlier);
  EXPECT_EQ(reporter.statuses.back(), u"1個のファイルを変換しました。");
}

#ifndef _WIN32  // mingw's std::filesystem makes no symbolic links
TEST_F(BatchTest, ADestinationThatIsASymbolicLinkToTheSourceIsNotWritten) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  const auto source = src.read("p.jww");
  fs::create_symlink(srcPath("p.jww"), dstPath("p.jww"));
  const BatchResult r = run({u"p.jww"});
  EXPECT_EQ(r.counted, 1);
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::DestinationIsSource);
  EXPECT_EQ(src.read("p.jww"), source);
  EXPECT_TRUE(fs::is_symlink(dstPath("p.jww")));
  EXPECT_FALSE(fs::exists(dstPath("p.BAK")));
}
#endif

TEST_F(BatchTest, ADestinationThatIsAHardLinkOfTheSourceIsNotWritten) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  const auto source = src.read("p.jww");
  std::error_code ec;
  fs::create_hard_link(srcPath("p.jww"), dstPath("p.jww"), ec);
  if (ec)
    GTEST_SKIP() << "the two temporary folders are on different file systems";
  run({u"p.jww"});
  EXPECT_EQ(reporter.finished.at(0).outcome, FileOutcome::DestinationIsSource);
  EXPECT_EQ(src.read("p.jww"), source);
}

#ifndef _WIN32  // mingw's std::filesystem makes no symbolic links
TEST_F(BatchTest, ADestinationLinkToAnotherFileIsReplacedNotWrittenThrough) {
  TempDir other;
  putJww(other, "keep.jww", MakeRichDrawing(420, false));
  const auto keep = other.read("keep.jww");
  fs::create_symlink(other.path() / "keep.jww", dstPath("p.jww"));
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(other.read("keep.jww"), keep);
  EXPECT_FALSE(fs::is_symlink(dstPath("p.jww")));
  EXPECT_EQ(dst.read("p.BAK"), keep);
  ReadBack out(dstPath("p.jww"));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.doc.Enthd.jwVer, 600);
}
#endif

TEST_F(BatchTest, ADestinationHardLinkedElsewhereLeavesTheOtherNameAlone) {
  putJww(dst, "keep.jww", MakeRichDrawing(420, false));
  const auto keep = dst.read("keep.jww");
  fs::create_hard_link(dstPath("keep.jww"), dstPath("p.jww"));
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(dst.read("keep.jww"), keep);
  EXPECT_EQ(dst.read("p.BAK"), keep);
}

#ifndef _WIN32  // mingw's std::filesystem makes no symbolic links
TEST_F(BatchTest, ABackupNameThatLinksToTheSourceDoesNotOverwriteTheSource) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  const auto source = src.read("p.jww");
  putJww(dst, "p.jww", MakeRichDrawing(420, false));
  const auto earlier = dst.read("p.jww");
  fs::create_symlink(srcPath("p.jww"), dstPath("p.BAK"));
  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(src.read("p.jww"), source);
  EXPECT_FALSE(fs::is_symlink(dstPath("p.BAK")));
  EXPECT_EQ(dst.read("p.BAK"), earlier);
}
#endif

TEST_F(BatchTest, TheMapIsNormalisedBeforeUse) {
  putJww(src, "d.jww", MakeRichDrawing(600, false));
  // Not a permutation: two kinds would merge into kind 2.
  ASSERT_EQ(run({u"d.jww"}, TMojiShuMap{2, 2, 3, 4, 5, 6, 7, 8, 9, 10}).converted, 1);
  ReadBack out(dstPath("d.jww"));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(KindOfText(out.doc, u"Hello"), 2u);
  bool found = false;
  for (const auto &def : out.doc.EntBlockDef)
    for (std::int32_t i = 0; i < def.mMojiN; ++i)
      if (def.mMoji[i].str == u"文字") {
        EXPECT_EQ(def.mMoji[i].nMojiShu, 1u) << "(2,2,...) normalises to (2,1,...)";
        found = true;
      }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace velkaro::testing
