#include "conversion/csv_record.hpp"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"
#include "csv_test_files.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;
using namespace std::string_literals;

TEST(ParseCsvNumber, KeepsOnlyNumberCharacters) {
  struct Case {
    std::string text;
    double value;
  } cases[] = {
      {" 100.0 m", 100.0},
      {"\"36.7\"", 36.7},
      {"1\xC2\xB0"
       "2'3.5\"",
       123.5},
      {"12.3.4", 0},
      {"+-1", 0},
      {"1e5", 15},
      {"", 0},
      {"N/A", 0},
      {"-0.25", -0.25},
      {"374.812 m", 374.812},
      {"827\0\0"s, 827},
      {"1 234", 1234},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParseCsvNumber(c.text), c.value) << c.text;
}

TEST(ParseCsvCoordinate, SouthAndWestLettersNegate) {
  struct Case {
    std::string text;
    double value;
  } cases[] = {
      {"35.5N", 35.5},       {"35.5S", -35.5}, {"139.5 E", 139.5},         {"W139.5", -139.5},
      {"South 35.5", -35.5}, {"35.5w", -35.5}, {"031.765973N", 31.765973},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParseCsvCoordinate(c.text), c.value) << c.text;
}

class CsvRecordTest : public CsvFixture {
 protected:
  // A layout found from `header`, then the record `line` parsed into it.
  CsvLayout Parse(const std::string& header, const std::string& line) {
    CsvLayout layout;
    EXPECT_TRUE(ExamineHeaderLine(layout, header, TheSettings().csvItems)) << header;
    EXPECT_TRUE(ParseCsvRecordLine(layout, line)) << line;
    EXPECT_EQ(layout.line, line);
    return layout;
  }
};

TEST_F(CsvRecordTest, ReadsCoordinatesHeightAndGeoid) {
  const double nan = std::nan("");
  struct Case {
    std::string header, line;
    double latitude, longitude, height, fileGeoid;
    bool positionGiven;
  } cases[] = {
      {"DATE,LATITUDE,LONGITUDE,HEIGHT,Geoid", "2012/05/01,35.5,139.5,100.0,36.7", 35.5, 139.5,
       100.0, 36.7, true},
      {"LAT,N/S,LON,E/W", "35.5,S,139.5,W", -35.5, -139.5, nan, 0, true},
      {"LAT,N/S,LON,E/W", "35.5S,s,139.5,w", 35.5, -139.5, nan, 0, true},
      {"LAT,N/S,LON,E/W", "35.5,South,139.5,West", 35.5, 139.5, nan, 0, true},
      {"LAT,LON,HEIGHT", "35.5,139.5", 35.5, 139.5, 0, 0, true},
      {"LAT,LON,HEIGHT", "35.5,139.5,\"100.0\" m", 35.5, 139.5, 100.0, 0, true},
      {"LAT,LON,HEIGHT", "35.5,,12", 35.5, 0, 12, 0, false},
      {"LAT,LON,HEIGHT", "N/A,139.5,12", 0, 139.5, 12, 0, false},
      {"LAT,LON,HEIGHT", "   ", 0, 0, 0, 0, false},
      {"LAT,LON,HEIGHT", "0,0,5", 0, 0, 5, 0, true},
  };
  for (const Case& c : cases) {
    const CsvLayout layout = Parse(c.header, c.line);
    EXPECT_DOUBLE_EQ(layout.latitude, c.latitude) << c.line;
    EXPECT_DOUBLE_EQ(layout.longitude, c.longitude) << c.line;
    if (std::isnan(c.height))
      EXPECT_TRUE(std::isnan(layout.height)) << c.line;
    else
      EXPECT_DOUBLE_EQ(layout.height, c.height) << c.line;
    EXPECT_DOUBLE_EQ(layout.fileGeoid, c.fileGeoid) << c.line;
    EXPECT_EQ(layout.positionGiven, c.positionGiven) << c.line;
  }
}

TEST_F(CsvRecordTest, ChecksOnlyGpstDates) {
  struct Case {
    std::string header, line;
    bool dateError;
  } cases[] = {
      {"GPST,LAT,LON", "2012/05/01 12:00:00.000,35.5,139.5", false},
      {"GPST,LAT,LON", "1687 3456.000,35.5,139.5", true},
      {"GPST,LAT,LON", ",35.5,139.5", true},
      {"DATE,LAT,LON", "1687 3456.000,35.5,139.5", false},
      {"UTC,LAT,LON", ",35.5,139.5", false},
  };
  for (const Case& c : cases) {
    TheConversion().dateTimeFormatError = false;
    Parse(c.header, c.line);
    EXPECT_EQ(TheConversion().dateTimeFormatError, c.dateError) << c.header << " / " << c.line;
  }
}

TEST_F(CsvRecordTest, ReadsRecordsUntilTheDataEnds) {
  CsvLayout layout;
  ASSERT_TRUE(ExamineHeaderLine(layout, "LAT,LON", TheSettings().csvItems));
  ASSERT_TRUE(OpenLogFile(Write("log.csv", "1,2\r\n\r\n   \n3,4")));
  ASSERT_TRUE(ReadCsvRecord(layout));
  EXPECT_EQ(layout.line, "1,2");
  ASSERT_TRUE(ReadCsvRecord(layout));
  EXPECT_EQ(layout.line, "   ");
  EXPECT_FALSE(layout.positionGiven);
  ASSERT_TRUE(ReadCsvRecord(layout));  // the last line, without a line break
  EXPECT_EQ(layout.line, "3,4");
  EXPECT_DOUBLE_EQ(layout.longitude, 4);
  EXPECT_TRUE(LogEof());
  EXPECT_FALSE(ReadCsvRecord(layout));

  ASSERT_TRUE(OpenLogFile(Write("log.csv", "1,2\r\n")));
  ASSERT_TRUE(ReadCsvRecord(layout));
  EXPECT_FALSE(ReadCsvRecord(layout));
  EXPECT_TRUE(LogEof());
}

}  // namespace
}  // namespace orthelev
