#include "ui/services/program.hpp"

#include <gtest/gtest.h>

#include "conversion/batch.hpp"
#include "settings/file_types.hpp"
#include "support/recording_window_services.hpp"

namespace orthelev {
namespace {

using testing::ProgramState;

TEST(ProgramTitle, NameUpToTheFirstDotWithLaterLettersLowered) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/orthelev/Orthelev.exe", "Orthelev"},
      {"C:/Tools/MY.Tool.exe", "My"},
      {"/usr/bin/orthelev", "orthelev"},
      {"/usr/bin/ORTHELEV", "Orthelev"},
      {".hidden", ""},
  };
  for (const auto& [file, title] : cases) EXPECT_EQ(ProgramTitle(file), title) << file;
}

class FormCreateTest : public ProgramState {};

TEST_F(FormCreateTest, EmptiesTablesAndDialogRecordsAndSetsTheStartFilters) {
  AppSettings().csvInfo = {"a=1"};
  AppSettings().csvOption = {"b=2"};
  AppSettings().browseDialog = {"/old/", "/old/x.csv", "x|*.x"};
  AppSettings().gridDialog = {"/grid/", "g.cdat", "y|*.y"};
  FormCreate();
  EXPECT_TRUE(AppSettings().csvInfo.empty());
  EXPECT_TRUE(AppSettings().csvOption.empty());
  EXPECT_EQ(AppSettings().browseDialog.SInitDir, "");
  EXPECT_EQ(AppSettings().browseDialog.SFileName, "");
  EXPECT_EQ(AppSettings().browseDialog.SFilter, kInitialOpenFilter);
  EXPECT_EQ(AppSettings().gridDialog.SInitDir, "");
  EXPECT_EQ(AppSettings().gridDialog.SFilter, "Cliped GEOID|*.cdat");
}

TEST_F(FormCreateTest, DropDuringABatchLeavesTheSourceField) {
  window.SetSourceText("/logs/running.nmea");
  Batch().running = true;
  DropFiles({"/logs/other.nmea"});
  Batch().running = false;
  EXPECT_EQ(window.SourceText(), "/logs/running.nmea");
  EXPECT_TRUE(window.events.empty());
}

}  // namespace
}  // namespace orthelev
