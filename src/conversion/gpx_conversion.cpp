#include "conversion/gpx_conversion.hpp"

#include <cmath>
#include <memory>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_report.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/gpx_scan.hpp"
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

// Corrects the points the scan finds and writes the output.
class GpxCorrection final : public GpxScanHandler {
 public:
  GpxCorrection(const std::string& fileName, OutputFile& output)
      : fileName_(fileName), output_(output) {}

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

  bool SeaLevelPointWithoutGeoid() const { return seaLevelWithoutGeoid_; }

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
    const double n = InterpolateGeoid(heights_.window, point.latitude, point.longitude);
    if (std::isnan(n)) {
      ++tally_.outside;
      return;
    }
    ++tally_.inside;
    if (point.hasGeoidHeight) ++insideWithGeoid_;
    tally_.diffSum += g - n;
    // The same sum as the NMEA conversion's altitude + separation - N, so
    // that a GPX made from an NMEA log gets the same heights as the log.
    edit.ele = FormatFixed((point.ele + g) - n, heights_.decimals);
    if (point.hasGeoidHeight) edit.geoidHeight = FormatFixed(n, heights_.decimals);
  }

  const std::string& fileName_;
  OutputFile& output_;
  const HeightSettings heights_ = ReadHeightSettings();
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

std::int32_t ConvertGpxFile(const std::string& inputPath) {
  const std::string fileName = FileNameOf(inputPath);
  const std::string outputPath = OutputPathFor(inputPath, EffectivePostfix());
  OutputFile output;
  if (!StartConversion(inputPath, "GPX", outputPath, output)) return -1;

  // The output takes its name only when the file is converted (or Esc
  // stops it): a refused file leaves an earlier output as it was.
  GpxCorrection correction(fileName, output);
  GpxScanner scanner(correction);
  const GpxScanEnd end = ScanLog(scanner);
  switch (end) {
    case GpxScanEnd::Running:  // a read failed
    case GpxScanEnd::Finished:
    case GpxScanEnd::Stopped:
      if (correction.RefusedAsSeaLevel(end == GpxScanEnd::Finished))
        return Refuse("  MSL input without Geoid : ", fileName);
      return FinishConversion(output, true, fileName, outputPath, correction.Tally());
    case GpxScanEnd::WriteFailed:
      return FinishConversion(output, false, fileName, outputPath, {});
    default:
      return Refuse(RefusalText(end), fileName);
  }
}

}  // namespace orthelev
