// EGM96 imported from PROJ's egm96_15.gtx, interpolated bilinearly here,
// against PROJ's own vertical transformation (cs2cs, an independent
// implementation): the geoid heights must agree at arbitrary points.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "geoid/custom_geoid.hpp"
#include "geoid/interpolation.hpp"
#include "import/grid_import.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

constexpr const char* kEgm96 = "/usr/share/proj/egm96_15.gtx";

struct Point {
  double lat, lon;
};

// Runs cs2cs once over all points: ellipsoidal height 0 becomes -N.
bool ProjGeoidHeights(const std::vector<Point>& points, const std::string& folder,
                      std::vector<double>& heights) {
  const std::string input = folder + "points.txt", output = folder + "heights.txt";
  std::string text;
  for (const Point& p : points)
    text += FormatFixed(p.lat, 9) + " " + FormatFixed(p.lon, 9) + " 0\n";
  testing::WriteBytes(input, text);
  const std::string command =
      "cs2cs -f %.6f EPSG:4979 EPSG:4326+5773 < '" + input + "' > '" + output + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return false;
  const std::string result = testing::ReadBytes(output);
  size_t start = 0;
  for (size_t end; (end = result.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = result.substr(start, end - start);
    const size_t blank = line.find_last_of(" \t");
    double value = 0;
    if (blank == std::string::npos || !ParseReal(line.substr(blank + 1), value)) return false;
    heights.push_back(-value);
  }
  return heights.size() == points.size();
}

class ProjReference : public testing::ProgramState {};

TEST_F(ProjReference, BilinearEgm96MatchesProj) {
  if (!std::filesystem::exists(kEgm96) || std::system("command -v cs2cs > /dev/null") != 0)
    GTEST_SKIP() << "needs proj-data's egm96_15.gtx and proj-bin's cs2cs";
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(ImportGrid(kEgm96, dir.File("egm96.cdat"), std::nullopt, error)) << error;
  ASSERT_TRUE(OpenCustomGeoid(dir.File("egm96.cdat")));

  std::vector<Point> points = {{35.677166666666665, 139.74786111111112},
                               {0, 0},
                               {-33.86, 151.21},
                               {40.015, -105.27},
                               {64.1, -21.9},
                               {-77.85, 166.67},
                               {0.1, 179.99},
                               {10, -179.99}};
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> lat(-89.7, 89.7), lon(-180, 180);
  for (int i = 0; i < 200; ++i) points.push_back({lat(rng), lon(rng)});
  std::vector<double> proj;
  ASSERT_TRUE(ProjGeoidHeights(points, dir.Folder(), proj));
  for (size_t i = 0; i < points.size(); ++i)
    EXPECT_NEAR(InterpolateGeoid(0, points[i].lat, points[i].lon), proj[i], 2e-6)
        << points[i].lat << ", " << points[i].lon;
}

}  // namespace
}  // namespace orthelev
