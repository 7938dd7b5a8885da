// InfoCommand: `velkaro-cli info`, the facts of each FILE as text or JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velkaro::cli {

struct InfoOptions {
  bool json = false;
  std::vector<std::string> files;
};

// Exit 0 when every file was read, 1 when at least one was not.
int RunInfo(const InfoOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
