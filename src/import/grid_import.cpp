#include "import/grid_import.hpp"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/custom_geoid.hpp"
#include "geoid/node_values.hpp"
#include "import/grid_source.hpp"

namespace orthelev {
namespace {

std::string Trailer(const ImportPlan& plan) {
  GridSpec geometry;
  geometry.nrows = plan.rowCount;
  geometry.ncols = static_cast<std::int32_t>(plan.sourceColumns.size());
  geometry.glamn = plan.glamn;
  geometry.glomn = plan.glomn;
  geometry.dgla = plan.dgla;
  geometry.dglo = plan.dglo;
  return CustomTrailer(geometry);
}

bool WriteNodes(GridSource& source, const ImportPlan& plan, const ByteSink& put,
                std::string& error) {
  std::vector<float> row(static_cast<std::size_t>(source.Lattice().columns));
  std::string bytes;
  bytes.reserve(plan.sourceColumns.size() * 4);
  for (std::int32_t r = plan.firstRow; r < plan.firstRow + plan.rowCount; ++r) {
    if (!source.ReadRow(r, row.data(), error)) return false;
    bytes.clear();
    for (const std::int32_t c : plan.sourceColumns)
      AppendNodeValue(bytes, row[static_cast<std::size_t>(c)]);
    if (!put(bytes)) return false;
  }
  return put(Trailer(plan));
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return std::filesystem::equivalent(a, b, ignored);
}

// A raster through GDAL, or an ISG grid GDAL does not take.
std::unique_ptr<GridSource> OpenRaster(const std::string& path, std::string& error) {
  bool recognised = false;
  auto source = OpenGdalRaster(path, recognised, error);
  if (!source && !recognised && LooksLikeIsgGrid(path)) source = OpenIsgGrid(path, error);
  return source;
}

std::unique_ptr<GridSource> OpenSource(const std::string& path, GridSourceFormat format,
                                       std::string& error) {
  switch (format) {
    case GridSourceFormat::kEgm2008Raw:
      return OpenEgmRawGrid(path, true, error);
    case GridSourceFormat::kGsiAscii:
      return OpenGsiAsciiGrid(path, error);
    case GridSourceFormat::kRaster:
      return OpenRaster(path, error);
    case GridSourceFormat::kDetect:
      break;
  }
  std::error_code sizeError;
  const auto size = std::filesystem::file_size(path, sizeError);
  if (!sizeError && EgmRawNodesPerDegree(static_cast<std::int64_t>(size), false) != 0)
    return OpenEgmRawGrid(path, false, error);
  if (!sizeError && LooksLikeGsiAsciiGrid(path)) return OpenGsiAsciiGrid(path, error);
  return OpenRaster(path, error);
}

bool ParseRegionLimit(std::string_view& text, bool last, double& value) {
  const std::size_t comma = text.find(',');
  if ((comma == std::string_view::npos) != last) return false;
  const std::string_view number = TrimControlAndBlanks(text.substr(0, comma));
  text.remove_prefix(last ? text.size() : comma + 1);
  return ParseReal(number, value);
}

}  // namespace

bool ImportGrid(const std::string& source, const std::string& destination,
                const std::optional<Region>& region, GridSourceFormat format, std::string& error) {
  error.clear();
  if (SameFile(source, destination)) {
    error = "The destination " + destination + " is the source grid itself.";
    return false;
  }
  std::unique_ptr<GridSource> grid = OpenSource(source, format, error);
  if (!grid) return false;
  ImportPlan plan;
  if (!PlanImport(grid->Lattice(), region, plan, error)) return false;
  return WriteFileAtomicallyFrom(
      destination,
      [&](const ByteSink& put, std::string& reason) {
        return WriteNodes(*grid, plan, put, reason);
      },
      error);
}

bool ImportGrid(const std::string& source, const std::string& destination,
                const std::optional<Region>& region, std::string& error) {
  return ImportGrid(source, destination, region, GridSourceFormat::kDetect, error);
}

bool ParseRegion(std::string_view text, Region& region, std::string& error) {
  Region parsed;
  if (!ParseRegionLimit(text, false, parsed.south) ||
      !ParseRegionLimit(text, false, parsed.north) || !ParseRegionLimit(text, false, parsed.west) ||
      !ParseRegionLimit(text, true, parsed.east)) {
    error = "A region is four numbers SOUTH,NORTH,WEST,EAST in degrees.";
    return false;
  }
  region = parsed;
  return true;
}

bool ParseGridSourceFormat(std::string_view text, GridSourceFormat& format) {
  struct Name {
    std::string_view text;
    GridSourceFormat format;
  };
  static constexpr Name kNames[] = {{"auto", GridSourceFormat::kDetect},
                                    {"egm2008", GridSourceFormat::kEgm2008Raw},
                                    {"gsigeo", GridSourceFormat::kGsiAscii},
                                    {"raster", GridSourceFormat::kRaster}};
  for (const Name& name : kNames)
    if (name.text == text) {
      format = name.format;
      return true;
    }
  return false;
}

}  // namespace orthelev
