// Geoid interpolation speed on a synthetic EGM2008-layout 2.5' grid
// (149,368,328 bytes, written once into a temporary folder and removed at
// exit): a track of consecutive nearby points and random points worldwide,
// by spline and bilinearly. Items per second = points per second.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "settings/settings.hpp"

namespace {

using namespace orthelev;

class SyntheticEgm25 {
 public:
  SyntheticEgm25() {
    folder_ =
        std::filesystem::temp_directory_path() / ("orthelev-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    const GridSpec geometry = DefaultGridSpec(kSectionEgm25);
    Write((folder_ / geometry.fname).string(), geometry);
    TheSettings().dataFolder = folder_.string() + "/";
    ok_ = OpenGrid(TheSettings().dataFolder, geometry.fname, geometry);
  }
  ~SyntheticEgm25() {
    TheActiveGrid().Reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  bool Ok() const { return ok_; }

 private:
  static void Write(const std::string& path, const GridSpec& geometry) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    std::vector<float> row(static_cast<size_t>(geometry.ncols));
    for (int r = 0; r < geometry.nrows; ++r) {
      row.front() = row.back() = 999.0f;  // framing words
      for (int c = 0; c < geometry.nlon; ++c)
        row[c + 1] = static_cast<float>(30 * std::sin(r * 0.003) * std::cos(c * 0.002) +
                                        5 * std::sin(r * 0.05 + c * 0.07));
      std::fwrite(row.data(), 4, row.size(), out);
    }
    std::fclose(out);
  }
  std::filesystem::path folder_;
  bool ok_ = false;
};

SyntheticEgm25& Grid() {
  static SyntheticEgm25 grid;
  return grid;
}

struct Point {
  double lat, lon;
};

// A receiver track: one fix a second at walking to driving speed, with
// some turns, crossing many grid cells over the run.
std::vector<Point> Track() {
  std::vector<Point> points;
  double lat = 35.6, lon = 139.7, heading = 0.3;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> turn(-0.05, 0.05);
  for (int i = 0; i < 1 << 20; ++i) {
    heading += turn(rng);
    lat += 0.0002 * std::cos(heading);
    lon += 0.0002 * std::sin(heading);
    points.push_back({lat, lon});
  }
  return points;
}

std::vector<Point> Worldwide() {
  std::vector<Point> points;
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> z(-1, 1), lon(-180, 180);
  for (int i = 0; i < 1 << 20; ++i)  // uniform over the sphere
    points.push_back({std::asin(z(rng)) * 180 / M_PI, lon(rng)});
  return points;
}

void Interpolate(benchmark::State& state, const std::vector<Point>& points, int windowSize) {
  if (!Grid().Ok()) {
    state.SkipWithError("could not write the synthetic grid");
    return;
  }
  size_t i = 0;
  double sum = 0;
  for (auto _ : state) {
    const Point& p = points[i++ & (points.size() - 1)];
    sum += InterpolateGeoid(windowSize, p.lat, p.lon);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}

void BM_TrackSpline(benchmark::State& state) {
  static const std::vector<Point> points = Track();
  Interpolate(state, points, 6);
}
void BM_TrackBilinear(benchmark::State& state) {
  static const std::vector<Point> points = Track();
  Interpolate(state, points, 0);
}
void BM_WorldwideSpline(benchmark::State& state) {
  static const std::vector<Point> points = Worldwide();
  Interpolate(state, points, 6);
}
void BM_WorldwideBilinear(benchmark::State& state) {
  static const std::vector<Point> points = Worldwide();
  Interpolate(state, points, 0);
}

BENCHMARK(BM_TrackSpline);
BENCHMARK(BM_TrackBilinear);
BENCHMARK(BM_WorldwideSpline);
BENCHMARK(BM_WorldwideBilinear);

}  // namespace
