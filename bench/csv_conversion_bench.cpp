// CSV and RTKLIB solution file conversion throughput (records and bytes
// per second, warm page cache, one core) next to a plain read/write copy of
// the CSV file.

#include <cmath>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "../tests/support/synthetic_grid.hpp"
#include "base/number_format.hpp"
#include "conversion/csv_conversion.hpp"
#include "conversion/csv_layout.hpp"
#include "flags/program_flags.hpp"
#include "plain_copy.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"
#include "track_logs.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 200000;

// An i-Blue 747 style export of a logger driving around inside the grid.
std::string LoggerExport(int records) {
  std::string log =
      "INDEX,RCR,DATE,TIME,VALID,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT,SPEED,DISTANCE,\r\n";
  log.reserve(static_cast<size_t>(records) * 90);
  for (int i = 1; i <= records; ++i) {
    const double t = i * 1e-4;
    log += FormatInt(i) + ",T,2024/06/07,12:" + FormatInt(10 + i % 50) + ":00,SPS," +
           FormatFixed(35 + 3 * std::sin(t), 6) + ",N," +
           FormatFixed(137 + 5 * std::cos(0.7 * t), 6) + ",E," +
           FormatFixed(50 + 10 * std::sin(i * 0.01), 3) + " m,12.5,0.000000,\r\n";
  }
  return log;
}

// A scratch folder in /tmp holding the log and the grid.
class CsvWorkspace {
 public:
  CsvWorkspace() {
    dir_.Write("track.csv", LoggerExport(kRecords));
    dir_.Write("track.pos", bench::RtklibTrack(kRecords));
  }
  ~CsvWorkspace() { CloseGrid(); }

  // Settings and model for converting: the default CSV titles and profiles,
  // and a linear model over 30..40 N, 130..145 E as the active grid.
  bool Prepare() {
    Settings& s = TheSettings();
    s.decimal = "4";
    s.postfix = "_g";
    s.csvItems = DefaultCsvItemTitles();
    if (s.csvInfo.empty()) MergeDefaultProfiles();
    return testing::SyntheticGrid{}.WriteAndOpen(
        dir_.Folder(), "csv_linear.grd", [](double lat, double lon) {
          return static_cast<float>(20 + 0.5 * (lat - 30) + 0.3 * (lon - 130));
        });
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }

 private:
  testing::TempDir dir_;
};

CsvWorkspace& TheCsvWorkspace() {
  static CsvWorkspace workspace;
  return workspace;
}

// Converts the workspace's file `name` (spline for range 1, bilinear for 0).
void ConvertLog(benchmark::State& state, const std::string& name) {
  if (!TheCsvWorkspace().Prepare()) return state.SkipWithError("grid not written");
  TheFlags().useSpline = state.range(0) != 0;
  const std::string path = TheCsvWorkspace().Path(name);
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
  for (auto _ : state) {
    if (ConvertCsvFile(path) != kRecords) return state.SkipWithError("conversion failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetLabel(state.range(0) ? "spline, items = records" : "bilinear, items = records");
}

void BM_CsvConversion(benchmark::State& state) { ConvertLog(state, "track.csv"); }
BENCHMARK(BM_CsvConversion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RtklibConversion(benchmark::State& state) { ConvertLog(state, "track.pos"); }
BENCHMARK(BM_RtklibConversion)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file copied with read/write through a 64 KiB buffer.
void BM_CsvPlainCopy(benchmark::State& state) {
  const std::string path = TheCsvWorkspace().Path("track.csv");
  std::int64_t bytes = 0;
  for (auto _ : state) {
    bytes = bench::PlainCopy(path, TheCsvWorkspace().Path("copy.csv"));
    if (bytes < 0) return state.SkipWithError("copy failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_CsvPlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace orthelev
