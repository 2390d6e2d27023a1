// The CSV conversion of a whole log (header analysis, records, rewriting):
// a refused log leaves no output; a converted one holds every line the
// reader delivers, in order, each followed by CR LF, a record differing from
// its input at most in the height and geoid items, which then hold numbers.

#include <vector>

#include "conversion/csv_conversion.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "fuzz_support.hpp"
#include "settings/settings_store.hpp"

using namespace orthelev;

namespace {

std::vector<std::string> ReadAllLines(const std::string& path) {
  std::vector<std::string> lines;
  FUZZ_CHECK(OpenLogFile(path), "the log opens again");
  for (;;) {
    std::string line = ReadLogLine();
    const bool eof = LogEof();
    if (!(eof && line.empty())) lines.push_back(std::move(line));
    if (eof) break;
  }
  CloseLogFile();
  return lines;
}

bool StartsWithNumber(std::string_view item) {
  if (!item.empty() && item.front() == '-') item.remove_prefix(1);
  return !item.empty() && item.front() >= '0' && item.front() <= '9';
}

void CheckRewritten(const std::string& in, std::string_view out) {
  CsvFields before, after;
  const std::int32_t countBefore = SplitCsvFields(in, before);
  const std::int32_t countAfter = SplitCsvFields(out, after);
  FUZZ_CHECK(countAfter >= countBefore, "no item removed");
  int changed = 0;
  for (int i = 0; i < countAfter && i < kMaxCsvFields - 1; ++i)
    if (before[i] != after[i]) {
      ++changed;
      FUZZ_CHECK(StartsWithNumber(after[i]), "a rewritten item holds a number");
    }
  FUZZ_CHECK(changed <= 2, "only the height and geoid items change");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  LoadDefaultSettings();
  fuzz::OpenGlobalGrid();
  TheFlags().useSpline = size > 0 && (data[0] & 1) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::Scratch::Get().Write("log.csv", input);
  const std::string outputPath = OutputPathFor(path, "_g");
  const std::int32_t records = ConvertCsvFile(path);
  FUZZ_CHECK(fuzz::Scratch::Read(path) == input, "the input stays as it was");
  if (records < 0) {
    FUZZ_CHECK(!fuzz::Scratch::Exists(outputPath), "a refused log leaves no output");
    return 0;
  }
  const std::string output = fuzz::Scratch::Read(outputPath);
  const std::vector<std::string> lines = ReadAllLines(path);
  std::size_t cursor = 0;
  std::int32_t lineCount = 0;
  for (const std::string& line : lines) {
    ++lineCount;
    if (output.compare(cursor, line.size() + 2, line + "\r\n") == 0) {
      cursor += line.size() + 2;
      continue;
    }
    const std::size_t end = output.find("\r\n", cursor);
    FUZZ_CHECK(end != std::string::npos, "every line ends in CR LF");
    CheckRewritten(line, std::string_view(output).substr(cursor, end - cursor));
    cursor = end + 2;
  }
  FUZZ_CHECK(cursor == output.size(), "nothing follows the last line");
  FUZZ_CHECK(records < lineCount, "the column-name line is no record");
  return 0;
}
