// Preparing the JPGEO2024 model from an ISG grid of GSI's size and layout
// (2101 x 1601 nodes, 15°-50° N, 120°-160° E, 1' x 1'30", CRLF, 4
// decimals; generated, not GSI's data): reading the text and writing the
// companion. It should take well under 2 s.

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "../tests/support/gsi_files.hpp"
#include "geoid/active_grid.hpp"
#include "models/jgd2024_models.hpp"
#include "services/memory_window_services.hpp"
#include "settings/settings.hpp"

namespace {

using namespace orthelev;

void BM_PrepareJpgeo2024(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("orthelev-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  {
    std::ofstream out(folder / "JPGEO2024.isg", std::ios::binary | std::ios::trunc);
    out << testing::GsiIsgText("JPGEO2024", 15, 120, 1 / 60.0, 1.5 / 60, 2101, 1601,
                               [](double lat, double lon) {
                                 return 30 + 10 * std::sin(lat / 7) + 5 * std::cos(lon / 11);
                               });
  }
  MemoryWindowServices window;
  InstallWindowServices(&window);
  TheSettings().dataFolder = folder.string() + "/";
  for (auto _ : state) {
    std::filesystem::remove(folder / CompanionFileName("JPGEO2024.isg"));
    benchmark::DoNotOptimize(PrepareJgd2024Grid("JPGEO2024.isg"));
    CloseGrid();
  }
  state.SetItemsProcessed(state.iterations() * 2101 * 1601);
  InstallWindowServices(nullptr);
  TheSettings().Reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PrepareJpgeo2024)->Unit(benchmark::kMillisecond);

}  // namespace
