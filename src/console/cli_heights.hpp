#pragma once
// The console front end's "heights [FILE]": the geoid height of every point
// of FILE (or of standard input), one output line per input line, for pipes
// as GeographicLib's GeoidEval and PROJ's cct serve them.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orthelev {

// A point line: "LAT LON" or "LAT LON H" in any coordinate form the geoid
// check accepts, separated by commas (then a field may hold blanks, as in
// "35 40 37.8, 139 44 52.3") or else by blanks and tabs (a lone hemisphere
// letter joins the number beside it: "35.5 N 139.5 E"). H is in metres;
// a latitude beyond 90 degrees north or south is no point.
struct PointLine {
  double latitude = 0, longitude = 0, height = 0;  // degrees north, east; metres
  bool hasHeight = false;
  std::string_view separator = " ";  // ",", ", " (as the line has it) or " "
};

// Reads a point line without its line end; false when it is no point.
// With `lonFirst` the line gives "LON LAT" or "LON LAT H".
[[nodiscard]] bool ParsePointLine(std::string_view line, PointLine& point, bool lonFirst = false);

// How "heights" reads its points and writes its heights.
struct HeightsOptions {
  bool lonFirst = false;  // points are "LON LAT [H]" (GeoidEval's -w)
  bool header = false;    // the first line names the columns
  bool inverse = false;   // H is above the geoid: H + N is written instead of H - N
  int decimals = 0;       // of the written heights; 0: the check's four
  // The columns of the latitude, longitude and height, counted from 1 (0:
  // none), or named (looked up in the header line); none chosen: the
  // fields of a point line.
  std::array<std::int32_t, 3> columns{};
  std::array<std::string, 3> columnNames;
  bool ColumnsChosen() const { return columns[0] != 0 || !columnNames[0].empty(); }
};

// Reads "--columns LAT,LON[,H]": each a number from 1 or a header name
// (names imply a header line). False, with the reason in `problem`.
[[nodiscard]] bool ParseHeightsColumns(std::string_view text, HeightsOptions& options,
                                       std::string& problem);

// Runs "heights" with the model the settings and options chose (the grid is
// opened here): each point line is copied with N and, when it has H, H - N
// (H + N with `options.inverse`) appended in the check's number format or
// with `options.decimals` ("nan" outside the model); a header line is
// copied with the names of those columns appended; lines
// starting with "#" and blank lines are copied unchanged; a line that is no
// point is copied unchanged and named on `err`. Output is written in large
// blocks, and after every line when the input is a terminal. Returns the
// exit status: 0 every point had a height, 1 a point was outside the model,
// a line was no point or the input could not be read or the output written,
// 2 usage error or no model could be opened.
int HeightsCommand(const std::vector<std::string>& arguments, const HeightsOptions& options,
                   std::FILE* out, std::FILE* err);

}  // namespace orthelev
