#include "qt/desktop_program.hpp"

#include <QApplication>
#include <QKeyEvent>

#include "conversion/batch.hpp"
#include "flags/program_flags.hpp"
#include "program/program.hpp"
#include "services/window_services.hpp"

namespace orthelev {

bool EscapeKeyHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    TheFlags().abortRequested = true;
  return QObject::eventFilter(watched, event);
}

DesktopProgram::DesktopProgram(const SettingsLocation& where, std::vector<std::string> parameters)
    : FormMain(where, std::move(parameters)),
      services_(FormMain, FormReport, ProgramTitle(where.programFile)) {
  FormMain.SetReportWindow(&FormReport);
  FormReport.SetMainWindow(&FormMain);
  FormReport.SetProfileWindow(&FormProfile);
  InstallWindowServices(&services_);
  qApp->installEventFilter(&escapeKeyHook_);
}

DesktopProgram::~DesktopProgram() {
  qApp->removeEventFilter(&escapeKeyHook_);
  InstallWindowServices(nullptr);
}

}  // namespace orthelev
