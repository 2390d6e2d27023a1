#include "settings/settings_location.hpp"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "base/file_io.hpp"
#include "base/paths.hpp"

namespace orthelev {
namespace {

// The program file's name without its last extension.
std::string BaseNameOf(const std::string& programFile) {
  std::string name = FileNameOf(programFile);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string BaseNameOf(const SettingsLocation& where) {
  return where.baseName.empty() ? BaseNameOf(where.programFile) : where.baseName;
}

std::string FullPath(const std::string& name) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(name, error);
  return error ? name : full.lexically_normal().string();
}

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir)
    return found->pw_dir;
  return "";
}

std::int64_t Nanoseconds(const statx_timestamp& time) {
  constexpr std::int64_t kPerSecond = 1'000'000'000;
  constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::int64_t>::max() / kPerSecond - 1;
  if (time.tv_sec > kMaxSeconds) return std::numeric_limits<std::int64_t>::max();
  return time.tv_sec * kPerSecond + time.tv_nsec;
}

SettingsPathResult Failure(std::string text) { return {false, "", std::move(text)}; }

}  // namespace

bool ProbeFolderWritable(const std::string& folder) {
  std::string name = WithTrailingSeparator(folder) + "$$$XXXXXX.tmp";
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return false;
  ::close(fd);
  // The folder took a new file, so it can be written whether or not this
  // clean-up succeeds; there is nothing better to do if it does not.
  ::unlink(name.c_str());
  return true;
}

std::string ConfigHomeFrom(const char* xdgConfigHome, const char* home) {
  if (IsAbsolute(xdgConfigHome)) return xdgConfigHome;
  if (IsAbsolute(home)) return WithTrailingSeparator(home) + ".config";
  return "";
}

std::string RunningProgramFile() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "";
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string ProgramFolder(const std::string& programFile) { return FolderOf(programFile); }

SettingsLocation CurrentSettingsLocation(const std::string& baseName) {
  SettingsLocation where;
  where.programFile = RunningProgramFile();
  where.baseName = baseName.empty() ? BaseNameOf(where.programFile) : baseName;
  const std::string home = HomeFolder();
  where.configHome = ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), home.c_str());
  return where;
}

SettingsPathResult SettingsFilePath(const std::string& name, const SettingsLocation& where) {
  std::string path;
  if (name.empty())
    path = ProgramFolder(where.programFile) + BaseNameOf(where) + ".ini";
  else if (name.find_first_of("/:") != std::string::npos)
    path = FullPath(name);
  else
    path = ProgramFolder(where.programFile) + name;
  return RelocateSettingsFile(path, where);
}

SettingsPathResult RelocateSettingsFile(const std::string& path, const SettingsLocation& where) {
  const std::string folderOfPath = FolderOf(path);
  if (where.folderWritable ? where.folderWritable(folderOfPath) : ProbeFolderWritable(folderOfPath))
    return {true, path, ""};

  std::string configHome = where.configHome;
  while (configHome.size() > 1 && configHome.back() == '/') configHome.pop_back();
  const std::string folder =
      (configHome.empty() ? "" : WithTrailingSeparator(configHome)) + BaseNameOf(where) + "/";
  if (configHome.empty()) return Failure("Cannot create : " + folder);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
      return Failure("Cannot create : " + folder);
  }

  const std::string target = folder + FileNameOf(path);
  std::string copyError;
  if (NewestFileTime(path) > NewestFileTime(target) && !CopyFileReplacing(path, target, copyError))
    return Failure("Cannot Copy : " + target);
  return {true, target, ""};
}

std::int64_t NewestFileTime(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct statx info {};
  const bool read =
      ::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_MTIME | STATX_BTIME, &info) == 0;
  ::close(fd);  // opened only to read its times
  if (!read || !(info.stx_mask & STATX_MTIME) || !S_ISREG(info.stx_mode)) return 0;
  std::int64_t newest = Nanoseconds(info.stx_mtime);
  if (info.stx_mask & STATX_BTIME) newest = std::max(newest, Nanoseconds(info.stx_btime));
  return std::max<std::int64_t>(newest, 1);  // even a time before 1970 beats a missing file
}

}  // namespace orthelev
