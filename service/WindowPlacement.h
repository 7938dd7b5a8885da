// WindowPlacement: keeping a saved window position reachable.
//
// Settings written on a machine with another screen layout (a second monitor
// unplugged, a lower resolution) may place the window where no screen shows
// it. A window whose title bar the user cannot grab is brought back onto the
// nearest screen; any other position is kept exactly as saved.
#pragma once

#include <cstdint>
#include <vector>

namespace velkaro {

struct TBounds {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TBounds &) const = default;
};

// The top strip of a window's frame taken as its title bar, and how much of
// it must lie on one screen for the user to grab it.
inline constexpr std::int32_t kTitleBarHeight = 24;
inline constexpr std::int32_t kGrabWidth = 48;
inline constexpr std::int32_t kGrabHeight = 8;

// Whether enough of the window's title bar lies on one of the screens.
bool TitleBarOnAScreen(const TBounds &window, const std::vector<TBounds> &screens);

// `window` (outer bounds) as saved when its title bar is on a screen;
// otherwise moved — and shrunk when larger — into the screen nearest to it.
// No screens: unchanged.
TBounds PlaceOnScreens(const TBounds &window, const std::vector<TBounds> &screens);

}  // namespace velkaro
