#include "conversion/gpx_conversion.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/gpx_scan.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/height_reference.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/logger_profiles.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr std::size_t kReadBytes = std::size_t{64} << 10;
// A geoid height beyond any on Earth is a broken value, not a reference:
// such a point is left as it is, as the NMEA conversion leaves a sentence.
constexpr double kMaxGeoidHeight = 150.0;

constexpr std::size_t kHeadBytes = std::size_t{64} << 10;

// A file's first bytes as ASCII-compatible text: a UTF-16 file (with BOM,
// or starting with "<") keeps one byte of each unit.
std::string AsciiOfHead(std::string_view head) {
  const bool littleEndian = head.starts_with("\xFF\xFE") || head.starts_with(std::string("<\0", 2));
  const bool bigEndian = head.starts_with("\xFE\xFF") || head.starts_with(std::string("\0<", 2));
  if (!littleEndian && !bigEndian) return std::string(head);
  std::string text;
  for (std::size_t at = littleEndian ? 0 : 1; at < head.size(); at += 2) text += head[at];
  return text;
}

// What the texts of <desc>, <src>, <cmt> and <keywords> before the file's
// first point say about its heights.
HeightBasis StatementBeforeFirstPoint(const std::string& path) {
  std::string head = AsciiOfHead(FileStart(path, kHeadBytes));
  for (const char* point : {"<wpt", "<rtept", "<trkpt"})
    head.resize(std::min(head.size(), head.find(point)));
  std::string texts;
  for (const std::string_view name : {"desc", "src", "cmt", "keywords"}) {
    const std::string open = "<" + std::string(name) + ">", close = "</" + std::string(name) + ">";
    for (std::size_t at = head.find(open); at != std::string::npos; at = head.find(open, at + 1)) {
      const std::size_t start = at + open.size(), end = head.find(close, start);
      texts += head.substr(start, end == std::string::npos ? std::string::npos : end - start) + " ";
    }
  }
  return StatementInText(texts);
}

// The evidence for the heights of points without <geoidheight>, strongest
// first: the user, the file's own texts, the creator tables.
HeightEvidence EvidenceWithoutGeoidHeight(const std::string& path, std::string_view creator) {
  if (HeightEvidence stated = StatedByUser(); stated.basis != HeightBasis::Unknown) return stated;
  if (const HeightBasis basis = StatementBeforeFirstPoint(path); basis != HeightBasis::Unknown)
    return {basis, "stated in the file"};
  const CreatorReference byCreator = CreatorHeightReference(creator);
  switch (byCreator.writes) {
    case CreatorWrites::SeaLevel:
      return {HeightBasis::SeaLevel, "creator " + byCreator.row};
    case CreatorWrites::Ellipsoidal:
      return {HeightBasis::Ellipsoidal, "creator " + byCreator.row};
    case CreatorWrites::Unknown:
      break;
  }
  return {};
}

// Corrects the points the scan finds and writes the output.
class GpxCorrection final : public GpxScanHandler {
 public:
  GpxCorrection(const std::string& inputPath, const std::string& fileName, OutputFile& output)
      : inputPath_(inputPath), fileName_(fileName), output_(output) {}

  bool OnRoot(std::string_view creator) override {
    creator_ = creator;
    evidence_ = EvidenceWithoutGeoidHeight(inputPath_, creator);
    return true;
  }

  bool OnPoint(const GpxPoint& point, GpxPointEdit& edit) override {
    if (TheFlags().abortRequested) return false;
    if (point.hasGeoidHeight) geoidHeightSeen_ = true;
    if (!point.hasGeoidHeight || heights_.statedEllipsoidal) {
      if (evidence_.basis == HeightBasis::SeaLevel) {
        seaLevelWithoutGeoid_ = true;
        return false;
      }
      // The scan goes on, so that a file broken further on is refused as
      // broken; nothing more is corrected, and the output is never kept.
      if (evidence_.basis == HeightBasis::Unknown) unknownReference_ = true;
    }
    if (!unknownReference_) Correct(point, edit);
    if (++tally_.records % kProgressEvery == 0) ShowConversionProgress(fileName_, "GPX");
    return true;
  }

  bool Write(std::string_view bytes) override { return output_.Write(bytes); }

  // The file's heights are above sea level and it gives no geoid height
  // for them: a point with <ele> lacks one, or (`atEnd`) no point has one.
  bool RefusedAsSeaLevel(bool atEnd) const {
    return seaLevelWithoutGeoid_ ||
           (atEnd && evidence_.basis == HeightBasis::SeaLevel && !geoidHeightSeen_);
  }

  // A point has <ele> without <geoidheight>, and nothing tells what it holds.
  bool UnknownReference() const { return unknownReference_; }
  const std::string& Creator() const { return creator_; }

  ConversionTally Tally() const {
    ConversionTally tally = tally_;
    tally.corrected = tally.inside;
    if (tally.records == 0) tally.nothingWhy = "no point with <ele>";
    if (tally.inside == 0) return tally;
    if (insideWithGeoid_ == 0)
      tally.reading = EllipsoidalReading(evidence_.source);
    else if (insideWithGeoid_ == tally.inside)
      tally.reading = "    Heights read as <ele> + <geoidheight>";
    else
      tally.reading = "    Heights read as <ele> + <geoidheight>, ellipsoidal without it (" +
                      evidence_.source + ")";
    return tally;
  }

 private:
  void Correct(const GpxPoint& point, GpxPointEdit& edit) {
    const bool byGeoidHeight = point.hasGeoidHeight && !heights_.statedEllipsoidal;
    const double g = byGeoidHeight ? point.geoidHeight : 0.0;
    if (std::isnan(point.latitude) || std::isnan(point.longitude) || std::isnan(point.ele) ||
        !(std::fabs(g) <= kMaxGeoidHeight))
      return;
    const double n = InterpolateGeoid(heights_.window, point.latitude, point.longitude);
    ProfileRecord(point.ele, (point.ele + g) - n, n);
    if (std::isnan(n)) {
      ++tally_.outside;
      return;
    }
    ++tally_.inside;
    if (byGeoidHeight) ++insideWithGeoid_;
    tally_.diffSum += g - n;
    // The same sum as the NMEA conversion's altitude + separation - N, so
    // that a GPX made from an NMEA log gets the same heights as the log.
    edit.ele = FormatFixed((point.ele + g) - n, heights_.decimals);
    if (point.hasGeoidHeight) edit.geoidHeight = FormatFixed(n, heights_.decimals);
  }

  const std::string& inputPath_;
  const std::string& fileName_;
  OutputFile& output_;
  const HeightSettings heights_ = ReadHeightSettings();
  std::string creator_;
  HeightEvidence evidence_;
  bool geoidHeightSeen_ = false, seaLevelWithoutGeoid_ = false, unknownReference_ = false;
  std::int32_t insideWithGeoid_ = 0;
  ConversionTally tally_;
};

// Feeds the whole log to the scan, unless Esc is pressed or the scan ends.
GpxScanEnd ScanLog(GpxScanner& scanner) {
  const std::unique_ptr<char[]> buffer(new char[kReadBytes]);
  while (!TheFlags().abortRequested) {
    const std::size_t got = ReadLogBytes(buffer.get(), kReadBytes);
    if (got == 0) return LogReadFailed() ? GpxScanEnd::Running : scanner.Finish();
    const GpxScanEnd end = scanner.Feed(std::string_view(buffer.get(), got));
    if (end != GpxScanEnd::Running) return end;
  }
  return GpxScanEnd::Stopped;
}

// Closes the log and reports `text` + file name.
std::int32_t Refuse(const std::string& text, const std::string& fileName) {
  CloseLogFile();
  return ReportRefused(text, fileName);
}

std::string RefusalText(GpxScanEnd end) {
  switch (end) {
    case GpxScanEnd::NoRoot:
      return "  Unknown GPX log file : ";
    case GpxScanEnd::CutShort:
      return "  GPX log file cut short : ";
    default:
      return "  Broken GPX log file : ";
  }
}

}  // namespace

bool LooksLikeGpx(std::string_view head) {
  const std::string text = AsciiOfHead(head);
  const std::size_t first = text.find('<');
  return first != std::string::npos &&
         text.find_first_not_of(" \t\r\n\xEF\xBB\xBF\xFF\xFE") == first &&
         text.find("<gpx", first) != std::string::npos;
}

std::int32_t ConvertGpxFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = ConvertedPathOf(inputPath);
  OutputFile output;
  if (!StartConversion(inputPath, "GPX", outputPath, output)) return -1;

  // The output takes its name only when the file is converted (or Esc
  // stops it): a refused file leaves an earlier output as it was.
  GpxCorrection correction(inputPath, fileName, output);
  GpxScanner scanner(correction);
  const GpxScanEnd end = ScanLog(scanner);
  switch (end) {
    case GpxScanEnd::Running:  // a read failed
    case GpxScanEnd::Finished:
    case GpxScanEnd::Stopped:
      if (correction.RefusedAsSeaLevel(end == GpxScanEnd::Finished))
        return Refuse("  MSL input without Geoid : ", fileName);
      if (correction.UnknownReference()) {
        CloseLogFile();
        return RefuseUnknownReference(
            fileName, "A point has <ele> without <geoidheight>, and the creator \"" +
                          correction.Creator() +
                          "\" is in neither [GPX_MSL] nor [GPX_Ellipsoidal] of the settings "
                          "file: add it to the one that holds its heights, or");
      }
      return FinishConversion(output, true, fileName, outputPath, correction.Tally());
    case GpxScanEnd::WriteFailed:
      return FinishConversion(output, false, fileName, outputPath, {});
    default:
      return Refuse(RefusalText(end), fileName);
  }
}

}  // namespace orthelev
