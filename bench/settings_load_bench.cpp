// Loading a settings file whose CSV_Info section holds many rows (a file of
// 40,000 rows is about 480 KB): the load reads every row, so its time should
// grow in step with the rows. Items per second = rows per second.

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "program/settings_store.hpp"
#include "services/memory_window_services.hpp"
#include "settings/settings.hpp"

namespace {

using namespace orthelev;

std::string WriteRows(int rows) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("orthelev-bench-" + std::to_string(getpid()) + ".ini"))
                               .string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "[Option]\r\nVersion=" << VersionTitle() << "\r\n[CSV_Info]\r\n";
  for (int i = 0; i < rows; ++i) out << "L" << i << "=A,B\r\n";
  return path;
}

void BM_LoadSettingsWithCsvInfoRows(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::string path = WriteRows(rows);
  MemoryWindowServices window;
  InstallWindowServices(&window);
  for (auto _ : state) {
    TheSettings().Reset();
    TheSettings().versionTitle = VersionTitle();
    TheSettings().settingsFileName = path;
    benchmark::DoNotOptimize(LoadSettings(SettingsAccess::ReadOnly));
  }
  state.SetItemsProcessed(state.iterations() * rows);
  InstallWindowServices(nullptr);
  TheSettings().Reset();
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadSettingsWithCsvInfoRows)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
