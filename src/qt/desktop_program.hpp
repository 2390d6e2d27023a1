#pragma once
// The desktop program's windows: the main window, created first, then the
// report window, with the window services installed on them and the
// application-wide Esc hook. One at a time.

#include <string>
#include <vector>

#include <QObject>

#include "qt/form_main.hpp"
#include "qt/form_profile.hpp"
#include "qt/form_report.hpp"
#include "qt/qt_window_services.hpp"
#include "settings/settings_location.hpp"

namespace orthelev {

// Sets AbortRequested on every Esc key press in any window of the program;
// the key goes on to its widget.
class EscapeKeyHook : public QObject {
  Q_OBJECT

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class DesktopProgram {
 public:
  // Needs the QApplication. `where` locates the settings file; `parameters`
  // are the command-line parameters after the program name.
  DesktopProgram(const SettingsLocation& where, std::vector<std::string> parameters);
  ~DesktopProgram();
  DesktopProgram(const DesktopProgram&) = delete;
  DesktopProgram& operator=(const DesktopProgram&) = delete;

  TFormMain FormMain;
  TFormReport FormReport;
  TFormProfile FormProfile;

 private:
  QtWindowServices services_;
  EscapeKeyHook escapeKeyHook_;
};

}  // namespace orthelev
