#include "win32/placement_win32.hpp"

namespace orthelev::win32 {

namespace {

ScreenRect ToScreenRect(const RECT& rect) {
  return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

using DpiOfWindow = UINT(WINAPI*)(HWND);

}  // namespace

ScreenRect WindowRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return ToScreenRect(rect);
}

ScreenRect WorkAreaOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
    return WindowRectOf(window);
  return ToScreenRect(info.rcWork);
}

int DpiOf(HWND window) {
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  const auto dpiForWindow = user ? reinterpret_cast<DpiOfWindow>(reinterpret_cast<void*>(
                                       GetProcAddress(user, "GetDpiForWindow")))
                                 : nullptr;
  if (dpiForWindow && window) return static_cast<int>(dpiForWindow(window));
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace orthelev::win32
