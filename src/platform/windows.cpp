// The platform services on Windows: the C runtime's descriptors opened by
// wide-character names, and the Win32 calls the runtime does not offer.
// clang-format off
#include <windows.h>  // before the other Windows headers, which need its types
#include <shellapi.h>
// clang-format on

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <string_view>
#include <sys/stat.h>

#include "platform/platform.hpp"

namespace orthelev::platform {

namespace {

constexpr int kBinary = _O_BINARY | _O_NOINHERIT;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

std::string Utf8(const wchar_t* text, std::size_t size) {
  if (size == 0) return {};
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), narrow.data(), length, nullptr,
                        nullptr);
  return narrow;
}

std::string Utf8(const wchar_t* text) { return text ? Utf8(text, std::wcslen(text)) : ""; }

// errno for the calling thread's last Win32 error.
void SetErrnoFromLastError() {
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      errno = EACCES;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    default:
      errno = EIO;
  }
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// 100-nanosecond ticks since 1601-01-01 as nanoseconds since 1970-01-01.
std::int64_t Nanoseconds(const FILETIME& time) {
  constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;
  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  if (ticks == 0) return 0;
  return (ticks - kTicksTo1970) * 100;
}

bool StatusOfHandle(HANDLE handle, FileStatus& status) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) {
    SetErrnoFromLastError();
    return false;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    status.kind = FileKind::Directory;
  else
    status.kind = ::GetFileType(handle) == FILE_TYPE_DISK ? FileKind::Regular : FileKind::Other;
  status.size =
      static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  status.modifiedNs = Nanoseconds(info.ftLastWriteTime);
  status.createdNs = Nanoseconds(info.ftCreationTime);
  status.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  status.owner = status.group = 0;
  status.identity = {info.dwVolumeSerialNumber,
                     (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

// A handle that only reads attributes (folders too), following links.
HANDLE OpenForAttributes(const std::string& path) {
  return ::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Set from the console's control thread, read at the conversions' check points.
std::atomic<bool> interrupted{false};

// The one temporary file a Ctrl-C removes (the handler runs on a thread of
// its own, so the path is swapped whole under the lock).
struct PendingTempFile {
  CRITICAL_SECTION lock;
  std::wstring path;
  bool armed = false;
  PendingTempFile() { ::InitializeCriticalSection(&lock); }
};

PendingTempFile& ThePendingTempFile() {
  static PendingTempFile pending;
  return pending;
}

BOOL WINAPI RemoveTempFileAndEnd(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  PendingTempFile& pending = ThePendingTempFile();
  ::EnterCriticalSection(&pending.lock);
  if (pending.armed) ::DeleteFileW(pending.path.c_str());
  ::LeaveCriticalSection(&pending.lock);
  return FALSE;  // the next handler, in the end the default one, ends the program
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // A second Ctrl-C ends the program as usual.
  return interrupted.exchange(true) ? FALSE : TRUE;
}

}  // namespace

int OpenForReading(const std::string& path) {
  return ::_wopen(Wide(path).c_str(), _O_RDONLY | kBinary);
}

int OpenForWriting(const std::string& path) {
  return ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | kBinary, _S_IREAD | _S_IWRITE);
}

int CreateNewFile(const std::string& path) {
  return ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | kBinary,
                  _S_IREAD | _S_IWRITE);
}

int CreateUniqueFile(std::string& pattern, int suffixLength) {
  const std::size_t end = pattern.size() - static_cast<std::size_t>(suffixLength);
  if (suffixLength < 0 || pattern.size() < static_cast<std::size_t>(suffixLength) + 6 ||
      pattern.compare(end - 6, 6, "XXXXXX") != 0) {
    errno = EINVAL;
    return -1;
  }
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  LARGE_INTEGER counter{};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    ::QueryPerformanceCounter(&counter);
    std::uint64_t bits = static_cast<std::uint64_t>(counter.QuadPart) * 2654435761u ^
                         (std::uint64_t{::GetCurrentProcessId()} << 20) ^
                         static_cast<std::uint64_t>(attempt);
    for (std::size_t i = end - 6; i < end; ++i, bits /= 36) pattern[i] = kLetters[bits % 36];
    const int fd = ::_wopen(Wide(pattern).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | kBinary,
                            _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool CloseFile(int fd) { return ::_close(fd) == 0; }

FileView MapForReading(int fd, std::int64_t size) {
  if (size <= 0) return {};
  const auto bytes = static_cast<std::uint64_t>(size);
  HANDLE mapping =
      ::CreateFileMappingW(HandleOf(fd), nullptr, PAGE_READONLY, static_cast<DWORD>(bytes >> 32),
                           static_cast<DWORD>(bytes), nullptr);
  if (mapping == nullptr) return {};
  const void* data = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(bytes));
  if (data == nullptr) {
    ::CloseHandle(mapping);
    return {};
  }
  return {static_cast<const unsigned char*>(data), size, mapping, -1};
}

void Unmap(FileView& view) {
  if (view.data == nullptr) return;
  ::UnmapViewOfFile(view.data);
  ::CloseHandle(view.mapping);
  view = {};
}

std::int64_t ReadSome(int fd, void* to, std::size_t most) {
  const unsigned count = most > INT_MAX ? INT_MAX : static_cast<unsigned>(most);
  return ::_read(fd, to, count);
}

std::int64_t ReadAt(int fd, void* to, std::size_t most, std::int64_t offset) {
  const DWORD count = most > 0x40000000u ? 0x40000000u : static_cast<DWORD>(most);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  if (::ReadFile(HandleOf(fd), to, count, &got, &at)) return got;
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  SetErrnoFromLastError();
  return -1;
}

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const unsigned piece = count > INT_MAX ? INT_MAX : static_cast<unsigned>(count);
    const int written = ::_write(fd, data, piece);
    if (written <= 0) return false;
    data += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

const char* LastByte(const char* data, char byte, std::size_t count) {
  const std::size_t at = std::string_view(data, count).rfind(byte);
  return at == std::string_view::npos ? nullptr : data + at;
}

bool TruncateToEmpty(int fd) { return ::_chsize_s(fd, 0) == 0; }

bool FlushToDisk(int fd) { return ::_commit(fd) == 0; }

bool StatusOf(int fd, FileStatus& status) {
  const HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  return StatusOfHandle(handle, status);
}

bool StatusAt(const std::string& path, FileStatus& status) {
  const HANDLE handle = OpenForAttributes(path);
  if (handle == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return false;
  }
  const bool read = StatusOfHandle(handle, status);
  ::CloseHandle(handle);
  return read;
}

bool IsSymbolicLink(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string LinkTarget(const std::string& path) {
  if (!IsSymbolicLink(path)) return path;
  const HANDLE handle = OpenForAttributes(path);
  if (handle == INVALID_HANDLE_VALUE) return path;  // dangling: replace the link
  std::wstring target(32768, L'\0');
  const DWORD length =
      ::GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), 0);
  ::CloseHandle(handle);
  if (length == 0 || length >= target.size()) return path;
  target.resize(length);
  if (target.rfind(L"\\\\?\\", 0) == 0) target.erase(0, 4);
  return Utf8(target.data(), target.size());
}

bool MayWrite(const std::string& path) { return ::_waccess(Wide(path).c_str(), 2) == 0; }

bool SetPermissions(int fd, int mode) {
  if (mode & 0200) return true;  // new files are writable
  FILE_BASIC_INFO info{};
  const HANDLE handle = HandleOf(fd);
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return false;
  info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

void KeepOwner(int, std::uint32_t, std::uint32_t) {
  // A new file belongs to its creator, and a file's rights follow its folder.
}

int NewFilePermissions() { return 0666; }

bool RenameReplacing(const std::string& from, const std::string& to) {
  if (::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  SetErrnoFromLastError();
  return false;
}

bool RemoveFile(const std::string& path) { return ::_wunlink(Wide(path).c_str()) == 0; }

bool IsAbsolutePath(const std::string& path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         separator(path[2]);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

std::string EnvironmentValue(const char* name) { return Utf8(::_wgetenv(Wide(name).c_str())); }

std::string UserConfigFolder() {
  const std::string appData = EnvironmentValue("APPDATA");
  return IsAbsolutePath(appData) ? appData : "";
}

std::string UserCacheFolder() {
  const std::string localAppData = EnvironmentValue("LOCALAPPDATA");
  return IsAbsolutePath(localAppData) ? localAppData : "";
}

std::string RunningProgramFile() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return "";
    if (length < name.size()) return Utf8(name.data(), length);
    if (name.size() >= 32768) return "";
    name.resize(name.size() * 2);
  }
}

bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(HandleOf(::_fileno(stream)), &mode) != 0;
}

void UseBytesUnchanged(std::FILE* stream) { ::_setmode(::_fileno(stream), _O_BINARY); }

void StartCatchingInterrupts() {
  interrupted = false;
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void StopCatchingInterrupts() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

bool InterruptRequested() { return interrupted; }

void LetFileSizeLimitFailWrites() {}

TempFileRemoval::TempFileRemoval() {
  Disarm();
  ::SetConsoleCtrlHandler(RemoveTempFileAndEnd, TRUE);
}

TempFileRemoval::~TempFileRemoval() {
  Disarm();
  ::SetConsoleCtrlHandler(RemoveTempFileAndEnd, FALSE);
}

void TempFileRemoval::Arm(const std::string& path) {
  PendingTempFile& pending = ThePendingTempFile();
  std::wstring wide = Wide(path);
  ::EnterCriticalSection(&pending.lock);
  pending.path.swap(wide);
  pending.armed = true;
  ::LeaveCriticalSection(&pending.lock);
}

void TempFileRemoval::Disarm() {
  PendingTempFile& pending = ThePendingTempFile();
  ::EnterCriticalSection(&pending.lock);
  pending.armed = false;
  ::LeaveCriticalSection(&pending.lock);
}

LoadedModule LoadModule(const std::string& path) {
  const HMODULE module = ::LoadLibraryW(Wide(path).c_str());
  if (module != nullptr) return {reinterpret_cast<void*>(module), ""};
  return {nullptr, "cannot load " + path};
}

void* ModuleSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

// The import that needs it (GDAL) is not built for Windows.
int ProbeInLimitedCopy(const std::function<int()>&, std::int64_t) { return 0; }

}  // namespace orthelev::platform
