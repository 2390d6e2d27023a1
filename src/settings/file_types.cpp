#include "settings/file_types.hpp"

#include "base/ascii_text.hpp"
#include "settings/settings.hpp"

namespace orthelev {
namespace {

constexpr std::string_view kListed = ", *.";
constexpr std::string_view kMasked = ";*.";

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos;
       at = text.find(from, start)) {
    result.append(text.substr(start, at - start)).append(to);
    start = at + from.size();
  }
  return result.append(text.substr(start));
}

// The first two characters dropped (fewer when the text is shorter).
std::string DropTwo(const std::string& text) { return text.size() > 2 ? text.substr(2) : ""; }

std::string ExtensionOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? "" : std::string(name.substr(dot));
}

bool InList(const std::string& lowerExt, std::string_view list) {
  return (LowerAscii(list) + ".").find(lowerExt + ".") != std::string::npos;
}

}  // namespace

std::string BuildOpenFilter(std::string_view nmeaList, std::string_view csvList) {
  const std::string nmea = DropTwo(ReplaceAll(nmeaList, ".", kListed));
  std::string csv = ReplaceAll(csvList, ".", kListed);
  const std::string both = nmea + csv;
  csv = DropTwo(csv);
  return "NMEA+CSV file (" + both + ")|" + ReplaceAll(both, kListed, kMasked) + "|NMEA file (" +
         nmea + ")|" + ReplaceAll(nmea, kListed, kMasked) + "|CSV file (" + csv + ")|" +
         ReplaceAll(csv, kListed, kMasked) + "|All file (*.*)|*.*";
}

std::string BuildOpenFilter(std::string_view nmeaList, std::string_view csvList,
                            std::string_view gpxList) {
  constexpr std::string_view kAllFiles = "|All file (*.*)|*.*";
  std::string filter = BuildOpenFilter(nmeaList, csvList);
  const std::string gpx = DropTwo(ReplaceAll(gpxList, ".", kListed));
  filter.insert(filter.size() - kAllFiles.size(),
                "|GPX log file (" + gpx + ")|" + ReplaceAll(gpx, kListed, kMasked));
  return filter;
}

std::string BuildOpenFilterFromSettings() {
  return BuildOpenFilter(TheSettings().nmeaExt, TheSettings().csvExt, TheSettings().gpxExt);
}

LogFileType LogFileTypeOf(std::string_view path, std::string_view csvList,
                          std::string_view nmeaList, std::string_view gpxList) {
  const std::string ext = LowerAscii(ExtensionOf(path));
  if (InList(ext, csvList)) return LogFileType::Csv;
  if (!gpxList.empty() && InList(ext, gpxList)) return LogFileType::Gpx;
  if (InList(ext, nmeaList)) return LogFileType::Nmea;
  return LogFileType::Unknown;
}

LogFileType LogFileTypeOf(std::string_view path) {
  const Settings& s = TheSettings();
  return LogFileTypeOf(path, s.csvExt, s.nmeaExt, s.gpxExt);
}

}  // namespace orthelev
