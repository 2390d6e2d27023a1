#include "geoid/active_grid.hpp"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include "platform/platform.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;

// Every test runs with the mapped grid file and with the block reader.
class ActiveGridTest : public testing::ProgramState,
                       public ::testing::WithParamInterface<GridReading> {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().dataFolder = dir.Folder();
    TheActiveGrid().file.SetReading(GetParam());
  }
  bool Open(const std::string& name, const GridSpec& s) {
    return OpenGrid(TheSettings().dataFolder, name, s);
  }
  TempDir dir;
};

// 10-degree grid covering the whole globe: 19 rows, 36 columns, framed.
GridSpec GlobalTenDegree() { return {"", "global10", 19, 38, -90, 0, 10, 10, 19, 36, 1}; }

float Encoded(std::int32_t r, std::int32_t c) { return static_cast<float>(r * 0.5 + c * 0.01); }

TEST_P(ActiveGridTest, DerivedGeometryOfTheBuiltInModels) {
  struct Case {
    GridSpec geometry;
    double glamx, glomx;
    bool wraps;
  };
  GridSpec egm25 = DefaultGridSpec(kSectionEgm25), egm10 = DefaultGridSpec(kSectionEgm10),
           gsi = DefaultGridSpec(kSectionGsi);
  GridSpec storedRounded = egm25;
  storedRounded.dgla = storedRounded.dglo = 0.0416666666666667;
  GridSpec gsiShort = gsi;
  gsiShort.dgla = 0.016667;
  GridSpec hostileRows = gsi;  // as a settings file may give it; no signed overflow
  hostileRows.nlat = std::numeric_limits<std::int32_t>::min();
  const Case cases[] = {
      {egm25, 90, 360, true},         {egm10, 90, 360, true},
      {gsi, 50, 150.025, false},      {storedRounded, 90, 360, true},
      {gsiShort, 50, 150.025, false}, {hostileRows, 20 - 2147483649.0 / 60, 150.025, false},
  };
  testing::WriteBytes(dir.File("any"), "");
  for (const Case& c : cases) {
    ASSERT_TRUE(Open("any", c.geometry));
    const ActiveGrid& g = TheActiveGrid();
    EXPECT_DOUBLE_EQ(g.glamx, c.glamx) << c.geometry.title;
    EXPECT_DOUBLE_EQ(g.glomx, c.glomx) << c.geometry.title;
    EXPECT_EQ(g.wraps, c.wraps) << c.geometry.title;
  }
  EXPECT_EQ(NodesPerDegree(0.0416666666666667), 24);
  EXPECT_EQ(NodesPerDegree(0.016667), 60);
  EXPECT_EQ(NodesPerDegree(0.025), 40);
}

TEST_P(ActiveGridTest, Egm25NodeOffsets) {
  // Node (0, 0) at byte 4, (1, 0) at 34572, (4320, 8639) at 149368320.
  const std::string path = dir.File(DefaultGridSpec(kSectionEgm25).fname);
  testing::WriteSparseEgm25(path, 0, 1, 0, 0, [](int r, int) { return r + 1.5f; });
  testing::WriteSparseEgm25(path + ".b", 4320, 4320, 8639, 8639, [](int, int) { return -7.25f; });
  ASSERT_TRUE(Open(DefaultGridSpec(kSectionEgm25).fname, DefaultGridSpec(kSectionEgm25)));
  EXPECT_EQ(ReadGridNode(0, 0), 1.5f);
  EXPECT_EQ(ReadGridNode(1, 0), 2.5f);
  GridSpec b = DefaultGridSpec(kSectionEgm25);
  ASSERT_TRUE(Open(b.fname + ".b", b));
  EXPECT_EQ(ReadGridNode(4320, 8639), -7.25f);
  EXPECT_EQ(ReadGridNode(4320, 8638), 0.0f);
  EXPECT_TRUE(std::isnan(ReadGridNode(4321, 0)));
}

TEST_P(ActiveGridTest, WrappingAndEdges) {
  const GridSpec global = GlobalTenDegree();
  testing::WriteFramedGrid(dir.File(global.fname), global.nlat, global.nlon, Encoded);
  ASSERT_TRUE(Open(global.fname, global));
  struct Case {
    int row, column;
    float expected;  // NaN: missing
  };
  const float nan = NAN;
  const Case wrapping[] = {
      {3, -1, Encoded(3, 35)},
      {3, 36, Encoded(3, 0)},
      {3, -37, nan},
      {3, 72, nan},
      {-1, 0, nan},
      {19, 0, nan},
      {18, 35, Encoded(18, 35)},
  };
  for (const Case& c : wrapping) {
    const float v = ReadGridNode(c.row, c.column);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(v)) << c.row << "," << c.column;
    else
      EXPECT_EQ(v, c.expected) << c.row << "," << c.column;
  }

  GridSpec regional = global;  // same file, but a grid that does not wrap
  regional.glomn = 100;
  ASSERT_TRUE(Open(global.fname, regional));
  EXPECT_FALSE(TheActiveGrid().wraps);
  for (const Case& c : {Case{0, 36, nan}, Case{0, -1, nan}, Case{-1, 0, nan}, Case{19, 0, nan},
                        Case{0, 0, Encoded(0, 0)}})
    EXPECT_EQ(std::isnan(ReadGridNode(c.row, c.column)), std::isnan(c.expected));
}

TEST_P(ActiveGridTest, OutOfRangeValuesReadAsMissing) {
  const float values[] = {999.0f, -200.0f, NAN, INFINITY, 199.99f, -199.99f, 200.0f};
  const bool missing[] = {true, true, true, true, false, false, true};
  GridSpec geometry{"", "values", 1, 7, 0, 0, 1, 1, 1, 7, 0};
  std::string bytes;
  for (float v : values) testing::AppendFloat(bytes, v);
  testing::WriteBytes(dir.File("values"), bytes);
  ASSERT_TRUE(Open("values", geometry));
  for (int c = 0; c < 7; ++c) {
    const float v = ReadGridNode(0, c);
    EXPECT_EQ(std::isnan(v), missing[c]) << values[c];
    if (!missing[c]) {
      EXPECT_EQ(v, values[c]);
    }
  }
}

TEST_P(ActiveGridTest, ShortOrTruncatedFileReadsAsMissing) {
  const GridSpec global = GlobalTenDegree();
  testing::WriteFramedGrid(dir.File(global.fname), global.nlat, global.nlon, Encoded);
  // Claim twice the rows the file has: the second half lies past the end.
  GridSpec tooTall = global;
  tooTall.nlat = tooTall.nrows = 38;
  ASSERT_TRUE(Open(global.fname, tooTall));
  EXPECT_EQ(ReadGridNode(18, 5), Encoded(18, 5));
  EXPECT_TRUE(std::isnan(ReadGridNode(19, 5)));
  EXPECT_TRUE(std::isnan(ReadGridNode(37, 5)));

  // A big grid truncated while open: reads past the new end are missing.
  const std::string big = dir.File("big");
  testing::WriteFramedGrid(big, 400, 36, Encoded);
  GridSpec bigSpec = global;
  bigSpec.nlat = bigSpec.nrows = 400;
  ASSERT_TRUE(Open("big", bigSpec));
  EXPECT_EQ(TheActiveGrid().file.IsMapped(), GetParam() == GridReading::Mapped);
  EXPECT_EQ(ReadGridNode(0, 0), Encoded(0, 0));
  std::error_code refused;  // Windows refuses to cut a mapped file
  std::filesystem::resize_file(platform::PathOf(big), 4096, refused);
  EXPECT_EQ(ReadGridNode(0, 1), Encoded(0, 1));  // its block or page is still there
  for (int row : {399, 200, 398}) {
    const float node = ReadGridNode(row, 1);
    if (refused)
      EXPECT_EQ(node, Encoded(row, 1));
    else
      EXPECT_TRUE(std::isnan(node)) << row;
  }
}

TEST_P(ActiveGridTest, NothingOpenMeansEverythingMissing) {
  EXPECT_TRUE(std::isnan(ReadGridNode(0, 0)));
  const GridSpec global = GlobalTenDegree();
  testing::WriteFramedGrid(dir.File(global.fname), global.nlat, global.nlon, Encoded);
  ASSERT_TRUE(Open(global.fname, global));
  TheActiveGrid().open = true;
  CloseGrid();
  EXPECT_FALSE(TheActiveGrid().open);
  EXPECT_TRUE(std::isnan(ReadGridNode(0, 0)));
}

TEST_P(ActiveGridTest, MissingFileShowsTheNameOnly) {
  const GridSpec global = GlobalTenDegree();
  testing::WriteFramedGrid(dir.File(global.fname), global.nlat, global.nlon, Encoded);
  ASSERT_TRUE(Open(global.fname, global));
  GridSpec other = DefaultGridSpec(kSectionGsi);
  EXPECT_FALSE(Open("nowhere.dat", other));
  EXPECT_EQ(window.messages, std::vector<std::string>{"Geoid file is not found: \r\nnowhere.dat"});
  EXPECT_FALSE(TheActiveGrid().file.IsOpen());
  EXPECT_EQ(TheActiveGrid().nlon, 36);  // values left as they were
  EXPECT_TRUE(std::isnan(ReadGridNode(0, 0)));
}

TEST_P(ActiveGridTest, BlanksAroundThePathAreIgnored) {
  const GridSpec global = GlobalTenDegree();
  testing::WriteFramedGrid(dir.File(global.fname), global.nlat, global.nlon, Encoded);
  EXPECT_TRUE(Open(global.fname + " \t", global));
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace orthelev

namespace orthelev {
namespace {

TEST_P(ActiveGridTest, GridsBeyondTwoGibibytes) {
  // 30000 rows of 30000 nodes: 3.6 GB, sparse; the last node lies past 2^31.
  const std::string path = dir.File("huge");
  const std::int64_t bytes = 4 * (std::int64_t{30000} * 30000);
  testing::PokeNodes(path, bytes, 30000, 0, 29999, 29999, 29999, 29999,
                     [](std::int32_t, std::int32_t) { return 12.5f; });
  GridSpec geometry{"", "huge", 30000, 30000, 0, 0, 0.001, 0.001, 30000, 30000, 0};
  ASSERT_TRUE(Open("huge", geometry));
  EXPECT_EQ(ReadGridNode(29999, 29999), 12.5f);
  EXPECT_EQ(ReadGridNode(29999, 29998), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Readers, ActiveGridTest,
                         ::testing::Values(GridReading::Mapped, GridReading::Blocks),
                         [](const auto& info) {
                           return info.param == GridReading::Mapped ? "Mapped" : "Blocks";
                         });

}  // namespace
}  // namespace orthelev
