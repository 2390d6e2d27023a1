#include "import/import_plan.hpp"

#include <cmath>

#include <gtest/gtest.h>

namespace orthelev {
namespace {

SourceLattice Lattice(std::int32_t rows, std::int32_t columns, double south, double west,
                      double spacing) {
  return SourceLattice{rows, columns, south, west, spacing, spacing};
}

TEST(ImportPlan, ReaderSpacing) {
  struct Case {
    double spacing;
    bool accepted;
    double snapped;
  };
  const Case cases[] = {
      {0.25, true, 0.25},
      {0.0416666666666667, true, 1.0 / 24},  // 2.5' as often printed
      {0.016667, true, 1.0 / 60},            // 1' as GSIGEO headers print it
      {1.0 / 60, true, 1.0 / 60},
      {2, true, 2},
      {0.3, false, 0},  // 333.3 steps per 100 degrees
      {3, false, 0},
      {0, false, 0},
      {-1, false, 0},
      {NAN, false, 0},
      {250, false, 0},
      {1e-7, true, 1e-7},  // the finest accepted (about 1 cm)
      {1e-290, false, 0},  // node indices would not fit any integer
  };
  for (const Case& c : cases) {
    double snapped = 0;
    EXPECT_EQ(ReaderSpacing(c.spacing, snapped), c.accepted) << c.spacing;
    if (c.accepted) {
      EXPECT_DOUBLE_EQ(snapped, c.snapped) << c.spacing;
    }
  }
}

// Columns and their longitudes for lattices and regions: glomn, the number
// of columns, and the source columns at the start and the end.
TEST(ImportPlan, Columns) {
  struct Case {
    const char* what;
    SourceLattice source;
    std::optional<Region> region;
    double glomn;
    std::size_t columns;
    std::int32_t firstSource, lastSource;
  };
  const Case cases[] = {
      {"global from -180 with the 180 column repeated: rotated to 0, repeat dropped",
       Lattice(181, 361, -90, -180, 1), std::nullopt, 0, 360, 180, 179},
      {"global from 0 without repeat: unchanged", Lattice(181, 360, -90, 0, 1), std::nullopt, 0,
       360, 0, 359},
      {"global from 0 with 360 repeated", Lattice(181, 361, -90, 0, 1), std::nullopt, 0, 360, 0,
       359},
      {"global with nodes between meridians: four wrapped columns on each side",
       Lattice(180, 360, -89.5, -179.5, 1), std::nullopt, -3.5, 368, 176, 183},
      {"global, region across the 180 meridian", Lattice(181, 361, -90, -180, 1),
       Region{-10, 10, 170, -170}, 170, 21, 350, 10},
      {"global, region across the 0 meridian", Lattice(181, 361, -90, -180, 1),
       Region{-10, 10, -5, 5}, 355, 11, 175, 185},
      {"global, region -180..180 keeps the whole circle", Lattice(181, 361, -90, -180, 1),
       Region{-10, 10, -180, 180}, 0, 360, 180, 179},
      {"global, region between nodes takes the inner ones", Lattice(181, 361, -90, -180, 1),
       Region{0, 1, 10.5, 12.5}, 11, 2, 191, 192},
      {"western hemisphere grid in east longitudes", Lattice(11, 21, 30, -100, 1), std::nullopt,
       260, 21, 0, 20},
      {"grid across 0: starts below 360", Lattice(5, 21, 40, -10, 1), std::nullopt, 350, 21, 0, 20},
      {"regional grid, region in negative longitudes", Lattice(5, 21, 40, 350, 1),
       Region{40, 44, -5, 5}, 355, 11, 5, 15},
      {"regional grid, region wider than the grid is clipped", Lattice(5, 11, 40, 130, 1),
       Region{0, 80, 100, 200}, 130, 11, 0, 10},
  };
  for (const Case& c : cases) {
    ImportPlan plan;
    std::string error;
    ASSERT_TRUE(PlanImport(c.source, c.region, plan, error)) << c.what << ": " << error;
    EXPECT_DOUBLE_EQ(plan.glomn, c.glomn) << c.what;
    ASSERT_EQ(plan.sourceColumns.size(), c.columns) << c.what;
    EXPECT_EQ(plan.sourceColumns.front(), c.firstSource) << c.what;
    EXPECT_EQ(plan.sourceColumns.back(), c.lastSource) << c.what;
  }
}

TEST(ImportPlan, GlobalColumnsFollowEachOtherAroundTheCircle) {
  ImportPlan plan;
  std::string error;
  ASSERT_TRUE(PlanImport(Lattice(721, 1441, -90, -180, 0.25), std::nullopt, plan, error)) << error;
  ASSERT_EQ(plan.sourceColumns.size(), 1440u);
  for (std::size_t k = 0; k < plan.sourceColumns.size(); ++k)
    ASSERT_EQ(plan.sourceColumns[k], static_cast<std::int32_t>((k + 720) % 1440)) << k;
}

TEST(ImportPlan, RowsBeyondThePolesOnlyForTheWholeCircle) {
  struct Case {
    const char* what;
    SourceLattice source;
    std::optional<Region> region;
    bool north, south;
    double glamn;
  };
  const Case cases[] = {
      {"cell-centred global grid", Lattice(180, 360, -89.5, -179.5, 1), std::nullopt, true, true,
       -90.5},
      {"its northern half", Lattice(180, 360, -89.5, -179.5, 1), Region{0, 90, -180, 180}, true,
       false, 0.5},
      {"cut in longitude", Lattice(180, 360, -89.5, -179.5, 1), Region{-90, 90, 0, 90}, false,
       false, -89.5},
      {"nodes on the poles", Lattice(181, 360, -90, 0, 1), std::nullopt, false, false, -90},
      {"rows far from the poles", Lattice(100, 360, -49.5, 0.5, 1), std::nullopt, false, false,
       -49.5},
  };
  for (const Case& c : cases) {
    ImportPlan plan;
    std::string error;
    ASSERT_TRUE(PlanImport(c.source, c.region, plan, error)) << c.what << ": " << error;
    EXPECT_EQ(plan.northPoleRow, c.north) << c.what;
    EXPECT_EQ(plan.southPoleRow, c.south) << c.what;
    EXPECT_EQ(plan.WrittenRows(), plan.rowCount + c.north + c.south) << c.what;
    EXPECT_DOUBLE_EQ(plan.glamn, c.glamn) << c.what;
    EXPECT_DOUBLE_EQ(plan.northPoleGap, c.north ? 0.5 : 0) << c.what;
  }
}

TEST(ImportPlan, Rows) {
  struct Case {
    const char* what;
    SourceLattice source;
    std::optional<Region> region;
    std::int32_t firstRow, rowCount;
    double glamn;
  };
  const Case cases[] = {
      {"whole grid", Lattice(31, 10, 20, 120, 1), std::nullopt, 0, 31, 20},
      {"band", Lattice(31, 10, 20, 120, 1), Region{25, 30, 0, 360}, 20, 6, 25},
      {"limits between rows", Lattice(31, 10, 20, 120, 1), Region{25.5, 29.5, 0, 360}, 21, 4, 26},
      {"one row", Lattice(31, 10, 20, 120, 1), Region{30, 30, 0, 360}, 20, 1, 30},
      {"region beyond the grid is clipped", Lattice(31, 10, 20, 120, 1), Region{-90, 90, 0, 360}, 0,
       31, 20},
      {"GSIGEO-style spacing keeps its southern edge",
       SourceLattice{1801, 10, 20, 120, 0.016667, 0.025}, std::nullopt, 0, 1801, 20},
  };
  for (const Case& c : cases) {
    ImportPlan plan;
    std::string error;
    ASSERT_TRUE(PlanImport(c.source, c.region, plan, error)) << c.what << ": " << error;
    EXPECT_EQ(plan.firstRow, c.firstRow) << c.what;
    EXPECT_EQ(plan.rowCount, c.rowCount) << c.what;
    EXPECT_DOUBLE_EQ(plan.glamn, c.glamn) << c.what;
  }
}

TEST(ImportPlan, Refusals) {
  struct Case {
    const char* what;
    SourceLattice source;
    std::optional<Region> region;
    const char* reason;
  };
  const Case cases[] = {
      {"spacing the reader cannot address", Lattice(5, 5, 0, 0, 0.3), std::nullopt, "spacing"},
      {"rows beyond the pole (projected metres)", Lattice(5, 5, 4000000, 500000, 1), std::nullopt,
       "beyond 90 degrees"},
      {"south above north", Lattice(31, 10, 20, 120, 1), Region{40, 30, 120, 130}, "empty"},
      {"latitude beyond 90", Lattice(31, 10, 20, 120, 1), Region{40, 95, 120, 130}, "-90 to 90"},
      {"no number", Lattice(31, 10, 20, 120, 1), Region{NAN, 30, 120, 130}, "numbers"},
      {"region north of the grid", Lattice(31, 10, 20, 120, 1), Region{60, 70, 120, 130}, "no row"},
      {"region east of the grid", Lattice(31, 10, 20, 120, 1), Region{30, 40, 140, 150},
       "no column"},
      {"region between two columns", Lattice(31, 10, 20, 120, 1), Region{30, 40, 121.2, 121.8},
       "no column"},
      {"file of 2 GiB or more", Lattice(21601, 40000, -90, 0, 1.0 / 120), std::nullopt, "2 GiB"},
      // Refused before a list of 2^31 columns is made.
      {"one row of 2^31 - 1 columns", Lattice(1, 2147483647, 0, 0, 1e-7), std::nullopt, "2 GiB"},
      {"absurdly small spacing", Lattice(5, 5, 0, 0, 1e-290), Region{-1, 1, -1, 1}, "spacing"},
  };
  for (const Case& c : cases) {
    ImportPlan plan;
    std::string error;
    EXPECT_FALSE(PlanImport(c.source, c.region, plan, error)) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
  }
}

TEST(ImportPlan, NormalizedLongitude) {
  const double cases[][2] = {{-180, 180}, {-0.5, 359.5}, {360, 0},
                             {725, 5},    {-1e-12, 0},   {359.9999999999999, 0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NormalizedLongitude(c[0]), c[1]) << c[0];
}

}  // namespace
}  // namespace orthelev
