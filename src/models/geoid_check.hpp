#pragma once
// The geoid check: typed coordinates in, the model's geoid height out.

#include <string>
#include <string_view>

namespace orthelev {

// Degrees (north and east positive) from a coordinate text, or NaN when the
// text is no coordinate. Accepts decimal degrees ("35.5", "-35.5", "1E2")
// and degrees-minutes-seconds with any separators ("35 40 37.8",
// "35°40'37.8\"", "35:40:37.8"), with a hemisphere letter (N/S/E/W) or a
// sign in front or behind. "." is the only decimal separator.
double ParseCoordinate(std::string_view text);

// Appends the check's text of a geoid height in metres ("%6.4f") to `out`.
void AppendCheckHeight(std::string& out, double metres);

// Opens the model when no grid is open, then shows the geoid height at the
// typed point in EditGeoid ("%6.4f" metres) or "Out of range.".
void ButtonCalcClick();

// Key handler of EditLat and EditLon: Enter (13) runs the check and is
// consumed (the result is 0); other keys come back unchanged.
char EditLatKeyPress(char key);

}  // namespace orthelev
