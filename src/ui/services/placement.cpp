#include "ui/services/placement.hpp"

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
  ScreenPoint p{owner.left + (owner.Width() - width) / 2, owner.top + (owner.Height() - height) / 2};
  if (p.top < w.top) p.top = w.top;
  if (p.top > w.bottom - height) p.top = w.bottom - height;
  if (p.left < w.left) p.left = w.left;
  if (p.left > w.right - width) p.left = w.right - width;
  return p;
}

}  // namespace orthelev
