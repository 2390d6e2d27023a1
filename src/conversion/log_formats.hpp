#pragma once
// What the program knows about each log format, in one table: the settings
// key of its extension list and the list's default, its choice in the
// browse dialog, its converter, the file type the desktop entry offers it
// for, and the fuzz target that feeds its converter hostile input. The
// settings load and save, the browse dialog's filter, the batch's dispatch,
// the desktop entry and the MIME file all read this table; a new format is
// a row here, its converter's files and its tests.
//
// An extension list is a run of extensions, each with its leading "."
// (".csv.pos"), as the user wrote it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orthelev {

// A file type the desktop entry offers the program for. A type with a
// comment is declared in the program's MIME file; one without is a
// standard type the system already knows.
struct MimeFileType {
  std::string_view type;                    // "application/x-nmea"
  std::string_view comment;                 // "NMEA 0183 GPS log"; empty for a standard type
  std::string_view parent;                  // the type it is a kind of ("text/plain")
  std::span<const std::string_view> globs;  // "*.nmea": names only this format uses
  std::span<const std::string_view> xmlNamespaces;  // of a root element <gpx>
};

struct LogFormat {
  std::string_view name;          // "NMEA"
  std::string_view extensionKey;  // the [Option] key of its extension list
  std::string_view defaultExtensions;
  std::string_view dialogDescription;  // "NMEA file"
  // An extension in two lists goes to the format of the lower rank.
  int lookupRank;
  // Whether a file's first bytes (up to kRecognisedBytes) are of this
  // format: how a file whose extension is in no list is recognised.
  bool (*recognise)(std::string_view head);
  // Converts the file into its corrected copy: the records written, or a
  // value below 0 when the file could not be converted.
  std::int32_t (*convert)(const std::string& inputPath);
  MimeFileType mime;
  std::string_view fuzzTarget;  // fuzz/<name>.cpp
};

// Every format, in the order of the settings keys and of the browse
// dialog's choices.
std::span<const LogFormat> LogFormats();

// The format's extension list: its settings value (empty before the
// settings are loaded, as every setting starts).
std::string_view ExtensionListOf(const LogFormat& format);

// Whether the extension list (".nmea.txt") holds `lowerExt` (".txt"), the
// list's letters compared in lower case.
bool ExtensionListHolds(std::string_view list, const std::string& lowerExt);

// The format a file goes to by its extension (from the last "." of its
// name; none when the name has no "."; both separators count on Windows),
// looked up without regard to the case of A to Z in the lists by rank; a
// file without an extension goes to the format of rank 0 (CSV). nullptr
// when no list holds the extension.
const LogFormat* LogFormatOf(std::string_view path);

// How many first bytes of a file its format's recogniser looks at.
inline constexpr std::size_t kRecognisedBytes = 4096;

// The format of the file at `path`: by its extension when it has one that
// a list holds, else by its content, the formats asked in lookup order
// (LogFormatOf's); nullptr when neither tells. A file that cannot be read
// has LogFormatOf's format.
const LogFormat* LogFormatForFile(const std::string& path);

// The browse dialog's filter until the settings are loaded.
inline constexpr std::string_view kInitialOpenFilter = "CSV, Nmea|*.csv;*.nmea|All|*.*";

// A format's description with its extension list, for BuildOpenFilter.
struct FilterChoice {
  std::string_view name;         // "NMEA"
  std::string_view description;  // "NMEA file"
  std::string_view list;         // ".nme.nmea"
};

// The dialog filter "description|pattern|...": first every format's types
// together ("NMEA+CSV file (*.nme, *.csv)" for two), then one choice per
// format, then all files. Letter case is kept; lists without a leading "."
// or empty lists give the same odd texts the dialog has always shown for
// them (an empty first list: "NMEA+CSV file (, *.csv)").
std::string BuildOpenFilter(std::span<const FilterChoice> choices);

// BuildOpenFilter of every format of the table with its settings value.
std::string BuildOpenFilterFromSettings();

// The formats' names as a list in prose: "NMEA, CSV and GPX".
std::string LogFormatNamesInProse();

// The shared MIME-info file declaring the formats' own file types.
std::string MimeInfoXml();

// The desktop entry's "MimeType=" value: every format's type, each ended by ";".
std::string DesktopEntryMimeTypes();

}  // namespace orthelev
