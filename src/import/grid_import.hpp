#pragma once
// Importing geoid grids of other formats as custom geoid files (.cdat):
// float32 little-endian nodes, rows north to south, each row west to east,
// then the 40-byte trailer (int32 nrows, ncols; double glamn, glomn, dgla,
// dglo), which OpenCustomGeoid reads.
//
// Sources: any raster GDAL reads (GTX, GeoTIFF, ISG, ...), ISG text grids
// GDAL refuses (node-registered ones), EGM2008 raw grids (framed rows) and
// GSIGEO ASCII grids. The imported file gives the source's own value at
// every source node it holds; missing values (the source's no-data value,
// NaN, any value of magnitude 200 or more) are stored as the missing node.
// Longitudes are folded so that glomn lies in [0, 360); a global grid starts
// at the first node at or east of 0° and has 360 / spacing columns, so that
// it wraps, or one more (its first repeated) when no node lies on 0° (see
// import_plan.hpp).

#include <optional>
#include <string>
#include <string_view>

#include "import/import_plan.hpp"

namespace orthelev {

enum class GridSourceFormat {
  kDetect,  // EGM2008 raw by the exact size of the 2.5' or 1' grid, GSIGEO by its header, else a
            // raster
  kEgm2008Raw,  // EGM2008 raw layout of any whole number of nodes per degree, known by the file
                // size
  kGsiAscii,    // GSIGEO ASCII grid
  kRaster,      // a raster GDAL reads, or an ISG text grid
};

// Writes the grid at `source` (cut to `region` when given, degrees) as the
// custom geoid file `destination`. The file is written beside its final name
// and renamed into place, so a failed import leaves any earlier file
// untouched and no partial file behind. False, with a reason in `error`, for
// unreadable or unsupported sources, projected, rotated or otherwise
// non-latitude/longitude rasters, spacings the reader cannot address, empty
// regions, results of 2 GiB or more, a destination that is the source, and
// failed writes.
[[nodiscard]] bool ImportGrid(const std::string& source, const std::string& destination,
                              const std::optional<Region>& region, GridSourceFormat format,
                              std::string& error);

// ImportGrid with the format detected from the file.
[[nodiscard]] bool ImportGrid(const std::string& source, const std::string& destination,
                              const std::optional<Region>& region, std::string& error);

// Reads a region written "SOUTH,NORTH,WEST,EAST" (degrees, "." decimals,
// blanks allowed around the numbers). False, with a reason, otherwise.
[[nodiscard]] bool ParseRegion(std::string_view text, Region& region, std::string& error);

// Reads a format name: "auto", "egm2008", "gsigeo" or "raster".
[[nodiscard]] bool ParseGridSourceFormat(std::string_view text, GridSourceFormat& format);

}  // namespace orthelev
