// BatchRecord: what each batch did in its destination folder, kept in that
// folder so that it travels with it, for undo.
//
// One small file (kBatchRecordName, hidden on Windows) lists the last
// kBatchesKept batches: for each output its name, whether a file had that
// name before, which backup the batch kept that file as, and the SHA-256 of
// the bytes written and of the backup. It is always replaced whole, through
// a temporary file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

class FolderHandle;
class MarkedFolder;

inline constexpr char16_t kBatchRecordName[] = u".velkaro_batches.json";
// A damaged record is moved aside under this name rather than written over.
inline constexpr char16_t kDamagedBatchRecordName[] = u".velkaro_batches-damaged.json";
constexpr std::size_t kBatchesKept = 10;

struct RecordedFile {
  std::u16string name;         // the output, in the destination folder
  bool earlier = false;        // a file had the name before the batch
  std::u16string backup;       // the name the batch kept that file as (p.BAK)
  std::string backupDigest;    // SHA-256 of the kept bytes
  std::string outputDigest;    // SHA-256 of the bytes written
};

struct RecordedBatch {
  std::string id;              // unique among the folder's batches
  std::int64_t time = 0;       // when it started (seconds since 1970, UTC)
  TMojiShuMap map{};
  std::vector<RecordedFile> files;  // in the order they were written
  bool undone = false;
};

struct BatchRecordFile {
  enum class State { None, Read, Damaged } state = State::None;
  std::string reason;          // why a damaged one could not be used
  std::vector<RecordedBatch> batches;  // oldest first
};

BatchRecordFile ReadBatchRecord(const FolderHandle &folder);
// Replaces the record with `batches`, the oldest dropped beyond kBatchesKept.
bool WriteBatchRecord(const FolderHandle &folder, std::vector<RecordedBatch> batches,
                      const MarkedFolder *staging = nullptr);

// The batch undo would take back: the newest one not undone.
const RecordedBatch *LastUndoableBatch(const BatchRecordFile &record);

// The record of the batch in progress, written as files finish: at most
// once a second, and at the end, so that a batch stopped by a signal, by
// the stop button or by a kill keeps (nearly) all it finished.
class BatchRecorder {
 public:
  BatchRecorder(const FolderHandle &folder, const TMojiShuMap &map);
  void Add(RecordedFile file);
  // The last write; false when the record does not hold every file added.
  bool Finish();

 private:
  bool Write();

  const FolderHandle &folder_;
  BatchRecordFile earlier_;
  RecordedBatch batch_;
  std::int64_t lastWrite_ = 0;  // steady clock, milliseconds
  bool dirty_ = false;  // files added since the last write that succeeded
};

}  // namespace velkaro
