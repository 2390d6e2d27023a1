#pragma once
// The report window: one multi-line text control filling a window of its
// own, hidden until shown, hidden again (not destroyed) when closed.

#include <string>
#include <windows.h>

namespace orthelev::win32 {

class PictureWindow;

class TFormReport {
 public:
  // `owner`: the main window, over which the report is centred when shown.
  explicit TFormReport(HWND owner);
  ~TFormReport();
  TFormReport(const TFormReport&) = delete;
  TFormReport& operator=(const TFormReport&) = delete;

  void AppendReportLine(const std::string& text);
  void ClearReport();
  // Visible and in front; centred over the main window when it was hidden.
  void ShowReport();
  std::string ReportText() const;
  // The report's font, and its profile window's.
  void SetFont(HFONT font);
  // The profile window, shown beside the report with it and hidden with it
  // (not owned).
  void SetProfileWindow(PictureWindow* profile) { profile_ = profile; }

  HWND Handle = nullptr;
  HWND Memo1 = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND owner_;
  bool appendedSinceClear_ = false;
  PictureWindow* profile_ = nullptr;
};

}  // namespace orthelev::win32
