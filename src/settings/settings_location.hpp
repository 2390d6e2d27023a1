#pragma once
// Where the settings file lives: "<base name>.ini" beside the program file
// when the program's folder can be written, else in the per-user
// configuration folder "<config home>/<base name>/", taking over a copy
// beside the program that is newer than the per-user one.
//
// The running program, the base name and the configuration folder come in a
// SettingsLocation, so that tests can point them at temporary folders.

#include <cstdint>
#include <functional>
#include <string>

namespace orthelev {

// True when a new file can be created in `folder`: creates a uniquely named
// empty file whose name begins with "$$$" there and deletes it again.
bool ProbeFolderWritable(const std::string& folder);

// True for the folders of an installed system, under "/usr/" or "/opt/":
// they may be writable for root, but a package's folder is not the place
// for one user's settings.
bool IsInstallationFolder(const std::string& folder);

// ProbeFolderWritable, false for an installation folder: the decision of
// the running program.
bool SettingsFolderWritable(const std::string& folder);

struct SettingsLocation {
  std::string programFile;  // full path of the running program file
  std::string baseName;     // names the settings file and the per-user folder
  std::string configHome;   // per-user configuration folder; "" when none is known
  // Decides whether the settings file's folder can be written.
  std::function<bool(const std::string& folder)> folderWritable = ProbeFolderWritable;
};

// Full path of the running program file ("" when the platform does not tell).
std::string RunningProgramFile();

// The program's folder: the path up to and including its last "/" ("./"
// for a bare file name).
std::string ProgramFolder(const std::string& programFile);

// The running program with the per-user configuration folder
// (platform::UserConfigFolder: %APPDATA% on Windows, else XDG_CONFIG_HOME
// or HOME's ".config"). `baseName` "" means the program file's name without its
// last extension; the console front end passes "orthelev" to share the
// desktop program's settings file.
SettingsLocation CurrentSettingsLocation(const std::string& baseName = "");

// A settings path, or the text telling why there is none.
struct SettingsPathResult {
  bool ok = false;
  std::string path;   // when ok
  std::string error;  // when not: "Cannot create : <folder>" or "Cannot Copy : <file>"
};

// The settings file to use for `name`: "" gives "<base name>.ini" in the
// program's folder; a name holding a separator or ":" is made into a full path from
// the current folder; any other name is taken in the program's folder. The
// path then goes through RelocateSettingsFile. May create the per-user
// folder and copy the file beside the program into it.
SettingsPathResult SettingsFilePath(const std::string& name, const SettingsLocation& where);

// `path` itself when its folder can be written. Otherwise the file of the
// same name in "<config home>/<base name>/", which is created when missing
// (failure: "Cannot create : " + that folder, with its trailing "/"); when a
// file exists at `path` and is newer than the per-user one (NewestFileTime),
// it is copied over it first (failure: "Cannot Copy : " + the per-user file).
SettingsPathResult RelocateSettingsFile(const std::string& path, const SettingsLocation& where);

// The later of the file's creation (birth) time and last-write time, in
// nanoseconds since 1970-01-01 UTC; 0 when the file is missing, cannot be
// opened for reading or its times cannot be read. Real times are above 0.
std::int64_t NewestFileTime(const std::string& path);

}  // namespace orthelev
