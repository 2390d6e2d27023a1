#include "conversion/batch.hpp"

#include <filesystem>

#include <gtest/gtest.h>

#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "models/model_selection.hpp"
#include "program/settings_store.hpp"
#include "support/grid_writer.hpp"
#include "support/nmea_text.hpp"
#include "support/posix_only.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

std::string Gga(int second) {
  return testing::Signed("$GPGGA,0000" + std::to_string(10 + second % 50) +
                         ",3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,") +
         "\r\n";
}

class BatchTest : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    Settings& s = TheSettings();
    s.programFolder = s.dataFolder = dir.Folder();
    LoadDefaultSettings();
    s.dataFolder = dir.Folder();
    WriteBytes(dir.File("world.cdat"),
               testing::CustomGridBytes(181, 360, -90, 0, 1, 1, [](int r, int c) {
                 return static_cast<float>(30 + 0.01 * r - 0.02 * c);
               }));
    s.customFname = "world.cdat";
    window.SetGeoidModelText("Custom Geoid");
    TheFlags().initialized = true;
  }
  std::string Log(const std::string& name, int sentences = 3) {
    std::string text;
    for (int i = 0; i < sentences; ++i) text += Gga(i);
    WriteBytes(dir.File(name), text);
    return dir.File(name);
  }
  void Run(const std::string& source) {
    window.SetSourceText(source);
    RunBatch();
  }
  // The last `count` lines of the displayed report.
  Lines Tail(size_t count) const {
    const Lines report = window.DisplayedReport();
    return Lines(report.end() - static_cast<long>(std::min(count, report.size())), report.end());
  }
  TempDir dir;
};

TEST_F(BatchTest, ReportOfConvertedSkippedAndUnknownFiles) {
  Run(Log("a.nmea") + ";" + Log("b_g.nmea") + ";" + dir.File("c.xyz"));
  const Lines report = window.DisplayedReport();
  ASSERT_GE(report.size(), 3u);
  EXPECT_EQ(report[0], " Geoid model: Custom Geoid");
  EXPECT_EQ(report[1], "");
  EXPECT_EQ(report[2], " NMEA: a.nmea");
  EXPECT_EQ(Tail(7),
            (Lines{"", " Done.", "", " Skip: b_g.nmea", "", "", " Unknown file type: c.xyz"}));
  EXPECT_EQ(window.StatusText(), " Unknown file type: c.xyz");
  EXPECT_TRUE(fs::exists(dir.File("a_g.nmea")));
  EXPECT_FALSE(fs::exists(dir.File("b_g_g.nmea")));
  EXPECT_FALSE(TheActiveGrid().open);
  EXPECT_TRUE(window.ConvertEnabled());
  EXPECT_FALSE(TheBatch().Clean());
  EXPECT_EQ(TheBatch().filesSkipped, 1);
  EXPECT_EQ(TheBatch().filesUnknown, 1);
}

TEST_F(BatchTest, GpxFilesGoToTheGpxConversionWithTheSameEndings) {
  const std::string point = "<trkpt lat=\"35.7\" lon=\"139.7\"><ele>50</ele></trkpt>";
  WriteBytes(dir.File("walk.GPX"), "<gpx creator=\"OpenTracks\"><trk>" + point + "</trk></gpx>");
  WriteBytes(dir.File("ride.gpx"),
             "<gpx creator=\"Garmin Edge 530\"><trk>" + point + "</trk></gpx>");
  Run(dir.File("walk.GPX") + ";" + dir.File("ride.gpx") + ";" + dir.File("walk_g.GPX"));
  const Lines report = window.DisplayedReport();
  const auto at = std::find(report.begin(), report.end(), " GPX: walk.GPX");
  ASSERT_NE(at, report.end());
  ASSERT_GE(report.end() - at, 4);
  EXPECT_EQ(at[1], "    1 records");
  EXPECT_EQ(at[2], "    Heights read as ellipsoidal (creator OpenTracks)");
  EXPECT_TRUE(at[3].starts_with("    Geoid diff.  ")) << at[3];
  EXPECT_EQ(Lines(at + 4, report.end()),
            (Lines{"", " Done.", "", " GPX: ride.gpx", "  MSL input without Geoid : ride.gpx", "",
                   " Done with error.", "", " Skip: walk_g.GPX"}));
  EXPECT_TRUE(fs::exists(dir.File("walk_g.GPX")));
  EXPECT_FALSE(fs::exists(dir.File("ride_g.gpx")));
  EXPECT_EQ(TheBatch().filesConverted, 1);
  EXPECT_EQ(TheBatch().filesFailed, 1);
}

TEST_F(BatchTest, EachFileEndsWithItsOwnOutcome) {
  // A skipped file and a failed one do not spoil the files after them.
  Run(";" + Log("a.nmea") + ";" + Log("x_g.nmea") + ";" + Log("d.nmea"));
  const Lines report = window.DisplayedReport();
  EXPECT_EQ(std::count(report.begin(), report.end(), " Done with error."), 1);
  EXPECT_EQ(std::count(report.begin(), report.end(), " Done."), 2);
  EXPECT_EQ(window.StatusText(), " 3 records done.");
  EXPECT_EQ(TheBatch().filesFailed, 1);
  EXPECT_EQ(TheBatch().filesConverted, 2);
  EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "show report"), 1);
}

// Which heights a file's conversion reads, and how it ends: evidence ->
// reading -> outcome, one row a file.
TEST_F(BatchTest, EachFileIsReadAsItsEvidenceSays) {
  const std::string fix = "$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,";
  const std::string gpx = "<?xml version=\"1.0\"?>\n<gpx creator=\"";
  const std::string point = "<trk><trkseg><trkpt lat=\"35.7\" lon=\"139.7\"><ele>50</ele>";
  const std::string end = "</trkpt></trkseg></trk></gpx>\n";
  const std::string rtklib =
      "%  GPST                  latitude(deg) longitude(deg)  height(m)   Q  ns\n"
      "2023/07/11 06:04:30.000   35.165361090  136.881408660    41.3910   1  12\n";
  struct Case {
    const char* file;
    std::string text;
    bool stated;          // HeightReference=ellipsoidal
    const char* line;     // a line of the file's report
    const char* outcome;  // its last line
  };
  const Case cases[] = {
      {"sep.nmea", testing::Signed(fix + "39.0,M,,"), false,
       "    Heights read as altitude + geoid separation", " Done."},
      {"nosep.nmea", testing::Signed(fix + ",M,,"), false,
       "    Nothing corrected: no sentence states its geoid separation; if the altitudes are "
       "ellipsoidal, state the heights ellipsoidal (HeightReference=ellipsoidal in the settings "
       "file, orthelev-cli --height-reference ellipsoidal)",
       " Nothing corrected."},
      {"nosep.log", testing::Signed(fix + ",M,,"), true,
       "    Heights read as ellipsoidal (stated by the user)", " Done."},
      {"geoid.csv", "LAT,LON,HEIGHT,Geoid\n35.7,139.7,50,39\n", false,
       "    Heights read as height + Geoid column", " Done."},
      {"p1.csv", "INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT\n1,T,1,1,35.7N,139.7E,5\n",
       false, "  MSL input without Geoid : p1.csv", " Done with error."},
      {"p1s.csv", "INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT\n1,T,1,1,35.7N,139.7E,5\n",
       true, "    Heights read as ellipsoidal (stated by the user)", " Done."},
      {"ref.csv", "Latitude (deg),Longitude (deg),Ellipsoid Height (m)\n35.7,139.7,50\n", false,
       "    Heights read as ellipsoidal (column Ellipsoid Height (m))", " Done."},
      {"ele.csv", "lat,lon,ele\n35.7,139.7,50\n", false,
       "    Heights read as ellipsoidal (logger profile Default)", " Done."},
      {"speed.csv", "lat,lon,speed\n35.7,139.7,5\n", false,
       "    Nothing corrected: no height column (its name is in no list of [CSVitem] Height)",
       " Nothing corrected."},
      {"unsaid.pos", rtklib, false, "  Height reference unknown : unsaid.pos", " Done with error."},
      {"said.pos", "% (lat/lon/height=WGS84/ellipsoidal,Q=1:fix)\n" + rtklib, false,
       "    Heights read as ellipsoidal (RTKLIB header)", " Done."},
      {"phone.gpx", gpx + "phone\">" + point + end, false, "  Height reference unknown : phone.gpx",
       " Done with error."},
      {"strava.gpx", gpx + "StravaGPX\">" + point + end, false,
       "  MSL input without Geoid : strava.gpx", " Done with error."},
      {"said.gpx",
       gpx + "OpenTracks\"><metadata><desc>heights above sea level</desc></metadata>" + point + end,
       false, "  MSL input without Geoid : said.gpx", " Done with error."},
      {"komoot.gpx", gpx + "komoot\">" + point + "<geoidheight>39</geoidheight>" + end, false,
       "    Heights read as <ele> + <geoidheight>", " Done."},
      {"gpx-as.dat", gpx + "OpenTracks\">" + point + end, false, " GPX: gpx-as.dat", " Done."},
      {"nmea-named", testing::Signed(fix + "39.0,M,,"), false, " NMEA: nmea-named", " Done."},
      {"text.dat", "nothing to see\n", false, " Unknown file type: text.dat",
       " Unknown file type: text.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TheSettings().heightReference =
        c.stated ? HeightReference::Ellipsoidal : HeightReference::AsFileSays;
    WriteBytes(dir.File(c.file), c.text);
    RunBatchOf({dir.File(c.file)});
    const Lines report = window.DisplayedReport();
    EXPECT_NE(std::find(report.begin(), report.end(), c.line), report.end());
    EXPECT_EQ(report.back(), c.outcome);
  }
}

TEST_F(BatchTest, ListEdgeCases) {
  struct Case {
    const char* what;
    std::string source;
    Lines tail;
  };
  const std::string a = Log("a.nmea");
  const Case cases[] = {
      {"empty source", "", {" Geoid model: Custom Geoid", ""}},
      {"trailing separator", "  " + a + " ; ", {"", " Done.", ""}},
      {"upper-case extension", Log("LOG.NMEA"), {"", " Done."}},
      {"longer extension", dir.File("log.nmeax"), {"", " Unknown file type: log.nmeax"}},
  };
  for (const Case& c : cases) {
    window.reportLines.clear();
    window.statuses.clear();
    Run(c.source);
    EXPECT_EQ(Tail(c.tail.size()), c.tail) << c.what;
  }
}

// A grid of another format picked as the Custom Geoid (the desktop keeps
// its name in the settings) is opened as its prepared file, whose metadata
// the report's model line tells.
TEST_F(BatchTest, AGridOfAnotherFormatIsNamedByItsPreparedFile) {
  std::string prepared =
      testing::CustomGridBytes(2, 2, 35, 139, 1, 1, [](int, int) { return 30.0F; });
  prepared.insert(prepared.size() - kCustomTrailerBytes,
                  CustomMetadataBlock({{"source", "egm.gtx"}, {"imported", "2026-12-10"}}));
  WriteBytes(dir.File("egm.gtx.cdat"), prepared);
  WriteBytes(dir.File("egm.gtx"), "a grid of another format");
  TheSettings().customFname = "egm.gtx";
  InstallCustomGridPreparer([](const std::string& given, std::string& usable, std::string&) {
    usable = given + ".cdat";
    return true;
  });
  Run("");
  InstallCustomGridPreparer(nullptr);
  EXPECT_EQ(window.DisplayedReport().at(0),
            " Geoid model: Custom Geoid, from egm.gtx, imported 2026-12-10");
}

TEST_F(BatchTest, EmptySourceLeavesTheModelOpenAndNoStatus) {
  Run("");
  EXPECT_EQ(window.DisplayedReport(), (Lines{" Geoid model: Custom Geoid", ""}));
  EXPECT_TRUE(window.statuses.empty());
  EXPECT_TRUE(TheActiveGrid().open);
  EXPECT_TRUE(TheBatch().Clean());
}

TEST_F(BatchTest, PostfixDecidesSkipsCaseSensitively) {
  ORTHELEV_POSIX_ONLY("names that differ only in letter case (Windows folders ignore case)");
  Run(Log("track_g.nmea") + ";" + Log("track_G.nmea"));
  EXPECT_TRUE(fs::exists(dir.File("track_G_g.nmea")));
  EXPECT_FALSE(fs::exists(dir.File("track_g_g.nmea")));
  TheSettings().postfix = "../elsewhere";  // never leaves the input's folder
  Run(Log("walk.nmea"));
  EXPECT_TRUE(fs::exists(dir.File("walk_g.nmea")));
  EXPECT_EQ(window.StatusText(), " 3 records done.");
}

TEST_F(BatchTest, EscStopsTheBatchBeforeTheNextFile) {
  struct Case {
    const char* what;
    bool lastFile;
    Lines tail;
  };
  for (const Case& c : {Case{"with a file after it", false, {"", "", " *** Aborted by user ***"}},
                        Case{"during the last file", true, {"", " *** Aborted by user ***"}}}) {
    int calls = 0;
    window.onPendingEvents = [&] {
      if (++calls == 2) TheFlags().abortRequested = true;  // at the first progress point
    };
    fs::remove(dir.File("next_g.nmea"));
    const std::string big = Log("big.nmea", 3000);
    Run(c.lastFile ? big : big + ";" + Log("next.nmea"));
    EXPECT_EQ(Tail(c.tail.size()), c.tail) << c.what;
    EXPECT_EQ(window.StatusText(), " *** Aborted by user ***") << c.what;
    EXPECT_FALSE(fs::exists(dir.File("next_g.nmea"))) << c.what;
    EXPECT_TRUE(TheBatch().aborted);
    EXPECT_FALSE(TheActiveGrid().open);
  }
}

TEST_F(BatchTest, StrayEscIsForgottenAndNestedStartsIgnored) {
  TheFlags().abortRequested = true;              // Esc pressed while no batch ran
  window.onPendingEvents = [&] { RunBatch(); };  // Enter or a drop during the batch
  Run(Log("a.nmea"));
  EXPECT_EQ(window.StatusText(), " 3 records done.");
  const Lines report = window.DisplayedReport();
  EXPECT_EQ(std::count(report.begin(), report.end(), " Geoid model: Custom Geoid"), 1);
}

TEST_F(BatchTest, ModelThatCannotOpenLeavesTheReport) {
  window.reportLines = {"earlier report"};
  TheSettings().customFname = "missing.cdat";
  Run(Log("a.nmea"));
  EXPECT_EQ(window.reportLines, Lines{"earlier report"});
  EXPECT_TRUE(window.ConvertEnabled());
  EXPECT_FALSE(fs::exists(dir.File("a_g.nmea")));
  EXPECT_FALSE(TheBatch().modelOpened);
}

TEST_F(BatchTest, HiddenStartShowsNoReport) {
  TheFlags().startHidden = true;
  Run(dir.File("absent.nmea"));
  EXPECT_EQ(window.StatusText(), " Done with error.");
  EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "show report"), 0);
}

}  // namespace
}  // namespace orthelev
