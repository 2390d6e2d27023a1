#include "conversion/nmea_file.hpp"

#include "conversion/log_reader.hpp"
#include "conversion/nmea_sentence.hpp"
#include "conversion/output_file.hpp"
#include "settings/number_format.hpp"
#include "settings/settings.hpp"
#include "ui/services/window_services.hpp"

namespace orthelev {

namespace {

constexpr std::int32_t kProgressEvery = 1024;

std::int32_t ReportCannotOpen(const std::string& fileName) {
  const std::string text = "  Can not open: " + fileName;
  Window().SetStatusText(text);
  Window().AppendReportLine(text);
  return -1;
}

std::int32_t ReportCannotCreate(const std::string& outputPath) {
  Window().AppendReportLine("  Can't create: " + outputPath);
  Window().ShowMessageBox("Can't create: " + outputPath);
  return -1;
}

void ShowProgress(const std::string& fileName) {
  const std::int64_t size = LogFileSize();
  const double percent = size > 0 ? static_cast<double>(LogBytesRead()) * 100.0 / size : 100.0;
  Window().SetStatusText(" " + fileName + "  NMEA file (" + FormatFixed(percent, 1, 3) + "%)");
  Window().ProcessPendingEvents();
}

void AppendSummary(const NmeaCounters& counters) {
  Window().AppendReportLine("    " + FormatInt(counters.records) + " records");
  if (counters.corrected > 0)
    Window().AppendReportLine("    Geoid diff.  " +
                              FormatFixed(counters.diffSum / counters.corrected, 4, 6) + "m");
  if (counters.outsideRange > 0) {
    Window().AppendReportLine("    Number of Geoid outside range = " +
                              FormatInt(counters.outsideRange) + "/" +
                              FormatInt(std::int64_t{counters.outsideRange} + counters.corrected));
    if (!Flags().startHidden) Window().ShowReport();
  }
  Window().SetStatusText(Window().StatusText() + "  Read:" + FormatInt(counters.records) + "rec.");
}

// Passes every line of the open log through CorrectSentence to the output.
// False when a write failed.
bool ConvertLines(const std::string& fileName, OutputFile& output, NmeaCounters& counters) {
  while (!Flags().abortRequested) {
    std::string line = ReadLogLine();
    const bool last = LogEof();
    // The reader gives an empty string only at the end of the data.
    if (LogReadFailed() || (last && line.empty())) return true;
    CorrectSentence(line, counters);
    if (!output.WriteLine(line)) return false;
    if (counters.records % kProgressEvery == 0) ShowProgress(fileName);
    if (last) return true;
  }
  return true;
}

}  // namespace

std::int32_t ConvertNmeaFile(const std::string& inputPath) {
  Window().ProcessPendingEvents();
  const std::string fileName = FileNameOf(inputPath);
  if (!OpenLogFile(inputPath)) return ReportCannotOpen(fileName);

  const std::string outputPath = OutputPathFor(inputPath, EffectivePostfix());
  OutputFile output;
  if (output.Create(outputPath) != OutputFile::CreateResult::Created) {
    CloseLogFile();
    return ReportCannotCreate(outputPath);
  }
  Window().AppendReportLine(" NMEA: " + fileName);
  Window().SetStatusText(" " + fileName + "  NMEA file ...");
  Window().ProcessPendingEvents();

  NmeaCounters counters;
  const bool written = ConvertLines(fileName, output, counters);
  const bool readFailed = LogReadFailed();
  const bool inputClosed = CloseLogFile();
  const bool outputClosed = output.Close();
  if (!written || !outputClosed) return ReportCannotCreate(outputPath);
  if (readFailed) return ReportCannotOpen(fileName);
  if (!inputClosed) return ReportCannotCreate(outputPath);

  if (!Flags().abortRequested) AppendSummary(counters);
  Window().ProcessPendingEvents();
  return counters.records;
}

}  // namespace orthelev
