#include "services/placement.hpp"

#include <algorithm>
#include <limits>

namespace orthelev {

void PlaceMainWindow(std::int32_t& top, std::int32_t& left, const ScreenRect& w, int width,
                     int height) {
  if (top == kNoStoredPosition || left == kNoStoredPosition) {
    top = w.top + (w.Height() - height) / 2;
    left = w.left + (w.Width() - width) / 2;
  }
  if (left < w.left) left = w.left;
  if (top > w.bottom - height) top = w.bottom - height;
  if (left > w.right - width) left = w.right - width;
  if (top < w.top) top = w.top;
}

ScreenPoint CenterOver(const ScreenRect& owner, int width, int height, const ScreenRect& w) {
  ScreenPoint p{owner.left + (owner.Width() - width) / 2,
                owner.top + (owner.Height() - height) / 2};
  if (p.top < w.top) p.top = w.top;
  if (p.top > w.bottom - height) p.top = w.bottom - height;
  if (p.left < w.left) p.left = w.left;
  if (p.left > w.right - width) p.left = w.right - width;
  return p;
}

namespace {

std::int64_t OverlapArea(const ScreenRect& a, const ScreenRect& b) {
  const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// Distance between the rectangles along one axis; 0 when they overlap there.
std::int64_t Gap(int aLow, int aHigh, int bLow, int bHigh) {
  if (aHigh <= bLow) return std::int64_t{bLow} - aHigh;
  if (bHigh <= aLow) return std::int64_t{aLow} - bHigh;
  return 0;
}

std::int64_t SquaredDistance(const ScreenRect& a, const ScreenRect& b) {
  const std::int64_t dx = Gap(a.left, a.right, b.left, b.right);
  const std::int64_t dy = Gap(a.top, a.bottom, b.top, b.bottom);
  return dx * dx + dy * dy;
}

}  // namespace

int NearestMonitor(const ScreenRect& window, const std::vector<ScreenRect>& monitors) {
  int best = -1;
  std::int64_t bestOverlap = 0, bestDistance = std::numeric_limits<std::int64_t>::max();
  for (size_t i = 0; i < monitors.size(); ++i) {
    const std::int64_t overlap = OverlapArea(window, monitors[i]);
    const std::int64_t distance = overlap > 0 ? 0 : SquaredDistance(window, monitors[i]);
    if (overlap > bestOverlap || (bestOverlap == 0 && overlap == 0 && distance < bestDistance)) {
      best = static_cast<int>(i);
      bestOverlap = overlap;
      bestDistance = distance;
    }
  }
  return best;
}

ScreenPoint PlaceBeside(const ScreenRect& other, int width, int height,
                        const ScreenRect& workArea) {
  int left = other.right;
  if (left + width > workArea.right) left = other.left - width;
  if (left < workArea.left) left = std::max(workArea.left, workArea.right - width);
  const int top = std::max(workArea.top, std::min(other.top, workArea.bottom - height));
  return {left, top};
}

}  // namespace orthelev
