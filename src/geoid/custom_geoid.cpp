#include "geoid/custom_geoid.hpp"

#include <cmath>

#include "base/byte_order.hpp"
#include "geoid/active_grid.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

// A spacing the grid arithmetic can use: finite, positive, and giving at
// least one node per 100 degrees after rounding (no division by zero).
bool UsableSpacing(double spacing) {
  return std::isfinite(spacing) && spacing > 0 && NodesPerDegree(spacing) > 0;
}

bool ValidTrailer(const GridSpec& s, std::int64_t fileSize) {
  if (s.nrows <= 0 || s.ncols <= 0) return false;
  if (!UsableSpacing(s.dgla) || !UsableSpacing(s.dglo)) return false;
  if (!std::isfinite(s.glamn) || !std::isfinite(s.glomn)) return false;
  // nrows * ncols < 2^62 cannot overflow; the file size is compared in nodes.
  const std::int64_t nodes = static_cast<std::int64_t>(s.nrows) * s.ncols;
  const std::int64_t nodeBytes = fileSize - kCustomTrailerBytes;
  return nodeBytes >= 0 && nodeBytes % 4 == 0 && nodeBytes / 4 == nodes;
}

}  // namespace

GridSpec TrailerGeometry(const unsigned char* t) {
  GridSpec geometry;
  geometry.nrows = FromLittleEndian<std::int32_t>(t);
  geometry.ncols = FromLittleEndian<std::int32_t>(t + 4);
  geometry.glamn = FromLittleEndian<double>(t + 8);
  geometry.glomn = FromLittleEndian<double>(t + 16);
  geometry.dgla = FromLittleEndian<double>(t + 24);
  geometry.dglo = FromLittleEndian<double>(t + 32);
  geometry.nlat = geometry.nrows;
  geometry.nlon = geometry.ncols;
  geometry.prePad = 0;
  return geometry;
}

std::string CustomTrailer(const GridSpec& geometry) {
  std::string trailer;
  AppendLittleEndian(trailer, geometry.nrows);
  AppendLittleEndian(trailer, geometry.ncols);
  AppendLittleEndian(trailer, geometry.glamn);
  AppendLittleEndian(trailer, geometry.glomn);
  AppendLittleEndian(trailer, geometry.dgla);
  AppendLittleEndian(trailer, geometry.dglo);
  return trailer;
}

bool OpenCustomGeoid(const std::string& path) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  if (!grid.file.Open(path)) {
    Window().ShowMessageBox("Geoid file is not found: \r\n" + path);
    return false;
  }
  const std::int64_t size = grid.file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  const bool readable = size >= kCustomTrailerBytes &&
                        grid.file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer);
  if (size < 0 || (size >= kCustomTrailerBytes && !readable)) {
    grid.file.Close();
    Window().ShowMessageBox("Geoid file is not found: \r\n" + path);
    return false;
  }
  const GridSpec geometry = TrailerGeometry(trailer);
  if (!readable || !ValidTrailer(geometry, size)) {
    grid.file.Close();
    Window().ShowMessageBox("Illegal Custom geoid file: \r\n\r\n" + path);
    return false;
  }
  SetActiveGeometry(geometry);
  return true;
}

bool OpenGridWithTrailer(const std::string& path) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  if (!grid.file.Open(path)) return false;
  const std::int64_t size = grid.file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  if (size < kCustomTrailerBytes ||
      !grid.file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer) ||
      !ValidTrailer(TrailerGeometry(trailer), size)) {
    grid.file.Close();
    return false;
  }
  SetActiveGeometry(TrailerGeometry(trailer));
  return true;
}

bool IsCustomGeoidFile(const std::string& path) {
  GridFile file;
  if (!file.Open(path)) return false;
  const std::int64_t size = file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  return size >= kCustomTrailerBytes &&
         file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer) &&
         ValidTrailer(TrailerGeometry(trailer), size);
}

}  // namespace orthelev
