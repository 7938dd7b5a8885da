// The batch never destroys a drawing: failed writes, failed backups, and
// destinations or backups that are links to the source or to other files.
#include <gtest/gtest.h>

#include <filesystem>

#include "convert/ConversionBatchTestSupport.h"
#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Interrupt.h"
#include "support/MarkedFolder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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
  // Nothing was written: nothing is counted as converted.
  EXPECT_EQ(reporter.statuses.back(), u"0個のファイルを変換しました。（1個は変換できませんでした）");
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

// The atomic writer leaves the earlier file whole, so nothing is deleted.
TEST_F(BatchTest, AFailedWriteOverAnEarlierFileLeavesItAndItsBackup) {
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
  EXPECT_EQ(dst.read("p.jww"), earlier);
  EXPECT_EQ(filesIn(dst), 2u);
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
  EXPECT_TRUE(fs::is_directory(dstPath("p.BAK")));
  EXPECT_FALSE(fs::exists(dstPath("p.bk1")));
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

// ---- One batch per folder, every write through the folder checked ---------

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

bool StartsConverting(const std::u16string &status) {
  return status.rfind(u"ファイル「", 0) == 0;
}

// Regression: two batches into one folder at once mixed their backups.
TEST_F(BatchTest, ASecondBatchIntoALockedFolderIsRefused) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  FolderHandle other;
  ASSERT_TRUE(other.open(D()));
  ASSERT_EQ(other.tryLock(), FolderHandle::LockResult::Locked);
  const BatchResult r = run({u"p.jww"});
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(reporter.messages, std::vector<std::u16string>{kMessageDestinationBusy});
  EXPECT_EQ(filesIn(dst), 0u);
  other.close();
  EXPECT_EQ(run({u"p.jww"}).converted, 1) << "the lock goes with its holder";
}

#ifndef _WIN32
// Regression: the destination replaced by a link to the source folder while
// a drawing was read made the output land on the source.
TEST_F(BatchTest, ADestinationSwappedForALinkToTheSourceMidBatchCannotReachTheSource) {
  putJww(src, "p.jww", MakeRichDrawing(600, false));
  const auto source = src.read("p.jww");
  const fs::path moved = dst.path().string() + "-moved";
  reporter.onStatus = [&](const std::u16string &status) {
    if (!StartsConverting(status) || fs::exists(moved))
      return;
    fs::rename(dst.path(), moved);
    fs::create_directory_symlink(src.path(), dst.path());
  };
  const BatchResult r = run({u"p.jww"});
  fs::remove(dst.path());
  fs::rename(moved, dst.path());
  EXPECT_EQ(r.converted, 1);
  EXPECT_EQ(src.read("p.jww"), source);
  EXPECT_TRUE(fs::exists(dstPath("p.jww"))) << "written into the folder that was checked";
}

// Regression: a 0600 drawing's backup and output came out world-readable.
TEST_F(BatchTest, BackupsAndOutputsKeepTheFilesPermissions) {
  putJww(src, "new.jww", MakeRichDrawing(600, false));
  putJww(src, "old.jww", MakeRichDrawing(600, false));
  putJww(dst, "old.jww", MakeRichDrawing(420, false));
  fs::permissions(srcPath("new.jww"), fs::perms::owner_read | fs::perms::owner_write);
  const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(dstPath("old.jww"), kept);
  ASSERT_EQ(run({u"new.jww", u"old.jww"}).converted, 2);
  const auto perms = [&](const char *name) {
    return fs::status(dstPath(name)).permissions() & fs::perms::mask;
  };
  EXPECT_EQ(perms("new.jww"), fs::perms::owner_read | fs::perms::owner_write) << "the source's";
  EXPECT_EQ(perms("old.jww"), kept) << "the replaced file's";
  EXPECT_EQ(perms("old.BAK"), kept) << "the copied file's";
}

// Regression: a 4755 source gave a 4755 output. Outputs and backups keep
// the permission bits only; setuid, setgid and sticky are dropped.
TEST_F(BatchTest, OutputsAndBackupsNeverCarrySetuidSetgidOrSticky) {
  putJww(src, "new.jww", MakeRichDrawing(600, false));
  putJww(src, "old.jww", MakeRichDrawing(600, false));
  putJww(dst, "old.jww", MakeRichDrawing(420, false));
  ASSERT_EQ(::chmod(srcPath("new.jww").c_str(), 04755), 0);
  ASSERT_EQ(::chmod(dstPath("old.jww").c_str(), 07750), 0);
  ASSERT_EQ(run({u"new.jww", u"old.jww"}).converted, 2);
  const auto mode = [&](const char *name) {
    struct stat st {};
    EXPECT_EQ(::stat(dstPath(name).c_str(), &st), 0) << name;
    return st.st_mode & 07777;
  };
  EXPECT_EQ(mode("new.jww"), 0755u);
  EXPECT_EQ(mode("old.jww"), 0750u);
  EXPECT_EQ(mode("old.BAK"), 0750u);
}

TEST_F(BatchTest, ReasonsSayWhyASourceCouldNotBeRead) {
  fs::create_directory(srcPath("folder.jww"));
  ASSERT_EQ(mkfifo(srcPath("fifo.jww").c_str(), 0600), 0);
  putJww(src, "secret.jww", MakeRichDrawing(600, false));
  fs::permissions(srcPath("secret.jww"), fs::perms::none);
  const BatchResult r = run({u"folder.jww", u"fifo.jww", u"secret.jww"});
  const bool root = geteuid() == 0;  // root reads anything
  ASSERT_EQ(r.failures.size(), root ? 2u : 3u);
  EXPECT_EQ(r.failures[0].outcome, FileOutcome::NotRegularFile);
  EXPECT_EQ(r.failures[1].outcome, FileOutcome::NotRegularFile);
  if (!root) {
    EXPECT_EQ(r.failures[2].outcome, FileOutcome::PermissionDenied);
  }
  EXPECT_EQ(FailureListText(r.failures),
            u"次のファイルは変換できませんでした。\r\n\r\nfolder.jww：通常のファイルではありません"
            u"\r\nfifo.jww：通常のファイルではありません" +
                std::u16string(root ? u"" : u"\r\nsecret.jww：読み込む権限がありません"));
}
#endif

// A copy of a marked folder's marker in a folder of its own: a look-alike
// that names another folder.
void PlantCopiedMarker(const fs::path &from, const fs::path &folder) {
  fs::create_directory(folder);
  WriteFileBytes(folder / ToFsPath(kFolderMarkerName),
                 ReadFileBytes(from / ToFsPath(kFolderMarkerName)));
}

// A killed run leaves its temporary folders and work folders; the next batch
// removes those that prove to be a dead run's, never one still held nor
// anything merely named like ours. Regression: a user's
// velkaro-work-notes/notes.txt and a file .velkaro-0123456789abcdef.tmp were
// deleted by every batch.
TEST_F(BatchTest, LeftoversOfDeadRunsAreRemovedAndLiveOnesKept) {
  TempDir temp;
  ScopedTempFolder useTemp(temp.path());
  FolderHandle folder, tempFolder;
  ASSERT_TRUE(folder.open(D()));
  ASSERT_TRUE(tempFolder.open(temp.u16()));
  std::u16string deadTemp;
  {
    AtomicFileWriter dead(folder, u"dead.jww");
    ASSERT_TRUE(dead.open());
    dead.write(ByteVec{1, 2, 3});
    dead.abandonForTesting();  // as a kill leaves it
  }
  for (const auto &e : fs::directory_iterator(dst.path()))
    deadTemp = FromFsPath(e.path().filename());
  ASSERT_FALSE(deadTemp.empty());
  {
    MarkedFolder deadWork;
    ASSERT_EQ(deadWork.create(tempFolder, u"velkaro-work-00000000000000aa"),
              MarkedFolder::Made::Yes);
    WriteFileBytes(temp.path() / "velkaro-work-00000000000000aa" / "image.bmp", {'B', 'M'});
    deadWork.abandonForTesting();
  }
  // Look-alikes: named like ours, but no proof (or a copied one).
  dst.write(".velkaro-0123456789abcdef.tmp", {'o', 'l', 'd'});
  fs::create_directory(dstPath(".velkaro-1111111111111111.tmp"));
  dst.write(".velkaro-1111111111111111.tmp/notes.txt", {'n'});
  PlantCopiedMarker(dst.path() / ToFsPath(deadTemp), dstPath(".velkaro-2222222222222222.tmp"));
  fs::create_directory(temp.path() / "velkaro-work-notes");
  temp.write("velkaro-work-notes/notes.txt", {'n'});
  PlantCopiedMarker(temp.path() / "velkaro-work-00000000000000aa",
                    temp.path() / "velkaro-work-copied");
  // Live ones: held by their run.
  std::optional<WorkFolder> live = WorkFolder::Create();
  ASSERT_TRUE(live.has_value());
  AtomicFileWriter writing(folder, u"busy.jww");
  ASSERT_TRUE(writing.open());

  putJww(src, "p.jww", MakeRichDrawing(600, false));
  ASSERT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_FALSE(fs::exists(dst.path() / ToFsPath(deadTemp)));
  EXPECT_FALSE(fs::exists(temp.path() / "velkaro-work-00000000000000aa"));
  EXPECT_EQ(dst.read(".velkaro-0123456789abcdef.tmp"), (ByteVec{'o', 'l', 'd'}));
  EXPECT_EQ(dst.read(".velkaro-1111111111111111.tmp/notes.txt"), ByteVec{'n'});
  EXPECT_TRUE(fs::exists(dstPath(".velkaro-2222222222222222.tmp") / ToFsPath(kFolderMarkerName)));
  EXPECT_EQ(temp.read("velkaro-work-notes/notes.txt"), ByteVec{'n'});
  EXPECT_TRUE(fs::exists(temp.path() / "velkaro-work-copied" / ToFsPath(kFolderMarkerName)));
  EXPECT_TRUE(fs::exists(ToFsPath(live->path())));
  EXPECT_EQ(filesIn(dst), 5u) << "p.jww, three look-alikes and the live writer's folder";
}

TEST_F(BatchTest, AStopRequestEndsTheBatchAfterTheFileInProgressGaveUp) {
  putJww(src, "a.jww", MakeRichDrawing(600, false));
  putJww(src, "b.jww", MakeRichDrawing(600, false));
  reporter.onStatus = [](const std::u16string &status) {
    if (StartsConverting(status))
      RequestStop(2);
  };
  const BatchResult r = run({u"a.jww", u"b.jww"});
  ClearStopRequest();
  EXPECT_TRUE(r.interrupted);
  EXPECT_EQ(r.counted, 1);
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].outcome, FileOutcome::Interrupted);
  EXPECT_EQ(filesIn(dst), 0u) << "no output, no temporary file";
}

}  // namespace
}  // namespace velkaro::testing
