#include "conversion/conversion_report.hpp"

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/log_reader.hpp"
#include "flags/program_flags.hpp"
#include "services/window_services.hpp"

namespace orthelev {

bool StartConversion(const std::string& inputPath, const std::string& kind,
                     const std::string& outputPath, OutputFile& output) {
  Window().ProcessPendingEvents();
  const std::string fileName = FileNameOf(inputPath);
  if (!OpenLogFile(inputPath)) {
    ReportCannotOpen(fileName);
    return false;
  }
  if (output.Create(outputPath) != OutputFile::CreateResult::Created) {
    CloseLogFile();
    ReportCannotCreate(outputPath);
    return false;
  }
  AnnounceConversion(kind, fileName);
  return true;
}

void AnnounceConversion(const std::string& kind, const std::string& fileName) {
  Window().AppendReportLine(" " + kind + ": " + fileName);
  Window().SetStatusText(" " + fileName + "  " + kind + " file ...");
  Window().ProcessPendingEvents();
}

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

void ShowConversionProgress(const std::string& fileName, const std::string& kind) {
  const std::int64_t size = LogFileSize();
  const double percent =
      size > 0 ? static_cast<double>(LogBytesRead()) * 100.0 / static_cast<double>(size) : 100.0;
  Window().SetStatusText(" " + fileName + "  " + kind + " file (" + FormatFixed(percent, 1, 3) +
                         "%)");
  Window().ProcessPendingEvents();
}

std::int32_t ReportRefused(const std::string& text, const std::string& fileName) {
  Window().SetStatusText(text + fileName);
  Window().AppendReportLine(text + fileName);
  return -2;
}

void AppendConversionSummary(const ConversionTally& tally) {
  const auto& [records, inside, outside, diffSum, reading] = tally;
  Window().AppendReportLine("    " + FormatInt(records) + " records");
  if (!reading.empty()) Window().AppendReportLine(reading);
  if (inside > 0)
    Window().AppendReportLine("    Geoid diff.  " + FormatFixed(diffSum / inside, 4, 6) + "m");
  if (outside > 0) {
    Window().AppendReportLine("    Number of Geoid outside range = " + FormatInt(outside) + "/" +
                              FormatInt(std::int64_t{outside} + inside));
    if (!TheFlags().startHidden) Window().ShowReport();
  }
  Window().SetStatusText(Window().StatusText() + "  Read:" + FormatInt(records) + "rec.");
}

std::int32_t FinishConversion(OutputFile& output, bool written, const std::string& fileName,
                              const std::string& outputPath, const ConversionTally& tally) {
  const bool readFailed = LogReadFailed();
  const bool inputClosed = CloseLogFile();
  const bool outputClosed = output.Close();
  if (!written || !outputClosed) return ReportCannotCreate(outputPath);
  if (readFailed || !inputClosed) return ReportCannotOpen(fileName);
  if (!TheFlags().abortRequested) AppendConversionSummary(tally);
  Window().ProcessPendingEvents();
  return tally.records;
}

}  // namespace orthelev
