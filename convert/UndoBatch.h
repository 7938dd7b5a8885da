// UndoBatch: takes back the last batch into a destination folder, as its
// record (BatchRecord) says, through the same backup rule as the batch.
//
// An output that had an earlier file gets that file back from whichever
// backup generation holds it now; an output that had none is taken away.
// What undo takes away is kept as a backup generation itself, so an undo can
// be undone too. An output that differs from what the batch wrote (edited
// since) and an earlier file no backup holds any more are left as they are
// and named. Undo holds the folder's lock like a batch; every replacement is
// atomic, and each name ends with either the converted or the restored
// bytes, so that a rerun after a kill completes what was begun.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/BatchRecord.h"

namespace velkaro {

enum class UndoOutcome {
  Restored,       // the earlier file is back
  Removed,        // the output had no earlier file and is taken away
  AlreadyUndone,  // the name holds what undo would leave already (a rerun)
  ChangedSince,   // the output is not what the batch wrote: left alone
  OutputMissing,  // the output is gone: left alone
  BackupMissing,  // no backup holds the earlier file any more: left alone
  BackupTooOld,   // keeping the output would drop the ninth generation, which holds the earlier file
  Failed,         // a copy or removal failed: the name is as it was
  Interrupted,    // a stop was requested before it was undone
};

// True for the outcomes that leave the name as the batch left it.
bool IsLeftAlone(UndoOutcome outcome);

struct UndoRow {
  std::u16string name;
  UndoOutcome outcome = UndoOutcome::Failed;
  // The backup the earlier file came from, or the output was kept as.
  std::u16string backup;
};

struct UndoOptions {
  bool dryRun = false;  // say what would be done, change nothing
  // The batch the user agreed to undo; another one last in the record
  // (a batch run since) refuses the undo. Empty: whatever is last.
  std::string batchId;
};

struct UndoResult {
  std::u16string refusal;  // non-empty: nothing was done, and why
  std::optional<RecordedBatch> batch;
  std::vector<UndoRow> rows;  // in the order they were undone (newest output first)
  std::int32_t restored = 0;  // Restored, Removed and AlreadyUndone
  std::int32_t leftAlone = 0;
  bool interrupted = false;
  bool dryRun = false;
  bool recordWritten = true;  // false when the batch could not be marked undone
};

class UndoReporter {
 public:
  virtual ~UndoReporter() = default;
  virtual void FileUndone(const std::u16string &D, const UndoRow &row) { (void)D; (void)row; }
};

// The batch an undo of D would take back, for the confirmation; nullopt
// with `why` set when there is none or the record cannot be read.
std::optional<RecordedBatch> BatchToUndo(const std::u16string &D, std::u16string &why);

UndoResult UndoLastBatch(const std::u16string &D, const UndoOptions &options,
                         UndoReporter *reporter = nullptr);

// Texts.
extern const std::u16string kMessageNothingToUndo;     // "元に戻せる変換はありません。"
extern const std::u16string kMessageBatchChanged;      // another batch ran since the confirmation
// "12月10日 09:30 の変換（3個のファイル、1→3, 3→1）"
std::u16string BatchDescriptionText(const RecordedBatch &batch);
// The confirmation of the window and the CLI.
std::u16string UndoConfirmationText(const RecordedBatch &batch, const std::u16string &D);
std::u16string UndoOutcomeText(UndoOutcome outcome, bool dryRun = false);
// The outcome with the backup it came from, or the output was kept as.
std::u16string UndoRowReason(const UndoRow &row, bool dryRun = false);
// "3個のファイルを元に戻しました。（1個はそのままにしました）"
std::u16string UndoSummaryText(const UndoResult &result);

}  // namespace velkaro
