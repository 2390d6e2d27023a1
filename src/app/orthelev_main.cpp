// The desktop program: the main window and the report window over the
// conversions, geoid models and settings.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>

#include "qt/desktop_program.hpp"
#include "settings/settings.hpp"
#include "settings/settings_location.hpp"
#include "settings/settings_store.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: orthelev [FILE]... [/H] [/Q]\n"
    "Corrects the heights in GPS logs (NMEA and CSV) with a geoid model.\n"
    "\n"
    "  FILE             a log to convert at once, with the model and settings\n"
    "                   of the settings file\n"
    "  /H, --hidden     start hidden: no main window, no report window\n"
    "  /Q, --quit       close the program when the files are converted\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "A switch is \"/\" and letters naming no existing file; its last letter\n"
    "counts. Switches take effect only when files are named.\n";

// --help or --version answered on standard output; false when neither was asked.
bool AnsweredInformationRequest(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", orthelev::VersionTitle().c_str());
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AnsweredInformationRequest(argc, argv)) return 0;
  QApplication application(argc, argv);             // takes its own options out of argv
  QGuiApplication::setDesktopFileName("orthelev");  // the installed desktop entry
  QApplication::setWindowIcon(QIcon::fromTheme("orthelev"));
  // QApplication has switched the process to the user's locale; numbers
  // stay "." (the settings load makes sure of it again).
  orthelev::SetNumberFormat();
  const std::vector<std::string> parameters(argv + 1, argv + argc);
  orthelev::DesktopProgram program(orthelev::CurrentSettingsLocation(), parameters);
  QObject::connect(&program.FormMain, &orthelev::TFormMain::closed, &application,
                   &QCoreApplication::quit, Qt::QueuedConnection);
  return application.exec();
}
