// NMEA conversion throughput (GGA sentences and bytes per second, warm page
// cache, one core) next to a plain read/write copy of the same file. The peak
// memory of converting a 1 GiB log is measured by bench/peak_rss_1gib.sh.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "../tests/support/nmea_text.hpp"
#include "../tests/support/synthetic_grid.hpp"
#include "../tests/support/temp_dir.hpp"
#include "base/number_format.hpp"
#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "plain_copy.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"
#include "track_logs.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;

constexpr int kSentences = 200000;

// A scratch folder in /tmp with the grid open and settings for converting.
class Workspace {
 public:
  Workspace() {
    TheSettings().decimal = "4";
    TheSettings().postfix = "_g";
    ok_ = testing::SyntheticGrid{}.WriteAndOpen(
        dir_.Folder(), "linear.grd", [](double lat, double lon) {
          return static_cast<float>(20 + 0.5 * (lat - 30) + 0.3 * (lon - 130));
        });
  }
  ~Workspace() { CloseGrid(); }
  bool Ok() const { return ok_; }
  std::string Path(const std::string& name) const { return dir_.File(name); }

 private:
  testing::TempDir dir_;
  bool ok_ = false;
};

Workspace& TheWorkspace() {
  static Workspace workspace;
  return workspace;
}

const std::string& TrackLogPath() {
  static const std::string path = [] {
    const std::string p = TheWorkspace().Path("track.nmea");
    std::ofstream(p, std::ios::binary) << bench::GgaTrack(kSentences);
    return p;
  }();
  return path;
}

void BM_NmeaConversion(benchmark::State& state) {
  if (!TheWorkspace().Ok()) return state.SkipWithError("grid not written");
  TheFlags().useSpline = state.range(0) != 0;
  const std::string& path = TrackLogPath();
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) {
    if (ConvertNmeaFile(path) != kSentences) return state.SkipWithError("conversion failed");
  }
  state.SetItemsProcessed(state.iterations() * kSentences);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetLabel(state.range(0) ? "spline, items = GGA sentences"
                                : "bilinear, items = GGA sentences");
}
BENCHMARK(BM_NmeaConversion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file copied with read/write through a 64 KiB buffer.
void BM_NmeaPlainCopy(benchmark::State& state) {
  const std::string& path = TrackLogPath();
  const std::string copy = TheWorkspace().Path("copy.nmea");
  std::int64_t bytes = 0;
  for (auto _ : state) {
    bytes = bench::PlainCopy(path, copy);
    if (bytes < 0) return state.SkipWithError("copy failed");
  }
  state.SetItemsProcessed(state.iterations() * kSentences);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_NmeaPlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orthelev
