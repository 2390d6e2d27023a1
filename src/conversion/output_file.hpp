#pragma once
// The corrected copy a conversion writes beside its input: its name, and a
// buffered binary writer that puts the copy under a temporary name and gives
// it its own name only when the conversion is complete.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_io.hpp"

namespace orthelev {

// The input path with `postfix` put before the extension of its last
// component ("C:/logs/day1.nmea" -> "C:/logs/day1_g.nmea", "day1" -> "day1_g").
std::string OutputPathFor(std::string_view inputPath, std::string_view postfix);

// Where the log at `inputPath` is converted to: OutputPathFor with the
// effective postfix, in the settings' output folder when one is set.
std::string ConvertedPathOf(const std::string& inputPath);

// A file written byte for byte (AtomicFile): until Commit an earlier file of
// the name stays as it was, and a discarded or failed file leaves nothing.
class OutputFile {
 public:
  enum class CreateResult { Created, Failed, SameAsInput };

  OutputFile();
  ~OutputFile();  // discards a file not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Starts the file under a temporary name beside `path`. When the path
  // names the log the reader has open (also through a link), nothing is
  // made and SameAsInput comes back.
  [[nodiscard]] CreateResult Create(const std::string& path);

  // Appends the bytes and CR LF; false once any write has failed.
  [[nodiscard]] bool WriteLine(std::string_view bytes);

  // Appends the bytes as they are; false once any write has failed.
  bool Write(std::string_view bytes);

  // Writes what is buffered and gives the file its name, replacing an
  // earlier one; false when that or any earlier write failed (nothing is
  // then left).
  [[nodiscard]] bool Commit();

  // Drops the file: nothing is left, an earlier file of the name stays.
  void Discard();

  // The system's text for the first failure; "" when it gave none.
  std::string FailureReason() const { return file_.ErrorText(); }

 private:
  bool Flush();

  static constexpr std::size_t kBufferBytes = std::size_t{64} * 1024;
  AtomicFile file_;
  bool open_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace orthelev
