// MapsCommand: the named maps and the suggested map as output.
#include "cli/MapsCommand.h"

#include <nlohmann/json.hpp>

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "service/DrawingFacts.h"
#include "service/MapSuggestion.h"
#include "service/NamedMaps.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::cli {

namespace {

constexpr char16_t kMapsFile[] = u"velkaro.maps.json";

std::string MapText(const TMojiShuMap &map) {
  std::string text;
  for (std::size_t k = 0; k < map.size(); ++k)
    text += (k ? "," : "") + std::to_string(map[k]);
  return text;
}

const char *MatchKey(KindMatch match) {
  switch (match) {
    case KindMatch::Same: return "same";
    case KindMatch::NearSize: return "near size";
    case KindMatch::NearSizeOtherColour: return "near size, other colour";
    case KindMatch::NoMatch: return "no match";
    case KindMatch::Unused: return "unused";
  }
  return "?";
}

}  // namespace

std::u16string MapsFileOf(const std::optional<std::string> &maps) {
  if (maps)
    return ArgPath(*maps);
  const std::u16string beside = ExecutableFolder() + kMapsFile;
  if (IsFile(beside))
    return beside;
  const std::u16string user = UserConfigFolder(u"Velkaro");
  return user.empty() ? beside : user + kMapsFile;
}

int RunMaps(const MapsOptions &options, std::ostream &out, std::ostream &err) {
  const std::u16string fileName = MapsFileOf(options.maps);
  const NamedMapsFile file = LoadNamedMaps(fileName);
  if (file.state == NamedMapsState::Damaged) {
    PrintError(err, OutName(fileName) + ": " + file.reason);
    return kExitSomeFailed;
  }
  if (options.name) {
    const NamedMap *map = FindNamedMap(file.maps, FromUtf8(*options.name));
    if (!map) {
      PrintError(err, "no map named " + *options.name + " in " + OutName(fileName));
      return kExitUsage;
    }
    out << MapText(map->map) << '\n' << Out(MapTableText(map->map)) << '\n';
    return kExitOk;
  }
  for (const NamedMap &map : file.maps)
    out << OutName(map.name) << '\t' << MapText(map.map) << '\n';
  return kExitOk;
}

int RunSuggest(const SuggestOptions &options, std::ostream &out, std::ostream &err) {
  int status = kExitOk;
  DrawingInfo templ;
  std::string error;
  if (!ReadDrawingInfo(ArgPath(options.templateFile), templ, error) || templ.textKinds.size() != 10) {
    PrintError(err, options.templateFile + ": " + (error.empty() ? "no text-kind table" : error));
    return kExitSomeFailed;
  }
  std::vector<DrawingInfo> sources;
  std::vector<std::string> unreadable;
  for (const std::string &file : options.files) {
    DrawingInfo info;
    if (ReadDrawingInfo(ArgPath(file), info, error)) {
      sources.push_back(std::move(info));
    } else {
      PrintError(err, file + ": " + error);
      unreadable.push_back(file);
      status = kExitSomeFailed;
    }
  }
  const MapSuggestion s = SuggestMap(sources, templ.textKinds);
  if (options.json) {
    nlohmann::ordered_json json;
    json["map"] = s.map;
    json["kinds"] = nlohmann::ordered_json::array();
    for (const KindSuggestion &k : s.kinds)
      json["kinds"].push_back({{"kind", k.kind},
                               {"width", k.look.width},
                               {"height", k.look.height},
                               {"spacing", k.look.spacing},
                               {"colour", k.look.colour},
                               {"newKind", k.newKind},
                               {"match", MatchKey(k.match)}});
    json["notFitting"] = nlohmann::ordered_json::array();
    for (const std::u16string &path : s.notFitting)
      json["notFitting"].push_back(ToUtf8(path));
    json["unreadable"] = unreadable;
    out << json.dump(2) << '\n';
    return status;
  }
  out << MapText(s.map) << '\n';
  for (const KindSuggestion &k : s.kinds)
    out << Out(KindSuggestionText(k)) << '\n';
  if (!s.notFitting.empty()) {
    out << Out(u"この対応表に合わない図面（文字種の表がほかと異なります）：") << '\n';
    for (const std::u16string &path : s.notFitting)
      out << OutName(path) << '\n';
  }
  return status;
}

}  // namespace velkaro::cli
