// RenderCommand: reading one drawing and writing its preview as SVG.
#include "cli/RenderCommand.h"

#include <span>
#include <vector>

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewSvg.h"
#include "support/FileIO.h"
#include "support/Interrupt.h"
#include "support/Platform.h"

namespace velkaro::cli {

namespace {

// Why `out` must not be replaced by the picture of `in`; empty when it may.
// Links are followed: a link to the drawing is the drawing.
std::string OutputRefusal(const std::u16string &in, const std::u16string &out, bool force) {
  FileStatus there, drawing;
  if (!IsUsablePath(out) || !QueryFileStatus(ToFsPath(out), there))
    return {};  // nothing there yet
  if (IsUsablePath(in) && QueryFileStatus(ToFsPath(in), drawing) &&
      drawing.identity == there.identity)
    return "is the drawing itself; nothing was written";
  if (!there.regular)
    return "exists and is not a file; nothing was written";
  if (force)
    return {};
  std::vector<std::uint8_t> start;
  std::uint64_t size = 0;
  if (ReadFilePrefix(out, kPreviewSvgStart.size(), start, size) && IsPreviewSvgStart(start))
    return {};
  return "exists and is not an SVG written by velkaro-cli; nothing was written (--force replaces it)";
}

int Stopped(std::ostream &err) {
  PrintError(err, "interrupted; nothing was written");
  return ExitStatusForSignal(StopSignal());
}

}  // namespace

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

  const std::u16string target = ArgPath(options.out);
  if (const std::string refusal = OutputRefusal(ArgPath(options.file), target, options.force);
      !refusal.empty()) {
    PrintError(err, options.out + ": " + refusal);
    return kExitUsage;
  }
  // What a render killed before left beside its output.
  RemoveStaleTemporaryFilesBeside(target);

  const PreviewLoadResult loaded = LoadPreview(ArgPath(options.file));
  if (StopRequested())
    return Stopped(err);
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
  if (!WriteFileAtomically(target, std::span(bytes, svg.size()))) {
    if (StopRequested())
      return Stopped(err);
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
  if (loaded.trailingBytes > 0)
    out << "  " << loaded.trailingBytes << " bytes after the end of the drawing ignored\n";
  out.flush();
  return kExitOk;
}

}  // namespace velkaro::cli
