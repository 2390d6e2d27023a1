// GPX conversion throughput (track points and bytes per second, warm page
// cache, one core) next to a plain read/write copy of the same file. The peak
// memory of converting a 1 GiB GPX track is measured by bench/peak_rss_1gib.sh.

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "../tests/support/synthetic_grid.hpp"
#include "../tests/support/temp_dir.hpp"
#include "conversion/gpx_conversion.hpp"
#include "conversion/logger_profiles.hpp"
#include "flags/program_flags.hpp"
#include "plain_copy.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"
#include "track_logs.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 200000;

// A scratch folder in /tmp with the grid open, the settings for converting
// and the track written once.
class GpxWorkspace {
 public:
  GpxWorkspace() {
    TheSettings().decimal = "4";
    TheSettings().postfix = "_g";
    MergeDefaultProfiles();
    ok_ = testing::SyntheticGrid{}.WriteAndOpen(
        dir_.Folder(), "linear.grd", [](double lat, double lon) {
          return static_cast<float>(20 + 0.5 * (lat - 30) + 0.3 * (lon - 130));
        });
    path_ = dir_.File("track.gpx");
    std::ofstream(path_, std::ios::binary)
        << bench::kGpxHead << bench::GpxTrackPoints(kPoints) << bench::kGpxTail;
  }
  ~GpxWorkspace() { CloseGrid(); }
  bool Ok() const { return ok_; }
  const std::string& TrackPath() const { return path_; }
  std::string Path(const std::string& name) const { return dir_.File(name); }

 private:
  testing::TempDir dir_;
  std::string path_;
  bool ok_ = false;
};

GpxWorkspace& TheGpxWorkspace() {
  static GpxWorkspace workspace;
  return workspace;
}

void BM_GpxConversion(benchmark::State& state) {
  GpxWorkspace& workspace = TheGpxWorkspace();
  if (!workspace.Ok()) return state.SkipWithError("grid not written");
  TheFlags().useSpline = state.range(0) != 0;
  const auto bytes = static_cast<std::int64_t>(fs::file_size(workspace.TrackPath()));
  for (auto _ : state) {
    if (ConvertGpxFile(workspace.TrackPath()) != kPoints)
      return state.SkipWithError("conversion failed");
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetLabel(state.range(0) ? "spline, items = track points"
                                : "bilinear, items = track points");
}
BENCHMARK(BM_GpxConversion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file copied with read/write through a 64 KiB buffer.
void BM_GpxPlainCopy(benchmark::State& state) {
  GpxWorkspace& workspace = TheGpxWorkspace();
  const std::string copy = workspace.Path("copy.gpx");
  std::int64_t bytes = 0;
  for (auto _ : state) {
    bytes = bench::PlainCopy(workspace.TrackPath(), copy);
    if (bytes < 0) return state.SkipWithError("copy failed");
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_GpxPlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orthelev
