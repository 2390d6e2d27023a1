#include "program/program.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include "conversion/batch.hpp"
#include "conversion/log_formats.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "ini/profile_file.hpp"
#include "program/settings_store.hpp"
#include "settings/file_dialog.hpp"
#include "support/grid_writer.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;
using testing::WriteBytes;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

class ProgramHandlers : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    where.programFile = dir.File("orthelev");
    where.baseName = "orthelev";
    where.configHome = config.Folder();
    // A settings file that selects a custom world model in the program's folder.
    WriteBytes(dir.File("orthelev.ini"),
               "[Option]\r\nGeoidModel=Custom Geoid\r\nMainTop=100\r\nMainLeft=200\r\n"
               "[Custom Geoid]\r\nfname=world.cdat\r\n");
    WriteBytes(dir.File("world.cdat"),
               testing::CustomGridBytes(181, 360, -90, 0, 1, 1, [](int, int) { return 30.0f; }));
    const std::string gga =
        testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,");
    WriteBytes(dir.File("day1.nmea"), gga + "\r\n");
    WriteBytes(dir.File("day2.nmea"), gga + "\r\n");
  }
  void Activate(const Lines& parameters) { FormActivate(where, parameters); }
  TempDir dir, config;
  SettingsLocation where;
};

TEST_F(ProgramHandlers, FirstActivationLoadsAndShowsTheWindow) {
  Activate({});
  EXPECT_TRUE(TheFlags().initialized);
  EXPECT_EQ(window.MainCaption(), "Orthelev Ver2.07");
  EXPECT_EQ(TheSettings().settingsFileName, dir.File("orthelev.ini"));
  EXPECT_EQ(window.GeoidModelText(), "Custom Geoid");
  EXPECT_TRUE(window.MainVisible());
  EXPECT_EQ(window.MainTop(), 100);
  EXPECT_EQ(window.MainLeft(), 200);
  EXPECT_TRUE(window.AcceptsDroppedFiles());
  EXPECT_EQ(window.SourceText(), "");
  Activate({"ignored.nmea"});  // runs once only
  EXPECT_EQ(window.SourceText(), "");
}

TEST_F(ProgramHandlers, CommandLineFilesAndSwitches) {
  struct Case {
    const char* what;
    Lines parameters;
    std::string source;
    bool shown, closed, converted;
  };
  const std::string d1 = dir.File("day1.nmea"), d2 = dir.File("day2.nmea");
  const Case cases[] = {
      {"switch alone has no effect", {"/q"}, "", true, false, false},
      {"hidden, quit when done", {d1, "/H", "/Q"}, d1, false, true, true},
      {"long switches", {"--hidden", d1, "--quit"}, d1, false, true, true},
      {"last letter counts", {"/xh", d1}, d1, false, false, true},
      {"two files shown", {d1, d2}, d1 + ";" + d2, true, false, true},
      {"settings files ignored", {dir.File("other.ini"), d1}, d1, true, false, true},
  };
  for (const Case& c : cases) {
    TheFlags().Reset();
    window.HideMainWindow();
    window.SetSourceText("unchanged");
    fs::remove(dir.File("day1_g.nmea"));
    Activate(c.parameters);
    EXPECT_EQ(window.SourceText(), c.source) << c.what;
    EXPECT_EQ(window.MainVisible(), c.shown) << c.what;
    EXPECT_EQ(window.MainClosed(), c.closed) << c.what;
    EXPECT_EQ(fs::exists(dir.File("day1_g.nmea")), c.converted) << c.what;
    window.SetSourceText("");
    static_cast<MemoryWindowServices&>(window) = MemoryWindowServices();
  }
}

TEST_F(ProgramHandlers, HiddenStartNeverShowsTheReport) {
  Activate({dir.File("missing.nmea"), "/H"});
  EXPECT_EQ(window.StatusText(), " Done with error.");
  EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "show report"), 0);
  EXPECT_FALSE(window.MainVisible());
  // Restoring the window later places it once at the stored position.
  window.SetMainTopLeft(0, 0);
  Activate({});
  EXPECT_EQ(window.MainTop(), 100);
  EXPECT_FALSE(TheFlags().startHidden);
  window.SetMainTopLeft(5, 5);
  Activate({});
  EXPECT_EQ(window.MainTop(), 5);
}

TEST_F(ProgramHandlers, UnplaceableSettingsFileEndsTheSequence) {
  where.folderWritable = [](const std::string&) { return false; };
  where.configHome = dir.File("day1.nmea");  // a file: no folder can be made below it
  Activate({dir.File("day1.nmea")});
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].rfind("Cannot create : ", 0), 0u);
  EXPECT_EQ(window.messages[0].back(), '.');
  EXPECT_FALSE(fs::exists(dir.File("day1_g.nmea")));
  EXPECT_FALSE(window.AcceptsDroppedFiles());
  EXPECT_TRUE(TheFlags().initialized);
}

TEST_F(ProgramHandlers, ClosingSavesTheSettings) {
  Activate({});
  window.SetLatitudeText("35.5");
  FormClose();
  EXPECT_EQ(window.statuses.back(), " orthelev.ini  saving...");
  ProfileFile file;
  ASSERT_TRUE(file.Load(dir.File("orthelev.ini")));
  EXPECT_EQ(file.Find("Option", "Latitude"), "35.5");
  EXPECT_EQ(file.Find("Option", "Version"), "Orthelev Ver2.07");
  EXPECT_TRUE(TheSettings().csvInfo.empty());
}

TEST_F(ProgramHandlers, CloseReportsValuesTheFileCannotHoldAndKeepsTheOldVersion) {
  Activate({});
  ProfileFile file;
  ASSERT_TRUE(file.Load(dir.File("orthelev.ini")));
  ASSERT_TRUE(file.WriteString("Option", "Version", "Orthelev Ver1.05") && file.Save());
  window.SetLatitudeText("35\r36");  // a lone CR cannot be written as a value
  window.messages.clear();
  FormClose();
  EXPECT_EQ(window.messages, std::vector<std::string>{"These settings hold a line break and were "
                                                      "not saved:\r\n[Option] Latitude"});
  ASSERT_TRUE(file.Load(dir.File("orthelev.ini")));
  EXPECT_EQ(file.Find("Option", "Version"), "Orthelev Ver1.05");
  EXPECT_EQ(file.Find("Option", "GeoidModel"), window.GeoidModelText());
}

TEST_F(ProgramHandlers, DroppedFiles) {
  Activate({});
  DropFiles({dir.File("day1.nmea"), dir.File("settings.INI"), dir.File("day2.nmea")});
  EXPECT_EQ(window.SourceText(), dir.File("day1.nmea") + ";" + dir.File("day2.nmea"));
  EXPECT_TRUE(fs::exists(dir.File("day2_g.nmea")));
  window.reportLines.clear();
  DropFiles({dir.File("settings.ini")});
  EXPECT_EQ(window.SourceText(), "");
  EXPECT_EQ(window.DisplayedReport(), (Lines{" Geoid model: Custom Geoid", ""}));
}

TEST_F(ProgramHandlers, BrowseAndEnter) {
  Activate({});
  const SDialog before = DialogRecord(DialogUse::SourceFiles);
  window.SetSourceText("typed");
  ButtonBrowseClick();  // cancelled
  EXPECT_EQ(window.SourceText(), "typed");
  EXPECT_EQ(DialogRecord(DialogUse::SourceFiles).SInitDir, before.SInitDir);
  ASSERT_EQ(window.dialogsShown.size(), 1u);
  EXPECT_EQ(window.dialogsShown[0].SFilter, before.SFilter);

  window.SetConvertEnabled(false);  // a batch runs
  window.dialogAnswers = {dir.File("day2.nmea")};
  ButtonBrowseClick();
  EXPECT_EQ(window.dialogsShown.size(), 1u);
  window.SetConvertEnabled(true);

  ButtonBrowseClick();
  EXPECT_EQ(window.SourceText(), dir.File("day2.nmea"));
  EXPECT_EQ(DialogRecord(DialogUse::SourceFiles).SInitDir, dir.Folder());
  EXPECT_TRUE(fs::exists(dir.File("day2_g.nmea")));

  window.SetSourceText(dir.File("day1.nmea"));
  EXPECT_EQ(EditSorceKeyPress('x'), 'x');
  EXPECT_FALSE(fs::exists(dir.File("day1_g.nmea")));
  EXPECT_EQ(EditSorceKeyPress('\r'), 0);
  EXPECT_TRUE(fs::exists(dir.File("day1_g.nmea")));
}

TEST_F(ProgramHandlers, DropDuringABatchLeavesTheSourceField) {
  window.SetSourceText(dir.File("day1.nmea"));
  TheBatch().running = true;
  DropFiles({dir.File("day2.nmea")});
  TheBatch().running = false;
  EXPECT_EQ(window.SourceText(), dir.File("day1.nmea"));
  EXPECT_TRUE(window.events.empty());
  EXPECT_FALSE(fs::exists(dir.File("day2_g.nmea")));
}

TEST_F(ProgramHandlers, WindowCreationEmptiesTablesAndDialogRecords) {
  TheSettings().csvInfo = {"a=1"};
  TheSettings().csvOption = {"b=2"};
  TheSettings().browseDialog = {"/old/", "/old/x.csv", "x|*.x"};
  TheSettings().gridDialog = {"/grid/", "g.cdat", "y|*.y"};
  FormCreate();
  EXPECT_TRUE(TheSettings().csvInfo.empty());
  EXPECT_TRUE(TheSettings().csvOption.empty());
  const SDialog& browse = TheSettings().browseDialog;
  EXPECT_EQ(browse.SInitDir + browse.SFileName, "");
  EXPECT_EQ(browse.SFilter, kInitialOpenFilter);
  const SDialog& grid = TheSettings().gridDialog;
  EXPECT_EQ(grid.SInitDir + grid.SFileName, "");
  EXPECT_EQ(grid.SFilter, "Cliped GEOID|*.cdat");
}

TEST(ProgramTexts, GeneralErrorAndSwitches) {
  EXPECT_EQ(GeneralErrorText("Cannot create : /x/"), "Cannot create : /x/.");
  EXPECT_EQ(GeneralErrorText("done."), "done.");
  EXPECT_EQ(GeneralErrorText("done "), "done ");
  EXPECT_EQ(GeneralErrorText(""), "");
  struct Case {
    const char* parameter;
    bool isSwitch;
  };
  for (const Case& c : {Case{"/H", true}, Case{"/xq", true}, Case{"--hidden", true},
                        Case{"--quit", true}, Case{"/tmp", false}, Case{"/h1", false},
                        Case{"/", false}, Case{"day1.nmea", false}, Case{"-H", false}})
    EXPECT_EQ(IsSwitchParameter(c.parameter), c.isSwitch) << c.parameter;
}

TEST(ProgramTexts, ProgramTitleIsTheNameUpToTheFirstDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/orthelev/Orthelev.exe", "Orthelev"},
      {"C:/Tools/MY.Tool.exe", "My"},
      {"/usr/bin/orthelev", "orthelev"},
      {"/usr/bin/ORTHELEV", "Orthelev"},
      {".hidden", ""},
  };
  for (const auto& [file, title] : cases) EXPECT_EQ(ProgramTitle(file), title) << file;
}

}  // namespace
}  // namespace orthelev
