#include "settings/file_types.hpp"

#include <gtest/gtest.h>

#include "settings/settings.hpp"

namespace orthelev {
namespace {

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
    EXPECT_EQ(BuildOpenFilter(c.nmea, c.csv), c.expected) << c.nmea << " / " << c.csv;
}

TEST(BuildOpenFilter, OffersGpxFilesBeforeAllFiles) {
  EXPECT_EQ(BuildOpenFilter(".nmea", ".csv", ".gpx"),
            "NMEA+CSV file (*.nmea, *.csv)|*.nmea;*.csv|NMEA file (*.nmea)|*.nmea"
            "|CSV file (*.csv)|*.csv|GPX log file (*.gpx)|*.gpx|All file (*.*)|*.*");
  EXPECT_EQ(BuildOpenFilter("", "", ".gpx.GPX1"),
            "NMEA+CSV file ()||NMEA file ()||CSV file ()||GPX log file (*.gpx, *.GPX1)"
            "|*.gpx;*.GPX1|All file (*.*)|*.*");
}

TEST(BuildOpenFilter, ReadsTheSettings) {
  TheSettings().Reset();
  TheSettings().nmeaExt = ".nmea";
  TheSettings().csvExt = ".csv";
  TheSettings().gpxExt = ".gpx";
  EXPECT_EQ(BuildOpenFilterFromSettings(), BuildOpenFilter(".nmea", ".csv", ".gpx"));
  TheSettings().Reset();
}

TEST(LogFileTypeOf, LooksTheExtensionUpInTheCsvListFirst) {
  struct Case {
    const char* path;
    const char* csv;
    LogFileType expected;
  };
  const char* nmea = ".nme.nmea.nma.txt.text.ubx";
  const Case cases[] = {
      {"/logs/a.csv", ".csv.pos", LogFileType::Csv},
      {"/logs/A.POS", ".csv.pos", LogFileType::Csv},
      {"/logs/day1.NMEA", ".csv.pos", LogFileType::Nmea},
      {"/logs/day1.nmea.txt", ".csv.pos", LogFileType::Nmea},
      {"/logs/c.xyz", ".csv.pos", LogFileType::Unknown},
      {"/logs/a.cs", ".csv.pos", LogFileType::Unknown},
      {"/logs/a.sv", ".csv.pos", LogFileType::Unknown},
      {"/logs/noext", ".csv.pos", LogFileType::Csv},
      {"/logs.d/noext", ".csv.pos", LogFileType::Csv},
      {"/logs/a.txt", ".CSV.Txt", LogFileType::Csv},
      {"/logs/ride.GPX", ".csv.pos", LogFileType::Gpx},
      {"/logs/ride.gpx", ".csv.gpx", LogFileType::Csv},
      {"/logs/ride.gpxx", ".csv.pos", LogFileType::Unknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LogFileTypeOf(c.path, c.csv, nmea, ".gpx"), c.expected)
        << c.path << " with " << c.csv;
  EXPECT_EQ(LogFileTypeOf("/logs/day1.txt", ".csv", nmea, ".gpx.txt"), LogFileType::Gpx)
      << "the GPX list is looked at before the NMEA list";

  TheSettings().Reset();
  TheSettings().csvExt = ".csv";
  TheSettings().nmeaExt = ".nmea";
  EXPECT_EQ(LogFileTypeOf("b.nmea"), LogFileType::Nmea);
  EXPECT_EQ(LogFileTypeOf("b.pos"), LogFileType::Unknown);
  TheSettings().Reset();
}

}  // namespace
}  // namespace orthelev
