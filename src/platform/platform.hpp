#pragma once
// The few services of the operating system the program needs, behind one
// interface with a POSIX implementation (posix.cpp) and a Windows one
// (windows.cpp). Nothing above this folder calls the system directly.
//
// Paths are UTF-8 text everywhere; on Windows they become wide-character
// names at each call. Files are descriptors of the C runtime, always opened
// in binary mode and not inherited by child processes. Failures leave the
// reason in errno, so that ErrorText(errno) tells it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orthelev::platform {

// --- Files -----------------------------------------------------------------

// Opens an existing file for reading; -1 on failure.
int OpenForReading(const std::string& path);

// Opens a file for writing, creating it (permission bits 0666 less the
// umask) when missing, without truncating it; -1 on failure.
int OpenForWriting(const std::string& path);

// Creates a new file for writing; -1 on failure, with errno EEXIST when a
// file of that name exists already.
int CreateNewFile(const std::string& path);

// Creates a new file named `pattern` with its six "XXXXXX" (followed by the
// last `suffixLength` characters of the pattern) replaced by a unique text,
// writes the name used into `pattern` and returns the open descriptor; -1
// on failure.
int CreateUniqueFile(std::string& pattern, int suffixLength = 0);

// Closes the descriptor; false when the close reported a failure that may
// have lost written bytes.
bool CloseFile(int fd);

// Reads at most `most` bytes at the file's position into `to`: the count
// read, 0 at the end of the file, -1 on failure (interruptions retried).
std::int64_t ReadSome(int fd, void* to, std::size_t most);

// Reads at most `most` bytes at byte `offset` into `to`: the count read, 0
// at the end, -1 on failure. The file's position is left undefined (Windows
// moves it), so a file is read either this way or by ReadSome, not both.
std::int64_t ReadAt(int fd, void* to, std::size_t most, std::int64_t offset);

// Writes all `count` bytes, retrying short writes; false on failure.
bool WriteAll(int fd, const char* data, std::size_t count);

// Empties the open file; false on failure.
bool TruncateToEmpty(int fd);

// Flushes the file's written bytes to the disk; false on failure.
bool FlushToDisk(int fd);

// The last byte `byte` among the `count` bytes at `data`; null when there is
// none. Where the C library has memrchr it scans a word at a time.
const char* LastByte(const char* data, char byte, std::size_t count);

// --- Read-only file mappings -------------------------------------------------

// A read-only view of the first `size` bytes of an open file, shared with
// the system's file cache. `data` is null when the file could not be mapped.
struct FileView {
  const unsigned char* data = nullptr;
  std::int64_t size = 0;
  void* mapping = nullptr;  // the mapping object on Windows
  int guard = -1;           // its entry in the table of guarded views (POSIX)
  // The count of reads that found a lost page, kept by the guard; null
  // when unguarded.
  const std::atomic<std::uint64_t>* lostReads = nullptr;
};

// Maps the first `size` bytes of the open file `fd` (size > 0) for reading.
// On POSIX the view is guarded: a read of a page that the file no longer
// backs (it shrank) finds 0xFF bytes instead of ending the program, and is
// counted by LostPageReads. On Windows a file with a view cannot shrink.
FileView MapForReading(int fd, std::int64_t size);

// Releases the view (nothing when it holds none) and empties it.
void Unmap(FileView& view);

// How many reads of the view found a page the file no longer backs (read
// before every mapped read, so inline).
inline std::uint64_t LostPageReads(const FileView& view) {
  return view.lostReads != nullptr ? view.lostReads->load() : 0;
}

// --- File status -------------------------------------------------------------

enum class FileKind { Regular, Directory, Other };

// What identifies a file on its machine: two open descriptors or paths with
// equal identities are the same file, whatever names or links lead to it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileKind kind = FileKind::Other;
  std::int64_t size = 0;  // bytes
  // Last write and creation (birth) times in nanoseconds since
  // 1970-01-01 UTC; the creation time is 0 where the system does not keep it.
  std::int64_t modifiedNs = 0;
  std::int64_t createdNs = 0;
  int permissions = 0;  // POSIX permission bits (07777); on Windows 0666, or 0444 read-only
  std::uint32_t owner = 0, group = 0;  // user and group ids (0 on Windows)
  FileIdentity identity;
};

// The status of the open file; false (errno set) on failure.
bool StatusOf(int fd, FileStatus& status);

// The status of the file at `path`, following symbolic links; false (errno
// set, ENOENT or ENOTDIR when nothing is there) on failure.
bool StatusAt(const std::string& path, FileStatus& status);

// True when `path` itself is a symbolic link.
bool IsSymbolicLink(const std::string& path);

// The full path a symbolic link at `path` finally points to; `path` itself
// when it is no link or the link is dangling.
std::string LinkTarget(const std::string& path);

// True when the current user may write the existing file at `path` (errno
// set when not).
bool MayWrite(const std::string& path);

// Gives the open file the permission bits `mode` (07777); on Windows only
// the owner's write bit counts (read-only or not). False on failure.
bool SetPermissions(int fd, int mode);

// Hands the open file to `owner` and `group` where the system and the
// user's rights allow; does nothing otherwise.
void KeepOwner(int fd, std::uint32_t owner, std::uint32_t group);

// Permission bits of a new file: 0666 less the process's umask.
int NewFilePermissions();

// Renames `from` to `to`, replacing a file at `to`; false (errno set) on failure.
bool RenameReplacing(const std::string& from, const std::string& to);

// Deletes the file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

// The system's text for an errno value.
std::string ErrorText(int errorNumber);

// --- Paths -------------------------------------------------------------------

// The UTF-8 `path` as a filesystem path (on Windows: its wide-character name).
std::filesystem::path PathOf(const std::string& path);

// The filesystem path as UTF-8 text.
std::string Utf8Of(const std::filesystem::path& path);

// True when the path is absolute on this system ("/…"; on Windows "C:\…",
// "C:/…" or "\\server\…").
bool IsAbsolutePath(const std::string& path);

// --- The process -------------------------------------------------------------

// The program's arguments as UTF-8 texts, the program's name first. On
// Windows they are taken from the wide-character command line, as `argv`
// holds them in the ANSI code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The value of the environment variable `name` as UTF-8; "" when it is not
// set or empty.
std::string EnvironmentValue(const char* name);

// The folder for per-user settings: on Windows %APPDATA%; elsewhere
// $XDG_CONFIG_HOME when absolute, else $HOME/.config (the password entry's
// home when HOME is not set). "" when none is known.
std::string UserConfigFolder();

// The folder for per-user caches: on Windows %LOCALAPPDATA%; elsewhere
// $XDG_CACHE_HOME when absolute, else $HOME/.cache. "" when none is known.
std::string UserCacheFolder();

// A folder by the XDG rules: `xdgValue` (such as $XDG_CACHE_HOME) when it
// is an absolute path, else `home` + "/" + `inHome` when `home` is
// absolute, else "". Either of the first two may be null (variable not set).
std::string XdgFolderFrom(const char* xdgValue, const char* home, const char* inHome);

// The configuration folder: XdgFolderFrom($XDG_CONFIG_HOME, home, ".config").
std::string ConfigHomeFrom(const char* xdgConfigHome, const char* home);

// Full path of the running program file ("" when the system does not tell).
std::string RunningProgramFile();

// True when `stream` is a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);

// Makes `stream` pass bytes unchanged: Windows' text mode would turn "\n"
// into CR LF on output and CR LF into "\n" on input. Nothing elsewhere.
void UseBytesUnchanged(std::FILE* stream);

// Ctrl-C (SIGINT and SIGTERM; on Windows the console's Ctrl-C and
// Ctrl-Break) sets a flag instead of ending the program, until
// StopCatchingInterrupts. A second one ends the program as usual. Starting
// clears the flag.
void StartCatchingInterrupts();
void StopCatchingInterrupts();

// True when an interrupt came since StartCatchingInterrupts.
bool InterruptRequested();

// A write beyond the process's file size limit (RLIMIT_FSIZE) fails
// (EFBIG) instead of ending the program with SIGXFSZ, so that the writer's
// failure path reports it and removes its temporary file. Called once at
// the start of each program; Windows has no such limit.
void LetFileSizeLimitFailWrites();

// While one lives, an interrupt (SIGINT or SIGTERM; on Windows the
// console's Ctrl-C and Ctrl-Break) first removes the file last given to Arm
// (if it is armed) and then ends the program as it would have without it;
// the handlers before it are restored when it ends. One at a time.
class TempFileRemoval {
 public:
  TempFileRemoval();
  ~TempFileRemoval();
  TempFileRemoval(const TempFileRemoval&) = delete;
  TempFileRemoval& operator=(const TempFileRemoval&) = delete;

  // The file an interrupt removes from now on (paths of 4095 bytes at most;
  // a longer one is not removed).
  void Arm(const std::string& path);
  // No file is removed by an interrupt from now on.
  void Disarm();
};

// A loaded shared library (module): its handle, or null with the reason.
struct LoadedModule {
  void* handle = nullptr;
  std::string failure;
};

// Runs `probe` in a copy of this process (fork) whose address space may
// grow by at most `bytes` beyond what it holds (RLIMIT_AS, measured from
// /proc/self/statm): an allocation beyond fails there, and a library that
// aborts on it ends only the copy. Gives the probe's result (0 to 255), or
// -1 when the copy did not end by returning. Where processes cannot be
// copied (Windows) nothing runs and the result is 0.
int ProbeInLimitedCopy(const std::function<int()>& probe, std::int64_t bytes);

// Loads the shared library at `path` for good (it is never unloaded).
LoadedModule LoadModule(const std::string& path);

// The address of the exported symbol `name` of a loaded module; null when
// it has none.
void* ModuleSymbol(void* handle, const char* name);

}  // namespace orthelev::platform
