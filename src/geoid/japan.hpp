#pragma once
// GSIGEO 2011 ASCII grids. The node reader needs fixed-size nodes with row 0
// at the north, so the first selection of a GSIGEO model converts its ASCII
// grid into a companion file (the name + ".dat", same folder): nlat * nlon
// little-endian float32 values, northernmost row first, west to east, no
// header; a missing value is the quiet NaN 00 00 C0 FF. The header of the
// ASCII grid replaces the GSI geometry in the settings.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

// Largest grid a conversion accepts (nodes); the grid is held whole while
// converting, 4 bytes a node.
inline constexpr std::int64_t kMaxGsiNodes = 100'000'000;

// Opens DataFolder + name + ".dat" as the active grid's file, converting
// DataFolder + name first when the companion does not open. Reports through
// the status bar and message boxes; true when the companion is held.
bool PrepareGsiGrid(const std::string& name);

// Converts the ASCII grid at `path` into path + ".dat". False on any error
// (then no companion file is left behind).
bool ConvertGsiGrid(const std::string& path);

// Reads the header line into the GSI section of the settings (glamn, glomn,
// dgla, dglo in degrees; nlat = nrows, nlon = ncols). False, with the
// settings untouched, for a header without its numbers, counts <= 0, more
// than kMaxGsiNodes nodes, or a spacing that is not a finite positive number
// of at most 200 degrees.
bool ParseGsiHeader(std::string_view line);

// Takes the next number off the front of `line` (numbers separated by runs
// of blanks and commas). The last token of a line that is no number gives
// NaN (real) or 0 (integer); any other token that is no number gives false.
bool NextRealToken(std::string_view& line, double& value);
bool NextIntToken(std::string_view& line, std::int32_t& value);

}  // namespace orthelev
