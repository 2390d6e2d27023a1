#pragma once
// RTKLIB solution files as RTKLIB writes them by default: a "%" comment
// block whose last line names the columns, then records of blank-separated
// items. The time takes two items (date and time, or GPS week and seconds);
// a position written in degrees, minutes and seconds takes three (the sign
// on the degrees).
//
// Lines are 8-bit byte strings, never re-encoded; a corrected record differs
// from its input only in its height item and the blanks before it that a
// wider height takes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.hpp"

namespace orthelev {

// Where a quantity stands in a record.
struct RtklibColumn {
  int item = -1;     // 0-based index of its (first) blank-separated item; -1: absent
  bool dms = false;  // degrees, minutes and seconds in three items
};

struct RtklibColumns {
  RtklibColumn latitude, longitude, height;
  int time = -1;  // 0-based index of the first of the two time items; -1: no time named
};

// The columns named by an RTKLIB column-name line ("%" and blank-separated
// names): each name heads the item(s) it takes in the records. Latitude,
// longitude and height names are those of the CSVitem lists (letter case
// ignored); a degree-minute-second name such as `latitude(d'")` counts as
// its degree form `latitude(deg)`. nullopt when no latitude or no longitude
// is named.
std::optional<RtklibColumns> ParseRtklibColumnNames(std::string_view line,
                                                    const CsvItemTitles& titles);

// Whether the "%" line states the solution's height reference: then
// `stated` tells that it names the heights ("…/ellipsoidal" or
// "…/geodetic"), `geodetic` heights above RTKLIB's own geoid, and `wgs84`
// whether the datum is WGS84.
struct RtklibReference {
  bool stated = false;
  bool geodetic = false;
  bool wgs84 = true;
};
std::optional<RtklibReference> ParseRtklibReference(std::string_view line);

// The refusal text for a solution of that reference: "  Unknown CSV log
// file : " for a datum other than WGS84, "  MSL input without Geoid : " for
// geodetic heights unless the user states the heights ellipsoidal; empty
// for ellipsoidal heights of WGS84, which are corrected. The
// comma-separated and the blank-separated files alike.
std::string_view RtklibRefusal(const RtklibReference& reference, bool statedEllipsoidal);

// The header of a solution file, read from the start of the open log.
struct RtklibHeader {
  std::string text;  // the header lines as read, joined with CR LF
  RtklibColumns columns;
  RtklibReference reference;
  std::optional<std::string> firstRecord;             // the line that ended the "%" block
  std::size_t firstRecordPacket = std::string::npos;  // its LogLinePacketStart
};

// Reads title lines, then the "%" comment block up to the first line after
// it; true when the block's last line is a column-name line
// (ParseRtklibColumnNames).
bool AnalyseRtklibHeader(RtklibHeader& header, const CsvItemTitles& titles);

// The values of one record; nullopt when its position items are missing
// or no numbers. `height` is nullopt without a (numeric) height item.
struct RtklibRecord {
  double latitude = 0;           // degrees, north positive
  double longitude = 0;          // degrees, east positive
  std::optional<double> height;  // metres
};
std::optional<RtklibRecord> ParseRtklibRecord(std::string_view line, const RtklibColumns& columns);

// `line` with its height item replaced by `value` written with `decimals`
// decimals, right-aligned to end where the old item ended: it takes the
// blanks before the item when wider (keeping one), and the line grows only
// when those do not suffice. Unchanged when the line has no height item.
std::string ReplaceRtklibHeight(std::string_view line, const RtklibColumns& columns, double value,
                                int decimals);

}  // namespace orthelev
