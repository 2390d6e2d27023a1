#include "import/grid_import.hpp"

#include <cmath>
#include <filesystem>

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
    return ImportGrid(source, result, region, format, error);
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
      {"GeoTIFF, global pixel-is-area: seam column repeated", "cells.tif",
       Raster("GTiff", 180, 360, -180, 90, 1), std::nullopt, 180, 361, -89.5, 0.5, 1, false},
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
  struct Case {
    const char* what;
    RasterSpec geometry;
    std::optional<Region> region;
    const char* reason;
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

// --- ISG ------------------------------------------------------------------

struct IsgCase {
  const char* what;
  const char* header;  // %-free header text; values follow
  int rows, columns;
  double north, west, spacing;  // of the nodes
};

std::string IsgText(const IsgCase& c) {
  std::string text = c.header;
  for (int r = 0; r < c.rows; ++r) {
    for (int col = 0; col < c.columns; ++col) {
      const bool missing = r == 1 && col == 1;
      const double value =
          missing ? kNoData : Height(c.north - r * c.spacing, c.west + col * c.spacing);
      text += " " + FormatFixed(value, 6, 12);
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

TEST_F(GridImport, IsgRefusals) {
  const char* header =
      "begin_of_head ================================================\n"
      "model name     : TEST\ncoord type     : %s\n"
      "lat min        =    15.000000\nlat max        =    15.500000\n"
      "lon min        =   120.000000\nlon max        =   120.750000\n"
      "delta lat      =     0.250000\ndelta lon      =     0.250000\n"
      "nrows          =          %d\nncols          =          4\n"
      "nodata         =   -9999.0000\nISG format     =        2.0\n"
      "end_of_head ==================================================\n";
  struct Case {
    const char* what;
    const char* coordType;
    int rows;
    std::string values;
    const char* reason;
  };
  const std::string twelve = "1 2 3 4\n5 6 7 8\n9 10 11 12\n";
  const Case cases[] = {
      {"projected", "projected", 3, twelve, "projected"},
      {"limits disagree with the size", "geodetic", 5, twelve, "do not agree"},
      {"too few values", "geodetic", 3, "1 2 3 4\n5 6 7 8\n", "has 8 values instead of 12"},
      {"a value that is no number", "geodetic", 3, "1 2 3 4\n5 x 7 8\n9 10 11 12\n", "Line "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char text[2048];
    std::snprintf(text, sizeof text, header, c.coordType, c.rows);
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
