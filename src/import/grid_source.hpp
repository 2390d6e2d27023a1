#pragma once
// Readers of the grids an import takes its nodes from. Each gives its node
// lattice (import_plan.hpp) and its rows, northernmost first, west to east,
// in metres, with missing values (no-data, NaN) as NaN.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "import/import_plan.hpp"

namespace orthelev {

// What a source says of itself, for the custom file's metadata block; ""
// where it says nothing.
struct SourceDescription {
  std::string model;          // the model's name
  std::string datum;          // the heights' reference (datum, frame, tide system)
  std::string interpolation;  // how the source's own software interpolates it
};

class GridSource {
 public:
  virtual ~GridSource() = default;
  virtual const SourceLattice& Lattice() const = 0;
  // Fills `values` (Lattice().columns entries) with row `row`, 0 being the
  // northernmost. False, with a reason in `error`, when it cannot be read.
  virtual bool ReadRow(std::int32_t row, float* values, std::string& error) = 0;
  // The files the grid is read from, in GDAL's path forms where GDAL reads
  // them; empty when it is only the path it was opened with.
  virtual std::vector<std::string> Files() const { return {}; }
  // What the source holds and the import leaves out (extra bands), one
  // sentence each.
  virtual std::vector<std::string> Notes() const { return {}; }
  virtual SourceDescription Description() const { return {}; }
};

// A grid held whole in memory, rows northernmost first.
class MemoryGridSource : public GridSource {
 public:
  MemoryGridSource(const SourceLattice& lattice, std::vector<float> values,
                   std::vector<std::string> notes = {}, SourceDescription description = {})
      : lattice_(lattice),
        values_(std::move(values)),
        notes_(std::move(notes)),
        description_(std::move(description)) {}
  const SourceLattice& Lattice() const override { return lattice_; }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override;
  std::vector<std::string> Notes() const override { return notes_; }
  SourceDescription Description() const override { return description_; }

 private:
  SourceLattice lattice_;
  std::vector<float> values_;
  std::vector<std::string> notes_;
  SourceDescription description_;
};

// EGM2008 raw grids: global, rows from 90° N to 90° S, each row a 4-byte
// framing word, the 360 * k nodes from 0° E eastwards (little-endian float32)
// and a second framing word, for k nodes per degree. The size of such a file
// is 4 * (180k + 1) * (360k + 2) bytes.

// Nodes per degree of an EGM2008 raw grid file of `fileBytes` bytes: 24 and
// 60 (the published 2.5' and 1' grids) when `anySpacing` is false, any whole
// number up to 600 otherwise; 0 when the size fits none.
int EgmRawNodesPerDegree(std::int64_t fileBytes, bool anySpacing);

// Opens the EGM2008 raw grid at `path` (see EgmRawNodesPerDegree). Nullptr,
// with a reason in `error`, when it cannot be opened or its size fits no grid.
std::unique_ptr<GridSource> OpenEgmRawGrid(const std::string& path, bool anySpacing,
                                           std::string& error);

// True when the first line of the file at `path` is a GSIGEO ASCII grid
// header (glamn glomn dgla dglo nlat nlon ...).
bool LooksLikeGsiAsciiGrid(const std::string& path);

// Reads the GSIGEO ASCII grid at `path` whole, with the program's GSIGEO
// rules: values row after row from the south, values of magnitude 200 or
// more missing. The program's GSI settings are left as they were.
std::unique_ptr<GridSource> OpenGsiAsciiGrid(const std::string& path, std::string& error);

// True when the file at `path` starts with an ISG header (begin_of_head ...).
bool LooksLikeIsgGrid(const std::string& path);

// Reads the ISG geoid grid at `path` (ISG 1.0, 1.01 and 2.0 text layout,
// values in metres or feet (converted to metres), other format versions
// read as 2.0 with a note,
// node-registered or cell-registered, decimal or degree-minute-second
// coordinates, values in any order of the data ordering "N-to-S, W-to-E"
// and its variants: S-to-N, E-to-W, and meridians first as in
// "W-to-E, N-to-S"), and sparse files of points ("lat, lon, N", or
// longitude first) that lie on a regular lattice, to within the precision
// their coordinates are written with, and fill at least 1/64 of it (missing
// lattice nodes are missing). Nullptr, with a reason in
// `error`, for projected grids or points, unknown orderings, grids of more
// than kMaxGsiNodes nodes and malformed files.
std::unique_ptr<GridSource> OpenIsgGrid(const std::string& path, std::string& error);

// True when the file at `path` starts as a binary PGM image (P5).
bool LooksLikeGeographicLibPgm(const std::string& path);

// Opens a GeographicLib geoid grid (.pgm): a P5 image of 16-bit big-endian
// nodes whose header comments "# Offset X" and "# Scale Y" give the heights
// X + Y * pixel, rows from 90° N to 90° S, columns from 0° E eastwards, a
// global grid of width columns and height rows (spacings 360 / width and
// 180 / (height - 1) degrees). Nullptr, with a reason in `error`, for other
// images, a missing offset or scale and files shorter than their nodes.
std::unique_ptr<GridSource> OpenGeographicLibPgm(const std::string& path, std::string& error);

// Opens any raster GDAL reads (GTX, GeoTIFF, ISG, ...), band 1. Node i lies
// at the centre of pixel i. Nullptr, with a reason in `error`, for files
// GDAL cannot open, rasters without georeferencing, rotated or sheared
// rasters, projected or other non-geographic coordinate systems, and complex
// pixel types. `opened` tells whether GDAL recognised the file at all.
std::unique_ptr<GridSource> OpenGdalRaster(const std::string& path, bool& opened,
                                           std::string& error);

}  // namespace orthelev
