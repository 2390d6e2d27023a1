#include "win32/desktop_program.hpp"

#include "program/program.hpp"
#include "services/window_services.hpp"

namespace orthelev::win32 {

DesktopProgram::DesktopProgram(const SettingsLocation& where, std::vector<std::string> parameters)
    : FormMain(where, std::move(parameters)),
      FormReport(FormMain.Handle),
      services_(FormMain, FormReport, ProgramTitle(where.programFile)) {
  FormMain.SetReportWindow(&FormReport);
  FormReport.SetProfileWindow(&FormProfile);
  FormReport.SetFont(FormMain.Font());  // the main window's font, now and whenever it changes
  InstallWindowServices(&services_);
}

DesktopProgram::~DesktopProgram() { InstallWindowServices(nullptr); }

bool DesktopProgram::RunOnce() {
  if (!PumpWaitingMessages(FormMain)) return false;
  FormMain.ApplicationEvents1Idle();
  return PumpWaitingMessages(FormMain);
}

int DesktopProgram::Run() {
  while (RunOnce()) WaitMessage();
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  return DesktopExitStatus();
}

}  // namespace orthelev::win32
