#include "geoid/active_grid.hpp"

#include <cmath>
#include <limits>

#include "base/number_format.hpp"
#include "geoid/node_values.hpp"
#include "services/window_services.hpp"

namespace orthelev {

void ActiveGrid::Reset() {
  file.Close();
  file.SetReading(GridReading::Mapped);
  open = false;
  nrows = ncols = nlat = nlon = prePad = 0;
  glamn = glomn = dgla = dglo = glamx = glomx = 0;
  latNodesPer100 = lonNodesPer100 = std::numeric_limits<double>::infinity();  // 100 / 0
  wraps = false;
  splineRows = {};
}

ActiveGrid& TheActiveGrid() {
  static ActiveGrid grid;
  return grid;
}

double NodesPerDegree(double spacing) { return std::nearbyint(100.0 / spacing) / 100.0; }

void SetActiveGeometry(const GridSpec& geometry) {
  ActiveGrid& g = TheActiveGrid();
  g.nrows = geometry.nrows;
  g.ncols = geometry.ncols;
  g.glamn = geometry.glamn;
  g.glomn = geometry.glomn;
  g.dgla = geometry.dgla;
  g.dglo = geometry.dglo;
  g.nlat = geometry.nlat;
  g.nlon = geometry.nlon;
  g.prePad = geometry.prePad;
  g.glamx = g.glamn + (static_cast<double>(g.nlat) - 1) / NodesPerDegree(g.dgla);
  g.glomx = g.glomn + g.nlon / NodesPerDegree(g.dglo);
  g.wraps = g.glomn <= 0.00001 && g.glomx + 0.00001 >= 360;
  g.latNodesPer100 = std::nearbyint(100 / g.dgla);
  g.lonNodesPer100 = std::nearbyint(100 / g.dglo);
  g.splineRows = {};  // its nodes were found with the old geometry
}

bool OpenGrid(const std::string& folder, const std::string& fileName, const GridSpec& geometry) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  const std::string path(TrimControlAndBlanks(folder + fileName));
  if (!grid.file.Open(path)) {
    Window().ShowMessageBox("Geoid file is not found: \r\n" + fileName);
    return false;
  }
  SetActiveGeometry(geometry);
  return true;
}

void CloseGrid() {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  grid.open = false;
}

namespace {

constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();

}  // namespace

float ReadGridNode(std::int32_t row, std::int32_t column) {
  ActiveGrid& g = TheActiveGrid();
  if (g.wraps) {
    if (column < 0)
      column += g.nlon;
    else if (column >= g.nlon)
      column -= g.nlon;
  }
  if (row < 0 || row >= g.nlat || column < 0 || column >= g.nlon) return kMissing;
  const std::int64_t word = static_cast<std::int64_t>(row) * g.ncols + column + g.prePad;
  const unsigned char* bytes = g.file.CachedBytes(4 * word, 4);
  return bytes ? ReadNodeValue(bytes) : kMissing;
}

bool ReadGridNodes(std::int32_t row, std::int32_t column, int count, float* values) {
  ActiveGrid& g = TheActiveGrid();
  const bool inside = row >= 0 && row < g.nlat && column >= 0 && column + count <= g.nlon;
  const unsigned char* bytes = nullptr;
  if (inside) {
    const std::int64_t word = static_cast<std::int64_t>(row) * g.ncols + column + g.prePad;
    bytes = g.file.CachedBytes(4 * word, std::int64_t{4} * count);
  }
  for (int i = 0; i < count; ++i) {
    values[i] =
        bytes ? ReadNodeValue(bytes + std::ptrdiff_t{4} * i) : ReadGridNode(row, column + i);
    if (std::isnan(values[i])) return false;
  }
  return true;
}

void PrefetchGridNodes(std::int32_t row, std::int32_t column, int count) {
  const ActiveGrid& g = TheActiveGrid();
  if (row < 0 || row >= g.nlat || column < 0 || column + count > g.nlon) return;
  const std::int64_t word = static_cast<std::int64_t>(row) * g.ncols + column + g.prePad;
  g.file.Prefetch(4 * word);
  g.file.Prefetch(4 * (word + count) - 1);  // the last byte may lie in the next cache line
}

void ReadGridNodePair(std::int32_t row, std::int32_t column, float& west, float& east) {
  ActiveGrid& g = TheActiveGrid();
  if (row >= 0 && row < g.nlat && column >= 0 && column + 2 <= g.nlon) {
    const std::int64_t word = static_cast<std::int64_t>(row) * g.ncols + column + g.prePad;
    if (const unsigned char* bytes = g.file.CachedBytes(4 * word, 8)) {
      west = ReadNodeValue(bytes);
      east = ReadNodeValue(bytes + 4);
      return;
    }
  }
  west = ReadGridNode(row, column);
  east = ReadGridNode(row, column + 1);
}

}  // namespace orthelev
