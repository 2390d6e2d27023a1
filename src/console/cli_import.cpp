#include "console/cli_import.hpp"

#include <optional>

#ifdef ORTHELEV_WITH_IMPORT
#include "import/grid_import.hpp"
#endif

namespace orthelev {

namespace {

void Say(std::FILE* stream, const std::string& text) { std::fputs((text + "\n").c_str(), stream); }

}  // namespace

#ifdef ORTHELEV_WITH_IMPORT

const char* ImportGridUsage() {
  return "       orthelev-cli import-grid SRC DEST [--region SOUTH,NORTH,WEST,EAST] [--format "
         "FORMAT]\n"
         "                                          write the geoid grid SRC (GTX, GeoTIFF, ISG or "
         "any "
         "raster\n"
         "                                          GDAL reads, an EGM2008 raw grid or a GSIGEO "
         "ASCII "
         "grid) as\n"
         "                                          the custom geoid file DEST (.cdat), optionally "
         "cut "
         "to a\n"
         "                                          region in degrees; FORMAT: auto (default), "
         "egm2008, "
         "gsigeo\n"
         "                                          or raster\n";
}

int ImportGridCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  std::vector<std::string> files;
  std::optional<Region> region;
  GridSourceFormat format = GridSourceFormat::kDetect;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    std::string error;
    if (a == "--region" && hasValue) {
      Region parsed;
      if (!ParseRegion(arguments[++i], parsed, error)) {
        Say(err, "orthelev-cli: import-grid: " + error);
        return 2;
      }
      region = parsed;
    } else if (a == "--format" && hasValue) {
      if (!ParseGridSourceFormat(arguments[++i], format)) {
        Say(err, "orthelev-cli: import-grid: unknown format " + arguments[i] +
                     " (auto, egm2008, gsigeo or raster)");
        return 2;
      }
    } else if (a == "--region" || a == "--format") {
      Say(err, "orthelev-cli: import-grid: " + a + " needs a value");
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    Say(err, "orthelev-cli: import-grid takes a source grid and a destination file");
    return 2;
  }
  std::string error;
  if (!ImportGrid(files[0], files[1], region, format, error)) {
    Say(err, "orthelev-cli: import-grid: " + error);
    return 1;
  }
  Say(out, "Imported " + files[0] + " as " + files[1]);
  return 0;
}

#else

const char* ImportGridUsage() {
  return "       orthelev-cli import-grid SRC DEST ...    not available: this build has no GDAL\n";
}

int ImportGridCommand(const std::vector<std::string>&, std::FILE*, std::FILE* err) {
  Say(err, "orthelev-cli: import-grid is not available: this build has no GDAL");
  return 2;
}

#endif

}  // namespace orthelev
