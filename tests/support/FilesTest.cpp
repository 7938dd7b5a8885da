// File and folder helpers against a real temporary folder: existence tests,
// folder creation and removal, the backup copy with its time stamps, and the
// folder listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "builders/TempDir.h"
#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

Bytes Pattern(std::size_t n) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return out;
}

#ifndef _WIN32
void SetTimes(const fs::path &p, timespec atime, timespec mtime) {
  const timespec times[2] = {atime, mtime};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

struct stat StatOf(const fs::path &p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st;
}
#else
void SetTimes(const fs::path &p, timespec atime, timespec mtime) {
  FileStatus times;
  times.access = {atime.tv_sec, atime.tv_nsec};
  times.modification = {mtime.tv_sec, mtime.tv_nsec};
  ASSERT_TRUE(SetFileTimes(p, times));
}
#endif

std::set<std::string> NamesIn(const fs::path &dir) {
  std::set<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

std::set<std::u16string> ListedNames() {
  std::set<std::u16string> names;
  for (std::int32_t i = 0; i < FoundFileCount; ++i) names.insert(FoundFiles[static_cast<std::size_t>(i)].name);
  return names;
}

class SeamReset : public ::testing::Test {
 protected:
  void TearDown() override { SetWriteFailureAfterBytesForTesting(0); }
};

// ---- Existence -------------------------------------------------------------------------

#ifndef _WIN32  // symbolic links need a privilege on Windows
TEST(IsFileIsFolder, TellFilesFoldersAndLinksApart) {
  TempDir dir;
  dir.write("f.jww", {1});
  fs::create_directory(dir.path() / "d");
  fs::create_symlink(dir.path() / "f.jww", dir.path() / "link-to-file");
  fs::create_directory_symlink(dir.path() / "d", dir.path() / "link-to-dir");
  fs::create_symlink(dir.path() / "missing", dir.path() / "dangling");

  EXPECT_TRUE(IsFile(dir.file("f.jww")));
  EXPECT_FALSE(IsFolder(dir.file("f.jww")));
  EXPECT_TRUE(IsFolder(dir.file("d")));
  EXPECT_FALSE(IsFile(dir.file("d")));
  EXPECT_TRUE(IsFile(dir.file("link-to-file")));
  EXPECT_TRUE(IsFolder(dir.file("link-to-dir")));
  EXPECT_FALSE(IsFile(dir.file("dangling")));
  EXPECT_FALSE(IsFolder(dir.file("dangling")));
  EXPECT_FALSE(IsFile(dir.file("missing")));
  EXPECT_FALSE(IsFile(u""));
  EXPECT_TRUE(IsFolder(dir.u16WithSeparator()));
}
#endif

TEST(IsFile, ANulCannotShortenThePath) {
  TempDir dir;
  dir.write("a", {1});
  EXPECT_FALSE(IsFile(dir.file("a") + std::u16string(u"\0.jww", 5)));
  EXPECT_FALSE(RemoveFile(dir.file("a") + std::u16string(u"\0x", 2)));
  EXPECT_TRUE(fs::exists(dir.path() / "a"));
}

#ifndef _WIN32  // POSIX: FIFOs, modes, nanosecond times (Windows: WindowsPlatformTest)
TEST(IsFile, AFifoIsNoFile) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(IsFile(dir.file("pipe")));
}
#endif

// ---- Folders ----------------------------------------------------------------------------

TEST(CreateFolder, CreatesMissingParents) {
  TempDir dir;
  EXPECT_TRUE(CreateFolder(dir.file("a/b/c")));
  EXPECT_TRUE(fs::is_directory(dir.path() / "a/b/c"));
  EXPECT_TRUE(CreateFolder(dir.file("a/b/c")));  // existing is no failure
  EXPECT_TRUE(CreateFolder(dir.file("a/b/c/")));
}

TEST(CreateFolder, FailsWhereAFileIsInTheWay) {
  TempDir dir;
  dir.write("f", {1});
  EXPECT_FALSE(CreateFolder(dir.file("f")));
  EXPECT_FALSE(CreateFolder(dir.file("f/sub")));
  EXPECT_FALSE(CreateFolder(u""));
  EXPECT_EQ(dir.read("f"), Bytes{1});
}

TEST(RemoveFolder, RemovesOnlyAnEmptyFolder) {
  TempDir dir;
  fs::create_directories(dir.path() / "full/inner");
  dir.write("full/keep.jww", {7});
  fs::create_directory(dir.path() / "empty");

  EXPECT_FALSE(RemoveFolder(dir.file("full")));
  EXPECT_EQ(dir.read("full/keep.jww"), Bytes{7});
  EXPECT_TRUE(fs::is_directory(dir.path() / "full/inner"));

  EXPECT_TRUE(RemoveFolder(dir.file("empty")));
  EXPECT_FALSE(fs::exists(dir.path() / "empty"));
  EXPECT_FALSE(RemoveFolder(dir.file("empty")));
}

TEST(RemoveFolder, RemovesAReadOnlyEmptyFolder) {
  TempDir dir;
  fs::create_directory(dir.path() / "ro");
  fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(RemoveFolder(dir.file("ro")));
  EXPECT_FALSE(fs::exists(dir.path() / "ro"));
}

TEST(RemoveFolder, RefusesAFile) {
  TempDir dir;
  dir.write("f", {1});
  EXPECT_FALSE(RemoveFolder(dir.file("f")));
  EXPECT_TRUE(fs::exists(dir.path() / "f"));
}

TEST(RemoveFile, DeletesFilesOnly) {
  TempDir dir;
  dir.write("f", {1});
  fs::create_directory(dir.path() / "d");
  EXPECT_TRUE(RemoveFile(dir.file("f")));
  EXPECT_FALSE(fs::exists(dir.path() / "f"));
  EXPECT_FALSE(RemoveFile(dir.file("f")));
  EXPECT_FALSE(RemoveFile(dir.file("d")));
  EXPECT_TRUE(fs::is_directory(dir.path() / "d"));
}

#ifndef _WIN32  // symbolic links need a privilege on Windows
TEST(RemoveFile, DeletesALinkNotItsTarget) {
  TempDir dir;
  dir.write("target", {1});
  fs::create_symlink(dir.path() / "target", dir.path() / "link");
  EXPECT_TRUE(RemoveFile(dir.file("link")));
  EXPECT_EQ(dir.read("target"), Bytes{1});
}
#endif

// ---- CopyFileWithTimes ---------------------------------------------------------------------

#ifndef _WIN32  // POSIX: FIFOs, modes, nanosecond times (Windows: WindowsPlatformTest)
TEST(CopyFileWithTimes, CopiesBytesAndBothTimeStampsToTheNanosecond) {
  TempDir dir;
  const Bytes content = Pattern(10000);  // blocks of 4096, 4096 and 1808
  dir.write("plan.jww", content);
  SetTimes(dir.path() / "plan.jww", {1600000000, 123456789}, {1614675903, 987654321});

  EXPECT_TRUE(CopyFileWithTimes(dir.file("plan.jww"), dir.file("plan.BAK")));

  // Times first: reading the copy may move its access time (relatime).
  const struct stat dst = StatOf(dir.path() / "plan.BAK");
  EXPECT_EQ(dst.st_mtim.tv_sec, 1614675903);
  EXPECT_EQ(dst.st_mtim.tv_nsec, 987654321);
  EXPECT_EQ(dst.st_atim.tv_sec, 1600000000);
  EXPECT_EQ(dst.st_atim.tv_nsec, 123456789);
  EXPECT_EQ(dir.read("plan.BAK"), content);
  EXPECT_EQ(dir.read("plan.jww"), content);  // the source is never changed
  EXPECT_EQ(StatOf(dir.path() / "plan.jww").st_mtim.tv_nsec, 987654321);
}

// Regression: the times were set through the path after the copy. With the
// destination swapped for a link to the source folder meanwhile, the
// source's own plan.BAK got new times and the real backup lost its date.
TEST(CopyEntryWithTimes, TimesGoToTheCopyEvenWhenTheFolderPathNowLeadsElsewhere) {
  TempDir dir;
  fs::create_directory(dir.path() / "dest");
  fs::create_directory(dir.path() / "src");
  WriteFileBytes(dir.path() / "dest" / "plan.jww", Pattern(100));
  SetTimes(dir.path() / "dest" / "plan.jww", {1500000000, 0}, {1500000000, 5});
  WriteFileBytes(dir.path() / "src" / "plan.BAK", Pattern(7));
  SetTimes(dir.path() / "src" / "plan.BAK", {1400000000, 0}, {1400000000, 9});
  FolderHandle folder;
  ASSERT_TRUE(folder.open(FromFsPath(dir.path() / "dest")));
  fs::rename(dir.path() / "dest", dir.path() / "checked");
  fs::create_directory_symlink(dir.path() / "src", dir.path() / "dest");

  ASSERT_TRUE(CopyEntryWithTimes(folder, u"plan.jww", u"plan.BAK"));
  EXPECT_EQ(StatOf(dir.path() / "src" / "plan.BAK").st_mtim.tv_sec, 1400000000);
  EXPECT_EQ(StatOf(dir.path() / "src" / "plan.BAK").st_mtim.tv_nsec, 9);
  const struct stat backup = StatOf(dir.path() / "checked" / "plan.BAK");
  EXPECT_EQ(backup.st_mtim.tv_sec, 1500000000);
  EXPECT_EQ(backup.st_mtim.tv_nsec, 5);
}

// Regression: a backup whose folder path plus "/NAME" reached the path
// limit silently kept the time of its making.
TEST(CopyEntryWithTimes, KeepsTheTimesWhereTheFullPathIsTooLongToName) {
  TempDir dir;
  fs::path deep = dir.path();
  while (deep.native().size() + 201 < PATH_MAX - 8) deep /= std::string(200, 'd');
  deep /= std::string(PATH_MAX - 8 - deep.native().size() - 1, 'e');
  ASSERT_EQ(deep.native().size(), static_cast<std::size_t>(PATH_MAX - 8));
  fs::create_directories(deep);
  WriteFileBytes(deep / "p", Pattern(10));
  SetTimes(deep / "p", {1500000000, 0}, {1500000000, 77});
  const std::u16string backup = u"p.backup-copy";  // the path to it is longer than PATH_MAX
  FolderHandle folder;
  ASSERT_TRUE(folder.open(FromFsPath(deep)));

  ASSERT_TRUE(CopyEntryWithTimes(folder, u"p", backup));
  FileStatus copied;
  ASSERT_TRUE(folder.status(backup, copied));
  EXPECT_EQ(copied.modification.seconds, 1500000000);
  EXPECT_EQ(copied.modification.nanoseconds, 77);
  EXPECT_TRUE(folder.remove(backup));  // the folder's own removal could not name it
}

// Regression: a 4755 drawing gave a 4755 backup. Copies keep the
// permission bits only.
TEST(CopyEntryWithTimes, DropsSetuidSetgidAndSticky) {
  for (const mode_t mode : {04755, 02750, 01777, 06711, 0640}) {
    TempDir dir;
    WriteFileBytes(dir.path() / "plan.jww", Pattern(10));
    ASSERT_EQ(::chmod((dir.path() / "plan.jww").c_str(), mode), 0);
    FolderHandle folder;
    ASSERT_TRUE(folder.open(dir.u16()));
    ASSERT_TRUE(CopyEntryWithTimes(folder, u"plan.jww", u"plan.BAK"));
    EXPECT_EQ(StatOf(dir.path() / "plan.BAK").st_mode & 07777, mode & 0777) << std::oct << mode;
    AtomicFileWriter out(folder, u"out.jww");
    out.setMode(mode);
    ASSERT_TRUE(out.open());
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(StatOf(dir.path() / "out.jww").st_mode & 07777, mode & 0777) << std::oct << mode;
  }
}
#endif

TEST(CopyFileWithTimes, ReplacesALongerDestinationCompletely) {
  TempDir dir;
  dir.write("new", Pattern(100));
  dir.write("old.BAK", Bytes(20000, 0xAA));
  EXPECT_TRUE(CopyFileWithTimes(dir.file("new"), dir.file("old.BAK")));
  EXPECT_EQ(dir.read("old.BAK"), Pattern(100));
}

TEST(CopyFileWithTimes, CopiesAnEmptyFile) {
  TempDir dir;
  dir.write("empty", {});
  EXPECT_TRUE(CopyFileWithTimes(dir.file("empty"), dir.file("copy")));
  EXPECT_EQ(dir.read("copy"), Bytes{});
}

TEST(CopyFileWithTimes, MissingSourceCopiesNothing) {
  TempDir dir;
  dir.write("dest", {5, 6});
  EXPECT_FALSE(CopyFileWithTimes(dir.file("missing"), dir.file("dest")));
  EXPECT_EQ(dir.read("dest"), (Bytes{5, 6}));
  EXPECT_FALSE(CopyFileWithTimes(dir.file("missing"), dir.file("other")));
  EXPECT_FALSE(fs::exists(dir.path() / "other"));
}

TEST(CopyFileWithTimes, DestinationInAMissingFolderFails) {
  TempDir dir;
  dir.write("src", Pattern(10));
  EXPECT_FALSE(CopyFileWithTimes(dir.file("src"), dir.file("no-such-folder/dest")));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"src"});
}

// /proc/self/mem is a regular file whose first page cannot be read (EIO):
// a real read error in the middle of a copy.
TEST(CopyFileWithTimes, FailedReadLeavesNoPartialCopyAndKeepsTheOldOne) {
  if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  TempDir dir;
  dir.write("dest.BAK", {1, 2, 3});
  EXPECT_FALSE(CopyFileWithTimes(u"/proc/self/mem", dir.file("dest.BAK")));
  EXPECT_EQ(dir.read("dest.BAK"), (Bytes{1, 2, 3}));
  EXPECT_FALSE(CopyFileWithTimes(u"/proc/self/mem", dir.file("fresh")));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"dest.BAK"});
}

#ifndef _WIN32  // POSIX: FIFOs, modes, nanosecond times (Windows: WindowsPlatformTest)
TEST(CopyFileWithTimes, ReadOnlyDestinationFolderLeavesNothing) {
  TempDir dir;
  dir.write("src", Pattern(10));
  fs::create_directory(dir.path() / "ro");
  fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (::access((dir.path() / "ro").c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights to write anyway";
  EXPECT_FALSE(CopyFileWithTimes(dir.file("src"), dir.file("ro/dest")));
  EXPECT_TRUE(fs::is_empty(dir.path() / "ro"));
}
#endif

TEST_F(SeamReset, CopyFileWithTimesFailedWriteLeavesNoPartialCopyAndKeepsTheOldOne) {
  TempDir dir;
  dir.write("src", Pattern(10000));
  dir.write("dest.BAK", {1, 2, 3});
  SetWriteFailureAfterBytesForTesting(5000);
  EXPECT_FALSE(CopyFileWithTimes(dir.file("src"), dir.file("dest.BAK")));
  SetWriteFailureAfterBytesForTesting(0);
  EXPECT_EQ(dir.read("dest.BAK"), (Bytes{1, 2, 3}));
  EXPECT_EQ(NamesIn(dir.path()), (std::set<std::string>{"src", "dest.BAK"}));
}

TEST(CopyFileWithTimes, OntoItselfKeepsTheContent) {
  TempDir dir;
  dir.write("same", Pattern(5000));
  EXPECT_TRUE(CopyFileWithTimes(dir.file("same"), dir.file("same")));
  EXPECT_EQ(dir.read("same"), Pattern(5000));
}

TEST(CopyFileWithTimes, RefusesAFolderAsSource) {
  TempDir dir;
  fs::create_directory(dir.path() / "d");
  EXPECT_FALSE(CopyFileWithTimes(dir.file("d"), dir.file("copy")));
  EXPECT_FALSE(fs::exists(dir.path() / "copy"));
}

// ---- ListFiles -----------------------------------------------------------------------------

TEST(ListFiles, MatchesIgnoringCaseAndSkipsFolders) {
  TempDir dir;
  dir.write("a.jww", {1});
  dir.write("b.JWW", {1, 2});
  dir.write("c.jwc", {1});
  dir.write("d.jww.bak", {1});
  fs::create_directory(dir.path() / "c.jww");

  ListFiles(dir.u16WithSeparator(), u"*.jww");
  EXPECT_EQ(FoundFileCount, 2);
  EXPECT_EQ(FoundFiles.size(), 2u);  // cut to the count
  EXPECT_EQ(ListedNames(), (std::set<std::u16string>{u"a.jww", u"b.JWW"}));
  for (const TFileField &f : FoundFiles) EXPECT_FALSE(f.dirf);
  ClearFoundFiles();
  EXPECT_EQ(FoundFileCount, 0);
  EXPECT_TRUE(FoundFiles.empty());
}

TEST(ListFiles, GivesSizeAndLocalDateAndTime) {
  TempDir dir;
  dir.write("plan.jww", Pattern(1500));
  std::tm tm{};
  tm.tm_year = 2021 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 2;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_sec = 3;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  SetTimes(dir.path() / "plan.jww", {when, 0}, {when, 500000000});

  ListFiles(dir.u16WithSeparator(), u"*");
  ASSERT_EQ(FoundFileCount, 1);
  EXPECT_EQ(FoundFiles[0].name, u"plan.jww");
  EXPECT_EQ(FoundFiles[0].size, 1500);
  EXPECT_EQ(FoundFiles[0].date, u"2021/03/02");
  EXPECT_EQ(FoundFiles[0].time, u"09:05:03");
  ClearFoundFiles();
}

TEST(ListFiles, GrowsPastAHundredEntries) {
  TempDir dir;
  for (int i = 0; i < 205; ++i) dir.write("f" + std::to_string(i) + ".jww", {});
  dir.write("other.txt", {});
  ListFiles(dir.u16WithSeparator(), u"*.jww");
  EXPECT_EQ(FoundFileCount, 205);
  EXPECT_EQ(FoundFiles.size(), 205u);
  EXPECT_EQ(ListedNames().size(), 205u);
  ClearFoundFiles();
}

#ifndef _WIN32  // POSIX: symbolic links and FIFOs
TEST(ListFiles, IncludesHiddenFilesAndFollowsLinksToFiles) {
  TempDir dir;
  dir.write(".hidden.jww", {1});
  dir.write("real", {1, 2, 3});
  fs::create_directory(dir.path() / "sub");
  fs::create_symlink(dir.path() / "real", dir.path() / "link.jww");
  fs::create_directory_symlink(dir.path() / "sub", dir.path() / "dirlink.jww");
  fs::create_symlink(dir.path() / "gone", dir.path() / "dangling.jww");
  ASSERT_EQ(::mkfifo((dir.path() / "pipe.jww").c_str(), 0600), 0);

  ListFiles(dir.u16WithSeparator(), u"*.jww");
  EXPECT_EQ(ListedNames(), (std::set<std::u16string>{u".hidden.jww", u"link.jww"}));
  for (const TFileField &f : FoundFiles) {
    if (f.name == u"link.jww") {
      EXPECT_EQ(f.size, 3);  // the target's size
    }
  }
  ClearFoundFiles();
}
#endif

TEST(ListFiles, MissingFolderGivesAnEmptyList) {
  TempDir dir;
  dir.write("a.jww", {1});
  ListFiles(dir.u16WithSeparator(), u"*");
  ASSERT_EQ(FoundFileCount, 1);
  ListFiles(dir.file("missing") + u"/", u"*");  // the earlier listing is cleared
  EXPECT_EQ(FoundFileCount, 0);
  EXPECT_TRUE(FoundFiles.empty());
  ListFiles(dir.file("a.jww") + u"/", u"*");
  EXPECT_EQ(FoundFileCount, 0);
}

#ifndef _WIN32  // POSIX: FIFOs, modes, nanosecond times (Windows: WindowsPlatformTest)
TEST(ListFiles, UnreadableFolderGivesAnEmptyList) {
  TempDir dir;
  fs::create_directory(dir.path() / "locked");
  dir.write("locked/a.jww", {1});
  fs::permissions(dir.path() / "locked", fs::perms::none);
  if (::access((dir.path() / "locked").c_str(), R_OK) == 0) GTEST_SKIP() << "running with rights to read anyway";
  ListFiles(dir.file("locked") + u"/", u"*");
  EXPECT_EQ(FoundFileCount, 0);
}
#endif

TEST(ListFiles, KeepsTheLow32BitsOfTheSizeAsASignedNumber) {
  TempDir dir;
  dir.write("big", {});
  dir.write("huge", {});
  std::error_code ec;
  fs::resize_file(dir.path() / "big", 0xC0000000ull, ec);  // 3 GiB, sparse
  if (ec) GTEST_SKIP() << "no sparse files here";
  fs::resize_file(dir.path() / "huge", 0x100000005ull, ec);
  if (ec) GTEST_SKIP() << "no sparse files here";
  const auto files = ListFolderFiles(dir.u16WithSeparator(), u"*");
  ASSERT_EQ(files.size(), 2u);
  for (const TFileField &f : files) {
    if (f.name == u"big") {
      EXPECT_EQ(f.size, -1073741824);
    } else {
      EXPECT_EQ(f.name, u"huge");
      EXPECT_EQ(f.size, 5);
    }
  }
}

#ifndef _WIN32  // POSIX: symbolic links and FIFOs
// Regression guard: a name that is not UTF-8 (written by a Windows tool in
// code page 932) must be listed, and the listed name must open that file.
TEST(ListFiles, ListsANameThatIsNotUtf8AndTheNameOpensTheFile) {
  TempDir dir;
  const std::string raw = "\x90\x7D\x96\xCA.jww";  // 図面.jww in code page 932
  WriteFileBytes(dir.path() / raw, {4, 5, 6});
  dir.write("plain.jww", {1});

  ListFiles(dir.u16WithSeparator(), u"*.JWW");
  ASSERT_EQ(FoundFileCount, 2);
  const auto listed = ListedNames();
  std::u16string name;
  for (const auto &n : listed)
    if (n != u"plain.jww") name = n;
  ClearFoundFiles();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name, (std::u16string{char16_t{0xDC90}, u'}', char16_t{0xDC96}, char16_t{0xDCCA}, u'.',
                                  u'j', u'w', u'w'}));

  const std::u16string path = dir.u16WithSeparator() + name;
  EXPECT_TRUE(IsFile(path));
  Bytes content;
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, (Bytes{4, 5, 6}));
  EXPECT_EQ(FileExtLower(path), u".jww");
  EXPECT_TRUE(CopyFileWithTimes(path, ReplaceExt(path, u".BAK")));
  EXPECT_EQ(ReadFileBytes(dir.path() / "\x90\x7D\x96\xCA.BAK"), (Bytes{4, 5, 6}));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(fs::exists(dir.path() / raw));
}
#endif

TEST(ListFolderFiles, IsSafeFromSeveralThreads) {
  TempDir dir;
  for (int i = 0; i < 50; ++i) dir.write("f" + std::to_string(i) + ".jww", Bytes(static_cast<std::size_t>(i)));
  const auto expected = ListFolderFiles(dir.u16WithSeparator(), u"*.jww");
  ASSERT_EQ(expected.size(), 50u);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        const auto files = ListFolderFiles(dir.u16WithSeparator(), u"*.JWW");
        if (files.size() != expected.size()) {
          ++mismatches[t];
          continue;
        }
        for (std::size_t i = 0; i < files.size(); ++i)
          if (files[i].name != expected[i].name || files[i].size != expected[i].size ||
              files[i].date != expected[i].date || files[i].time != expected[i].time)
            ++mismatches[t];
      }
    });
  }
  for (auto &thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace velkaro
