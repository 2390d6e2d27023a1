// ParseCoordinate and the geoid check on arbitrary texts (latitude, a line
// break, longitude): a parsed value reads back from its own shortest text,
// and the check shows "Out of range." (always beyond a pole) or the
// interpolated height with four decimals, which stays within the range of
// the grid's values.

#include <cmath>

#include "base/number_format.hpp"
#include "fuzz_support.hpp"
#include "geoid/interpolation.hpp"
#include "models/geoid_check.hpp"

using namespace orthelev;

namespace {

void CheckParse(const std::string& text) {
  const double value = ParseCoordinate(text);
  const double again = ParseCoordinate(text);
  FUZZ_CHECK(std::isnan(value) == std::isnan(again) && (std::isnan(value) || value == again),
             "parsing is repeatable");
  if (!std::isfinite(value)) return;
  // The text has 15 significant digits.
  const double back = ParseCoordinate(FormatGeneral(value));
  FUZZ_CHECK(std::fabs(back - value) <= 1e-14 * std::fabs(value),
             "a value reads back from its text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  fuzz::OpenGlobalGrid();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\n');
  const std::string lat = input.substr(0, split);
  const std::string lon = split == std::string::npos ? std::string() : input.substr(split + 1);
  CheckParse(lat);
  CheckParse(lon);

  window.SetLatitudeText(lat);
  window.SetLongitudeText(lon);
  window.SetSplineVisible(size > 0 && (data[0] & 1) != 0);
  ButtonCalcClick();
  const std::string shown = window.GeoidText();
  const double bilinear = InterpolateGeoid(0, ParseCoordinate(lat), ParseCoordinate(lon));
  const double spline =
      InterpolateGeoid(kMaxSplineWindow, ParseCoordinate(lat), ParseCoordinate(lon));
  const bool beyondAPole = !(std::fabs(ParseCoordinate(lat)) <= 90);
  if (shown == "Out of range.") {
    FUZZ_CHECK(beyondAPole || std::isnan(bilinear) || std::isnan(spline),
               "out of range only without a height or beyond a pole");
    return 0;
  }
  FUZZ_CHECK(!beyondAPole, "a latitude beyond a pole is out of range");
  fuzz::CheckContext() = "shown " + shown + ", bilinear " + FormatGeneral(bilinear) + ", spline " +
                         FormatGeneral(spline);
  double height = 0;
  FUZZ_CHECK(ParseReal(TrimControlAndBlanks(shown), height), "the check shows a number");
  // Four decimals, rounded: half a unit of the last, and a tie's last bit.
  constexpr double kShown = 5e-5 + 1e-9;
  FUZZ_CHECK(std::fabs(height - bilinear) <= kShown || std::fabs(height - spline) <= kShown,
             "the check shows the interpolated height");
  // Longitudes are folded by one turn only: beyond -360 a position just
  // west of column 0 is extrapolated from the first two columns.
  const bool onEarth = std::fabs(ParseCoordinate(lon)) <= 360;
  FUZZ_CHECK(std::isnan(bilinear) || !onEarth || (bilinear >= -25 && bilinear <= 25),
             "bilinear heights stay within the nodes");
  FUZZ_CHECK(std::isnan(spline) || std::fabs(spline) < 100, "spline heights stay near the nodes");
  return 0;
}
