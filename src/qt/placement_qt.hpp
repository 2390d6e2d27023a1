#pragma once
// Window placement on Qt screens: frames, outer rectangles, the work area of
// the screen nearest a window, and dialogs centred over their owner.
//
// Positions are those of the outer frame, title bar included: the window
// manager adds the frame only once a window is shown, so a window that
// knows its frame (FramedWindow) remembers it for the times it is hidden,
// and dialogs take their owner's frame until they have their own.

#include <QMargins>
#include <QRect>
#include <QWidget>

#include "services/window_services.hpp"

namespace orthelev {

ScreenRect ToScreenRect(const QRect& rect);

// The margins the window manager's frame adds around `window` now: none
// while it is hidden or not yet framed, and on the offscreen platform.
QMargins CurrentFrameMargins(const QWidget* window);

// A top-level window that knows its frame also while hidden or minimised:
// the frame it had when last framed or, before it was ever shown, the frame
// a short minimised showing gets from the window manager.
class FramedWindow : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  QMargins FrameMargins() const;
  // The outer rectangle at the window's place, also while it is hidden or
  // minimised (then where it shows when restored).
  QRect FrameRect() const;
  // Moves the window so that its outer frame's top-left is `topLeft`.
  void MoveFrameTo(const QPoint& topLeft);

 private:
  QMargins ProbeFrameMargins() const;

  mutable QMargins frame_;
  mutable bool probed_ = false;
};

// The available geometry (without task bars and docks) of the screen
// nearest the window (NearestMonitor: the one it overlaps most, else the
// closest); the primary screen's when no screen is known.
ScreenRect WorkAreaOf(const FramedWindow* window);

// Moves the top-level `dialog` so that its frame (its own once framed, else
// one like the owner's) is centred over `owner`'s outer rectangle, clamped
// into the work area of `owner`'s screen (CenterOver).
void PlaceOver(QWidget* dialog, const FramedWindow* owner);

}  // namespace orthelev
