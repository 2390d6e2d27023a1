// The platform services on POSIX systems (Linux).
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform.hpp"

namespace orthelev::platform {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;

std::int64_t Nanoseconds(std::int64_t seconds, std::int64_t nanoseconds) {
  constexpr std::int64_t kMaxSeconds = INT64_MAX / kNsPerSecond - 1;
  if (seconds > kMaxSeconds) return INT64_MAX;
  return seconds * kNsPerSecond + nanoseconds;
}

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  return FileKind::Other;
}

void Fill(const struct stat& info, FileStatus& status) {
  status.kind = KindOf(info.st_mode);
  status.size = static_cast<std::int64_t>(info.st_size);
  status.modifiedNs = Nanoseconds(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  status.createdNs = 0;
  status.permissions = static_cast<int>(info.st_mode & 07777);
  status.owner = info.st_uid;
  status.group = info.st_gid;
  status.identity = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
}

// Adds the birth time, which only statx tells: of the open file `fd`, or
// of `path` (from the current folder) when it is not empty.
void AddBirthTime(int fd, const char* path, FileStatus& status) {
  struct statx extra {};
  const int flags = path[0] == '\0' ? AT_EMPTY_PATH : 0;
  if (::statx(fd, path, flags, STATX_BTIME, &extra) == 0 && (extra.stx_mask & STATX_BTIME))
    status.createdNs = Nanoseconds(extra.stx_btime.tv_sec, extra.stx_btime.tv_nsec);
}

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

// Set by the signal handler, read at the conversions' check points.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterruptSignal(int signalNumber) {
  interrupted = 1;
  std::signal(signalNumber, SIG_DFL);  // a second one ends the program
}

// The one temporary file a signal removes. Written only while the signals
// are blocked, read only by the handler: the handler sees a whole path or
// none.
struct PendingTempFile {
  char path[4096] = {};
  volatile std::sig_atomic_t armed = 0;
  struct sigaction previousInt {};
  struct sigaction previousTerm {};
};

PendingTempFile& ThePendingTempFile() {
  static PendingTempFile pending;
  return pending;
}

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void RemoveTempFileAndEnd(int signal) {
  PendingTempFile& pending = ThePendingTempFile();
  if (pending.armed) ::unlink(pending.path);
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  // Delivered with the default action as soon as the handler returns.
  ::raise(signal);
}

// Runs `change` with SIGINT and SIGTERM blocked.
template <typename Change>
void WithSignalsBlocked(Change change) {
  sigset_t block, before;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  ::sigprocmask(SIG_BLOCK, &block, &before);
  change();
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

// The views whose reads the SIGBUS handler turns into 0xFF bytes when the
// file no longer backs a page. Entries are claimed and released by the
// program and read by the handler, so each field is a lock-free atomic.
struct MappingGuards {
  static constexpr int kEntries = 8;
  struct Entry {
    std::atomic<std::uintptr_t> begin{0}, end{0};  // end 0: free
    std::atomic<std::uint64_t> lostReads{0};
  };
  Entry entries[kEntries];
  struct sigaction previous {};
  std::atomic<bool> installed{false};
};

MappingGuards& TheMappingGuards() {
  static MappingGuards guards;
  return guards;
}

// Maps a page of 0xFF bytes over the page of `address` that the file no
// longer backs; false when that fails. mmap and memset are plain system
// and memory operations here (not on POSIX's async-signal-safe list, but
// safe on Linux, where mmap is a single system call).
bool ReplaceLostPage(void* address) {
  const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  void* page = static_cast<char*>(address) - reinterpret_cast<std::uintptr_t>(address) % pageSize;
  if (::mmap(page, pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
             0) == MAP_FAILED)
    return false;
  std::memset(page, 0xFF, pageSize);
  return ::mprotect(page, pageSize, PROT_READ) == 0;
}

extern "C" void OnBusError(int signal, siginfo_t* info, void*) {
  MappingGuards& guards = TheMappingGuards();
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (MappingGuards::Entry& entry : guards.entries) {
    if (address >= entry.begin && address < entry.end && ReplaceLostPage(info->si_addr)) {
      ++entry.lostReads;
      return;  // the read runs again and finds the new page
    }
  }
  // Not ours: the handler before this one takes the fault when the read
  // runs again (the default one ends the program).
  ::sigaction(signal, &guards.previous, nullptr);
}

// Claims a free entry for [data, data + size) and installs the handler
// once; -1 when every entry is taken.
int GuardView(const unsigned char* data, std::int64_t size) {
  MappingGuards& guards = TheMappingGuards();
  if (!guards.installed.exchange(true)) {
    struct sigaction handler {};
    handler.sa_sigaction = OnBusError;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    ::sigaction(SIGBUS, &handler, &guards.previous);
  }
  for (int i = 0; i < MappingGuards::kEntries; ++i) {
    MappingGuards::Entry& entry = guards.entries[i];
    if (entry.end != 0) continue;
    entry.lostReads = 0;
    entry.begin = reinterpret_cast<std::uintptr_t>(data);
    entry.end = reinterpret_cast<std::uintptr_t>(data) + static_cast<std::uintptr_t>(size);
    return i;
  }
  return -1;
}

}  // namespace

int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int OpenForWriting(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

int CreateNewFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int CreateUniqueFile(std::string& pattern, int suffixLength) {
  return ::mkostemps(pattern.data(), suffixLength, O_CLOEXEC);
}

bool CloseFile(int fd) {
  if (::close(fd) == 0) return true;
  return errno == EINTR;  // Linux releases the descriptor even then
}

std::int64_t ReadSome(int fd, void* to, std::size_t most) {
  ssize_t got;
  do {
    got = ::read(fd, to, most);
  } while (got < 0 && errno == EINTR);
  return got;
}

std::int64_t ReadAt(int fd, void* to, std::size_t most, std::int64_t offset) {
  ssize_t got;
  do {
    got = ::pread(fd, to, most, static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  return got;
}

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(fd, data, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

const char* LastByte(const char* data, char byte, std::size_t count) {
  return static_cast<const char*>(::memrchr(data, byte, count));
}

FileView MapForReading(int fd, std::int64_t size) {
  if (size <= 0) return {};
  void* data = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
  if (data == MAP_FAILED) return {};
  FileView view{static_cast<const unsigned char*>(data), size, nullptr, -1};
  view.guard = GuardView(view.data, size);
  if (view.guard < 0) {
    Unmap(view);  // unguarded reads could end the program
    return view;
  }
  view.lostReads = &TheMappingGuards().entries[view.guard].lostReads;
  return view;
}

void Unmap(FileView& view) {
  if (view.data == nullptr) return;
  if (view.guard >= 0) {
    MappingGuards::Entry& entry = TheMappingGuards().entries[view.guard];
    entry.end = 0;
    entry.begin = 0;
  }
  ::munmap(const_cast<unsigned char*>(view.data), static_cast<std::size_t>(view.size));
  view = {};
}

bool TruncateToEmpty(int fd) { return ::ftruncate(fd, 0) == 0; }

bool FlushToDisk(int fd) { return ::fsync(fd) == 0; }

bool StatusOf(int fd, FileStatus& status) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  Fill(info, status);
  AddBirthTime(fd, "", status);
  return true;
}

bool StatusAt(const std::string& path, FileStatus& status) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  Fill(info, status);
  AddBirthTime(AT_FDCWD, path.c_str(), status);
  return true;
}

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string LinkTarget(const std::string& path) {
  if (!IsSymbolicLink(path)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

bool MayWrite(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool SetPermissions(int fd, int mode) { return ::fchmod(fd, static_cast<mode_t>(mode)) == 0; }

void KeepOwner(int fd, std::uint32_t owner, std::uint32_t group) {
  if (::fchown(fd, owner, group) != 0) {
    // Only root can hand the file to another owner; for anyone else the
    // owner is already theirs, so there is nothing to keep.
  }
}

int NewFilePermissions() {
  // Reading the umask means setting it; the program has one thread.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<int>(0666 & ~mask);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string UserConfigFolder() {
  const std::string home = HomeFolder();
  return ConfigHomeFrom(std::getenv("XDG_CONFIG_HOME"), home.c_str());
}

std::string UserCacheFolder() {
  const std::string home = HomeFolder();
  return XdgFolderFrom(std::getenv("XDG_CACHE_HOME"), home.c_str(), ".cache");
}

std::string RunningProgramFile() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "";
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void UseBytesUnchanged(std::FILE*) {}

void StartCatchingInterrupts() {
  interrupted = 0;
  std::signal(SIGINT, OnInterruptSignal);
  std::signal(SIGTERM, OnInterruptSignal);
}

void StopCatchingInterrupts() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool InterruptRequested() { return interrupted != 0; }

void LetFileSizeLimitFailWrites() { std::signal(SIGXFSZ, SIG_IGN); }

TempFileRemoval::TempFileRemoval() {
  PendingTempFile& pending = ThePendingTempFile();
  pending.armed = 0;
  struct sigaction removal {};
  removal.sa_handler = RemoveTempFileAndEnd;
  sigemptyset(&removal.sa_mask);
  ::sigaction(SIGINT, &removal, &pending.previousInt);
  ::sigaction(SIGTERM, &removal, &pending.previousTerm);
}

TempFileRemoval::~TempFileRemoval() {
  PendingTempFile& pending = ThePendingTempFile();
  Disarm();
  ::sigaction(SIGINT, &pending.previousInt, nullptr);
  ::sigaction(SIGTERM, &pending.previousTerm, nullptr);
}

void TempFileRemoval::Arm(const std::string& path) {
  PendingTempFile& pending = ThePendingTempFile();
  WithSignalsBlocked([&] {
    pending.armed = 0;
    if (path.size() >= sizeof pending.path) return;
    std::memcpy(pending.path, path.c_str(), path.size() + 1);
    pending.armed = 1;
  });
}

void TempFileRemoval::Disarm() {
  WithSignalsBlocked([] { ThePendingTempFile().armed = 0; });
}

LoadedModule LoadModule(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle != nullptr) return {handle, ""};
  const char* message = ::dlerror();
  return {nullptr, message != nullptr ? message : path};
}

void* ModuleSymbol(void* handle, const char* name) { return ::dlsym(handle, name); }

namespace {

// The bytes of address space the process holds now; 0 when unknown.
std::uint64_t AddressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  if (!(statm >> pages)) return 0;
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

int ProbeInLimitedCopy(const std::function<int()>& probe, std::int64_t bytes) {
  const std::uint64_t inUse = AddressSpaceInUse();
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    rlimit limit{};
    if (inUse > 0 && getrlimit(RLIMIT_AS, &limit) == 0) {
      const std::uint64_t wanted = inUse + static_cast<std::uint64_t>(bytes);
      if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > wanted) limit.rlim_cur = wanted;
      if (limit.rlim_max != RLIM_INFINITY)
        limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
      setrlimit(RLIMIT_AS, &limit);
    }
    int result = -1;
    try {
      result = probe();
    } catch (...) {
    }
    _exit(result < 0 || result > 255 ? 255 : result);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

}  // namespace orthelev::platform
