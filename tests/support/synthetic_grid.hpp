#pragma once
// A small geoid grid written to a file and opened as the active grid, with
// node values from a function of the node's latitude and longitude. Used by
// tests and benchmarks that need known geoid heights.

#include <cstdint>
#include <functional>
#include <string>

#include "geoid/active_grid.hpp"
#include "grid_writer.hpp"
#include "settings/settings.hpp"
#include "temp_dir.hpp"

namespace orthelev::testing {

struct SyntheticGrid {
  double glamn = 30, glomn = 130;   // south-west node, degrees
  double dgla = 0.25, dglo = 0.25;  // spacing, degrees
  std::int32_t nlat = 41, nlon = 61;

  double NorthLatitude() const { return glamn + (nlat - 1) * dgla; }

  // Writes `folder` + `fileName` (folder ends in "/"), makes `folder` the
  // data folder and opens the grid as the active grid. False on failure.
  bool WriteAndOpen(const std::string& folder, const std::string& fileName,
                    const std::function<float(double lat, double lon)>& node) const {
    std::string bytes;
    for (std::int32_t row = 0; row < nlat; ++row)
      for (std::int32_t column = 0; column < nlon; ++column)
        AppendFloat(bytes, node(NorthLatitude() - row * dgla, glomn + column * dglo));
    WriteBytes(folder + fileName, bytes);
    TheSettings().dataFolder = folder;
    GridSpec geometry;
    geometry.glamn = glamn;
    geometry.glomn = glomn;
    geometry.dgla = dgla;
    geometry.dglo = dglo;
    geometry.nrows = geometry.nlat = nlat;
    geometry.ncols = geometry.nlon = nlon;
    const bool opened = OpenGrid(folder, fileName, geometry);
    TheActiveGrid().open = opened;
    return opened;
  }
};

}  // namespace orthelev::testing
