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
// NaN, any value of magnitude 200 or more) are stored as the missing node;
// an import without a single valid node is refused. Longitudes are folded so
// that glomn lies in [0, 360); a global grid starts at the first node at or
// east of 0° and has 360 / spacing columns, so that it wraps, or, when no
// node lies on 0°, is padded with wrapped columns and rows beyond the poles
// (import_plan.hpp, docs/grid-import.md).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// What an import wrote, for its summary.
struct ImportSummary {
  std::int32_t rows = 0, columns = 0;  // of the written file, padding included
  // Latitudes of the southern and northern rows, longitudes of the western
  // and eastern columns of the written file, degrees.
  double south = 0, north = 0, west = 0, east = 0;
  double latSpacing = 0, lonSpacing = 0;  // degrees
  std::int64_t sourceNodes = 0;           // nodes taken from the source (padding not counted)
  std::int64_t missingNodes = 0;          // of those, read as missing (no-data value, NaN)
  std::int64_t droppedNodes = 0;          // of those, of magnitude 200 or more: stored as missing
  std::int64_t fileBytes = 0;
  bool padded = false;             // wrapped columns or pole rows were added
  std::vector<std::string> notes;  // what the source held and the import left out
};

// Told after each written row: rows written so far, rows in all.
using ImportProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Writes the grid at `source` (cut to `region` when given, degrees) as the
// custom geoid file `destination`. The file is written beside its final name
// and renamed into place, so a failed import leaves any earlier file
// untouched and no partial file behind. False, with a reason in `error`, for
// unreadable or unsupported sources, projected, rotated or otherwise
// non-latitude/longitude rasters, spacings the reader cannot address, empty
// regions, results of 2 GiB or more or without any valid node, a
// destination that is one of the files the source is read from (in any of
// GDAL's path forms), and failed writes. A refusal from GDAL keeps GDAL's
// own reason and suggests the form that works where there is one. The
// temporary file is removed on failure and on SIGINT or SIGTERM during the
// write (the signal then ends the program as it would have). `summary` is
// filled on success; `progress`, when set, is told of every written row.
[[nodiscard]] bool ImportGrid(const std::string& source, const std::string& destination,
                              const std::optional<Region>& region, GridSourceFormat format,
                              ImportSummary& summary, const ImportProgress& progress,
                              std::string& error);

// ImportGrid without summary or progress.
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
