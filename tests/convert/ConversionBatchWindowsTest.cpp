// How the batch treats the earlier files of a Windows user: a read-only file
// is left alone, hidden and system attributes are kept, a file another
// program holds is waited for briefly and then reported, and all of it is
// found before any backup moves. Wine shares Windows' attributes and sharing
// modes; a seam stands in for the scanner that holds a file for a moment.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include "convert/ConversionBatchTestSupport.h"
#include "support/FileIO.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;

DWORD AttributesOf(const fs::path &p) { return GetFileAttributesW(p.c_str()); }

void AddAttributes(const fs::path &p, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(p.c_str(), AttributesOf(p) | attributes)) << p.string();
}

// Read-only files cannot be deleted: the temporary folder's removal needs them writable.
void ClearAttributes(const TempDir &dir) {
  for (const auto &e : fs::directory_iterator(dir.path()))
    SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Switches the sharing-violation seam off again whatever the test does.
struct SharingViolations {
  explicit SharingViolations(int count) { SetSharingViolationsForTesting(count); }
  ~SharingViolations() { SetSharingViolationsForTesting(0); }
};

// Another program holding the file open with the given sharing.
struct HeldOpen {
  HeldOpen(const fs::path &p, DWORD share)
      : h(CreateFileW(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  HANDLE h;
};

class WindowsBatchTest : public BatchTest {
 protected:
  // p.jww to convert, an earlier p.jww and its .BAK in the destination.
  void SetUp() override {
    BatchTest::SetUp();
    putJww(src, "p.jww", MakeRichDrawing(600, false));
    putJww(dst, "p.jww", MakeRichDrawing(420, false));
    putJww(dst, "p.BAK", MakeRichDrawing(300, false));
    earlier = dst.read("p.jww");
    earlierBackup = dst.read("p.BAK");
  }
  void TearDown() override { ClearAttributes(dst); }

  // Refused before anything moved: the earlier file and its backup as they were.
  void ExpectNothingMoved() {
    EXPECT_EQ(dst.read("p.jww"), earlier);
    EXPECT_EQ(dst.read("p.BAK"), earlierBackup);
    EXPECT_FALSE(fs::exists(dstPath("p.bk1")));
  }

  std::vector<std::uint8_t> earlier, earlierBackup;
};

TEST_F(WindowsBatchTest, AReadOnlyEarlierFileIsLeftAloneAndNothingRotates) {
  AddAttributes(dstPath("p.jww"), FILE_ATTRIBUTE_READONLY);
  const BatchResult r = run({u"p.jww"});
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].outcome, FileOutcome::DestinationReadOnly);
  ExpectNothingMoved();
  EXPECT_TRUE(AttributesOf(dstPath("p.jww")) & FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(FailureListText(r.failures).find(u"読み取り専用"), std::u16string::npos);
}

TEST_F(WindowsBatchTest, HiddenAndSystemAttributesOfTheEarlierFileAreKept) {
  AddAttributes(dstPath("p.jww"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const BatchResult r = run({u"p.jww"});
  ASSERT_EQ(r.converted, 1);
  EXPECT_NE(dst.read("p.jww"), earlier);
  for (const char *name : {"p.jww", "p.BAK"}) {  // the output and the new backup
    const DWORD attributes = AttributesOf(dstPath(name));
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << name;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_SYSTEM) << name;
  }
  // A plain earlier file gives a plain output (control).
  ClearAttributes(dst);
  run({u"p.jww"});
  EXPECT_FALSE(AttributesOf(dstPath("p.jww")) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// Only .bk9 is ever dropped, and only when .bk8 moves up onto it.
TEST_F(WindowsBatchTest, AReadOnlyOldestGenerationIsKeptAndSaidSo) {
  for (int k = 1; k <= 9; ++k)
    dst.write("p.bk" + std::to_string(k),
              std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(k)));
  AddAttributes(dstPath("p.bk9"), FILE_ATTRIBUTE_READONLY);
  const BatchResult r = run({u"p.jww"});
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].outcome, FileOutcome::OldBackupReadOnly);
  EXPECT_EQ(dst.read("p.jww"), earlier);
  EXPECT_EQ(dst.read("p.BAK"), earlierBackup);
  for (int k = 1; k <= 9; ++k)
    EXPECT_EQ(dst.read("p.bk" + std::to_string(k)),
              std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(k))) << k;

  // Without .bk8 nothing lands on .bk9: the row is converted and .bk9 stays.
  SetFileAttributesW(dstPath("p.bk8").c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove(dstPath("p.bk8"));
  EXPECT_EQ(run({u"p.jww"}).converted, 1);
  EXPECT_EQ(dst.read("p.bk9"), std::vector<std::uint8_t>(16, 9));
  EXPECT_EQ(dst.read("p.bk1"), earlierBackup);
}

// Windows renames over no file that is open, whatever sharing its holder
// allows: the row is reported and nothing moves.
TEST_F(WindowsBatchTest, AFileAnotherProgramHoldsIsInUseAndNothingRotates) {
  const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
  for (const DWORD share : shares) {
    BatchResult r;
    {
      HeldOpen held(dstPath("p.jww"), share);
      ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
      r = run({u"p.jww"});
    }
    ASSERT_EQ(r.failures.size(), 1u) << share;
    EXPECT_EQ(r.failures[0].outcome, FileOutcome::DestinationInUse) << share;
    ExpectNothingMoved();
  }
  EXPECT_EQ(FileOutcomeReason(FileOutcome::DestinationInUse), u"ほかのプログラムが使用中です");
}

// A scanner holding the fresh file for a moment: the calls fail with
// sharing violations a few times, then get through.
TEST_F(WindowsBatchTest, BriefSharingViolationsAreWaitedOut) {
  SharingViolations scanner(5);
  const BatchResult r = run({u"p.jww"});
  EXPECT_EQ(r.converted, 1);
  EXPECT_EQ(dst.read("p.BAK"), earlier);
  EXPECT_EQ(dst.read("p.bk1"), earlierBackup);
}

TEST_F(WindowsBatchTest, SharingViolationsThatLastAreReportedBeforeAnyBackup) {
  SharingViolations scanner(1000);
  const BatchResult r = run({u"p.jww"});
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.failures[0].outcome, FileOutcome::DestinationInUse);
  ExpectNothingMoved();
}

TEST(WindowsRetry, OnlySharingViolationsAreRetriedAndForAboutTwoSeconds) {
  int calls = 0;
  EXPECT_FALSE(RetryWhileInUse([&] {
    ++calls;
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }));
  EXPECT_EQ(calls, 20);  // 100 ms apart
  calls = 0;
  EXPECT_FALSE(RetryWhileInUse([&] {
    ++calls;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }));
  EXPECT_EQ(calls, 1);
  calls = 0;
  EXPECT_TRUE(RetryWhileInUse([&] {
    SetLastError(ERROR_LOCK_VIOLATION);
    return ++calls == 3;
  }));
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace velkaro::testing

#endif  // _WIN32
