// ConversionBatch: the conversion of the selected files, as a GUI-free service.
//
// The window's convert button and `velkaro-cli convert` both run it. It reads
// each drawing from the source folder, remaps its text kinds and writes it in
// the version it was read under the same name into the destination folder,
// keeping a file that was there as a ".BAK" copy. It reports through
// BatchReporter: message boxes and the status bar in the window, the output
// streams in the CLI.
//
// Beyond the plain algorithm it keeps the user's data safe: a destination
// that is the source folder under another spelling is refused, a backup made
// earlier in the same batch is never replaced, a destination that is the
// source file itself (a link) is not written, a file at the destination that
// could not be kept as .BAK is not overwritten, nothing is written through a
// link into another file, a failed write never deletes the only copy of the
// file that was there, and a drawing whose images could not be extracted is
// not written without them.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

class TJwwData;
class TJwcData;
struct DestinationSnapshot;

// What happened to one file handed to ConvertFile.
enum class FileOutcome {
  Converted,     // the output was written
  CheckFailed,   // not a drawing of that kind (FileCheck false)
  ReadFailed,    // could not be read (missing, FileIn false, images not extracted)
  WriteFailed,   // could not be written (FileOut false; no output left)
  DestinationIsSource,  // the destination is the source file itself (a link); not written
  BackupFailed,  // the file already at the destination could not be kept as .BAK; not written
};

const char *FileOutcomeText(FileOutcome outcome);

class BatchReporter {
 public:
  virtual ~BatchReporter() = default;
  // A modal message with one OK button (the window), or a line on stderr.
  virtual void ShowMessage(const std::u16string &text) = 0;
  // After a refusal the window moves the focus to the destination button.
  virtual void FocusDestinationButton() {}
  // The status bar's one text, repainted at once.
  virtual void SetStatusText(const std::u16string &text) = 0;
  // Called after each file handed to ConvertFile (progress, CLI diagnostics).
  virtual void FileFinished(const std::u16string &source, const std::u16string &dest,
                            FileOutcome outcome) {
    (void)source; (void)dest; (void)outcome;
  }
  // Called by Run after every selected row, counted or not (progress bar).
  virtual void RowFinished(std::int32_t done, std::int32_t total) {
    (void)done; (void)total;
  }
};

struct BatchResult {
  bool refused = false;          // one of the three refusals; nothing was done
  std::int32_t counted = 0;      // JWW/JWC rows handed to ConvertFile
  std::int32_t converted = 0;    // of those, the ones whose output was written
};

class ConversionBatch {
 public:
  ConversionBatch(TJwwData &JWW, TJwcData &JWC, BatchReporter &reporter);

  // ButtonTClick: S the source folder, D the destination folder, rows the
  // captions of the selected rows in the list's order.
  BatchResult Run(const std::u16string &S, const std::u16string &D,
                  const std::vector<std::u16string> &rows, const TMojiShuMap &map);

  // The destination check of ButtonTClick; returns the refusal message, or
  // the empty text when D may be used with source folder S. Besides the
  // texts it compares the folders themselves, so another spelling of S
  // (trailing separator, link, letter case on a case-insensitive file system)
  // is refused too.
  static std::u16string CheckDestination(const std::u16string &S, const std::u16string &D);

  // One row: the extension rule and its message, the backup, ConvertFile.
  // Returns false when the row was not counted (unsupported extension).
  bool ConvertRow(const std::u16string &S, const std::u16string &D, const std::u16string &N,
                  const TMojiShuMap &map, FileOutcome *outcome = nullptr);

  FileOutcome ConvertFile(const std::u16string &source, const std::u16string &dest,
                          const std::u16string &E, const TMojiShuMap &map);
  FileOutcome ConvertJwwFile(const std::u16string &source, const std::u16string &dest,
                             const TMojiShuMap &map);
  FileOutcome ConvertJwcFile(const std::u16string &source, const std::u16string &dest,
                             const TMojiShuMap &map);

  // Forgets the backups made so far (a new click starts a new batch). Run
  // calls it itself.
  void BeginBatch() {
    backupsMade_.clear();
    currentBackup_.clear();
  }

  // The backup name the next backup of T would get in this batch:
  // ReplaceExt(T, ".BAK"), or T + ".BAK" when that one was made earlier in
  // the batch (p.jww and p.jwc both into a folder that held both).
  std::u16string BackupNameFor(const std::u16string &T) const;

 private:
  // False when the copy could not be made.
  bool BackUp(const std::u16string &T);
  // After a failed FileOut: removes what the write left at dest, and the
  // file that was there before only when its backup holds the same bytes.
  void CleanUpFailedOutput(const std::u16string &dest, const DestinationSnapshot &before);
  void ReleaseJww();

  TJwwData &JWW_;
  TJwcData &JWC_;
  BatchReporter &reporter_;
  std::set<std::u16string> backupsMade_;  // upper-cased: one name on any file system
  std::u16string currentBackup_;          // the backup made for the row in progress
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

// folder + separator + name, without doubling a separator folder ends with.
std::u16string JoinPath(const std::u16string &folder, const std::u16string &name);

// The refusal and status texts of the batch.
std::u16string UnsupportedExtensionMessage(const std::u16string &N, const std::u16string &E);
std::u16string ConvertingStatusText(const std::u16string &source, const std::u16string &dest);
std::u16string ConvertedCountText(std::int32_t n);
extern const std::u16string kMessageNoDestination;     // "保存先フォルダを指示して下さい。"
extern const std::u16string kMessageMissingDestination; // "保存先フォルダが存在しません。"
extern const std::u16string kMessageSameFolder;  // "保存先フォルダは参照フォルダと同じにしないで下さい。"

}  // namespace velkaro
