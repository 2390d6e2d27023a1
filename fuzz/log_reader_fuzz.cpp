// The log reader on arbitrary bytes: every byte of the file comes back, in
// order, either inside a delivered line or as a line end (CR, LF) between
// them, and the reader ends.

#include "conversion/log_reader.hpp"
#include "fuzz_support.hpp"

using namespace orthelev;

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::Scratch::Get().Write("log.nmea", input);
  FUZZ_CHECK(OpenLogFile(path), "the log opens");
  FUZZ_CHECK(LogFileSize() == static_cast<std::int64_t>(size), "the size at the open");
  std::size_t cursor = 0;
  // Every call takes at least one byte or ends the data.
  for (std::size_t calls = 0; calls <= size + 1; ++calls) {
    const std::string line = ReadLogLine();
    const bool eof = LogEof();
    FUZZ_CHECK(!line.empty() || eof, "only the end of the data gives an empty line");
    while (cursor < size && IsLineEnd(input[cursor]) && !line.empty() &&
           input.compare(cursor, line.size(), line) != 0)
      ++cursor;
    FUZZ_CHECK(input.compare(cursor, line.size(), line) == 0, "lines come in file order");
    cursor += line.size();
    if (eof) break;
  }
  FUZZ_CHECK(LogEof(), "the reader ends");
  FUZZ_CHECK(!LogReadFailed(), "no read error");
  for (; cursor < size; ++cursor)
    FUZZ_CHECK(IsLineEnd(input[cursor]), "only line ends are left out");
  FUZZ_CHECK(LogBytesRead() == static_cast<std::int64_t>(size), "every byte was read");
  FUZZ_CHECK(CloseLogFile(), "the log closes");
  return 0;
}
