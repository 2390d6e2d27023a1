#include "conversion/csv_layout.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"
#include "csv_test_files.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;

std::vector<std::string> Items(const CsvFields& fields, std::int32_t count) {
  return std::vector<std::string>(fields.begin(), fields.begin() + count);
}

TEST(SplitCsvFields, SplitsTrimsAndCaps) {
  const std::string thirty =
      "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30";
  struct Case {
    std::string text;
    std::vector<std::string> items;
  } cases[] = {
      {"a, b ,c", {"a", "b", "c"}},
      {"   ", {""}},
      {"a,", {"a", ""}},
      {",,", {"", "", ""}},
      {"\t x \r,\x01y", {"x", "y"}},
      {"\"1,5\",m", {"\"1", "5\"", "m"}},  // quotes do not protect commas
      {"\x82\xA0,\xE9t\xE9", {"\x82\xA0", "\xE9t\xE9"}},
      {thirty, {"1",  "2",  "3",  "4",  "5",
                "6",  "7",  "8",  "9",  "10",
                "11", "12", "13", "14", "15",
                "16", "17", "18", "19", "20",
                "21", "22", "23", "24", "25,26,27,28,29,30"}},
  };
  for (const Case& c : cases) {
    CsvFields fields;
    fields.fill("old");
    const std::int32_t count = SplitCsvFields(c.text, fields);
    EXPECT_EQ(Items(fields, count), c.items) << c.text;
    for (std::int32_t k = count; k < kMaxCsvFields; ++k) EXPECT_EQ(fields[k], "") << c.text;
  }
  CsvFields fields;
  fields.fill("old");
  EXPECT_EQ(SplitCsvFields("", fields), 0);
  EXPECT_EQ(fields[0], "old");
}

TEST(NormaliseHeaderLine, DropsPercentTrimsUpperCasesAndClosesCommas) {
  EXPECT_EQ(NormaliseHeaderLine("%  GPST,latitude(deg)"), "GPST,LATITUDE(DEG)");
  EXPECT_EQ(NormaliseHeaderLine("lat  ,   lon , x y"), "LAT,LON,X Y");
  EXPECT_EQ(NormaliseHeaderLine("%%a"), "%A");
  EXPECT_EQ(NormaliseHeaderLine(" %a"), "%A");  // the "%" must come first
  EXPECT_EQ(NormaliseHeaderLine("\xE9t\xE9,b"), "\xE9T\xE9,B");
}

class HeaderLineTest : public CsvFixture {};

TEST_F(HeaderLineTest, FindsColumnsByTitle) {
  struct Case {
    std::string line;
    bool found;
    CsvColumns columns;
    bool gpstDate;
  } cases[] = {
      {"%  GPST,latitude(deg),longitude(deg),height(m)", true, {0, 2, 0, 3, 0, 4, 0, 1}, true},
      {"INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT,SPEED,HEADING,VOX",
       true,
       {0, 5, 0, 6, 0, 7, 0, 3},
       false},
      {"INDEX,RCR,DATE,TIME,VALID,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT,SPEED,DISTANCE,",
       true,
       {5, 6, 7, 8, 9, 10, 0, 3},
       false},
      {"lat , LON", true, {0, 1, 0, 2, 0, 0, 0, 0}, false},
      {"LAT,LON", true, {0, 1, 0, 2, 0, 0, 0, 0}, false},
      {"Latitude (deg),Longitude (deg),Ellipsoid Height (m)",
       true,
       {0, 1, 0, 2, 0, 3, 0, 0},
       false},
      {"Lat,Lon,Alt,Altitude", true, {0, 1, 0, 2, 0, 4, 0, 0}, false},
      {"DATE,LATITUDE,LONGITUDE,HEIGHT,Geoid", true, {0, 2, 0, 3, 0, 4, 5, 1}, false},
      {"UTC,GPST,Lat,Lon", true, {0, 3, 0, 4, 0, 0, 0, 2}, true},
      {"GPST,UTC,Lat,Lon", true, {0, 3, 0, 4, 0, 0, 0, 2}, false},
      {"Lat", false, {0, 1, 0, 0, 0, 0, 0, 0}, false},
      {"title of the track", false, {}, false},
  };
  for (const Case& c : cases) {
    CsvLayout layout;
    EXPECT_EQ(ExamineHeaderLine(layout, c.line, TheSettings().csvItems), c.found) << c.line;
    const CsvColumns& got = layout.columns;
    EXPECT_EQ((std::vector{got.valid, got.latitude, got.ns, got.longitude, got.ew, got.height,
                           got.geoid, got.date}),
              (std::vector{c.columns.valid, c.columns.latitude, c.columns.ns, c.columns.longitude,
                           c.columns.ew, c.columns.height, c.columns.geoid, c.columns.date}))
        << c.line;
    EXPECT_EQ(layout.gpstDate, c.gpstDate) << c.line;
  }
}

TEST_F(HeaderLineTest, NoColumnFromItem25On) {
  std::string items23;
  for (int k = 1; k <= 23; ++k) items23 += "X" + std::to_string(k) + ",";
  CsvLayout layout;
  EXPECT_FALSE(ExamineHeaderLine(layout, items23 + "X24,LAT,LON", TheSettings().csvItems));
  EXPECT_EQ(layout.columns.latitude, 0);
  EXPECT_EQ(layout.fields[24], "LAT,LON");
  EXPECT_TRUE(ExamineHeaderLine(layout, "LON," + items23 + "LAT", TheSettings().csvItems));
  EXPECT_EQ(layout.columns.latitude, 25);
}

TEST_F(HeaderLineTest, TitleListsAreMatchedAsWritten) {
  // An entry written with a blank after its comma keeps that blank.
  TheSettings().csvItems.latitude = "Breite, Lat2";
  TheSettings().csvItems.longitude = "laenge";
  CsvLayout layout;
  EXPECT_TRUE(ExamineHeaderLine(layout, "breite,LAENGE", TheSettings().csvItems));
  EXPECT_FALSE(ExamineHeaderLine(layout, "lat2,laenge", TheSettings().csvItems));
}

class LoggerProfileTest : public CsvFixture {
 protected:
  std::string Identify(const std::string& headerLine) {
    CsvLayout layout;
    ExamineHeaderLine(layout, headerLine, TheSettings().csvItems);
    return IdentifyLogger(layout.fields, layout.fieldCount);
  }
  std::int32_t Score(const std::string& signature, const std::string& headerLine) {
    CsvLayout layout;
    ExamineHeaderLine(layout, headerLine, TheSettings().csvItems);
    return LoggerScore(NormaliseHeaderLine(signature), layout.fields, layout.fieldCount);
  }
};

TEST_F(LoggerProfileTest, ScoresAndIdentifies) {
  const std::string wintec =
      "Order,Date Created,Bearing,Elevation,Distance from Start,Distance from Last";
  struct Case {
    std::string header;
    std::string signature;
    std::int32_t score;
    std::string profile;
  } cases[] = {
      {"INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT,SPEED,HEADING,VOX",
       "TAG,LATITUDE N/S,LONGITUDE E/W,VOX", 100, "V-900, VGPS-900"},
      {"Order,Date Created,Bearing,Elevation,Lat,Lon", wintec, 66, "Default"},
      {"Order,Date Created,Bearing,Elevation,Distance from Start,Lat,Lon", wintec, 83, "Wintec"},
      {"Date / Time,Lat,Lon,Altitude,Ground Speed", "Date / Time,Altitude,Ground Speed", 100,
       "GT-730FL-S"},
      {"Lat,Lon,M-241", "M-241", 100, "M-241"},
      {"Lat,Lon,Lat,Lon,TAG,TAG,VOX", "TAG,LATITUDE N/S,LONGITUDE E/W,VOX", 75, "Default"},
      {"TAG,TAG,VOX,VOX,Lat", "TAG,LATITUDE N/S,LONGITUDE E/W,VOX", 100, "V-900, VGPS-900"},
      {"%  GPST,latitude(deg),longitude(deg),height(m)", "M-241", 0, "Default"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Score(c.signature, c.header), c.score) << c.header;
    EXPECT_EQ(Identify(c.header), c.profile) << c.header;
  }
  CsvFields none;
  EXPECT_EQ(LoggerScore("", none, 0), 0);
}

TEST_F(LoggerProfileTest, SettingsRowsComeFirstAndEmptySignaturesScoreZero) {
  TheSettings().csvInfo = {"Wintec=", "Mine=LAT,LON,CUSTOM", "GPSport 245=SPORT,LAT"};
  TheSettings().csvOption.clear();
  MergeDefaultProfiles();
  ASSERT_EQ(TheSettings().csvInfo.size(), 10u);  // the emptied Wintec row is kept: it is off
  EXPECT_EQ(TheSettings().csvInfo[0], "Wintec=");
  EXPECT_EQ(Identify("Order,Date Created,Bearing,Elevation,Distance from Start,Lat,Lon"),
            "Default");
  EXPECT_EQ(Identify("Lat,Lon,Custom"), "Mine");
  EXPECT_EQ(Identify("Lat,Lon,sport"), "GPSport 245");
  ReadLoggerOptions("GPSport 245");
  EXPECT_TRUE(TheConversion().mslWithoutGeoid);
  ReadLoggerOptions("Mine");
  EXPECT_FALSE(TheConversion().mslWithoutGeoid);
  EXPECT_EQ(TheConversion().profileName, "Mine");
}

TEST_F(LoggerProfileTest, MergeAppendsDefaultsInOrderOnce) {
  TheSettings().csvInfo.clear();
  TheSettings().csvOption.clear();
  MergeDefaultProfiles();
  MergeDefaultProfiles();
  const std::vector<std::string> info = {
      "Wintec=Order,Date Created,Bearing,Elevation,Distance from Start,Distance from Last",
      "V-900, VGPS-900=TAG,LATITUDE N/S,LONGITUDE E/W,VOX",
      "M-241=M-241",
      "M-241 Ver1.12=M-241 Ver1.12",
      "M-241 Ver1.13=M-241 Ver1.13",
      "GT-730FL-S=Date / Time,Altitude,Ground Speed",
      "Columbus P-1=TAG,LATITUDE N/S,LONGITUDE E/W",
      "OpenTracks=#time,trackpoint_type,latitude,longitude,altitude"};
  const std::vector<std::string> options = {
      "Default=0,0,0",          "Wintec=1,1,0",        "V-900, VGPS-900=0,1,1", "M-241=0,1,0",
      "M-241 Ver1.12=0,1,0",    "M-241 Ver1.13=0,1,0", "GPSport 245=0,1,0",     "ASG-1=0,1,0",
      "GT-730FL-S=0,1,0,2,0,1", "Columbus P-1=0,1,0",  "OpenTracks=0,0,0"};
  EXPECT_EQ(TheSettings().csvInfo, info);
  EXPECT_EQ(TheSettings().csvOption, options);
  TheSettings().csvInfo = {"wintec=Order"};  // names compare without regard to case
  MergeDefaultProfiles();
  EXPECT_EQ(TheSettings().csvInfo.size(), 8u);
}

TEST_F(LoggerProfileTest, OptionFields) {
  using Fields = std::array<std::int32_t, 6>;
  struct Case {
    std::string value;
    Fields fields;
  } cases[] = {
      {"0,1,0", {0, 1, 0, 0, 0, 0}},
      {"0,1,0,2,0,1", {0, 1, 0, 2, 0, 1}},
      {"1,2,3,4,5,6,7", {1, 2, 3, 4, 5, 6}},
      {"\"1\",\"2\" ,3", {1, 2, 3, 0, 0, 0}},
      {"\"1\", \"2\",3", {1, 0, 3, 0, 0, 0}},  // a quote counts only first in the field
      {"\"1,5\",3", {0, 3, 0, 0, 0, 0}},
      {"\"4\"2,x,0x10,$1F", {42, 0, 16, 31, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0}},
      {"yes,no", {0, 0, 0, 0, 0, 0}},
      {",7", {0, 7, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(LoggerOptionFields(c.value), c.fields) << c.value;
}

TEST_F(LoggerProfileTest, OptionsSetMslWithoutGeoid) {
  struct Case {
    std::string profile;
    bool msl;
  } cases[] = {{"Default", false},        {"Wintec", true},     {"wintec", true},
               {"V-900, VGPS-900", true}, {"GT-730FL-S", true}, {"Unknown logger", false}};
  for (const Case& c : cases) {
    TheConversion().mslWithoutGeoid = !c.msl;
    ReadLoggerOptions(c.profile);
    EXPECT_EQ(TheConversion().mslWithoutGeoid, c.msl) << c.profile;
  }
}

class AnalyseCsvHeaderTest : public CsvFixture {
 protected:
  bool Analyse(const std::string& bytes) {
    EXPECT_TRUE(OpenLogFile(Write("log.csv", bytes)));
    return AnalyseCsvHeader(layout);
  }
  CsvLayout layout;
};

std::string TitleLines(int count) {
  std::string lines;
  for (int k = 1; k <= count; ++k) lines += "Title " + std::to_string(k) + "\r\n";
  return lines;
}

TEST_F(AnalyseCsvHeaderTest, KeepsTitleLinesAndStopsAfterHeader) {
  EXPECT_TRUE(Analyse("Track of \xE9t\xE9\r\n\r\n\nLAT,LON,HEIGHT\r\n1,2,3\r\n"));
  EXPECT_EQ(layout.headerText, "Track of \xE9t\xE9\r\nLAT,LON,HEIGHT");
  EXPECT_EQ(ReadLogLine(), "1,2,3");
  EXPECT_EQ(TheConversion().profileName, "Default");
  EXPECT_FALSE(TheConversion().mslWithoutGeoid);
}

TEST_F(AnalyseCsvHeaderTest, SearchesThirtyFiveNonEmptyLines) {
  EXPECT_TRUE(Analyse(TitleLines(34) + "\r\n\r\nLAT,LON\r\n"));
  EXPECT_EQ(layout.headerText, TitleLines(34) + "LAT,LON");
  EXPECT_FALSE(Analyse(TitleLines(35) + "LAT,LON\r\n"));
  EXPECT_FALSE(Analyse(""));
  EXPECT_FALSE(Analyse("no header\r\nat all"));
  EXPECT_EQ(layout.headerText, "no header\r\nat all");
}

TEST_F(AnalyseCsvHeaderTest, HeaderWithoutLineBreakAndRefusedLogger) {
  EXPECT_TRUE(Analyse("INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT,SPEED,HEADING,VOX"));
  EXPECT_TRUE(LogEof());
  EXPECT_EQ(TheConversion().profileName, "V-900, VGPS-900");
  EXPECT_TRUE(TheConversion().mslWithoutGeoid);
  // Not found, yet identified from the last line examined.
  EXPECT_FALSE(Analyse("Order,Date Created,Bearing,Elevation,Distance from Start"));
  EXPECT_EQ(TheConversion().profileName, "Wintec");
  EXPECT_TRUE(TheConversion().mslWithoutGeoid);
}

}  // namespace
}  // namespace orthelev
