#pragma once
// What the grid readers without GDAL share: file sizes and starts, and the
// ISG point reader the ISG grid reader hands sparse files to (text lines
// and the ISG header come from geoid/isg_grid.hpp).

#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "geoid/isg_grid.hpp"
#include "import/grid_source.hpp"

namespace orthelev {

// The first line of a file, at most `limit` bytes of it.
std::string FirstLine(const std::string& path, std::size_t limit);

// Reads the points of a sparse ISG file (data format other than grid) that
// follow `header` as a grid of their lattice, with `notes` for the summary.
std::unique_ptr<GridSource> OpenIsgPoints(TextLines& lines, const IsgHeader& header,
                                          std::vector<std::string> notes,
                                          SourceDescription description, std::string& error);

}  // namespace orthelev
