#pragma once
// A small geoid grid written to a file and opened as the active grid, with
// node values from a function of the node's latitude and longitude. Used by
// tests and benchmarks that need known geoid heights.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "geoid/active_grid.hpp"
#include "settings/settings.hpp"

namespace orthelev::testing {

struct SyntheticGrid {
  double glamn = 30, glomn = 130;  // south-west node, degrees
  double dgla = 0.25, dglo = 0.25;  // spacing, degrees
  std::int32_t nlat = 41, nlon = 61;

  double NorthLatitude() const { return glamn + (nlat - 1) * dgla; }

  // Writes `folder` + `fileName` (folder ends in "/"), makes `folder` the
  // data folder and opens the grid as the active grid. False on failure.
  bool WriteAndOpen(const std::string& folder, const std::string& fileName,
                    const std::function<float(double lat, double lon)>& node) const {
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<size_t>(nlat) * nlon * 4);
    for (std::int32_t row = 0; row < nlat; ++row) {
      for (std::int32_t column = 0; column < nlon; ++column) {
        const float value = node(NorthLatitude() - row * dgla, glomn + column * dglo);
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<unsigned char>(bits >> (8 * k)));
      }
    }
    std::FILE* f = std::fopen((folder + fileName).c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) return false;
    AppSettings().dataFolder = folder;
    const bool opened =
        OpenGrid(fileName, glamn, glomn, dgla, dglo, nlat, nlon, nlat, nlon, 0);
    TheActiveGrid().open = opened;
    return opened;
  }
};

}  // namespace orthelev::testing
