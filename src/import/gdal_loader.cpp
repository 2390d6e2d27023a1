// OpenGdalRaster through the GDAL module beside the program. GDAL and the
// hundred libraries it needs cost tens of milliseconds to load and relocate
// at every start; only an import that reads a raster through GDAL pays
// that, once, when it loads the module.

#include <filesystem>
#include <vector>

#include "base/number_format.hpp"
#include "import/grid_source.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

using OpenRasterEntry = GridSource* (*)(const std::string& path, bool& opened, std::string& error);

// The loaded module: its entry, or why it could not be loaded.
struct GdalModule {
  OpenRasterEntry entry = nullptr;
  std::string failure;
};

// The module beside the program (the build folder), else where it is
// installed relative to the program.
GdalModule LoadGdalModule() {
#ifndef ORTHELEV_GDAL_MODULE
  return {nullptr, "this build has no GDAL"};
#else
  const std::filesystem::path folder =
      platform::PathOf(platform::RunningProgramFile()).parent_path();
  std::string path = platform::Utf8Of(folder / ORTHELEV_GDAL_MODULE);
  platform::LoadedModule module = platform::LoadModule(path);
  if (!module.handle) {
    path = platform::Utf8Of(folder / ORTHELEV_GDAL_MODULE_DIR / ORTHELEV_GDAL_MODULE);
    module = platform::LoadModule(path);
  }
  if (!module.handle) return {nullptr, module.failure};
  const auto entry = reinterpret_cast<OpenRasterEntry>(
      platform::ModuleSymbol(module.handle, "orthelev_open_gdal_raster"));
  return {entry, entry ? "" : "no entry point in " + path};
#endif
}

// Loaded on first use, once; it stays loaded, as the grids it opens live on.
const GdalModule& TheGdalModule() {
  static const GdalModule module = LoadGdalModule();
  return module;
}

// What GDAL may allocate to open a file and read its first row: the file's
// own size four times over and 256 MiB, however large a size its header
// announces (docs/grid-import.md).
constexpr std::int64_t kGdalBaseBudget = std::int64_t{256} << 20;
constexpr std::int64_t kGdalBudgetPerFileByte = 4;

std::int64_t GdalBudget(const std::string& path) {
  platform::FileStatus status;
  const std::int64_t fileBytes = platform::StatusAt(path, status) ? status.size : 0;
  return kGdalBaseBudget + kGdalBudgetPerFileByte * fileBytes;
}

// Opens the raster and reads its first row in a copy of the process held
// to the budget: 0 opened and read, 1 refused, -1 beyond the budget (GDAL
// ends the process when an allocation fails).
int ProbeWithinBudget(OpenRasterEntry entry, const std::string& path, std::int64_t budget) {
  return platform::ProbeInLimitedCopy(
      [entry, &path] {
        bool opened = false;
        std::string error;
        const std::unique_ptr<GridSource> source(entry(path, opened, error));
        if (!source) return 1;
        std::vector<float> row(static_cast<std::size_t>(source->Lattice().columns));
        return source->ReadRow(0, row.data(), error) ? 0 : 1;
      },
      budget);
}

}  // namespace

std::unique_ptr<GridSource> OpenGdalRaster(const std::string& path, bool& opened,
                                           std::string& error) {
  opened = false;
  const GdalModule& module = TheGdalModule();
  if (!module.entry) {
    error = path +
            " cannot be read: it is none of the grids the program reads itself (ISG, "
            "GeographicLib .pgm, EGM2008 raw, GSIGEO ASCII) and the GDAL module is missing (" +
            module.failure + ").";
    return nullptr;
  }
  const std::int64_t budget = GdalBudget(path);
  if (ProbeWithinBudget(module.entry, path, budget) < 0) {
    opened = true;
    error = path + " needs more memory than an import may use (" + FormatInt(budget >> 20) +
            " MiB): its header announces more than the file holds.";
    return nullptr;
  }
  return std::unique_ptr<GridSource>(module.entry(path, opened, error));
}

}  // namespace orthelev
