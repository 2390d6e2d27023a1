// The desktop program on Windows: the native main window and report window
// over the conversions, geoid models and settings.

#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "settings/settings_location.hpp"
#include "settings/settings_store.hpp"
#include "win32/desktop_program.hpp"

int main(int argc, char* argv[]) {
  orthelev::SetNumberFormat();
  const std::vector<std::string> arguments = orthelev::platform::CommandLineArguments(argc, argv);
  std::vector<std::string> parameters(arguments.begin() + (arguments.empty() ? 0 : 1),
                                      arguments.end());
  orthelev::win32::DesktopProgram program(orthelev::CurrentSettingsLocation(),
                                          std::move(parameters));
  return program.Run();
}
