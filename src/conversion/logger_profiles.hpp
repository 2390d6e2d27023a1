#pragma once
// The logger profile tables of the settings (CSV_Info: signatures, CSV_Option:
// options), each a list of "name=value" rows in table order, and their
// default rows.

#include <string>
#include <string_view>
#include <vector>

namespace orthelev {

// Completes the CSV_Info, CSV_Option and GPX_MSL tables with every default
// row whose name has no row yet, in the default order (a row with an empty
// value is the user's: that profile is off).
void MergeDefaultProfiles();

// Whether a GPX file whose <gpx> creator attribute is `creator` holds heights
// above sea level (from the device's own geoid) without <geoidheight>: the
// first GPX_MSL row whose name occurs in the creator as a word (letter case
// ignored; no letter or digit just before it, no letter just after it, so
// "eTrex" matches "eTrex 30x" and "Edge" "Edge530" but not "Knowledge")
// decides, its value "0" or empty meaning no and any other value yes. No matching
// row: no. The defaults name Garmin's devices and software.
bool CreatorWritesSeaLevelHeights(std::string_view creator);

// "name=value" rows: the text before the first "=" (all of it when there is
// none) and the text after it ("" when there is none).
std::string_view ProfileRowName(std::string_view row);
std::string_view ProfileRowValue(std::string_view row);

// The value of the first row named `name` (letters compared without regard
// to case), or "" when there is none.
std::string_view ProfileValue(const std::vector<std::string>& rows, std::string_view name);

}  // namespace orthelev
