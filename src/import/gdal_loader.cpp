// OpenGdalRaster through the GDAL module beside the program. GDAL and the
// hundred libraries it needs cost tens of milliseconds to load and relocate
// at every start; only an import that reads a raster through GDAL pays
// that, once, when it loads the module.

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

#include "import/grid_source.hpp"

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
  std::error_code ignored;
  const std::filesystem::path folder =
      std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
  std::string path = (folder / ORTHELEV_GDAL_MODULE).string();
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    path = (folder / ORTHELEV_GDAL_MODULE_DIR / ORTHELEV_GDAL_MODULE).string();
    module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!module) {
    const char* message = ::dlerror();
    return {nullptr, message ? message : path};
  }
  const auto entry =
      reinterpret_cast<OpenRasterEntry>(::dlsym(module, "orthelev_open_gdal_raster"));
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
