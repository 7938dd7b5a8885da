// PreviewSvg: a drawing's preview geometry as an SVG document — the drawing's
// sheet (or, asked for, everything) scaled to a width in pixels, its texts
// coloured by kind, what is never printed faint, and below it a legend of the
// ten kinds (colour swatch, the table entry's size, spacing and colour, how
// many texts and how many of them lie off the sheet), optionally as they are
// after a text-kind map. Its words are the window's.
//
// Texts are user data: everything that goes into the document is escaped,
// and characters XML cannot carry (control characters, unpaired surrogates,
// U+FFFE and U+FFFF) become U+FFFD.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "convert/UnitV.h"
#include "preview/PreviewGeometry.h"

namespace velkaro {

inline constexpr int kPreviewSvgMinWidth = 100;
inline constexpr int kPreviewSvgMaxWidth = 20000;

struct PreviewSvgOptions {
  int widthPx = 1200;  // clamped to kPreviewSvgMinWidth..kPreviewSvgMaxWidth
  std::optional<TMojiShuMap> map;  // show the kinds after this map
  bool all = false;  // fit everything drawn, not the sheet
};

std::string PreviewSvg(const PreviewGeometry &g, const PreviewSvgOptions &options = {});

// How every document of PreviewSvg begins: the XML declaration and a comment
// that names the program, so that an SVG it wrote can be told from anything
// else before it is replaced.
inline constexpr std::string_view kPreviewSvgStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- Velkaro: preview of a Jw_cad drawing -->\n";
// True when `start`, the first bytes of a file, begin as PreviewSvg begins.
bool IsPreviewSvgStart(std::span<const std::uint8_t> start);

// Text as UTF-8 fit for XML character data and attribute values.
std::string XmlEscape(std::u16string_view text);

// "#RRGGBB".
std::string CssColour(PreviewRgb rgb);

}  // namespace velkaro
