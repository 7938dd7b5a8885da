// RenderCommand: `velkaro-cli render`, a drawing's preview written as SVG —
// the drawing with its texts coloured by kind and a legend of the ten kinds,
// optionally as the kinds are after a map.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace velkaro::cli {

struct RenderOptions {
  std::string file;
  std::string out;
  std::optional<std::string> map;  // "K1,...,K10"
  int width = 1200;
  bool force = false;  // replace an existing file that is no SVG of ours
  bool all = false;  // fit everything, not the sheet
};

// Exit 0 when the SVG was written, 1 when the file could not be read as a
// drawing or the SVG could not be written, 2 for usage errors and refused
// outputs: the drawing itself (by any name), or an existing file that is not
// an SVG this program wrote, unless `force`. A stop request (Interrupt.h)
// ends it with the stop's status, its temporary file removed.
int RunRender(const RenderOptions &options, std::ostream &out, std::ostream &err);

}  // namespace velkaro::cli
