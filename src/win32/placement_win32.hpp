#pragma once
// Screen rectangles of windows and the work areas of their monitors.

#include <windows.h>

#include "services/window_services.hpp"

namespace orthelev::win32 {

// The window's outer rectangle in screen pixels.
ScreenRect WindowRectOf(HWND window);

// The work area (without task bars) of the monitor nearest the window.
ScreenRect WorkAreaOf(HWND window);

// Dots per inch of the window's monitor where the system tells it (Windows
// 10 and later), else of the screen.
int DpiOf(HWND window);

}  // namespace orthelev::win32
