// ListCommand: `velkaro-cli list`, the window's file list as text.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace velkaro::cli {

struct ListOptions {
  std::string folder;
  int type = 0;                 // the file-type index 0-5
  std::optional<int> sort;      // column 0-5
  bool descending = false;
};

// A header line and one tab-separated line per file on `out`, the status
// text on `err`. Exit 2 when the folder is not a folder.
int RunList(const ListOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
