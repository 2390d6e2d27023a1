#include "program/settings_store.hpp"

#include <algorithm>
#include <filesystem>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "conversion/logger_profiles.hpp"
#include "flags/program_flags.hpp"
#include "ini/profile_file.hpp"
#include "settings/settings.hpp"
#include "support/environment.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Lines = std::vector<std::string>;

class SettingsStore : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    Settings& s = TheSettings();
    s.versionTitle = VersionTitle();
    s.programFolder = dir.Folder();
    s.settingsFileName = dir.File("orthelev.ini");
  }
  // Loads a settings file of the given lines (UTF-8, CR LF).
  void LoadLines(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    WriteBytes(TheSettings().settingsFileName, text);
    ASSERT_TRUE(LoadSettings());
  }
  std::optional<std::string> Stored(const char* section, const char* key) {
    ProfileFile file;
    EXPECT_TRUE(file.Load(TheSettings().settingsFileName));
    return file.Find(section, key);
  }
  TempDir dir;
};

TEST_F(SettingsStore, FirstRunCreatesTheFileAndSavesEveryKey) {
  ASSERT_TRUE(LoadSettings());
  EXPECT_EQ(ReadBytes(TheSettings().settingsFileName), "\xFF\xFE");
  const Settings& s = TheSettings();
  EXPECT_EQ(s.decimal, "4");
  EXPECT_EQ(s.postfix, "_g");
  EXPECT_EQ(s.dataFolder, dir.Folder());
  EXPECT_EQ(s.dataPath, "");
  EXPECT_EQ(s.egm25, DefaultGridSpec(kSectionEgm25));
  EXPECT_EQ(s.gsi, DefaultGridSpec(kSectionGsi));
  EXPECT_EQ(s.mainTop, (1040 - 220) / 2);  // centred in the work area
  EXPECT_EQ(s.mainLeft, (1920 - 550) / 2);
  EXPECT_EQ(window.GeoidModelItems().size(), 10u);
  EXPECT_FALSE(window.SplineVisible());
  EXPECT_FALSE(s.csvInfo.empty());  // the default logger profiles
  EXPECT_EQ(s.browseDialog.SInitDir, dir.Folder());
  EXPECT_EQ(s.browseDialog.SFilter.substr(0, 20), "NMEA+CSV+GPX file (*");

  window.SetMainTopLeft(410, 685);
  ASSERT_TRUE(SaveSettings());
  const std::string bytes = ReadBytes(TheSettings().settingsFileName);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  ProfileFile file;
  ASSERT_TRUE(file.Load(TheSettings().settingsFileName));
  EXPECT_EQ(file.Encoding(), ProfileEncoding::Utf16Le);
  const char* sections[] = {"Option",       "EGM2008_25", "EGM2008_10",     "GSI",
                            "Custom Geoid", "CSVitem",    "Font",           "CSV_Info",
                            "CSV_Option",   "GPX_MSL",    "GPX_Ellipsoidal"};
  for (const char* section : sections) EXPECT_TRUE(file.HasSection(section)) << section;
  EXPECT_EQ(file.SectionKeys("Option"),
            (Lines{"Version", "GeoidModel", "Decimal", "Postfix", "DataPath", "OpenPath",
                   "HeightReference", "NMEAext", "CSVext", "GPXext", "MainTop", "MainLeft",
                   "Latitude", "Longitude"}));
  EXPECT_EQ(file.Find("Option", "Version"), "Orthelev Ver2.07");
  EXPECT_EQ(file.Find("Option", "MainLeft"), "685");
  EXPECT_EQ(file.Find("EGM2008_25", "dgla"), "0.0416666666666667");
  EXPECT_EQ(file.Find("GSI", "Spline"), "0");
}

TEST_F(SettingsStore, OptionValuesAreNormalised) {
  struct Case {
    Lines lines;
    std::string decimal, postfix, dataPath, dataFolder;
  };
  const std::string program = dir.Folder();
  const Case cases[] = {
      {{"[Option]", "Decimal=0", "Postfix=   "}, "4", "_g", "", program},
      {{"[Option]", "Decimal=-3", "DataPath=/data/geoid"},
       "4",
       "_g",
       "/data/geoid/",
       "/data/geoid/"},
      {{"[Option]", "Decimal=abc", "DataPath=D:"}, "4", "_g", "D:", "D:"},
      {{"[Option]", "Decimal=", "DataPath=/data/geoid/"},
       "4",
       "_g",
       "/data/geoid/",
       "/data/geoid/"},
      {{"[Option]", "Decimal= 6 ", "Postfix= _corr "}, "6", "_corr", "", program},
  };
  for (const Case& c : cases) {
    TheSettings().Reset();
    SetUp();
    LoadLines(c.lines);
    const Settings& s = TheSettings();
    EXPECT_EQ(s.decimal, c.decimal) << c.lines[1];
    EXPECT_EQ(s.postfix, c.postfix) << c.lines[1];
    // A separator added to the DataPath is the system's own.
    EXPECT_EQ(testing::Slashed(s.dataPath), testing::Slashed(c.dataPath)) << c.lines[1];
    EXPECT_EQ(testing::Slashed(s.dataFolder), testing::Slashed(c.dataFolder)) << c.lines[1];
  }
}

TEST_F(SettingsStore, EmptyValuesAndDefaults) {
  LoadLines({"[Option]", "NMEAext=", "[EGM2008_25]", "fname=", "nrows=0x10", "dgla=1.5x", "[GSI]",
             "fname=", "title=Mine", "[Font]", "Charset=300"});
  const Settings& s = TheSettings();
  EXPECT_EQ(s.extensionLists.at("NMEAext"), "");
  EXPECT_EQ(s.extensionLists.at("CSVext"), ".csv.pos");
  EXPECT_EQ(s.egm25.fname, DefaultGridSpec(kSectionEgm25).fname);
  EXPECT_EQ(s.egm25.nrows, 16);
  EXPECT_EQ(s.egm25.dgla, 1.0 / 24);
  EXPECT_EQ(s.gsi.fname, "");
  EXPECT_EQ(window.GeoidModelItems(),
            (Lines{"Custom Geoid", "EGM2008 2.5'x2.5'", "EGM2008 1'x1'", "Mine"}));
  EXPECT_EQ(s.font.charset, 44);
}

TEST_F(SettingsStore, SplineBoxFollowsTheRestoredModel) {
  struct Case {
    const char* model;
    bool visible;
  };
  for (const Case& c :
       {Case{"GeoidModel=gsigeo 2011 VER2.1", true}, Case{"GeoidModel=EGM2008 1'x1'", false},
        Case{"GeoidModel=no such model", false}}) {
    LoadLines({"[Option]", c.model, "[GSI]", "Spline=1"});
    EXPECT_EQ(window.SplineVisible(), c.visible) << c.model;
    EXPECT_TRUE(window.SplineChecked());
  }
}

TEST_F(SettingsStore, MigratesOldFilesOnce) {
  const Lines old = {"[Option]",
                     "Version=Orthelev Ver1.08",
                     "iBluemask=1",
                     "[GSI]",
                     "title=GSIGEO 2000",
                     "fname=gsigeo2000.asc",
                     "[CSVitem]",
                     "Latitude=lat,Latitude(deg)",
                     "[GSI2000]",
                     "nrows=1",
                     "fname=x",
                     "other=kept",
                     "[CustomGeoid]",
                     "fname=y.cdat",
                     "[Tail]",
                     "a=b"};
  LoadLines(old);
  const Settings& s = TheSettings();
  EXPECT_EQ(s.gsi.title, DefaultGridSpec(kSectionGsi).title);
  EXPECT_EQ(s.gsi.fname, DefaultGridSpec(kSectionGsi).fname);
  EXPECT_EQ(s.csvItems.latitude, "lat,Latitude(deg),Latitude (deg)");
  EXPECT_EQ(s.extensionLists.at("NMEAext"), ".nme.nmea.nma.txt.text.ubx.log");
  EXPECT_EQ(window.GeoidModelItems().size(), 10u);
  ProfileFile file;
  ASSERT_TRUE(file.Load(s.settingsFileName));
  EXPECT_FALSE(file.HasSection("GSI2000"));
  EXPECT_FALSE(file.HasSection("CustomGeoid"));
  EXPECT_EQ(file.Find("Option", "iBluemask"), "1");  // only files before 1.07 lose it
  EXPECT_EQ(file.Find("Tail", "a"), "b");
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(Stored("Option", "Version"), "Orthelev Ver2.07");
}

TEST_F(SettingsStore, MigrationAddsMissingCsvTitles) {
  struct Case {
    const char* latitude;
    const char* migrated;
  };
  for (const Case& c :
       {Case{"lat,Latitude(deg),latitude (DEG)", "lat,Latitude(deg),latitude (DEG)"},
        Case{"LATITUDE(DEG)X", "LATITUDE(DEG)X,latitude(deg),Latitude (deg)"},
        Case{"", ",latitude(deg),Latitude (deg)"}}) {
    LoadLines({"[Option]", "Version=Orthelev Ver1.05", "iBluemask=1", "[CSVitem]",
               std::string("Latitude=") + c.latitude});
    EXPECT_EQ(TheSettings().csvItems.latitude, c.migrated) << c.latitude;
    EXPECT_EQ(Stored("Option", "iBluemask"), std::nullopt);
  }
}

TEST_F(SettingsStore, LaterVersionsAreNotMigrated) {
  LoadLines({"[Option]", "Version=Orthelev Ver9.99", "[GSI]", "fname=mine.asc"});
  EXPECT_EQ(TheSettings().gsi.fname, "mine.asc");
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(Stored("Option", "Version"), "Orthelev Ver2.07");
}

TEST_F(SettingsStore, GsiListsAsShippedGainTheJgd2024Models) {
  const GridSpec gsi = DefaultGridSpec(kSectionGsi);
  struct Case {
    std::string title, fname;  // as stored
    std::string loadedTitle, loadedFname;
  };
  const std::string oldTitles(defaults::kGsiTitles2011), oldFiles(defaults::kGsiFiles2011);
  const Case cases[] = {
      {oldTitles, oldFiles, gsi.title, gsi.fname},
      {oldTitles + ";Mine", oldFiles + ";mine.asc", oldTitles + ";Mine", oldFiles + ";mine.asc"},
      {oldTitles, "mine.asc", oldTitles, "mine.asc"},
  };
  for (const Case& c : cases) {
    LoadLines(
        {"[Option]", "Version=Orthelev Ver2.07", "[GSI]", "title=" + c.title, "fname=" + c.fname});
    EXPECT_EQ(TheSettings().gsi.title, c.loadedTitle);
    EXPECT_EQ(TheSettings().gsi.fname, c.loadedFname);
  }
}

TEST_F(SettingsStore, HiddenStartKeepsTheStoredPosition) {
  LoadLines({"[Option]", "MainTop=123", "MainLeft=456"});
  TheFlags().startHidden = true;
  window.SetMainTopLeft(0, 0);
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(Stored("Option", "MainTop"), "123");
  EXPECT_EQ(Stored("Option", "MainLeft"), "456");
}

TEST_F(SettingsStore, SavedValuesLoadBackTheSame) {
  LoadLines({"[Option]", "Postfix=_corr", "Latitude=N 35.5", "[GSI]", "glamn=20.5", "Spline=1",
             "[Custom Geoid]", "fname=region.cdat"});
  TheSettings().gsi.dglo = 1.0 / 24;
  TheSettings().dataPath = "/data/geoid/";
  ASSERT_TRUE(SaveSettings());
  const Settings saved = TheSettings();
  TheSettings().Reset();
  SetUp();
  window.SetLatitudeText("");
  ASSERT_TRUE(LoadSettings());
  const Settings& s = TheSettings();
  EXPECT_EQ(s.postfix, "_corr");
  // Reals keep 15 significant digits: 1/24 comes back within 1e-16 of itself.
  EXPECT_EQ(s.gsi.nlat, saved.gsi.nlat);
  EXPECT_EQ(s.gsi.glamn, 20.5);
  EXPECT_NEAR(s.gsi.dglo, 1.0 / 24, 1e-16);
  EXPECT_NEAR(s.gsi.dgla, 1.0 / 60, 1e-16);
  EXPECT_EQ(s.customFname, "region.cdat");
  EXPECT_EQ(s.dataPath, "/data/geoid/");
  EXPECT_EQ(s.csvInfo, saved.csvInfo);
  EXPECT_EQ(window.LatitudeText(), "N 35.5");
  EXPECT_TRUE(window.SplineChecked());
}

TEST_F(SettingsStore, LoggerProfileRowsComeFirstAndDefaultsCompleteThem) {
  // An emptied row switches a profile off, and the save keeps it empty.
  LoadLines({"[Option]", "GPXext=.gpx.xml", "[GPX_MSL]", "Edge=0", "My Logger=1",
             "Oregon=", "[CSV_Info]", "Wintec=", "[CSV_Option]", "wintec="});
  const Settings& s = TheSettings();
  EXPECT_EQ(s.extensionLists.at("GPXext"), ".gpx.xml");
  ASSERT_GE(s.gpxMsl.size(), 4u);
  EXPECT_EQ(s.gpxMsl[0], "Edge=0");
  EXPECT_EQ(s.gpxMsl[1], "My Logger=1");
  EXPECT_EQ(s.gpxMsl[2], "Oregon=");
  EXPECT_EQ(s.gpxMsl[3], "Garmin=1");
  EXPECT_EQ(std::count(s.gpxMsl.begin(), s.gpxMsl.end(), "Edge=1"), 0);

  using enum CreatorWrites;
  const std::pair<const char*, CreatorWrites> creators[] = {
      {"Garmin Connect", SeaLevel},
      {"eTrex 30x", SeaLevel},
      {"GPSMAP64s", SeaLevel},           // a model number right after the word
      {"Garmin Edge 530", Ellipsoidal},  // the user's row for Edge comes first: "=0"
      {"my logger v2", SeaLevel},        // letter case ignored
      {"OpenTracks (Debug)", Ellipsoidal},
      {"GPSBabel - https://www.gpsbabel.org", Unknown},
      {"KnowledgeBase", Unknown},  // not a word of its own
      {"MyOregonTrail", Unknown},
      {"Oregon 700", Unknown},  // switched off
      {"", Unknown},
  };
  for (const auto& [creator, writes] : creators)
    EXPECT_EQ(CreatorHeightReference(creator).writes, writes) << creator;

  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(Stored("Option", "GPXext"), ".gpx.xml");
  EXPECT_EQ(Stored("GPX_MSL", "Edge"), "0");
  EXPECT_EQ(Stored("GPX_MSL", "BaseCamp"), "1");
  for (const auto& [section, key] :
       {std::pair{"GPX_MSL", "Oregon"}, std::pair{"CSV_Info", "Wintec"},
        std::pair{"CSV_Option", "wintec"}})
    EXPECT_EQ(Stored(section, key), "") << section;
  EXPECT_EQ(Stored("CSV_Option", "M-241"), "0,1,0");
}

TEST_F(SettingsStore, ReadOnlyLoadLeavesTheFileAlone) {
  EXPECT_TRUE(LoadSettings(SettingsAccess::ReadOnly));  // no file: defaults
  EXPECT_FALSE(std::filesystem::exists(TheSettings().settingsFileName));
  EXPECT_EQ(TheSettings().postfix, "_g");
  const std::string old = "[Option]\r\nVersion=Orthelev Ver1.05\r\niBluemask=1\r\n";
  WriteBytes(TheSettings().settingsFileName, old);
  EXPECT_TRUE(LoadSettings(SettingsAccess::ReadOnly));
  EXPECT_EQ(ReadBytes(TheSettings().settingsFileName), old);
  EXPECT_EQ(TheSettings().gsi.fname, DefaultGridSpec(kSectionGsi).fname);  // migrated in memory
}

TEST_F(SettingsStore, FontScalesWithTheDisplay) {
  window.SetDisplayDpi(144);
  LoadLines({"[Font]", "FontSize=8", "FontName=Noto Sans"});
  EXPECT_EQ(window.Font().sizePoints, 5);
  EXPECT_EQ(window.Font().name, "Noto Sans");
  EXPECT_EQ(TheSettings().font.sizePoints, 8);  // the setting itself is kept
}

TEST_F(SettingsStore, JapaneseLocaleFontDefaults) {
  const char* saved = getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  testing::SetEnvironment("LC_ALL", "ja_JP.UTF-8");
  EXPECT_TRUE(UserLocaleIsJapanese());
  LoadLines({"[Option]"});
  EXPECT_EQ(TheSettings().font.charset, 128);
  testing::SetEnvironment("LC_ALL", "de_DE.UTF-8");
  EXPECT_FALSE(UserLocaleIsJapanese());
  if (saved)
    testing::SetEnvironment("LC_ALL", keep);
  else
    testing::UnsetEnvironment("LC_ALL");
}

TEST(ListToLines, SplitsAndTrims) {
  EXPECT_EQ(ListToLines("a;b;"), "a\r\nb");
  EXPECT_EQ(ListToLines(" a;;b"), "a\r\n\r\nb");
  EXPECT_EQ(ListToLines(""), "");
  EXPECT_EQ(ListToLines(";"), "");
}

}  // namespace
}  // namespace orthelev
