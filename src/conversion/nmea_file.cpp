#include "conversion/nmea_file.hpp"

#include <algorithm>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/height_reference.hpp"
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

// "    12 UBX packets corrected", "    2 UBX and 3 SiRF packets corrected",
// "    1 UBX packet corrected";
// "" when none was.
std::string PacketsLine(const NmeaCounters& counters) {
  std::string counts;
  if (counters.ubxCorrected > 0) counts = FormatInt(counters.ubxCorrected) + " UBX";
  if (counters.sirfCorrected > 0)
    counts += (counts.empty() ? "" : " and ") + FormatInt(counters.sirfCorrected) + " SiRF";
  const bool one = counters.ubxCorrected + counters.sirfCorrected == 1;
  return counts.empty() ? "" : "    " + counts + (one ? " packet corrected" : " packets corrected");
}

ConversionTally TallyOf(const NmeaCounters& counters) {
  ConversionTally tally;
  const std::int32_t packets = counters.ubxCorrected + counters.sirfCorrected;
  tally.records = counters.records;
  tally.inside = counters.corrected + packets;
  tally.outside = counters.outsideRange;
  tally.diffSum = counters.diffSum;
  tally.corrected = counters.corrected + packets;
  tally.uncorrected = counters.noSeparation;
  tally.uncorrectedWhy = "without geoid separation";
  // A packet's own ellipsoidal height is its evidence: the reading tells the sentences.
  if (counters.corrected > 0)
    tally.reading = ReadHeightSettings().statedEllipsoidal
                        ? EllipsoidalReading(StatedByUser().source)
                        : "    Heights read as altitude + geoid separation";
  tally.packets = PacketsLine(counters);
  if (counters.records == 0) {
    tally.nothingWhy = "no GGA or GNS sentence";
  } else if (counters.noSeparation > 0) {
    tally.nothingWhy =
        "no sentence states its geoid separation; if the altitudes are "
        "ellipsoidal, " +
        std::string(kStateEllipsoidalHint);
  } else if (counters.noAltitude > 0) {
    tally.nothingWhy = "no altitude in any sentence";
  }
  return tally;
}

}  // namespace

std::int32_t ConvertNmeaFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = ConvertedPathOf(inputPath);
  // A line reader of 8-bit text would break UTF-16's line ends.
  if (LogFileIsUtf16(inputPath)) return ReportRefused("  UTF-16 NMEA log file : ", fileName);
  OutputFile output;
  if (!StartConversion(inputPath, "NMEA", outputPath, output)) return -1;

  NmeaCounters counters;
  const bool written = ConvertLines(fileName, output, counters);
  return FinishConversion(output, written, fileName, outputPath, TallyOf(counters));
}

bool LooksLikeNmea(std::string_view head) {
  for (std::size_t start = 0; start < head.size();) {
    const std::size_t end = std::min(head.find_first_of("\r\n", start), head.size());
    const std::string_view line = head.substr(start, end - start);
    start = end + 1;
    const std::size_t comma = line.find(',');
    if (line.size() < 9 || line[0] != '$' || comma < 6 || comma == std::string_view::npos) continue;
    const std::size_t star = line.rfind('*');
    if (star != std::string_view::npos && star + 3 == line.size() && !HasWrongChecksum(line))
      return true;
  }
  return false;
}

}  // namespace orthelev
