// MapsCommand: `velkaro-cli maps`, the maps saved under names, and
// `velkaro-cli suggest`, the map proposed from a template drawing.
//
//   velkaro-cli maps [--maps FILE] [NAME]
//   velkaro-cli suggest --template T.jww [--json] FILE...
//
// Without --maps the maps file is the window's: velkaro.maps.json beside the
// program, else in the user's configuration folder.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velkaro::cli {

struct MapsOptions {
  std::optional<std::string> maps;  // the maps file
  std::optional<std::string> name;  // one map to show
};

struct SuggestOptions {
  std::string templateFile;
  bool json = false;
  std::vector<std::string> files;
};

// The maps file --maps names, else the default one.
std::u16string MapsFileOf(const std::optional<std::string> &maps);

int RunMaps(const MapsOptions &options, std::ostream &out, std::ostream &err);
int RunSuggest(const SuggestOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
