// RenderCommand: reading one drawing and writing its preview as SVG.
#include "cli/RenderCommand.h"

#include <span>

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewSvg.h"
#include "support/FileIO.h"

namespace velkaro::cli {

int RunRender(const RenderOptions &options, std::ostream &out, std::ostream &err) {
  PreviewSvgOptions svgOptions;
  if (options.width < kPreviewSvgMinWidth || options.width > kPreviewSvgMaxWidth) {
    PrintError(err, "--width takes " + std::to_string(kPreviewSvgMinWidth) + " to " +
                        std::to_string(kPreviewSvgMaxWidth) + " pixels");
    return kExitUsage;
  }
  svgOptions.widthPx = options.width;
  svgOptions.all = options.all;
  if (options.map) {
    TMojiShuMap map{};
    if (!ParseMapOption(*options.map, map)) {
      PrintError(err, "--map takes ten integers separated by commas, such as 2,1,3,4,5,6,7,8,9,10");
      return kExitUsage;
    }
    NormalizeMojiShuMap(map);
    svgOptions.map = map;
  }

  const PreviewLoadResult loaded = LoadPreview(ArgPath(options.file));
  if (loaded.status == PreviewLoadStatus::Figure) {
    PrintError(err, options.file + ": a JWS or JWK figure; only JWW and JWC drawings are drawn");
    return kExitSomeFailed;
  }
  if (loaded.status != PreviewLoadStatus::Ok) {
    PrintError(err, options.file + ": " + loaded.error);
    return kExitSomeFailed;
  }
  const PreviewGeometry &g = loaded.geometry;
  const std::string svg = PreviewSvg(g, svgOptions);
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(svg.data());
  if (!WriteFileAtomically(ArgPath(options.out), std::span(bytes, svg.size()))) {
    PrintError(err, options.out + ": could not be written");
    return kExitSomeFailed;
  }
  out << options.out << ": " << g.lines.size() << " lines, " << g.arcs.size() << " arcs, "
      << g.points.size() << " points, " << g.solids.size() << " solids, " << g.texts.size()
      << " texts\n";
  if (g.dropped > 0)
    out << "  " << g.dropped << " left out for unsound coordinates or sizes\n";
  if (g.offSheet > 0)
    out << "  " << g.offSheet
        << (g.sheetSource == PreviewSheetSource::Paper ? " off the sheet" : " far from the rest")
        << (options.all ? "\n" : " (--all shows them)\n");
  if (g.cut)
    out << "  the drawing is too large or too deeply nested to show whole\n";
  out.flush();
  return kExitOk;
}

}  // namespace velkaro::cli
