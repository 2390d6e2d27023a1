#include "conversion/nmea_file.hpp"

#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/nmea_line.hpp"
#include "conversion/nmea_sentence.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

// Passes every line of the open log through CorrectNmeaLine to the output;
// the pieces of an overlong line but its last are copied as they are.
// False when a write failed.
bool ConvertLines(const std::string& fileName, OutputFile& output, NmeaCounters& counters) {
  const HeightSettings heights = ReadHeightSettings();
  std::string line;
  bool lastPiece = false;  // of a cut line: written even when empty
  while (!TheFlags().abortRequested) {
    ReadLogLine(line);
    const bool last = LogEof();
    // The reader gives an empty string only at the end of the data.
    if (LogReadFailed() || (last && line.empty() && !lastPiece)) return true;
    if (LogLineContinues()) {
      if (!output.Write(line)) return false;
      lastPiece = true;
      ShowConversionProgress(fileName, "NMEA");  // where Esc is seen
      continue;
    }
    lastPiece = false;
    CorrectNmeaLine(line, counters, LogLinePacketStart(), heights);
    if (!output.WriteLine(line)) return false;
    if (counters.records % kProgressEvery == 0) ShowConversionProgress(fileName, "NMEA");
    if (last) return true;
  }
  return true;
}

}  // namespace

std::int32_t ConvertNmeaFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = OutputPathFor(inputPath, EffectivePostfix());
  // A line reader of 8-bit text would break UTF-16's line ends.
  if (LogFileIsUtf16(inputPath)) return ReportRefused("  UTF-16 NMEA log file : ", fileName);
  OutputFile output;
  if (!StartConversion(inputPath, "NMEA", outputPath, output)) return -1;

  NmeaCounters counters;
  const bool written = ConvertLines(fileName, output, counters);
  ConversionTally tally;
  tally.records = counters.records;
  tally.inside = counters.corrected;
  tally.outside = counters.outsideRange;
  tally.diffSum = counters.diffSum;
  return FinishConversion(output, written, fileName, outputPath, tally);
}

}  // namespace orthelev
