#pragma once
// The layout of one CSV log: which item holds which quantity, found from the
// column-name line, and the logger profile that wrote the file, found from
// the column names and the CSV_Info signatures (TheSettings().csvInfo), with
// its options from the CSV_Option rows (TheSettings().csvOption).
//
// Lines are 8-bit byte strings, never re-encoded. Column names are compared
// after trimming and upper-casing the ASCII letters a to z only.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/logger_profiles.hpp"
#include "conversion/rtklib_solution.hpp"
#include "settings/settings.hpp"

namespace orthelev {

inline constexpr int kMaxCsvFields = 25;
// Non-empty lines read at most while looking for the column-name line.
inline constexpr int kCsvHeaderLineBudget = 35;

// Items of one line; item number k (1-based) is element k - 1.
using CsvFields = std::array<std::string, kMaxCsvFields>;
// The same as views into the line.
using CsvItemViews = std::array<std::string_view, kMaxCsvFields>;

// 1-based item numbers of the columns; 0 when the file has no such column.
struct CsvColumns {
  std::int32_t valid = 0, latitude = 0, ns = 0, longitude = 0, ew = 0, height = 0, geoid = 0,
               date = 0;
};

// The state of one CSV conversion.
struct CsvLayout {
  CsvFields fields;             // the items of the column-name line
  std::int32_t fieldCount = 0;  // the number of the last item of the current line
  std::string line;             // the current line, as read
  // Where a binary packet the reader delivered at the end of `line` begins
  // (npos: none); only the text before it is a record's text.
  std::size_t packetStart = std::string::npos;
  std::string headerText;  // every line of the header search, joined with CR LF
  CsvColumns columns;
  bool gpstDate = false;      // the date column is named "GPST": dates are checked
  RtklibReference reference;  // as an RTKLIB "%" line of the header states it

  // The current record (see ReadCsvRecord).
  double latitude = 0;                                       // degrees, north positive
  double longitude = 0;                                      // degrees, east positive
  double height = std::numeric_limits<double>::quiet_NaN();  // metres; NaN without column
  double fileGeoid = 0;        // metres, the logger's own geoid height; 0 without column
  bool positionGiven = false;  // both coordinate items hold at least one digit
};

// The default CSVitem title lists (defaults:: in settings.hpp).
CsvItemTitles DefaultCsvItemTitles();

// Splits `text` at commas into at most 25 items, each trimmed of blanks and
// control bytes; the 25th item keeps any further commas. Items past the last
// are emptied. Returns the number of the last item (a line of blanks gives 1);
// empty text gives 0 and leaves `fields` unchanged. Quotes are not special.
std::int32_t SplitCsvFields(std::string_view text, CsvFields& fields);
// SplitCsvFields into views of `text`.
std::int32_t SplitCsvItems(std::string_view text, CsvItemViews& items);

// Whether `item` is an entry of the comma-separated title list, both compared
// after ASCII upper-casing (blanks inside entries count).
bool IsCsvItemTitle(std::string_view item, std::string_view list);

// A line of the header search as it is matched: one leading "%" dropped,
// trimmed, ASCII upper-cased, blanks next to commas removed.
std::string NormaliseHeaderLine(std::string_view line);

// Splits a line of the header search into the layout's fields and sets the
// columns and gpstDate from the CSVitem title lists; true when the line names
// both a latitude and a longitude column.
bool ExamineHeaderLine(CsvLayout& layout, std::string_view line, const CsvItemTitles& titles);

// Reads lines of the open log until the column-name line (at most 35
// non-empty lines) and keeps them, CR LF-joined, as the header text.
// Identifies the logger from the last line examined and sets ProfileName and
// MslWithoutGeoid (TheConversion()); an RTKLIB line among them that states
// the height reference sets `reference`. True when the column-name line was found;
// the reader then stands after it.
bool AnalyseCsvHeader(CsvLayout& layout);

// The name of the first CSV_Info row whose signature scores 80 or more
// against items 1 to `count`, or "Default".
std::string IdentifyLogger(const CsvFields& fields, std::int32_t count);

// 100 x (items among 1 to `count` that are entries of the signature) divided
// by the signature's entry count, in whole numbers; 0 for an empty signature.
std::int32_t LoggerScore(std::string_view signature, const CsvFields& fields, std::int32_t count);

// Up to six whole-number option fields of a CSV_Option value (a field may be
// enclosed in double quotes); missing or malformed fields are 0.
std::array<std::int32_t, 6> LoggerOptionFields(std::string_view value);

// Sets ProfileName and MslWithoutGeoid (option field 2 not 0) from the first
// CSV_Option row named `profileName` (no row: all options 0).
void ReadLoggerOptions(const std::string& profileName);

}  // namespace orthelev
