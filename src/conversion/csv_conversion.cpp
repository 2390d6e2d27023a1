#include "conversion/csv_conversion.hpp"

#include <cmath>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/csv_record.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr std::int32_t kProgressInterval = 1024;
constexpr std::int32_t kFailed = -1;
constexpr std::int32_t kRefused = -2;

struct CsvCounters {
  std::int32_t records = 0;
  std::int32_t inside = 0;   // records for which the model gave N
  std::int32_t outside = 0;  // records outside the model or without a position
  double diffSum = 0;        // sum of file geoid - N over corrected records
};

std::int32_t CloseUnreadable(const std::string& fileName) {
  CloseLogFile();
  return ReportCannotOpen(fileName);
}

std::int32_t RefuseFile(const std::string& text, const std::string& fileName) {
  Window().SetStatusText(text + fileName);
  Window().AppendReportLine(text + fileName);
  CloseLogFile();
  return kRefused;
}

// The record's line as it goes to the output, corrected when the model
// covers its position and the file has a height column.
std::string CorrectedRecordLine(CsvLayout& layout, CsvCounters& counters, int window,
                                int decimals) {
  const double n = layout.positionGiven
                       ? InterpolateGeoid(window, layout.latitude, layout.longitude)
                       : std::nan("");
  if (std::isnan(n)) {
    ++counters.outside;
    return std::move(layout.line);
  }
  ++counters.inside;
  if (layout.columns.height == 0) return std::move(layout.line);
  counters.diffSum += layout.fileGeoid - n;
  std::string line = ReplaceCsvColumn(layout.line, layout.height + layout.fileGeoid - n,
                                      layout.columns.height, decimals);
  if (layout.columns.geoid != 0) line = ReplaceCsvColumn(line, n, layout.columns.geoid, decimals);
  return line;
}

enum class RecordLoopEnd { Finished, WriteFailed };

// Writes the current record, when there is one, and every further one until
// the data ends or Esc is pressed; events are let through after every 1024th.
RecordLoopEnd ConvertRecords(CsvLayout& layout, bool haveRecord, OutputFile& output,
                             CsvCounters& counters, const std::string& fileName) {
  const int window = InterpolationWindow(TheFlags().useSpline);
  const int decimals = HeightDecimals();
  for (; haveRecord && !TheFlags().abortRequested; haveRecord = ReadCsvRecord(layout)) {
    if (!output.WriteLine(CorrectedRecordLine(layout, counters, window, decimals)))
      return RecordLoopEnd::WriteFailed;
    if (++counters.records % kProgressInterval == 0) ShowConversionProgress(fileName, "CSV");
  }
  return RecordLoopEnd::Finished;
}

// From the first record on: creates the output, converts every record and
// closes both files.
std::int32_t WriteCorrectedCopy(const std::string& inputPath, CsvLayout& layout, bool haveRecord) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = OutputPathFor(inputPath, EffectivePostfix());
  OutputFile output;
  if (output.Create(outputPath) != OutputFile::CreateResult::Created ||
      !output.WriteLine(layout.headerText)) {
    output.Close();
    CloseLogFile();
    return ReportCannotCreate(outputPath);
  }
  CsvCounters counters;
  const bool written =
      ConvertRecords(layout, haveRecord, output, counters, fileName) == RecordLoopEnd::Finished;
  return FinishConversion(output, written, fileName, outputPath,
                          {counters.records, counters.inside, counters.outside, counters.diffSum});
}

}  // namespace

std::int32_t ConvertCsvFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  if (!OpenLogFile(inputPath)) return ReportCannotOpen(fileName);

  CsvLayout layout;
  const bool headerFound = AnalyseCsvHeader(layout);
  if (LogReadFailed()) return CloseUnreadable(fileName);
  if (!headerFound) return RefuseFile("  Unknown CSV log file : ", fileName);
  if (TheConversion().mslWithoutGeoid) return RefuseFile("  MSL input without Geoid : ", fileName);

  const bool haveRecord = ReadCsvRecord(layout);
  if (LogReadFailed()) return CloseUnreadable(fileName);
  if (TheConversion().dateTimeFormatError) {
    Window().AppendReportLine(" CSV: " + fileName);
    CloseLogFile();
    return kFailed;
  }
  Window().SetStatusText(" " + fileName + "  CSV file ...");
  Window().AppendReportLine(" CSV: " + fileName);
  Window().ProcessPendingEvents();
  return WriteCorrectedCopy(inputPath, layout, haveRecord);
}

std::string ReplaceCsvColumn(std::string_view line, double value, std::int32_t column,
                             int decimals) {
  if (line.empty()) return std::string(line);
  std::string result(line);
  std::size_t start = 0;  // just after the (column - 1)-th comma
  for (std::int32_t commas = 1; commas < column; ++commas) {
    const std::size_t comma = result.find(',', start);
    if (comma == std::string::npos) {
      result.append(static_cast<std::size_t>(column - commas), ',');
      start = result.size();
      break;
    }
    start = comma + 1;
  }
  std::size_t rest = start;
  while (rest < result.size() && result[rest] == ' ') ++rest;
  while (rest < result.size() &&
         std::string_view("0123456789+-.").find(result[rest]) != std::string_view::npos)
    ++rest;
  result.replace(start, rest - start, FormatFixed(value, decimals, 3));
  return result;
}

}  // namespace orthelev
