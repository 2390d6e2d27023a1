#pragma once
// Where a model has heights: the open grid sampled on a coarse raster over
// its extent (the nearest node of each cell's centre, read on demand, never
// the whole grid), and its picture on a longitude/latitude frame.

#include <cstdint>
#include <string>
#include <vector>

#include "services/picture.hpp"

namespace orthelev {

struct CoverageRaster {
  double west = 0, east = 0, south = 0, north = 0;  // degrees; east may pass 180
  std::int32_t columns = 0, rows = 0;               // row 0 in the north
  std::vector<float> values;                        // rows * columns, NaN: no value
  float low = 0, high = 0;                          // range of the values; low > high: none

  float At(std::int32_t row, std::int32_t column) const {
    return values[static_cast<std::size_t>(row) * columns + column];
  }
};

inline constexpr std::int32_t kCoverageColumns = 240, kCoverageRows = 160;

// Samples the active grid (TheActiveGrid(), open) on at most
// maxColumns x maxRows cells, never more cells than the grid has nodes.
CoverageRaster SampleActiveGrid(std::int32_t maxColumns = kCoverageColumns,
                                std::int32_t maxRows = kCoverageRows);

// The missing nodes' colour in the picture.
inline constexpr Rgb kMissingColour{200, 200, 200};

// The raster's cells as coloured rectangles (equal neighbours of a row
// merged) on a frame around the extent (the whole world for a wide one),
// with a graticule, a colour scale in metres and `title`.
Picture CoveragePicture(const CoverageRaster& raster, const std::string& title);

// Opens the model the model box names, samples it and closes it again; an
// empty picture (width 0) when it cannot be opened.
Picture SelectedModelCoverage();

}  // namespace orthelev
