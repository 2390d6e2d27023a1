// Peak resident memory of converting a 1 GiB log, in a process that does
// nothing else: writes the log in a scratch folder, converts it, prints the
// throughput, the peak resident memory and, apart, the anonymous and the
// file-backed resident memory at the end, and removes the files. "random"
// instead looks up one million random points worldwide (spline).
// Usage: orthelev_peak_rss nmea|csv|gpx|random [MiB] [small|egm25|egm10]
// (the grid: a small linear one, or a synthetic EGM2008-layout 2.5' or 1'
// grid of 149 MB or 933 MB, read through a mapping of the file). The peak
// counts both kinds together, so it bounds the anonymous peak; the
// anonymous memory at the end lacks only the conversion's buffers of a few
// hundred KiB, freed when it ends.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

#include "../../tests/support/synthetic_grid.hpp"
#include "../../tests/support/temp_dir.hpp"
#include "../resident_memory.hpp"
#include "../synthetic_egm.hpp"
#include "../track_logs.hpp"
#include "base/number_format.hpp"
#include "conversion/csv_conversion.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/gpx_conversion.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace {

using namespace orthelev;

enum class Kind { Nmea, Csv, Gpx };

// 10,000 records of a track inside the synthetic grid.
std::string Chunk(Kind kind) {
  if (kind == Kind::Nmea) return bench::GgaTrack(10000);
  if (kind == Kind::Gpx) return bench::GpxTrackPoints(10000);
  std::string text;
  for (int i = 0; i < 10000; ++i)
    text += FormatFixed(bench::TrackLatitude(i), 7) + "," +
            FormatFixed(bench::TrackLongitude(i), 7) + ",50.000\r\n";
  return text;
}

// Writes the named grid into `dir` and opens it as the active grid.
bool OpenGrid(const testing::TempDir& dir, const std::string& kind) {
  if (kind == "small")
    return testing::SyntheticGrid{}.WriteAndOpen(dir.Folder(), "grid", [](double lat, double lon) {
      return static_cast<float>(20 + 0.5 * (lat - 30) + 0.3 * (lon - 130));
    });
  if (kind != "egm25" && kind != "egm10") return false;
  const GridSpec geometry = DefaultGridSpec(kind == "egm25" ? kSectionEgm25 : kSectionEgm10);
  TheSettings().dataFolder = dir.Folder();
  return bench::WriteSyntheticEgm(dir.File(geometry.fname), geometry) &&
         (TheActiveGrid().open = orthelev::OpenGrid(dir.Folder(), geometry.fname, geometry));
}

void PrintResidentMemory() {
  const bench::ResidentMemory memory = bench::CurrentResidentMemory();
  std::printf("  peak RSS %.1f MiB; at the end RssAnon %.1f MiB, RssFile %.1f MiB\n",
              memory.peakMiB, memory.anonymousMiB, memory.fileMiB);
}

// One million random points worldwide, spline: CPU microseconds a point.
int LookUpRandomPoints() {
  constexpr int kPoints = 1000000;
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> z(-1, 1), lon(-180, 180);
  double sum = 0;
  int found = 0;
  const std::clock_t start = std::clock();
  for (int i = 0; i < kPoints; ++i) {
    const double n = InterpolateGeoid(6, std::asin(z(rng)) * 180 / M_PI, lon(rng));
    if (!std::isnan(n)) ++found, sum += n;
  }
  const double cpu = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  std::printf("random points %d, %d inside (sum %.3f), CPU %.3f s: %.2f us a point\n", kPoints,
              found, sum, cpu, cpu * 1e6 / kPoints);
  PrintResidentMemory();
  return found == kPoints ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kindName = argc < 2 ? "nmea" : argv[1];
  const Kind kind = kindName == "csv" ? Kind::Csv : kindName == "gpx" ? Kind::Gpx : Kind::Nmea;
  const std::int64_t mebibytes = argc >= 3 ? std::atoll(argv[2]) : 1024;
  testing::TempDir dir;
  TheSettings().decimal = "4";
  TheSettings().postfix = "_g";
  TheSettings().csvItems = DefaultCsvItemTitles();
  MergeDefaultProfiles();
  TheFlags().useSpline = true;
  if (!OpenGrid(dir, argc >= 4 ? argv[3] : "small")) {
    std::fputs("could not write the grid\n", stderr);
    return 1;
  }
  if (kindName == "random") return LookUpRandomPoints();
  const std::string path = dir.File(kind == Kind::Nmea  ? "big.nmea"
                                    : kind == Kind::Csv ? "big.csv"
                                                        : "big.gpx");
  std::int64_t records = 0;
  {
    std::ofstream out(path, std::ios::binary);
    if (kind == Kind::Csv) out << "LATITUDE,LONGITUDE,HEIGHT\r\n";
    if (kind == Kind::Gpx) out << bench::kGpxHead;
    const std::string chunk = Chunk(kind);
    for (std::int64_t written = 0; written < mebibytes << 20; written += chunk.size()) {
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      records += 10000;
    }
    if (kind == Kind::Gpx) out << bench::kGpxTail;
    if (!out.flush()) {
      std::fputs("could not write the log\n", stderr);
      return 1;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  BeginProfile("log");  // as the batch does: the height profile is collected too
  const std::int32_t result = kind == Kind::Nmea  ? ConvertNmeaFile(path)
                              : kind == Kind::Csv ? ConvertCsvFile(path)
                                                  : ConvertGpxFile(path);
  EndProfile(result >= 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double logMiB = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
  std::printf(
      "%s log %.0f MiB, %lld records converted (result %d) in %.1f s: %.0f records/s, "
      "peak RSS %.1f MiB\n",
      kind == Kind::Nmea  ? "NMEA"
      : kind == Kind::Csv ? "CSV"
                          : "GPX",
      logMiB, static_cast<long long>(records), result, seconds, records / seconds,
      usage.ru_maxrss / 1024.0);
  PrintResidentMemory();
  return result == records ? 0 : 1;
}
