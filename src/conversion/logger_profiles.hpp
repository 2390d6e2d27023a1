#pragma once
// The logger profile tables of the settings (CSV_Info: signatures, CSV_Option:
// options), each a list of "name=value" rows in table order, and their
// default rows.

#include <string>
#include <string_view>
#include <vector>

namespace orthelev {

// Completes the CSV_Info, CSV_Option, GPX_MSL and GPX_Ellipsoidal tables with every default
// row whose name has no row yet, in the default order (a row with an empty
// value is the user's: that profile is off).
void MergeDefaultProfiles();

// What a GPX creator's <ele> without <geoidheight> holds, and the row that
// says so (its name: "OpenTracks").
enum class CreatorWrites { Unknown, SeaLevel, Ellipsoidal };
struct CreatorReference {
  CreatorWrites writes = CreatorWrites::Unknown;
  std::string row;
};

// The reference of the heights a GPX file whose <gpx> creator attribute is
// `creator` writes without <geoidheight>. A row matches when its name occurs
// in the creator as a word (letter case ignored; no letter or digit just
// before it, no letter just after it, so "eTrex" matches "eTrex 30x" and
// "Edge" "Edge530" but not "Knowledge"); rows with an empty value are
// switched off. The first matching GPX_MSL row decides (sea level, or
// ellipsoidal for its value "0"), else the first matching GPX_Ellipsoidal
// row whose value is not "0" (ellipsoidal); Unknown when none matches.
CreatorReference CreatorHeightReference(std::string_view creator);

// "name=value" rows: the text before the first "=" (all of it when there is
// none) and the text after it ("" when there is none).
std::string_view ProfileRowName(std::string_view row);
std::string_view ProfileRowValue(std::string_view row);

// The value of the first row named `name` (letters compared without regard
// to case), or "" when there is none.
std::string_view ProfileValue(const std::vector<std::string>& rows, std::string_view name);

}  // namespace orthelev
