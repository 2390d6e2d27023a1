#pragma once
// The file types the conversions take: the NMEA and CSV extension lists
// (runs of extensions, each with its leading ".", e.g. ".csv.pos") and the
// browse dialog's filter made from them.

#include <string>
#include <string_view>

namespace orthelev {

// The browse dialog's filter until the settings are loaded.
inline constexpr std::string_view kInitialOpenFilter = "CSV, Nmea|*.csv;*.nmea|All|*.*";

// The dialog filter "description|pattern|..." offering NMEA and CSV logs
// together, NMEA logs, CSV logs and all files, built from the two lists
// with their letter case unchanged. Lists without a leading "." or empty
// lists give the same odd texts the dialog has always shown for them.
std::string BuildOpenFilter(std::string_view nmeaList, std::string_view csvList);

// The same filter with a "GPX log file (<masks>)|<masks>" choice made from
// the GPX list before the all-files choice.
std::string BuildOpenFilter(std::string_view nmeaList, std::string_view csvList,
                            std::string_view gpxList);

// BuildOpenFilter of the NMEAext, CSVext and GPXext settings.
std::string BuildOpenFilterFromSettings();

enum class LogFileType { Csv, Nmea, Gpx, Unknown };

// The converter a file goes to by its extension (from the last "." of its
// name; none when the name has no "."), looked up without regard to the case
// of A to Z first in the CSV list, then in the GPX list, then in the NMEA
// list. A file without an extension counts as CSV.
LogFileType LogFileTypeOf(std::string_view path, std::string_view csvList,
                          std::string_view nmeaList, std::string_view gpxList = "");

// LogFileTypeOf with the CSVext, NMEAext and GPXext settings.
LogFileType LogFileTypeOf(std::string_view path);

}  // namespace orthelev
