// The desktop program: the main window and the report window over the
// conversions, geoid models and settings.

#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>

#include "import/custom_cache.hpp"
#include "models/model_selection.hpp"
#include "platform/platform.hpp"
#include "program/program.hpp"
#include "program/settings_store.hpp"
#include "qt/desktop_program.hpp"
#include "settings/settings_location.hpp"

namespace {

// --help or --version answered on standard output; false when neither was asked.
bool AnsweredInformationRequest(int argc, char* argv[]) {
  const std::string answer =
      orthelev::InformationRequestAnswer(std::vector<std::string>(argv + 1, argv + argc));
  if (answer.empty()) return false;
  std::fputs(answer.c_str(), stdout);
  return true;
}

// The file names and switches after the program's name, as UTF-8 texts.
std::vector<std::string> Parameters(int argc, char* argv[]) {
#ifdef _WIN32
  // argv is in the ANSI code page; Qt's arguments come from the wide-character
  // command line (without the options Qt took).
  (void)argc;
  (void)argv;
  std::vector<std::string> parameters;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) parameters.push_back(arguments[i].toStdString());
  return parameters;
#else
  return std::vector<std::string>(argv + 1, argv + argc);  // the bytes as they are
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AnsweredInformationRequest(argc, argv)) return 0;
  orthelev::platform::LetFileSizeLimitFailWrites();
  QApplication application(argc, argv);             // takes its own options out of argv
  QGuiApplication::setDesktopFileName("orthelev");  // the installed desktop entry
  QApplication::setWindowIcon(QIcon::fromTheme("orthelev"));
  // QApplication has switched the process to the user's locale; numbers
  // stay "." (the settings load makes sure of it again).
  orthelev::SetNumberFormat();
  // The Custom Geoid model takes any grid the import reads (GTX, GeoTIFF, ...).
  orthelev::InstallCustomGridPreparer(orthelev::PrepareCustomGrid,
                                      orthelev::ImportedGridPatterns());
  const std::vector<std::string> parameters = Parameters(argc, argv);
  orthelev::DesktopProgram program(orthelev::CurrentSettingsLocation(), parameters);
  // The program ends when its main window closes, and only then: a helper
  // window closed while the main window is hidden is not the last one.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(
      &program.FormMain, &orthelev::TFormMain::closed, &application,
      [] { QCoreApplication::exit(orthelev::DesktopExitStatus()); }, Qt::QueuedConnection);
  return application.exec();
}
