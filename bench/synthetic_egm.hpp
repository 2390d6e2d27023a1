#pragma once
// Synthetic geoid grids in the EGM2008 file layout (rows north to south, one
// 4-byte framing word before and after each row), for the benchmarks: the
// 2.5' grid (149,368,328 bytes) and the 1' grid (933,292,808 bytes). The
// surface is smooth at the scale of a track and varies over the whole globe.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geoid/grid_spec.hpp"

namespace orthelev::bench {

// Node values of row `row` (nlon of them, column 0 first). Separable sums
// of sines, so that a row costs O(nlon) multiplications and no trigonometry.
class SyntheticSurface {
 public:
  explicit SyntheticSurface(const GridSpec& geometry) {
    const double perColumn = geometry.dglo * 24;  // one 2.5' column is the unit
    for (int c = 0; c < geometry.nlon; ++c) {
      const double x = c * perColumn;
      broad_.push_back(std::cos(x * 0.002));
      fineSin_.push_back(std::sin(x * 0.07));
      fineCos_.push_back(std::cos(x * 0.07));
    }
    rowScale_ = geometry.dgla * 24;
  }

  void Row(int row, float* values) const {
    const double y = row * rowScale_;
    const double broad = 30 * std::sin(y * 0.003);
    const double fineS = 5 * std::sin(y * 0.05), fineC = 5 * std::cos(y * 0.05);
    for (size_t c = 0; c < broad_.size(); ++c)
      values[c] = static_cast<float>(broad * broad_[c] + fineS * fineCos_[c] + fineC * fineSin_[c]);
  }

 private:
  std::vector<double> broad_, fineSin_, fineCos_;
  double rowScale_ = 1;
};

// Writes the grid of `geometry` (EGM2008 layout) to `path`; false on failure.
inline bool WriteSyntheticEgm(const std::string& path, const GridSpec& geometry) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const SyntheticSurface surface(geometry);
  std::vector<float> row(static_cast<size_t>(geometry.ncols));
  bool ok = true;
  for (int r = 0; r < geometry.nrows && ok; ++r) {
    row.front() = row.back() = 999.0f;  // framing words, read as missing
    surface.Row(r, row.data() + geometry.prePad);
    ok = std::fwrite(row.data(), 4, row.size(), out) == row.size();
  }
  return std::fclose(out) == 0 && ok;
}

}  // namespace orthelev::bench
