#pragma once
// The main window as a native window: model group, check group, source line
// with Browse, Convert and Exit, the "Report" label and the one-panel status
// bar. Its handlers call the program's logic; a failure escaping one goes to
// the general error display and the window goes on.

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "program/handler_runner.hpp"
#include "services/window_services.hpp"
#include "settings/settings_location.hpp"

namespace orthelev::win32 {

class TFormReport;
class PictureWindow;

// Control identifiers (WM_COMMAND).
enum ControlId : int {
  kComboBoxGeoid = 100,
  kCheckBoxSpline,
  kEditLat,
  kEditLon,
  kEditGeoid,
  kButtonCalc,
  kEditSorce,
  kButtonBrowse,
  kLabelReport,
  kButtonConvert,
  kButtonExit,
  kStatusBar1,
};

class TFormMain {
 public:
  // `where` locates the settings file; `parameters` are the command line's
  // parameters after the program name. The window is created hidden.
  TFormMain(SettingsLocation where, std::vector<std::string> parameters);
  ~TFormMain();
  TFormMain(const TFormMain&) = delete;
  TFormMain& operator=(const TFormMain&) = delete;

  void SetReportWindow(TFormReport* report) { report_ = report; }

  // First idle moment: the first-activation sequence, unless the window's
  // activation ran it already.
  void ApplicationEvents1Idle();
  // Keys before the focused control: Esc sets AbortRequested (and goes on);
  // Enter in the source field or a coordinate field runs its handler, on a
  // button clicks it, and is consumed (true).
  bool ApplicationEvents1ShortCut(const MSG& message);

  void ButtonExitClick() { RequestClose(); }
  void LabelReportClick();
  // "Coverage..." of the context menu over the model group: the picture of
  // where the model the box names has heights, in a window of its own.
  void ShowModelCoverage();
  // The coverage window once it has been asked for, else null.
  PictureWindow* CoverageWindow() const { return coverage_.get(); }
  void DropFiles(const std::vector<std::string>& paths);

  // Closes the window, or, while a handler is running, as soon as it ends.
  void RequestClose();
  void RunHandler(const std::function<void()>& handler);
  bool Closed() const { return closed_; }

  const std::string& StatusText() const { return statusText_; }
  void SetStatusText(const std::string& text);
  // The font of every control of both windows, at the window's resolution.
  void SetFont(const FontChoice& font);
  HFONT Font() const { return font_; }
  // The busy (hourglass) cursor over the program's windows.
  void SetBusy(bool busy) { busy_ = busy; }
  bool Busy() const { return busy_; }
  // Dots per inch of the monitor the window is on.
  int Dpi() const { return dpi_; }
  // The remembered focus while a batch has Convert disabled.
  void SetConvertEnabled(bool enabled);
  // Gives the control the focus, a push button the default-button look.
  void FocusControl(HWND control);

  HWND Handle = nullptr;
  HWND GroupBoxSelect = nullptr, Label4 = nullptr, ComboBoxGeoid = nullptr,
       CheckBoxSpline = nullptr, LabelWaiting = nullptr;
  HWND GroupBoxCkeck = nullptr, Label1 = nullptr, EditLat = nullptr, Label2 = nullptr,
       EditLon = nullptr, Label3 = nullptr, EditGeoid = nullptr, ButtonCalc = nullptr;
  HWND Label5 = nullptr, EditSorce = nullptr, ButtonBrowse = nullptr, LabelReport = nullptr,
       ButtonConvert = nullptr, ButtonExit = nullptr, StatusBar1 = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle_(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void CreateHints();
  void Layout();
  void SizeReportLabel();
  void SizeModelListRows();
  // Takes dropped files again after a batch, or refuses them while it runs.
  void TakeDroppedFiles(bool take);
  void OnCommand(int id, int code);
  void OnDropFiles(HDROP drop);
  // The context menu at screen point (x, y) when it lies on the model
  // group; false elsewhere.
  bool OfferCoverage(int x, int y);
  void FormActivate();
  void CommitModelText();
  void SelectModel();
  void ApplyFont();

  SettingsLocation where_;
  std::vector<std::string> parameters_;
  TFormReport* report_ = nullptr;
  std::unique_ptr<PictureWindow> coverage_;
  HWND hints_ = nullptr;
  FontChoice fontChoice_;
  HFONT font_ = nullptr;
  bool busy_ = false;
  int dpi_ = 96;
  std::string statusText_;
  HandlerRunner handlers_{[this] { RequestClose(); }};
  bool closed_ = false;
  bool filesRefusedForBatch_ = false;  // taken again once the batch has ended
  HWND focusBeforeBatch_ = nullptr, focusMovedTo_ = nullptr;
  HWND lastFocus_ = nullptr;  // the focused control when the window was last left
};

// Scaled from the designed 96 dots per inch.
int Scaled(int pixels, int dpi);

// Registers the window classes of the program (once per process).
void RegisterWindowClasses();

}  // namespace orthelev::win32
