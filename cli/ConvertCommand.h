// ConvertCommand: `velkaro-cli convert`, the conversion batch over files named
// on the command line, optionally with several workers.
//
// Each FILE is one selected row of the batch with its own folder as the
// source folder. --jobs N is the batch's own worker option: files, backups,
// output and exit status are those of --jobs 1.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro::cli {

struct ConvertOptions {
  std::string dest;
  std::optional<std::string> map;       // "K1,...,K10"
  std::optional<std::string> settings;  // a settings file: lines 17-26
  std::optional<std::string> mapName;   // a map saved under a name
  std::optional<std::string> maps;      // the maps file for mapName
  int jobs = 1;
  bool quiet = false;
  std::vector<std::string> files;
};

// Exit codes of the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;
// Stopped by a signal: 128 + its number (130 for Ctrl+C, 143 for SIGTERM).

// Ten integers separated by commas (no blanks); false for anything else.
bool ParseMapOption(const std::string &text, TMojiShuMap &map);

// The map of --map, --map-name or --settings, normalised; an error text
// when none gives one.
std::optional<TMojiShuMap> MapFromOptions(const ConvertOptions &options, std::string &error);

int RunConvert(const ConvertOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
