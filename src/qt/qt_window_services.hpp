#pragma once
// The window services on the real windows: the main window's controls and
// status bar, the report window, message boxes, the file dialog, the busy
// cursor and the event loop.

#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "services/window_services.hpp"

namespace orthelev {

class TFormMain;
class TFormReport;

class QtWindowServices : public WindowServices {
 public:
  // `programTitle` titles the general error display.
  QtWindowServices(TFormMain& formMain, TFormReport& formReport, std::string programTitle);
  ~QtWindowServices() override;

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
  bool busy_ = false;
  // Where the focus was when a batch disabled Convert, and where that moved it.
  QPointer<QWidget> focusBeforeBatch_, focusMovedTo_;
};

}  // namespace orthelev
