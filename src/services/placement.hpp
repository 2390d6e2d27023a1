#pragma once
// Keeping windows on the screen the user works on. Rectangles are screen
// pixels with right and bottom outside; divisions truncate toward zero.

#include <cstdint>
#include <vector>

#include "services/window_services.hpp"

namespace orthelev {

inline constexpr std::int32_t kNoStoredPosition = 2147483647;

// The stored main-window position made to lie inside `workArea` for a
// window of width x height; centred when either value is kNoStoredPosition.
// Clamps left, bottom, right, then top: a window larger than the work area
// ends at its top edge and its right edge.
void PlaceMainWindow(std::int32_t& top, std::int32_t& left, const ScreenRect& workArea, int width,
                     int height);

// Top-left of a dialog of width x height centred over `owner` and clamped
// into `workArea` top, bottom, left, right in that order: a dialog larger
// than the work area ends at its bottom and right edges.
struct ScreenPoint {
  int left = 0, top = 0;
};
ScreenPoint CenterOver(const ScreenRect& owner, int width, int height, const ScreenRect& workArea);

// Top-left of a window of width x height beside `other`: right of it where
// that fits in `workArea`, else left of it, else at the work area's right
// edge; its top that of `other`, kept inside the work area.
ScreenPoint PlaceBeside(const ScreenRect& other, int width, int height, const ScreenRect& workArea);

// The monitor nearest a window: the one its rectangle overlaps most, else
// the one at the least distance from it (the first of equals). -1 when
// `monitors` is empty.
int NearestMonitor(const ScreenRect& window, const std::vector<ScreenRect>& monitors);

}  // namespace orthelev
