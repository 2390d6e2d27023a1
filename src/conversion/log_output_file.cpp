#include "conversion/log_output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "conversion/log_reader.hpp"

namespace orthelev {

namespace {

constexpr std::size_t kBufferBytes = 1 << 16;

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

LogOutputFile::~LogOutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool LogOutputFile::Create(const std::string& path) {
  Close();
  failed_ = false;
  // Opened without truncation: an output that turns out to be the log being
  // read must be left as it is.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  // Like O_TRUNC, emptying applies to regular files only (not to devices).
  if (LogIsSameFile(fd) || ::fstat(fd, &st) != 0 ||
      (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  buffer_.reserve(kBufferBytes + 256);
  return true;
}

bool LogOutputFile::WriteLine(std::string_view line) {
  if (fd_ < 0 || failed_) return false;
  buffer_.append(line);
  buffer_.append("\r\n");
  return buffer_.size() < kBufferBytes || Flush();
}

bool LogOutputFile::Flush() {
  if (!buffer_.empty() && !WriteAll(fd_, buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool LogOutputFile::Close() {
  if (fd_ < 0) return !failed_;
  Flush();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

}  // namespace orthelev
