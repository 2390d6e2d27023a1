#include "conversion/csv_conversion.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/csv_record.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/height_reference.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "conversion/rtklib_solution.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr std::int32_t kFailed = -1;

// What the conversion counts as it goes (conversion_report.hpp).
using CsvCounters = ConversionTally;

std::int32_t CloseUnreadable(const std::string& fileName) {
  CloseLogFile();
  return ReportCannotOpen(fileName);
}

std::int32_t RefuseFile(const std::string& text, const std::string& fileName) {
  CloseLogFile();
  return ReportRefused(text, fileName);
}

// Refuses the file (RefuseFile) when the height reference its RTKLIB header
// states cannot be corrected; geodetic heights set MslWithoutGeoid.
std::optional<std::int32_t> RefuseByReference(const RtklibReference& reference,
                                              const std::string& fileName) {
  const std::string_view refusal = RtklibRefusal(reference, ReadHeightSettings().statedEllipsoidal);
  if (refusal.empty()) return std::nullopt;
  if (reference.geodetic) TheConversion().mslWithoutGeoid = true;
  return RefuseFile(std::string(refusal), fileName);
}

// The name of 1-based column `column` in the column-name line (the last
// line of the header text), as the file writes it.
std::string ColumnName(const CsvLayout& layout, std::int32_t column) {
  const std::size_t lineStart = layout.headerText.rfind('\n');
  std::string_view line(layout.headerText);
  line.remove_prefix(lineStart == std::string::npos ? 0 : lineStart + 1);
  if (!line.empty() && line.front() == '%') line.remove_prefix(1);
  CsvItemViews items;
  const std::int32_t count = SplitCsvItems(line, items);
  return column >= 1 && column <= count ? std::string(items[column - 1]) : std::string();
}

// How a comma-separated file's heights are read, strongest evidence first
// (docs/height-reference.md); an empty reading refuses the file as sea
// level without a geoid column.
std::string CsvReading(const CsvLayout& layout) {
  if (const HeightEvidence stated = StatedByUser(); stated.basis == HeightBasis::Ellipsoidal)
    return EllipsoidalReading(stated.source);
  if (layout.columns.geoid != 0) return "    Heights read as height + Geoid column";
  if (layout.reference.stated) return EllipsoidalReading("RTKLIB header");
  const std::string heightName = ColumnName(layout, layout.columns.height);
  if (UpperAscii(heightName).find("ELLIPSOID") != std::string::npos)
    return EllipsoidalReading("column " + heightName);
  if (TheConversion().mslWithoutGeoid) return {};
  return EllipsoidalReading("logger profile " + TheConversion().profileName);
}

// ReplaceCsvColumn on `line` itself (no new string once it has room).
void ReplaceColumnInPlace(std::string& line, double value, std::int32_t column, int decimals) {
  if (line.empty()) return;
  std::size_t start = 0;  // just after the (column - 1)-th comma
  for (std::int32_t commas = 1; commas < column; ++commas) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string::npos) {
      line.append(static_cast<std::size_t>(column - commas), ',');
      start = line.size();
      break;
    }
    start = comma + 1;
  }
  std::size_t rest = start;
  while (rest < line.size() && line[rest] == ' ') ++rest;
  while (rest < line.size() &&
         std::string_view("0123456789+-.").find(line[rest]) != std::string_view::npos)
    ++rest;
  line.replace(start, rest - start, FormatFixed(value, decimals, 3));  // short: no allocation
}

// Puts the record's line as it goes to the output into `out`, corrected
// when the model covers its position and the file has a height column. The
// layout gets the old storage of `out` to read the next line into.
void CorrectRecordLine(CsvLayout& layout, std::string& out, CsvCounters& counters, int window,
                       int decimals, bool statedEllipsoidal) {
  out.swap(layout.line);
  if (!layout.positionGiven) {
    ++counters.noPosition;
    return;
  }
  const double n = InterpolateGeoid(window, layout.latitude, layout.longitude);
  const double g = statedEllipsoidal ? 0.0 : layout.fileGeoid;
  ProfileRecord(layout.height, layout.height + g - n, n);
  if (std::isnan(n)) {
    ++counters.outside;
    return;
  }
  ++counters.inside;
  if (layout.columns.height == 0) return;
  ++counters.corrected;
  counters.diffSum += g - n;
  // A packet behind the record's text keeps every byte.
  const std::string packet = CutPacket(out, layout.packetStart);
  ReplaceColumnInPlace(out, layout.height + g - n, layout.columns.height, decimals);
  if (layout.columns.geoid != 0) ReplaceColumnInPlace(out, n, layout.columns.geoid, decimals);
  out += packet;
}

// What comes after the header: a record, a comment line written as it is
// but not counted, or the end of the data.
enum class NextLine { Record, Comment, End };

// Writes the header and then every line `next` gives until the data ends or
// Esc is pressed; events are let through after every 1024th record. Creates
// the output first and closes both files at the end.
template <class NextOutputLine>
std::int32_t WriteCorrectedCopy(const std::string& inputPath, const std::string& headerText,
                                const std::string& reading, NextOutputLine next) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = ConvertedPathOf(inputPath);
  OutputFile output;
  if (!CreateOutput(output, outputPath)) {
    CloseLogFile();
    return kFailed;
  }
  CsvCounters counters;
  bool written = output.WriteLine(headerText);
  for (std::string line; written && !TheFlags().abortRequested;) {
    const NextLine kind = next(line, counters);
    if (kind == NextLine::End) break;
    written = output.WriteLine(line);
    if (written && kind == NextLine::Record && ++counters.records % kProgressEvery == 0)
      ShowConversionProgress(fileName, "CSV");
  }
  ConversionTally tally = counters;
  tally.reading = reading;
  if (counters.inside > 0 && counters.corrected == 0)
    tally.nothingWhy = "no height column (its name is in no list of [CSVitem] Height)";
  return FinishConversion(output, written, fileName, outputPath, tally);
}

// The opening of a conversion whose first record has passed: status text,
// report line and the events of the start.
void AnnounceConversion(const std::string& fileName) {
  Window().SetStatusText(" " + fileName + "  CSV file ...");
  Window().AppendReportLine(" CSV: " + fileName);
  Window().ProcessPendingEvents();
}

// A record of an RTKLIB solution file as it goes to the output: its height
// h becomes h - N when the model covers its position.
std::string CorrectedRtklibLine(std::string line, std::size_t packetStart,
                                const RtklibColumns& columns, CsvCounters& counters, int window,
                                int decimals) {
  // Only the text before a packet is the record; the packet keeps every byte.
  if (packetStart < line.size()) {
    const std::string packet = CutPacket(line, packetStart);
    return CorrectedRtklibLine(std::move(line), std::string::npos, columns, counters, window,
                               decimals) +
           packet;
  }
  const std::optional<RtklibRecord> record = ParseRtklibRecord(line, columns);
  const double n =
      record ? InterpolateGeoid(window, record->latitude, record->longitude) : std::nan("");
  const double h = record && record->height ? *record->height : std::nan("");
  if (record) ProfileRecord(h, h - n, n);
  const bool hasHeightColumn = columns.height.item >= 0;
  // A record without a usable height item cannot be corrected either.
  if (std::isnan(n) || (hasHeightColumn && !record->height)) {
    ++counters.outside;
    return line;
  }
  ++counters.inside;
  if (!hasHeightColumn) return line;
  ++counters.corrected;
  counters.diffSum -= n;
  return ReplaceRtklibHeight(line, columns, *record->height - n, decimals);
}

// The conversion of a file in which no comma-separated column-name line was
// found: read again from its start as an RTKLIB solution file.
std::int32_t ConvertRtklibSolution(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  CloseLogFile();
  if (!OpenLogFile(inputPath)) return ReportCannotOpen(fileName);
  RtklibHeader header;
  const bool found = AnalyseRtklibHeader(header, TheSettings().csvItems);
  if (LogReadFailed()) return CloseUnreadable(fileName);
  if (!found) return RefuseFile("  Unknown CSV log file : ", fileName);
  TheConversion().mslWithoutGeoid = false;  // no logger profile: the header tells
  if (const auto refused = RefuseByReference(header.reference, fileName)) return *refused;
  const HeightEvidence stated = StatedByUser();
  if (stated.basis == HeightBasis::Unknown && !header.reference.stated) {
    CloseLogFile();
    return RefuseUnknownReference(fileName,
                                  "The RTKLIB header has no \"lat/lon/height=\" line: "
                                  "if its heights are ellipsoidal,");
  }
  const std::string reading = stated.basis == HeightBasis::Ellipsoidal
                                  ? EllipsoidalReading(stated.source)
                                  : EllipsoidalReading("RTKLIB header");

  AnnounceConversion(fileName);
  const HeightSettings heights = ReadHeightSettings();
  const int window = heights.window, decimals = heights.decimals;
  std::optional<std::string> pending = std::move(header.firstRecord);
  std::size_t pendingPacket = header.firstRecordPacket;
  auto next = [&](std::string& line, CsvCounters& counters) {
    while (!pending && !LogEof()) {
      std::string read = ReadLogLine();
      pendingPacket = LogLinePacketStart();
      if (!read.empty()) pending = std::move(read);
    }
    if (!pending) return NextLine::End;
    line = std::move(*pending);
    pending.reset();
    if (line.front() == '%') return NextLine::Comment;
    line = CorrectedRtklibLine(std::move(line), pendingPacket, header.columns, counters, window,
                               decimals);
    return NextLine::Record;
  };
  return WriteCorrectedCopy(inputPath, header.text, reading, next);
}

}  // namespace

std::int32_t ConvertCsvFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  if (!OpenLogFile(inputPath)) return ReportCannotOpen(fileName);

  CsvLayout layout;
  const bool headerFound = AnalyseCsvHeader(layout);
  if (LogReadFailed()) return CloseUnreadable(fileName);
  if (!headerFound) return ConvertRtklibSolution(inputPath);
  if (const auto refused = RefuseByReference(layout.reference, fileName)) return *refused;
  const std::string reading = CsvReading(layout);
  if (reading.empty()) return RefuseFile("  MSL input without Geoid : ", fileName);

  const bool haveRecord = ReadCsvRecord(layout);
  if (LogReadFailed()) return CloseUnreadable(fileName);
  if (TheConversion().dateTimeFormatError) {
    Window().AppendReportLine(" CSV: " + fileName);
    CloseLogFile();
    return kFailed;
  }
  AnnounceConversion(fileName);
  const HeightSettings heights = ReadHeightSettings();
  const int window = heights.window, decimals = heights.decimals;
  bool pending = haveRecord;
  auto next = [&](std::string& line, CsvCounters& counters) {
    if (!pending) return NextLine::End;
    CorrectRecordLine(layout, line, counters, window, decimals, heights.statedEllipsoidal);
    pending = ReadCsvRecord(layout);
    return NextLine::Record;
  };
  return WriteCorrectedCopy(inputPath, layout.headerText, reading, next);
}

std::string ReplaceCsvColumn(std::string_view line, double value, std::int32_t column,
                             int decimals) {
  std::string result(line);
  ReplaceColumnInPlace(result, value, column, decimals);
  return result;
}

bool LooksLikeCsv(std::string_view head) {
  const CsvItemTitles& titles = TheSettings().csvItems;
  int lines = 0;
  for (std::size_t start = 0; start < head.size() && lines < 35;) {
    const std::size_t end = std::min(head.find_first_of("\r\n", start), head.size());
    const std::string_view line = head.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    ++lines;
    CsvLayout layout;
    if (ExamineHeaderLine(layout, line, titles) || ParseRtklibColumnNames(line, titles))
      return true;
  }
  return false;
}

}  // namespace orthelev
