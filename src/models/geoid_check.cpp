#include "models/geoid_check.hpp"

#include <cmath>
#include <limits>
#include <string_view>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "models/model_selection.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsDecimalCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E';
}

bool LooksDecimal(std::string_view text) {
  for (char c : text)
    if (!IsDecimalCharacter(c)) return false;
  return true;
}

// Degrees, minutes and seconds: numbers of digits and "." separated by any
// other characters; a fourth and further numbers add to the seconds.
double ParseDegreesMinutesSeconds(std::string text, bool negative) {
  if (text.empty()) return kNaN;
  text += ' ';
  double parts[3] = {0, 0, 0};
  int k = 0;
  std::string number;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == '.') {
      number += c;
    } else if (c == '+' || c == '-') {
      if (k == 0) negative = c == '-';
    } else if (c == 'E' || c == 'N' || c == 'S' || c == 'W') {
      negative = c == 'S' || c == 'W';
    } else if (!number.empty()) {
      double value = 0;
      if (!ParseReal(number, value)) return kNaN;
      parts[k] += value;
      number.clear();
      if (k < 2) ++k;
    }
  }
  if (k == 0) return kNaN;
  const double degrees = (parts[2] / 60 + parts[1]) / 60 + parts[0];
  return negative ? -degrees : degrees;
}

// True for "[-]digits[.digits]": the form whose value needs no copy of the text.
bool IsPlainDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.')) return false;
  return true;
}

}  // namespace

double ParseCoordinate(std::string_view input) {
  double value = 0;
  if (IsPlainDecimal(input)) return ParseReal(input, value) ? value : kNaN;
  std::string text;
  for (char c : input) {
    if (c == '"') continue;
    text += UpperAscii(c);
  }
  std::string_view t = TrimControlAndBlanks(text);
  if (t.empty()) return kNaN;
  bool negative = false;
  if (t.front() == '-' || t.front() == 'S' || t.front() == 'W') {
    negative = true;
    t.remove_prefix(1);
  }
  if (t.empty()) return kNaN;
  if (t.front() == '+' || t.front() == 'E' || t.front() == 'N') t.remove_prefix(1);
  if (t.empty()) return kNaN;
  if (t.back() == '-' || t.back() == 'S' || t.back() == 'W') {
    negative = true;
    t.remove_suffix(1);
  } else if (t.back() == '+' || t.back() == 'E' || t.back() == 'N') {
    t.remove_suffix(1);
  }
  t = TrimControlAndBlanks(t);
  if (LooksDecimal(t) && ParseReal(t, value)) return negative ? -value : value;
  return ParseDegreesMinutesSeconds(std::string(t), negative);
}

void ButtonCalcClick() {
  WindowServices& window = Window();
  if (!TheActiveGrid().open) SelectGeoidModel();
  if (!TheActiveGrid().open) return;
  window.SetGeoidText("");
  window.ProcessPendingEvents();
  const double lat = ParseCoordinate(window.LatitudeText());
  const double lon = ParseCoordinate(window.LongitudeText());
  const double height = InterpolateGeoid(InterpolationWindow(SplineChosen()), lat, lon);
  std::string text;
  if (std::isnan(height))
    text = "Out of range.";
  else
    AppendCheckHeight(text, height);
  window.SetGeoidText(text);
}

void AppendCheckHeight(std::string& out, double metres) { AppendFixed(out, metres, 4, 6); }

char EditLatKeyPress(char key) {
  if (key != '\r') return key;
  ButtonCalcClick();
  return 0;
}

}  // namespace orthelev
