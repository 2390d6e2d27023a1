#pragma once
// The corrected copy a conversion writes beside its input: its name, and a
// buffered binary writer that never truncates the log being read.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orthelev {

// The input path with `postfix` put before the extension of its last
// component ("C:/logs/day1.nmea" -> "C:/logs/day1_g.nmea", "day1" -> "day1_g").
std::string OutputPathFor(std::string_view inputPath, std::string_view postfix);

// A file written byte for byte, each line followed by CR LF.
class OutputFile {
 public:
  enum class CreateResult { Created, Failed, SameAsInput };

  OutputFile();
  ~OutputFile();  // closes without reporting
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file, or empties an existing one. When the path names the
  // log the reader has open (also through a link), the file is left as it
  // was and SameAsInput comes back.
  [[nodiscard]] CreateResult Create(const std::string& path);

  // Appends the bytes and CR LF; false once any write has failed.
  [[nodiscard]] bool WriteLine(std::string_view bytes);

  // Appends the bytes as they are; false once any write has failed.
  bool Write(std::string_view bytes);

  // Writes what is buffered and closes; false when a write or the close
  // failed (also an earlier write). True when nothing is open.
  bool Close();

 private:
  bool Flush();

  static constexpr std::size_t kBufferBytes = std::size_t{64} * 1024;
  int fd_ = -1;
  bool failed_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace orthelev
