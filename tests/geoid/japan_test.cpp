#include "geoid/japan.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "geoid/active_grid.hpp"
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
  void SetUp() override {
    ProgramState::SetUp();
    AppSettings().gsi = DefaultGridSpec(kSectionGsi);
    AppSettings().dataFolder = dir.Folder();
  }
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

TEST_F(GsiConversion, HeaderReplacesTheGeometry) {
  AppSettings().gsi.prePad = 3;
  ASSERT_TRUE(ParseGsiHeader("20 120 0.016667 0.025 1801 1201 1 sample"));
  const GridSpec& g = AppSettings().gsi;
  EXPECT_EQ(g.glamn, 20);
  EXPECT_EQ(g.glomn, 120);
  EXPECT_EQ(g.dgla, 0.016667);
  EXPECT_EQ(g.dglo, 0.025);
  EXPECT_EQ(g.nlat, 1801);
  EXPECT_EQ(g.nrows, 1801);
  EXPECT_EQ(g.nlon, 1201);
  EXPECT_EQ(g.ncols, 1201);
  EXPECT_EQ(g.prePad, 3);
  EXPECT_EQ(g.title, DefaultGridSpec(kSectionGsi).title);
}

TEST_F(GsiConversion, UnusableHeadersAreRefusedUntouched) {
  const char* headers[] = {
      "sample header",                     // no numbers
      "20 120 0.016667 0.025 0 1201 1",    // no rows
      "20 120 0.016667 0.025 1801 -5 1",   // negative columns
      "20 120 0 0.025 1801 1201 1",        // zero spacing
      "20 120 -0.1 0.025 1801 1201 1",     // negative spacing
      "20 120 0.016667 1e300 1801 1201 1", // no node per 100 degrees
      "20 120 0.016667 0.025 100000 100000 1",  // 10^10 nodes
  };
  for (const char* header : headers) {
    EXPECT_FALSE(ParseGsiHeader(header)) << header;
    EXPECT_EQ(AppSettings().gsi, DefaultGridSpec(kSectionGsi)) << header;
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
  ASSERT_TRUE(ConvertGsiGrid(dir.File("g.asc")));
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
  EXPECT_EQ(AppSettings().gsi.nlat, 3);
  EXPECT_EQ(AppSettings().gsi.nlon, 2);
}

TEST_F(GsiConversion, PrepareConvertsOnceThenOpensTheCompanion) {
  WriteBytes(dir.File("gsigeo.asc"), "20 120 0.5 0.5 2 2 1\n1 2\n3 4\n");
  ASSERT_TRUE(PrepareGsiGrid("gsigeo.asc"));
  EXPECT_EQ(window.statuses,
            (std::vector<std::string>{" Converting to binary file...", " Completed."}));
  EXPECT_EQ(window.WaitingText(), "");
  EXPECT_FALSE(window.Busy());
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(TheActiveGrid().file.IsOpen());
  EXPECT_GE(window.pendingEventCalls, 5);  // before converting, after each row read and written

  // Later selections open the companion without the ASCII file.
  std::filesystem::remove(dir.File("gsigeo.asc"));
  window.statuses.clear();
  ASSERT_TRUE(PrepareGsiGrid("gsigeo.asc"));
  EXPECT_TRUE(window.statuses.empty());
}

TEST_F(GsiConversion, FailuresReportAndLeaveNoCompanion) {
  struct Case {
    const char* what;
    const char* content;  // nullptr: no ASCII file
    std::vector<std::string> messages;
  };
  const std::string folder = dir.Folder();
  const Case cases[] = {
      {"missing", nullptr, {"Geoid file is not found:\r\n" + folder + "g.asc"}},
      {"insufficient", "20 120 0.5 0.5 2 2 1\n1 2\n3\n",
       {"Data is insufficient: " + folder + "g.asc", "Can not create:\r\n" + folder + "g.asc.dat"}},
      {"bad token", "20 120 0.5 0.5 2 2 1\n1 x 2\n3 4\n",
       {"Can not create:\r\n" + folder + "g.asc.dat"}},
      {"bad header", "20 120 0 0.5 2 2 1\n1 2\n3 4\n",
       {"Can not create:\r\n" + folder + "g.asc.dat"}},
  };
  for (const Case& c : cases) {
    window.messages.clear();
    window.statuses.clear();
    std::filesystem::remove(dir.File("g.asc"));
    if (c.content) WriteBytes(dir.File("g.asc"), c.content);
    EXPECT_FALSE(PrepareGsiGrid("g.asc")) << c.what;
    EXPECT_EQ(window.messages, c.messages) << c.what;
    EXPECT_EQ(window.statuses.back(), " Error.") << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir.File("g.asc.dat"))) << c.what;
    EXPECT_FALSE(TheActiveGrid().file.IsOpen()) << c.what;
    EXPECT_FALSE(window.Busy());
  }
}

TEST_F(GsiConversion, FailedWriteLeavesNoCompanion) {
  std::string grid = "20 120 0.5 0.5 2 20 1\n";
  for (int i = 0; i < 40; ++i) grid += "1.5 ";
  WriteBytes(dir.File("g.asc"), grid + "\n");
  // The companion (160 bytes) cannot be written whole.
  testing::FileSizeLimit limit(100);
  ASSERT_TRUE(limit.Active());
  EXPECT_FALSE(ConvertGsiGrid(dir.File("g.asc")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("g.asc.dat")));
}

}  // namespace
}  // namespace orthelev
