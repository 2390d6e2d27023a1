#include "import/grid_import.hpp"

#include <cmath>
#include <cpl_vsi.h>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "geoid/interpolation.hpp"
#include "import/raster_files.hpp"
#include "support/folder_entries.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::RasterSpec;
using testing::TempDir;

double Fold(double longitude) {
  const double folded = std::fmod(longitude, 360.0);
  return folded < 0 ? folded + 360 : folded;
}

// A geoid height that tells nodes apart, in steps of 1/64 m so that a
// position a rounding error away from a node (multiples of 1/8 or 1/24
// degree) gives the same value.
float Height(double latitude, double longitude) {
  return static_cast<float>(std::round((0.5 * latitude + 0.125 * Fold(longitude) - 20) * 64) / 64);
}

constexpr double kNoData = -9999;

class GridImport : public testing::ProgramState {
 protected:
  bool Import(const std::string& source, std::optional<Region> region = std::nullopt,
              GridSourceFormat format = GridSourceFormat::kDetect) {
    error.clear();
    return ImportGrid(source, result, region, format, summary, nullptr, error);
  }

  // Opens the result as the active grid and checks its trailer.
  void ExpectGeometry(std::int32_t nrows, std::int32_t ncols, double glamn, double glomn,
                      double spacing) {
    ASSERT_TRUE(OpenCustomGeoid(result)) << window.messages.back();
    const ActiveGrid& grid = TheActiveGrid();
    EXPECT_EQ(grid.nrows, nrows);
    EXPECT_EQ(grid.ncols, ncols);
    EXPECT_DOUBLE_EQ(grid.glamn, glamn);
    EXPECT_DOUBLE_EQ(grid.glomn, glomn);
    EXPECT_DOUBLE_EQ(grid.dgla, spacing);
    EXPECT_DOUBLE_EQ(grid.dglo, spacing);
  }

  // Every node of the open result holds Height at its position, read both
  // directly and through the interpolation; `missing` positions hold NaN.
  void ExpectHeightsAtNodes(const std::vector<std::pair<double, double>>& missing = {}) {
    const ActiveGrid& g = TheActiveGrid();
    for (std::int32_t r = 0; r < g.nlat; ++r)
      for (std::int32_t c = 0; c < g.nlon; ++c) {
        const double lat = g.glamn + (g.nlat - 1 - r) * g.dgla;
        const double lon = g.glomn + c * g.dglo;
        bool isMissing = false;
        for (const auto& [mlat, mlon] : missing)
          isMissing = isMissing ||
                      (std::fabs(mlat - lat) < 1e-9 && std::fabs(Fold(mlon) - Fold(lon)) < 1e-9);
        const float node = ReadGridNode(r, c);
        const double interpolated = InterpolateGeoid(0, lat, Fold(lon));
        if (isMissing) {
          EXPECT_TRUE(std::isnan(node)) << "node " << r << "," << c;
          EXPECT_TRUE(std::isnan(interpolated)) << lat << "," << lon;
        } else {
          ASSERT_EQ(node, Height(lat, lon))
              << "node " << r << "," << c << " at " << lat << "," << lon;
          ASSERT_EQ(interpolated, Height(lat, lon)) << lat << "," << lon;
        }
      }
  }

  // The source and nothing else is left in the folder.
  void ExpectNothingWritten() {
    EXPECT_FALSE(std::filesystem::exists(result));
    for (const std::string& name : testing::FolderEntries(dir.Path()))
      EXPECT_EQ(name.find("out.cdat"), std::string::npos) << name;
  }

  TempDir dir;
  std::string result = dir.File("out.cdat");
  std::string error;
  ImportSummary summary;
};

// Pixel centres as GDAL's transform gives them.
double PixelLatitude(const RasterSpec& s, int row) {
  return s.transform[3] + (row + 0.5) * s.transform[5];
}
double PixelLongitude(const RasterSpec& s, int col) {
  return s.transform[0] + (col + 0.5) * s.transform[1];
}

void WriteHeights(const std::string& path, const RasterSpec& geometry) {
  testing::WriteRaster(path, geometry, [&geometry](int r, int c) {
    if (geometry.noData && r == 1 && c == 1) return static_cast<float>(*geometry.noData);
    return Height(PixelLatitude(geometry, r), PixelLongitude(geometry, c));
  });
}

RasterSpec Raster(const char* driver, int rows, int columns, double west, double north,
                  double spacing) {
  RasterSpec geometry;
  geometry.driver = driver;
  geometry.rows = rows;
  geometry.columns = columns;
  geometry.transform = {west, spacing, 0, north, 0, -spacing};
  return geometry;
}

RasterSpec WithNoData(RasterSpec geometry, double noData) {
  geometry.noData = noData;
  return geometry;
}

RasterSpec WithAreaOrPoint(RasterSpec geometry, const char* areaOrPoint) {
  geometry.areaOrPoint = areaOrPoint;
  return geometry;
}

RasterSpec SouthUp(RasterSpec geometry) {
  geometry.transform[3] -= geometry.rows * -geometry.transform[5];
  geometry.transform[5] = -geometry.transform[5];
  return geometry;
}

TEST_F(GridImport, Rasters) {
  struct Case {
    const char* what;
    const char* file;
    RasterSpec geometry;
    std::optional<Region> region;
    std::int32_t nrows, ncols;
    double glamn, glomn, spacing;
    bool wraps;
  };
  const Case cases[] = {
      {"GTX, global, centred on 180 (nodes -180 to 180)", "world.gtx",
       Raster("GTX", 37, 73, -182.5, 92.5, 5), std::nullopt, 37, 72, -90, 0, 5, true},
      {"GTX, global, region across the 180 meridian", "world.gtx",
       Raster("GTX", 37, 73, -182.5, 92.5, 5), Region{-10, 10, 170, -170}, 5, 5, -10, 170, 5,
       false},
      {"GeoTIFF, region cut", "japan.tif",
       WithNoData(Raster("GTiff", 121, 121, 119.875, 50.125, 0.25), kNoData),
       Region{35, 40, 138, 142}, 21, 17, 35, 138, 0.25, false},
      {"GeoTIFF, no-data node", "japan.tif",
       WithNoData(Raster("GTiff", 5, 6, 129.75, 40.25, 0.5), kNoData), std::nullopt, 5, 6, 38, 130,
       0.5, false},
      {"GTX, its own no-data value", "small.gtx",
       WithNoData(Raster("GTX", 4, 4, 9.5, 50.5, 1), -88.8888), std::nullopt, 4, 4, 47, 10, 1,
       false},
      {"GeoTIFF, western hemisphere in east longitudes", "west.tif",
       Raster("GTiff", 31, 41, -100.5, 50.5, 1), std::nullopt, 31, 41, 20, 260, 1, false},
      {"GeoTIFF, pixel is area: nodes at pixel centres", "area.tif",
       WithAreaOrPoint(Raster("GTiff", 4, 5, 130, 40, 1), "Area"), std::nullopt, 4, 5, 36.5, 130.5,
       1, false},
      {"GeoTIFF, pixel is point", "point.tif",
       WithAreaOrPoint(Raster("GTiff", 4, 5, 130, 40, 1), "Point"), std::nullopt, 4, 5, 36.5, 130.5,
       1, false},
      {"GeoTIFF, rows from the south", "southup.tif", SouthUp(Raster("GTiff", 4, 5, 130, 40, 1)),
       std::nullopt, 4, 5, 36.5, 130.5, 1, false},
      {"GeoTIFF, global pixel-is-area, cut to a region", "cells.tif",
       Raster("GTiff", 180, 360, -180, 90, 1), Region{-89.5, 89.5, 0.5, 359.5}, 180, 360, -89.5,
       0.5, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = dir.File(c.file);
    WriteHeights(source, c.geometry);
    ASSERT_TRUE(Import(source, c.region)) << error;
    ExpectGeometry(c.nrows, c.ncols, c.glamn, c.glomn, c.spacing);
    EXPECT_EQ(TheActiveGrid().wraps, c.wraps);
    std::vector<std::pair<double, double>> missing;
    if (c.geometry.noData)
      missing.emplace_back(PixelLatitude(c.geometry, 1), PixelLongitude(c.geometry, 1));
    ExpectHeightsAtNodes(missing);
    CloseGrid();
    std::filesystem::remove(source);
  }
}

TEST_F(GridImport, GlobalGridWrapsAcrossItsSeam) {
  const std::string source = dir.File("world.gtx");
  WriteHeights(source, Raster("GTX", 37, 73, -182.5, 92.5, 5));
  ASSERT_TRUE(Import(source)) << error;
  ASSERT_TRUE(OpenCustomGeoid(result));
  ASSERT_TRUE(TheActiveGrid().wraps);
  // Between 355° and 360° the bilinear weights take column 71 and column 0.
  EXPECT_DOUBLE_EQ(InterpolateGeoid(0, 10, 357.5), (Height(10, 355) + Height(10, 0)) / 2.0);
  EXPECT_DOUBLE_EQ(InterpolateGeoid(0, 10, -2.5), InterpolateGeoid(0, 10, 357.5));
  // The spline passes through the nodes, also next to the seam.
  EXPECT_NEAR(InterpolateGeoid(6, 30, 0), Height(30, 0), 1e-5);
  EXPECT_NEAR(InterpolateGeoid(6, 30, -175), Height(30, 185), 1e-5);
}

TEST_F(GridImport, ProjDataEgm96) {
  const std::string source = "/usr/share/proj/egm96_15.gtx";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "proj-data is not installed";
  ASSERT_TRUE(Import(source)) << error;
  const testing::RasterValues raster = testing::ReadRaster(source);
  ASSERT_TRUE(OpenCustomGeoid(result));
  const ActiveGrid& g = TheActiveGrid();
  EXPECT_EQ(g.nlat, 721);
  EXPECT_EQ(g.nlon, 1440);
  EXPECT_DOUBLE_EQ(g.glamn, -90);
  EXPECT_DOUBLE_EQ(g.glomn, 0);
  EXPECT_TRUE(g.wraps);
  const double firstLongitude = raster.transform[0] + raster.transform[1] / 2;
  for (int r = 0; r < raster.rows; r += 7)
    for (int c = 0; c < 1440; ++c) {
      const double lon = c * 0.25;
      const int column =
          static_cast<int>(std::lround(Fold(lon - firstLongitude) / 0.25)) % raster.columns;
      ASSERT_EQ(ReadGridNode(r, c), raster.At(r, column)) << r << "," << c;
    }
}

TEST_F(GridImport, Refusals) {
  auto projected = Raster("GTiff", 10, 10, 500000, 4000000, 1000);
  projected.crs = "EPSG:32654";
  auto rotated = Raster("GTiff", 10, 10, 130, 40, 1);
  rotated.transform[2] = 0.1;
  auto unplaced = Raster("GTiff", 10, 10, 130, 40, 1);
  unplaced.georeferenced = false;
  unplaced.crs.clear();
  auto metres = Raster("GTiff", 10, 10, 500000, 4000000, 1);
  metres.crs.clear();
  auto horizontal = Raster("GTiff", 10, 10, 130, 40, 1);
  horizontal.type = "HORIZONTAL_OFFSET";
  auto latitudeShift = Raster("GTiff", 10, 10, 130, 40, 1);
  latitudeShift.description = "Latitude Offset (arc seconds)";
  auto seconds = Raster("GTiff", 10, 10, 130, 40, 1);
  seconds.unit = "arc-second";
  struct Case {
    const char* what;
    RasterSpec geometry;
    std::optional<Region> region;
    std::string reason;
  };
  const Case cases[] = {
      {"projected", projected, std::nullopt, "projected coordinate system"},
      {"rotated", rotated, std::nullopt, "rotated"},
      {"no georeferencing", unplaced, std::nullopt, "no georeferencing"},
      {"metres without a coordinate system", metres, std::nullopt, "beyond 90 degrees"},
      {"spacing the reader cannot address", Raster("GTiff", 10, 10, 130, 40, 0.3), std::nullopt,
       "spacing"},
      {"region outside the grid", Raster("GTiff", 10, 10, 130, 40, 1), Region{-40, -30, 130, 140},
       "no row"},
      {"empty region", Raster("GTiff", 10, 10, 130, 40, 1), Region{35, 31, 130, 140}, "empty"},
      {"PROJ horizontal offset grid", horizontal, std::nullopt,
       "a PROJ grid of type HORIZONTAL_OFFSET, not a geoid model"},
      {"band of latitude offsets", latitudeShift, std::nullopt,
       "Band 1 of " + dir.File("source.tif") + " is \"Latitude Offset (arc seconds)\""},
      {"band in a unit of angle", seconds, std::nullopt,
       "is in arc-second, not in a unit of height"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = dir.File("source.tif");
    WriteHeights(source, c.geometry);
    EXPECT_FALSE(Import(source, c.region));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    ExpectNothingWritten();
  }
}

TEST_F(GridImport, SourcesThatAreNoGrid) {
  testing::WriteBytes(dir.File("notes.txt"), "Just some words,\nnot a grid.\n");
  EXPECT_FALSE(Import(dir.File("notes.txt")));
  EXPECT_NE(error.find("not a grid this program can read"), std::string::npos) << error;
  EXPECT_FALSE(Import(dir.File("absent.gtx")));
  EXPECT_NE(error.find("absent.gtx"), std::string::npos) << error;
  ExpectNothingWritten();
}

TEST_F(GridImport, RefusalsKeepTheReasonAndSayWhatWorks) {
  testing::WriteBytes(dir.File("notes.txt"), "Just some words,\nnot a grid.\n");
  testing::WriteBytes(dir.File("empty.gtx"), "");
  std::filesystem::create_directory(dir.File("folder"));
  // The framed-row layout of EGM2008 at 2 nodes per degree: 361 rows of 722 words.
  testing::WriteBytes(dir.File("egm_30min.bin"), std::string(std::size_t{4} * 361 * 722, '\0'));
  RasterSpec unplaced = Raster("GTiff", 10, 10, 500000, 4000000, 10000);
  unplaced.crs.clear();
  WriteHeights(dir.File("metres.tif"), unplaced);
  const std::pair<const char*, const char*> cases[] = {
      {"absent.gtx", "(No such file or directory)"},
      {"folder", "is a folder, not a grid file"},
      {"empty.gtx", "is empty"},
      {"notes.txt", "not recognized as a supported file format"},  // GDAL's own words
      {"egm_30min.bin", "EGM2008 raw grid of 2 nodes per degree: import it with --format egm2008"},
      {"metres.tif", "has no coordinate system, and its rows reach beyond 90 degrees"},
  };
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(Import(dir.File(name)));
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  ExpectNothingWritten();
}

// A classic NetCDF header (64-bit offsets) of a float grid z(lat, lon) with
// double coordinate variables, announcing `rows` x `columns` and holding
// no data at all.
std::string NetCdfHeader(std::int32_t rows, std::int32_t columns) {
  std::string bytes = "CDF\x02";
  const auto word = [&bytes](std::uint64_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
      bytes += static_cast<char>((value >> shift) & 0xFF);
  };
  const auto name = [&](const std::string& text) {
    word(text.size(), 4);
    bytes += text + std::string((4 - text.size() % 4) % 4, '\0');
  };
  word(0, 4);  // records
  word(0x0A, 4), word(2, 4), name("lat"), word(rows, 4), name("lon"), word(columns, 4);
  word(0, 8);  // no attributes
  struct Variable {
    const char* name;
    std::vector<int> dimensions;
    int type;
    std::uint64_t size;
  };
  const Variable variables[] = {{"lat", {0}, 6, 8ull * rows},
                                {"lon", {1}, 6, 8ull * columns},
                                {"z", {0, 1}, 5, 4ull * rows * columns}};
  word(0x0B, 4), word(3, 4);
  const std::size_t header = bytes.size() + 3 * 44 + 4;  // the variables' entries to come
  std::uint64_t begin = header;
  for (const Variable& v : variables) {
    name(v.name), word(v.dimensions.size(), 4);
    for (const int d : v.dimensions) word(static_cast<std::uint64_t>(d), 4);
    word(0, 8), word(static_cast<std::uint64_t>(v.type), 4);
    word(std::min<std::uint64_t>(v.size, 0xFFFFFFFF), 4), word(begin, 8);
    begin += v.size;
  }
  return bytes;
}

// A few bytes of header announcing a huge grid cost no more memory than an
// import may use (GDAL's NetCDF reader sizes its buffers from the header).
TEST_F(GridImport, HeadersAnnouncingHugeGridsCostLittleMemory) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORTHELEV_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ORTHELEV_UNDER_ASAN)
  // AddressSanitizer's allocator ends the probe's process at its memory limit
  // instead of failing the allocation, so the probe cannot tell the refusal.
  GTEST_SKIP() << "the memory limit of the GDAL probe does not hold under AddressSanitizer";
#endif
  const std::pair<const char*, std::string> cases[] = {
      {"huge.nc", NetCdfHeader(1 << 27, 1 << 27)},
      {"long.nc", NetCdfHeader(1 << 26, 4)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    testing::WriteBytes(dir.File(name), bytes);
    ASSERT_LT(bytes.size(), 200u);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(Import(dir.File(name)));
    getrusage(RUSAGE_SELF, &after);
    EXPECT_NE(error.find("needs more memory than an import may use (256 MiB)"), std::string::npos)
        << error;
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024);  // kilobytes
  }
  ExpectNothingWritten();
}

TEST_F(GridImport, FailedWritesLeaveNoFileAndKeepTheOldOne) {
  const std::string source = dir.File("small.tif");
  WriteHeights(source, Raster("GTiff", 4, 5, 130, 40, 1));
  EXPECT_FALSE(ImportGrid(source, dir.File("missing/out.cdat"), std::nullopt, error));
  EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;

  testing::WriteBytes(result, "previous model");
  EXPECT_FALSE(Import(source, Region{-40, -30, 0, 10}));
  EXPECT_EQ(testing::ReadBytes(result), "previous model");

  const std::string before = testing::ReadBytes(source);
  EXPECT_FALSE(ImportGrid(source, source, std::nullopt, error));
  EXPECT_NE(error.find("is the source grid itself"), std::string::npos) << error;
  EXPECT_EQ(testing::ReadBytes(source), before);

  ASSERT_TRUE(Import(source)) << error;  // replaces the previous file
  ExpectGeometry(4, 5, 36.5, 130.5, 1);
  EXPECT_EQ(testing::FolderEntries(dir.Path()),
            (std::vector<std::string>{"out.cdat", "small.tif"}));
}

TEST_F(GridImport, CountsItsNodesAndRefusesAGridWithoutHeights) {
  struct Case {
    const char* what;
    std::function<float(int, int)> value;  // of a 4 x 5 grid
    bool imported;
    std::int64_t missing, dropped;
    const char* reason;
  };
  const Case cases[] = {
      {"one no-data node, one of 250 m",
       [](int r, int c) {
         return r == 0 && c == 0 ? static_cast<float>(kNoData) : r == 1 && c == 2 ? 250.0f : 10.0f;
       },
       true, 1, 1, ""},
      {"every node no-data", [](int, int) { return static_cast<float>(kNoData); }, false, 20, 0,
       "20 nodes: 20 missing)"},
      {"heights in millimetres", [](int r, int c) { return 20000.0f + r * 100 + c; }, false, 0, 20,
       "millimetres"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = dir.File("source.tif");
    testing::WriteRaster(source, WithNoData(Raster("GTiff", 4, 5, 130, 40, 1), kNoData), c.value);
    ASSERT_EQ(Import(source), c.imported) << error;
    if (!c.imported) {
      EXPECT_NE(error.find(c.reason), std::string::npos) << error;
      ExpectNothingWritten();
      continue;
    }
    EXPECT_EQ(summary.sourceNodes, 20);
    EXPECT_EQ(summary.missingNodes, c.missing);
    EXPECT_EQ(summary.droppedNodes, c.dropped);
    EXPECT_EQ(summary.rows, 4);
    EXPECT_EQ(summary.columns, 5);
    EXPECT_EQ(summary.south, 36.5);
    EXPECT_EQ(summary.north, 39.5);
    EXPECT_EQ(summary.west, 130.5);
    EXPECT_EQ(summary.east, 134.5);
    EXPECT_EQ(summary.fileBytes, static_cast<std::int64_t>(std::filesystem::file_size(result)));
    ASSERT_TRUE(OpenCustomGeoid(result));
    EXPECT_TRUE(std::isnan(ReadGridNode(1, 2)));  // the 250 m node is stored as missing
    CloseGrid();
    std::filesystem::remove(result);
  }
}

TEST_F(GridImport, ProgressIsToldOfEveryRow) {
  const std::string source = dir.File("small.tif");
  WriteHeights(source, Raster("GTiff", 4, 5, 130, 40, 1));
  std::vector<std::pair<std::int64_t, std::int64_t>> told;
  ASSERT_TRUE(ImportGrid(
      source, result, std::nullopt, GridSourceFormat::kDetect, summary,
      [&told](std::int64_t done, std::int64_t total) { told.emplace_back(done, total); }, error))
      << error;
  EXPECT_EQ(told,
            (std::vector<std::pair<std::int64_t, std::int64_t>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
}

// A smooth global field (no jump at any meridian), in metres.
double Smooth(double latitude, double longitude) {
  constexpr double kRad = 3.14159265358979323846 / 180;
  return 20 * std::cos(latitude * kRad) * std::sin(3 * longitude * kRad) +
         8 * std::sin(latitude * kRad);
}

TEST_F(GridImport, CellCentredGlobalGridHasHeightsEverywhere) {
  const RasterSpec cells = Raster("GTiff", 180, 360, -180, 90, 1);
  const std::string source = dir.File("cells.tif");
  testing::WriteRaster(source, cells, [&cells](int r, int c) {
    return static_cast<float>(Smooth(PixelLatitude(cells, r), PixelLongitude(cells, c)));
  });
  ASSERT_TRUE(Import(source)) << error;
  EXPECT_TRUE(summary.padded);
  EXPECT_EQ(summary.sourceNodes, 180 * 360);
  // Four wrapped columns on each side, a row beyond each pole.
  ExpectGeometry(182, 368, -90.5, -3.5, 1);
  // Every source node keeps its value, through both interpolations.
  for (int r = 0; r < 180; r += 7)
    for (int c = 0; c < 360; ++c) {
      const double lat = PixelLatitude(cells, r), lon = PixelLongitude(cells, c);
      const float node = static_cast<float>(Smooth(lat, lon));
      ASSERT_EQ(InterpolateGeoid(0, lat, Fold(lon)), node) << lat << "," << lon;
      ASSERT_NEAR(InterpolateGeoid(6, lat, Fold(lon)), node, 1e-4) << lat << "," << lon;
    }
  // Across the seams the spline works: it is closer to the field than the
  // bilinear interpolation, and the same longitude gives the same height.
  for (const double lon : {-180.1, 179.9, 0.2, -0.3, 359.8, 2.2, 357.6}) {
    const double truth = Smooth(30.2, lon);
    const double spline = InterpolateGeoid(6, 30.2, lon), bilinear = InterpolateGeoid(0, 30.2, lon);
    EXPECT_LT(std::fabs(spline - truth), std::fabs(bilinear - truth) / 4) << lon;
  }
  EXPECT_EQ(InterpolateGeoid(6, 30.2, -180.1), InterpolateGeoid(6, 30.2, 179.9));
  EXPECT_EQ(InterpolateGeoid(6, 30.2, 180), InterpolateGeoid(6, 30.2, -180));
  EXPECT_EQ(InterpolateGeoid(6, 30.2, 0), InterpolateGeoid(6, 30.2, 360));
  EXPECT_NEAR(InterpolateGeoid(6, 30.2, 0), Smooth(30.2, 0), 1e-4);
  // Up to both poles, one height at each pole from every longitude: the
  // mean of the ring of nodes nearest to it.
  for (const double pole : {90.0, -90.0}) {
    double ring = 0;
    for (int c = 0; c < 360; ++c)
      ring += static_cast<float>(Smooth(pole > 0 ? 89.5 : -89.5, PixelLongitude(cells, c)));
    ring /= 360;
    for (const double lon : {0.0, 0.7, 90.0, 200.0, 359.9})
      EXPECT_NEAR(InterpolateGeoid(6, pole, lon), ring, 1e-4) << pole << "," << lon;
    EXPECT_FALSE(std::isnan(InterpolateGeoid(6, pole * 0.999, 123)));
  }
}

TEST_F(GridImport, DestinationIsTheSourceInAnyOfGdalsPathForms) {
  const std::string gtx = dir.File("z.gtx");
  WriteHeights(gtx, Raster("GTX", 4, 5, 129.5, 40.5, 1));
  // The same GTX inside a zip archive, written through GDAL.
  const std::string zip = dir.File("z.zip");
  const std::string bytes = testing::ReadBytes(gtx);
  VSILFILE* member = VSIFOpenL(("/vsizip/" + zip + "/z.gtx").c_str(), "wb");
  ASSERT_NE(member, nullptr);
  ASSERT_EQ(VSIFWriteL(bytes.data(), 1, bytes.size(), member), bytes.size());
  VSIFCloseL(member);
  struct Case {
    std::string source, destination;
  };
  std::vector<Case> cases = {{"/vsizip/" + zip + "/z.gtx", zip}, {gtx, gtx}};
  // A NetCDF file of two variables, when GDAL has the driver.
  const std::string nc = dir.File("two.nc");
  RasterSpec twoBands = Raster("netCDF", 4, 5, 129.5, 40.5, 1);
  twoBands.bands = 2;
  if (GetGDALDriverManager()->GetDriverByName("netCDF")) {
    WriteHeights(nc, twoBands);
    cases.push_back({"NETCDF:\"" + nc + "\":Band2", nc});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const std::string before = testing::ReadBytes(c.destination);
    EXPECT_FALSE(ImportGrid(c.source, c.destination, std::nullopt, error));
    EXPECT_NE(error.find("is the source grid itself"), std::string::npos) << error;
    EXPECT_EQ(testing::ReadBytes(c.destination), before);
    EXPECT_TRUE(ImportGrid(c.source, result, std::nullopt, error)) << error;
  }
  if (cases.size() < 3) GTEST_SKIP() << "GDAL has no netCDF driver";
  // The file itself holds two grids: the refusal names them.
  EXPECT_FALSE(Import(nc));
  EXPECT_NE(error.find("'NETCDF:\"" + nc + "\":Band1', 'NETCDF:\"" + nc + "\":Band2'"),
            std::string::npos)
      << error;
}

TEST_F(GridImport, ExtraBandsAreNamedAsIgnored) {
  RasterSpec three = Raster("GTiff", 4, 5, 130, 40, 1);
  three.bands = 3;
  const std::string source = dir.File("three.tif");
  WriteHeights(source, three);
  ASSERT_TRUE(Import(source)) << error;
  EXPECT_EQ(summary.notes, std::vector<std::string>{"Bands 2 and 3 of " + source +
                                                    " are ignored: only band 1 is imported."});
}

TEST_F(GridImport, SignalDuringTheWriteRemovesTheTemporaryFile) {
  const std::string source = dir.File("small.tif");
  WriteHeights(source, Raster("GTiff", 40, 50, 130, 40, 0.1));
  for (const int signal : {SIGINT, SIGTERM}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Half-way through the rows the signal arrives, as from Ctrl-C or kill.
      ImportSummary ignored;
      std::string reason;
      const bool imported = ImportGrid(
          source, result, std::nullopt, GridSourceFormat::kDetect, ignored,
          [signal](std::int64_t done, std::int64_t) {
            if (done == 20) ::raise(signal);
          },
          reason);
      ::_exit(imported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(testing::FolderEntries(dir.Path()), std::vector<std::string>{"small.tif"});
  }
}

// --- ISG ------------------------------------------------------------------

struct IsgCase {
  const char* what;
  const char* header;  // %-free header text; values follow
  int rows, columns;
  double north, west, spacing;  // of the nodes
  double metresPerUnit = 1;     // of the values
};

std::string IsgText(const IsgCase& c) {
  std::string text = c.header;
  for (int r = 0; r < c.rows; ++r) {
    for (int col = 0; col < c.columns; ++col) {
      const bool missing = r == 1 && col == 1;
      const double value =
          missing ? kNoData
                  : Height(c.north - r * c.spacing, c.west + col * c.spacing) / c.metresPerUnit;
      text += " " + FormatFixed(value, c.metresPerUnit == 1 ? 6 : 10, 12);
    }
    text += "\r\n";
  }
  return text;
}

TEST_F(GridImport, IsgGrids) {
  const IsgCase cases[] = {
      {"ISG 1.01, cell limits (GDAL reads it)",
       "begin_of_head ================================================\n"
       "model name     : TEST\nmodel type     : gravimetric\nunits          : meters\n"
       "lat min        :    29.500000\nlat max        :    32.500000\n"
       "lon min        :   129.500000\nlon max        :   133.500000\n"
       "delta lat      :     1.000000\ndelta lon      :     1.000000\n"
       "nrows          :          3\nncols          :          4\n"
       "nodata         :   -9999.0000\nISG format     :        1.01\n"
       "end_of_head ==================================================\n",
       3, 4, 32, 130, 1},
      {"ISG 2.0, node limits (GDAL refuses them)",
       "comment line before the header\n"
       "begin_of_head ================================================\n"
       "model name     : TEST\ndata type      : geoid\ndata units     : meters\ndata format    : "
       "grid\n"
       "data ordering  : N-to-S, W-to-E\ncoord type     : geodetic\ncoord units    : deg\n"
       "lat min        =    15.000000\nlat max        =    15.500000\n"
       "lon min        =   120.000000\nlon max        =   120.750000\n"
       "delta lat      =     0.250000\ndelta lon      =     0.250000\n"
       "nrows          =          3\nncols          =          4\n"
       "nodata         =   -9999.0000\nISG format     =        2.0\n"
       "end_of_head ==================================================\n",
       3, 4, 15.5, 120, 0.25},
      {"ISG 2.0 in feet",
       "begin_of_head ================================================\n"
       "model name     : TEST\ndata units     : feet\ndata format    : grid\n"
       "lat min        =    15.000000\nlat max        =    15.500000\n"
       "lon min        =   120.000000\nlon max        =   120.750000\n"
       "delta lat      =     0.250000\ndelta lon      =     0.250000\n"
       "nrows          =          3\nncols          =          4\n"
       "nodata         =   -9999.0000\nISG format     =        2.0\n"
       "end_of_head ==================================================\n",
       3, 4, 15.5, 120, 0.25, 0.3048},
      {"ISG 1.01 in feet, cell limits (GDAL reads it, but as metres)",
       "begin_of_head ================================================\n"
       "model name     : TEST\nunits          : feet\n"
       "lat min        :    29.500000\nlat max        :    32.500000\n"
       "lon min        :   129.500000\nlon max        :   133.500000\n"
       "delta lat      :     1.000000\ndelta lon      :     1.000000\n"
       "nrows          :          3\nncols          :          4\n"
       "nodata         :   -9999.0000\nISG format     :        1.01\n"
       "end_of_head ==================================================\n",
       3, 4, 32, 130, 1, 0.3048},
      {"ISG 2.0, node limits in degrees, minutes and seconds",
       "begin_of_head ================================================\n"
       "model name     : TEST\ndata format    : grid\ncoord type     : geodetic\ncoord units    : "
       "dms\n"
       "lat min        =    35\xC2\xB0"
       "00'00\"\nlat max        =    35\xC2\xB0"
       "15'00\"\n"
       "lon min        =  -70\xC2\xB0"
       "30'00\"\nlon max        =  -70\xC2\xB0"
       "00'00\"\n"
       "delta lat      =     0\xC2\xB0"
       "07'30\"\ndelta lon      =     0\xC2\xB0"
       "07'30\"\n"
       "nrows          =          3\nncols          =          5\n"
       "nodata         =   -9999.0000\nISG format     =        2.0\n"
       "end_of_head ==================================================\n",
       3, 5, 35.25, -70.5, 0.125},
  };
  for (const IsgCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = dir.File("model.isg");
    testing::WriteBytes(source, IsgText(c));
    ASSERT_TRUE(Import(source)) << error;
    ExpectGeometry(c.rows, c.columns, c.north - (c.rows - 1) * c.spacing, Fold(c.west), c.spacing);
    ExpectHeightsAtNodes({{c.north - c.spacing, c.west + c.spacing}});
    CloseGrid();
  }
}

// The values of a 3 x 4 grid (nodes 15.5 to 15 N, 120 to 120.75 E, one
// missing) written in `ordering`: the slower direction first.
std::string IsgInOrder(const std::string& ordering) {
  std::string text =
      "begin_of_head ================================================\n"
      "model name     : TEST\ndata format    : grid\ndata ordering  : " +
      ordering +
      "\ncoord type     : geodetic\ncoord units    : deg\n"
      "lat min        =    15.000000\nlat max        =    15.500000\n"
      "lon min        =   120.000000\nlon max        =   120.750000\n"
      "delta lat      =     0.250000\ndelta lon      =     0.250000\n"
      "nrows          =          3\nncols          =          4\n"
      "nodata         =   -9999.0000\nISG format     =        2.0\n"
      "end_of_head ==================================================\n";
  const bool lonFirst =
      ordering[0] == 'W' || ordering[0] == 'E' || ordering[0] == 'w' || ordering[0] == 'e';
  const bool southward = ordering.find("N-to-S") != std::string::npos;
  const bool eastward = ordering.find("W-to-E") != std::string::npos;
  const int slowCount = lonFirst ? 4 : 3, fastCount = lonFirst ? 3 : 4;
  for (int slow = 0; slow < slowCount; ++slow) {
    for (int fast = 0; fast < fastCount; ++fast) {
      int r = lonFirst ? fast : slow, c = lonFirst ? slow : fast;
      if (!southward) r = 2 - r;
      if (!eastward) c = 3 - c;
      const double value = r == 1 && c == 1 ? kNoData : Height(15.5 - r * 0.25, 120 + c * 0.25);
      text += " " + FormatFixed(value, 6, 12);
    }
    text += "\n";
  }
  return text;
}

TEST_F(GridImport, IsgGridsInEveryOrdering) {
  for (const char* ordering :
       {"N-to-S, W-to-E", "S-to-N, W-to-E", "N-to-S, E-to-W", "S-to-N, E-to-W", "W-to-E, N-to-S",
        "W-to-E, S-to-N", "E-to-W, N-to-S", "e-to-w,s-to-n"}) {
    SCOPED_TRACE(ordering);
    const std::string source = dir.File("model.isg");
    testing::WriteBytes(source, IsgInOrder(ordering));
    ASSERT_TRUE(Import(source)) << error;
    ExpectGeometry(3, 4, 15, 120, 0.25);
    ExpectHeightsAtNodes({{15.25, 120.25}});
    CloseGrid();
  }
  // Sparse points on the same lattice, in a shuffled order; the missing node
  // is the point left out.
  for (const char* ordering : {"lat, lon, N", "lon, lat, N"}) {
    SCOPED_TRACE(ordering);
    const bool lonFirst = ordering[1] == 'o';
    std::string text =
        "begin_of_head ================================================\n"
        "model name     : TEST\ndata format    : sparse\ndata ordering  : " +
        std::string(ordering) +
        "\ncoord type     : geodetic\ncoord units    : deg\n"
        "lat min        =    15.000000\nlat max        =    15.500000\n"
        "lon min        =   120.000000\nlon max        =   120.750000\n"
        "nrows          =         11\nncols          =          3\n"
        "nodata         =   -9999.0000\nISG format     =        2.0\n"
        "end_of_head ==================================================\n";
    for (int k = 0; k < 12; ++k) {
      const int r = (k * 5) % 3, c = (k * 7) % 4;
      if (r == 1 && c == 1) continue;
      const double lat = 15.5 - r * 0.25, lon = 120 + c * 0.25;
      text += FormatFixed(lonFirst ? lon : lat, 4) + " " + FormatFixed(lonFirst ? lat : lon, 4) +
              " " + FormatFixed(Height(lat, lon), 6) + "\n";
    }
    testing::WriteBytes(dir.File("points.isg"), text);
    ASSERT_TRUE(Import(dir.File("points.isg"))) << error;
    ExpectGeometry(3, 4, 15, 120, 0.25);
    ExpectHeightsAtNodes({{15.25, 120.25}});
    CloseGrid();
  }
  // Points of a 1' lattice written to 6 decimals (45.016667, once 45.016666)
  // lie on it to within their own precision; values in feet; a format
  // version unknown.
  std::string text =
      "begin_of_head ================================================\n"
      "model name     : TEST\ndata units     : feet\ndata format    : sparse\n"
      "coord type     : geodetic\ncoord units    : deg\n"
      "nrows          =         16\nnodata         =   -9999.0000\n"
      "ISG format     =        2.1\n"
      "end_of_head ==================================================\n";
  for (int k = 0; k < 16; ++k)
    text += FormatFixed(45 + (k / 4) / 60.0 - (k == 5 ? 1e-6 : 0), 6) + " " +
            FormatFixed(10 + (k % 4) / 60.0, 6) + " 100\n";
  testing::WriteBytes(dir.File("points.isg"), text);
  ASSERT_TRUE(Import(dir.File("points.isg"))) << error;
  ASSERT_TRUE(OpenCustomGeoid(result));
  EXPECT_EQ(TheActiveGrid().nrows, 4);
  EXPECT_NEAR(TheActiveGrid().dglo, 1 / 60.0, 1e-7);
  EXPECT_NEAR(InterpolateGeoid(kBilinearWindow, 45 + 1 / 60.0, 10 + 2 / 60.0), 30.48, 1e-4);
  EXPECT_EQ(summary.notes,
            (std::vector<std::string>{"The ISG values are in feet: converted to metres.",
                                      "warning: ISG format 2.1 is none this program knows (1.0, "
                                      "1.01, 2.0): read as ISG 2.0; check the imported heights."}));
  CloseGrid();
  testing::WriteBytes(dir.File("model.isg"), IsgInOrder("N-to-S, N-to-S"));
  EXPECT_FALSE(Import(dir.File("model.isg")));
  EXPECT_NE(error.find("\"N-to-S, N-to-S\" is none this program knows"), std::string::npos)
      << error;
}

// A GeographicLib geoid grid: P5, 16-bit big-endian pixels, heights
// offset + scale * pixel, rows from 90 N, columns from 0 E.
std::string PgmGrid(int width, int height, const std::string& comments,
                    const std::function<int(int, int)>& pixel) {
  std::string bytes = "P5\n# Geoid file in PGM format for the GeographicLib::Geoid class\n" +
                      comments + FormatInt(width) + " " + FormatInt(height) + "\n65535\n";
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c) {
      const int value = pixel(r, c);
      bytes.push_back(static_cast<char>(value >> 8));
      bytes.push_back(static_cast<char>(value & 0xFF));
    }
  return bytes;
}

TEST_F(GridImport, GeographicLibPgmGrids) {
  // 5 degrees: 72 columns from 0 E, 37 rows from 90 N.
  const auto pixel = [](int r, int c) { return 20000 + 1000 * r + 7 * c; };
  const std::string source = dir.File("egm-test.pgm");
  testing::WriteBytes(source,
                      PgmGrid(72, 37, "# Offset -108\n# Scale 0.003\n# Origin 90N 0E\n", pixel));
  ASSERT_TRUE(Import(source)) << error;
  ExpectGeometry(37, 72, -90, 0, 5);
  EXPECT_TRUE(TheActiveGrid().wraps);
  for (int r = 0; r < 37; ++r)
    for (int c = 0; c < 72; ++c)
      ASSERT_EQ(ReadGridNode(r, c), static_cast<float>(-108 + 0.003 * pixel(r, c)))
          << r << "," << c;
  CloseGrid();

  testing::WriteBytes(source, PgmGrid(72, 37, "# Origin 90N 0E\n", pixel));
  EXPECT_FALSE(Import(source));
  EXPECT_NE(error.find("without the \"# Offset\" and \"# Scale\" comments"), std::string::npos)
      << error;
  testing::WriteBytes(source,
                      PgmGrid(72, 37, "# Offset -108\n# Scale 0.003\n", pixel).substr(0, 200));
  EXPECT_FALSE(Import(source));
  EXPECT_NE(error.find("shorter than its 37 rows of 72 nodes"), std::string::npos) << error;
}

TEST_F(GridImport, IsgRefusals) {
  const char* header =
      "begin_of_head ================================================\n"
      "model name     : TEST\ncoord type     : %s\ndata format    : %s\n"
      "lat min        =    15.000000\nlat max        =    15.500000\n"
      "lon min        =   120.000000\nlon max        =   120.750000\n"
      "delta lat      =     0.250000\ndelta lon      =     0.250000\n"
      "nrows          =          %d\nncols          =          4\n"
      "nodata         =   -9999.0000\nISG format     =        2.0\n"
      "end_of_head ==================================================\n";
  struct Case {
    const char* what;
    const char* coordType;
    const char* dataFormat;
    int rows;
    std::string values;
    const char* reason;
  };
  const std::string twelve = "1 2 3 4\n5 6 7 8\n9 10 11 12\n";
  const Case cases[] = {
      {"projected", "projected", "grid", 3, twelve, "projected"},
      {"limits disagree with the size", "geodetic", "grid", 5, twelve, "do not agree"},
      {"too few values", "geodetic", "grid", 3, "1 2 3 4\n5 6 7 8\n", "has 8 values instead of 12"},
      {"a value that is no number", "geodetic", "grid", 3, "1 2 3 4\n5 x 7 8\n9 10 11 12\n",
       "Line "},
      // Latitudes 1e-9 apart are merged into one lattice row; the third
      // point once landed a row outside the node array.
      {"points spaced finer than the finest grid", "geodetic", "sparse", 3,
       "0 120 1\n1.01e-9 120.25 2\n2.0e-9 120.5 3\n", "do not lie on a regular"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char text[2048];
    std::snprintf(text, sizeof text, header, c.coordType, c.dataFormat, c.rows);
    const std::string source = dir.File("model.isg");
    testing::WriteBytes(source, text + c.values);
    EXPECT_FALSE(Import(source));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    ExpectNothingWritten();
  }
}

// --- EGM2008 raw and GSIGEO ASCII -------------------------------------------

TEST_F(GridImport, Egm2008RawLayoutOfAnySpacingWhenAsked) {
  // 1 node per degree: 181 rows of 360 nodes from 90° N, 0° E.
  const std::string source = dir.File("egm_1deg");
  testing::WriteFramedGrid(source, 181, 360,
                           [](std::int32_t r, std::int32_t c) { return Height(90 - r, c); });
  EXPECT_FALSE(Import(source));  // not one of the published sizes
  ASSERT_TRUE(Import(source, std::nullopt, GridSourceFormat::kEgm2008Raw)) << error;
  ExpectGeometry(181, 360, -90, 0, 1);
  EXPECT_TRUE(TheActiveGrid().wraps);
  ExpectHeightsAtNodes();
}

TEST_F(GridImport, Egm2008RawGridKnownByItsSize) {
  // The published 2.5' grid, sparse, with the nodes around Tokyo set.
  const std::string source = dir.File("Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE");
  const auto value = [](std::int32_t r, std::int32_t c) { return Height(90 - r / 24.0, c / 24.0); };
  testing::WriteSparseEgm25(source, 24 * 53, 24 * 56, 24 * 138, 24 * 141, value);
  ASSERT_TRUE(Import(source, Region{35, 36, 139, 140})) << error;
  ExpectGeometry(25, 25, 35, 139, 1.0 / 24);
  ExpectHeightsAtNodes();
}

TEST_F(GridImport, GsigeoAsciiGrid) {
  const std::string source = dir.File("gsigeo.asc");
  // Three rows of four from the south, spread over lines; 999.0 is missing.
  testing::WriteBytes(source,
                      "20 120 0.5 0.5 3 4 1 test grid\r\n"
                      " 1.5, 2.5 3.5\r\n 4.5 5.5 999.0 7.5\r\n8.5\r\n9.5 10.5 11.5 -12.5\r\n");
  const GridSpec gsiBefore = TheSettings().gsi;
  ASSERT_TRUE(Import(source)) << error;
  EXPECT_EQ(TheSettings().gsi, gsiBefore);
  ExpectGeometry(3, 4, 20, 120, 0.5);
  const float north[] = {9.5f, 10.5f, 11.5f, -12.5f};
  const float south[] = {1.5f, 2.5f, 3.5f, 4.5f};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(ReadGridNode(0, c), north[c]);
    EXPECT_EQ(ReadGridNode(2, c), south[c]);
  }
  EXPECT_TRUE(std::isnan(ReadGridNode(1, 1)));  // 999.0
  EXPECT_EQ(InterpolateGeoid(0, 20, 120), 1.5);
  EXPECT_EQ(InterpolateGeoid(0, 21, 121.5), -12.5);

  testing::WriteBytes(source, "20 120 0.5 0.5 3 4 1 test grid\n1 2 3 4 5\n");
  EXPECT_FALSE(Import(source));
  EXPECT_NE(error.find("fewer values"), std::string::npos) << error;
}

TEST(ImportOptions, ParseRegion) {
  struct Case {
    const char* text;
    bool valid;
    Region region;
  };
  const Case cases[] = {
      {"35,40,138,142", true, {35, 40, 138, 142}},
      {" -10 , 10.5 , 170 , -170 ", true, {-10, 10.5, 170, -170}},
      {"35,40,138", false, {}},
      {"35,40,138,142,1", false, {}},
      {"35;40;138;142", false, {}},
      {"35,40,east,142", false, {}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    Region region;
    std::string error;
    ASSERT_EQ(ParseRegion(c.text, region, error), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(region.south, c.region.south);
      EXPECT_EQ(region.north, c.region.north);
      EXPECT_EQ(region.west, c.region.west);
      EXPECT_EQ(region.east, c.region.east);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(ImportOptions, ParseGridSourceFormat) {
  const std::pair<const char*, GridSourceFormat> names[] = {
      {"auto", GridSourceFormat::kDetect},
      {"egm2008", GridSourceFormat::kEgm2008Raw},
      {"gsigeo", GridSourceFormat::kGsiAscii},
      {"raster", GridSourceFormat::kRaster}};
  for (const auto& [text, expected] : names) {
    GridSourceFormat format = GridSourceFormat::kDetect;
    EXPECT_TRUE(ParseGridSourceFormat(text, format)) << text;
    EXPECT_EQ(format, expected) << text;
  }
  GridSourceFormat format = GridSourceFormat::kRaster;
  EXPECT_FALSE(ParseGridSourceFormat("EGM2008", format));
  EXPECT_FALSE(ParseGridSourceFormat("", format));
  EXPECT_EQ(format, GridSourceFormat::kRaster);
}

}  // namespace
}  // namespace orthelev
