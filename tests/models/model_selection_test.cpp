#include "models/model_selection.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/japan.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;

const std::vector<std::string> kDefaultModelList = {
    "Custom Geoid",       "EGM2008 2.5'x2.5'", "EGM2008 1'x1'",   "GSIGEO 2011 ver2.2",
    "GSIGEO 2011 ver2.1", "GSIGEO 2011 ver2",  "GSIGEO 2011 ver1"};

class ModelSelection : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    Settings& s = TheSettings();
    s.egm25 = DefaultGridSpec(kSectionEgm25);
    s.egm10 = DefaultGridSpec(kSectionEgm10);
    s.gsi = DefaultGridSpec(kSectionGsi);
    s.dataFolder = data.Folder();
    window.SetGeoidModelItems(kDefaultModelList);
    TheFlags().initialized = true;
  }
  void Pick(const std::string& text) {
    window.SetGeoidModelText(text);
    ComboBoxGeoidSelect();
  }
  // A tiny GSIGEO ASCII grid around Tokyo.
  void WriteGsiAscii(const std::string& folder, const std::string& name) {
    testing::WriteBytes(folder + name, "35 139 0.5 0.5 3 3 1 test\n1 2 3\n4 5 6\n7 8 9\n");
  }
  TempDir data, elsewhere;
};

TEST_F(ModelSelection, CustomModelAlwaysAsksForItsFile) {
  TheSettings().customFname = "old.cdat";
  const std::string chosen = elsewhere.File("region.cdat");
  testing::WriteBytes(
      chosen, testing::CustomGridBytes(2, 3, 35, 139, 0.5, 0.5, [](int, int) { return 1.0f; }));
  window.dialogAnswers = {chosen};
  Pick("Custom Geoid");
  ASSERT_EQ(window.dialogsShown.size(), 1u);
  EXPECT_EQ(window.dialogsShown[0].SFilter, "Custom Geoid file(*.cdat)|*.cdat");
  EXPECT_EQ(window.dialogsShown[0].SInitDir, data.Folder());
  EXPECT_EQ(window.dialogsShown[0].SFileName, "");
  EXPECT_EQ(TheSettings().dataFolder, elsewhere.Folder());
  EXPECT_EQ(TheSettings().dataPath, elsewhere.Folder());
  EXPECT_EQ(TheSettings().customFname, "region.cdat");
  EXPECT_EQ(window.WaitingText(), "region.cdat");
  EXPECT_FALSE(window.SplineVisible());
  EXPECT_TRUE(TheFlags().useSpline);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_FALSE(TheActiveGrid().open);  // validated, then closed again
  EXPECT_FALSE(TheActiveGrid().file.IsOpen());
}

// With a preparer installed (the desktop program with the grid import) the
// Custom Geoid model takes other grids: the preparer's file opens, or its
// reason is shown.
TEST_F(ModelSelection, AnInstalledPreparerOpensOtherGridsAsTheCustomModel) {
  InstallCustomGridPreparer(
      [](const std::string& given, std::string& usable, std::string& error) {
        if (given.size() < 4 || given.compare(given.size() - 4, 4, ".gtx") != 0) {
          error = "not a grid";
          return false;
        }
        usable = given + ".cdat";
        testing::WriteBytes(usable, testing::CustomGridBytes(2, 3, 35, 139, 0.5, 0.5,
                                                             [](int, int) { return 7.0f; }));
        return true;
      },
      "*.gtx");
  struct Case {
    std::string file;
    bool opens;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {elsewhere.File("egm.gtx"), true, {}},
      {elsewhere.File("notes.txt"),
       false,
       {"Illegal Custom geoid file: \r\n\r\n" + elsewhere.File("notes.txt") +
        "\r\n\r\nnot a grid"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testing::WriteBytes(c.file, "a grid of another format");
    window.messages.clear();
    window.dialogAnswers = {c.file};
    Pick("Custom Geoid");
    EXPECT_EQ(window.dialogsShown.back().SFilter,
              "Custom Geoid file(*.cdat)|*.cdat|Geoid grid(*.gtx)|*.gtx|All files(*.*)|*.*");
    EXPECT_EQ(window.messages, c.messages);  // validated as it is picked
    SelectGeoidModel();
    EXPECT_EQ(TheActiveGrid().open, c.opens);
    CloseGrid();
  }
  InstallCustomGridPreparer(nullptr);
}

TEST_F(ModelSelection, CancellingTheCustomDialogOpensNothing) {
  Pick("Custom Geoid");
  EXPECT_EQ(window.dialogsShown.size(), 1u);
  EXPECT_EQ(TheSettings().customFname, "");
  EXPECT_EQ(window.WaitingText(), "");
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(TheSettings().dataFolder, data.Folder());
  SelectGeoidModel();
  EXPECT_FALSE(TheActiveGrid().open);
}

TEST_F(ModelSelection, MissingEgmFileIsLocatedElsewhere) {
  const GridSpec egm = DefaultGridSpec(kSectionEgm25);
  testing::WriteFramedGrid(elsewhere.File(egm.fname), 3, 4, [](int, int) { return 2.0f; });
  window.dialogAnswers = {elsewhere.File(egm.fname)};
  window.SetGeoidModelText("EGM2008 2.5'x2.5'");
  SelectGeoidModel();
  ASSERT_EQ(window.dialogsShown.size(), 1u);
  EXPECT_EQ(window.dialogsShown[0].SFilter, "Geoid file|" + egm.fname);
  EXPECT_EQ(window.dialogsShown[0].SFileName, egm.fname);
  EXPECT_EQ(TheSettings().dataPath, elsewhere.Folder());
  EXPECT_TRUE(TheActiveGrid().open);
  EXPECT_FALSE(window.SplineVisible());
}

TEST_F(ModelSelection, UnlocatedEgmFileReportsItsName) {
  Pick("EGM2008 1'x1'");
  EXPECT_EQ(window.messages, std::vector<std::string>{"Geoid file is not found: \r\n" +
                                                      DefaultGridSpec(kSectionEgm10).fname});
  EXPECT_FALSE(TheActiveGrid().open);
}

TEST_F(ModelSelection, LetterCaseOfTheBoxTextIsIgnored) {
  const GridSpec egm = DefaultGridSpec(kSectionEgm10);
  testing::WriteFramedGrid(data.File(egm.fname), 3, 4, [](int, int) { return 2.0f; });
  window.SetGeoidModelText("EGM2008 1'X1'");
  SelectGeoidModel();
  EXPECT_EQ(window.GeoidModelText(), "EGM2008 1'x1'");
  EXPECT_TRUE(TheActiveGrid().open);
  EXPECT_EQ(TheActiveGrid().nlon, 21600);
}

TEST_F(ModelSelection, UnknownTextShowsTheDefaultFileName) {
  const GridSpec egm = DefaultGridSpec(kSectionEgm10);
  testing::WriteFramedGrid(data.File(egm.fname), 3, 4, [](int, int) { return 2.0f; });
  window.SetGeoidModelText("EGM2008 1'x1'");
  SelectGeoidModel();
  window.SetGeoidModelText("no such model");
  SelectGeoidModel();
  EXPECT_EQ(window.GeoidModelText(), DefaultGridSpec(kSectionEgm25).fname);
  EXPECT_TRUE(TheActiveGrid().open);  // the open grid stays open
  EXPECT_TRUE(window.dialogsShown.empty());
}

TEST_F(ModelSelection, GsigeoCompanionAsciiOrAsk) {
  struct Case {
    const char* what;
    bool companion, ascii;
    size_t dialogs;
    bool opened;
  };
  const Case cases[] = {{"companion only", true, false, 0, true},
                        {"ASCII only", false, true, 0, true},
                        {"neither", false, false, 1, false}};
  for (const Case& c : cases) {
    TempDir folder;
    TheSettings().dataFolder = folder.Folder();
    window.dialogsShown.clear();
    if (c.ascii) WriteGsiAscii(folder.Folder(), "gsigeo2011_ver2_2.asc");
    if (c.companion) {  // converted earlier, the ASCII grid since removed
      WriteGsiAscii(folder.Folder(), "gsigeo2011_ver2_2.asc");
      std::optional<GridSpec> header;
      ASSERT_TRUE(ConvertGsiGrid(folder.File("gsigeo2011_ver2_2.asc"), header));
      std::filesystem::remove(folder.File("gsigeo2011_ver2_2.asc"));
    }
    window.SetSplineChecked(false);
    window.SetGeoidModelText("GSIGEO 2011 ver2.2");
    SelectGeoidModel();
    EXPECT_EQ(window.dialogsShown.size(), c.dialogs) << c.what;
    if (c.dialogs) {
      EXPECT_EQ(window.dialogsShown[0].SFilter, "Geoid file|gsigeo2011_ver2_2.asc") << c.what;
    }
    EXPECT_EQ(TheActiveGrid().open, c.opened) << c.what;
    EXPECT_EQ(window.SplineVisible(), c.opened) << c.what;
    EXPECT_EQ(TheFlags().useSpline, !c.opened) << c.what;  // the unticked box: bilinear
    CloseGrid();
  }
}

TEST_F(ModelSelection, EachFamilyOfGsiModelsKeepsItsSplineChoice) {
  struct Step {
    bool jgd2024;  // the family selected
    bool shown;    // the box's value then
    bool ticked;   // the user's value afterwards
  };
  window.SetSplineChecked(true);  // the GSIGEO choice as loaded
  const Step steps[] = {
      {true, false, true}, {false, true, false}, {true, true, true}, {false, false, false}};
  for (const Step& step : steps) {
    ShowSplineChoiceOf(step.jgd2024);
    EXPECT_EQ(window.SplineChecked(), step.shown) << step.jgd2024;
    window.SetSplineChecked(step.ticked);
  }
  EXPECT_TRUE(TheSettings().jgd2024Spline);
}

}  // namespace
}  // namespace orthelev
