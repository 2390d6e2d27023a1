#pragma once
// The geometry and file of one geoid grid model.

#include <cstdint>
#include <string>

namespace orthelev {

// The parameters of one geoid grid model. Angles in degrees, north and east
// positive; counts in nodes or 4-byte words.
struct GridSpec {
  std::string title;        // model-list title (a ";"-list for GSI)
  std::string fname;        // file name relative to the DataFolder (a ";"-list for GSI)
  std::int32_t nrows = 0;   // rows stored in the file
  std::int32_t ncols = 0;   // row stride in 4-byte words
  double glamn = 0;         // latitude of the southernmost row
  double glomn = 0;         // longitude of column 0
  double dgla = 0;          // latitude spacing
  double dglo = 0;          // longitude spacing
  std::int32_t nlat = 0;    // rows of nodes
  std::int32_t nlon = 0;    // nodes per row
  std::int32_t prePad = 0;  // 4-byte words before the first node of each row

  bool operator==(const GridSpec&) const = default;
};

// A lattice of nodes as a grid file's reader finds it.
struct GridLattice {
  std::int32_t rows = 0;     // rows of nodes; row 0 is the northernmost
  std::int32_t columns = 0;  // nodes per row, west to east
  double southLatitude = 0;  // latitude of the last (southernmost) row, degrees
  double westLongitude = 0;  // longitude of column 0, degrees, any value
  double latSpacing = 0;     // degrees between rows, positive
  double lonSpacing = 0;     // degrees between columns, positive
};

}  // namespace orthelev
