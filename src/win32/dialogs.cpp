#include "win32/dialogs.hpp"

#include <commdlg.h>

#include "services/placement.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {

namespace {

// Set on the owner while its next message box is still to be centred.
constexpr wchar_t kCentreNextBox[] = L"OrthelevCentreNextBox";
// On a file dialog's frame: its placement while it is shown.
constexpr wchar_t kDialogPlacement[] = L"OrthelevDialogPlacement";
constexpr int kFileNameRoom = 32768;  // wide characters

void MoveCentredOver(HWND dialog, HWND owner) {
  const ScreenRect own = WindowRectOf(dialog);
  const ScreenPoint at =
      CenterOver(WindowRectOf(owner), own.Width(), own.Height(), WorkAreaOf(owner));
  SetWindowPos(dialog, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Centres the box when it first becomes active; no state of its own: the
// owner carries the request.
LRESULT CALLBACK CentreOnActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wParam);
    const HWND owner = GetWindow(box, GW_OWNER);
    if (owner && RemovePropW(owner, kCentreNextBox)) MoveCentredOver(box, owner);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ShowCentredBox(HWND owner, const std::wstring& title, const std::string& text, UINT style) {
  HHOOK hook = nullptr;
  if (owner) {
    SetPropW(owner, kCentreNextBox, reinterpret_cast<HANDLE>(1));
    hook = SetWindowsHookExW(WH_CBT, CentreOnActivation, nullptr, GetCurrentThreadId());
  }
  MessageBoxW(owner, WithCrLf(Wide(text)).c_str(), title.c_str(), style | MB_OK);
  if (hook) UnhookWindowsHookEx(hook);
  if (owner) RemovePropW(owner, kCentreNextBox);
}

// The first three position changes of a showing put the dialog centred over
// the main window; later moves by the user are left alone.
struct DialogPlacement {
  HWND main = nullptr;
  WNDPROC ownProcedure = nullptr;
  int movesLeft = 3;
};

LRESULT CALLBACK PlacingProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* placement = static_cast<DialogPlacement*>(GetPropW(frame, kDialogPlacement));
  if (!placement) return DefWindowProcW(frame, message, wParam, lParam);
  const WNDPROC own = placement->ownProcedure;
  if (message == WM_WINDOWPOSCHANGING && placement->movesLeft > 0) {
    auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
    position->flags &= ~static_cast<UINT>(SWP_NOMOVE);
    --placement->movesLeft;
    const ScreenRect dialog = WindowRectOf(frame);
    const ScreenPoint at = CenterOver(WindowRectOf(placement->main), dialog.Width(),
                                      dialog.Height(), WorkAreaOf(placement->main));
    position->x = at.left;
    position->y = at.top;
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    RemovePropW(frame, kDialogPlacement);
  }
  return CallWindowProcW(own, frame, message, wParam, lParam);
}

UINT_PTR CALLBACK FileDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return 0;
  const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(lParam);
  auto* placement = reinterpret_cast<DialogPlacement*>(dialog->lCustData);
  const HWND frame = GetParent(child);  // the explorer-style dialog's frame
  SetPropW(frame, kDialogPlacement, placement);
  placement->ownProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlacingProcedure)));
  return 0;
}

// "description|pattern|..." as the dialog takes it: zero-separated, two zeros at the end.
std::wstring DialogFilter(const std::string& filter) {
  std::wstring pairs = Wide(filter);
  for (wchar_t& c : pairs)
    if (c == L'|') c = L'\0';
  return pairs + std::wstring(2, L'\0');
}

}  // namespace

void ShowMessageBoxOver(HWND owner, MessageKind kind, const std::string& text,
                        const std::string& programTitle) {
  switch (kind) {
    case MessageKind::Warning:
      return ShowCentredBox(owner, L"Warning", text, MB_ICONWARNING);
    case MessageKind::Information:
      return ShowCentredBox(owner, L"Information", text, MB_ICONINFORMATION);
    case MessageKind::Confirmation:
      return ShowCentredBox(owner, L"Confirm", text, MB_ICONQUESTION);
    case MessageKind::Custom:
      return ShowCentredBox(owner, Wide(programTitle), text, 0);
    case MessageKind::Error:
      break;
  }
  ShowCentredBox(owner, L"Error", text, MB_ICONERROR);
}

void ShowStopBoxOver(HWND owner, const std::string& title, const std::string& text) {
  ShowCentredBox(owner, Wide(title), text, MB_ICONSTOP);
}

bool RunFileDialog(HWND owner, SDialog& dialog, std::vector<std::string>& chosen) {
  chosen.clear();
  const std::wstring filter = DialogFilter(dialog.SFilter);
  const std::wstring folder = Wide(dialog.SInitDir);
  std::wstring file = Wide(dialog.SFileName);
  file.resize(kFileNameRoom, L'\0');
  DialogPlacement placement{owner};
  OPENFILENAMEW open{};
  open.lStructSize = sizeof(open);
  open.hwndOwner = owner;
  open.lpstrFilter = dialog.SFilter.empty() ? nullptr : filter.c_str();
  open.nFilterIndex = 1;
  open.lpstrFile = file.data();
  open.nMaxFile = kFileNameRoom;
  open.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  open.Flags =
      OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  open.lpfnHook = FileDialogHook;
  open.lCustData = reinterpret_cast<LPARAM>(&placement);
  if (!GetOpenFileNameW(&open)) return false;
  chosen.push_back(Utf8(file.c_str()));
  dialog.SFileName = chosen.front();
  return true;
}

}  // namespace orthelev::win32
