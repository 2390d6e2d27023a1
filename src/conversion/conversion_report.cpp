#include "conversion/conversion_report.hpp"

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_state.hpp"
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
  if (!CreateOutput(output, outputPath)) {
    CloseLogFile();
    return false;
  }
  AnnounceConversion(kind, fileName);
  return true;
}

bool CreateOutput(OutputFile& output, const std::string& outputPath) {
  if (output.Create(outputPath) == OutputFile::CreateResult::Created) return true;
  ReportCannotCreate(outputPath, output.FailureReason());
  return false;
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

std::int32_t ReportCannotCreate(const std::string& outputPath, const std::string& reason) {
  const std::string text = "Can't create: " + outputPath + (reason.empty() ? "" : ": " + reason);
  Window().AppendReportLine("  " + text);
  Window().ShowMessageBox(text);
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

namespace {

std::string WhyNothingCorrected(const ConversionTally& tally) {
  if (!tally.nothingWhy.empty()) return tally.nothingWhy;
  if (tally.uncorrected > 0) return "every record inside the model " + tally.uncorrectedWhy;
  if (tally.records == 0) return "no records";
  if (tally.outside > 0) return "no position inside the model";
  return "no record with a position";
}

}  // namespace

void AppendConversionSummary(const ConversionTally& tally) {
  const auto& [records, inside, outside, noPosition, diffSum, reading, corrected, uncorrected,
               uncorrectedWhy, nothingWhy, packets] = tally;
  Window().AppendReportLine("    " + FormatInt(records) + " records");
  if (noPosition > 0)
    Window().AppendReportLine("    Number of records with no position = " + FormatInt(noPosition));
  if (!reading.empty() && corrected > 0) Window().AppendReportLine(reading);
  if (!packets.empty()) Window().AppendReportLine(packets);
  if (inside > 0)
    Window().AppendReportLine("    Geoid diff.  " + FormatFixed(diffSum / inside, 4, 6) + "m");
  if (outside > 0) {
    Window().AppendReportLine("    Number of Geoid outside range = " + FormatInt(outside) + "/" +
                              FormatInt(std::int64_t{outside} + inside));
    if (!TheFlags().startHidden) Window().ShowReport();
  }
  if (corrected == 0) {
    Window().AppendReportLine("    Nothing corrected: " + WhyNothingCorrected(tally));
    TheConversion().nothingCorrected = true;
  } else if (uncorrected > 0) {
    Window().AppendReportLine("    Corrected " + FormatInt(corrected) + " of " +
                              FormatInt(records) + " records; " + FormatInt(uncorrected) + " " +
                              uncorrectedWhy);
  }
  Window().SetStatusText(Window().StatusText() + "  Read:" + FormatInt(records) + "rec.");
}

std::int32_t FinishConversion(OutputFile& output, bool written, const std::string& fileName,
                              const std::string& outputPath, const ConversionTally& tally) {
  const bool readFailed = LogReadFailed();
  const bool inputClosed = CloseLogFile();
  // A file that is not complete never takes the output's name.
  if (!written) {
    output.Discard();
    return ReportCannotCreate(outputPath, output.FailureReason());
  }
  if (readFailed || !inputClosed) {
    output.Discard();
    return ReportCannotOpen(fileName);
  }
  if (TheFlags().abortRequested) {
    output.Discard();
    Window().AppendReportLine("  Stopped, no output written : " + fileName);
  } else if (!output.Commit()) {
    return ReportCannotCreate(outputPath, output.FailureReason());
  } else {
    AppendConversionSummary(tally);
  }
  Window().ProcessPendingEvents();
  return tally.records;
}

}  // namespace orthelev
