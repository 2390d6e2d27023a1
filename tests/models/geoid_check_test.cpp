#include "models/geoid_check.hpp"

#include <cmath>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;

TEST(ParseCoordinate, AcceptedForms) {
  struct Case {
    const char* text;
    double degrees;  // NaN: not a coordinate
  };
  const double dms = 35.677166666666665, nan = NAN;
  const Case cases[] = {
      {"35 40 37.8", dms},
      {"139 44 52.3", 139.74786111111112},
      {"35.5", 35.5},
      {"+35.5", 35.5},
      {"N35.5", 35.5},
      {"35.5N", 35.5},
      {"35.5 N", 35.5},
      {"n35.5", 35.5},
      {"-35.5", -35.5},
      {"S35.5", -35.5},
      {"35.5S", -35.5},
      {"35.5-", -35.5},
      {"w35.5", -35.5},
      {"35°40'37.8", dms},
      {"35:40:37.8", dms},
      {"35,40,37.8", dms},
      {"N 35 40 37.8", dms},
      {"35 40 37.8\"", dms},
      {"35°40'37.8\" ", dms},
      {"35 40 37.8 S", -dms},
      {"-35 40 37.8", -dms},
      {"35 40", 35.666666666666664},
      {"35 40 37 8", 35.67916666666667},
      {"1E2", 100},
      {"139E", 139},
      {" \t35.5\r\n", 35.5},
      {"", nan},
      {"   ", nan},
      {"N", nan},
      {"-", nan},
      {"abc", nan},
      {"1.2.3", nan},
      {"35 . 40", nan},
  };
  for (const Case& c : cases) {
    const double value = ParseCoordinate(c.text);
    if (std::isnan(c.degrees))
      EXPECT_TRUE(std::isnan(value)) << '"' << c.text << "\" gave " << value;
    else
      EXPECT_DOUBLE_EQ(value, c.degrees) << '"' << c.text << '"';
  }
}

class GeoidCheck : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    // A custom model over 30..40 N, 130..140 E whose nodes hold `height`.
    const std::string path = dir.File("flat.cdat");
    testing::WriteBytes(path, testing::CustomGridBytes(11, 11, 30, 130, 1, 1, [this](int r, int c) {
                          return (r == 5 && c == 5) ? peak : height;
                        }));
    TheSettings().dataFolder = dir.Folder();
    TheSettings().customFname = "flat.cdat";
    window.SetGeoidModelItems({"Custom Geoid", "EGM2008 2.5'x2.5'", "EGM2008 1'x1'"});
    window.SetGeoidModelText("Custom Geoid");
    TheFlags().initialized = true;
  }
  std::string Check(const std::string& lat, const std::string& lon) {
    window.SetLatitudeText(lat);
    window.SetLongitudeText(lon);
    ButtonCalcClick();
    return window.GeoidText();
  }
  TempDir dir;
  float height = 36.75f, peak = 36.75f;
};

TEST_F(GeoidCheck, FormatsFourDecimalsInSixCharacters) {
  struct Case {
    float height;
    const char* shown;
  };
  for (const Case& c : {Case{5.1f, "5.1000"}, Case{-0.25f, "-0.2500"}, Case{36.75f, "36.7500"},
                        Case{1.5f, "1.5000"}}) {
    height = peak = c.height;
    SetUp();  // rewrite the model with the new height
    EXPECT_EQ(Check("35 40 37.8", "135.2"), c.shown) << c.height;
    EXPECT_EQ(window.GeoidText(), c.shown);
    CloseGrid();
  }
}

// A latitude beyond a pole is no point, even where the model reaches the pole.
TEST_F(GeoidCheck, LatitudesBeyondThePolesAreOutOfRange) {
  testing::WriteBytes(
      dir.File("globe.cdat"),
      testing::CustomGridBytes(181, 361, -90, 0, 1, 1, [](int, int) { return 7.5f; }));
  TheSettings().customFname = "globe.cdat";
  EXPECT_EQ(Check("90", "0"), "7.5000");
  EXPECT_EQ(Check("-90", "0"), "7.5000");
  for (const char* lat : {"95", "90.01", "-91", "S 90 30"})
    EXPECT_EQ(Check(lat, "0"), "Out of range.") << lat;
}

TEST_F(GeoidCheck, OutOfRangeAndBadText) {
  EXPECT_EQ(Check("10", "100"), "Out of range.");
  EXPECT_EQ(Check("abc", "135"), "Out of range.");
  EXPECT_EQ(Check("35", ""), "Out of range.");
  EXPECT_TRUE(TheActiveGrid().open);  // the grid stays open for further checks
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(GeoidCheck, SplineUnlessAVisibleBoxIsUnticked) {
  peak = 40.0f;  // a bump at 35 N, 135 E: spline and bilinear differ
  SetUp();
  const std::string spline = Check("35.3", "135.3");
  ASSERT_TRUE(TheActiveGrid().open);
  EXPECT_EQ(spline, FormatFixed(InterpolateGeoid(6, 35.3, 135.3), 4, 6));
  window.SetSplineVisible(true);
  window.SetSplineChecked(false);
  EXPECT_EQ(Check("35.3", "135.3"), FormatFixed(InterpolateGeoid(0, 35.3, 135.3), 4, 6));
  EXPECT_NE(spline, window.GeoidText());
  window.SetSplineChecked(true);
  EXPECT_EQ(Check("35.3", "135.3"), spline);
}

TEST_F(GeoidCheck, ModelThatCannotOpenLeavesTheTextAlone) {
  TheSettings().customFname = "missing.cdat";
  window.SetGeoidText("12.3456");
  EXPECT_EQ(Check("35", "135"), "12.3456");
  EXPECT_EQ(window.messages,
            std::vector<std::string>{"Geoid file is not found: \r\n" + dir.File("missing.cdat")});
}

TEST_F(GeoidCheck, EnterInEitherEditRunsTheCheck) {
  window.SetLatitudeText("35");
  window.SetLongitudeText("135");
  EXPECT_EQ(EditLatKeyPress('a'), 'a');
  EXPECT_EQ(window.GeoidText(), "");
  EXPECT_EQ(EditLatKeyPress('\r'), 0);
  EXPECT_EQ(window.GeoidText(), "36.7500");
}

}  // namespace
}  // namespace orthelev
