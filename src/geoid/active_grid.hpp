#pragma once
// The one geoid grid open for lookups. Conventions of every grid file:
// nodes are little-endian IEEE single-precision values; node (row r,
// column c) begins at byte 4 * (r * ncols + c + prePad); row 0 is the
// northern edge and rows run south, row nlat - 1 lying at glamn; column 0
// lies at glomn and columns run east. A grid wraps in longitude when
// glomn <= 0.00001 and glomx + 0.00001 >= 360.

#include <cstdint>
#include <limits>
#include <string>

#include "geoid/grid_file.hpp"
#include "geoid/grid_spec.hpp"

namespace orthelev {

// The row splines of the last spline window: its nodes and their second
// derivatives, which depend on nothing but the nodes. Valid only while the
// file's cache generation is the one recorded, so that reusing them gives
// exactly what reading and computing them again would give.
struct SplineRows {
  static constexpr int kMaxSize = 6;
  std::uint64_t cacheGeneration = 0;  // 0: holds nothing
  int size = 0;
  std::int32_t firstRow = 0, firstColumn = 0;  // grid node of window position (1, 1)
  bool complete = false;  // every node present; false: the window falls back to bilinear
  float values[kMaxSize][kMaxSize]{};
  float second[kMaxSize][kMaxSize]{};
  // The terms of each row's cubic on the interval [interval, interval + 1]
  // that do not depend on the point (SplineValue's own expressions); 0: none.
  int interval = 0;
  double base[kMaxSize]{}, slope[kMaxSize]{}, curve[kMaxSize]{}, change[kMaxSize]{};

  bool Holds(int n, std::int32_t row, std::int32_t column, std::uint64_t generation) const {
    return cacheGeneration == generation && size == n && firstRow == row && firstColumn == column;
  }
};

struct ActiveGrid {
  GridFile file;      // held from a successful open to the next open or CloseGrid
  bool open = false;  // set by the model selection from the open's result
  std::int32_t nrows = 0, ncols = 0, nlat = 0, nlon = 0, prePad = 0;
  double glamn = 0, glomn = 0, dgla = 0, dglo = 0;
  double glamx = 0;  // latitude of row 0
  double glomx = 0;  // one spacing east of the last column
  // The integers nearest to 100 / dgla and 100 / dglo (ties to even), which
  // place a point on the grid; derived once per geometry.
  double latNodesPer100 = std::numeric_limits<double>::infinity();  // 100 / 0 until a geometry
  double lonNodesPer100 = std::numeric_limits<double>::infinity();
  bool wraps = false;
  SplineRows splineRows;

  // Closes the file and returns every value to its start value.
  void Reset();
};

ActiveGrid& TheActiveGrid();

// Nodes per degree as the grid's arithmetic uses them: the integer nearest
// to 100 / spacing (ties to even), divided by 100.
double NodesPerDegree(double spacing);

// Copies the geometry into the active grid and derives glamx, glomx and the
// wrap flag. Used by every way of opening a grid.
void SetActiveGeometry(const GridSpec& geometry);

// Opens folder + fileName (the DataFolder and a model's file) with the
// geometry of `geometry` (its title and fname are not used) as the active
// grid. On failure shows "Geoid file is not found: " CR LF fileName, holds no
// file, leaves the stored values as they were and returns false. Does not
// set `open`; the caller records the result there.
[[nodiscard]] bool OpenGrid(const std::string& folder, const std::string& fileName,
                            const GridSpec& geometry);

// Releases the file and clears `open`.
void CloseGrid();

// The value of node (row, column) in metres, or NaN when the node lies
// outside the grid, cannot be read, or holds a value of magnitude 200 or
// more (NaN, infinities and sentinels such as 999.0). On a wrapping grid
// column -1 is column nlon - 1 and column nlon is column 0.
float ReadGridNode(std::int32_t row, std::int32_t column);

// Reads nodes (row, column) .. (row, column + count - 1) into `values`, as
// ReadGridNode would one by one, stopping at the first missing node: false
// then. Serves a window row from one cache lookup where it can.
[[nodiscard]] bool ReadGridNodes(std::int32_t row, std::int32_t column, int count, float* values);

// Lets the read of the nodes (row, column) .. (row, column + count - 1)
// start ahead of ReadGridNodes, where the grid is mapped; reads nothing.
void PrefetchGridNodes(std::int32_t row, std::int32_t column, int count);

// ReadGridNode of (row, column) and (row, column + 1), from one cache lookup
// where both lie inside the grid.
void ReadGridNodePair(std::int32_t row, std::int32_t column, float& west, float& east);

}  // namespace orthelev
