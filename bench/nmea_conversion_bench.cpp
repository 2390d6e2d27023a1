// NMEA conversion throughput (GGA sentences and bytes per second, warm page
// cache, one core) next to a plain read/write copy of the same file, and the
// peak resident memory of converting a 1 GiB log.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Writes a log of at least `bytes` bytes by repeating a track.
bool WriteBigLog(const std::string& path, std::int64_t bytes, std::int64_t& sentences) {
  const int chunkSentences = 10000;
  const std::string chunk = TrackLog(chunkSentences);
  std::ofstream out(path, std::ios::binary);
  sentences = 0;
  for (std::int64_t written = 0; written < bytes; written += chunk.size()) {
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    sentences += chunkSentences;
  }
  return static_cast<bool>(out.flush());
}

// Converts a 1 GiB log in a child process and reports the child's peak
// resident set (the counters are in MiB), so that nothing else this
// benchmark program did counts in it.
void BM_NmeaPeakRss1GiB(benchmark::State& state) {
  if (!TheWorkspace().Ok()) return state.SkipWithError("grid not written");
  Flags().useSpline = true;
  const std::string path = TheWorkspace().Path("big.nmea");
  std::int64_t sentences = 0;
  if (!WriteBigLog(path, std::int64_t{1} << 30, sentences)) {
    fs::remove(path);
    return state.SkipWithError("could not write the 1 GiB log");
  }
  double peakMiB = 0;
  for (auto _ : state) {
    const pid_t child = ::fork();
    if (child == 0) _exit(ConvertNmeaFile(path) == static_cast<std::int32_t>(sentences) ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("conversion in the child failed");
      break;
    }
    peakMiB = usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB
  }
  const auto bytes = static_cast<std::int64_t>(fs::file_size(path));
  fs::remove(path);
  fs::remove(TheWorkspace().Path("big_g.nmea"));
  state.counters["peak_rss_MiB"] = peakMiB;
  state.counters["log_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.SetItemsProcessed(state.iterations() * sentences);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_NmeaPeakRss1GiB)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace orthelev
