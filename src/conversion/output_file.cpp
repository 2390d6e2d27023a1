#include "conversion/output_file.hpp"

#include <cstring>

#include "base/paths.hpp"
#include "conversion/log_reader.hpp"
#include "platform/platform.hpp"

namespace orthelev {

using platform::WriteAll;

std::string OutputPathFor(std::string_view inputPath, std::string_view postfix) {
  const size_t dot = inputPath.rfind('.');
  const size_t at =
      dot != inputPath.npos && dot >= FileNameStart(inputPath) ? dot : inputPath.size();
  std::string result(inputPath.substr(0, at));
  result += postfix;
  result += inputPath.substr(at);
  return result;
}

OutputFile::OutputFile() : buffer_(new char[kBufferBytes]) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) platform::CloseFile(fd_);
}

OutputFile::CreateResult OutputFile::Create(const std::string& path) {
  Close();
  failed_ = false;
  used_ = 0;
  // Opened without truncation first: an output that turns out to be the
  // input itself must keep its bytes.
  const int fd = platform::OpenForWriting(path);
  if (fd < 0) return CreateResult::Failed;
  if (LogIsSameFile(fd)) {
    platform::CloseFile(fd);
    return CreateResult::SameAsInput;
  }
  if (!platform::TruncateToEmpty(fd)) {
    platform::CloseFile(fd);
    return CreateResult::Failed;
  }
  fd_ = fd;
  return CreateResult::Created;
}

bool OutputFile::WriteLine(std::string_view bytes) { return Write(bytes) && Write("\r\n"); }

bool OutputFile::Write(std::string_view bytes) {
  if (fd_ < 0 || failed_) return false;
  if (used_ + bytes.size() > kBufferBytes) {
    if (!Flush()) return false;
    if (bytes.size() > kBufferBytes) {
      failed_ = !WriteAll(fd_, bytes.data(), bytes.size());
      return !failed_;
    }
  }
  std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
  return true;
}

bool OutputFile::Flush() {
  if (!failed_ && used_ > 0) failed_ = !WriteAll(fd_, buffer_.get(), used_);
  used_ = 0;
  return !failed_;
}

bool OutputFile::Close() {
  if (fd_ < 0) return true;
  const bool flushed = Flush();
  const bool closed = platform::CloseFile(fd_);
  fd_ = -1;
  return flushed && closed;
}

}  // namespace orthelev
