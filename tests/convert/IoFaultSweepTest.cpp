// Every call the file layer makes during a batch made to fail, one at a time:
// the 1st, the 2nd, ... until a run meets no fault at all. Whatever fails, the
// source stays as it was, each destination name holds its earlier bytes or
// the complete output, the backups hold earlier versions, no temporary file
// or folder is left, and a file that was not written is told with a reason
// that fits a failing disk (never "not a drawing").
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>

#include "builders/JwcBuilder.h"
#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/BatchRecord.h"
#include "convert/ConversionBatch.h"
#include "convert/WorkFolder.h"
#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/FileIO.h"
#include "support/IoFaults.h"
#include "support/Platform.h"

namespace velkaro::testing {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, ByteVec>;

struct SilentReporter : BatchReporter {
  void ShowMessage(const std::u16string &text) override { messages.push_back(text); }
  void SetStatusText(const std::u16string &text) override { status = text; }
  std::vector<std::u16string> messages;
  std::u16string status;
};

struct Scenario {
  const char *name;
  Files sources;
  Files earlier;  // in the destination before the run
  std::vector<std::string> rows;
};

ByteVec Jww(std::int32_t version, bool utf16) { return BuildJww(MakeRichDrawing(version, utf16)).bytes; }

ByteVec Jwc(const std::string &comment) {
  JwcBuilder b = JwcRichDrawing();
  b.comment1 = comment;
  return b.build();
}

std::vector<Scenario> Scenarios() {
  return {
      {"jww with images and UTF-16 strings", {{"p.jww", Jww(700, true)}}, {}, {"p.jww"}},
      {"jwc", {{"q.jwc", Jwc("NEW")}}, {}, {"q.jwc"}},
      // p.jww is backed up with its generations shifted (.BAK -> .bk1 ->
      // .bk2); q.jwc is backed up to a fresh q.BAK.
      {"batch with a backup and generations",
       {{"p.jww", Jww(700, true)}, {"q.jwc", Jwc("NEW")}},
       {{"p.jww", Jww(600, false)},
        {"p.BAK", Jww(420, false)},
        {"p.bk1", Jww(351, false)},
        {"q.jwc", Jwc("OLD")}},
       {"p.jww", "q.jwc"}},
  };
}

Files ReadFolder(const fs::path &folder) {
  Files files;
  for (const auto &e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = e.is_regular_file() ? ReadFileBytes(e.path()) : ByteVec{};
  return files;
}

// Names our temporary files and work folders start with.
bool IsTemporaryName(const std::string &name) {
  return name.rfind(".velkaro-", 0) == 0 || name.rfind("velkaro-work-", 0) == 0;
}

std::size_t Leftovers(const fs::path &folder) {
  std::size_t n = 0;
  for (const auto &e : fs::directory_iterator(folder))
    n += IsTemporaryName(e.path().filename().string());
  return n;
}

// Faults that can only hit the cleaning up: what they leave is proven ours
// and removed by the next run's sweep.
bool IsCleanupStep(IoStep step) {
  return step == IoStep::Remove || step == IoStep::RemoveFolder || step == IoStep::ListFolder;
}

bool IsDiskFailure(FileOutcome outcome) {
  return outcome == FileOutcome::ReadFailed || outcome == FileOutcome::WriteFailed ||
         outcome == FileOutcome::BackupFailed || outcome == FileOutcome::ImagesNotExtracted;
}

// One run in fresh folders, the n-th file-layer call failing (none when 0).
struct FaultedRun {
  FaultedRun(const Scenario &scenario, std::uint64_t n) : temp(tempRoot.path()) {
    for (const auto &[name, bytes] : scenario.sources) src.write(name, bytes);
    for (const auto &[name, bytes] : scenario.earlier) dst.write(name, bytes);
    std::vector<std::u16string> rows;
    for (const std::string &row : scenario.rows) rows.push_back(FromFsPath(row));
    TJwwData JWW;
    TJwcData JWC;
    ConversionBatch batch(JWW, JWC, reporter);
    FailIoCallForTesting(n);
    result = batch.Run(src.u16(), dst.u16(), rows, {2, 1, 3, 4, 5, 6, 7, 8, 9, 10});
    IoStep step;
    if (FailedIoStepForTesting(step))
      failed = step;
    FailIoCallForTesting(0);
  }

  TempDir src, dst, tempRoot;
  ScopedTempFolder temp;
  SilentReporter reporter;
  BatchResult result;
  std::optional<IoStep> failed;
};

class IoFaultSweep : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override { InitDocumentLibraryDefaults(); }
  void TearDown() override { FailIoCallForTesting(0); }
};

TEST_P(IoFaultSweep, EveryFailingCallLeavesEveryFileWholeAndIsTold) {
  const Scenario &scenario = GetParam();
  // The complete outputs, from a run without faults.
  Files complete;
  {
    const FaultedRun clean(scenario, 0);
    ASSERT_EQ(clean.result.converted, static_cast<std::int32_t>(scenario.rows.size()));
    for (const std::string &row : scenario.rows) complete[row] = clean.dst.read(row);
  }
  std::set<ByteVec> earlierVersions;
  for (const auto &[name, bytes] : scenario.earlier) earlierVersions.insert(bytes);

  std::uint64_t points = 0;
  for (std::uint64_t n = 1;; ++n) {
    ASSERT_LT(n, 100000u) << "the sweep does not end";
    FaultedRun run(scenario, n);
    if (!run.failed) {
      // The n-th call was never made: the run went through untouched.
      EXPECT_EQ(run.result.converted, static_cast<std::int32_t>(scenario.rows.size()));
      break;
    }
    ++points;
    SCOPED_TRACE(std::string(scenario.name) + ": call " + std::to_string(n) + " (" +
                 IoStepName(*run.failed) + ") failed");

    // The source is untouched.
    EXPECT_TRUE(ReadFolder(run.src.path()) == scenario.sources) << "the source changed";

    // Each output name holds its earlier bytes or the complete output, and
    // the complete output exactly when the row says it was converted.
    const Files after = ReadFolder(run.dst.path());
    const std::size_t temporary = Leftovers(run.dst.path()) + Leftovers(run.tempRoot.path());
    for (std::size_t i = 0; i < scenario.rows.size() && i < run.result.rows.size(); ++i) {
      const std::string &row = scenario.rows[i];
      const bool converted = run.result.rows[i].outcome == FileOutcome::Converted;
      const auto it = after.find(row);
      const auto was = scenario.earlier.find(row);
      if (converted) {
        ASSERT_NE(it, after.end()) << row;
        EXPECT_TRUE(it->second == complete.at(row)) << row << " holds an incomplete output";
      } else if (was == scenario.earlier.end()) {
        EXPECT_EQ(it, after.end()) << row << " was not converted but has an output";
      } else {
        ASSERT_NE(it, after.end()) << row;
        EXPECT_TRUE(it->second == was->second) << row << " lost its earlier bytes";
      }
    }
    // Every other name is a backup holding an earlier version, and no
    // earlier version is lost.
    std::set<ByteVec> kept;
    for (const auto &[name, bytes] : after) {
      if (IsTemporaryName(name) || name == ToUtf8(kBatchRecordName))
        continue;
      kept.insert(bytes);
      if (complete.count(name) == 0) {
        EXPECT_EQ(earlierVersions.count(bytes), 1u) << name << " holds no earlier version";
      }
    }
    for (const ByteVec &version : earlierVersions)
      EXPECT_EQ(kept.count(version), 1u) << "an earlier version was lost";

    // The batch's record is whole and names only outputs that were written;
    // one that misses a written output was told.
    FolderHandle folder;
    ASSERT_TRUE(folder.open(run.dst.u16()));
    const BatchRecordFile record = ReadBatchRecord(folder);
    EXPECT_NE(record.state, BatchRecordFile::State::Damaged) << record.reason;
    std::set<std::string> recorded;
    for (const RecordedBatch &batch : record.batches)
      for (const RecordedFile &file : batch.files) recorded.insert(ToUtf8(file.name));
    for (std::size_t i = 0; i < run.result.rows.size(); ++i) {
      const bool converted = run.result.rows[i].outcome == FileOutcome::Converted;
      if (recorded.count(scenario.rows[i]) != 0) {
        EXPECT_TRUE(converted) << scenario.rows[i] << " is recorded but was not written";
      } else if (converted) {
        EXPECT_NE(std::find(run.reporter.messages.begin(), run.reporter.messages.end(),
                            kMessageRecordNotWritten),
                  run.reporter.messages.end())
            << scenario.rows[i] << " is missing from the record, and nobody was told";
      }
    }

    // No temporary file or folder is left; one that a failed removal left is
    // proven ours and goes with the next run's sweep.
    if (IsCleanupStep(*run.failed)) {
      RemoveStaleTemporaryFiles(folder);
      WorkFolder::RemoveStale();
      EXPECT_EQ(Leftovers(run.dst.path()) + Leftovers(run.tempRoot.path()), 0u);
    } else {
      EXPECT_EQ(temporary, 0u);
    }

    // The reason is told: the batch was refused with a message, or each file
    // not written is listed with a reason that fits a failing disk.
    if (run.result.refused) {
      ASSERT_FALSE(run.reporter.messages.empty());
      // The folder is there: "missing" would send the user looking for it.
      EXPECT_NE(run.reporter.messages.back(), kMessageMissingDestination);
      continue;
    }
    EXPECT_EQ(run.result.rows.size(), scenario.rows.size());
    EXPECT_EQ(run.reporter.status, BatchSummaryText(run.result));
    EXPECT_EQ(run.result.failures.size(),
              static_cast<std::size_t>(run.result.counted - run.result.converted));
    for (const FileFailure &failure : run.result.failures) {
      EXPECT_TRUE(IsDiskFailure(failure.outcome))
          << ToUtf8(failure.source) << ": " << FileOutcomeText(failure.outcome);
      EXPECT_FALSE(FileFailureReason(failure).empty());
    }
  }
  std::cout << "[ sweep    ] " << scenario.name << ": " << points << " points\n";
  RecordProperty("points", static_cast<int>(points));
  // A seam that stopped counting would end the sweep at once.
  EXPECT_GT(points, 20u);
}

std::string ScenarioName(const ::testing::TestParamInfo<Scenario> &info) {
  static const char *const kNames[] = {"Jww", "Jwc", "Batch"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(Conversions, IoFaultSweep, ::testing::ValuesIn(Scenarios()), ScenarioName);

}  // namespace
}  // namespace velkaro::testing
