// WindowPlacement: keeping a saved window position reachable.
//
// Settings written on a machine with another screen layout (a second monitor
// unplugged, a lower resolution) may place the window where no screen shows
// it, or let it reach past the screen's edge with its buttons and status bar.
// The window is kept on the screen that shows its title bar (else the nearest
// one), shrunk and moved just enough to lie inside that screen's available
// area; a window that fits is kept exactly as saved.
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

// `window` (outer bounds) inside the screen showing its title bar, or the
// nearest screen when none does: shrunk when larger, then moved in. No
// screens: unchanged.
TBounds PlaceOnScreens(const TBounds &window, const std::vector<TBounds> &screens);

}  // namespace velkaro
