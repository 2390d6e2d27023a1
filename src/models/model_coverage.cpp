#include "models/model_coverage.hpp"

#include <algorithm>
#include <cmath>

#include "geoid/active_grid.hpp"
#include "models/model_selection.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kFrameColour{245, 248, 252};
constexpr Rgb kGraticuleColour{170, 180, 195};
constexpr int kColourSteps = 16;
constexpr double kLeft = 52, kTop = 36, kPlotWidth = 560, kPlotHeight = 300, kBottom = 64;

// Blue (low) through white to red (high), in kColourSteps steps.
Rgb ColourOfStep(int step) {
  const double t = static_cast<double>(step) / (kColourSteps - 1);
  auto mix = [](double a, double b, double f) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
  };
  if (t < 0.5) return {mix(40, 250, t * 2), mix(80, 250, t * 2), mix(200, 250, t * 2)};
  return {mix(250, 210, t * 2 - 1), mix(250, 50, t * 2 - 1), mix(250, 40, t * 2 - 1)};
}

Rgb ColourOf(float value, const CoverageRaster& raster) {
  if (std::isnan(value)) return kMissingColour;
  const double span = raster.high - raster.low;
  const int step = span > 0 ? static_cast<int>((value - raster.low) / span * kColourSteps) : 0;
  return ColourOfStep(std::clamp(step, 0, kColourSteps - 1));
}

// The longitude and latitude shown, and their place in the picture.
struct Frame {
  double west, east, south, north;
  double scale;  // pixels per degree, the same both ways

  double X(double longitude) const { return kLeft + (longitude - west) * scale; }
  double Y(double latitude) const { return kTop + (north - latitude) * scale; }
};

Frame FrameAround(const CoverageRaster& r) {
  double west = r.west, east = r.east;
  if (east - west > 180 || east > 180) {  // wide, or across the antimeridian
    west = -180;
    east = 180;
  }
  const double padLon = std::max(2.0, (east - west) * 0.15);
  const double padLat = std::max(2.0, (r.north - r.south) * 0.15);
  Frame f{std::max(-180.0, west - padLon), std::min(180.0, east + padLon),
          std::max(-90.0, r.south - padLat), std::min(90.0, r.north + padLat), 1};
  f.scale = std::min(kPlotWidth / (f.east - f.west), kPlotHeight / (f.north - f.south));
  return f;
}

// Longitude into -180 .. 180 when the frame is the world's.
double OnFrame(double longitude, const Frame& f) {
  if (f.west == -180 && longitude > 180) return longitude - 360;
  return longitude;
}

void AddCells(Picture& picture, const CoverageRaster& r, const Frame& f) {
  const double cellLon = (r.east - r.west) / r.columns, cellLat = (r.north - r.south) / r.rows;
  for (std::int32_t row = 0; row < r.rows; ++row) {
    const double top = f.Y(r.north - row * cellLat);
    const double height = cellLat * f.scale;
    for (std::int32_t column = 0; column < r.columns;) {
      const Rgb colour = ColourOf(r.At(row, column), r);
      const double start = OnFrame(r.west + column * cellLon, f);
      std::int32_t end = column + 1;
      // A run stops where the longitude wraps onto the frame's west side.
      while (end < r.columns && ColourOf(r.At(row, end), r) == colour &&
             OnFrame(r.west + end * cellLon, f) > start)
        ++end;
      picture.rects.push_back(
          FilledRect(f.X(start), top, (end - column) * cellLon * f.scale, height, colour));
      column = end;
    }
  }
}

void AddGraticule(Picture& picture, const Frame& f) {
  picture.rects.insert(picture.rects.begin(),
                       OutlinedRect(f.X(f.west), f.Y(f.north), (f.east - f.west) * f.scale,
                                    (f.north - f.south) * f.scale, kFrameColour, kBlack));
  const std::vector<double> lons = RoundTicks(f.west, f.east, 9);
  const std::vector<double> lats = RoundTicks(f.south, f.north, 7);
  const double lonStep = lons.size() > 1 ? lons[1] - lons[0] : 1;
  const double latStep = lats.size() > 1 ? lats[1] - lats[0] : 1;
  for (const double lon : lons) {
    picture.lines.push_back(
        {{{f.X(lon), f.Y(f.north)}, {f.X(lon), f.Y(f.south)}}, kGraticuleColour, 1, "graticule"});
    picture.texts.push_back(Label(f.X(lon), f.Y(f.south) + 14, TickText(lon, lonStep) + "\xC2\xB0",
                                  TextAnchor::Middle));
  }
  for (const double lat : lats) {
    picture.lines.push_back(
        {{{f.X(f.west), f.Y(lat)}, {f.X(f.east), f.Y(lat)}}, kGraticuleColour, 1, "graticule"});
    picture.texts.push_back(
        Label(f.X(f.west) - 4, f.Y(lat) + 4, TickText(lat, latStep) + "\xC2\xB0", TextAnchor::End));
  }
}

void AddScale(Picture& picture, const CoverageRaster& r, double y) {
  constexpr double kStep = 16;
  for (int step = 0; step < kColourSteps; ++step)
    picture.rects.push_back(FilledRect(kLeft + step * kStep, y, kStep, 10, ColourOfStep(step)));
  const bool any = r.low <= r.high;
  picture.texts.push_back(
      Label(kLeft, y + 24, any ? TickText(r.low, 0.01) + " m" : "no values", TextAnchor::Start));
  if (any)
    picture.texts.push_back(Label(kLeft + kColourSteps * kStep, y + 24,
                                  TickText(r.high, 0.01) + " m", TextAnchor::End));
  const double missingX = kLeft + kColourSteps * kStep + 40;
  picture.rects.push_back(OutlinedRect(missingX, y, kStep, 10, kMissingColour, kBlack));
  picture.texts.push_back(Label(missingX + kStep + 6, y + 9, "no value", TextAnchor::Start));
}

}  // namespace

CoverageRaster SampleActiveGrid(std::int32_t maxColumns, std::int32_t maxRows) {
  const ActiveGrid& g = TheActiveGrid();
  CoverageRaster r;
  r.west = g.glomn;
  r.east = g.glomn + g.nlon * g.dglo;
  r.south = g.glamn - g.dgla / 2;
  r.north = g.glamx + g.dgla / 2;
  r.columns = std::clamp(g.nlon, 0, maxColumns);
  r.rows = std::clamp(g.nlat, 0, maxRows);
  r.values.reserve(static_cast<std::size_t>(r.columns) * r.rows);
  r.low = 1;
  r.high = 0;
  for (std::int32_t row = 0; row < r.rows; ++row) {
    const auto node = static_cast<std::int32_t>((row + 0.5) * g.nlat / r.rows);
    for (std::int32_t column = 0; column < r.columns; ++column) {
      const float value =
          ReadGridNode(node, static_cast<std::int32_t>((column + 0.5) * g.nlon / r.columns));
      r.values.push_back(value);
      if (std::isnan(value)) continue;
      if (r.low > r.high) r.low = r.high = value;
      r.low = std::min(r.low, value);
      r.high = std::max(r.high, value);
    }
  }
  return r;
}

Picture CoveragePicture(const CoverageRaster& raster, const std::string& title) {
  Picture picture;
  picture.title = title;
  const Frame frame = FrameAround(raster);
  picture.width = static_cast<int>(kLeft + (frame.east - frame.west) * frame.scale + 24);
  const double plotBottom = frame.Y(frame.south);
  picture.height = static_cast<int>(plotBottom + kBottom);
  if (raster.columns > 0 && raster.rows > 0) AddCells(picture, raster, frame);
  AddGraticule(picture, frame);
  AddScale(picture, raster, plotBottom + 26);
  picture.texts.push_back({kLeft, 20, title, TextAnchor::Start, {}, true});
  return picture;
}

Picture SelectedModelCoverage() {
  SelectGeoidModel();
  if (!TheActiveGrid().open) return {};
  const CoverageRaster raster = SampleActiveGrid();
  CloseGrid();
  return CoveragePicture(raster, "Coverage: " + Window().GeoidModelText());
}

}  // namespace orthelev
