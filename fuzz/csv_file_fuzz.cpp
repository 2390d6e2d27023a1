// The CSV conversion of a whole log (header analysis, records, rewriting;
// RTKLIB solution files with blank-separated items included): a refused log
// leaves no output; a converted one holds every line the reader delivers, in
// order, each followed by CR LF, a CSV record differing from its input at
// most in the height and geoid items, a solution record only in its height
// item, which then hold numbers; a binary packet the reader delivers keeps
// every byte.

#include <algorithm>
#include <vector>

#include "conversion/csv_conversion.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/output_file.hpp"
#include "fuzz_support.hpp"
#include "log_lines.hpp"
#include "program/settings_store.hpp"

using namespace orthelev;

namespace {

bool StartsWithNumber(std::string_view item) {
  if (!item.empty() && item.front() == '-') item.remove_prefix(1);
  return !item.empty() && item.front() >= '0' && item.front() <= '9';
}

std::vector<std::string_view> BlankItems(std::string_view line) {
  std::vector<std::string_view> items;
  while (!line.empty()) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find(' '), line.size());
    items.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return items;
}

// An RTKLIB solution record: only its height item changes (and the
// blanks before it), to a number.
bool IsRewrittenSolutionRecord(const std::string& in, std::string_view out) {
  const auto before = BlankItems(in), after = BlankItems(out);
  if (before.size() != after.size()) return false;
  int changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i] && (++changed > 1 || !StartsWithNumber(after[i]))) return false;
  return true;
}

void CheckRewritten(const std::string& in, std::string_view out) {
  if (IsRewrittenSolutionRecord(in, out)) return;
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
  const fuzz::ConversionInput run = fuzz::StartConversion(window, data, size, "log.csv");
  const std::string_view input = run.bytes;
  const std::string& path = run.path;
  const std::string& outputPath = run.outputPath;
  const std::int32_t records = ConvertCsvFile(path);
  FUZZ_CHECK(fuzz::Scratch::Read(path) == input, "the input stays as it was");
  FUZZ_CHECK(fuzz::Scratch::Get().NoTemporaryFile(), "no temporary file is left");
  if (records < 0) {
    FUZZ_CHECK(!fuzz::Scratch::Exists(outputPath), "a refused log leaves no output");
    return 0;
  }
  const std::string output = fuzz::Scratch::Read(outputPath);
  std::vector<std::size_t> packetStarts;
  const std::vector<std::string> lines = fuzz::ReadLogLines(path, &packetStarts);
  fuzz::CheckOutputLines(output, lines, CheckRewritten, &packetStarts);
  FUZZ_CHECK(records < static_cast<std::int32_t>(lines.size()),
             "the column-name line is no record");
  return 0;
}
