#pragma once
// GSIGEO 2011 ASCII grids. The node reader needs fixed-size nodes with row 0
// at the north, so the first selection of a GSIGEO model converts its ASCII
// grid into a companion file (the name + ".dat", same folder): nlat * nlon
// little-endian float32 values, northernmost row first, west to east, no
// header; a missing value is the quiet NaN 00 00 C0 FF. The header line of
// the ASCII grid gives the grid's geometry.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geoid/grid_spec.hpp"

namespace orthelev {

// Largest grid a conversion accepts (nodes); the grid is held whole while
// converting, 4 bytes a node.
inline constexpr std::int64_t kMaxGsiNodes = 100'000'000;

// Converts the ASCII grid at `path` into path + ".dat". `header` receives
// the geometry of the header line whenever that line parses, even when the
// conversion then fails. False on any error (then no companion file is left
// behind).
[[nodiscard]] bool ConvertGsiGrid(const std::string& path, std::optional<GridSpec>& header);

// Reads the ASCII grid at `path` whole: `header` as ConvertGsiGrid gives
// it, `southFirst` the nodes row after row as the file has them (the
// southernmost row first), missing values as NaN. False on any error.
[[nodiscard]] bool ReadGsiGrid(const std::string& path, std::optional<GridSpec>& header,
                               std::vector<float>& southFirst);

// The geometry of a header line (glamn, glomn, dgla, dglo in degrees;
// nlat = nrows, nlon = ncols; title, fname and prePad empty), or nothing for
// a header without its numbers, counts <= 0, more than kMaxGsiNodes nodes,
// an origin (glamn, glomn) that is not finite, or a spacing that is not a
// finite positive number below 200 degrees (NodesPerDegree must not be 0).
[[nodiscard]] std::optional<GridSpec> ParseGsiHeader(std::string_view line);

// True when an ASCII grid file of `fileBytes` bytes can hold the header's
// nlat x nlon values. Every value takes at least one byte of the file (a
// blank line is one missing value), so a file holds at most as many values
// as it has bytes; a header announcing more is refused before anything is
// allocated.
bool GsiGridFitsFile(const GridSpec& header, std::int64_t fileBytes);

// Takes the next number off the front of `line` (numbers separated by runs
// of blanks and commas). The last token of a line that is no number gives
// NaN (real) or 0 (integer); any other token that is no number gives false.
[[nodiscard]] bool NextRealToken(std::string_view& line, double& value);
[[nodiscard]] bool NextIntToken(std::string_view& line, std::int32_t& value);

}  // namespace orthelev
