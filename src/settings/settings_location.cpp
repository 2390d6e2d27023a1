#include "settings/settings_location.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/file_io.hpp"
#include "base/paths.hpp"
#include "platform/platform.hpp"

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

SettingsPathResult Failure(std::string text) { return {false, "", std::move(text)}; }

}  // namespace

bool ProbeFolderWritable(const std::string& folder) {
  std::string name = WithTrailingSeparator(folder) + "$$$XXXXXX.tmp";
  const int fd = platform::CreateUniqueFile(name, 4);
  if (fd < 0) return false;
  platform::CloseFile(fd);
  // The folder took a new file, so it can be written whether or not this
  // clean-up succeeds; there is nothing better to do if it does not.
  platform::RemoveFile(name);
  return true;
}

std::string RunningProgramFile() { return platform::RunningProgramFile(); }

std::string ProgramFolder(const std::string& programFile) { return FolderOf(programFile); }

bool IsInstallationFolder(const std::string& folder) {
  return folder.starts_with("/usr/") || folder.starts_with("/opt/");
}

bool SettingsFolderWritable(const std::string& folder) {
  return !IsInstallationFolder(folder) && ProbeFolderWritable(folder);
}

SettingsLocation CurrentSettingsLocation(const std::string& baseName) {
  SettingsLocation where;
  where.folderWritable = SettingsFolderWritable;
  where.programFile = RunningProgramFile();
  where.baseName = baseName.empty() ? BaseNameOf(where.programFile) : baseName;
  where.configHome = platform::UserConfigFolder();
  return where;
}

SettingsPathResult SettingsFilePath(const std::string& name, const SettingsLocation& where) {
  std::string path;
  if (name.empty())
    path = ProgramFolder(where.programFile) + BaseNameOf(where) + ".ini";
  else if (FileNameStart(name) > 0 || name.find(':') != std::string::npos)
    path = AbsolutePath(name);
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
  const std::filesystem::path folderPath = platform::PathOf(folder);
  if (!std::filesystem::is_directory(folderPath, error)) {
    std::filesystem::create_directories(folderPath, error);
    if (error || !std::filesystem::is_directory(folderPath, error))
      return Failure("Cannot create : " + folder);
  }

  const std::string target = folder + FileNameOf(path);
  std::string copyError;
  if (NewestFileTime(path) > NewestFileTime(target) && !CopyFileReplacing(path, target, copyError))
    return Failure("Cannot Copy : " + target);
  return {true, target, ""};
}

std::int64_t NewestFileTime(const std::string& path) {
  const int fd = platform::OpenForReading(path);
  if (fd < 0) return 0;
  platform::FileStatus info;
  const bool read = platform::StatusOf(fd, info);
  platform::CloseFile(fd);  // opened only to read its times
  if (!read || info.kind != platform::FileKind::Regular) return 0;
  // Even a time before 1970 beats a missing file.
  return std::max<std::int64_t>(std::max(info.modifiedNs, info.createdNs), 1);
}

}  // namespace orthelev
