// WindowPlacement: bringing a window back onto a screen.
#include "service/WindowPlacement.h"

#include <algorithm>
#include <limits>

namespace velkaro {

namespace {

std::int64_t Overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
  return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// Squared distance between the window's centre and the screen's area.
std::int64_t DistanceSquared(const TBounds &window, const TBounds &screen) {
  const std::int64_t cx = std::int64_t{window.left} + window.width / 2;
  const std::int64_t cy = std::int64_t{window.top} + window.height / 2;
  const std::int64_t dx = std::max<std::int64_t>({screen.left - cx, 0, cx - (std::int64_t{screen.left} + screen.width)});
  const std::int64_t dy = std::max<std::int64_t>({screen.top - cy, 0, cy - (std::int64_t{screen.top} + screen.height)});
  return dx * dx + dy * dy;
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  return std::max(low, std::min(value, high));
}

}  // namespace

bool TitleBarOnAScreen(const TBounds &window, const std::vector<TBounds> &screens) {
  const std::int64_t left = window.left, right = std::int64_t{window.left} + window.width;
  const std::int64_t top = window.top, bottom = std::int64_t{window.top} + kTitleBarHeight;
  return std::any_of(screens.begin(), screens.end(), [&](const TBounds &s) {
    const std::int64_t w = Overlap(left, right, s.left, std::int64_t{s.left} + s.width);
    const std::int64_t h = Overlap(top, bottom, s.top, std::int64_t{s.top} + s.height);
    return w >= std::min<std::int64_t>(kGrabWidth, window.width) && h >= kGrabHeight;
  });
}

TBounds PlaceOnScreens(const TBounds &window, const std::vector<TBounds> &screens) {
  if (screens.empty())
    return window;
  // The screen the title bar is on (the one sharing most of it), else the
  // one nearest to the window's centre.
  const TBounds *home = nullptr;
  std::int64_t most = 0;
  for (const TBounds &s : screens) {
    if (!TitleBarOnAScreen(window, {s}))
      continue;
    const std::int64_t w = Overlap(window.left, std::int64_t{window.left} + window.width, s.left,
                                   std::int64_t{s.left} + s.width);
    if (w > most) {
      most = w;
      home = &s;
    }
  }
  if (!home) {
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (const TBounds &s : screens) {
      const std::int64_t d = DistanceSquared(window, s);
      if (d < best) {
        best = d;
        home = &s;
      }
    }
  }
  const TBounds &s = *home;
  TBounds placed = window;
  placed.width = std::min(window.width, s.width);
  placed.height = std::min(window.height, s.height);
  placed.left = Clamp(window.left, s.left, s.left + s.width - placed.width);
  placed.top = Clamp(window.top, s.top, s.top + s.height - placed.height);
  return placed;
}

}  // namespace velkaro
