#include "geoid/custom_geoid.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::CustomGridBytes;
using testing::TempDir;
using testing::WriteBytes;

float Sequence(std::int32_t r, std::int32_t c) { return static_cast<float>(r * 3 + c + 1); }

class CustomGeoid : public testing::ProgramState {
 protected:
  TempDir dir;
};

TEST_F(CustomGeoid, TwoByThreeFile) {
  const std::string path = dir.File("tokyo.cdat");
  WriteBytes(path, CustomGridBytes(2, 3, 35, 139, 0.5, 0.5, Sequence));
  ASSERT_EQ(testing::ReadBytes(path).size(), 64u);
  ASSERT_TRUE(OpenCustomGeoid(path));
  const ActiveGrid& g = TheActiveGrid();
  EXPECT_DOUBLE_EQ(g.glamx, 35.5);
  EXPECT_DOUBLE_EQ(g.glomx, 140.5);
  EXPECT_FALSE(g.wraps);
  EXPECT_EQ(g.nlat, 2);
  EXPECT_EQ(g.nlon, 3);
  EXPECT_EQ(g.prePad, 0);
  EXPECT_EQ(ReadGridNode(0, 0), 1.0f);  // 35.5 N, 139 E
  EXPECT_EQ(ReadGridNode(1, 2), 6.0f);  // 35 N, 140 E
  EXPECT_NEAR(InterpolateGeoid(0, 35.5, 139), 1.0, 1e-12);
  EXPECT_NEAR(InterpolateGeoid(0, 35, 140), 6.0, 1e-12);
  EXPECT_NEAR(InterpolateGeoid(6, 35.25, 139.25), 3.0, 1e-6);  // too small for a spline window
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(CustomGeoid, GlobalGridWraps) {
  const std::string path = dir.File("world.cdat");
  WriteBytes(path, CustomGridBytes(19, 36, -90, 0, 10, 10, Sequence));
  ASSERT_TRUE(OpenCustomGeoid(path));
  EXPECT_TRUE(TheActiveGrid().wraps);
  EXPECT_EQ(ReadGridNode(0, -1), Sequence(0, 35));
}

// The nodes, `between` and the trailer of the 2 x 3 grid.
std::string WithBetweenNodesAndTrailer(const std::string& between) {
  const std::string good = CustomGridBytes(2, 3, 35, 139, 0.5, 0.5, Sequence);
  return good.substr(0, 24) + between + good.substr(24);
}

// A metadata block between the nodes and the trailer is read as the file's
// description; the nodes stay where they were.
TEST_F(CustomGeoid, MetadataBlockBetweenNodesAndTrailer) {
  const std::string path = dir.File("described.cdat");
  const CustomMetadata entries = {{"source", "egm96_15.gtx"}, {"datum", "EPSG:5773\r\nx"}};
  WriteBytes(path, WithBetweenNodesAndTrailer(CustomMetadataBlock(entries)));
  ASSERT_TRUE(OpenCustomGeoid(path));
  EXPECT_EQ(ReadGridNode(1, 2), 6.0f);
  CustomMetadata read;
  ASSERT_TRUE(ReadCustomMetadata(path, read));
  EXPECT_EQ(read, (CustomMetadata{{"source", "egm96_15.gtx"}, {"datum", "EPSG:5773  x"}}));
  CloseGrid();  // Windows replaces no file that is open
  WriteBytes(path, CustomGridBytes(2, 3, 35, 139, 0.5, 0.5, Sequence));
  EXPECT_FALSE(ReadCustomMetadata(path, read));  // a file without the block
  EXPECT_TRUE(read.empty());
}

TEST_F(CustomGeoid, RefusesFilesThatDoNotMatchTheirTrailer) {
  const double inf = INFINITY, nan = NAN;
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string good = CustomGridBytes(2, 3, 35, 139, 0.5, 0.5, Sequence);
  const std::string block = CustomMetadataBlock({{"source", "a.gtx"}});
  const Case cases[] = {
      {"one extra byte", good + "x"},
      {"metadata block with a byte more than its length", WithBetweenNodesAndTrailer("x" + block)},
      {"metadata block claiming more than the file",
       WithBetweenNodesAndTrailer(block.substr(0, block.size() - 12) + "\xff\xff\x00\x00" +
                                  "OECGMETA")},
      {"empty", ""},
      {"39 bytes", std::string(39, '\0')},
      {"zero rows", CustomGridBytes(0, 3, 35, 139, 0.5, 0.5, Sequence)},
      {"negative rows and columns",  // -2 x -3 x 4 + 40 would match 64 bytes
       good.substr(0, 24) + CustomGridBytes(-2, -3, 35, 139, 0.5, 0.5, Sequence).substr(0, 40)},
      {"zero spacing", CustomGridBytes(2, 3, 35, 139, 0, 0.5, Sequence)},
      {"negative spacing", CustomGridBytes(2, 3, 35, 139, 0.5, -0.5, Sequence)},
      {"infinite spacing", CustomGridBytes(2, 3, 35, 139, inf, 0.5, Sequence)},
      {"NaN spacing", CustomGridBytes(2, 3, 35, 139, 0.5, nan, Sequence)},
      {"spacing too wide for the arithmetic", CustomGridBytes(2, 3, 35, 139, 500, 0.5, Sequence)},
      {"NaN latitude", CustomGridBytes(2, 3, nan, 139, 0.5, 0.5, Sequence)},
      {"infinite longitude", CustomGridBytes(2, 3, 35, -inf, 0.5, 0.5, Sequence)},
  };
  for (const Case& c : cases) {
    const std::string path = dir.File("bad.cdat");
    WriteBytes(path, c.bytes);
    window.messages.clear();
    EXPECT_FALSE(OpenCustomGeoid(path)) << c.what;
    EXPECT_EQ(window.messages,
              std::vector<std::string>{"Illegal Custom geoid file: \r\n\r\n" + path})
        << c.what;
    EXPECT_FALSE(TheActiveGrid().file.IsOpen()) << c.what;
  }
}

TEST_F(CustomGeoid, RowsTimesColumnsDoNotOverflow) {
  // 65536 x 65536 x 4 wraps to 0 in 32 bits, 2^31-1 squared times 4 passes
  // 2^63: a 40-byte file must match neither.
  for (const std::int32_t big : {65536, std::numeric_limits<std::int32_t>::max()}) {
    const std::string path = dir.File("wrap.cdat");
    WriteBytes(path, CustomGridBytes(0, 0, 0, 0, 0.5, 0.5, Sequence));
    std::string trailer = testing::ReadBytes(path);
    std::memcpy(trailer.data(), &big, 4);
    std::memcpy(trailer.data() + 4, &big, 4);
    WriteBytes(path, trailer);
    window.messages.clear();
    EXPECT_FALSE(OpenCustomGeoid(path)) << big;
    EXPECT_EQ(window.messages.size(), 1u) << big;
  }
}

TEST_F(CustomGeoid, MissingFileShowsTheFullPath) {
  const std::string path = dir.File("absent.cdat");
  EXPECT_FALSE(OpenCustomGeoid(path));
  EXPECT_EQ(window.messages, std::vector<std::string>{"Geoid file is not found: \r\n" + path});
}

}  // namespace
}  // namespace orthelev
