// FolderListing: the rows of the window's file list for a folder and a file
// type, the header look-up of each file, and the list's sort order.
//
// Only headers are read, never whole drawings. The window shows the rows and
// the status texts; `velkaro-cli list` prints them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "convert/DrawingOpener.h"

namespace velkaro {


// The entries of the file-type box, and the search mask of an index (any
// index outside them gives "*"). The six of the original box come first, so
// a saved index keeps its meaning; the seventh lists only what converts.
extern const std::array<std::u16string, 7> kFileTypeEntries;
inline constexpr std::int32_t kFileTypeConvertible = 6;
std::u16string FileTypeMask(std::int32_t index);
// Whether a file the mask found belongs to the type (the convertible type
// keeps only .jww and .jwc of what "*.jw?" finds).
bool FileTypeAccepts(std::int32_t index, const std::u16string &name);

// Column headers of the list, in order.
extern const std::array<std::u16string, 6> kListColumnHeaders;

// One row: column 0 is the caption, columns 1..5 the sub-items 0..4
// (extension, memo, "date time", size, version text).
struct ListRow {
  std::u16string caption;
  std::array<std::u16string, 5> subItems;
  const std::u16string &column(int c) const { return c == 0 ? caption : subItems[c - 1]; }
};

struct FolderListingResult {
  bool cancelled = false;       // a stop request ended it early
  bool folderExists = false;
  bool folderReadable = false;  // false: the rows are what could be read, maybe none
  std::vector<ListRow> rows;   // in name order (CompareAsciiNoCase)
  std::u16string statusText;   // the status text when the listing ends
};

// Reads headers with the window's four documents (they keep the header of the
// last file looked at, as in the window).
class FolderLister {
 public:
  FolderLister(TJwwData &JWW, TJwsData &JWS, TJwcData &JWC, TJwkData &JWK);

  // ListFolder without the window: the rows and the final status text.
  FolderListingResult ListFolder(const std::u16string &F, std::int32_t fileType);
  // The same, handing the rows to `sink` in name order as their headers are
  // read, a few at a time (a slow share shows its rows as they come); the
  // result then holds no rows. A stop request ends it between two files.
  using RowSink = std::function<void(std::vector<ListRow> rows)>;
  FolderListingResult ListFolder(const std::u16string &F, std::int32_t fileType,
                                 const RowSink &sink, std::stop_token stop);
  void GetFileInfo(const std::u16string &path, std::u16string &version, std::u16string &memo);

 private:
  JwDocuments docs_;
};

// The status text while the listing runs (and after a missing folder).
extern const std::u16string kListingStatusSearching;
// The status text after a folder that could not be read.
extern const std::u16string kListingStatusUnreadable;

// A file size as the size column shows it: decimal, all 64 bits.
std::u16string SizeText(std::uint64_t size);

// Sort1 (the column last clicked, -1 before any click) and Sort2 (0 or 1,
// flipped by every click on any column: the first click sorts descending).
struct TListSortState {
  std::int32_t Sort1 = -1;
  std::int32_t Sort2 = 0;
  void ColumnClick(std::int32_t column) {
    Sort1 = column;
    Sort2 = 1 - Sort2;
  }
};

// The text of the final status: "ファイル検索しました（ファイル数：" n "）".
std::u16string ListingFoundStatusText(std::int32_t count);

// Compares by UTF-16 code units, folding only ASCII letters.
std::int32_t CompareAsciiNoCase(const std::u16string &a, const std::u16string &b);
// ListView1Compare for column Sort1 and direction Sort2 (Sort1 -1: 0).
std::int32_t ListView1Compare(const ListRow &item1, const ListRow &item2, std::int32_t Sort1,
                              std::int32_t Sort2);
// Sorts the rows as a click on column Sort1 leaves them (stable for ties).
void SortListRows(std::vector<ListRow> &rows, std::int32_t Sort1, std::int32_t Sort2);

}  // namespace velkaro
