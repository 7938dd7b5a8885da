// ConversionBatch: the conversion of the selected files, as a GUI-free service.
//
// The window's convert button and `velkaro-cli convert` both run it: it is
// the one implementation of the refusals, the per-file road, the counting
// and the final texts; the front ends only show what it reports. It reads
// each drawing, remaps its text kinds and writes it in the version it was
// read under the same name into the destination folder, keeping a file that
// was there as a ".BAK" copy. It reports through BatchReporter: message
// boxes and the status bar in the window, the output streams in the CLI.
//
// Beyond the plain algorithm it keeps the user's data safe:
// - the destination is checked against the source folder by identity, then
//   held open and locked for the whole run: every write goes through that
//   handle, and a second batch into the same folder is refused;
// - a backup is made only when an output is about to be written; a backup
//   that would replace different bytes first moves the older ones a
//   generation down (.BAK -> .bk1 ... .bk8 -> .bk9); a backup made earlier in
//   the same batch is never replaced; a file that could not be backed up is
//   not overwritten;
// - outputs and backups are written through temporary files, keep the
//   permission bits of the file they replace or copy, never write through a
//   link, and are never the source itself;
// - a drawing whose images could not be extracted is not written without
//   them;
// - a worker flushes and renames one file while it converts the next, but
//   reports a file only once it is in place, and in row order; a row that
//   could touch the names of that file waits for it first;
// - a stop request (Interrupt.h) ends the batch after the file in progress
//   gave up its temporary file;
// - a read-only file at the destination, or a read-only oldest backup the
//   generations would drop, is left as it is and its row not converted;
//   one that another program holds is waited for briefly, then reported;
//   either is found before any backup moves;
// - every file that produced no output is reported with its reason;
// - what it wrote and kept is recorded in the destination (BatchRecord), so
//   that the batch can be undone.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "convert/Backups.h"
#include "convert/BatchRecord.h"
#include "convert/UnitV.h"
#include "support/Func_2.h"

namespace velkaro {

class TJwwData;
class TJwcData;
class FolderHandle;

// What happened to one file handed to ConvertFile.
enum class FileOutcome {
  Converted,           // the output was written
  CheckFailed,         // not a drawing of that kind (FileCheck false)
  ReadFailed,          // missing, or could not be read (FileIn false)
  PermissionDenied,    // the user may not read the source
  NotRegularFile,      // the source is a folder, FIFO or device
  ImagesNotExtracted,  // its bound images could not be put in the work folder
  WriteFailed,         // could not be written (FileOut false; no output left)
  DestinationIsSource, // the destination is the source file itself (a link); not written
  BackupFailed,        // the file already at the destination could not be kept as .BAK
  DestinationReadOnly, // the file already at the destination is read-only: the user's "do not touch"
  DestinationInUse,    // another program holds the file already at the destination
  OldBackupReadOnly,   // the oldest generation (.bk9), which the backups would drop, is read-only
  Interrupted,         // a stop was requested while it was converted
  TooManyOpenFiles,    // the process's or the system's limit of open files was reached
  OutOfMemory,         // memory could not be had
};

// The reason in English (the CLI) and in Japanese (the window).
const char *FileOutcomeText(FileOutcome outcome);
std::u16string FileOutcomeReason(FileOutcome outcome);

// What a written file did not take over from its source, worth a word to
// the user though the file was converted.
struct FileWarning {
  // Bytes after the drawing's last section: the format ignores them, so the
  // output ends where the drawing does.
  std::uint64_t trailingBytes = 0;
};
// The warning in English (the CLI) and in Japanese (the window).
std::string FileWarningText(const FileWarning &warning);
std::u16string FileWarningReason(const FileWarning &warning);

// One counted file that produced no output.
struct FileFailure {
  std::u16string source;
  std::u16string dest;
  FileOutcome outcome;
  // Where the reader gave up ("… at offset 0x2CEB"); may be empty.
  std::string detail = {};
};

// The reason of a failure in Japanese, with where the reader gave up.
std::u16string FileFailureReason(const FileFailure &failure);

// What became of one selected row, in row order.
struct RowResult {
  std::u16string source;
  std::u16string dest;
  // False for a row that is no JWW/JWC file: it was shown its extension
  // message and not converted.
  bool counted = false;
  FileOutcome outcome = FileOutcome::CheckFailed;
  std::string detail;
  // What a converted file did not take over (told beside "変換しました").
  FileWarning warning = {};
};

struct BatchResult;
struct BatchRow;
struct RowOutcome;

class BatchReporter {
 public:
  virtual ~BatchReporter() = default;
  // A modal message with one OK button (the window), or a line on stderr.
  virtual void ShowMessage(const std::u16string &text) = 0;
  // After a refusal the window moves the focus to the destination button.
  virtual void FocusDestinationButton() {}
  // The status bar's one text, repainted at once.
  virtual void SetStatusText(const std::u16string &text) = 0;
  // A selected row whose extension is neither .jww nor .jwc: by default its
  // message (UnsupportedExtensionMessage); the window lists it in the result
  // instead of interrupting the batch.
  virtual void RowNotConvertible(const std::u16string &N, const std::u16string &E);
  // Called after each file handed to ConvertFile (progress, CLI diagnostics).
  virtual void FileFinished(const std::u16string &source, const std::u16string &dest,
                            FileOutcome outcome) {
    (void)source; (void)dest; (void)outcome;
  }
  // Fewer workers than asked convert (`started`; 1 is the calling thread
  // alone): the system would not give the batch more threads.
  virtual void WorkersReduced(int asked, int started) {
    (void)asked; (void)started;
  }
  // Called for a converted file that left something behind, just before
  // its FileFinished.
  virtual void FileWarned(const std::u16string &source, const FileWarning &warning) {
    (void)source; (void)warning;
  }
  // Called by Run after every selected row, counted or not (progress bar).
  virtual void RowFinished(std::int32_t done, std::int32_t total) {
    (void)done; (void)total;
  }
  // Called once at the end of a batch that was not refused: the final status
  // text (BatchSummaryText), then ReportFailures when some counted file
  // produced no output.
  virtual void BatchFinished(const BatchResult &result);
  virtual void ReportFailures(const std::vector<FileFailure> &failures) { (void)failures; }
};

// One selected row: the file `name` in the source folder `folder`.
struct BatchRow {
  std::u16string folder;
  std::u16string name;
};

struct BatchOptions {
  // Workers converting at once. Rows whose outputs and backups could share a
  // name stay on one worker in row order, and everything is reported in row
  // order, so files, backups, reports and result are those of one worker.
  int jobs = 1;
};

struct BatchResult {
  bool refused = false;          // a refusal; nothing was done
  bool interrupted = false;      // a stop request ended the batch early
  std::int32_t counted = 0;      // JWW/JWC rows handed to ConvertFile
  std::int32_t converted = 0;    // of those, the ones whose output was written
  std::vector<FileFailure> failures;  // the others, in row order
  // Every row that was taken, in row order (rows a stop left untouched are
  // not among them).
  std::vector<RowResult> rows;
};

class ConversionBatch {
 public:
  ConversionBatch(TJwwData &JWW, TJwcData &JWC, BatchReporter &reporter);
  ~ConversionBatch();

  // ButtonTClick: S the source folder, D the destination folder, rows the
  // captions of the selected rows in the list's order.
  BatchResult Run(const std::u16string &S, const std::u16string &D,
                  const std::vector<std::u16string> &rows, const TMojiShuMap &map,
                  const BatchOptions &options = {});
  // The same over rows from any folders (the command line's FILEs).
  BatchResult Run(const std::vector<BatchRow> &rows, const std::u16string &D,
                  const TMojiShuMap &map, const BatchOptions &options = {});

  // The destination check of ButtonTClick; returns the refusal message, or
  // the empty text when D may be used with source folder S. Besides the
  // texts it compares the folders themselves, so another spelling of S
  // (trailing separator, link, letter case on a case-insensitive file system)
  // is refused too.
  static std::u16string CheckDestination(const std::u16string &S, const std::u16string &D);

  // The backup name the next backup of T would get in this batch:
  // ReplaceExt(T, ".BAK"), or T + ".BAK" when that one was made earlier in
  // the batch (p.jww and p.jwc both into a folder that held both).
  std::u16string BackupNameFor(const std::u16string &T) const;

 private:
  class Worker;
  BatchResult RunChecked(const std::vector<BatchRow> &rows, const std::u16string &D,
                         const TMojiShuMap &map, const BatchOptions &options,
                         const FolderHandle &destination);
  std::optional<BatchResult> RunParallel(const std::vector<BatchRow> &rows,
                                         const std::u16string &D, const TMojiShuMap &map,
                                         int jobs, const FolderHandle &destination);
  void Count(BatchResult &result, const BatchRow &row, const std::u16string &D,
             const RowOutcome &done);
  void Finish(BatchResult &result);
  std::u16string Refusal(const std::vector<BatchRow> &rows, const std::u16string &D) const;

  TJwwData &JWW_;
  TJwcData &JWC_;
  BatchReporter &reporter_;
  std::set<std::u16string> backupsMade_;  // for BackupNameFor between runs
  std::optional<BatchRecorder> recorder_;  // the record of the run in progress
};


// Deletes the images the drawing left in the work folder and empties the
// document: BindImageDeleteGzFile, BindImageDeleteNonGzFile, DataFree,
// BindImageInit.
void JwwDataFree(TJwwData &JW);

// The document library's shared defaults, set once before any document is
// used (InitJwcDefaults, DefaultPenStyle and DefaultPenColor 1).
void InitDocumentLibraryDefaults();
// Lets the JWW document extract images into `folder` (ending with the
// separator) while reading and embed them again while writing.
void UseWorkFolder(TJwwData &JWW, const std::u16string &folder);


// The refusal and status texts of the batch.
std::u16string UnsupportedExtensionMessage(const std::u16string &N, const std::u16string &E);
std::u16string ConvertingStatusText(const std::u16string &source, const std::u16string &dest);
std::u16string ConvertedCountText(std::int32_t n);
// The final status text: ConvertedCountText of the files written, followed by
// how many counted files produced no output when any did.
std::u16string BatchSummaryText(const BatchResult &result);
// The look before writing: how many files, the map and the destination.
std::u16string BatchConfirmationText(std::int32_t files, const TMojiShuMap &map,
                                     const std::u16string &D);
// The window's message after a batch with failures: each file and why.
std::u16string FailureListText(const std::vector<FileFailure> &failures);
// One row of the result as the window lists it: its outcome ("変換しました",
// "変換できませんでした", "変換対象外") and the reason, or for a selected row
// that a stop left untouched (null), "変換していません" and why.
std::u16string RowResultLabel(const RowResult *row);
std::u16string RowResultReason(const RowResult *row);
// The whole result as text, one tab-separated line per selected row (name,
// outcome, reason) after the summary line: what the window copies.
std::u16string BatchResultText(const BatchResult &result,
                               const std::vector<std::u16string> &selectedNames);
extern const std::u16string kMessageNoDestination;     // "保存先フォルダを指示して下さい。"
extern const std::u16string kMessageMissingDestination; // "保存先フォルダが存在しません。"
extern const std::u16string kMessageDestinationNotOpened;  // it is there, but the system failed it
extern const std::u16string kMessageDestinationNotFolder;  // a file (or device) is named
extern const std::u16string kMessageSameFolder;  // "保存先フォルダは参照フォルダと同じにしないで下さい。"
extern const std::u16string kMessageDestinationBusy;  // another batch is writing there
extern const std::u16string kMessageNothingSelected;  // "変換するファイルを選んで下さい。"
extern const std::u16string kMessageRecordNotWritten;  // undo will not know this batch

}  // namespace velkaro
