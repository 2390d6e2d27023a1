// Grids read through GDAL. Built as a module of its own (liborthelev_gdal),
// loaded by gdal_loader.cpp only when an import needs GDAL.

#include <cmath>
#include <cpl_error.h>
#include <gdal.h>
#include <gdal_priv.h>
#include <limits>
#include <mutex>
#include <numbers>
#include <ogr_spatialref.h>

#include "base/number_format.hpp"
#include "import/grid_source.hpp"

namespace orthelev {
namespace {

// GDAL reports its errors to stderr unless told otherwise; the import
// reports them itself.
class QuietGdalErrors {
 public:
  QuietGdalErrors() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
  }
  ~QuietGdalErrors() { CPLPopErrorHandler(); }
  QuietGdalErrors(const QuietGdalErrors&) = delete;
  QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};

std::string LastGdalMessage() {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? std::string(" (") + message + ")" : std::string();
}

struct DatasetCloser {
  void operator()(GDALDataset* dataset) const { GDALClose(GDALDataset::ToHandle(dataset)); }
};
using DatasetHandle = std::unique_ptr<GDALDataset, DatasetCloser>;

bool CheckGeographic(const GDALDataset& dataset, const std::string& path, std::string& error) {
  const OGRSpatialReference* crs = dataset.GetSpatialRef();
  if (crs == nullptr) return true;  // the latitude range is checked when planning
  const char* name = crs->GetName();
  const std::string named = name && *name ? std::string(" (") + name + ")" : std::string();
  if (crs->IsProjected()) {
    error = path + " uses a projected coordinate system" + named +
            "; only latitude/longitude grids can be imported.";
    return false;
  }
  if (!crs->IsGeographic()) {
    error = path + " does not use a geographic coordinate system" + named +
            "; only latitude/longitude grids can be imported.";
    return false;
  }
  const double radiansPerUnit = crs->GetAngularUnits(nullptr);
  if (std::fabs(radiansPerUnit / (std::numbers::pi / 180) - 1) > 1e-9) {
    error = path + " gives its coordinates in an angle unit other than degrees.";
    return false;
  }
  return true;
}

class GdalRaster : public GridSource {
 public:
  GdalRaster(DatasetHandle dataset, GDALRasterBand* band, const SourceLattice& lattice,
             bool southUp)
      : dataset_(std::move(dataset)), band_(band), lattice_(lattice), southUp_(southUp) {
    int hasNoData = 0;
    noData_ = band_->GetNoDataValue(&hasNoData);
    hasNoData_ = hasNoData != 0;
    int hasScale = 0, hasOffset = 0;
    scale_ = band_->GetScale(&hasScale);
    offset_ = band_->GetOffset(&hasOffset);
    if (!hasScale) scale_ = 1;
    if (!hasOffset) offset_ = 0;
    raw_.resize(static_cast<std::size_t>(lattice_.columns));
  }
  const SourceLattice& Lattice() const override { return lattice_; }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const int line = southUp_ ? lattice_.rows - 1 - row : row;
    QuietGdalErrors quiet;
    if (band_->RasterIO(GF_Read, 0, line, lattice_.columns, 1, raw_.data(), lattice_.columns, 1,
                        GDT_Float64, 0, 0, nullptr) != CE_None) {
      error = "Cannot read line " + FormatInt(line) + " of the raster" + LastGdalMessage() + ".";
      return false;
    }
    for (std::int32_t c = 0; c < lattice_.columns; ++c) values[c] = Value(raw_[c]);
    return true;
  }

 private:
  float Value(double raw) const {
    const bool missing =
        std::isnan(raw) ||
        (hasNoData_ && (raw == noData_ || static_cast<float>(raw) == static_cast<float>(noData_)));
    if (missing) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(raw * scale_ + offset_);
  }

  DatasetHandle dataset_;
  GDALRasterBand* band_;
  SourceLattice lattice_;
  bool southUp_;
  bool hasNoData_ = false;
  double noData_ = 0, scale_ = 1, offset_ = 0;
  std::vector<double> raw_;
};

std::unique_ptr<GridSource> OpenRaster(const std::string& path, bool& opened, std::string& error) {
  static std::once_flag registered;
  std::call_once(registered, [] { GDALAllRegister(); });
  QuietGdalErrors quiet;
  opened = false;
  DatasetHandle dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!dataset) {
    error = path + " is not a grid this program can read" + LastGdalMessage() + ".";
    return nullptr;
  }
  opened = true;
  if (dataset->GetRasterCount() < 1) {
    error = path + " holds no raster band.";
    return nullptr;
  }
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (GDALDataTypeIsComplex(band->GetRasterDataType())) {
    error = path + " holds complex numbers, not heights.";
    return nullptr;
  }
  double transform[6];
  if (dataset->GetGeoTransform(transform) != CE_None) {
    error = path + " has no georeferencing: its node positions are unknown.";
    return nullptr;
  }
  if (transform[2] != 0 || transform[4] != 0) {
    error =
        path + " is rotated or sheared; only north-up latitude/longitude grids can be imported.";
    return nullptr;
  }
  if (!(transform[1] > 0) || !(transform[5] != 0)) {
    error = path + " has columns that do not run eastwards; it cannot be imported.";
    return nullptr;
  }
  if (!CheckGeographic(*dataset, path, error)) return nullptr;
  // GDAL gives the outer corner of pixel (0, 0) whatever the raster's own
  // convention (it moves pixel-is-point origins itself); nodes are the
  // pixel centres.
  SourceLattice lattice;
  lattice.rows = dataset->GetRasterYSize();
  lattice.columns = dataset->GetRasterXSize();
  lattice.lonSpacing = transform[1];
  lattice.latSpacing = std::fabs(transform[5]);
  lattice.westLongitude = transform[0] + transform[1] / 2;
  const bool southUp = transform[5] > 0;
  lattice.southLatitude = southUp ? transform[3] + transform[5] / 2
                                  : transform[3] + transform[5] * (lattice.rows - 0.5);
  return std::make_unique<GdalRaster>(std::move(dataset), band, lattice, southUp);
}

}  // namespace

}  // namespace orthelev

extern "C" orthelev::GridSource* orthelev_open_gdal_raster(const std::string& path, bool& opened,
                                                           std::string& error) {
  return orthelev::OpenRaster(path, opened, error).release();
}
