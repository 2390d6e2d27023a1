// The platform services that are the same on every system.
#include <cstring>

#include "platform/platform.hpp"

namespace orthelev::platform {

std::filesystem::path PathOf(const std::string& path) {
  // Built from UTF-8 code units, so that Windows gets the wide-character
  // name and not one read in the ANSI code page.
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::string XdgFolderFrom(const char* xdgValue, const char* home, const char* inHome) {
  const auto absolute = [](const char* path) { return path != nullptr && path[0] == '/'; };
  if (absolute(xdgValue)) return xdgValue;
  if (!absolute(home)) return "";
  const bool separated = home[std::strlen(home) - 1] == '/';
  return std::string(home) + (separated ? "" : "/") + inHome;
}

std::string ConfigHomeFrom(const char* xdgConfigHome, const char* home) {
  return XdgFolderFrom(xdgConfigHome, home, ".config");
}

std::string ErrorText(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace orthelev::platform
