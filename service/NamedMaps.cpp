// NamedMaps: the JSON file of the maps saved under names.
#include "service/NamedMaps.h"

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

// A thousand maps take some 100 KB; far more is not a maps file.
constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;
constexpr int kFormatVersion = 1;

NamedMapsFile Damaged(std::string reason) {
  NamedMapsFile file;
  file.state = NamedMapsState::Damaged;
  file.reason = std::move(reason);
  return file;
}

}  // namespace

std::u16string NamedMapsFileName(const std::u16string &settingsFileName) {
  return ReplaceExt(settingsFileName, u".maps.json");
}

NamedMapsFile LoadNamedMaps(const std::u16string &fileName) {
  if (!IsFile(fileName) && !IsFolder(fileName))
    return {};
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  if (!ReadFilePrefix(fileName, kMaxFileSize, bytes, size))
    return Damaged("the file cannot be read");
  if (size > kMaxFileSize)
    return Damaged("the file is larger than " + std::to_string(kMaxFileSize) + " bytes");
  nlohmann::json json;
  try {
    json = nlohmann::json::parse(bytes.begin(), bytes.end());
  } catch (const nlohmann::json::parse_error &e) {
    return Damaged("not JSON: byte " + std::to_string(e.byte));
  }
  if (!json.is_object() || !json.contains("maps") || !json["maps"].is_array())
    return Damaged("no list \"maps\"");
  NamedMapsFile file;
  file.state = NamedMapsState::Read;
  std::size_t index = 0;
  for (const nlohmann::json &entry : json["maps"]) {
    ++index;
    const std::string where = "map " + std::to_string(index);
    if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string())
      return Damaged(where + ": no name");
    if (!entry.contains("map") || !entry["map"].is_array() || entry["map"].size() != 10)
      return Damaged(where + ": \"map\" is not ten kinds");
    NamedMap map;
    map.name = FromUtf8(entry["name"].get<std::string>());
    for (std::size_t k = 0; k < 10; ++k) {
      const nlohmann::json &v = entry["map"][k];
      if (!v.is_number_integer())
        return Damaged(where + ": kind " + std::to_string(k + 1) + " is not a whole number");
      const auto value = v.get<std::int64_t>();
      map.map[k] = value < 0 || value > 10 ? 0 : static_cast<std::int32_t>(value);
    }
    NormalizeMojiShuMap(map.map);
    if (!IsUsableMapName(map.name) || FindNamedMap(file.maps, map.name))
      return Damaged(where + ": the name is empty or repeated");
    file.maps.push_back(std::move(map));
  }
  return file;
}

bool SaveNamedMaps(const std::u16string &fileName, const std::vector<NamedMap> &maps) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const NamedMap &m : maps)
    if (!m.readOnly)
      list.push_back({{"name", ToUtf8(m.name)}, {"map", m.map}});
  const nlohmann::ordered_json json = {{"version", kFormatVersion}, {"maps", list}};
  const std::string text = json.dump(2) + "\n";
  return WriteFileAtomically(fileName, std::vector<std::uint8_t>(text.begin(), text.end()));
}

const NamedMap *FindNamedMap(const std::vector<NamedMap> &maps, const std::u16string &name) {
  const auto it = std::find_if(maps.begin(), maps.end(), [&](const NamedMap &m) { return m.name == name; });
  return it == maps.end() ? nullptr : &*it;
}

bool PutNamedMap(std::vector<NamedMap> &maps, const NamedMap &map) {
  for (NamedMap &m : maps)
    if (m.name == map.name) {
      if (m.readOnly)
        return false;
      m.map = map.map;
      return true;
    }
  maps.push_back(map);
  return true;
}

bool IsUsableMapName(const std::u16string &name) {
  if (RemoveBlanks(name).empty())
    return false;
  return std::none_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace velkaro
