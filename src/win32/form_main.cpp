#include "win32/form_main.hpp"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "conversion/batch.hpp"
#include "flags/program_flags.hpp"
#include "models/geoid_check.hpp"
#include "models/model_selection.hpp"
#include "program/program.hpp"
#include "services/window_services.hpp"
#include "win32/form_report.hpp"
#include "win32/picture_window.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"TFormMain";
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 542, kClientHeight = 189;
constexpr int kMaxDroppedName = 32768;  // wide characters, the longest path Windows has

// Where a control's parent lies in the window's client area.
struct Offset {
  int left, top;
};
constexpr Offset kWindow{0, 0}, kSelect{8, 8}, kCheck{231, 8};

constexpr DWORD kLabel = SS_NOPREFIX | SS_CENTERIMAGE;
constexpr DWORD kTab = WS_TABSTOP | WS_GROUP;
constexpr DWORD kEdit = ES_AUTOHSCROLL | kTab;
constexpr DWORD kButton = BS_PUSHBUTTON | kTab;

// One control as designed: created in this order, which is also the order of
// the Tab key; the check box covers LabelWaiting while both are shown. Each
// field comes right after its label: screen readers name a field by the
// label just before it.
struct Design {
  HWND TFormMain::*handle;
  const wchar_t* windowClass;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int id;
  Offset parent;
  int left, top, width, height;
};

const Design kDesigns[] = {
    {&TFormMain::GroupBoxSelect, L"BUTTON", L" Geoid select ", BS_GROUPBOX, 0, -1, kWindow, 8, 8,
     217, 80},
    {&TFormMain::Label4, L"STATIC", L"Geoid model", kLabel | SS_RIGHT, 0, -1, kSelect, 2, 25, 71,
     13},
    {&TFormMain::ComboBoxGeoid, L"COMBOBOX", L"",
     CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | kTab, 0, kComboBoxGeoid, kSelect, 77, 22, 130,
     21},
    {&TFormMain::CheckBoxSpline, L"BUTTON", L"Spline interpolation", BS_AUTOCHECKBOX | kTab, 0,
     kCheckBoxSpline, kSelect, 77, 49, 122, 17},
    {&TFormMain::LabelWaiting, L"STATIC", L"", kLabel | SS_CENTER, 0, -1, kSelect, 10, 50, 195, 13},
    {&TFormMain::GroupBoxCkeck, L"BUTTON", L" Geoid check ", BS_GROUPBOX, 0, -1, kWindow, 231, 8,
     300, 80},
    {&TFormMain::Label1, L"STATIC", L"Latitude", kLabel | SS_RIGHT, 0, -1, kCheck, 2, 25, 58, 13},
    {&TFormMain::EditLat, L"EDIT", L"35 40 37.8", kEdit, WS_EX_CLIENTEDGE, kEditLat, kCheck, 62, 22,
     95, 21},
    {&TFormMain::Label2, L"STATIC", L"Longitude", kLabel | SS_RIGHT, 0, -1, kCheck, 2, 50, 58, 13},
    {&TFormMain::EditLon, L"EDIT", L"139 44 52.3", kEdit, WS_EX_CLIENTEDGE, kEditLon, kCheck, 62,
     47, 95, 21},
    {&TFormMain::Label3, L"STATIC", L"Geoid(m)", kLabel | SS_RIGHT, 0, -1, kCheck, 157, 25, 58, 13},
    {&TFormMain::EditGeoid, L"EDIT", L"", kEdit, WS_EX_CLIENTEDGE, kEditGeoid, kCheck, 219, 22, 70,
     21},
    {&TFormMain::ButtonCalc, L"BUTTON", L"Check", kButton, 0, kButtonCalc, kCheck, 219, 46, 70, 23},
    {&TFormMain::Label5, L"STATIC", L"Source file", kLabel | SS_RIGHT, 0, -1, kWindow, 1, 109, 65,
     13},
    {&TFormMain::EditSorce, L"EDIT", L"", kEdit, WS_EX_CLIENTEDGE, kEditSorce, kWindow, 68, 106,
     463, 21},
    {&TFormMain::ButtonBrowse, L"BUTTON", L"Browse", kButton, 0, kButtonBrowse, kWindow, 68, 132,
     75, 25},
    {&TFormMain::LabelReport, L"STATIC", L"Report", kLabel | SS_NOTIFY, 0, kLabelReport, kWindow,
     317, 138, 33, 13},
    {&TFormMain::ButtonConvert, L"BUTTON", L"Convert", kButton, 0, kButtonConvert, kWindow, 371,
     132, 75, 25},
    {&TFormMain::ButtonExit, L"BUTTON", L"Exit", kButton, 0, kButtonExit, kWindow, 456, 132, 75,
     25},
    {&TFormMain::StatusBar1, STATUSCLASSNAMEW, L"",
     CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, kStatusBar1, kWindow, 0, 170, 542, 19},
};

struct Hint {
  HWND TFormMain::*handle;
  const wchar_t* text;
};
const Hint kHints[] = {{&TFormMain::ButtonCalc, L"Geoid is calculated"},
                       {&TFormMain::ButtonBrowse, L"OpenDialog is opened"},
                       {&TFormMain::ButtonConvert, L"Conversion is started"},
                       {&TFormMain::ButtonExit, L"Close"}};

const wchar_t* const kDesignedModels[] = {L"EGM2008 2.5'x2.5'", L"EGM2008 1'x1'", L"GSIGEO 2011",
                                          L"Custom Geoid"};

// The model changes on a deliberate pick only: the wheel over the closed
// box, or over its text field, would step through the models.
LRESULT CALLBACK KeepWheelOffModels(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR modelBox) {
  if (message == WM_MOUSEWHEEL &&
      !SendMessageW(reinterpret_cast<HWND>(modelBox), CB_GETDROPPEDSTATE, 0, 0))
    return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &KeepWheelOffModels, id);
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

void RegisterWindowClasses() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW main{};
  main.cbSize = sizeof(main);
  main.lpfnWndProc = DefWindowProcW;
  main.hInstance = GetModuleHandleW(nullptr);
  main.hIcon = LoadIconW(main.hInstance, MAKEINTRESOURCEW(1));
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = kMainClass;
  RegisterClassExW(&main);  // fails harmlessly when registered already
  main.lpszClassName = L"TFormReport";
  RegisterClassExW(&main);
  main.lpszClassName = L"TPictureWindow";
  RegisterClassExW(&main);
}

TFormMain::TFormMain(SettingsLocation where, std::vector<std::string> parameters)
    : where_(std::move(where)), parameters_(std::move(parameters)) {
  RegisterWindowClasses();
  Handle =
      CreateWindowExW(0, kMainClass, L"", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth,
                      kClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(Handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TFormMain::WindowProc));
  dpi_ = DpiOf(Handle);
  CreateControls();
  CreateHints();
  Layout();
  ApplyFont();
  // Designed to open centred on the screen: where boxes shown before the
  // settings have placed it are centred.
  RECT work{}, outer{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(Handle, &outer);
  SetWindowPos(Handle, nullptr,
               work.left + (work.right - work.left - (outer.right - outer.left)) / 2,
               work.top + (work.bottom - work.top - (outer.bottom - outer.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  orthelev::FormCreate();
}

TFormMain::~TFormMain() {
  if (Handle) {
    SetWindowLongPtrW(Handle, GWLP_USERDATA, 0);
    DestroyWindow(Handle);
  }
  if (font_) DeleteObject(font_);
}

void TFormMain::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const Design& design : kDesigns) {
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id));
    this->*design.handle = CreateWindowExW(design.exStyle, design.windowClass, design.text,
                                           WS_CHILD | WS_VISIBLE | design.style, 0, 0, 0, 0, Handle,
                                           id, instance, nullptr);
  }
  for (const wchar_t* model : kDesignedModels)
    SendMessageW(ComboBoxGeoid, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(model));
  SetWindowTextW(ComboBoxGeoid, kDesignedModels[0]);
  const auto modelBox = reinterpret_cast<DWORD_PTR>(ComboBoxGeoid);
  SetWindowSubclass(ComboBoxGeoid, &KeepWheelOffModels, 0, modelBox);
  if (const HWND field = FindWindowExW(ComboBoxGeoid, nullptr, L"Edit", nullptr))
    SetWindowSubclass(field, &KeepWheelOffModels, 0, modelBox);
  int parts[] = {-1};  // one panel; its text runs to the window's edge
  SendMessageW(StatusBar1, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
}

void TFormMain::CreateHints() {
  hints_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const Hint& hint : kHints) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle;
    tool.uId = reinterpret_cast<UINT_PTR>(this->*hint.handle);
    tool.lpszText = const_cast<wchar_t*>(hint.text);
    SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void TFormMain::Layout() {
  RECT outer{0, 0, Scaled(kClientWidth, dpi_), Scaled(kClientHeight, dpi_)};
  AdjustWindowRectEx(&outer, kMainStyle, FALSE, 0);
  SetWindowPos(Handle, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const Design& design : kDesigns) {
    // A combo box's height is that of its list as well: the field's comes below.
    const int height = design.handle == &TFormMain::ComboBoxGeoid ? 200 : design.height;
    SetWindowPos(this->*design.handle, nullptr, Scaled(design.parent.left + design.left, dpi_),
                 Scaled(design.parent.top + design.top, dpi_), Scaled(design.width, dpi_),
                 Scaled(height, dpi_), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The model box's heights and the "Report" label's size follow in
  // ApplyFont, which comes after every layout.
}

void TFormMain::SizeReportLabel() {
  // Unlike the fixed labels, "Report" sizes itself to its text.
  const HDC dc = GetDC(LabelReport);
  const HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, L"Report", 6, &size);
  SelectObject(dc, old);
  ReleaseDC(LabelReport, dc);
  SetWindowPos(LabelReport, nullptr, 0, 0, size.cx, Scaled(13, dpi_),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMain::SizeModelListRows() {
  // Rows with room above and below their text: the box's own rows are as
  // high as the text alone.
  constexpr int kPadding = 3;  // pixels above and below the text
  const HDC dc = GetDC(ComboBoxGeoid);
  const HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(ComboBoxGeoid, dc);
  // Set on the list itself: Wine's box passes CB_SETITEMHEIGHT on only when
  // it draws its own rows.
  COMBOBOXINFO box{};
  box.cbSize = sizeof(box);
  if (GetComboBoxInfo(ComboBoxGeoid, &box))
    SendMessageW(box.hwndList, LB_SETITEMHEIGHT, 0, metrics.tmHeight + 2 * Scaled(kPadding, dpi_));
}

void TFormMain::SetFont(const FontChoice& font) {
  fontChoice_ = font;
  ApplyFont();
}

void TFormMain::ApplyFont() {
  const HFONT old = font_;
  font_ = CreateFontW(-MulDiv(fontChoice_.sizePoints, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                      FALSE, static_cast<BYTE>(fontChoice_.charset), OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                      Wide(fontChoice_.name).c_str());
  EnumChildWindows(
      Handle,
      [](HWND child, LPARAM font) -> BOOL {
        SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font_));
  // The field's outer height is its item height and the 3D border.
  SendMessageW(ComboBoxGeoid, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Scaled(21, dpi_) - 6);
  SizeModelListRows();
  if (report_) report_->SetFont(font_);
  SizeReportLabel();
  if (old) DeleteObject(old);
}

LRESULT CALLBACK TFormMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TFormMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->Handle_(message, wParam, lParam);
}

LRESULT TFormMain::Handle_(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        // A plain window forgets its focused control when it is left.
        const HWND focus = GetFocus();
        if (focus && IsChild(Handle, focus)) lastFocus_ = focus;
        break;
      }
      if (!IsIconic(Handle)) FormActivate();
      if (lastFocus_ && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_SIZE:
      // Restored by the user after a hidden start: to the stored place.
      if (wParam == SIZE_RESTORED && TheFlags().startHidden && IsWindowVisible(Handle))
        FormActivate();
      break;
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      if (reinterpret_cast<HWND>(wParam) == LabelReport) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_CONTEXTMENU:
      if (OfferCoverage(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) return 0;
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      ApplyFont();
      return 0;
    }
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_NCDESTROY:
      Handle = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(Handle, message, wParam, lParam);
}

void TFormMain::OnCommand(int id, int code) {
  switch (id) {
    case kButtonCalc:
      if (code == BN_CLICKED) RunHandler(orthelev::ButtonCalcClick);
      break;
    case kButtonBrowse:
      if (code == BN_CLICKED) RunHandler(orthelev::ButtonBrowseClick);
      break;
    case kButtonConvert:
      if (code == BN_CLICKED) RunHandler(orthelev::ButtonConvertClick);
      break;
    case kButtonExit:
      if (code == BN_CLICKED) ButtonExitClick();
      break;
    case kLabelReport:
      if (code == STN_CLICKED) LabelReportClick();
      break;
    case kComboBoxGeoid:
      if (code == CBN_SELCHANGE) SelectModel();
      break;
    case IDOK:  // Enter outside the fields that take it: commits a typed model
      if (GetParent(GetFocus()) == ComboBoxGeoid) CommitModelText();
      break;
    default:
      break;
  }
}

void TFormMain::SelectModel() {
  // The box's text follows the picked entry only after this notification.
  const LRESULT index = SendMessageW(ComboBoxGeoid, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  Window().SetGeoidModelText(Window().GeoidModelItem(static_cast<int>(index)));
  RunHandler(orthelev::ComboBoxGeoidSelect);
}

void TFormMain::CommitModelText() {
  const int index = Window().FindGeoidModelItem(TextOfWindow(ComboBoxGeoid));
  if (index < 0) return;
  SendMessageW(ComboBoxGeoid, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SelectModel();
}

void TFormMain::ApplicationEvents1Idle() {
  if (TheFlags().initialized) return;
  ShowWindow(Handle, SW_HIDE);
  FormActivate();
  // After a hidden start, or when the settings file could not be placed, the
  // window waits minimised for the user: a program without any window could
  // be neither restored nor closed.
  if (Handle && !closed_ && !handlers_.ClosePending() && !IsWindowVisible(Handle))
    ShowWindow(Handle, SW_SHOWMINNOACTIVE);
}

void TFormMain::FormActivate() {
  RunHandler([this] { orthelev::FormActivate(where_, parameters_); });
}

bool TFormMain::ApplicationEvents1ShortCut(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.wParam == VK_ESCAPE) TheFlags().abortRequested = true;
  if (message.wParam != VK_RETURN) return false;
  // Enter on a focused button clicks it, as Space does.
  for (HWND button : {ButtonCalc, ButtonBrowse, ButtonConvert, ButtonExit}) {
    if (message.hwnd != button) continue;
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  char key = '\r';
  if (message.hwnd == EditSorce)
    RunHandler([&key] { key = EditSorceKeyPress(key); });
  else if (message.hwnd == EditLat || message.hwnd == EditLon)
    RunHandler([&key] { key = EditLatKeyPress(key); });
  return key == 0;
}

void TFormMain::LabelReportClick() {
  RunHandler([this] {
    if (!report_) return;
    const HWND report = report_->Handle;
    if (IsWindowVisible(report) && !IsIconic(report) && !IsZoomed(report))
      ShowWindow(report, SW_HIDE);
    else if (IsIconic(report))
      ShowWindow(report, SW_RESTORE);
    else if (!TheFlags().startHidden)
      report_->ShowReport();
  });
}

bool TFormMain::OfferCoverage(int x, int y) {
  RECT group{};
  GetWindowRect(GroupBoxSelect, &group);
  if (!PtInRect(&group, POINT{x, y})) return false;
  const HMENU menu = CreatePopupMenu();
  constexpr UINT kCoverage = 1;
  AppendMenuW(menu, MF_STRING, kCoverage, L"Coverage...");
  const UINT chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, Handle, nullptr);
  DestroyMenu(menu);
  if (chosen == kCoverage) ShowModelCoverage();
  return true;
}

void TFormMain::ShowModelCoverage() {
  Picture picture;
  RunHandler([&picture] { picture = ModelCoverageOnRequest(); });
  if (picture.width == 0) return;
  if (!coverage_) coverage_ = std::make_unique<PictureWindow>(L"Coverage", false);
  coverage_->SetPicture(std::move(picture));
  coverage_->ShowSized();
}

void TFormMain::OnDropFiles(HDROP drop) {
  if (TheBatch().running) {
    DragFinish(drop);  // a running batch keeps its list: refused, not queued
    return;
  }
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::wstring name(kMaxDroppedName, L'\0');
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, name.data(), kMaxDroppedName);
    paths.push_back(Utf8(name.substr(0, length)));
  }
  DropFiles(paths);
  DragFinish(drop);
}

void TFormMain::DropFiles(const std::vector<std::string>& paths) {
  RunHandler([&paths] { orthelev::DropFiles(paths); });
}

void TFormMain::RequestClose() {
  if (handlers_.DeferClose()) {
    // A batch (or other long work) is running: stop it as Esc would; the
    // window closes once it has ended.
    TheFlags().abortRequested = true;
    return;
  }
  if (closed_) return;
  RunShowingFailures(orthelev::FormClose);
  closed_ = true;
  if (report_) ShowWindow(report_->Handle, SW_HIDE);
  DestroyWindow(Handle);
}

void TFormMain::RunHandler(const std::function<void()>& handler) { handlers_.Run(handler); }

void TFormMain::TakeDroppedFiles(bool take) {
  // Without the style the pointer shows that files cannot be dropped.
  const bool taking = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
  if (!take && taking) {
    DragAcceptFiles(Handle, FALSE);
    filesRefusedForBatch_ = true;
  } else if (take && filesRefusedForBatch_) {
    DragAcceptFiles(Handle, TRUE);
    filesRefusedForBatch_ = false;
  }
}

void TFormMain::FocusControl(HWND control) {
  SetFocus(control);
  lastFocus_ = control;
}

void TFormMain::SetStatusText(const std::string& text) {
  statusText_ = text;
  SendMessageW(StatusBar1, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void TFormMain::SetConvertEnabled(bool enabled) {
  const HWND focus = GetFocus();
  if (!enabled && !focusBeforeBatch_) focusBeforeBatch_ = focus;
  EnableWindow(ButtonConvert, enabled);
  // A model picked during a batch would replace the grid the batch reads.
  EnableWindow(ComboBoxGeoid, enabled);
  TakeDroppedFiles(enabled);
  if (!enabled) {
    // Disabling the focused control leaves the keyboard nowhere: on to the next.
    if (focus && (!IsWindowEnabled(focus) || GetParent(focus) == ComboBoxGeoid))
      FocusControl(GetNextDlgTabItem(Handle, focus, FALSE));
    focusMovedTo_ = GetFocus();
    return;
  }
  // Back where it was, unless the user has moved it meanwhile.
  if (focusBeforeBatch_ && GetFocus() == focusMovedTo_) FocusControl(focusBeforeBatch_);
  focusBeforeBatch_ = focusMovedTo_ = nullptr;
}

}  // namespace orthelev::win32
