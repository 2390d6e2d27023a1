#include "base/paths.hpp"

#include <filesystem>
#include <system_error>

#include "platform/platform.hpp"

namespace orthelev {

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  if (c == '\\') return true;
#endif
  return c == '/';
}

}  // namespace

std::size_t FileNameStart(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return i;
}

std::string FileNameOf(std::string_view path) {
  return std::string(path.substr(FileNameStart(path)));
}

std::string FolderOf(std::string_view path) {
  const std::size_t start = FileNameStart(path);
  return start == 0 ? std::string("./") : std::string(path.substr(0, start));
}

std::string WithTrailingSeparator(std::string folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) folder += '/';
  return folder;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(platform::PathOf(path), error);
  return error ? path : platform::Utf8Of(absolute.lexically_normal());
}

}  // namespace orthelev
