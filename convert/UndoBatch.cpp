#include "convert/UndoBatch.h"

#include <ctime>
#include <set>

#include "convert/Backups.h"
#include "convert/ConversionBatch.h"
#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Interrupt.h"
#include "support/MarkedFolder.h"
#include "support/Platform.h"

namespace velkaro {

const std::u16string kMessageNothingToUndo = u"元に戻せる変換はありません。";
const std::u16string kMessageBatchChanged =
    u"確認の後に保存先フォルダで別の変換が行われました。もう一度やり直して下さい。";

namespace {

// One output of the batch taken back, all through the folder's handle.
class FileUndo {
 public:
  FileUndo(const FolderHandle &folder, const MarkedFolder *staging, bool dryRun,
           std::set<std::u16string> &made)
      : folder_(folder), staging_(staging), dryRun_(dryRun), made_(made) {}

  UndoRow Undo(const RecordedFile &file) {
    UndoRow row{file.name, UndoOutcome::Failed, std::u16string()};
    row.outcome = file.earlier ? Restore(file, row.backup) : Remove(file, row.backup);
    return row;
  }

 private:
  std::optional<std::string> DigestOf(const std::u16string &name) const {
    FileStatus status;
    if (!folder_.status(name, status, false) || !status.regular)
      return std::nullopt;
    return EntryDigest(folder_, name);
  }

  // The earlier file back, from the generation that holds it now; the
  // output kept in the same line of generations first.
  UndoOutcome Restore(const RecordedFile &file, std::u16string &from) {
    made_.insert(LocaleUpperCase(file.backup));
    const std::optional<std::string> now = DigestOf(file.name);
    if (now && *now == file.backupDigest)
      return UndoOutcome::AlreadyUndone;
    if (!folder_.exists(file.name))
      return UndoOutcome::OutputMissing;
    if (now != file.outputDigest)
      return UndoOutcome::ChangedSince;
    std::optional<int> generation = GenerationHolding(folder_, file.backup, file.backupDigest);
    if (!generation)
      return UndoOutcome::BackupMissing;
    const bool shifts = !SameEntryBytes(folder_, file.name, file.backup);
    if (shifts && *generation == kBackupGenerations &&
        KeepingWouldDropOldest(folder_, file.backup))
      return UndoOutcome::BackupTooOld;
    if (StopRequested())
      return UndoOutcome::Interrupted;
    from = BackupGenerationName(file.backup, *generation + (shifts ? 1 : 0));
    if (dryRun_)
      return UndoOutcome::Restored;
    if (KeepAsBackup(folder_, file.name, file.backup, staging_) != BackupStep::Kept)
      return UndoOutcome::Failed;
    // The shift moved the earlier file a generation down: found again.
    generation = GenerationHolding(folder_, file.backup, file.backupDigest);
    if (!generation)
      return UndoOutcome::BackupMissing;
    from = BackupGenerationName(file.backup, *generation);
    return CopyEntryWithTimes(folder_, from, file.name, staging_) ? UndoOutcome::Restored
                                                                  : UndoOutcome::Failed;
  }

  // An output that had no earlier file: kept as a backup, then removed.
  UndoOutcome Remove(const RecordedFile &file, std::u16string &keptAs) {
    const std::u16string backup = NextBackupName(file.name, made_);
    made_.insert(LocaleUpperCase(backup));
    if (!folder_.exists(file.name))
      return UndoOutcome::AlreadyUndone;
    if (DigestOf(file.name) != file.outputDigest)
      return UndoOutcome::ChangedSince;
    if (StopRequested())
      return UndoOutcome::Interrupted;
    keptAs = backup;
    if (dryRun_)
      return UndoOutcome::Removed;
    if (KeepAsBackup(folder_, file.name, backup, staging_) != BackupStep::Kept)
      return UndoOutcome::Failed;
    return folder_.remove(file.name) ? UndoOutcome::Removed : UndoOutcome::Failed;
  }

  const FolderHandle &folder_;
  const MarkedFolder *staging_;
  const bool dryRun_;
  std::set<std::u16string> &made_;
};

// Opens D as the batch opens its destination; the refusal, or empty.
std::u16string OpenDestination(const std::u16string &D, FolderHandle &folder) {
  if (std::u16string refusal = ConversionBatch::CheckDestination(u"", D); !refusal.empty())
    return refusal;
  if (!folder.open(D))
    return IsFolder(D) ? kMessageDestinationNotOpened : kMessageMissingDestination;
  return std::u16string();
}

// The batch to undo in the record, or the refusal.
const RecordedBatch *FindBatchToUndo(const BatchRecordFile &record, std::u16string &why) {
  if (record.state == BatchRecordFile::State::Damaged) {
    why = u"変換の記録が壊れているため元に戻せません（" + FromUtf8(record.reason) + u"）。";
    return nullptr;
  }
  const RecordedBatch *batch = LastUndoableBatch(record);
  if (!batch)
    why = kMessageNothingToUndo;
  return batch;
}

}  // namespace

bool IsLeftAlone(UndoOutcome outcome) {
  switch (outcome) {
    case UndoOutcome::Restored:
    case UndoOutcome::Removed:
    case UndoOutcome::AlreadyUndone:
      return false;
    default:
      return true;
  }
}

std::optional<RecordedBatch> BatchToUndo(const std::u16string &D, std::u16string &why) {
  FolderHandle folder;
  why = OpenDestination(D, folder);
  if (!why.empty())
    return std::nullopt;
  const BatchRecordFile record = ReadBatchRecord(folder);
  if (const RecordedBatch *batch = FindBatchToUndo(record, why))
    return *batch;
  return std::nullopt;
}

UndoResult UndoLastBatch(const std::u16string &D, const UndoOptions &options,
                         UndoReporter *reporter) {
  UndoResult result;
  result.dryRun = options.dryRun;
  FolderHandle folder;
  result.refusal = OpenDestination(D, folder);
  if (!result.refusal.empty())
    return result;
  if (folder.tryLock() == FolderHandle::LockResult::Busy) {
    result.refusal = kMessageDestinationBusy;
    return result;
  }
  BatchRecordFile record = ReadBatchRecord(folder);
  const RecordedBatch *found = FindBatchToUndo(record, result.refusal);
  if (!found)
    return result;
  if (!options.batchId.empty() && found->id != options.batchId) {
    result.refusal = kMessageBatchChanged;
    return result;
  }
  result.batch = *found;

  MarkedFolder staging;
  if (!options.dryRun) {
    RemoveStaleTemporaryFiles(folder);
    MakeTemporaryFolder(folder, staging);
  }
  // The lines of generations that hold earlier files are not where an
  // output without one is kept: keeping it there could push out a ninth
  // generation still to be restored.
  std::set<std::u16string> made;
  for (const RecordedFile &file : result.batch->files)
    if (file.earlier)
      made.insert(LocaleUpperCase(file.backup));
  FileUndo undo(folder, staging.isOpen() ? &staging : nullptr, options.dryRun, made);
  bool failed = false;
  const std::vector<RecordedFile> &files = result.batch->files;
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    UndoRow row = undo.Undo(*it);
    if (row.outcome == UndoOutcome::Interrupted) {
      result.interrupted = true;
      break;
    }
    failed |= row.outcome == UndoOutcome::Failed;
    ++(IsLeftAlone(row.outcome) ? result.leftAlone : result.restored);
    if (reporter)
      reporter->FileUndone(D, row);
    result.rows.push_back(std::move(row));
  }
  staging.remove();
  // A rerun completes an undo that was stopped or met a failing disk; one
  // that left only edited or missing files alone is done.
  if (!options.dryRun && !result.interrupted && !failed) {
    for (RecordedBatch &batch : record.batches)
      if (batch.id == result.batch->id)
        batch.undone = true;
    result.recordWritten = WriteBatchRecord(folder, std::move(record.batches));
  }
  return result;
}

std::u16string BatchDescriptionText(const RecordedBatch &batch) {
  std::tm local{};
  std::u16string when;
  if (ToLocalTime(FileTime{batch.time, 0}, local))
    when = IntToString(local.tm_mon + 1) + u"月" + IntToString(local.tm_mday) + u"日 " +
           TwoDigits(local.tm_hour) + u":" + TwoDigits(local.tm_min) + u" ";
  return when + u"の変換（" + IntToString(static_cast<std::int32_t>(batch.files.size())) +
         u"個のファイル、" + MapSummaryText(batch.map) + u"）";
}

std::u16string UndoConfirmationText(const RecordedBatch &batch, const std::u16string &D) {
  return BatchDescriptionText(batch) + u"を元に戻しますか？\n\n保存先フォルダ：" + D +
         u"\n\n変換したファイルは消さずにバックアップとして残します。";
}

std::u16string UndoOutcomeText(UndoOutcome outcome, bool dryRun) {
  switch (outcome) {
    case UndoOutcome::Restored: return dryRun ? u"元のファイルに戻します" : u"元のファイルに戻しました";
    case UndoOutcome::Removed:
      return dryRun ? u"変換前には無かったファイルなので取り除きます"
                    : u"変換前には無かったファイルなので取り除きました";
    case UndoOutcome::AlreadyUndone: return u"既に元に戻っています";
    case UndoOutcome::ChangedSince: return u"変換の後に変更されているので、そのままにしました";
    case UndoOutcome::OutputMissing: return u"ファイルが見つからないので、そのままにしました";
    case UndoOutcome::BackupMissing:
      return u"元のファイルのバックアップが見つからないか変更されているので、そのままにしました";
    case UndoOutcome::BackupTooOld:
      return u"元のファイルは最も古いバックアップにあり、戻すと失われるので、そのままにしました";
    case UndoOutcome::Failed: return u"書き込めなかったので、そのままにしました";
    case UndoOutcome::Interrupted: return u"中止しました";
  }
  return std::u16string();
}

std::u16string UndoRowReason(const UndoRow &row, bool dryRun) {
  std::u16string text = UndoOutcomeText(row.outcome, dryRun);
  if (row.backup.empty())
    return text;
  if (row.outcome == UndoOutcome::Restored)
    return text + u"（" + row.backup + u" から）";
  return text + u"（" + row.backup + (dryRun ? u" に残します）" : u" に残しました）");
}

std::u16string UndoSummaryText(const UndoResult &result) {
  if (!result.refusal.empty())
    return result.refusal;
  std::u16string text = IntToString(result.restored) +
                        (result.dryRun ? u"個のファイルを元に戻せます。" : u"個のファイルを元に戻しました。");
  if (result.leftAlone > 0)
    text += u"（" + IntToString(result.leftAlone) +
            (result.dryRun ? u"個はそのままにします）" : u"個はそのままにしました）");
  if (result.interrupted)
    text += u"途中で中止しました。";
  return text;
}

}  // namespace velkaro
