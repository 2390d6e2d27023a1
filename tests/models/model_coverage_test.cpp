// A model's coverage sampled from its grid: each cell holds its nearest
// node, missing nodes stay missing, and the picture shows them as missing.

#include "models/model_coverage.hpp"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ProgramState;
using testing::SyntheticGrid;
using testing::TempDir;

// Nodes hold their latitude minus 10; those south of 32 N and west of
// 133 E hold the missing marker 999.
float Node(double lat, double lon) {
  return lat < 32 && lon < 133 ? 999.0F : static_cast<float>(lat - 10);
}

TEST_F(ProgramState, CoverageSamplesTheNearestNodes) {
  TempDir folder;
  const SyntheticGrid grid;  // 30..40 N, 130..145 E, 0.25 degrees
  ASSERT_TRUE(grid.WriteAndOpen(folder.Folder(), "holes.grd", Node));
  struct Case {
    std::int32_t maxColumns, maxRows;
  };
  for (const Case c : {Case{1000, 1000}, Case{20, 7}}) {
    const CoverageRaster raster = SampleActiveGrid(c.maxColumns, c.maxRows);
    EXPECT_EQ(raster.columns, std::min(c.maxColumns, grid.nlon));
    EXPECT_EQ(raster.rows, std::min(c.maxRows, grid.nlat));
    EXPECT_DOUBLE_EQ(raster.west, 130 - 0.0);
    EXPECT_DOUBLE_EQ(raster.north, 40.125);
    int missing = 0;
    float low = 1000, high = -1000;
    for (std::int32_t row = 0; row < raster.rows; ++row) {
      for (std::int32_t column = 0; column < raster.columns; ++column) {
        const std::int32_t nodeRow =
            static_cast<std::int32_t>((row + 0.5) * grid.nlat / raster.rows);
        const std::int32_t nodeColumn =
            static_cast<std::int32_t>((column + 0.5) * grid.nlon / raster.columns);
        const float node =
            Node(grid.NorthLatitude() - nodeRow * grid.dgla, grid.glomn + nodeColumn * grid.dglo);
        const float value = raster.At(row, column);
        if (node == 999.0F) {
          ++missing;
          EXPECT_TRUE(std::isnan(value));
        } else {
          EXPECT_FLOAT_EQ(value, node);
          low = std::min(low, node);
          high = std::max(high, node);
        }
      }
    }
    EXPECT_GT(missing, 0);
    EXPECT_FLOAT_EQ(raster.low, low);
    EXPECT_FLOAT_EQ(raster.high, high);

    const Picture picture = CoveragePicture(raster, "Coverage: holes");
    int missingCells = 0;
    for (const PictureRect& rect : picture.rects) missingCells += rect.fill == kMissingColour;
    EXPECT_GT(missingCells, 1);  // a cell or a run of them, and the scale's swatch
  }
}

}  // namespace
}  // namespace orthelev
