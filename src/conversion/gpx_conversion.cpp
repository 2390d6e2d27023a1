#include "conversion/gpx_conversion.hpp"

#include <cmath>
#include <memory>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/gpx_scan.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/logger_profiles.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr std::int32_t kProgressEvery = 1024;
constexpr std::size_t kReadBytes = 64 * 1024;
// A geoid height beyond any on Earth is a broken value, not a reference:
// such a point is left as it is, as the NMEA conversion leaves a sentence.
constexpr double kMaxGeoidHeight = 150.0;

// Corrects the points the scan finds and writes the output.
class GpxCorrection final : public GpxScanHandler {
 public:
  GpxCorrection(OutputFile& output, const std::string& fileName)
      : output_(output), fileName_(fileName) {}

  bool OnRoot(std::string_view creator) override {
    seaLevelCreator_ = CreatorWritesSeaLevelHeights(creator);
    return true;
  }

  bool OnPoint(const GpxPoint& point, GpxPointEdit& edit) override {
    if (TheFlags().abortRequested) return false;
    if (point.hasGeoidHeight) geoidHeightSeen_ = true;
    if (seaLevelCreator_ && !point.hasGeoidHeight) {
      seaLevelWithoutGeoid_ = true;
      return false;
    }
    Correct(point, edit);
    if (++tally_.records % kProgressEvery == 0) ShowConversionProgress(fileName_, "GPX");
    return true;
  }

  bool Write(std::string_view bytes) override { return output_.Write(bytes); }

  // The creator writes sea-level heights and the file gives no geoid height
  // for them: a point with <ele> lacks one, or (`atEnd`) no point has one.
  bool RefusedAsSeaLevel(bool atEnd) const {
    return seaLevelWithoutGeoid_ || (atEnd && seaLevelCreator_ && !geoidHeightSeen_);
  }

  ConversionTally Tally() const {
    ConversionTally tally = tally_;
    if (tally.inside == 0) return tally;
    if (insideWithGeoid_ == 0)
      tally.reading = "    Heights read as ellipsoidal (no <geoidheight>)";
    else if (insideWithGeoid_ == tally.inside)
      tally.reading = "    Heights read as <ele> + <geoidheight>";
    else
      tally.reading = "    Heights read as <ele> + <geoidheight>, ellipsoidal without it";
    return tally;
  }

 private:
  void Correct(const GpxPoint& point, GpxPointEdit& edit) {
    const double g = point.hasGeoidHeight ? point.geoidHeight : 0.0;
    if (std::isnan(point.latitude) || std::isnan(point.longitude) || std::isnan(point.ele) ||
        !(std::fabs(g) <= kMaxGeoidHeight))
      return;
    const double n = InterpolateGeoid(window_, point.latitude, point.longitude);
    if (std::isnan(n)) {
      ++tally_.outside;
      return;
    }
    ++tally_.inside;
    if (point.hasGeoidHeight) ++insideWithGeoid_;
    tally_.diffSum += g - n;
    // The same sum as the NMEA conversion's altitude + separation - N, so
    // that a GPX made from an NMEA log gets the same heights as the log.
    edit.ele = FormatFixed((point.ele + g) - n, decimals_);
    if (point.hasGeoidHeight) edit.geoidHeight = FormatFixed(n, decimals_);
  }

  OutputFile& output_;
  const std::string& fileName_;
  const int window_ = InterpolationWindow(TheFlags().useSpline);
  const int decimals_ = HeightDecimals();
  bool seaLevelCreator_ = false, geoidHeightSeen_ = false, seaLevelWithoutGeoid_ = false;
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

// Closes both files, deleting the output, and reports `text` + file name.
std::int32_t Refuse(OutputFile& output, const std::string& text, const std::string& fileName) {
  CloseLogFile();
  output.CloseAndRemove();
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

std::int32_t ConvertGpxFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = OutputPathFor(inputPath, EffectivePostfix());
  OutputFile output;
  if (!StartConversion(inputPath, "GPX", outputPath, output)) return -1;

  GpxCorrection correction(output, fileName);
  GpxScanner scanner(correction);
  const GpxScanEnd end = ScanLog(scanner);
  if (LogReadFailed()) {
    CloseLogFile();
    output.CloseAndRemove();
    return ReportCannotOpen(fileName);
  }
  switch (end) {
    case GpxScanEnd::Finished:
    case GpxScanEnd::Stopped:
      if (correction.RefusedAsSeaLevel(end == GpxScanEnd::Finished))
        return Refuse(output, "  MSL input without Geoid : ", fileName);
      return FinishConversion(output, true, fileName, outputPath, correction.Tally());
    case GpxScanEnd::WriteFailed:
      return FinishConversion(output, false, fileName, outputPath, correction.Tally());
    default:
      return Refuse(output, RefusalText(end), fileName);
  }
}

}  // namespace orthelev
