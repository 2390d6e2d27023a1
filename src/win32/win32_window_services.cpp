#include "win32/win32_window_services.hpp"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include "services/memory_window_services.hpp"
#include "win32/dialogs.hpp"
#include "win32/form_main.hpp"
#include "win32/form_report.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {

namespace {

void SetTextOfWindow(HWND window, const std::string& text) {
  SetWindowTextW(window, Wide(text).c_str());
}

int ComboCount(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); }

}  // namespace

bool PumpWaitingMessages(TFormMain& main) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (main.ApplicationEvents1ShortCut(message)) continue;
    if (main.Handle && IsDialogMessageW(main.Handle, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

Win32WindowServices::Win32WindowServices(TFormMain& formMain, TFormReport& formReport,
                                         std::string programTitle)
    : main_(formMain), report_(formReport), programTitle_(std::move(programTitle)) {}

Win32WindowServices::~Win32WindowServices() { SetBusyCursor(false); }

void Win32WindowServices::SetStatusText(const std::string& text) { main_.SetStatusText(text); }
std::string Win32WindowServices::StatusText() const { return main_.StatusText(); }
void Win32WindowServices::ProcessPendingEvents() { PumpWaitingMessages(main_); }

void Win32WindowServices::SetBusyCursor(bool busy) {
  if (busy == main_.Busy()) return;
  main_.SetBusy(busy);
  POINT at{};
  GetCursorPos(&at);
  SetCursorPos(at.x, at.y);  // the window under the pointer asks for its cursor again
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Win32WindowServices::AppendReportLine(const std::string& text) {
  report_.AppendReportLine(text);
}
void Win32WindowServices::ClearReport() { report_.ClearReport(); }
void Win32WindowServices::ShowReport() { report_.ShowReport(); }

MessageButton Win32WindowServices::ShowMessageBox(const std::string& text, MessageKind kind,
                                                  MessageButton buttons, int) {
  ShowMessageBoxOver(main_.Handle, kind, text, programTitle_);
  return buttons;
}

bool Win32WindowServices::RunOpenDialog(SDialog& dialog, std::vector<std::string>& chosen) {
  return RunFileDialog(main_.Handle, dialog, chosen);
}

std::string Win32WindowServices::GeoidModelText() const {
  return TextOfWindow(main_.ComboBoxGeoid);
}
void Win32WindowServices::SetGeoidModelText(const std::string& text) {
  SetTextOfWindow(main_.ComboBoxGeoid, text);
}

void Win32WindowServices::SetGeoidModelItems(const std::vector<std::string>& items) {
  const std::string text = GeoidModelText();
  SendMessageW(main_.ComboBoxGeoid, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendMessageW(main_.ComboBoxGeoid, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(Wide(item).c_str()));
  SetGeoidModelText(text);  // the entries change, the typed text stays
}

std::string Win32WindowServices::GeoidModelItem(int index) const {
  if (index < 0 || index >= ComboCount(main_.ComboBoxGeoid)) return {};
  const auto at = static_cast<WPARAM>(index);
  std::wstring item(
      static_cast<std::size_t>(SendMessageW(main_.ComboBoxGeoid, CB_GETLBTEXTLEN, at, 0)) + 1,
      L'\0');
  SendMessageW(main_.ComboBoxGeoid, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(item.data()));
  return Utf8(item.c_str());
}

int Win32WindowServices::FindGeoidModelItem(const std::string& text) const {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(ComboCount(main_.ComboBoxGeoid)));
  for (int i = 0; i < ComboCount(main_.ComboBoxGeoid); ++i) items.push_back(GeoidModelItem(i));
  return FindEntryIgnoringCase(items, text);
}

void Win32WindowServices::ClearGeoidModelSelection() {
  SendMessageW(main_.ComboBoxGeoid, CB_SETEDITSEL, 0, MAKELPARAM(0, 0));
}

bool Win32WindowServices::SplineChecked() const {
  return SendMessageW(main_.CheckBoxSpline, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Win32WindowServices::SetSplineChecked(bool checked) {
  SendMessageW(main_.CheckBoxSpline, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool Win32WindowServices::SplineVisible() const {
  return (GetWindowLongPtrW(main_.CheckBoxSpline, GWL_STYLE) & WS_VISIBLE) != 0;
}
void Win32WindowServices::SetSplineVisible(bool visible) {
  ShowWindow(main_.CheckBoxSpline, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32WindowServices::SetWaitingText(const std::string& text) {
  SetTextOfWindow(main_.LabelWaiting, text);
}
std::string Win32WindowServices::LatitudeText() const { return TextOfWindow(main_.EditLat); }
void Win32WindowServices::SetLatitudeText(const std::string& text) {
  SetTextOfWindow(main_.EditLat, text);
}
std::string Win32WindowServices::LongitudeText() const { return TextOfWindow(main_.EditLon); }
void Win32WindowServices::SetLongitudeText(const std::string& text) {
  SetTextOfWindow(main_.EditLon, text);
}
void Win32WindowServices::SetGeoidText(const std::string& text) {
  SetTextOfWindow(main_.EditGeoid, text);
}
std::string Win32WindowServices::SourceText() const { return TextOfWindow(main_.EditSorce); }
void Win32WindowServices::SetSourceText(const std::string& text) {
  SetTextOfWindow(main_.EditSorce, text);
}
bool Win32WindowServices::ConvertEnabled() const {
  return IsWindowEnabled(main_.ButtonConvert) != FALSE;
}
void Win32WindowServices::SetConvertEnabled(bool enabled) { main_.SetConvertEnabled(enabled); }

void Win32WindowServices::SetMainCaption(const std::string& caption) {
  SetTextOfWindow(main_.Handle, caption);
}
void Win32WindowServices::AcceptDroppedFiles() { DragAcceptFiles(main_.Handle, TRUE); }

void Win32WindowServices::ShowGeneralError(const std::string& text) {
  ShowStopBoxOver(main_.Handle, programTitle_, text);
}

int Win32WindowServices::MainTop() const { return MainRect().top; }
int Win32WindowServices::MainLeft() const { return MainRect().left; }

void Win32WindowServices::SetMainTopLeft(int top, int left) {
  SetWindowPos(main_.Handle, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenRect Win32WindowServices::MainRect() const {
  // A minimised window's rectangle is its icon's: the normal place counts.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (IsIconic(main_.Handle) && GetWindowPlacement(main_.Handle, &placement)) {
    const RECT& r = placement.rcNormalPosition;
    return ScreenRect{r.left, r.top, r.right, r.bottom};
  }
  return WindowRectOf(main_.Handle);
}

ScreenRect Win32WindowServices::WorkArea() const { return WorkAreaOf(main_.Handle); }
int Win32WindowServices::DisplayDpi() const { return main_.Dpi(); }

void Win32WindowServices::SetMainWindowState(WindowState state) {
  const bool minimized = IsIconic(main_.Handle) != FALSE;
  if (state == WindowState::Minimized && !minimized && IsWindowVisible(main_.Handle))
    ShowWindow(main_.Handle, SW_MINIMIZE);
  if (state == WindowState::Normal && minimized) ShowWindow(main_.Handle, SW_RESTORE);
}

void Win32WindowServices::RestoreApplication() {
  for (HWND window : {main_.Handle, report_.Handle})
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
}

void Win32WindowServices::ShowMainWindow() {
  ShowWindow(main_.Handle, SW_SHOW);
  SetForegroundWindow(main_.Handle);
}

void Win32WindowServices::HideMainWindow() { ShowWindow(main_.Handle, SW_HIDE); }

void Win32WindowServices::FocusBrowseButton() { main_.FocusControl(main_.ButtonBrowse); }

void Win32WindowServices::CloseMainWindow() { main_.RequestClose(); }
void Win32WindowServices::SetFont(const FontChoice& font) { main_.SetFont(font); }

}  // namespace orthelev::win32
