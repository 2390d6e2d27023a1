#pragma once
// Files in the layouts GSI publishes them, made from a function of the node
// position (never GSI's data): ISG 2.0 grids (CRLF, coordinates in degrees,
// minutes and seconds with a UTF-8 degree sign, 4 decimals, nodata
// -9999.0000), GSIGEO ASCII grids and PatchJGD(H) .par files (a CP932
// header of 16 lines).

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace orthelev::testing {

// A node's value, NaN for none; latitude and longitude in degrees.
using GsiField = std::function<double(double latitude, double longitude)>;

// An angle as GSI's headers write it, e.g. 15°00'00" (whole seconds).
inline std::string GsiDms(double degrees) {
  const long seconds = std::lround(degrees * 3600);
  char text[32];
  std::snprintf(text, sizeof text, "%ld\xC2\xB0%02ld'%02ld\"", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

// An ISG 2.0 grid of rows x columns nodes from (south, west), north row first.
inline std::string GsiIsgText(const std::string& model, double south, double west, double latStep,
                              double lonStep, int rows, int columns, const GsiField& value) {
  const auto line = [](const std::string& key, const std::string& text) {
    return key + std::string(15 - key.size(), ' ') + ": " + text + "\r\n";
  };
  std::string text = "begin_of_head ================================================\r\n";
  text += line("model name", model) + line("model year", "2024") + line("data type", "geoid") +
          line("data units", "meters") + line("data format", "grid") +
          line("data ordering", "N-to-S, W-to-E") + line("ref ellipsoid", "GRS80") +
          line("ref frame", "JGD2024") + line("tide system", "tide free") +
          line("coord type", "geodetic") + line("coord units", "dms") +
          line("map projection", "---") + line("EPSG code", "---") +
          line("lat min", GsiDms(south)) + line("lat max", GsiDms(south + (rows - 1) * latStep)) +
          line("lon min", GsiDms(west)) + line("lon max", GsiDms(west + (columns - 1) * lonStep)) +
          line("delta lat", GsiDms(latStep)) + line("delta lon", GsiDms(lonStep)) +
          line("nrows", std::to_string(rows)) + line("ncols", std::to_string(columns)) +
          line("nodata", "-9999.0000") + line("creation date", "01/04/2025") +
          line("ISG format", "2.0");
  text += "end_of_head ==================================================\r\n";
  char number[32];
  for (int r = rows - 1; r >= 0; --r) {
    for (int c = 0; c < columns; ++c) {
      const double v = value(south + r * latStep, west + c * lonStep);
      std::snprintf(number, sizeof number, c == 0 ? "%.4f" : " %.4f", std::isnan(v) ? -9999.0 : v);
      text += number;
    }
    text += "\r\n";
  }
  return text;
}

// A GSIGEO ASCII grid (header, then rows from the south, 999.0000 for none).
inline std::string GsigeoText(double south, double west, double latStep, double lonStep, int rows,
                              int columns, const GsiField& value) {
  char number[64];
  std::snprintf(number, sizeof number, "%.5f %.5f %.6f %.6f %d %d 1 ver2.2\r\n", south, west,
                latStep, lonStep, rows, columns);
  std::string text = number;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const double v = value(south + r * latStep, west + c * lonStep);
      std::snprintf(number, sizeof number, "%9.4f", std::isnan(v) ? 999.0 : v);
      text += number;
    }
    text += "\r\n";
  }
  return text;
}

// The third-order mesh code of the node at (latitude, longitude), which
// lies on the 30" x 45" lattice.
inline std::string MeshCode(double latitude, double longitude) {
  const long row = std::lround(latitude * 120), column = std::lround((longitude - 100) * 80);
  char code[128];
  std::snprintf(code, sizeof code, "%02ld%02ld%ld%ld%ld%ld", row / 80, column / 80, row % 80 / 10,
                column % 80 / 10, row % 10, column % 10);
  return code;
}

// A .par file with a node for every lattice node of the box where `dH` is
// not NaN.
inline std::string GsiParText(double south, double west, int rows, int columns,
                              const GsiField& dH) {
  // CP932: "標高補正パラメータ" and "メッシュ" (0x5C as a second byte in "ソ").
  std::string text = "JGD2024 for PatchJGD(H) Ver.1.0.0\r\n";
  text += "\x95\x57\x8D\x82\x95\xE2\x90\xB3\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E\r\n";
  for (int i = 3; i < 16; ++i)
    text += "\x83\x81\x83\x62\x83\x56\x83\x85 \x83\x5C " + std::to_string(i) + "\r\n";
  text += "MeshCode   dH(m)      dummy\r\n";
  char line[64];
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const double latitude = south + r / 120.0, longitude = west + c / 80.0;
      const double v = dH(latitude, longitude);
      if (std::isnan(v)) continue;
      std::snprintf(line, sizeof line, "%s %10.5f %10.5f\r\n",
                    MeshCode(latitude, longitude).c_str(), v, 0.0);
      text += line;
    }
  return text;
}

}  // namespace orthelev::testing
