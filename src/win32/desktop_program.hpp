#pragma once
// The desktop program's native windows: the main window, created first, then
// the report window, with the window services installed on them; and the
// message loop with its idle moment. One at a time.

#include <string>
#include <vector>

#include "settings/settings_location.hpp"
#include "win32/form_main.hpp"
#include "win32/form_report.hpp"
#include "win32/picture_window.hpp"
#include "win32/win32_window_services.hpp"

namespace orthelev::win32 {

class DesktopProgram {
 public:
  // `where` locates the settings file; `parameters` are the command-line
  // parameters after the program name.
  DesktopProgram(const SettingsLocation& where, std::vector<std::string> parameters);
  ~DesktopProgram();
  DesktopProgram(const DesktopProgram&) = delete;
  DesktopProgram& operator=(const DesktopProgram&) = delete;

  // Handles messages until the main window has closed; the exit status.
  int Run();
  // Handles the waiting messages, then the idle moment once; false when the
  // program was asked to quit.
  bool RunOnce();

  TFormMain FormMain;
  TFormReport FormReport;
  PictureWindow FormProfile{L"Profile", true};

 private:
  Win32WindowServices services_;
};

}  // namespace orthelev::win32
