// Grids read through GDAL. Built as a module of its own (liborthelev_gdal),
// loaded by gdal_loader.cpp only when an import needs GDAL.

#include <algorithm>
#include <cmath>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdal_priv.h>
#include <limits>
#include <mutex>
#include <numbers>
#include <ogr_spatialref.h>
#include <string_view>

#include "base/ascii_text.hpp"
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

// Columns read from GDAL at a time, so that the read buffer stays small
// however wide the raster is.
constexpr std::int32_t kPieceColumns = 65536;
// A compressed raster may hold at most this many nodes per byte of its
// files (deflate reaches about 1000:1 on constant data, 4-byte values).
constexpr std::int64_t kMaxNodesPerCompressedByte = 4096;
// Nodes of a custom geoid file below 2 GiB; no import can use more.
constexpr std::int64_t kMaxNodes = std::int64_t{1} << 29;

// Bytes of every file the dataset reads (a VRT's sources included); 0 when
// they cannot be had.
std::int64_t DatasetBytes(GDALDataset& dataset) {
  std::int64_t bytes = 0;
  char** files = dataset.GetFileList();
  for (char** file = files; file && *file; ++file) {
    VSIStatBufL info;
    if (VSIStatL(*file, &info) == 0) bytes += static_cast<std::int64_t>(info.st_size);
  }
  CSLDestroy(files);
  return bytes;
}

// True when the rows x columns the header announces can be in the files:
// uncompressed rasters take at least 2 bytes a node (text grids one digit
// and a separator, binary grids their sample size), compressed ones are
// held to a ratio. Checked before any buffer is sized from the header.
bool AnnouncedSizeFits(GDALDataset& dataset, GDALRasterBand& band, const std::string& path,
                       std::string& error) {
  const std::int64_t nodes =
      static_cast<std::int64_t>(dataset.GetRasterXSize()) * dataset.GetRasterYSize();
  const std::int64_t fileBytes = DatasetBytes(dataset);
  const char* compression = dataset.GetMetadataItem("COMPRESSION", "IMAGE_STRUCTURE");
  const bool compressed = compression && !EQUAL(compression, "NONE");
  const std::int64_t bytesPerNode =
      std::min<std::int64_t>(2, GDALGetDataTypeSizeBytes(band.GetRasterDataType()));
  const std::int64_t limit = compressed ? fileBytes * kMaxNodesPerCompressedByte
                                        : fileBytes / std::max<std::int64_t>(1, bytesPerNode);
  if (nodes <= std::min(limit, kMaxNodes)) return true;
  error = path + " announces " + FormatInt(dataset.GetRasterYSize()) + " rows of " +
          FormatInt(dataset.GetRasterXSize()) + " nodes, more than " +
          (nodes > kMaxNodes ? std::string("any custom geoid file can hold")
                             : "its " + FormatInt(fileBytes) + " bytes can hold") +
          ".";
  return false;
}

// GDAL's GTX driver sizes a line buffer from the header as it opens the
// file, so the header's rows x columns of 4-byte values (big-endian int32
// at bytes 32 and 36) are checked against the file first.
bool GtxHeaderFits(const std::string& path, std::string& error) {
  VSIStatBufL info;
  unsigned char header[40];
  VSILFILE* file = VSIFOpenL(path.c_str(), "rb");
  const bool read = file && VSIFReadL(header, 1, sizeof header, file) == sizeof header;
  if (file) VSIFCloseL(file);
  if (!read || VSIStatL(path.c_str(), &info) != 0) {
    error = path + " is not a GTX grid: its header cannot be read.";
    return false;
  }
  const auto word = [&header](int at) {
    return static_cast<std::int32_t>(std::uint32_t{header[at]} << 24 |
                                     std::uint32_t{header[at + 1]} << 16 |
                                     std::uint32_t{header[at + 2]} << 8 | header[at + 3]);
  };
  const std::int64_t rows = word(32), columns = word(36);
  // rows * columns < 2^62 cannot overflow; the file is compared in nodes.
  if (rows > 0 && columns > 0 &&
      rows * columns <= (static_cast<std::int64_t>(info.st_size) - 40) / 4)
    return true;
  error = path + " announces " + FormatInt(rows) + " rows of " + FormatInt(columns) +
          " nodes, more than its " + FormatInt(static_cast<std::int64_t>(info.st_size)) +
          " bytes can hold.";
  return false;
}

// Metres per unit of a band's unit ("" and metres: 1); 0 for a unit that
// is no length (arc seconds, velocities).
double MetresPerUnit(std::string_view unitName) {
  const std::string unit = LowerAscii(unitName);
  struct Unit {
    const char* name;
    double metres;
  };
  static constexpr Unit kUnits[] = {
      {"", 1},
      {"m", 1},
      {"metre", 1},
      {"meter", 1},
      {"metres", 1},
      {"meters", 1},
      {"mm", 0.001},
      {"millimetre", 0.001},
      {"millimeter", 0.001},
      {"cm", 0.01},
      {"ft", 0.3048},
      {"foot", 0.3048},
      {"feet", 0.3048},
      {"international foot", 0.3048},
      {"us-ft", 1200.0 / 3937},
      {"us survey foot", 1200.0 / 3937},
  };
  for (const Unit& known : kUnits)
    if (unit == known.name) return known.metres;
  return 0;
}

// Drivers of horizontal datum shift grids, and PROJ's GeoTIFF grid types
// (TYPE metadata) other than a geoid's.
constexpr const char* kShiftGridDrivers[] = {"NTv2", "NTv1", "CTable2", "LOSLAS"};
constexpr const char* kGeoidGridType = "VERTICAL_OFFSET_GEOGRAPHIC_TO_VERTICAL";

bool Mentions(std::string_view text, const char* word) {
  return LowerAscii(text).find(word) != std::string::npos;
}

// Why band 1 holds no geoid heights, from the driver, PROJ's TYPE, the
// band's description and unit; "" when nothing says so. `metresPerUnit`
// is set from the unit.
std::string NotAGeoidReason(GDALDataset& dataset, GDALRasterBand& band, const std::string& path,
                            double& metresPerUnit) {
  const char* driver = dataset.GetDriverName();
  for (const char* shift : kShiftGridDrivers)
    if (driver != nullptr && EQUAL(driver, shift))
      return path + " is a horizontal datum shift grid (" + driver + "), not a geoid model.";
  const char* type = dataset.GetMetadataItem("TYPE");
  if (type == nullptr) type = band.GetMetadataItem("TYPE");
  if (type != nullptr && !EQUAL(type, kGeoidGridType))
    return path + " is a PROJ grid of type " + type + ", not a geoid model (" + kGeoidGridType +
           ").";
  const std::string description = band.GetDescription() ? band.GetDescription() : "";
  for (const char* word : {"latitude", "longitude", "velocity", "easting", "northing", "shift"})
    if (Mentions(description, word))
      return std::string("Band 1 of ").append(path).append(" is \"").append(description) +
             "\", not a geoid height.";
  const char* unit = band.GetUnitType();
  metresPerUnit = MetresPerUnit(unit ? unit : "");
  if (metresPerUnit == 0)
    return "Band 1 of " + path + " is in " + unit + ", not in a unit of height.";
  return "";
}

// The model's name and target reference from the metadata GDAL reads (PROJ's
// GeoTIFF grids, NetCDF global attributes).
SourceDescription DatasetDescription(GDALDataset& dataset) {
  const auto item = [&dataset](std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
      const char* value = dataset.GetMetadataItem(key);
      if (value != nullptr && *value != '\0') return std::string(value);
    }
    return std::string();
  };
  SourceDescription description;
  description.model = item({"TIFFTAG_IMAGEDESCRIPTION", "model_name", "NC_GLOBAL#title"});
  const std::string epsg = item({"target_crs_epsg_code"});
  description.datum = epsg.empty() ? item({"NC_GLOBAL#vertical_datum"}) : "EPSG:" + epsg;
  description.interpolation = "bilinear, as PROJ and GDAL interpolate such grids";
  return description;
}

// The files GDAL reads the dataset from, in its path forms.
std::vector<std::string> DatasetFiles(GDALDataset& dataset) {
  std::vector<std::string> names;
  char** files = dataset.GetFileList();
  for (char** file = files; file && *file; ++file) names.emplace_back(*file);
  CSLDestroy(files);
  return names;
}

// "Band 2 of PATH is ignored ..." for a dataset of more than one band.
std::vector<std::string> IgnoredBands(GDALDataset& dataset, const std::string& path) {
  const int bands = dataset.GetRasterCount();
  if (bands < 2) return {};
  const std::string which = bands == 2   ? std::string("Band 2")
                            : bands == 3 ? std::string("Bands 2 and 3")
                                         : "Bands 2 to " + FormatInt(bands);
  return {which + " of " + path + (bands == 2 ? " is" : " are") +
          " ignored: only band 1 is imported."};
}

class GdalRaster : public GridSource {
 public:
  GdalRaster(DatasetHandle dataset, GDALRasterBand* band, const SourceLattice& lattice,
             bool southUp, double metresPerUnit, const std::string& path)
      : dataset_(std::move(dataset)),
        band_(band),
        lattice_(lattice),
        southUp_(southUp),
        metresPerUnit_(metresPerUnit) {
    files_ = DatasetFiles(*dataset_);
    description_ = DatasetDescription(*dataset_);
    notes_ = IgnoredBands(*dataset_, path);
    if (metresPerUnit_ != 1)
      notes_.push_back("The heights of " + path + " are in " + band_->GetUnitType() +
                       ": converted to metres.");
    int hasNoData = 0;
    noData_ = band_->GetNoDataValue(&hasNoData);
    hasNoData_ = hasNoData != 0;
    int hasScale = 0, hasOffset = 0;
    scale_ = band_->GetScale(&hasScale);
    offset_ = band_->GetOffset(&hasOffset);
    if (!hasScale) scale_ = 1;
    if (!hasOffset) offset_ = 0;
    raw_.resize(static_cast<std::size_t>(std::min(lattice_.columns, kPieceColumns)));
  }
  const SourceLattice& Lattice() const override { return lattice_; }
  std::vector<std::string> Files() const override { return files_; }
  std::vector<std::string> Notes() const override { return notes_; }
  SourceDescription Description() const override { return description_; }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const int line = southUp_ ? lattice_.rows - 1 - row : row;
    QuietGdalErrors quiet;
    for (std::int32_t first = 0; first < lattice_.columns; first += kPieceColumns) {
      const int count = std::min(kPieceColumns, lattice_.columns - first);
      if (band_->RasterIO(GF_Read, first, line, count, 1, raw_.data(), count, 1, GDT_Float64, 0, 0,
                          nullptr) != CE_None) {
        error = "Cannot read line " + FormatInt(line) + " of the raster" + LastGdalMessage() + ".";
        return false;
      }
      for (int c = 0; c < count; ++c) values[first + c] = Value(raw_[c]);
    }
    return true;
  }

 private:
  float Value(double raw) const {
    const bool missing =
        std::isnan(raw) ||
        (hasNoData_ && (raw == noData_ || static_cast<float>(raw) == static_cast<float>(noData_)));
    if (missing) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>((raw * scale_ + offset_) * metresPerUnit_);
  }

  DatasetHandle dataset_;
  GDALRasterBand* band_;
  SourceLattice lattice_;
  bool southUp_;
  double metresPerUnit_;
  bool hasNoData_ = false;
  double noData_ = 0, scale_ = 1, offset_ = 0;
  std::vector<double> raw_;
  std::vector<std::string> files_, notes_;
  SourceDescription description_;
};

// The subdataset names GDAL offers for a file of several grids (NetCDF,
// HDF): NETCDF:"file":variable and the like.
std::vector<std::string> SubdatasetNames(GDALDataset& dataset) {
  std::vector<std::string> names;
  char** items = dataset.GetMetadata("SUBDATASETS");
  for (char** item = items; item && *item; ++item) {
    const std::string entry = *item;
    const std::size_t equals = entry.find('=');
    if (equals != std::string::npos && equals >= 5 && entry.compare(equals - 5, 5, "_NAME") == 0)
      names.push_back(entry.substr(equals + 1));
  }
  return names;
}

std::string NoBandReason(GDALDataset& dataset, const std::string& path) {
  const std::vector<std::string> names = SubdatasetNames(dataset);
  if (names.empty()) return path + " holds no raster band.";
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + ("'" + name + "'");
  return path + " holds " + FormatInt(static_cast<std::int64_t>(names.size())) +
         " grids and no single raster band; give one of them as the source: " + list + ".";
}

// Without a coordinate system the transform's numbers are taken as degrees;
// ones that cannot be (projected metres, pixel numbers) are refused here,
// before their size is read as a spacing.
bool CheckUnreferencedExtent(GDALDataset& dataset, const double* transform, const std::string& path,
                             std::string& error) {
  if (dataset.GetSpatialRef() != nullptr) return true;
  const double top = transform[3];
  const double bottom = transform[3] + transform[5] * dataset.GetRasterYSize();
  const double left = transform[0];
  const double right = transform[0] + transform[1] * dataset.GetRasterXSize();
  const double limit = 90 + std::fabs(transform[5]);
  if (std::fabs(top) <= limit && std::fabs(bottom) <= limit && std::fabs(left) <= 720 &&
      std::fabs(right) <= 720)
    return true;
  error = path + " has no coordinate system, and its rows reach beyond 90 degrees of latitude (" +
          FormatGeneral(std::min(top, bottom)) + " to " + FormatGeneral(std::max(top, bottom)) +
          "): it is not a latitude/longitude grid (a projected one?).";
  return false;
}

std::unique_ptr<GridSource> OpenRaster(const std::string& path, bool& opened, std::string& error) {
  static std::once_flag registered;
  std::call_once(registered, [] {
    // Rows are read one at a time: a few blocks are all the cache needs.
    CPLSetConfigOption("GDAL_CACHEMAX", "64");
    GDALAllRegister();
  });
  QuietGdalErrors quiet;
  opened = false;
  GDALDriverH driver = GDALIdentifyDriver(path.c_str(), nullptr);
  // GDAL's GTX driver takes any file named .gtx, whatever driver identified
  // it first: such a file is checked as GTX too, and the open is held to the
  // driver that identified the file.
  const bool gtxName = path.size() >= 4 && EQUAL(path.c_str() + path.size() - 4, ".gtx");
  if ((driver && EQUAL(GDALGetDriverShortName(driver), "GTX")) || gtxName) {
    opened = true;
    if (!GtxHeaderFits(path, error)) return nullptr;
  }
  const char* const identified[] = {driver ? GDALGetDriverShortName(driver) : nullptr, nullptr};
  DatasetHandle dataset(GDALDataset::Open(path.c_str(),
                                          GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                                          driver ? identified : nullptr));
  if (!dataset) {
    error = path + " is not a grid this program can read" + LastGdalMessage() + ".";
    return nullptr;
  }
  opened = true;
  if (dataset->GetRasterCount() < 1) {
    error = NoBandReason(*dataset, path);
    return nullptr;
  }
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (GDALDataTypeIsComplex(band->GetRasterDataType())) {
    error = path + " holds complex numbers, not heights.";
    return nullptr;
  }
  double metresPerUnit = 1;
  error = NotAGeoidReason(*dataset, *band, path, metresPerUnit);
  if (!error.empty()) return nullptr;
  if (!AnnouncedSizeFits(*dataset, *band, path, error)) return nullptr;
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
  if (!CheckGeographic(*dataset, path, error) ||
      !CheckUnreferencedExtent(*dataset, transform, path, error))
    return nullptr;
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
  return std::make_unique<GdalRaster>(std::move(dataset), band, lattice, southUp, metresPerUnit,
                                      path);
}

}  // namespace

}  // namespace orthelev

extern "C" orthelev::GridSource* orthelev_open_gdal_raster(const std::string& path, bool& opened,
                                                           std::string& error) {
  return orthelev::OpenRaster(path, opened, error).release();
}
