#include "base/file_io.hpp"

#include <cerrno>
#include <fstream>
#include <utility>
#include <vector>

#include "base/paths.hpp"
#include "platform/platform.hpp"

namespace orthelev {

std::string FileStart(const std::string& path, std::size_t limit) {
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  std::string start(limit, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

std::int64_t FileBytes(const std::string& path) {
  platform::FileStatus status;
  return platform::StatusAt(path, status) && status.kind == platform::FileKind::Regular
             ? status.size
             : -1;
}
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

AtomicFile::~AtomicFile() { Abandon(); }

void AtomicFile::Fail(const char* what) {
  if (errorNumber_ != 0) return;  // the first failure is the reason
  errorNumber_ = errno != 0 ? errno : EIO;
  error_ = Reason(what, path_, errorNumber_);
}

std::string AtomicFile::ErrorText() const {
  return errorNumber_ != 0 ? platform::ErrorText(errorNumber_) : "";
}

bool AtomicFile::Begin(const std::string& path, int mode) {
  Abandon();
  path_ = path;
  target_ = platform::LinkTarget(path);
  errorNumber_ = 0;
  error_.clear();
  platform::FileStatus old;
  const bool exists = platform::StatusAt(target_, old);
  if (exists && old.kind == platform::FileKind::Directory) {
    errno = EISDIR;
    Fail("Cannot write");
    return false;
  }
  const bool replacing = exists && old.kind == platform::FileKind::Regular;
  // The rename of Commit would get past a write-protected file; it stays protected.
  if (replacing && !platform::MayWrite(target_)) {
    Fail("Cannot write");
    return false;
  }
  std::string temp = FolderOf(target_) + "." + FileNameOf(target_) + ".XXXXXX";
  fd_ = platform::CreateUniqueFile(temp);
  if (fd_ < 0) {
    Fail("Cannot write");
    return false;
  }
  temp_ = std::move(temp);
  const int newMode = mode >= 0   ? mode & 07777
                      : replacing ? old.permissions
                                  : platform::NewFilePermissions();
  if (replacing) platform::KeepOwner(fd_, old.owner, old.group);
  if (!platform::SetPermissions(fd_, newMode)) {
    Fail("Cannot write");
    Abandon();
    return false;
  }
  return true;
}

bool AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0 || Failed()) return false;
  if (platform::WriteAll(fd_, bytes.data(), bytes.size())) return true;
  Fail("Cannot write");
  return false;
}

bool AtomicFile::Commit(Durability durability) {
  if (fd_ < 0) return false;
  if (!Failed() && durability == Durability::FlushedToDisk && !platform::FlushToDisk(fd_))
    Fail("Cannot write");
  if (!platform::CloseFile(fd_)) Fail("Cannot write");
  fd_ = -1;
  if (!Failed() && !platform::RenameReplacing(temp_, target_)) Fail("Cannot replace");
  if (Failed()) {
    platform::RemoveFile(temp_);
    temp_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void AtomicFile::Abandon() {
  if (fd_ >= 0) platform::CloseFile(fd_);
  fd_ = -1;
  if (!temp_.empty()) platform::RemoveFile(temp_);
  temp_.clear();
}

bool WriteFileAtomicallyFrom(
    const std::string& path,
    const std::function<bool(const ByteSink& put, std::string& error)>& produce, std::string& error,
    int mode, const std::function<void(const std::string& tempPath)>& tempCreated) {
  AtomicFile file;
  if (!file.Begin(path, mode)) {
    error = file.Error();
    return false;
  }
  if (tempCreated) tempCreated(file.TempPath());
  const ByteSink put = [&file](std::string_view bytes) { return file.Write(bytes); };
  // A producer that gave up for a reason of its own keeps that reason.
  if (!produce(put, error) || file.Failed() || !file.Commit()) {
    if (file.Failed()) error = file.Error();
    file.Abandon();
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
