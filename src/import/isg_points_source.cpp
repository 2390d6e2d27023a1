// Sparse ISG files: one point a line, "lat lon N" (or longitude first),
// read as a grid when the points lie on a regular lattice.

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "geoid/japan.hpp"
#include "import/import_plan.hpp"
#include "import/reader_text.hpp"

namespace orthelev {
namespace {

constexpr const char* kOffLattice =
    "The ISG points do not lie on a regular latitude/longitude lattice that they fill.";

struct IsgPoint {
  double latitude = 0, longitude = 0;
  float value = 0;
};

// A sparse file must fill at least this share of its lattice.
constexpr std::int64_t kMaxLatticeNodesPerPoint = 64;

// "lat, lon, N" or "lon, lat, N" (any name for the value); lonFirst tells which.
bool ParseIsgPointOrdering(std::string_view text, bool& lonFirst) {
  std::string compact;
  for (const char c : LowerAscii(text))
    if (c != ' ' && c != '\t') compact.push_back(c);
  lonFirst = compact.rfind("lon,lat,", 0) == 0;
  return lonFirst || compact.rfind("lat,lon,", 0) == 0;
}

// Degrees of one unit of the last decimal a coordinate is written with
// ("45.016667": 1e-6; in degrees, minutes and seconds, of the seconds).
double WrittenPrecision(std::string_view text, bool dms) {
  const std::size_t point = text.rfind('.');
  int decimals = 0;
  if (point != std::string_view::npos)
    while (point + 1 + decimals < text.size() && text[point + 1 + decimals] >= '0' &&
           text[point + 1 + decimals] <= '9')
      ++decimals;
  return std::pow(10.0, -decimals) / (dms ? 3600 : 1);
}

// The points' values, times `metresPerUnit`, and the coarsest precision
// their coordinates are written with.
bool ReadIsgPoints(TextLines& lines, std::int32_t count, bool lonFirst, bool dms, double noData,
                   double metresPerUnit, std::vector<IsgPoint>& points, double& precision,
                   std::string& error) {
  precision = 0;
  std::string line;
  while (static_cast<std::int32_t>(points.size()) < count && lines.Next(line)) {
    std::string_view rest = TrimControlAndBlanks(line);
    if (rest.empty()) continue;
    std::string_view fields[3];
    for (std::string_view& field : fields) {
      while (!rest.empty() && IsSpaceOrTab(rest.front())) rest.remove_prefix(1);
      std::size_t end = 0;
      while (end < rest.size() && !IsSpaceOrTab(rest[end])) ++end;
      field = rest.substr(0, end);
      rest.remove_prefix(end);
    }
    IsgPoint point;
    double value = 0;
    if (!ParseIsgAngle(fields[lonFirst ? 1 : 0], dms, point.latitude) ||
        !ParseIsgAngle(fields[lonFirst ? 0 : 1], dms, point.longitude) ||
        !ParseReal(fields[2], value) || !TrimControlAndBlanks(rest).empty() ||
        !std::isfinite(point.latitude) || !std::isfinite(point.longitude)) {
      error = "Line " + FormatInt(lines.Number()) + " of the ISG file is no point (" +
              (lonFirst ? "lon lat N" : "lat lon N") + ").";
      return false;
    }
    const bool missing = value == noData || static_cast<float>(value) == static_cast<float>(noData);
    point.value = missing ? kMissingNode : static_cast<float>(value * metresPerUnit);
    precision =
        std::max({precision, WrittenPrecision(fields[0], dms), WrittenPrecision(fields[1], dms)});
    points.push_back(point);
  }
  if (static_cast<std::int32_t>(points.size()) < count) {
    error = "The ISG file has " + FormatInt(static_cast<std::int64_t>(points.size())) +
            " points instead of " + FormatInt(count) + ".";
    return false;
  }
  return true;
}

// The sorted `values` with those within `same` of the one kept before them
// left out.
std::vector<double> DistinctValues(std::vector<double> values, double same) {
  values.erase(std::unique(values.begin(), values.end(),
                           [same](double a, double b) { return std::fabs(a - b) <= same; }),
               values.end());
  return values;
}

// The smallest gap between the sorted `values` (at least two).
double SmallestGap(const std::vector<double>& values) {
  double gap = values[1] - values[0];
  for (std::size_t i = 2; i < values.size(); ++i) gap = std::min(gap, values[i] - values[i - 1]);
  return gap;
}

// The lattice axis the coordinates lie on: its first value, spacing (the
// span over the number of smallest steps between distinct values) and
// count. False when fewer than two distinct values, a spacing finer than
// kFinestGridSpacing (values that close are merged, so a finer one would
// leave points off the axis), one value farther off the lattice than the
// `precision` the coordinates are written with, or more than `maxCount`
// nodes.
bool LatticeAxis(std::vector<double> values, std::int64_t maxCount, double precision, double& first,
                 double& step, std::int64_t& count) {
  std::sort(values.begin(), values.end());
  // Values a last written decimal apart are one node written twice, where
  // that precision is fine enough to tell the nodes apart.
  std::vector<double> nodes = DistinctValues(values, 1.01 * precision);
  if (nodes.size() < 2 || SmallestGap(nodes) < 4 * precision) nodes = DistinctValues(values, 1e-9);
  values = std::move(nodes);
  if (values.size() < 2) return false;
  step = SmallestGap(values);
  if (!(step >= kFinestGridSpacing)) return false;
  first = values.front();
  const double steps = std::nearbyint((values.back() - first) / step);
  if (!(steps < static_cast<double>(maxCount))) return false;  // NaN and infinities too
  step = (values.back() - first) / steps;
  // Two written values may each be off by half their last decimal.
  const double tolerance = std::max(1e-6 * step, precision);
  for (const double v : values) {
    const double k = std::nearbyint((v - first) / step);
    if (std::fabs(v - (first + k * step)) > tolerance) return false;
  }
  count = static_cast<std::int64_t>(steps) + 1;
  return true;
}

}  // namespace

std::unique_ptr<GridSource> OpenIsgPoints(TextLines& lines, const IsgHeader& header,
                                          std::vector<std::string> notes,
                                          SourceDescription description, std::string& error) {
  if (!HeaderValueIs(header, "coord type", "geodetic")) {
    error = "The ISG points are projected; only latitude/longitude grids can be imported.";
    return nullptr;
  }
  bool lonFirst = false;
  const auto ordering = header.find("data ordering");
  if (ordering != header.end() && !ParseIsgPointOrdering(ordering->second, lonFirst)) {
    error = "The ISG points' data ordering \"" + ordering->second +
            "\" is none this program knows (lat, lon, N).";
    return nullptr;
  }
  std::int32_t count = 0;
  double noData = std::numeric_limits<double>::quiet_NaN();
  if (!header.count("nrows") || !ParseInt32(header.at("nrows"), count) || count <= 0 ||
      count > kMaxGsiNodes / kMaxLatticeNodesPerPoint ||
      (header.count("nodata") && !ParseReal(header.at("nodata"), noData))) {
    error = "The ISG header's point count (nrows) or nodata value is not usable.";
    return nullptr;
  }
  std::vector<IsgPoint> points;
  double precision = 0;
  if (!ReadIsgPoints(lines, count, lonFirst, !HeaderValueIs(header, "coord units", "deg"), noData,
                     IsgMetresPerUnit(header), points, precision, error))
    return nullptr;
  std::vector<double> latitudes, longitudes;
  for (const IsgPoint& p : points)
    latitudes.push_back(p.latitude), longitudes.push_back(p.longitude);
  SourceLattice lattice;
  std::int64_t rows = 0, columns = 0;
  // Each axis holds at most the lattice's nodes, so rows * columns cannot overflow.
  const std::int64_t maxNodes = kMaxLatticeNodesPerPoint * count;
  if (!LatticeAxis(latitudes, maxNodes, precision, lattice.southLatitude, lattice.latSpacing,
                   rows) ||
      !LatticeAxis(longitudes, maxNodes, precision, lattice.westLongitude, lattice.lonSpacing,
                   columns) ||
      rows * columns > maxNodes) {
    error = kOffLattice;
    return nullptr;
  }
  lattice.rows = static_cast<std::int32_t>(rows);
  lattice.columns = static_cast<std::int32_t>(columns);
  std::vector<float> values(static_cast<std::size_t>(rows * columns), kMissingNode);
  for (const IsgPoint& p : points) {
    const double r = static_cast<double>(rows - 1) -
                     std::nearbyint((p.latitude - lattice.southLatitude) / lattice.latSpacing);
    const double c = std::nearbyint((p.longitude - lattice.westLongitude) / lattice.lonSpacing);
    if (!(r >= 0 && r < static_cast<double>(rows) && c >= 0 && c < static_cast<double>(columns))) {
      error = kOffLattice;
      return nullptr;
    }
    values[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) +
           static_cast<std::size_t>(c)] = p.value;
  }
  return std::make_unique<MemoryGridSource>(lattice, std::move(values), std::move(notes),
                                            std::move(description));
}

}  // namespace orthelev
