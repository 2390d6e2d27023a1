#include "geoid/japan.hpp"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "support/file_size_limit.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class GsiConversion : public testing::ProgramState {
 protected:
  void SetUp() override { ProgramState::SetUp(); }
  std::vector<float> Companion(const std::string& name) {
    const std::string bytes = ReadBytes(dir.File(name + ".dat"));
    std::vector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
  }
  TempDir dir;
};

TEST(GsiTokens, SeparatorsAndBadTokens) {
  struct Case {
    const char* line;
    std::vector<double> values;  // NaN: the missing value
    bool endsInError;
  };
  const double nan = NAN;
  const Case cases[] = {
      {"1.0,2.0 ,, 3.0", {1, 2, 3}, false},
      {"  -199.5 999.0", {-199.5, 999}, false},
      {"", {nan}, false},
      {"1.0 x", {1, nan}, false},  // a bad last token is missing
      {"x 1.0", {}, true},         // a bad token in the middle ends it
      {"1,5 2", {1, 5, 2}, false},
  };
  for (const Case& c : cases) {
    std::string_view line = c.line;
    size_t taken = 0;
    bool ok = true;
    do {
      double v = 0;
      ok = NextRealToken(line, v);
      if (!ok) break;
      ASSERT_LT(taken, c.values.size()) << c.line;
      if (std::isnan(c.values[taken]))
        EXPECT_TRUE(std::isnan(v)) << c.line;
      else
        EXPECT_EQ(v, c.values[taken]) << c.line;
      ++taken;
    } while (!line.empty());
    EXPECT_EQ(!ok, c.endsInError) << c.line;
    if (!c.endsInError) {
      EXPECT_EQ(taken, c.values.size()) << c.line;
    }
  }
  std::string_view ints = "1801,1201 x";
  std::int32_t a = 0, b = 0, last = -1;
  EXPECT_TRUE(NextIntToken(ints, a) && NextIntToken(ints, b) && NextIntToken(ints, last));
  EXPECT_EQ(a, 1801);
  EXPECT_EQ(b, 1201);
  EXPECT_EQ(last, 0);
}

TEST_F(GsiConversion, UnusableHeadersAreRefused) {
  const char* headers[] = {
      "sample header",                          // no numbers
      "20 120 0.016667 0.025 0 1201 1",         // no rows
      "20 120 0.016667 0.025 1801 -5 1",        // negative columns
      "20 120 0 0.025 1801 1201 1",             // zero spacing
      "20 120 -0.1 0.025 1801 1201 1",          // negative spacing
      "20 120 0.016667 1e300 1801 1201 1",      // no node per 100 degrees
      "20 120 0.016667 0.025 100000 100000 1",  // 10^10 nodes
  };
  for (const char* header : headers) {
    EXPECT_FALSE(ParseGsiHeader(header).has_value()) << header;
  }
}

TEST_F(GsiConversion, CompanionHoldsRowsNorthFirst) {
  // 3 rows x 2 columns, south row first in the file; one row spans lines,
  // one line holds values of two rows, a blank line is one missing value.
  WriteBytes(dir.File("g.asc"),
             "30 130 0.5 0.5 3 2 1 test grid\r\n"
             "1.5 2.5 3.5\r\n"
             "\r\n"
             "999.0\r\n"
             "-199.5 7.25 extra values are ignored\r\n");
  std::optional<GridSpec> header;
  ASSERT_TRUE(ConvertGsiGrid(dir.File("g.asc"), header));
  const std::vector<float> v = Companion("g.asc");
  ASSERT_EQ(v.size(), 6u);
  // File order: 1.5 2.5 | 3.5 (blank line) | 999.0 -199.5; the north row comes first.
  EXPECT_TRUE(std::isnan(v[0]));
  EXPECT_EQ(v[1], -199.5f);  // the last value needed: end of the first row
  EXPECT_EQ(v[2], 3.5f);
  EXPECT_TRUE(std::isnan(v[3]));
  EXPECT_EQ(v[4], 1.5f);  // the first value: start of the last row
  EXPECT_EQ(v[5], 2.5f);
  const std::string bytes = ReadBytes(dir.File("g.asc.dat"));
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x00\x00\xC0\xFF", 4));
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x00\x00\xC0\xFF", 4));
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->nlat, 3);
  EXPECT_EQ(header->nlon, 2);
}

TEST_F(GsiConversion, FailedWriteLeavesNoCompanion) {
  ORTHELEV_NEEDS_FILE_SIZE_LIMIT();
  std::string grid = "20 120 0.5 0.5 2 20 1\n";
  for (int i = 0; i < 40; ++i) grid += "1.5 ";
  WriteBytes(dir.File("g.asc"), grid + "\n");
  // The companion (160 bytes) cannot be written whole.
  testing::FileSizeLimit limit(100);
  ASSERT_TRUE(limit.Active());
  std::optional<GridSpec> header;
  EXPECT_FALSE(ConvertGsiGrid(dir.File("g.asc"), header));
  EXPECT_FALSE(std::filesystem::exists(dir.File("g.asc.dat")));
}

}  // namespace
}  // namespace orthelev
