#include "win32/form_report.hpp"

#include "services/placement.hpp"
#include "win32/form_main.hpp"
#include "win32/picture_window.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {

namespace {

constexpr DWORD kReportStyle = WS_OVERLAPPEDWINDOW;
constexpr int kClientWidth = 426, kClientHeight = 286;

}  // namespace

TFormReport::TFormReport(HWND owner) : owner_(owner) {
  RegisterWindowClasses();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  Handle = CreateWindowExW(0, L"TFormReport", L"Report", kReportStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  // Long lines wrap at the window's edge; no scroll bars, no length limit.
  Memo1 = CreateWindowExW(0, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                              ES_WANTRETURN | ES_NOHIDESEL,
                          0, 0, 0, 0, Handle, nullptr, instance, nullptr);
  SendMessageW(Memo1, EM_SETLIMITTEXT, 0, 0);
  SetWindowLongPtrW(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TFormReport::WindowProc));
  const int dpi = DpiOf(Handle);
  RECT outer{0, 0, Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi)};
  AdjustWindowRectEx(&outer, kReportStyle, FALSE, 0);
  SetWindowPos(Handle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TFormReport::~TFormReport() {
  if (!Handle) return;
  SetWindowLongPtrW(Handle, GWLP_USERDATA, 0);
  DestroyWindow(Handle);
}

LRESULT CALLBACK TFormReport::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TFormReport*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form) {
    switch (message) {
      case WM_SIZE:
        MoveWindow(form->Memo1, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
      case WM_SETFOCUS:
        SetFocus(form->Memo1);
        return 0;
      case WM_SETCURSOR: {
        const auto* main =
            reinterpret_cast<TFormMain*>(GetWindowLongPtrW(form->owner_, GWLP_USERDATA));
        if (main && main->Busy()) {
          SetCursor(LoadCursorW(nullptr, IDC_WAIT));
          return TRUE;
        }
        break;
      }
      case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
      case WM_SHOWWINDOW:
        if (!wParam && form->profile_) ShowWindow(form->profile_->Handle, SW_HIDE);
        break;
      case WM_NCDESTROY:
        form->Handle = nullptr;
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void TFormReport::AppendReportLine(const std::string& text) {
  std::wstring lines = WithCrLf(Wide(text));
  if (appendedSinceClear_ || GetWindowTextLengthW(Memo1) > 0) lines = L"\r\n" + lines;
  appendedSinceClear_ = true;
  const int end = GetWindowTextLengthW(Memo1);
  SendMessageW(Memo1, EM_SETSEL, end, end);
  SendMessageW(Memo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lines.c_str()));
  SendMessageW(Memo1, EM_SCROLLCARET, 0, 0);
  if (profile_ && IsWindowVisible(profile_->Handle)) profile_->RefreshProfiles();
}

void TFormReport::ClearReport() {
  SetWindowTextW(Memo1, L"");
  appendedSinceClear_ = false;
}

void TFormReport::ShowReport() {
  if (!IsWindowVisible(Handle)) {
    const ScreenRect outer = WindowRectOf(Handle);
    const ScreenPoint at =
        CenterOver(WindowRectOf(owner_), outer.Width(), outer.Height(), WorkAreaOf(owner_));
    SetWindowPos(Handle, nullptr, at.left, at.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(Handle, IsIconic(Handle) ? SW_RESTORE : SW_SHOW);
  SetWindowPos(Handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle);
  if (profile_) profile_->ShowBeside(Handle);
}

std::string TFormReport::ReportText() const { return TextOfWindow(Memo1); }

void TFormReport::SetFont(HFONT font) {
  SendMessageW(Memo1, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (profile_) profile_->SetFont(font);
}

}  // namespace orthelev::win32
