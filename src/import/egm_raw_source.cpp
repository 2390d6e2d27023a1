// EGM2008 raw grids, and grids held whole in memory.

#include "base/byte_order.hpp"
#include "base/number_format.hpp"
#include "geoid/grid_file.hpp"
#include "import/grid_source.hpp"

namespace orthelev {
namespace {

class EgmRawGrid : public GridSource {
 public:
  EgmRawGrid(int nodesPerDegree) {
    lattice_.rows = 180 * nodesPerDegree + 1;
    lattice_.columns = 360 * nodesPerDegree;
    lattice_.southLatitude = -90;
    lattice_.westLongitude = 0;
    lattice_.latSpacing = lattice_.lonSpacing = 1.0 / nodesPerDegree;
    bytes_.resize(static_cast<std::size_t>(lattice_.columns) * 4);
  }
  GridFile& File() { return file_; }
  const SourceLattice& Lattice() const override { return lattice_; }
  SourceDescription Description() const override {
    return {"EGM2008", "WGS 84, tide free", "spline, as NGA's own interpolation program"};
  }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const std::int64_t stride = 4 * (static_cast<std::int64_t>(lattice_.columns) + 2);
    if (!file_.ReadExact(row * stride + 4, bytes_.data(),
                         static_cast<std::int64_t>(bytes_.size()))) {
      error = "Cannot read row " + FormatInt(row) + " of the EGM2008 grid.";
      return false;
    }
    for (std::int32_t c = 0; c < lattice_.columns; ++c)
      values[c] = FromLittleEndian<float>(&bytes_[std::size_t{4} * c]);
    return true;
  }

 private:
  SourceLattice lattice_;
  GridFile file_;
  std::vector<unsigned char> bytes_;
};

}  // namespace

bool MemoryGridSource::ReadRow(std::int32_t row, float* values, std::string& error) {
  if (row < 0 || row >= lattice_.rows) {
    error = "No row " + FormatInt(row) + " in the grid.";
    return false;
  }
  const auto begin = values_.begin() + static_cast<std::ptrdiff_t>(row) * lattice_.columns;
  std::copy(begin, begin + lattice_.columns, values);
  return true;
}

int EgmRawNodesPerDegree(std::int64_t fileBytes, bool anySpacing) {
  for (int k = 1; k <= 600; ++k) {
    if (!anySpacing && k != 24 && k != 60) continue;
    if (4 * (180 * std::int64_t(k) + 1) * (360 * std::int64_t(k) + 2) == fileBytes) return k;
  }
  return 0;
}

std::unique_ptr<GridSource> OpenEgmRawGrid(const std::string& path, bool anySpacing,
                                           std::string& error) {
  GridFile probe;
  if (!probe.Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  const int nodesPerDegree = EgmRawNodesPerDegree(probe.Size(), anySpacing);
  if (nodesPerDegree == 0) {
    error = path + " is not an EGM2008 grid: its size (" + FormatInt(probe.Size()) +
            " bytes) fits no global grid of framed rows.";
    return nullptr;
  }
  auto grid = std::make_unique<EgmRawGrid>(nodesPerDegree);
  if (!grid->File().Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  return grid;
}

}  // namespace orthelev
