#include "base/file_io.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/paths.hpp"

namespace orthelev {
namespace {

std::string Reason(const std::string& what, const std::string& path, int errorNumber) {
  return what + " " + path + ": " + std::strerror(errorNumber);
}

// Closes fd and reports whether the close succeeded (errno kept for the caller).
bool CloseChecked(int fd) {
  if (::close(fd) == 0) return true;
  return errno == EINTR;  // Linux releases the descriptor even then
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

mode_t DefaultNewFileMode() {
  // Reading the umask means setting it; the program has one thread.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The file a write to `path` really replaces: the target of a symbolic link.
std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;  // dangling: replace the link
  return resolved;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error,
                   std::size_t maxBytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Reason("Cannot open", path, errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "Not a regular file: " + path;
    ::close(fd);
    return false;
  }
  std::vector<char> block(1 << 16);
  for (;;) {
    const ssize_t got = ::read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = Reason("Cannot read", path, errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      error = "File too large: " + path;
      ::close(fd);
      return false;
    }
    bytes.append(block.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);  // read-only: a failed close loses nothing
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         int mode) {
  return WriteFileAtomicallyFrom(
      path, [bytes](const ByteSink& put, std::string&) { return put(bytes); }, error, mode);
}

bool WriteFileAtomicallyFrom(
    const std::string& path,
    const std::function<bool(const ByteSink& put, std::string& error)>& produce, std::string& error,
    int mode, const std::function<void(const std::string& tempPath)>& tempCreated) {
  const std::string target = ResolveLink(path);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // The rename below would get past a write-protected file; it stays protected.
  if (replacing && ::access(target.c_str(), W_OK) != 0) {
    error = Reason("Cannot write", path, errno);
    return false;
  }
  std::string temp = FolderOf(target) + "." + FileNameOf(target) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = Reason("Cannot write", path, errno);
    return false;
  }
  if (tempCreated) tempCreated(temp);
  const mode_t newMode = mode >= 0   ? static_cast<mode_t>(mode) & 07777
                         : replacing ? old.st_mode & 07777
                                     : DefaultNewFileMode();
  if (replacing && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Only root can hand the file to another owner; for anyone else the
    // owner is already theirs, so there is nothing to keep.
  }
  int writeErrno = 0;  // the first failure of the file itself
  const auto failed = [&writeErrno] {
    if (writeErrno == 0) writeErrno = errno != 0 ? errno : EIO;
  };
  const ByteSink put = [fd, &failed](std::string_view bytes) {
    if (WriteAll(fd, bytes)) return true;
    failed();
    return false;
  };
  if (::fchmod(fd, newMode) != 0) failed();
  const bool produced = writeErrno == 0 && produce(put, error);
  if (produced && writeErrno == 0 && ::fsync(fd) != 0) failed();
  if (!CloseChecked(fd)) failed();
  if (!produced || writeErrno != 0) {
    // A producer that gave up for a reason of its own keeps that reason.
    if (writeErrno != 0) error = Reason("Cannot write", path, writeErrno);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    error = Reason("Cannot replace", path, errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool CopyFileReplacing(const std::string& from, const std::string& to, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes, error)) return false;
  struct stat info {};
  const int mode =
      ::stat(from.c_str(), &info) == 0 ? static_cast<int>((info.st_mode & 07777) | S_IWUSR) : -1;
  return WriteFileAtomically(to, bytes, error, mode);
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace orthelev
