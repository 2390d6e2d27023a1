#include "services/placement.hpp"

#include <gtest/gtest.h>

namespace orthelev {
namespace {

TEST(PlaceMainWindow, CentresOrClampsIntoTheWorkArea) {
  const ScreenRect screen{0, 0, 1920, 1040};
  const ScreenRect second{1920, 0, 3200, 1024};  // a monitor to the right
  struct Case {
    std::int32_t top, left;
    ScreenRect area;
    int width, height;
    std::int32_t wantTop, wantLeft;
  };
  const Case cases[] = {
      {kNoStoredPosition, kNoStoredPosition, screen, 550, 220, 410, 685},
      {300, 5000, screen, 550, 220, 300, 1370},
      {-50, 100, screen, 550, 220, 0, 100},
      {300, kNoStoredPosition, screen, 550, 220, 410, 685},  // either one centres both
      {kNoStoredPosition, 300, screen, 550, 220, 410, 685},
      {5000, 100, screen, 550, 220, 820, 100},
      {10, -400, screen, 550, 220, 10, 0},
      {0, 0, screen, 2000, 1100, 0, -80},       // larger: top edge, right edge
      {100, 100, second, 550, 220, 100, 1920},  // placed on the window's monitor
  };
  for (const Case& c : cases) {
    std::int32_t top = c.top, left = c.left;
    PlaceMainWindow(top, left, c.area, c.width, c.height);
    EXPECT_EQ(top, c.wantTop) << c.top << "," << c.left;
    EXPECT_EQ(left, c.wantLeft) << c.top << "," << c.left;
  }
}

// CenterOver centres and clamps bottom and right last; PlaceBeside puts a
// window right of the other, else left of it, else at the right edge.
TEST(CenterOver, CentresOrPlacesBesideInsideTheWorkArea) {
  const ScreenRect screen{0, 0, 1920, 1040};
  using Place = ScreenPoint (*)(const ScreenRect&, int, int, const ScreenRect&);
  struct Case {
    Place place;
    ScreenRect owner;
    int width, height;
    int wantLeft, wantTop;
  };
  const Case cases[] = {
      {CenterOver, {685, 410, 1235, 630}, 300, 120, 810, 460},
      {CenterOver, {1650, 410, 2200, 630}, 300, 120, 1620, 460},  // owner half off the right edge
      {CenterOver, {-400, -100, 150, 120}, 300, 120, 0, 0},
      {CenterOver, {685, 410, 1235, 630}, 2000, 1200, -80, -160},  // larger: bottom and right edges
      {PlaceBeside, {700, 400, 1126, 686}, 648, 400, 1126, 400},
      {PlaceBeside, {1300, 400, 1726, 686}, 648, 400, 652, 400},   // no room on the right
      {PlaceBeside, {500, 900, 1500, 1000}, 648, 400, 1272, 640},  // neither side; top kept inside
      {PlaceBeside, {700, -50, 1126, 236}, 648, 400, 1126, 0},
  };
  for (const Case& c : cases) {
    const ScreenPoint p = c.place(c.owner, c.width, c.height, screen);
    EXPECT_EQ(p.left, c.wantLeft);
    EXPECT_EQ(p.top, c.wantTop);
  }
}

TEST(NearestMonitor, LargestOverlapElseLeastDistance) {
  const std::vector<ScreenRect> monitors = {{0, 0, 1920, 1040}, {1920, 0, 3200, 1024}};
  struct Case {
    ScreenRect window;
    int want;
  };
  const Case cases[] = {
      {{689, 425, 1231, 614}, 0},    {{1600, 425, 2142, 614}, 0},  // more on the left one
      {{1700, 425, 2242, 614}, 1},                                 // more on the right one
      {{4000, 100, 4542, 289}, 1},    // off every screen, right of the second
      {{-900, 2000, -358, 2189}, 0},  // below and left of the first
  };
  for (const Case& c : cases)
    EXPECT_EQ(NearestMonitor(c.window, monitors), c.want) << c.window.left;
  EXPECT_EQ(NearestMonitor({0, 0, 10, 10}, {}), -1);
}

}  // namespace
}  // namespace orthelev
