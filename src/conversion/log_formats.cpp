#include "conversion/log_formats.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "base/ascii_text.hpp"
#include "base/file_io.hpp"
#include "base/paths.hpp"
#include "conversion/csv_conversion.hpp"
#include "conversion/gpx_conversion.hpp"
#include "conversion/nmea_file.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr std::string_view kNmeaGlobs[] = {"*.nmea", "*.nme", "*.nma"};
constexpr std::string_view kGpxGlobs[] = {"*.gpx"};
constexpr std::string_view kGpxNamespaces[] = {"http://www.topografix.com/GPX/1/1",
                                               "http://www.topografix.com/GPX/1/0"};

// CSV has rank 0 so that a file without an extension goes there; GPX comes
// before NMEA because its list is the narrower one (NMEA's default holds
// ".txt", which a user may add to the GPX list for GPX files named so).
// The CSV list holds RTKLIB's ".pos": its converter tells the two apart.
const LogFormat kLogFormats[] = {
    {.name = "NMEA",
     .extensionKey = "NMEAext",
     .defaultExtensions = ".nme.nmea.nma.txt.text.ubx.log",
     .dialogDescription = "NMEA file",
     .lookupRank = 2,
     .recognise = LooksLikeNmea,
     .convert = ConvertNmeaFile,
     .mime = {"application/x-nmea", "NMEA 0183 GPS log", "text/plain", kNmeaGlobs, {}},
     .fuzzTarget = "nmea_file_fuzz"},
    {.name = "CSV",
     .extensionKey = "CSVext",
     .defaultExtensions = ".csv.pos",
     .dialogDescription = "CSV file",
     .lookupRank = 0,
     .recognise = LooksLikeCsv,
     .convert = ConvertCsvFile,
     .mime = {"text/csv", "", "", {}, {}},
     .fuzzTarget = "csv_file_fuzz"},
    {.name = "GPX",
     .extensionKey = "GPXext",
     .defaultExtensions = ".gpx",
     .dialogDescription = "GPX log file",
     .lookupRank = 1,
     .recognise = LooksLikeGpx,
     .convert = ConvertGpxFile,
     .mime = {"application/gpx+xml", "GPX GPS track", "application/xml", kGpxGlobs, kGpxNamespaces},
     .fuzzTarget = "gpx_file_fuzz"},
};

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
  const std::string_view name = path.substr(FileNameStart(path));
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? "" : std::string(name.substr(dot));
}

std::array<const LogFormat*, std::size(kLogFormats)> FormatsByRank() {
  std::array<const LogFormat*, std::size(kLogFormats)> byRank{};
  for (const LogFormat& format : kLogFormats) byRank.at(format.lookupRank) = &format;
  return byRank;
}

}  // namespace

std::span<const LogFormat> LogFormats() { return kLogFormats; }

std::string_view ExtensionListOf(const LogFormat& format) {
  const auto& lists = TheSettings().extensionLists;
  const auto found = lists.find(format.extensionKey);
  return found == lists.end() ? std::string_view() : std::string_view(found->second);
}

// Whole entries match when every entry begins with "."; a missing
// extension ("" + ".") is in every list.
bool ExtensionListHolds(std::string_view list, const std::string& lowerExt) {
  return (LowerAscii(list) + ".").find(lowerExt + ".") != std::string::npos;
}

const LogFormat* LogFormatOf(std::string_view path) {
  const std::string ext = LowerAscii(ExtensionOf(path));
  for (const LogFormat* format : FormatsByRank())
    if (ExtensionListHolds(ExtensionListOf(*format), ext)) return format;
  return nullptr;
}

const LogFormat* LogFormatForFile(const std::string& path) {
  const LogFormat* byExtension = LogFormatOf(path);
  // A file that cannot be read keeps its extension's format (a file without
  // one: CSV), whose conversion says it cannot open it.
  if ((byExtension && !ExtensionOf(path).empty()) || FileBytes(path) < 0) return byExtension;
  const std::string head = FileStart(path, kRecognisedBytes);
  for (const LogFormat* format : FormatsByRank())
    if (format->recognise(head)) return format;
  return nullptr;
}

std::string BuildOpenFilter(std::span<const FilterChoice> choices) {
  std::string names, allTypes;
  std::vector<std::string> listed;
  for (const FilterChoice& choice : choices) {
    const std::string types = ReplaceAll(choice.list, ".", kListed);
    const bool first = listed.empty();
    names += (first ? "" : "+") + std::string(choice.name);
    allTypes += first ? DropTwo(types) : types;
    listed.push_back(DropTwo(types));
  }
  std::string filter = names + " file (" + allTypes + ")|" + ReplaceAll(allTypes, kListed, kMasked);
  for (std::size_t i = 0; i < choices.size(); ++i)
    filter += "|" + std::string(choices[i].description) + " (" + listed[i] + ")|" +
              ReplaceAll(listed[i], kListed, kMasked);
  return filter + "|All file (*.*)|*.*";
}

std::string BuildOpenFilterFromSettings() {
  std::vector<FilterChoice> choices;
  for (const LogFormat& format : kLogFormats)
    choices.push_back({format.name, format.dialogDescription, ExtensionListOf(format)});
  return BuildOpenFilter(choices);
}

std::string LogFormatNamesInProse() {
  const auto formats = LogFormats();
  std::string names;
  for (std::size_t i = 0; i < formats.size(); ++i) {
    if (i > 0) names += i + 1 == formats.size() ? " and " : ", ";
    names += formats[i].name;
  }
  return names;
}

std::string MimeInfoXml() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const LogFormat& format : kLogFormats) {
    const MimeFileType& mime = format.mime;
    if (mime.comment.empty()) continue;
    xml += "  <mime-type type=\"" + std::string(mime.type) + "\">\n";
    xml += "    <sub-class-of type=\"" + std::string(mime.parent) + "\"/>\n";
    xml += "    <comment>" + std::string(mime.comment) + "</comment>\n";
    for (std::string_view glob : mime.globs)
      xml += "    <glob pattern=\"" + std::string(glob) + "\"/>\n";
    for (std::string_view ns : mime.xmlNamespaces)
      xml += "    <root-XML namespaceURI=\"" + std::string(ns) + "\" localName=\"" +
             LowerAscii(format.name) + "\"/>\n";
    xml += "  </mime-type>\n";
  }
  return xml + "</mime-info>\n";
}

std::string DesktopEntryMimeTypes() {
  std::string types;
  for (const LogFormat& format : kLogFormats) types += std::string(format.mime.type) + ";";
  return types;
}

}  // namespace orthelev
