// InfoCommand: printing DrawingInfo as aligned text or as JSON.
#include "cli/InfoCommand.h"

#include <iomanip>
#include <sstream>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "cli/FileArguments.h"
#include "service/DrawingFacts.h"
#include "support/Func_2.h"

namespace velkaro::cli {

namespace {

using nlohmann::ordered_json;

std::string Number(double v) { return Out(RealToString(v)); }

void PrintText(const DrawingInfo &info, std::ostream &out) {
  out << OutName(info.path) << '\n';
  out << "  format: " << info.format << ", version " << Out(info.version);
  if (info.format == "JWW")
    out << (info.utf16 ? ", strings in UTF-16" : ", strings in the legacy code page");
  if (info.headerOnly)
    out << " (header only)";
  out << '\n';
  if (info.headerOnly && info.format == "JWS")
    return;
  out << "  memo:";
  if (info.memo.empty())
    out << " (none)";
  out << '\n';
  for (const auto &line : info.memo)
    out << "    | " << Out(line) << '\n';
  out << "  entities:";
  for (std::size_t i = 0; i < info.entities.size(); ++i)
    out << (i ? ", " : " ") << info.entities[i].first << ' ' << info.entities[i].second;
  out << '\n';
  if (info.headerOnly)
    return;
  if (info.trailingBytes > 0)
    out << "  after the end of the drawing: " << info.trailingBytes
        << " bytes (ignored; a converted file does not carry them)\n";
  if (info.blockDefinitions)
    out << "  block definitions: " << *info.blockDefinitions << " (referenced "
        << info.referencedBlockDefinitions.value_or(0) << ")\n";
  if (info.format == "JWW") {
    out << "  images: " << info.images.size() << '\n';
    for (const auto &[name, size] : info.images)
      out << "    " << OutName(name) << " (" << size << " bytes)\n";
  }
  const char *colour = info.format == "JWC" ? "pen" : "colour";
  out << "  text kinds (sizes in mm; texts: top level / in dimensions / in block definitions):\n";
  out << "    " << std::setw(5) << "kind" << std::setw(9) << "width" << std::setw(9) << "height"
      << std::setw(9) << "spacing" << std::setw(8) << colour << std::setw(8) << "texts"
      << std::setw(12) << "dimensions" << std::setw(8) << "blocks" << '\n';
  const auto useColumns = [&](const KindUse &use) {
    out << std::setw(8) << use.texts << std::setw(12) << use.dimensions << std::setw(8)
        << use.blocks << '\n';
  };
  for (std::size_t k = 0; k <= 10; ++k) {
    out << "    " << std::setw(5) << k;
    if (k >= 1 && k <= info.textKinds.size()) {
      const TextKindEntry &t = info.textKinds[k - 1];
      out << std::setw(9) << Number(t.width) << std::setw(9) << Number(t.height) << std::setw(9)
          << Number(t.spacing) << std::setw(8) << t.colour;
    } else {
      out << std::setw(9) << "-" << std::setw(9) << "-" << std::setw(9) << "-" << std::setw(8)
          << "-";
    }
    useColumns(info.kindUse[k]);
  }
  if (info.otherKindUse.total() > 0) {
    out << "    " << std::setw(5) << "other" << std::setw(9) << "" << std::setw(9) << ""
        << std::setw(9) << "" << std::setw(8) << "";
    useColumns(info.otherKindUse);
  }
}

ordered_json UseJson(const KindUse &use) {
  return {{"texts", use.texts}, {"dimensions", use.dimensions}, {"blocks", use.blocks}};
}

ordered_json ToJson(const DrawingInfo &info) {
  ordered_json j;
  j["file"] = OutName(info.path);
  j["format"] = info.format;
  if (info.version == u"DOS")
    j["version"] = "DOS";
  else
    j["version"] = StringToInt(info.version);
  j["headerOnly"] = info.headerOnly;
  if (info.format == "JWW")
    j["utf16"] = info.utf16;
  ordered_json memo = ordered_json::array();
  for (const auto &line : info.memo)
    memo.push_back(Out(line));
  j["memo"] = memo;
  ordered_json entities = ordered_json::object();
  for (const auto &[kind, n] : info.entities)
    entities[kind] = n;
  j["entities"] = entities;
  if (!info.headerOnly)
    j["trailingBytes"] = info.trailingBytes;
  if (info.blockDefinitions)
    j["blockDefinitions"] = {{"total", *info.blockDefinitions},
                             {"referenced", info.referencedBlockDefinitions.value_or(0)}};
  if (info.format == "JWW") {
    ordered_json images = ordered_json::array();
    for (const auto &[name, size] : info.images)
      images.push_back({{"name", OutName(name)}, {"size", size}});
    j["images"] = images;
  }
  if (!info.headerOnly) {
    ordered_json kinds = ordered_json::array();
    for (std::size_t k = 0; k < info.textKinds.size(); ++k) {
      const TextKindEntry &t = info.textKinds[k];
      kinds.push_back({{"kind", k + 1},
                       {"width", t.width},
                       {"height", t.height},
                       {"spacing", t.spacing},
                       {info.format == "JWC" ? "pen" : "colour", t.colour}});
    }
    j["textKinds"] = kinds;
    ordered_json use = ordered_json::array();
    for (std::size_t k = 0; k <= 10; ++k) {
      ordered_json u = UseJson(info.kindUse[k]);
      u["kind"] = k;
      use.push_back(u);
    }
    j["textKindUse"] = use;
    j["otherKindUse"] = UseJson(info.otherKindUse);
  }
  return j;
}

}  // namespace

int RunInfo(const InfoOptions &options, std::ostream &out, std::ostream &err) {
  int exit = kExitOk;
  ordered_json all = ordered_json::array();
  bool first = true;
  // Each file as the user named it, a pattern's files by their paths.
  std::vector<std::pair<std::string, std::u16string>> files;
  for (const std::string &arg : options.files) {
    if (!kExpandsWildcards || !HasWildcards(arg)) {
      files.emplace_back(arg, ArgPath(arg));
      continue;
    }
    const FileArguments found = ExpandFileArguments({arg});
    if (!found.unmatched.empty()) {
      exit = kExitSomeFailed;
      PrintError(err, Out(UnmatchedPatternMessage(arg)));
    }
    for (const std::u16string &path : found.paths)
      files.emplace_back(ToUtf8(path), path);
  }
  for (const auto &[file, path] : files) {
    DrawingInfo info;
    std::string error;
    const bool ok = ReadDrawingInfo(path, info, error);
    if (!ok) {
      exit = kExitSomeFailed;
      PrintError(err, file + ": " + error);
      if (options.json)
        all.push_back({{"file", file}, {"error", error}});
      continue;
    }
    if (options.json) {
      all.push_back(ToJson(info));
    } else {
      if (!first)
        out << '\n';
      PrintText(info, out);
      first = false;
    }
  }
  if (options.json)
    out << all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  out.flush();
  return exit;
}

}  // namespace velkaro::cli
