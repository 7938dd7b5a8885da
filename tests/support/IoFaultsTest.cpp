// The fault seam at each kind of call: the chosen call fails as the system
// would fail it, nothing is counted while the seam is off, and a failed open or read
// is noted for the thread, so that a caller does not blame the file's bytes.
#include <gtest/gtest.h>

#include <functional>

#include "builders/TempDir.h"
#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/IoFaults.h"
#include "support/ResourceShortage.h"

namespace velkaro {
namespace {

using testing::TempDir;

// Makes one call of the step in `dir` (which holds the file "f" and the
// folder "sub") and says whether it succeeded.
struct StepCase {
  IoStep step;
  std::function<bool(const TempDir &dir)> call;
};

bool Throws(const std::function<void()> &call) {
  try {
    call();
    return false;
  } catch (const StreamError &) {
    return true;
  }
}

FolderHandle Open(const TempDir &dir) {
  FolderHandle folder;
  folder.open(dir.u16());
  return folder;
}

const StepCase kSteps[] = {
    {IoStep::Open,
     [](const TempDir &dir) {
       std::vector<std::uint8_t> bytes;
       return ReadWholeFile(dir.file("f"), bytes);
     }},
    {IoStep::Create, [](const TempDir &dir) { return OutputFile().createNew(dir.file("new")); }},
    {IoStep::Read,
     [](const TempDir &dir) {
       InputFile in;
       std::uint8_t buffer[4];
       return in.open(dir.file("f")) && !Throws([&] { in.read(buffer); });
     }},
    {IoStep::Write,
     [](const TempDir &dir) {
       OutputFile out;
       const std::uint8_t bytes[] = {1, 2};
       return out.create(dir.file("w")) && !Throws([&] { out.write(bytes); });
     }},
    {IoStep::Flush,
     [](const TempDir &dir) {
       OutputFile out;
       return out.create(dir.file("w")) && !Throws([&] { out.close(); });
     }},
    {IoStep::Rename, [](const TempDir &dir) { return Open(dir).rename(u"f", u"g"); }},
    {IoStep::Remove, [](const TempDir &dir) { return Open(dir).remove(u"f"); }},
    {IoStep::OpenFolder, [](const TempDir &dir) { return Open(dir).isOpen(); }},
    {IoStep::MakeFolder,
     [](const TempDir &dir) {
       bool exists = false;
       return Open(dir).makeFolder(u"made", exists);
     }},
    {IoStep::ListFolder, [](const TempDir &dir) { return !Open(dir).entryNames().empty(); }},
    {IoStep::RemoveFolder, [](const TempDir &dir) { return Open(dir).removeFolder(u"sub"); }},
    {IoStep::Status,
     [](const TempDir &dir) {
       FileStatus status;
       return Open(dir).status(u"f", status);
     }},
};

// An entry whose status cannot be had may be there: only "no such entry"
// makes a name free to be written over unkept.
TEST(IoFaults, AnEntryWhoseStatusFailsIsNotTakenForAbsent) {
  TempDir dir;
  dir.write("f", {1, 2, 3});
  const FolderHandle folder = Open(dir);
  FailIoCallForTesting(1);
  EXPECT_TRUE(folder.exists(u"f"));
  FailIoCallForTesting(0);
  EXPECT_FALSE(folder.exists(u"none"));
}

class IoFaultStep : public ::testing::TestWithParam<StepCase> {
 protected:
  void SetUp() override {
    dir.write("f", {1, 2, 3});
    std::filesystem::create_directory(dir.path() / "sub");
  }
  void TearDown() override { FailIoCallForTesting(0); }

  // The number of the step's own call among those the case makes.
  std::uint64_t CallOfStep() {
    for (std::uint64_t n = 1;; ++n) {
      TempDir fresh;
      fresh.write("f", {1, 2, 3});
      std::filesystem::create_directory(fresh.path() / "sub");
      FailIoCallForTesting(n);
      GetParam().call(fresh);
      IoStep failed;
      const bool hit = FailedIoStepForTesting(failed);
      FailIoCallForTesting(0);
      if (!hit) return 0;
      if (failed == GetParam().step) return n;
    }
  }

  TempDir dir;
};

TEST_P(IoFaultStep, TheChosenCallFailsAsTheSystemWould) {
  const StepCase &c = GetParam();
  SCOPED_TRACE(IoStepName(c.step));
  // Control: without the seam the call succeeds, and counts nothing.
  FailIoCallForTesting(0);
  TempDir control;
  control.write("f", {1, 2, 3});
  std::filesystem::create_directory(control.path() / "sub");
  ASSERT_TRUE(c.call(control));
  EXPECT_EQ(IoCallsForTesting(), 0u);

  const std::uint64_t n = CallOfStep();
  ASSERT_GT(n, 0u) << "the step is never asked";
  TakeReadFailure();
  FailIoCallForTesting(n);
  EXPECT_FALSE(c.call(dir));
  IoStep failed;
  ASSERT_TRUE(FailedIoStepForTesting(failed));
  EXPECT_EQ(failed, c.step);
  // Only a failed open or read says the file could not be read.
  EXPECT_EQ(TakeReadFailure(), c.step == IoStep::Open || c.step == IoStep::Read);
}

INSTANTIATE_TEST_SUITE_P(Steps, IoFaultStep, ::testing::ValuesIn(kSteps),
                         [](const ::testing::TestParamInfo<StepCase> &info) {
                           std::string name = IoStepName(info.param.step);
                           std::erase(name, ' ');
                           return name;
                         });

}  // namespace
}  // namespace velkaro
