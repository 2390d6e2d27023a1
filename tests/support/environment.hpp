#pragma once
// Setting and removing environment variables of the test process, on every
// system (Windows has _putenv_s where POSIX has setenv and unsetenv).

#include <cstdlib>
#include <optional>
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

// Sets a variable for the life of the object, then gives back its old value.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetEnvironment(name, value);
  }
  ~ScopedEnvironment() {
    if (old_)
      SetEnvironment(name_, *old_);
    else
      UnsetEnvironment(name_);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace orthelev::testing
