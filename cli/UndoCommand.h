// UndoCommand: `velkaro-cli undo`, the last batch into a folder taken back.
//
//   velkaro-cli undo --dest DIR [--dry-run]
//
// Prints each file and what became of it, then a final line. Exit status:
// 0 every file restored, 1 some left alone (edited since, backup gone),
// 2 usage, refusal or nothing to undo.
#pragma once

#include <ostream>
#include <string>

namespace velkaro::cli {

struct UndoOptions {
  std::string dest;
  bool dryRun = false;
};

int RunUndo(const UndoOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
