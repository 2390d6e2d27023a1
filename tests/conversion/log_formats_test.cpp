#include "conversion/log_formats.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "program/settings_store.hpp"
#include "settings/settings.hpp"

namespace orthelev {
namespace {

std::string FilterOf(const char* nmea, const char* csv) {
  const FilterChoice choices[] = {{"NMEA", "NMEA file", nmea}, {"CSV", "CSV file", csv}};
  return BuildOpenFilter(choices);
}

TEST(BuildOpenFilter, MakesTheDialogFilterFromTheLists) {
  struct Case {
    const char* nmea;
    const char* csv;
    const char* expected;
  };
  const Case cases[] = {
      {".nme.nmea.nma.txt.text.ubx", ".csv.pos",
       "NMEA+CSV file (*.nme, *.nmea, *.nma, *.txt, *.text, *.ubx, *.csv, *.pos)"
       "|*.nme;*.nmea;*.nma;*.txt;*.text;*.ubx;*.csv;*.pos"
       "|NMEA file (*.nme, *.nmea, *.nma, *.txt, *.text, *.ubx)"
       "|*.nme;*.nmea;*.nma;*.txt;*.text;*.ubx"
       "|CSV file (*.csv, *.pos)|*.csv;*.pos|All file (*.*)|*.*"},
      {".NMEA.Txt", ".csv",
       "NMEA+CSV file (*.NMEA, *.Txt, *.csv)|*.NMEA;*.Txt;*.csv|NMEA file (*.NMEA, *.Txt)"
       "|*.NMEA;*.Txt|CSV file (*.csv)|*.csv|All file (*.*)|*.*"},
      {"", ".csv.pos",
       "NMEA+CSV file (, *.csv, *.pos)|;*.csv;*.pos|NMEA file ()||CSV file (*.csv, *.pos)"
       "|*.csv;*.pos|All file (*.*)|*.*"},
      {".nmea", "",
       "NMEA+CSV file (*.nmea)|*.nmea|NMEA file (*.nmea)|*.nmea|CSV file ()||All file (*.*)|*.*"},
      {".nmea", "csv.pos",
       "NMEA+CSV file (*.nmeacsv, *.pos)|*.nmeacsv;*.pos|NMEA file (*.nmea)|*.nmea"
       "|CSV file (v, *.pos)|v;*.pos|All file (*.*)|*.*"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FilterOf(c.nmea, c.csv), c.expected) << c.nmea << " / " << c.csv;
}

TEST(BuildOpenFilter, OffersEveryFormatOfTheTableFirstTogetherThenEachAlone) {
  TheSettings().Reset();
  for (const LogFormat& format : LogFormats())
    TheSettings().extensionLists[std::string(format.extensionKey)] = "";
  TheSettings().extensionLists["NMEAext"] = ".nmea";
  TheSettings().extensionLists["CSVext"] = ".csv";
  TheSettings().extensionLists["GPXext"] = ".gpx.GPX1";
  EXPECT_EQ(BuildOpenFilterFromSettings(),
            "NMEA+CSV+GPX file (*.nmea, *.csv, *.gpx, *.GPX1)|*.nmea;*.csv;*.gpx;*.GPX1"
            "|NMEA file (*.nmea)|*.nmea|CSV file (*.csv)|*.csv"
            "|GPX log file (*.gpx, *.GPX1)|*.gpx;*.GPX1|All file (*.*)|*.*");
  TheSettings().Reset();
}

TEST(LogFormatOf, LooksTheExtensionUpByRankCsvFirst) {
  struct Case {
    const char* path;
    const char* csv;
    const char* expected;  // format name; nullptr: unknown
  };
#ifdef _WIN32
  const char* inDottedWindowsFolder = "CSV";
#else
  const char* inDottedWindowsFolder = nullptr;  // "\" is part of the name
#endif
  const Case cases[] = {
      {"/logs/a.csv", ".csv.pos", "CSV"},
      {"/logs/A.POS", ".csv.pos", "CSV"},
      {"/logs/day1.NMEA", ".csv.pos", "NMEA"},
      {"/logs/day1.nmea.txt", ".csv.pos", "NMEA"},
      {"/logs/c.xyz", ".csv.pos", nullptr},
      {"/logs/a.cs", ".csv.pos", nullptr},
      {"/logs/a.sv", ".csv.pos", nullptr},
      {"/logs/noext", ".csv.pos", "CSV"},
      {"/logs.d/noext", ".csv.pos", "CSV"},
      {"C:\\logs.d\\noext", ".csv.pos", inDottedWindowsFolder},
      {"/logs/a.txt", ".CSV.Txt", "CSV"},
      {"/logs/ride.GPX", ".csv.pos", "GPX"},
      {"/logs/ride.gpx", ".csv.gpx", "CSV"},
      {"/logs/ride.gpxx", ".csv.pos", nullptr},
  };
  TheSettings().Reset();
  TheSettings().extensionLists["NMEAext"] = ".nme.nmea.nma.txt.text.ubx";
  TheSettings().extensionLists["GPXext"] = ".gpx";
  for (const Case& c : cases) {
    TheSettings().extensionLists["CSVext"] = c.csv;
    const LogFormat* format = LogFormatOf(c.path);
    EXPECT_STREQ(format ? format->name.data() : nullptr, c.expected) << c.path << " with " << c.csv;
  }
  TheSettings().extensionLists["GPXext"] = ".gpx.txt";
  EXPECT_EQ(LogFormatOf("/logs/day1.txt")->name, "GPX") << "GPX is looked at before NMEA";
  TheSettings().Reset();
}

// Each format's extensions, filter choice, converter, file type and fuzz
// target all come from its row of the table; the README's settings list
// names its key and defaults.
TEST(LogFormats, EachRowReachesEveryPlaceThatNamesFormats) {
  LoadDefaultSettings();
  const std::string filter = BuildOpenFilterFromSettings();
  const std::string mime = MimeInfoXml(), desktop = DesktopEntryMimeTypes();
  std::ifstream fuzzList(std::string(ORTHELEV_SOURCE_DIR) + "/fuzz/CMakeLists.txt");
  std::ifstream readmeFile(std::string(ORTHELEV_SOURCE_DIR) + "/README.md");
  std::stringstream fuzzTargets, readme;
  fuzzTargets << fuzzList.rdbuf();
  readme << readmeFile.rdbuf();
  std::string readmeText = readme.str();
  std::replace(readmeText.begin(), readmeText.end(), '\n', ' ');
  for (const LogFormat& format : LogFormats()) {
    SCOPED_TRACE(std::string(format.name));
    EXPECT_EQ(ExtensionListOf(format), format.defaultExtensions);
    const std::string ext(
        format.defaultExtensions.substr(0, format.defaultExtensions.find('.', 1)));
    EXPECT_EQ(LogFormatOf("/logs/x" + ext), &format);
    EXPECT_NE(filter.find("|" + std::string(format.dialogDescription) + " (*" + ext),
              std::string::npos);
    EXPECT_NE(format.convert, nullptr);
    EXPECT_NE(desktop.find(std::string(format.mime.type) + ";"), std::string::npos);
    if (!format.mime.comment.empty()) {
      EXPECT_NE(mime.find("type=\"" + std::string(format.mime.type) + "\""), std::string::npos);
    }
    std::string target(format.fuzzTarget);
    EXPECT_NE(fuzzTargets.str().find(" " + target.substr(0, target.rfind("_fuzz"))),
              std::string::npos);
    EXPECT_TRUE(
        std::filesystem::exists(std::string(ORTHELEV_SOURCE_DIR) + "/fuzz/" + target + ".cpp"));
    const std::string settingInReadme = "`" + std::string(format.extensionKey) + "` (`" +
                                        std::string(format.defaultExtensions) + "`)";
    EXPECT_NE(readmeText.find(settingInReadme), std::string::npos) << settingInReadme;
  }
  TheSettings().Reset();
}

}  // namespace
}  // namespace orthelev
