// Backups: the rule by which a batch keeps what it replaces, and by which
// undo finds it again.
//
// A file about to be replaced is copied to its backup name (p.jww -> p.BAK).
// A backup of different bytes already there first moves a generation down
// (.BAK -> .bk1 ... .bk8 -> .bk9, the ninth dropped), so that every earlier
// version stays until nine newer ones came after it. The batch and undo both
// keep files this way, which is what lets an undo itself be undone.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace velkaro {

class FolderHandle;
class MarkedFolder;

// The names the generations of a backup move through: for p.BAK, p.bk1 to
// p.bk9 (oldest last). Generation 0 is the backup name itself.
std::u16string BackupGenerationName(const std::u16string &backupName, int generation);
constexpr int kBackupGenerations = 9;

// ReplaceExt(T, ".BAK"), unless a backup of that name (upper-cased in
// `made`) was made earlier in the same run: then T + ".BAK" (p.jww and p.jwc
// both into a folder that held both), or a numbered one.
std::u16string NextBackupName(const std::u16string &T, const std::set<std::u16string> &made);

enum class BackupStep {
  Kept,            // the file's bytes are at the backup name (copied, or already there)
  Failed,          // no copy could be made; nothing at the file's name changed
  OldestReadOnly,  // the shift would drop a ninth generation the user marked read-only
};

// Keeps the file `name` of the folder as `backup`, moving older generations
// down first when the backup holds other bytes. Nothing to keep (no file, or
// a dangling link) counts as kept. A folder at the backup name is the
// user's: neither moved nor replaced.
BackupStep KeepAsBackup(const FolderHandle &folder, const std::u16string &name,
                        const std::u16string &backup, const MarkedFolder *staging);

// True when keeping another backup at `backup` would drop its ninth
// generation (all nine are there and no shift was left cut short).
bool KeepingWouldDropOldest(const FolderHandle &folder, const std::u16string &backup);

// The SHA-256 of an entry's bytes (hexadecimal); nullopt when it cannot be read.
std::optional<std::string> EntryDigest(const FolderHandle &folder, const std::u16string &name);

// The generation of `backup` (0 for the name itself, then 1 to 9) whose bytes
// have `digest`, searched from the newest; nullopt when none has.
std::optional<int> GenerationHolding(const FolderHandle &folder, const std::u16string &backup,
                                     const std::string &digest);

}  // namespace velkaro
