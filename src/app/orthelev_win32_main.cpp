// The desktop program on Windows: the native main window and report window
// over the conversions, geoid models and settings.

#include <string>
#include <vector>

#include "import/custom_cache.hpp"
#include "models/model_selection.hpp"
#include "platform/platform.hpp"
#include "program/program.hpp"
#include "program/settings_store.hpp"
#include "settings/settings_location.hpp"
#include "win32/desktop_program.hpp"
#include "win32/dialogs.hpp"

int main(int argc, char* argv[]) {
  orthelev::SetNumberFormat();
  const std::vector<std::string> arguments = orthelev::platform::CommandLineArguments(argc, argv);
  std::vector<std::string> parameters(arguments.begin() + (arguments.empty() ? 0 : 1),
                                      arguments.end());
  const orthelev::SettingsLocation where = orthelev::CurrentSettingsLocation();
  // A program without a console answers --help and --version in a box.
  const std::string answer = orthelev::InformationRequestAnswer(parameters);
  if (!answer.empty()) {
    orthelev::win32::ShowMessageBoxOver(nullptr, orthelev::MessageKind::Custom, answer,
                                        orthelev::ProgramTitle(where.programFile));
    return 0;
  }
  // The Custom Geoid model takes any grid the import reads (ISG, .pgm, ...).
  orthelev::InstallCustomGridPreparer(orthelev::PrepareCustomGrid,
                                      orthelev::ImportedGridPatterns());
  orthelev::win32::DesktopProgram program(where, std::move(parameters));
  return program.Run();
}
