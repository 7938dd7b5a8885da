// FileArguments: the FILE arguments of a command as the files they name.
//
// cmd and PowerShell hand "*.jww" to the program as it was typed: Windows
// programs expand "*" and "?" in the last part of a file argument
// themselves. The names found are the files' long names, and so is the name
// of a file given in its 8.3 short form (1___~1OQ.JWW), so that an output
// takes the name the user sees in Explorer.
#pragma once

#include <string>
#include <vector>

namespace velkaro::cli {

#ifdef _WIN32
inline constexpr bool kExpandsWildcards = true;
#else
inline constexpr bool kExpandsWildcards = false;  // the shell has done it
#endif

struct FileArguments {
  std::vector<std::u16string> paths;   // in the order given; a pattern's files sorted by name
  std::vector<std::string> unmatched;  // the patterns that matched no file
};

// True when the argument's last part holds "*" or "?".
bool HasWildcards(const std::string &arg);

FileArguments ExpandFileArguments(const std::vector<std::string> &args,
                                  bool expandWildcards = kExpandsWildcards);

// The one message for a pattern that matched no file.
std::u16string UnmatchedPatternMessage(const std::string &pattern);

}  // namespace velkaro::cli
