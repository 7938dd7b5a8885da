// CliText: output encoding of texts and names.
#include "cli/CliText.h"

#include <cstdio>
#include <filesystem>

#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::cli {

std::string Out(const std::u16string &text) {
  std::string s = ToUtf8(text);
  std::string result;
  result.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
      continue;
    result += s[i];
  }
  return result;
}

std::string OutName(const std::u16string &name) {
#ifdef _WIN32
  const std::string bytes = ToUtf8(name);  // names are UTF-16 there; string() would go to ANSI
#else
  const std::string bytes = ToFsPath(name).string();
#endif
  std::string result;
  result.reserve(bytes.size());
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u == '\t') {
      result += "\\t";
    } else if (u == '\n') {
      result += "\\n";
    } else if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      result += hex;
    } else {
      result += c;
    }
  }
  return result;
}

std::u16string ArgPath(const std::string &arg) {
#ifdef _WIN32
  return FromUtf8(arg);  // main() hands UTF-8; path(std::string) would not decode it
#else
  return FromFsPath(std::filesystem::path(arg));
#endif
}

void PrintError(std::ostream &err, const std::string &text) {
  err << "velkaro-cli: " << text << '\n';
}

}  // namespace velkaro::cli
