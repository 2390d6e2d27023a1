#pragma once
// Window placement on Qt screens: outer rectangles, the work area of the
// screen nearest a window, and dialogs centred over their owner.

#include <QRect>
#include <QWidget>

#include "services/window_services.hpp"

namespace orthelev {

ScreenRect ToScreenRect(const QRect& rect);

// The window's outer rectangle (frame included once the platform knows it).
ScreenRect OuterRect(const QWidget* window);

// The available geometry (without task bars and docks) of the screen
// nearest the window (NearestMonitor: the one it overlaps most, else the
// closest); the primary screen's when no screen is known.
ScreenRect WorkAreaOf(const QWidget* window);

// Moves the top-level `dialog` centred over `owner`'s outer rectangle and
// clamps it into the work area of `owner`'s screen (CenterOver).
void PlaceOver(QWidget* dialog, const QWidget* owner);

}  // namespace orthelev
