#include <string>
#include <vector>

#include "console/cli.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
  orthelev::platform::LetFileSizeLimitFailWrites();
  // UTF-8 texts on every system (Windows hands argv over in its ANSI code page).
  std::vector<std::string> arguments = orthelev::platform::CommandLineArguments(argc, argv);
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return orthelev::RunCli(static_cast<int>(arguments.size()), pointers.data());
}
