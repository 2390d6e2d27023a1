// OpenGdalRaster through the GDAL module beside the program. GDAL and the
// hundred libraries it needs cost tens of milliseconds to load and relocate
// at every start; only an import that reads a raster through GDAL pays
// that, once, when it loads the module.

#include <filesystem>

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
}

// Loaded on first use, once; it stays loaded, as the grids it opens live on.
const GdalModule& TheGdalModule() {
  static const GdalModule module = LoadGdalModule();
  return module;
}

}  // namespace

std::unique_ptr<GridSource> OpenGdalRaster(const std::string& path, bool& opened,
                                           std::string& error) {
  opened = false;
  const GdalModule& module = TheGdalModule();
  if (!module.entry) {
    error = path + " cannot be read: the GDAL module is missing (" + module.failure + ").";
    return nullptr;
  }
  return std::unique_ptr<GridSource>(module.entry(path, opened, error));
}

}  // namespace orthelev
