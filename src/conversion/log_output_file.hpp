#pragma once
// The corrected copy of a log: bytes written as given, each line followed by
// CR LF, through one buffer. Every failure is remembered, so the caller can
// write a whole file and test once; nothing throws.

#include <string>
#include <string_view>

namespace orthelev {

class LogOutputFile {
 public:
  LogOutputFile() = default;
  ~LogOutputFile();  // closes without reporting
  LogOutputFile(const LogOutputFile&) = delete;
  LogOutputFile& operator=(const LogOutputFile&) = delete;

  // Creates the file at `path`, or empties an existing one, for writing.
  // Refuses (false, nothing changed) when `path` names the log open in the
  // shared reader, also through a link; false when it cannot be created.
  bool Create(const std::string& path);

  // Appends the line and CR LF; false once any write has failed.
  bool WriteLine(std::string_view line);

  // Writes what is buffered and closes; false when any write or the close
  // failed since Create.
  bool Close();

 private:
  bool Flush();

  int fd_ = -1;
  bool failed_ = false;
  std::string buffer_;
};

}  // namespace orthelev
