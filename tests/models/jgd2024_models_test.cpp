#include "models/jgd2024_models.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "models/gsi_model.hpp"
#include "models/model_selection.hpp"
#include "settings/settings.hpp"
#include "support/gsi_files.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::WriteBytes;

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Fields whose bilinear values are exact (linear in the position), written
// on a 1' x 1'30" grid from 35° N, 139° E, six nodes a side.
double Geoid(double lat, double lon) { return 36.5 + 0.8 * (lat - 35) - 0.3 * (lon - 139); }
// The islands correction exists east of 139°03'.
double Correction(double lat, double lon) {
  return lon > 139.0499 ? 0.25 + 0.05 * (lat - 35) + 0.02 * (lon - 139) : kNone;
}
double Sum(double lat, double lon) {
  return std::isnan(Correction(lat, lon)) ? kNone : Geoid(lat, lon) + Correction(lat, lon);
}

class Jgd2024Models : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().gsi = DefaultGridSpec(kSectionGsi);
    TheSettings().dataFolder = data.Folder();
  }
  void WriteIsg(const std::string& name, const testing::GsiField& field) {
    WriteBytes(data.File(name),
               testing::GsiIsgText(name, 35, 139, 1 / 60.0, 1.5 / 60, 6, 6, field));
  }
  static double At(double lat, double lon) {
    return InterpolateGeoid(InterpolationWindow(false), lat, lon);
  }
  testing::TempDir data;
};

TEST_F(Jgd2024Models, GeoidAndIslandsCorrectionFromEitherLayout) {
  struct Case {
    const char* what;
    std::string entry;
    std::vector<std::pair<std::string, double (*)(double, double)>> files;
    double (*land)(double, double);  // expected east of 139°03'
    double (*sea)(double, double);   // expected west of it; nullptr: none
  };
  const Case cases[] = {
      {"the geoid alone", "JPGEO2024.isg", {{"JPGEO2024.isg", Geoid}}, Geoid, Geoid},
      {"two files",
       "JPGEO2024.isg + Hrefconv2024.isg",
       {{"JPGEO2024.isg", Geoid}, {"Hrefconv2024.isg", Correction}},
       Sum,
       Geoid},
      {"GSI's sum, the geoid filling the sea",
       "JPGEO2024.isg + Hrefconv2024.isg",
       {{"JPGEO2024+Hrefconv2024.isg", Sum}, {"JPGEO2024.isg", Geoid}},
       Sum,
       Geoid},
      {"GSI's sum alone",
       "JPGEO2024.isg + Hrefconv2024.isg",
       {{"JPGEO2024+Hrefconv2024.isg", Sum}},
       Sum,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(data.Folder());
    std::filesystem::create_directories(data.Folder());
    for (const auto& [name, field] : c.files) WriteIsg(name, field);
    ASSERT_TRUE(PrepareJgd2024Grid(c.entry)) << (window.messages.empty() ? "" : window.messages[0]);
    EXPECT_TRUE(Jgd2024SourcesFound(data.Folder(), c.entry));
    EXPECT_TRUE(std::filesystem::exists(data.File(CompanionFileName(c.entry))));
    const double land[2] = {35.0612, 139.0977}, sea[2] = {35.0305, 139.0111};
    EXPECT_NEAR(At(land[0], land[1]), c.land(land[0], land[1]), 1e-4);
    if (c.sea)
      EXPECT_NEAR(At(sea[0], sea[1]), c.sea(sea[0], sea[1]), 1e-4);
    else
      EXPECT_TRUE(std::isnan(At(sea[0], sea[1])));
    CloseGrid();
  }
}

// GSI's own files, where a user has them (ORTHELEV_GSI_DATA names their
// folder; they may not be redistributed), against the JPGEO2024 +
// Hrefconv2024 values at the check points of a peer's public test suite
// (Map IV's llh_converter, 4 decimals).
TEST_F(Jgd2024Models, GsiFilesMatchPublishedCheckPoints) {
  const char* folder = std::getenv("ORTHELEV_GSI_DATA");
  if (!folder || !std::filesystem::exists(std::filesystem::path(folder) / "JPGEO2024.isg") ||
      !std::filesystem::exists(std::filesystem::path(folder) / "Hrefconv2024.isg"))
    GTEST_SKIP() << "ORTHELEV_GSI_DATA names no folder with JPGEO2024.isg and Hrefconv2024.isg";
  for (const char* name : {"JPGEO2024.isg", "Hrefconv2024.isg"})
    testing::LinkOrCopy(std::filesystem::path(folder) / name, data.File(name));
  ASSERT_TRUE(PrepareJgd2024Grid("JPGEO2024.isg + Hrefconv2024.isg"));
  const double points[][3] = {{36.104394, 140.085365, 40.2920},
                              {35.160410, 139.615526, 36.7434},
                              {26.591644, 128.072433, 32.3939}};
  for (const auto& p : points) EXPECT_NEAR(At(p[0], p[1]), p[2], 0.5e-4) << p[0] << " " << p[1];
}

TEST_F(Jgd2024Models, FailuresSayWhyAndLeaveNoCompanion) {
  struct Case {
    const char* what;
    std::string entry;
    std::string file, content;
    bool stop;  // Esc during the reading
    std::string message;
  };
  const std::string folder = data.Folder();
  const std::string geoid = testing::GsiIsgText("J", 35, 139, 1 / 60.0, 1.5 / 60, 6, 6, Geoid);
  const Case cases[] = {
      {"missing", "JPGEO2024.isg", "", "", false,
       "Geoid file is not found:\r\n" + folder + "JPGEO2024.isg"},
      {"stopped", "JPGEO2024.isg", "JPGEO2024.isg", geoid, true, "Stopped."},
      {"points", "JPGEO2024.isg", "JPGEO2024.isg",
       "begin_of_head\r\ndata format : sparse\r\nend_of_head\r\n35 139 1\r\n", false,
       "holds points, not a grid."},
      {"a .par line that is no node", "g.asc + r.par", "r.par",
       testing::GsiParText(35, 139, 2, 2, Geoid) + "5339x 0.1 0.0\r\n", false,
       "of the parameter file is no node."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    WriteBytes(data.File("g.asc"), testing::GsigeoText(35, 139, 1 / 60.0, 0.025, 3, 3, Geoid));
    if (!c.file.empty()) WriteBytes(data.File(c.file), c.content);
    window.messages.clear();
    TheFlags().abortRequested = false;
    window.onPendingEvents = [&c] { TheFlags().abortRequested = c.stop; };
    EXPECT_FALSE(PrepareJgd2024Grid(c.entry));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].find(c.message), std::string::npos) << window.messages[0];
    EXPECT_EQ(window.statuses.back(), " Error.");
    EXPECT_FALSE(std::filesystem::exists(data.File(CompanionFileName(c.entry))));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              c.file.empty() ? 1 : 2);  // no temporary file left
    EXPECT_FALSE(TheActiveGrid().file.IsOpen());
  }
}

// GSIGEO 2011 values that no plane fits, and a dH that one does.
double Gsigeo(double lat, double lon) {
  return 37 + 0.6 * std::sin(lat * 97) + 0.4 * std::cos(lon * 53);
}
double Revision(double lat, double lon) { return 0.012 + 0.3 * (lat - 35) - 0.2 * (lon - 139); }
// dH everywhere but at the node of 35°01'30" N, 139°03'45" E.
double RevisionWithAGap(double lat, double lon) {
  return std::fabs(lat - 35.025) < 1e-9 && std::fabs(lon - 139.0625) < 1e-9 ? kNone
                                                                            : Revision(lat, lon);
}

class Jgd2024Revision : public Jgd2024Models {
 protected:
  void SetUp() override {
    Jgd2024Models::SetUp();
    WriteBytes(data.File("gsigeo2011_ver2_2.asc"),
               testing::GsigeoText(35, 139, 1 / 60.0, 0.025, 5, 5, Gsigeo));
    // The .par lattice over the GSIGEO grid: 30" x 45", nine nodes a side.
    WriteBytes(data.File("hyokorevBM_jgd2024_h.par"),
               testing::GsiParText(35, 139, 9, 9, RevisionWithAGap));
  }
  void Select(const std::string& title) {
    window.SetGeoidModelItems({"Custom Geoid", "EGM2008 2.5'x2.5'", "EGM2008 1'x1'",
                               "GSIGEO 2011 ver2.2", "GSIGEO 2011 + JGD2024 revision"});
    TheSettings().gsi.title = "GSIGEO 2011 ver2.2;GSIGEO 2011 + JGD2024 revision";
    TheSettings().gsi.fname =
        "gsigeo2011_ver2_2.asc;gsigeo2011_ver2_2.asc + hyokorevBM_jgd2024_h.par";
    window.SetGeoidModelText(title);
    SelectGeoidModel();
    ASSERT_TRUE(TheActiveGrid().open) << (window.messages.empty() ? "" : window.messages[0]);
    TheFlags().useSpline = false;
  }
};

TEST_F(Jgd2024Revision, EqualsGsigeoThenTheRevision) {
  const double points[][2] = {{35.0031, 139.0044},
                              {35.0119, 139.0301},
                              {35.0402, 139.0911},
                              {35.0583, 139.0166},
                              {35.0125, 139.0125}};
  std::vector<double> gsigeo;
  Select("GSIGEO 2011 ver2.2");
  for (const auto& p : points) gsigeo.push_back(At(p[0], p[1]));
  Select("GSIGEO 2011 + JGD2024 revision");
  EXPECT_FALSE(window.SplineChecked());  // bilinear by default
  for (std::size_t i = 0; i < std::size(points); ++i) {
    const double lat = points[i][0], lon = points[i][1];
    EXPECT_NEAR(At(lat, lon), gsigeo[i] - Revision(lat, lon), 2e-5) << lat << " " << lon;
  }
  // Each cell with the node without dH as a corner has no height.
  for (const double lat : {35.0200, 35.0280})
    for (const double lon : {139.0560, 139.0680}) EXPECT_TRUE(std::isnan(At(lat, lon)));
}

TEST_F(Jgd2024Revision, LogCorrectedWithGsigeoTakesTheRevisionDirectly) {
  // 35°00.900' N, 139°01.200' E: h = 100 + 37 (altitude + separation).
  const std::string log = data.File("track.nmea");
  WriteBytes(log, testing::Signed("$GPGGA,012345.00,3500.9000,N,13901.2000,E,1,08,1.0,100.000,M,"
                                  "37.000,M,,") +
                      "\r\n");
  Select("GSIGEO 2011 ver2.2");
  ConvertNmeaFile(log);
  Select("GSIGEO 2011 + JGD2024 revision");
  ConvertNmeaFile(data.File("track_g.nmea"));
  const auto altitude = [](const std::string& path) {
    double value = 0;
    EXPECT_TRUE(ParseReal(testing::SplitAtCommas(testing::ReadBytes(path))[9], value));
    return value;
  };
  const double lat = 35.015, lon = 139.02;
  EXPECT_NEAR(altitude(data.File("track_g_g.nmea")) - altitude(data.File("track_g.nmea")),
              Revision(lat, lon), 2e-4);
}

}  // namespace
}  // namespace orthelev
