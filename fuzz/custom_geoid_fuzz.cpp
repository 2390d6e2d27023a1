// Custom geoid files of arbitrary bytes: a file opens only when its size
// matches its trailer, a refused file holds no grid; on an open grid the
// interpolation at points around the grid gives NaN or a height near the
// node values (all below 200 m).

#include <cmath>

#include "fuzz_support.hpp"
#include "geoid/interpolation.hpp"

using namespace orthelev;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  const std::string path = fuzz::Scratch::Get().Write(
      "grid.cdat", std::string_view(reinterpret_cast<const char*>(data), size));
  if (!OpenCustomGeoid(path)) {
    FUZZ_CHECK(window.messages == 1, "a refused file is reported once");
    FUZZ_CHECK(TheActiveGrid().file.Size() < 0, "a refused file is not held");
    return 0;
  }
  const ActiveGrid& g = TheActiveGrid();
  const std::uint64_t layoutBytes =
      4 * static_cast<std::uint64_t>(g.nrows) * g.ncols + kCustomTrailerBytes;
  FUZZ_CHECK(
      size == layoutBytes || (size > layoutBytes && size - layoutBytes <= kMaxCustomMetadataBytes),
      "the size matches the trailer, with or without a metadata block");
  // Points on a 7 x 7 lattice from a spacing outside the grid to one beyond.
  for (int i = 0; i <= 6; ++i)
    for (int j = 0; j <= 6; ++j) {
      const double lat = g.glamn + (g.glamx - g.glamn + 2 * g.dgla) * i / 6 - g.dgla;
      const double lon = g.glomn + (g.glomx - g.glomn + 2 * g.dglo) * j / 6 - g.dglo;
      const double bilinear = InterpolateGeoid(0, lat, lon);
      const double spline = InterpolateGeoid(kMaxSplineWindow, lat, lon);
      // Within one spacing north or west of the grid the bilinear value is
      // extrapolated (weights up to 4, -2, -2, 1): at most 9 node magnitudes.
      FUZZ_CHECK(std::isnan(bilinear) || std::fabs(bilinear) < 1800, "bilinear near the nodes");
      FUZZ_CHECK(std::isnan(spline) || std::fabs(spline) < 2000, "spline near the nodes");
    }
  return 0;
}
