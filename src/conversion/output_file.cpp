#include "conversion/output_file.hpp"

#include <cstring>

#include "base/paths.hpp"
#include "conversion/log_reader.hpp"
#include "platform/platform.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

// True when the file at `path` is the open log itself (also through a link).
bool IsTheLog(const std::string& path) {
  const int fd = platform::OpenForReading(path);
  if (fd < 0) return false;
  const bool same = LogIsSameFile(fd);
  platform::CloseFile(fd);
  return same;
}

}  // namespace

std::string OutputPathFor(std::string_view inputPath, std::string_view postfix) {
  const size_t dot = inputPath.rfind('.');
  const size_t at =
      dot != inputPath.npos && dot >= FileNameStart(inputPath) ? dot : inputPath.size();
  std::string result(inputPath.substr(0, at));
  result += postfix;
  result += inputPath.substr(at);
  return result;
}

std::string ConvertedPathOf(const std::string& inputPath) {
  const std::string& folder = TheSettings().outputFolder;
  return OutputPathFor(folder.empty() ? inputPath : folder + FileNameOf(inputPath),
                       EffectivePostfix());
}

OutputFile::OutputFile() : buffer_(new char[kBufferBytes]) {}

OutputFile::~OutputFile() { Discard(); }

OutputFile::CreateResult OutputFile::Create(const std::string& path) {
  Discard();
  // Committing over the log would replace the very file being read.
  if (IsTheLog(path)) return CreateResult::SameAsInput;
  open_ = file_.Begin(path);
  return open_ ? CreateResult::Created : CreateResult::Failed;
}

bool OutputFile::WriteLine(std::string_view bytes) { return Write(bytes) && Write("\r\n"); }

bool OutputFile::Write(std::string_view bytes) {
  if (!open_ || file_.Failed()) return false;
  if (used_ + bytes.size() > kBufferBytes) {
    if (!Flush()) return false;
    if (bytes.size() > kBufferBytes) return file_.Write(bytes);
  }
  std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
  return true;
}

bool OutputFile::Flush() {
  const bool written = used_ == 0 || file_.Write(std::string_view(buffer_.get(), used_));
  used_ = 0;
  return written;
}

bool OutputFile::Commit() {
  if (!open_) return false;
  open_ = false;
  const bool flushed = Flush();
  // A corrected copy can be made again from its log: it is not worth a wait
  // for the disk, which would cost a large log a good share of its time.
  if (flushed && file_.Commit(AtomicFile::Durability::LeftToTheSystem)) return true;
  file_.Abandon();
  return false;
}

void OutputFile::Discard() {
  open_ = false;
  used_ = 0;
  file_.Abandon();
}

}  // namespace orthelev
