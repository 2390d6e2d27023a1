// GSIGEO ASCII grids read whole.

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/japan.hpp"
#include "import/reader_text.hpp"

namespace orthelev {
namespace {

// The value of a GSIGEO node without a height.
constexpr double kGsiNoData = 999.0;

bool ReadGsiHeader(std::string_view line, GridSpec& geometry) {
  const std::optional<GridSpec> header = ParseGsiHeader(line);
  if (header) geometry = *header;
  return header.has_value();
}

}  // namespace

bool LooksLikeGsiAsciiGrid(const std::string& path) {
  GridSpec geometry;
  return ReadGsiHeader(FirstLine(path, 4096), geometry);
}

std::unique_ptr<GridSource> OpenGsiAsciiGrid(const std::string& path, std::string& error) {
  TextLines lines(path);
  std::string line;
  GridSpec geometry;
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  if (!lines.Next(line) || !ReadGsiHeader(line, geometry)) {
    error = path + " is not a GSIGEO grid: its first line is no grid header.";
    return nullptr;
  }
  if (!GsiGridFitsFile(geometry, FileBytes(path))) {
    error = "The GSIGEO grid has fewer values than its header's " + FormatInt(geometry.nlat) +
            " rows of " + FormatInt(geometry.nlon) + ".";
    return nullptr;
  }
  std::vector<float> values(static_cast<std::size_t>(geometry.nlat) *
                            static_cast<std::size_t>(geometry.nlon));
  std::string_view rest;
  // The file runs from the southernmost row; the source gives the northernmost first.
  for (std::int32_t r = geometry.nlat - 1; r >= 0; --r) {
    float* row = values.data() + static_cast<std::ptrdiff_t>(r) * geometry.nlon;
    for (std::int32_t c = 0; c < geometry.nlon; ++c) {
      if (rest.empty()) {
        if (!lines.Next(line)) {
          error = "The GSIGEO grid has fewer values than its header's " + FormatInt(geometry.nlat) +
                  " rows of " + FormatInt(geometry.nlon) + ".";
          return nullptr;
        }
        rest = line;
      }
      double value = 0;
      if (!NextRealToken(rest, value)) {
        error = "Line " + FormatInt(lines.Number()) +
                " of the GSIGEO grid holds a value that is not a number.";
        return nullptr;
      }
      // 999.0 marks the nodes without a height; any other value is kept,
      // so that one of magnitude 200 or more is counted as dropped.
      row[c] = value == kGsiNoData ? kMissingNode : static_cast<float>(value);
    }
  }
  const SourceLattice lattice{geometry.nlat,  geometry.nlon, geometry.glamn,
                              geometry.glomn, geometry.dgla, geometry.dglo};
  return std::make_unique<MemoryGridSource>(
      lattice, std::move(values), std::vector<std::string>{},
      SourceDescription{"", "", "bilinear, as GSI computes its heights"});
}

}  // namespace orthelev
