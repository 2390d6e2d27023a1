#pragma once
// Window services without windows: every control value is held in memory and
// reads back as last set; status, report and message boxes go nowhere.
// Base of the console and the test implementations.

#include "services/window_services.hpp"

namespace orthelev {

// The position of the first entry equal to `text`, letters compared without
// regard to case; -1 when none.
int FindEntryIgnoringCase(const std::vector<std::string>& entries, const std::string& text);

class MemoryWindowServices : public WindowServices {
 public:
  void SetStatusText(const std::string& text) override { status_ = text; }
  std::string StatusText() const override { return status_; }
  void ProcessPendingEvents() override {}
  void SetBusyCursor(bool busy) override { busy_ = busy; }
  bool Busy() const { return busy_; }

  void AppendReportLine(const std::string&) override {}
  void ClearReport() override {}
  void ShowReport() override {}
  MessageButton ShowMessageBox(const std::string&, MessageKind, MessageButton buttons,
                               int) override {
    return buttons;
  }

  // Answers as a cancelled dialog: the record stays as it was.
  bool RunOpenDialog(SDialog&, std::vector<std::string>& chosen) override {
    chosen.clear();
    return false;
  }

  std::string GeoidModelText() const override { return modelText_; }
  void SetGeoidModelText(const std::string& text) override { modelText_ = text; }
  void SetGeoidModelItems(const std::vector<std::string>& items) override { modelItems_ = items; }
  std::string GeoidModelItem(int index) const override;
  int FindGeoidModelItem(const std::string& text) const override;
  void ClearGeoidModelSelection() override {}
  const std::vector<std::string>& GeoidModelItems() const { return modelItems_; }

  bool SplineChecked() const override { return splineChecked_; }
  void SetSplineChecked(bool checked) override { splineChecked_ = checked; }
  bool SplineVisible() const override { return splineVisible_; }
  void SetSplineVisible(bool visible) override { splineVisible_ = visible; }

  void SetWaitingText(const std::string& text) override { waiting_ = text; }
  std::string WaitingText() const { return waiting_; }
  std::string LatitudeText() const override { return lat_; }
  void SetLatitudeText(const std::string& text) override { lat_ = text; }
  std::string LongitudeText() const override { return lon_; }
  void SetLongitudeText(const std::string& text) override { lon_ = text; }
  void SetGeoidText(const std::string& text) override { geoid_ = text; }
  std::string GeoidText() const { return geoid_; }
  std::string SourceText() const override { return source_; }
  void SetSourceText(const std::string& text) override { source_ = text; }
  bool ConvertEnabled() const override { return convertEnabled_; }
  void SetConvertEnabled(bool enabled) override { convertEnabled_ = enabled; }

  void SetMainCaption(const std::string& caption) override { caption_ = caption; }
  std::string MainCaption() const { return caption_; }
  void AcceptDroppedFiles() override { acceptsDrops_ = true; }
  bool AcceptsDroppedFiles() const { return acceptsDrops_; }
  void ShowGeneralError(const std::string&) override {}

  int MainTop() const override { return rect_.top; }
  int MainLeft() const override { return rect_.left; }
  void SetMainTopLeft(int top, int left) override;
  ScreenRect MainRect() const override { return rect_; }
  ScreenRect WorkArea() const override { return workArea_; }
  void SetWorkArea(const ScreenRect& area) { workArea_ = area; }
  void SetMainSize(int width, int height) {
    rect_.right = rect_.left + width;
    rect_.bottom = rect_.top + height;
  }
  int DisplayDpi() const override { return dpi_; }
  void SetDisplayDpi(int dpi) { dpi_ = dpi; }
  void SetMainWindowState(WindowState state) override { state_ = state; }
  void RestoreApplication() override { state_ = WindowState::Normal; }
  void ShowMainWindow() override { visible_ = true; }
  void HideMainWindow() override { visible_ = false; }
  void FocusBrowseButton() override {}
  void CloseMainWindow() override { closed_ = true; }
  void SetFont(const FontChoice& font) override { font_ = font; }

  bool MainVisible() const { return visible_; }
  bool MainClosed() const { return closed_; }
  WindowState MainState() const { return state_; }
  const FontChoice& Font() const { return font_; }

 private:
  std::string status_;
  bool busy_ = false;
  // The designed values of the main window's controls.
  std::string modelText_ = "EGM2008 2.5'x2.5'";
  std::vector<std::string> modelItems_;
  bool splineChecked_ = false;
  bool splineVisible_ = true;
  std::string waiting_;
  std::string lat_ = "35 40 37.8";
  std::string lon_ = "139 44 52.3";
  std::string geoid_;
  std::string source_;
  bool convertEnabled_ = true;
  ScreenRect rect_{0, 0, 550, 220};
  ScreenRect workArea_{0, 0, 1920, 1040};
  int dpi_ = 96;
  WindowState state_ = WindowState::Normal;
  bool visible_ = false;
  bool closed_ = false;
  FontChoice font_;
  std::string caption_;
  bool acceptsDrops_ = false;
};

}  // namespace orthelev
