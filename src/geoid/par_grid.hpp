#pragma once
// GSI's height-revision parameter files for PatchJGD(H) (.par): CP932
// text, 16 header lines (a banner "for PatchJGD(H) Ver...." first,
// "MeshCode dH(m) ..." last), then one line per node: an 8-digit
// third-order mesh code, the height change dH in metres, and a third column
// (zeros). A node is the south-west corner of its mesh: code ppqqrstu lies
// at latitude pp/1.5 + r/12 + t/120 and longitude 100 + qq + s/8 + u/80
// degrees, on a lattice of 30" in latitude by 45" in longitude.

#include <cstdint>
#include <string>
#include <string_view>

#include "geoid/isg_grid.hpp"

namespace orthelev {

inline constexpr int kParHeaderLines = 16;
inline constexpr int kParNodesPerDegreeLat = 120;  // 30"
inline constexpr int kParNodesPerDegreeLon = 80;   // 45"
inline constexpr double kParWestLongitude = 100;   // longitude of lattice column 0

// The lattice position of a mesh code: rows north of the equator and
// columns east of 100° E. False for a code that is not 8 digits or whose
// r, s (0..7) are out of range.
bool ParseMeshCode(std::string_view code, std::int32_t& row, std::int32_t& column);

// Reads the .par file at `path` whole as a grid over the box of its nodes,
// rows north first, NaN where the file has no node. False, with a reason
// in `error`, for a file that cannot be read, a 16th line without
// "MeshCode", a line that is no node, no node at all, a box of more than
// kMaxGsiNodes nodes or more than 64 nodes for each node of the file
// (checked before the grid is allocated), and when `keepReading` says stop.
bool ReadParGrid(const std::string& path, GridValues& grid, std::string& error,
                 const KeepReading& keepReading = {});

}  // namespace orthelev
