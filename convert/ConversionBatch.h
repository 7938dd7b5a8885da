// ConversionBatch: the conversion of the selected files, as a GUI-free service.
//
// The window's convert button and `velkaro-cli convert` both run it. It reads
// each drawing from the source folder, remaps its text kinds and writes it in
// the version it was read under the same name into the destination folder,
// keeping a file that was there as a ".BAK" copy. It reports through
// BatchReporter: message boxes and the status bar in the window, the output
// streams in the CLI.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

class TJwwData;
class TJwcData;

// What happened to one file handed to ConvertFile.
enum class FileOutcome {
  Converted,     // the output was written
  CheckFailed,   // not a drawing of that kind (FileCheck false)
  ReadFailed,    // could not be read (FileIn false)
  WriteFailed,   // could not be written (FileOut false; no output left)
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
  // the empty text when D may be used with source folder S.
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

  // Forgets the backups made so far (a new click starts a new batch).
  void BeginBatch() { backupsMade_.clear(); }

 private:
  void BackUp(const std::u16string &T);

  TJwwData &JWW_;
  TJwcData &JWC_;
  BatchReporter &reporter_;
  std::set<std::u16string> backupsMade_;
};

// Deletes the images the drawing left in the work folder and empties the
// document: BindImageDeleteGzFile, BindImageDeleteNonGzFile, DataFree,
// BindImageInit.
void JwwDataFree(TJwwData &JW);

// The refusal and status texts of the batch.
std::u16string UnsupportedExtensionMessage(const std::u16string &N, const std::u16string &E);
std::u16string ConvertedCountText(std::int32_t n);

}  // namespace velkaro
