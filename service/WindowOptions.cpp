// WindowOptions: the JSON file of the window's later choices.
#include "service/WindowOptions.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

// A file of this program is a few dozen bytes; anything far larger is not.
constexpr std::size_t kMaxFileSize = 64 * 1024;

void Take(const nlohmann::json &object, const char *key, bool &value) {
  const auto it = object.find(key);
  if (it != object.end() && it->is_boolean())
    value = it->get<bool>();
}

}  // namespace

std::u16string WindowOptionsFileName(const std::u16string &settingsFileName) {
  return ReplaceExt(settingsFileName, u".json");
}

TWindowOptions LoadWindowOptions(const std::u16string &fileName) {
  TWindowOptions options;
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  if (!ReadFilePrefix(fileName, kMaxFileSize, bytes, size) || size > kMaxFileSize)
    return options;
  const nlohmann::json json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!json.is_object())
    return options;
  Take(json, "confirmBeforeConvert", options.confirmBeforeConvert);
  Take(json, "maximized", options.maximized);
  return options;
}

bool SaveWindowOptions(const std::u16string &fileName, const TWindowOptions &options) {
  const nlohmann::json json = {
      {"confirmBeforeConvert", options.confirmBeforeConvert},
      {"maximized", options.maximized},
  };
  const std::string text = json.dump(2) + "\n";
  return WriteFileAtomically(fileName, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace velkaro
