// NamedMaps: maps saved under a name ("A社", "B設計"), one per partner firm's
// convention, in a JSON file of their own beside the settings file (whose
// lines 17-26 keep the map in force, as older copies read it).
//
// A file that cannot be read or parsed is reported with its reason and left
// as it is on disk: nothing writes over it until the user decides. Maps are
// normalised on reading, so a hand-edited file cannot bring a map that merges
// kinds. The same form serves to export maps and import them.
#pragma once

#include <string>
#include <vector>

#include "convert/UnitV.h"

namespace velkaro {

struct NamedMap {
  std::u16string name;
  TMojiShuMap map{};
  // From the office's file beside an installed program: offered, never
  // changed or deleted from the window.
  bool readOnly = false;
  bool operator==(const NamedMap &) const = default;
};

enum class NamedMapsState {
  NoFile,   // none yet: no maps
  Read,     // read whole
  Damaged,  // exists but could not be read or parsed: `reason` says why
};

struct NamedMapsFile {
  NamedMapsState state = NamedMapsState::NoFile;
  std::string reason;
  std::vector<NamedMap> maps;  // in the file's order
};

// The maps file beside a settings file ("velkaro.dat" -> "velkaro.maps.json").
std::u16string NamedMapsFileName(const std::u16string &settingsFileName);

NamedMapsFile LoadNamedMaps(const std::u16string &fileName);
// Written atomically; false when it could not be (the earlier file stays).
// Read-only maps are not written.
bool SaveNamedMaps(const std::u16string &fileName, const std::vector<NamedMap> &maps);

// The map of that name, or null.
const NamedMap *FindNamedMap(const std::vector<NamedMap> &maps, const std::u16string &name);
// Adds the map, or replaces the one of that name (unless it is read-only:
// false, nothing changes).
bool PutNamedMap(std::vector<NamedMap> &maps, const NamedMap &map);
// A name a map can be saved under: not empty, not only blanks, no control
// characters.
bool IsUsableMapName(const std::u16string &name);

}  // namespace velkaro
