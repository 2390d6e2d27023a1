// NMEA conversion throughput (GGA sentences and bytes per second, warm page
// cache, one core) next to a plain read/write copy of the same file. The peak
// memory of converting a 1 GiB log is measured by bench/peak_rss_1gib.sh.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "../tests/support/nmea_text.hpp"
#include "../tests/support/synthetic_grid.hpp"
#include "../tests/support/temp_dir.hpp"
#include "conversion/nmea_file.hpp"
#include "plain_copy.hpp"
#include "settings/number_format.hpp"
#include "settings/settings.hpp"
#include "ui/services/window_services.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;

constexpr int kSentences = 200000;

std::string DegreesMinutes(double degrees, int degreeDigits) {
  const int whole = static_cast<int>(degrees);
  std::string d = FormatInt(whole);
  d.insert(0, degreeDigits - d.size(), '0');
  std::string m = FormatFixed((degrees - whole) * 60, 4, 7);
  for (char& c : m)
    if (c == ' ') c = '0';
  return d + m;
}

// GGA sentences of a receiver driving around inside the grid, CR LF ended.
std::string TrackLog(int sentences) {
  std::string log;
  log.reserve(static_cast<size_t>(sentences) * 80);
  for (int i = 0; i < sentences; ++i) {
    const double t = i * 1e-4;
    const double lat = 35 + 3 * std::sin(t), lon = 137 + 5 * std::cos(0.7 * t);
    log += testing::Signed("$GPGGA,1200" + FormatInt(i % 60) + ".00," + DegreesMinutes(lat, 2) +
                       ",N," + DegreesMinutes(lon, 3) + ",E,1,08,1.0," +
                       FormatFixed(50 + 10 * std::sin(i * 0.01), 3) + ",M,39.2,M,,") +
           "\r\n";
  }
  return log;
}

// A scratch folder in /tmp with the grid open and settings for converting.
class Workspace {
 public:
  Workspace() {
    AppSettings().decimal = "4";
    AppSettings().postfix = "_g";
    ok_ = testing::SyntheticGrid{}.WriteAndOpen(dir_.Folder(), "linear.grd", [](double lat, double lon) {
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
    std::ofstream(p, std::ios::binary) << TrackLog(kSentences);
    return p;
  }();
  return path;
}

void BM_NmeaConversion(benchmark::State& state) {
  if (!TheWorkspace().Ok()) return state.SkipWithError("grid not written");
  Flags().useSpline = state.range(0) != 0;
  const std::string& path = TrackLogPath();
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) {
    if (ConvertNmeaFile(path) != kSentences) return state.SkipWithError("conversion failed");
  }
  state.SetItemsProcessed(state.iterations() * kSentences);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetLabel(state.range(0) ? "spline, items = GGA sentences" : "bilinear, items = GGA sentences");
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
