#include "base/file_io.hpp"

#include <cerrno>
#include <vector>

#include "base/paths.hpp"
#include "platform/platform.hpp"

namespace orthelev {
namespace {

std::string Reason(const std::string& what, const std::string& path, int errorNumber) {
  return what + " " + path + ": " + platform::ErrorText(errorNumber);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error,
                   std::size_t maxBytes) {
  bytes.clear();
  const int fd = platform::OpenForReading(path);
  if (fd < 0) {
    error = Reason("Cannot open", path, errno);
    return false;
  }
  platform::FileStatus info;
  if (!platform::StatusOf(fd, info) || info.kind != platform::FileKind::Regular) {
    error = "Not a regular file: " + path;
    platform::CloseFile(fd);
    return false;
  }
  std::vector<char> block(1 << 16);
  for (;;) {
    const std::int64_t got = platform::ReadSome(fd, block.data(), block.size());
    if (got < 0) {
      error = Reason("Cannot read", path, errno);
      platform::CloseFile(fd);
      return false;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      error = "File too large: " + path;
      platform::CloseFile(fd);
      return false;
    }
    bytes.append(block.data(), static_cast<std::size_t>(got));
  }
  platform::CloseFile(fd);  // read-only: a failed close loses nothing
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
  const std::string target = platform::LinkTarget(path);
  platform::FileStatus old;
  const bool replacing = platform::StatusAt(target, old) && old.kind == platform::FileKind::Regular;
  // The rename below would get past a write-protected file; it stays protected.
  if (replacing && !platform::MayWrite(target)) {
    error = Reason("Cannot write", path, errno);
    return false;
  }
  std::string temp = FolderOf(target) + "." + FileNameOf(target) + ".XXXXXX";
  const int fd = platform::CreateUniqueFile(temp);
  if (fd < 0) {
    error = Reason("Cannot write", path, errno);
    return false;
  }
  if (tempCreated) tempCreated(temp);
  const int newMode = mode >= 0   ? mode & 07777
                      : replacing ? old.permissions
                                  : platform::NewFilePermissions();
  if (replacing) platform::KeepOwner(fd, old.owner, old.group);
  int writeErrno = 0;  // the first failure of the file itself
  const auto failed = [&writeErrno] {
    if (writeErrno == 0) writeErrno = errno != 0 ? errno : EIO;
  };
  const ByteSink put = [fd, &failed](std::string_view bytes) {
    if (platform::WriteAll(fd, bytes.data(), bytes.size())) return true;
    failed();
    return false;
  };
  if (!platform::SetPermissions(fd, newMode)) failed();
  const bool produced = writeErrno == 0 && produce(put, error);
  if (produced && writeErrno == 0 && !platform::FlushToDisk(fd)) failed();
  if (!platform::CloseFile(fd)) failed();
  if (!produced || writeErrno != 0) {
    // A producer that gave up for a reason of its own keeps that reason.
    if (writeErrno != 0) error = Reason("Cannot write", path, writeErrno);
    platform::RemoveFile(temp);
    return false;
  }
  if (!platform::RenameReplacing(temp, target)) {
    error = Reason("Cannot replace", path, errno);
    platform::RemoveFile(temp);
    return false;
  }
  return true;
}

bool CopyFileReplacing(const std::string& from, const std::string& to, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes, error)) return false;
  platform::FileStatus info;
  const int mode = platform::StatusAt(from, info) ? info.permissions | 0200 : -1;
  return WriteFileAtomically(to, bytes, error, mode);
}

bool FileExists(const std::string& path) {
  platform::FileStatus info;
  return !path.empty() && platform::StatusAt(path, info) &&
         info.kind == platform::FileKind::Regular;
}

}  // namespace orthelev
