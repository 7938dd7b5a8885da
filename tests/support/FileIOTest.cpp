// File access: whole and prefix reads, checked streamed reads and writes,
// the atomic replacement of a file and the simulated full disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>
#endif

#include "builders/TempDir.h"
#include "support/BackgroundCommit.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

Bytes Pattern(std::size_t n, int seed = 0) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i * 13 + seed) & 0xFF);
  return out;
}

std::set<std::string> NamesIn(const fs::path &dir) {
  std::set<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

class FileIOTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWriteFailureAfterBytesForTesting(0); }
  TempDir dir;
};

// ---- Reading ---------------------------------------------------------------------------

TEST_F(FileIOTest, ReadWholeFileReadsEverything) {
  const Bytes content = Pattern(200000);
  dir.write("f", content);
  Bytes out{9, 9};
  ASSERT_TRUE(ReadWholeFile(dir.file("f"), out));
  EXPECT_EQ(out, content);
  dir.write("empty", {});
  ASSERT_TRUE(ReadWholeFile(dir.file("empty"), out));
  EXPECT_TRUE(out.empty());
}

TEST_F(FileIOTest, ReadWholeFileRefusesWhatIsNoFile) {
  Bytes out{1};
  EXPECT_FALSE(ReadWholeFile(dir.file("missing"), out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadWholeFile(dir.u16(), out));
#ifndef _WIN32
  // A FIFO with no writer would block a plain open forever.
  ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(dir.file("pipe"), out));
#endif
  dir.write("a", {1});
  EXPECT_FALSE(ReadWholeFile(dir.file("a") + std::u16string(u"\0b", 2), out));
}

// The drawing readers' buffer: the same bytes for sizes around its page
// and 2 MiB units, nothing for what is no file.
TEST_F(FileIOTest, FileBytesHoldTheWholeFile) {
  for (std::size_t n : {0u, 1u, 4095u, 4096u, 4097u, (2u << 20) - 1, 2u << 20, (2u << 20) + 1}) {
    SCOPED_TRACE(n);
    const Bytes content = Pattern(n, static_cast<int>(n));
    dir.write("f", content);
    FileBytes out;
    ASSERT_TRUE(ReadWholeFile(dir.file("f"), out));
    ASSERT_EQ(out.size(), n);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), out.bytes().begin()));
  }
  FileBytes out;
  dir.write("g", {1, 2, 3});
  ASSERT_TRUE(ReadWholeFile(dir.file("g"), out));
  EXPECT_FALSE(ReadWholeFile(dir.file("missing"), out));
  EXPECT_EQ(out.size(), 0u);
  EXPECT_FALSE(ReadWholeFile(dir.u16(), out));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(dir.file("pipe"), out));
#endif
}

// The size a file reports is only a hint: one that says 0 and holds many
// pages (as the system's own status files do) is read to its end.
TEST_F(FileIOTest, FileBytesReadPastTheReportedSize) {
  const std::u16string smaps = u"/proc/self/smaps";
  Bytes reference;
  if (!ReadWholeFile(smaps, reference) || reference.size() < 3 * 4096)
    GTEST_SKIP() << "no large system status file here";
  FileBytes out;
  ASSERT_TRUE(ReadWholeFile(smaps, out));
  EXPECT_GT(out.size(), 2 * 4096u);
  EXPECT_EQ(out.bytes().back(), '\n');
}

TEST_F(FileIOTest, ReadFilePrefixReadsAtMostTheAskedBytes) {
  dir.write("f", Pattern(5000));
  Bytes out;
  std::uint64_t size = 0;
  ASSERT_TRUE(ReadFilePrefix(dir.file("f"), 100, out, size));
  EXPECT_EQ(size, 5000u);
  EXPECT_EQ(out, Pattern(100));  // the pattern does not depend on the length
  ASSERT_TRUE(ReadFilePrefix(dir.file("f"), 1 << 20, out, size));
  EXPECT_EQ(out, Pattern(5000));
  ASSERT_TRUE(ReadFilePrefix(dir.file("f"), 0, out, size));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(size, 5000u);
  EXPECT_FALSE(ReadFilePrefix(dir.file("missing"), 10, out, size));
  EXPECT_EQ(size, 0u);
}

// Records read over a file's first part, and over the whole file only when
// the first part was not enough: each row is a file, how far its records go
// and whether they read whole, with the parts `read` must have been given.
struct RecordsCase {
  const char *name;
  std::size_t fileSize;
  std::size_t recordsEnd;  // the records use the bytes up to here
  bool recordsOk;          // and read whole when they got that far
  std::vector<std::size_t> partsSeen;
  bool ok;
  std::uint64_t trailing;
};

TEST_F(FileIOTest, ReadFileRecordsReadsTheWholeFileOnlyWhenTheRecordsNeedIt) {
  constexpr std::size_t kPart = 4096;
  const RecordsCase cases[] = {
      {"small file, read once", 1000, 600, true, {1000}, true, 400},
      {"records fill a small file", 1000, 1000, true, {1000}, true, 0},
      {"large file, records in its first part", 100000, 600, true, {kPart}, true, 99400},
      {"records reach past the part", 100000, 9000, true, {kPart, 100000}, true, 91000},
      {"records end where the part does", 100000, kPart, true, {kPart, 100000}, true, 95904},
      {"broken drawing, read whole before failing", 100000, 600, false, {kPart, 100000}, false, 0},
  };
  for (const RecordsCase &c : cases) {
    dir.write("f", Pattern(c.fileSize));
    std::vector<std::size_t> seen;
    const auto read = [&](std::span<const std::uint8_t> data) {
      seen.push_back(data.size());
      EXPECT_TRUE(std::equal(data.begin(), data.end(), Pattern(data.size()).begin())) << c.name;
      RecordsRead how;
      how.used = std::min(c.recordsEnd, data.size());
      how.wantedMore = c.recordsEnd > data.size();
      how.ok = c.recordsOk && !how.wantedMore;
      return how;
    };
    FileBytes bytes;
    RecordsRead result;
    std::uint64_t trailing = 99;
    ASSERT_TRUE(ReadFileRecords(dir.file("f"), bytes, read, result, trailing, kPart)) << c.name;
    EXPECT_EQ(seen, c.partsSeen) << c.name;
    EXPECT_EQ(result.ok, c.ok) << c.name;
    EXPECT_EQ(trailing, c.trailing) << c.name;
    EXPECT_EQ(bytes.size(), c.partsSeen.back()) << c.name << ": the bytes of the last reading stay";
  }
  FileBytes bytes;
  RecordsRead result;
  std::uint64_t trailing = 0;
  EXPECT_FALSE(ReadFileRecords(dir.file("missing"), bytes,
                               [](std::span<const std::uint8_t>) { return RecordsRead{}; }, result,
                               trailing, kPart));
}

// A failure for want of descriptors or memory is noted for the thread that
// met it, once, so that the batch can say why a sound file failed.
TEST_F(FileIOTest, ResourceShortagesAreNotedPerThread) {
  TakeResourceShortage();
  dir.write("f", Pattern(10));
  Bytes out;
  ASSERT_TRUE(ReadWholeFile(dir.file("f"), out));
  EXPECT_FALSE(ReadWholeFile(dir.file("missing"), out));
  EXPECT_EQ(TakeResourceShortage(), ResourceShortage::None) << "a missing file is no shortage";

  NoteResourceShortage(ResourceShortage::Memory);
  NoteResourceShortage(ResourceShortage::Descriptors);
  std::thread([] { EXPECT_EQ(TakeResourceShortage(), ResourceShortage::None); }).join();
  EXPECT_EQ(TakeResourceShortage(), ResourceShortage::Memory) << "the first one counts";
  EXPECT_EQ(TakeResourceShortage(), ResourceShortage::None) << "taken once";
#ifdef _WIN32
  SetLastError(ERROR_TOO_MANY_OPEN_FILES);
#else
  errno = EMFILE;
#endif
  NoteShortageOfLastError();
  EXPECT_EQ(TakeResourceShortage(), ResourceShortage::Descriptors);
}

TEST_F(FileIOTest, InputFileReadsInPieces) {
  dir.write("f", Pattern(10000));
  InputFile in;
  ASSERT_TRUE(in.open(dir.file("f")));
  EXPECT_TRUE(in.isOpen());
  EXPECT_EQ(in.size(), 10000u);
  Bytes all;
  std::uint8_t block[4096];
  std::vector<std::size_t> pieces;
  for (std::size_t got; (got = in.read(block)) > 0;) {
    pieces.push_back(got);
    all.insert(all.end(), block, block + got);
  }
  EXPECT_EQ(pieces, (std::vector<std::size_t>{4096, 4096, 1808}));
  EXPECT_EQ(all, Pattern(10000));
  in.close();
  EXPECT_FALSE(in.isOpen());
  EXPECT_THROW(in.read(block), StreamError);
  EXPECT_FALSE(in.open(dir.file("missing")));
}

TEST_F(FileIOTest, ReadErrorsAreReported) {
  if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  Bytes out{1};
  EXPECT_FALSE(ReadWholeFile(u"/proc/self/mem", out));
  EXPECT_TRUE(out.empty());
  InputFile in;
  ASSERT_TRUE(in.open(u"/proc/self/mem"));
  std::uint8_t block[16];
  try {
    in.read(block);
    FAIL() << "a failed read was reported as success";
  } catch (const StreamError &e) {
    EXPECT_STREQ(e.what(), "File I/O Error");
  }
}

// ---- OutputFile ------------------------------------------------------------------------

TEST_F(FileIOTest, OutputFileCreatesOrTruncates) {
  dir.write("f", Pattern(3000));
  OutputFile out;
  ASSERT_TRUE(out.create(dir.file("f")));
  out.write(Pattern(10, 1));
  out.write(Pattern(5, 2));
  out.close();
  Bytes expected = Pattern(10, 1);
  const Bytes tail = Pattern(5, 2);
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(dir.read("f"), expected);
  EXPECT_FALSE(out.isOpen());
  EXPECT_THROW(out.write(Pattern(1)), StreamError);
  EXPECT_FALSE(out.create(dir.file("no-folder/f")));
}

TEST_F(FileIOTest, OutputFileCreateNewRefusesAnExistingFile) {
  dir.write("f", {1});
  OutputFile out;
  EXPECT_FALSE(out.createNew(dir.file("f")));
  EXPECT_TRUE(out.alreadyExists());
  EXPECT_EQ(dir.read("f"), Bytes{1});
  EXPECT_FALSE(out.createNew(dir.file("no-folder/f")));
  EXPECT_FALSE(out.alreadyExists());
  ASSERT_TRUE(out.createNew(dir.file("g")));
  out.close();
  EXPECT_TRUE(fs::exists(dir.path() / "g"));
}

TEST_F(FileIOTest, OutputFileReportsAFullDevice) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  OutputFile out;
  ASSERT_TRUE(out.create(u"/dev/full"));
  try {
    out.write(Pattern(100));
    out.close();
    FAIL() << "a write to a full device was reported as success";
  } catch (const StreamError &e) {
    EXPECT_STREQ(e.what(), "File I/O Error");
  }
}

TEST_F(FileIOTest, WriteFailureSeamFailsOnceTheLimitIsPassed) {
  SetWriteFailureAfterBytesForTesting(150);
  OutputFile out;
  ASSERT_TRUE(out.create(dir.file("f")));
  out.write(Pattern(100));
  try {
    out.write(Pattern(100, 100));
    FAIL() << "the write past the limit succeeded";
  } catch (const StreamError &e) {
    EXPECT_STREQ(e.what(), "File I/O Error");
  }
  EXPECT_THROW(out.write(Pattern(1)), StreamError);  // the disk stays full
  out.abandon();
  // What fitted was written, as a short write would leave it.
  EXPECT_EQ(dir.read("f").size(), 150u);

  SetWriteFailureAfterBytesForTesting(0);
  ASSERT_TRUE(out.create(dir.file("g")));
  out.write(Pattern(1000));
  out.close();
  EXPECT_EQ(dir.read("g"), Pattern(1000));
}

// ---- AtomicFileWriter ------------------------------------------------------------------

TEST_F(FileIOTest, CommitReplacesTheTarget) {
  dir.write("plan.jww", Pattern(50000));
  AtomicFileWriter writer(dir.file("plan.jww"));
  ASSERT_TRUE(writer.open());
  writer.write(Pattern(100, 7));
  EXPECT_EQ(dir.read("plan.jww"), Pattern(50000));  // untouched until commit
  EXPECT_EQ(NamesIn(dir.path()).size(), 2u);        // the target and the temporary file
  writer.write(Pattern(100, 8));
  ASSERT_TRUE(writer.commit());

  Bytes expected = Pattern(100, 7);
  const Bytes second = Pattern(100, 8);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(dir.read("plan.jww"), expected);
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
  EXPECT_FALSE(writer.commit());  // nothing left to commit
}

#ifndef _WIN32  // POSIX: file modes and the umask
TEST_F(FileIOTest, CommitCreatesAMissingTargetWithNormalPermissions) {
  const mode_t previous = ::umask(022);
  const bool written = WriteFileAtomically(dir.file("new.jww"), Pattern(10));
  ::umask(previous);
  ASSERT_TRUE(written);
  EXPECT_EQ(dir.read("new.jww"), Pattern(10));
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() / "new.jww").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}
#endif

TEST_F(FileIOTest, FailedWriteLeavesTheOldTargetAndNoTemporaryFile) {
  dir.write("plan.jww", Pattern(3000));
  SetWriteFailureAfterBytesForTesting(1000);
  {
    AtomicFileWriter writer(dir.file("plan.jww"));
    ASSERT_TRUE(writer.open());
    writer.write(Pattern(600));
    EXPECT_THROW(writer.write(Pattern(600)), StreamError);
  }  // the writer gives up here without a commit
  EXPECT_EQ(dir.read("plan.jww"), Pattern(3000));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
}

TEST_F(FileIOTest, WriteFileAtomicallyFailureLeavesTheOldTarget) {
  dir.write("plan.jww", Pattern(3000));
  SetWriteFailureAfterBytesForTesting(10);
  EXPECT_FALSE(WriteFileAtomically(dir.file("plan.jww"), Pattern(5000, 3)));
  EXPECT_EQ(dir.read("plan.jww"), Pattern(3000));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
  EXPECT_FALSE(WriteFileAtomically(dir.file("other.jww"), Pattern(5000, 3)));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
}

TEST_F(FileIOTest, DiscardOrDestructionLeavesTheTargetAsItWas) {
  dir.write("plan.jww", {1, 2});
  {
    AtomicFileWriter writer(dir.file("plan.jww"));
    ASSERT_TRUE(writer.open());
    writer.write(Pattern(100));
  }
  AtomicFileWriter writer(dir.file("fresh.jww"));
  ASSERT_TRUE(writer.open());
  writer.write(Pattern(100));
  writer.discard();
  EXPECT_FALSE(writer.commit());
  EXPECT_EQ(dir.read("plan.jww"), (Bytes{1, 2}));
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
}

TEST_F(FileIOTest, CommitOntoAFolderFailsAndCleansUp) {
  fs::create_directory(dir.path() / "plan.jww");
  dir.write("plan.jww/inside", {1});
  AtomicFileWriter writer(dir.file("plan.jww"));
  ASSERT_TRUE(writer.open());
  writer.write(Pattern(10));
  EXPECT_FALSE(writer.commit());
  EXPECT_EQ(dir.read("plan.jww/inside"), Bytes{1});
  EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"plan.jww"});
}

TEST_F(FileIOTest, OpenFailsWhereNoFileCanBeMade) {
  AtomicFileWriter missing(dir.file("no-folder/plan.jww"));
  EXPECT_FALSE(missing.open());
  EXPECT_THROW(missing.write(Pattern(1)), StreamError);
  EXPECT_FALSE(missing.commit());
  AtomicFileWriter empty(u"");
  EXPECT_FALSE(empty.open());
}

TEST_F(FileIOTest, WritersInOneFolderUseDistinctTemporaryFiles) {
  constexpr int kWriters = 8;
  std::vector<std::thread> threads;
  std::vector<int> ok(kWriters, 0);
  for (int t = 0; t < kWriters; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 10; ++round) {
        const std::u16string target = dir.file("out" + std::to_string(t) + ".jww");
        if (WriteFileAtomically(target, Pattern(2000, t * 100 + round))) ++ok[t];
      }
    });
  }
  for (auto &thread : threads) thread.join();
  for (int t = 0; t < kWriters; ++t) {
    EXPECT_EQ(ok[t], 10) << "writer " << t;
    EXPECT_EQ(dir.read("out" + std::to_string(t) + ".jww"), Pattern(2000, t * 100 + 9));
  }
  EXPECT_EQ(NamesIn(dir.path()).size(), static_cast<std::size_t>(kWriters));
}

// The batch commits one file on a thread while it writes the next: each
// answer must be the commit's own, a failed one must leave nothing, and a
// commit still running when the helper goes must finish.
TEST_F(FileIOTest, BackgroundCommitAnswersForEachFile) {
  const auto written = [&](const std::string &name, const Bytes &bytes) {
    auto writer = std::make_unique<AtomicFileWriter>(dir.file(name));
    EXPECT_TRUE(writer->open());
    writer->write(bytes);
    return writer;
  };
  fs::create_directory(dir.path() / "folder.jww");
  {
    BackgroundCommit commit;
    commit.Start(written("a.jww", Pattern(5000, 1)));
    EXPECT_TRUE(commit.Pending());
    EXPECT_TRUE(commit.Wait());
    EXPECT_EQ(dir.read("a.jww"), Pattern(5000, 1));

    commit.Start(written("folder.jww", Pattern(10)));
    EXPECT_THROW(commit.Start(written("b.jww", Pattern(10))), std::logic_error)
        << "the answer for folder.jww was not taken";
    EXPECT_FALSE(commit.Wait()) << "a folder cannot be replaced";
    EXPECT_FALSE(commit.Pending());

    commit.Start(written("c.jww", Pattern(7000, 3)));
  }
  EXPECT_EQ(dir.read("c.jww"), Pattern(7000, 3)) << "committed before the helper went";
  EXPECT_EQ(NamesIn(dir.path()), (std::set<std::string>{"a.jww", "c.jww", "folder.jww"}))
      << "no temporary file, no b.jww";
}

TEST_F(FileIOTest, TargetNameThatIsNotUtf8) {
  const std::u16string target = FromFsPath(dir.path() / "\x90\x7D.jww");
  ASSERT_TRUE(WriteFileAtomically(target, Pattern(10)));
  EXPECT_EQ(testing::ReadFileBytes(dir.path() / "\x90\x7D.jww"), Pattern(10));
}

}  // namespace
}  // namespace velkaro
