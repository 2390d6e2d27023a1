#include "models/gsi_model.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include "geoid/active_grid.hpp"
#include "settings/settings.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;
using testing::WriteBytes;

class GsiModel : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().gsi = DefaultGridSpec(kSectionGsi);
    TheSettings().dataFolder = dir.Folder();
  }
  TempDir dir;
};

TEST_F(GsiModel, HeaderReplacesTheSettingsGeometry) {
  TheSettings().gsi.prePad = 3;
  ASSERT_TRUE(StoreGsiHeader("20 120 0.016667 0.025 1801 1201 1 sample"));
  const GridSpec& g = TheSettings().gsi;
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

TEST_F(GsiModel, UnusableHeaderLeavesTheSettings) {
  EXPECT_FALSE(StoreGsiHeader("20 120 0 0.025 1801 1201 1"));
  EXPECT_EQ(TheSettings().gsi, DefaultGridSpec(kSectionGsi));
  EXPECT_FALSE(TheSettings().gsiGeometryChanged);
}

TEST_F(GsiModel, PrepareConvertsOnceThenOpensTheCompanion) {
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

TEST_F(GsiModel, FailuresReportAndLeaveNoCompanion) {
  struct Case {
    const char* what;
    const char* content;  // nullptr: no ASCII file
    std::vector<std::string> messages;
  };
  const std::string folder = dir.Folder();
  const Case cases[] = {
      {"missing", nullptr, {"Geoid file is not found:\r\n" + folder + "g.asc"}},
      {"insufficient",
       "20 120 0.5 0.5 2 2 1\n1 2\n3\n",
       {"Data is insufficient: " + folder + "g.asc", "Can not create:\r\n" + folder + "g.asc.dat"}},
      {"bad token",
       "20 120 0.5 0.5 2 2 1\n1 x 2\n3 4\n",
       {"Can not create:\r\n" + folder + "g.asc.dat"}},
      {"bad header",
       "20 120 0 0.5 2 2 1\n1 2\n3 4\n",
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

}  // namespace
}  // namespace orthelev
