// A saved window that fits its screen is kept as saved; one reaching past the
// screen's edge is moved (and shrunk) inside the screen showing its title
// bar, one without a screen is brought back onto the nearest screen.
#include <gtest/gtest.h>

#include "service/WindowPlacement.h"

namespace velkaro {
namespace {

const std::vector<TBounds> kTwoScreens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

TEST(WindowPlacement, KeepsOrBringsBack) {
  const struct {
    const char *why;
    TBounds saved, placed;
  } cases[] = {
      {"on the first screen", {64, 64, 600, 520}, {64, 64, 600, 520}},
      {"on the second screen", {2000, 100, 600, 520}, {2000, 100, 600, 520}},
      {"partly off, the title bar mostly on the second screen", {1800, 900, 600, 520},
       {1920, 504, 600, 520}},
      {"saved on a larger screen", {200, 80, 900, 1200}, {200, 0, 900, 1080}},
      {"title bar above the top", {64, -30, 600, 520}, {64, 0, 600, 520}},
      {"a monitor that is gone", {3500, 200, 600, 520}, {2600, 200, 600, 520}},
      {"far below", {100, 5000, 600, 520}, {100, 560, 600, 520}},
      {"far left, larger than the screen", {-5000, 10, 2500, 1200}, {0, 0, 1920, 1080}},
      {"only a sliver of the title bar", {-590, 10, 600, 520}, {0, 10, 600, 520}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(PlaceOnScreens(c.saved, kTwoScreens), c.placed) << c.why;
}

// 900 x 600 at (200, 80) on a 1024 x 600 screen left the convert and exit
// buttons and the status bar off the screen.
TEST(WindowPlacement, SmallScreenShowsTheWholeWindow) {
  EXPECT_EQ(PlaceOnScreens({200, 80, 900, 600}, {{0, 0, 1024, 600}}), (TBounds{124, 0, 900, 600}));
}

TEST(WindowPlacement, WithoutScreensNothingMoves) {
  EXPECT_EQ(PlaceOnScreens({-9000, -9000, 10, 10}, {}), (TBounds{-9000, -9000, 10, 10}));
}

}  // namespace
}  // namespace velkaro
