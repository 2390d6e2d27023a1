#pragma once
// Setting and removing environment variables of the test process, on every
// system (Windows has _putenv_s where POSIX has setenv and unsetenv).

#include <cstdlib>
#include <string>

namespace orthelev::testing {

inline void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

inline void UnsetEnvironment(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

}  // namespace orthelev::testing
