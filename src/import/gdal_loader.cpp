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

// The module's entry, loaded on first use; nullptr (and `why`) when the
// module cannot be loaded. The module stays loaded: its grids live on.
OpenRasterEntry GdalModuleEntry(std::string& why) {
  static std::string failure;
  static const OpenRasterEntry entry = [] {
    std::error_code ignored;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ignored);
    const std::string path = (program.parent_path() / ORTHELEV_GDAL_MODULE).string();
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* message = ::dlerror();
      failure = message ? message : path;
      return OpenRasterEntry{};
    }
    return reinterpret_cast<OpenRasterEntry>(::dlsym(module, "orthelev_open_gdal_raster"));
  }();
  if (!entry) why = failure.empty() ? "no entry point in the GDAL module" : failure;
  return entry;
}

}  // namespace

std::unique_ptr<GridSource> OpenGdalRaster(const std::string& path, bool& opened,
                                           std::string& error) {
  opened = false;
  std::string why;
  const OpenRasterEntry open = GdalModuleEntry(why);
  if (!open) {
    error = path + " cannot be read: the GDAL module is missing (" + why + ").";
    return nullptr;
  }
  return std::unique_ptr<GridSource>(open(path, opened, error));
}

}  // namespace orthelev
