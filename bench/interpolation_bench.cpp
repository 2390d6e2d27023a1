// Geoid interpolation speed on synthetic grids in the EGM2008 layout, the
// 2.5' grid (149,368,328 bytes) and the 1' grid (933,292,808 bytes), each
// written once into a temporary folder on first use and removed at exit:
// a track of consecutive nearby points and random points worldwide, by
// spline and bilinearly. Items per second = points per second. The grids
// are read through a mapping of the file (the "Blocks" cases: through the
// bounded block cache), never loaded whole. The worldwide cases take each
// of the 2^20 random points once; their counters tell the resident memory
// of the whole benchmark process at the end in MiB, anonymous and
// file-backed apart. The anonymous part holds the benchmark's own point
// lists and what earlier benchmarks left; bench/peak_rss_1gib.sh measures
// the lookups in a process that does nothing else.

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "resident_memory.hpp"
#include "settings/settings.hpp"
#include "synthetic_egm.hpp"

namespace {

using namespace orthelev;

// One synthetic grid file of the given EGM2008 section.
class SyntheticEgm {
 public:
  explicit SyntheticEgm(std::string_view section) : geometry_(DefaultGridSpec(section)) {
    folder_ = std::filesystem::temp_directory_path() /
              ("orthelev-bench-" + std::to_string(getpid()) + "-" + std::string(section));
    std::filesystem::create_directories(folder_);
    ok_ = bench::WriteSyntheticEgm((folder_ / geometry_.fname).string(), geometry_);
  }
  // The active grid may be gone by now (statics end in reverse order); an
  // open file can be removed all the same.
  ~SyntheticEgm() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  // Makes it the active grid; false when it could not be written or opened.
  bool Open() const {
    TheSettings().dataFolder = folder_.string() + "/";
    return ok_ && OpenGrid(TheSettings().dataFolder, geometry_.fname, geometry_);
  }

 private:
  GridSpec geometry_;
  std::filesystem::path folder_;
  bool ok_ = false;
};

const SyntheticEgm& Grid25() {
  static const SyntheticEgm grid(kSectionEgm25);
  return grid;
}
const SyntheticEgm& Grid10() {
  static const SyntheticEgm grid(kSectionEgm10);
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

void Interpolate(benchmark::State& state, const SyntheticEgm& grid,
                 const std::vector<Point>& points, int windowSize,
                 GridReading reading = GridReading::Mapped) {
  TheActiveGrid().file.SetReading(reading);
  if (!grid.Open()) {
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
  const bench::ResidentMemory memory = bench::CurrentResidentMemory();
  state.counters["RssAnon"] = memory.anonymousMiB;
  state.counters["RssFile"] = memory.fileMiB;
  TheActiveGrid().file.SetReading(GridReading::Mapped);
}

const std::vector<Point>& TrackPoints() {
  static const std::vector<Point> points = Track();
  return points;
}
const std::vector<Point>& WorldwidePoints() {
  static const std::vector<Point> points = Worldwide();
  return points;
}

void BM_TrackSpline(benchmark::State& state) { Interpolate(state, Grid25(), TrackPoints(), 6); }
void BM_TrackBilinear(benchmark::State& state) { Interpolate(state, Grid25(), TrackPoints(), 0); }
void BM_WorldwideSpline(benchmark::State& state) {
  Interpolate(state, Grid25(), WorldwidePoints(), 6);
}
void BM_WorldwideBilinear(benchmark::State& state) {
  Interpolate(state, Grid25(), WorldwidePoints(), 0);
}
void BM_WorldwideSplineBlocks(benchmark::State& state) {
  Interpolate(state, Grid25(), WorldwidePoints(), 6, GridReading::Blocks);
}
void BM_TrackSpline1Minute(benchmark::State& state) {
  Interpolate(state, Grid10(), TrackPoints(), 6);
}
void BM_WorldwideSpline1Minute(benchmark::State& state) {
  Interpolate(state, Grid10(), WorldwidePoints(), 6);
}
void BM_WorldwideSpline1MinuteBlocks(benchmark::State& state) {
  Interpolate(state, Grid10(), WorldwidePoints(), 6, GridReading::Blocks);
}

BENCHMARK(BM_TrackSpline);
BENCHMARK(BM_TrackBilinear);
BENCHMARK(BM_WorldwideSpline)->Iterations(1 << 20);
BENCHMARK(BM_WorldwideBilinear)->Iterations(1 << 20);
BENCHMARK(BM_WorldwideSplineBlocks)->Iterations(1 << 20);
BENCHMARK(BM_TrackSpline1Minute);
BENCHMARK(BM_WorldwideSpline1Minute)->Iterations(1 << 20);
BENCHMARK(BM_WorldwideSpline1MinuteBlocks)->Iterations(1 << 20);

}  // namespace
