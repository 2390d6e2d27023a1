#pragma once
// Small rasters written through GDAL for the import tests, and reading back
// a raster's values through GDAL alone.

#include <array>
#include <functional>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orthelev::testing {

struct RasterSpec {
  std::string driver;  // "GTX", "GTiff"
  int rows = 0, columns = 0;
  std::array<double, 6> transform{};  // GDAL's: outer corner of pixel (0, 0), pixel sizes
  bool georeferenced = true;          // false: no transform is written
  std::string crs = "EPSG:4326";      // empty: none
  std::optional<double> noData;
  std::string areaOrPoint;  // "Area", "Point" or empty
  int bands = 1;            // every band gets the same values
  // PROJ's grid TYPE (dataset metadata), band 1's description and unit; empty: none.
  std::string type, description, unit;
};

using PixelValue = std::function<float(int row, int column)>;

inline void WriteRaster(const std::string& path, const RasterSpec& geometry,
                        const PixelValue& value) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(geometry.driver.c_str());
  if (!driver) throw std::runtime_error("no GDAL driver " + geometry.driver);
  GDALDataset* dataset = driver->Create(path.c_str(), geometry.columns, geometry.rows,
                                        geometry.bands, GDT_Float32, nullptr);
  if (!dataset) throw std::runtime_error("cannot create " + path);
  if (!geometry.areaOrPoint.empty())
    dataset->SetMetadataItem(GDALMD_AREA_OR_POINT, geometry.areaOrPoint.c_str());
  if (geometry.georeferenced) {
    std::array<double, 6> transform = geometry.transform;
    dataset->SetGeoTransform(transform.data());
  }
  if (!geometry.crs.empty()) {
    OGRSpatialReference crs;
    crs.SetFromUserInput(geometry.crs.c_str());
    dataset->SetSpatialRef(&crs);
  }
  if (!geometry.type.empty()) dataset->SetMetadataItem("TYPE", geometry.type.c_str());
  if (!geometry.description.empty())
    dataset->GetRasterBand(1)->SetDescription(geometry.description.c_str());
  if (!geometry.unit.empty()) dataset->GetRasterBand(1)->SetUnitType(geometry.unit.c_str());
  std::vector<float> line(static_cast<std::size_t>(geometry.columns));
  for (int b = 1; b <= geometry.bands; ++b) {
    GDALRasterBand* band = dataset->GetRasterBand(b);
    if (geometry.noData) band->SetNoDataValue(*geometry.noData);
    for (int r = 0; r < geometry.rows; ++r) {
      for (int c = 0; c < geometry.columns; ++c) line[static_cast<std::size_t>(c)] = value(r, c);
      if (band->RasterIO(GF_Write, 0, r, geometry.columns, 1, line.data(), geometry.columns, 1,
                         GDT_Float32, 0, 0, nullptr) != CE_None)
        throw std::runtime_error("cannot write " + path);
    }
  }
  GDALClose(GDALDataset::ToHandle(dataset));
}

// Band 1 of the raster at `path` as GDAL reads it, rows top first, with
// its transform.
struct RasterValues {
  int rows = 0, columns = 0;
  std::array<double, 6> transform{};
  std::optional<double> noData;
  std::vector<float> values;
  float At(int row, int column) const {
    return values[static_cast<std::size_t>(row) * columns + column];
  }
};

inline RasterValues ReadRaster(const std::string& path) {
  GDALAllRegister();
  GDALDataset* dataset = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
  if (!dataset) throw std::runtime_error("cannot open " + path);
  RasterValues raster;
  raster.rows = dataset->GetRasterYSize();
  raster.columns = dataset->GetRasterXSize();
  dataset->GetGeoTransform(raster.transform.data());
  GDALRasterBand* band = dataset->GetRasterBand(1);
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData) raster.noData = noData;
  raster.values.resize(static_cast<std::size_t>(raster.rows) * raster.columns);
  if (band->RasterIO(GF_Read, 0, 0, raster.columns, raster.rows, raster.values.data(),
                     raster.columns, raster.rows, GDT_Float32, 0, 0, nullptr) != CE_None)
    throw std::runtime_error("cannot read " + path);
  GDALClose(GDALDataset::ToHandle(dataset));
  return raster;
}

}  // namespace orthelev::testing
