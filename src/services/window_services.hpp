#pragma once
// The only way the logic (geoid models, conversions, settings) reaches the
// windows: status bar, pending events, report, message boxes, busy cursor,
// the few main-window controls the logic reads or writes, and the
// program-wide flags (ProgramFlags).
//
// Implementations: the Qt windows (desktop program), ConsoleWindowServices
// (console front end) and RecordingWindowServices (tests). Texts are UTF-8
// byte strings; a CR LF inside a report text starts a new report line.

#include <string>
#include <vector>

namespace orthelev {

enum class MessageKind { Warning, Error, Information, Confirmation, Custom };
enum class MessageButton { Ok = 1 };

enum class WindowState { Normal, Minimized };

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// The remembered folder, file name and filter of one use of the file dialog.
// The filter is "description|pattern|description|pattern...", patterns of
// one description separated by ";".
struct SDialog {
  std::string SInitDir;
  std::string SFileName;
  std::string SFilter;
};

struct FontChoice {
  int charset = 0;
  std::string name = "Tahoma";
  int sizePoints = 8;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Status bar (the first and only panel).
  virtual void SetStatusText(const std::string& text) = 0;
  virtual std::string StatusText() const = 0;
  // Handles every waiting window event; the only point at which Esc can set
  // AbortRequested during a long operation.
  virtual void ProcessPendingEvents() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // The status text shown now is the last one of a piece of work (a file of
  // a batch, the conversion of a model's grid): a window goes on showing it,
  // a console ends its status line there.
  virtual void EndStatus() {}

  // Report window.
  virtual void AppendReportLine(const std::string& text) = 0;
  virtual void ClearReport() = 0;
  virtual void ShowReport() = 0;

  // Modal message box; every caller passes Error and Ok and ignores the result.
  virtual MessageButton ShowMessageBox(const std::string& text,
                                       MessageKind kind = MessageKind::Error,
                                       MessageButton buttons = MessageButton::Ok,
                                       int helpContext = 0) = 0;

  // The file-open dialog (one file per choice), opened in dialog.SInitDir
  // with dialog.SFileName and dialog.SFilter. Afterwards `dialog` holds the
  // file name (the chosen file's full path after a confirmed choice, the old
  // name after a cancel) and the dialog's filter; SInitDir stays as it was
  // (callers take the new folder from the file name). `chosen` holds the
  // full paths of the chosen files. True when the user confirmed.
  virtual bool RunOpenDialog(SDialog& dialog, std::vector<std::string>& chosen) = 0;

  // ComboBoxGeoid.
  virtual std::string GeoidModelText() const = 0;
  virtual void SetGeoidModelText(const std::string& text) = 0;
  virtual void SetGeoidModelItems(const std::vector<std::string>& items) = 0;
  virtual std::string GeoidModelItem(int index) const = 0;            // "" past the end
  virtual int FindGeoidModelItem(const std::string& text) const = 0;  // -1 when none
  virtual void ClearGeoidModelSelection() = 0;

  // CheckBoxSpline.
  virtual bool SplineChecked() const = 0;
  virtual void SetSplineChecked(bool checked) = 0;
  virtual bool SplineVisible() const = 0;
  virtual void SetSplineVisible(bool visible) = 0;

  // Labels and edits.
  virtual void SetWaitingText(const std::string& text) = 0;  // LabelWaiting
  virtual std::string LatitudeText() const = 0;              // EditLat
  virtual void SetLatitudeText(const std::string& text) = 0;
  virtual std::string LongitudeText() const = 0;  // EditLon
  virtual void SetLongitudeText(const std::string& text) = 0;
  virtual void SetGeoidText(const std::string& text) = 0;  // EditGeoid
  virtual std::string SourceText() const = 0;              // EditSorce
  virtual void SetSourceText(const std::string& text) = 0;
  virtual bool ConvertEnabled() const = 0;  // ButtonConvert
  virtual void SetConvertEnabled(bool enabled) = 0;

  // The main window's caption.
  virtual void SetMainCaption(const std::string& caption) = 0;
  // From now on files dropped on the main window start a batch.
  virtual void AcceptDroppedFiles() = 0;
  // The general error display for a failure that escaped a handler: a modal
  // box titled with the program's title, stop symbol, OK. The text comes
  // ready (see GeneralErrorText).
  virtual void ShowGeneralError(const std::string& text) = 0;

  // The main window, in screen pixels.
  virtual int MainTop() const = 0;
  virtual int MainLeft() const = 0;
  virtual void SetMainTopLeft(int top, int left) = 0;
  virtual ScreenRect MainRect() const = 0;  // outer rectangle
  // Work area (without task bars) of the monitor nearest the main window.
  virtual ScreenRect WorkArea() const = 0;
  // Horizontal display resolution of the main window, dots per inch.
  virtual int DisplayDpi() const = 0;
  virtual void SetMainWindowState(WindowState state) = 0;
  virtual void RestoreApplication() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  virtual void FocusBrowseButton() = 0;
  virtual void CloseMainWindow() = 0;
  virtual void SetFont(const FontChoice& font) = 0;  // main and report windows
};

// The window services the logic calls. Until one is installed, a silent
// in-memory implementation answers (message boxes OK at once).
WindowServices& Window();
// Installs services (not owned); nullptr goes back to the silent default.
void InstallWindowServices(WindowServices* services);

}  // namespace orthelev
