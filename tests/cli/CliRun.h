// CliRun: runs velkaro-cli as a program with its output caught in files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "builders/TempDir.h"

namespace velkaro::testing {

struct CliResult {
  int exit = -1;
  std::string out, err;
};

inline std::string ShellQuote(const std::string &s) {
  std::string q = "'";
  for (const char c : s)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string FileText(const std::filesystem::path &p) {
  const auto bytes = ReadFileBytes(p);
  return {bytes.begin(), bytes.end()};
}

inline CliResult RunCli(const std::vector<std::string> &args) {
  TempDir io;
  std::string command = ShellQuote(VELKARO_CLI_PATH);
  for (const std::string &a : args)
    command += " " + ShellQuote(a);
  command += " >" + ShellQuote((io.path() / "out").string()) + " 2>" +
             ShellQuote((io.path() / "err").string()) + " </dev/null";
  const int status = std::system(command.c_str());
  CliResult r;
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = FileText(io.path() / "out");
  r.err = FileText(io.path() / "err");
  return r;
}

// The lines of a text, without their line feeds.
inline std::vector<std::string> LinesOf(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace velkaro::testing
