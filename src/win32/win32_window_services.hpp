#pragma once
// The window services on the native windows: the main window's controls and
// status bar, the report window, the system's message boxes and file
// dialog, the busy cursor and the message loop.

#include <string>
#include <vector>

#include "services/window_services.hpp"

namespace orthelev::win32 {

class TFormMain;
class TFormReport;

// Handles every waiting message of the thread, keys first through the main
// window's key hook. False when the program was asked to quit (the quit
// message is left for the outer loop).
bool PumpWaitingMessages(TFormMain& main);

class Win32WindowServices : public WindowServices {
 public:
  // `programTitle` titles the general error display and custom boxes.
  Win32WindowServices(TFormMain& formMain, TFormReport& formReport, std::string programTitle);
  ~Win32WindowServices() override;

  void SetStatusText(const std::string& text) override;
  std::string StatusText() const override;
  void ProcessPendingEvents() override;
  void SetBusyCursor(bool busy) override;

  void AppendReportLine(const std::string& text) override;
  void ClearReport() override;
  void ShowReport() override;

  MessageButton ShowMessageBox(const std::string& text, MessageKind kind, MessageButton buttons,
                               int helpContext) override;
  bool RunOpenDialog(SDialog& dialog, std::vector<std::string>& chosen) override;

  std::string GeoidModelText() const override;
  void SetGeoidModelText(const std::string& text) override;
  void SetGeoidModelItems(const std::vector<std::string>& items) override;
  std::string GeoidModelItem(int index) const override;
  int FindGeoidModelItem(const std::string& text) const override;
  void ClearGeoidModelSelection() override;

  bool SplineChecked() const override;
  void SetSplineChecked(bool checked) override;
  bool SplineVisible() const override;
  void SetSplineVisible(bool visible) override;

  void SetWaitingText(const std::string& text) override;
  std::string LatitudeText() const override;
  void SetLatitudeText(const std::string& text) override;
  std::string LongitudeText() const override;
  void SetLongitudeText(const std::string& text) override;
  void SetGeoidText(const std::string& text) override;
  std::string SourceText() const override;
  void SetSourceText(const std::string& text) override;
  bool ConvertEnabled() const override;
  void SetConvertEnabled(bool enabled) override;

  void SetMainCaption(const std::string& caption) override;
  void AcceptDroppedFiles() override;
  void ShowGeneralError(const std::string& text) override;

  int MainTop() const override;
  int MainLeft() const override;
  void SetMainTopLeft(int top, int left) override;
  ScreenRect MainRect() const override;
  ScreenRect WorkArea() const override;
  int DisplayDpi() const override;
  void SetMainWindowState(WindowState state) override;
  void RestoreApplication() override;
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void FocusBrowseButton() override;
  void CloseMainWindow() override;
  void SetFont(const FontChoice& font) override;

 private:
  TFormMain& main_;
  TFormReport& report_;
  std::string programTitle_;
};

}  // namespace orthelev::win32
