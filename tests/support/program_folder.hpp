#pragma once
// A temporary program folder for the desktop programs' tests: a settings
// file choosing a small custom geoid grid, and generated NMEA logs.

#include <cstdint>
#include <string>

#include "settings/settings_location.hpp"
#include "support/grid_writer.hpp"
#include "support/nmea_text.hpp"
#include "support/temp_dir.hpp"

namespace orthelev::testing {

// The geoid heights of the test grid: a linear function, which both
// interpolations reproduce exactly inside the grid.
inline double LinearGeoid(double lat, double lon) {
  return 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130);
}

// A program folder holding "orthelev.ini" and the custom geoid "test.cdat"
// (30..40 N, 130..145 E, every 0.25 degrees) chosen as the model.
class ProgramFolder {
 public:
  ProgramFolder() {
    const std::int32_t rows = 41, columns = 61;
    folder_.Write("test.cdat", CustomGridBytes(rows, columns, 30, 130, 0.25, 0.25,
                                               [](std::int32_t row, std::int32_t column) {
                                                 return static_cast<float>(LinearGeoid(
                                                     40 - 0.25 * row, 130 + 0.25 * column));
                                               }));
    WriteSettings("");
  }

  // The settings file: the custom model, then `more` (lines ending in CR LF).
  void WriteSettings(const std::string& more) const {
    folder_.Write("orthelev.ini", "[Option]\r\nGeoidModel=Custom Geoid\r\nDataPath=" + Folder() +
                                      "\r\n" + more + "[Custom Geoid]\r\nfname=test.cdat\r\n");
  }

  std::string Folder() const { return folder_.Folder(); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string SettingsFile() const { return File("orthelev.ini"); }
  const TempDir& Dir() const { return folder_; }

  // Writes an NMEA log of `sentences` GGA sentences inside the grid.
  std::string WriteNmea(const std::string& name, int sentences) const {
    std::string text;
    for (int i = 0; i < sentences; ++i)
      text +=
          Signed("$GPGGA,120000.00,3540.0000,N,13945.0000,E,1,08,1.0,100.000,M,40.0,M,,") + "\r\n";
    return folder_.Write(name, text);
  }

  // Where the program running from this folder keeps its settings.
  SettingsLocation Location() const {
    SettingsLocation where;
    where.programFile = File("orthelev");
    where.baseName = "orthelev";
    where.configHome = File("config");
    return where;
  }

 private:
  TempDir folder_;
};

}  // namespace orthelev::testing
