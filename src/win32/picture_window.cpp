#include "win32/picture_window.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "conversion/height_profile.hpp"
#include "conversion/profile_picture.hpp"
#include "services/placement.hpp"
#include "win32/form_main.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {

namespace {

constexpr const wchar_t* kPictureClass = L"TPictureWindow";
constexpr DWORD kPictureStyle = WS_OVERLAPPEDWINDOW;
constexpr int kListHeight = 200;  // the drop-down list's height when open
constexpr int kListRow = 28;      // the room the closed list takes

COLORREF ColourOf(Rgb c) { return RGB(c.r, c.g, c.b); }

// Picture coordinates to the device's.
struct Mapping {
  double scale;
  int left, top;
  int X(double x) const { return left + static_cast<int>(std::lround(x * scale)); }
  int Y(double y) const { return top + static_cast<int>(std::lround(y * scale)); }
};

void PaintRects(HDC dc, const Mapping& m, const Picture& picture) {
  // The device context's own brush takes each colour: a coverage picture
  // has thousands of rectangles, repainted at every resize.
  const auto brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  for (const PictureRect& r : picture.rects) {
    const RECT area{m.X(r.x), m.Y(r.y), m.X(r.x + r.width), m.Y(r.y + r.height)};
    SetDCBrushColor(dc, ColourOf(r.fill));
    FillRect(dc, &area, brush);
    if (!r.outlined) continue;
    SetDCBrushColor(dc, ColourOf(r.outline));
    FrameRect(dc, &area, brush);
  }
}

void PaintLines(HDC dc, const Mapping& m, const Picture& picture) {
  std::vector<POINT> points;
  for (const PictureLine& line : picture.lines) {
    points.clear();
    for (const PicturePoint& p : line.points) points.push_back({m.X(p.x), m.Y(p.y)});
    const int width = std::max(1, static_cast<int>(std::lround(line.width * m.scale)));
    const HPEN pen = CreatePen(PS_SOLID, width, ColourOf(line.colour));
    const HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void PaintTexts(HDC dc, const Mapping& m, const Picture& picture) {
  const int pixels = std::max(1, static_cast<int>(std::lround(kPictureTextPixels * m.scale)));
  SetBkMode(dc, TRANSPARENT);
  const auto fontOf = [pixels](int weight) {
    return CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       L"Tahoma");
  };
  const HFONT normal = fontOf(FW_NORMAL), bold = fontOf(FW_BOLD);
  const HGDIOBJ old = SelectObject(dc, normal);
  for (const PictureText& text : picture.texts) {
    SelectObject(dc, text.bold ? bold : normal);
    const UINT align = text.anchor == TextAnchor::Middle ? TA_CENTER
                       : text.anchor == TextAnchor::End  ? TA_RIGHT
                                                         : TA_LEFT;
    SetTextAlign(dc, TA_BASELINE | align);
    SetTextColor(dc, ColourOf(text.colour));
    const std::wstring wide = Wide(text.text);
    TextOutW(dc, m.X(text.x), m.Y(text.y), wide.c_str(), static_cast<int>(wide.size()));
  }
  SelectObject(dc, old);
  DeleteObject(normal);
  DeleteObject(bold);
}

}  // namespace

void PaintPicture(HDC dc, const RECT& area, const Picture& picture) {
  const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(dc, &area, white);
  if (picture.width <= 0 || picture.height <= 0) return;
  const double scale = std::min((area.right - area.left) / double(picture.width),
                                (area.bottom - area.top) / double(picture.height));
  const Mapping mapping{scale, static_cast<int>(area.left), static_cast<int>(area.top)};
  PaintRects(dc, mapping, picture);
  PaintLines(dc, mapping, picture);
  PaintTexts(dc, mapping, picture);
}

PictureWindow::PictureWindow(const wchar_t* title, bool withFileList) {
  RegisterWindowClasses();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  Handle = CreateWindowExW(0, kPictureClass, title, kPictureStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           660, 440, nullptr, nullptr, instance, nullptr);
  if (withFileList)
    FileList = CreateWindowExW(0, L"COMBOBOX", L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                               4, 4, 300, kListHeight, Handle, nullptr, instance, nullptr);
  SetWindowLongPtrW(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PictureWindow::WindowProc));
}

PictureWindow::~PictureWindow() {
  if (!Handle) return;
  SetWindowLongPtrW(Handle, GWLP_USERDATA, 0);
  DestroyWindow(Handle);
}

RECT PictureWindow::PictureArea() const {
  RECT client{};
  GetClientRect(Handle, &client);
  if (FileList) client.top += kListRow;
  return client;
}

LRESULT CALLBACK PictureWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<PictureWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self) {
    switch (message) {
      case WM_PAINT:
        self->Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills every pixel
      case WM_SIZE:
        if (self->FileList)
          MoveWindow(self->FileList, 4, 4, std::max(100, LOWORD(lParam) - 8), kListHeight, TRUE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
      case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == self->FileList && HIWORD(wParam) == CBN_SELCHANGE)
          self->ShowPicked();
        return 0;
      case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
      case WM_NCDESTROY:
        self->Handle = nullptr;
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void PictureWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(Handle, &paint);
  RECT client{};
  GetClientRect(Handle, &client);
  if (FileList) {
    RECT strip = client;
    strip.bottom = strip.top + kListRow;
    FillRect(dc, &strip, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  }
  // Drawn off screen first: no flicker while the window is resized.
  const RECT area = PictureArea();
  const int width = std::max(1L, area.right - area.left),
            height = std::max(1L, area.bottom - area.top);
  const HDC memory = CreateCompatibleDC(dc);
  const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  PaintPicture(memory, RECT{0, 0, width, height}, picture_);
  BitBlt(dc, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(Handle, &paint);
}

void PictureWindow::SetPicture(Picture picture) {
  picture_ = std::move(picture);
  if (!FileList) SetWindowTextW(Handle, Wide(picture_.title).c_str());
  InvalidateRect(Handle, nullptr, FALSE);
}

void PictureWindow::RefreshProfiles() {
  if (!FileList || shownRevision_ == TheProfiles().revision) return;
  shownRevision_ = TheProfiles().revision;
  const std::string picked = TextOfWindow(FileList);
  SendMessageW(FileList, CB_RESETCONTENT, 0, 0);
  for (const FileProfile& file : TheProfiles().files)
    SendMessageW(FileList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(file.name).c_str()));
  const LRESULT found = SendMessageW(FileList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(Wide(picked).c_str()));
  SendMessageW(FileList, CB_SETCURSEL, found == CB_ERR ? 0 : found, 0);
  ShowPicked();
}

void PictureWindow::ShowPicked() {
  SetPicture(ProfilePictureAt(FileList ? SendMessageW(FileList, CB_GETCURSEL, 0, 0) : CB_ERR));
}

void PictureWindow::ShowBeside(HWND other) {
  RefreshProfiles();
  if (!IsWindowVisible(Handle)) {  // placed when it appears; the user may move it after
    const ScreenRect own = WindowRectOf(Handle);
    const ScreenPoint at =
        PlaceBeside(WindowRectOf(other), own.Width(), own.Height(), WorkAreaOf(other));
    SetWindowPos(Handle, HWND_TOP, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ShowWindow(Handle, IsIconic(Handle) ? SW_RESTORE : SW_SHOWNOACTIVATE);
}

void PictureWindow::ShowSized() {
  RECT outer{0, 0, std::max(picture_.width, 200), std::max(picture_.height, 100)};
  AdjustWindowRectEx(&outer, kPictureStyle, FALSE, 0);
  SetWindowPos(Handle, HWND_TOP, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE);
  ShowWindow(Handle, IsIconic(Handle) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(Handle);
}

void PictureWindow::SetFont(HFONT font) {
  if (FileList) SendMessageW(FileList, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace orthelev::win32
