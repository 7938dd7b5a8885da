#include "convert/Backups.h"

#include <array>

#include "support/FileIO.h"
#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/Sha256.h"

namespace velkaro {

namespace {

bool IsFolderEntry(const FolderHandle &folder, const std::u16string &name) {
  FileStatus status;
  return folder.status(name, status, false) && status.folder;
}

// The lowest generation that is missing: where a shift cut short by a kill
// left its gap, so the next shift completes it instead of pushing a
// generation into the gap's neighbour. 0 when a folder is in the way,
// kBackupGenerations + 1 when there is no gap.
int LowestGap(const FolderHandle &folder, const std::u16string &backup) {
  for (int k = 1; k <= kBackupGenerations; ++k) {
    const std::u16string name = BackupGenerationName(backup, k);
    if (IsFolderEntry(folder, name))
      return 0;
    if (!folder.exists(name))
      return k;
  }
  return kBackupGenerations + 1;
}

// .bk8 -> .bk9, ..., .bk1 -> .bk2, .BAK -> .bk1: each rename replaces only
// the name above it. Only with no gap is the ninth lost.
bool ShiftGenerations(const FolderHandle &folder, const std::u16string &backup) {
  const int gap = LowestGap(folder, backup);
  if (gap == 0)
    return false;
  for (int k = std::min(gap, kBackupGenerations) - 1; k >= 1; --k)
    if (!folder.rename(BackupGenerationName(backup, k), BackupGenerationName(backup, k + 1)))
      return false;
  return folder.rename(backup, BackupGenerationName(backup, 1));
}

}  // namespace

std::u16string BackupGenerationName(const std::u16string &backupName, int generation) {
  if (generation == 0)
    return backupName;
  return ReplaceExt(backupName, u".bk" + IntToString(generation));
}

std::u16string NextBackupName(const std::u16string &T, const std::set<std::u16string> &made) {
  const auto taken = [&](const std::u16string &name) {
    return made.count(LocaleUpperCase(ExtractName(name))) != 0;
  };
  std::u16string name = ReplaceExt(T, u".BAK");
  if (!taken(name))
    return name;
  name = T + u".BAK";
  // Only names made up on purpose (p.jww.jww beside p.jww and p.jwc) get
  // this far; a number keeps every backup of the run.
  for (int k = 2; taken(name); ++k)
    name = T + u"." + IntToString(k) + u".BAK";
  return name;
}

BackupStep KeepAsBackup(const FolderHandle &folder, const std::u16string &name,
                        const std::u16string &backup, const MarkedFolder *staging) {
  FileStatus status;
  if (!folder.status(name, status)) {
    // Nothing to keep when nothing is there, or a dangling link; an entry
    // whose status cannot be had is not written over unkept.
    FileStatus entry;
    if (folder.status(name, entry, false))
      return entry.folder || entry.regular ? BackupStep::Failed : BackupStep::Kept;
    return folder.exists(name) ? BackupStep::Failed : BackupStep::Kept;
  }
  if (!status.regular)
    return status.folder ? BackupStep::Failed : BackupStep::Kept;
  if (IsFolderEntry(folder, backup))
    return BackupStep::Failed;
  if (folder.exists(backup)) {
    if (SameEntryBytes(folder, name, backup))
      return BackupStep::Kept;  // the backup already holds these bytes: nothing moves
    FileStatus oldest;
    if (KeepingWouldDropOldest(folder, backup) &&
        folder.status(BackupGenerationName(backup, kBackupGenerations), oldest) && oldest.readOnly)
      return BackupStep::OldestReadOnly;
    if (!ShiftGenerations(folder, backup))
      return BackupStep::Failed;
  }
  return CopyEntryWithTimes(folder, name, backup, staging) ? BackupStep::Kept : BackupStep::Failed;
}

bool KeepingWouldDropOldest(const FolderHandle &folder, const std::u16string &backup) {
  return folder.exists(backup) && LowestGap(folder, backup) == kBackupGenerations + 1;
}

std::optional<std::string> EntryDigest(const FolderHandle &folder, const std::u16string &name) {
  try {
    InputFile in;
    if (!in.openIn(folder, name))
      return std::nullopt;
    Sha256 digest;
    std::array<std::uint8_t, 65536> buffer;
    while (const std::size_t n = in.read(buffer))
      digest.update(std::span(buffer.data(), n));
    return digest.hexDigest();
  } catch (...) {  // a read error
    return std::nullopt;
  }
}

std::optional<int> GenerationHolding(const FolderHandle &folder, const std::u16string &backup,
                                     const std::string &digest) {
  for (int k = 0; k <= kBackupGenerations; ++k) {
    const std::u16string name = BackupGenerationName(backup, k);
    FileStatus status;
    if (folder.status(name, status, false) && status.regular && EntryDigest(folder, name) == digest)
      return k;
  }
  return std::nullopt;
}

}  // namespace velkaro
