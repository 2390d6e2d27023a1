#include "geoid/isg_grid.hpp"

#include <cmath>

#include "base/ascii_text.hpp"
#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/japan.hpp"

namespace orthelev {
namespace {

// The positions of `count` nodes between the header limits `min` and `max`
// with the stated spacing: on the limits themselves (node registration) or
// half a spacing inside them (cell registration).
bool IsgAxis(double min, double max, double spacing, std::int32_t count, double& first,
             double& step) {
  const double span = max - min;
  if (count > 1 && std::fabs(span / (count - 1) / spacing - 1) < 1e-3) {
    step = span / (count - 1);
    first = min;
    return true;
  }
  if (count == 1 && std::fabs(span) < 1e-9 * spacing) {
    step = spacing;
    first = min;
    return true;
  }
  if (std::fabs(span / count / spacing - 1) < 1e-3) {
    step = span / count;
    first = min + step / 2;
    return true;
  }
  return false;
}

// The order of an ISG grid's values: rows of latitudes (or columns of
// longitudes when lonFirst), each running as the directions say.
struct IsgOrder {
  bool lonFirst = false;  // the values run down meridians, not along parallels
  bool northToSouth = true;
  bool westToEast = true;
};

// "N-to-S, W-to-E" and the other orders of the two directions, the first
// being the one that changes slowest. Letter case and blanks are ignored.
bool ParseIsgOrdering(std::string_view text, IsgOrder& order) {
  std::string compact;
  for (const char c : LowerAscii(text))
    if (c != ' ' && c != '\t') compact.push_back(c);
  const std::size_t comma = compact.find(',');
  if (comma == std::string::npos) return false;
  const std::string first = compact.substr(0, comma), second = compact.substr(comma + 1);
  const auto latitude = [](const std::string& term, bool& southward) {
    southward = term == "n-to-s";
    return southward || term == "s-to-n";
  };
  const auto longitude = [](const std::string& term, bool& eastward) {
    eastward = term == "w-to-e";
    return eastward || term == "e-to-w";
  };
  if (latitude(first, order.northToSouth) && longitude(second, order.westToEast)) {
    order.lonFirst = false;
    return true;
  }
  order.lonFirst = true;
  return longitude(first, order.westToEast) && latitude(second, order.northToSouth);
}

// The values of a grid read in `order`, put rows north to south, each west
// to east.
std::vector<float> InRowOrder(const std::vector<float>& values, const IsgOrder& order,
                              std::int32_t rows, std::int32_t columns) {
  if (!order.lonFirst && order.northToSouth && order.westToEast) return values;
  std::vector<float> ordered(values.size());
  const std::size_t fast = static_cast<std::size_t>(order.lonFirst ? rows : columns);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto slow = static_cast<std::int32_t>(i / fast),
               quick = static_cast<std::int32_t>(i % fast);
    std::int32_t row = order.lonFirst ? quick : slow, column = order.lonFirst ? slow : quick;
    if (!order.northToSouth) row = rows - 1 - row;
    if (!order.westToEast) column = columns - 1 - column;
    ordered[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
            static_cast<std::size_t>(column)] = values[i];
  }
  return ordered;
}

bool IsgGeometry(const IsgHeader& header, GridLattice& lattice, double& noData, IsgOrder& order,
                 std::string& error) {
  const char* required[] = {"lat min",   "lat max",   "lon min", "lon max",
                            "delta lat", "delta lon", "nrows",   "ncols"};
  for (const char* key : required)
    if (!header.count(key)) {
      error = "The ISG header has no \"" + std::string(key) + "\".";
      return false;
    }
  if (!HeaderValueIs(header, "coord type", "geodetic")) {
    error = "The ISG grid is projected; only latitude/longitude grids can be imported.";
    return false;
  }
  const auto ordering = header.find("data ordering");
  if (ordering != header.end() && !ParseIsgOrdering(ordering->second, order)) {
    error = "The ISG grid's data ordering \"" + ordering->second +
            "\" is none this program knows (such as N-to-S, W-to-E).";
    return false;
  }
  const bool dms = !HeaderValueIs(header, "coord units", "deg");
  double latMin, latMax, lonMin, lonMax, dLat, dLon;
  std::int32_t rows, columns;
  if (!ParseIsgAngle(header.at("lat min"), dms, latMin) ||
      !ParseIsgAngle(header.at("lat max"), dms, latMax) ||
      !ParseIsgAngle(header.at("lon min"), dms, lonMin) ||
      !ParseIsgAngle(header.at("lon max"), dms, lonMax) ||
      !ParseIsgAngle(header.at("delta lat"), dms, dLat) ||
      !ParseIsgAngle(header.at("delta lon"), dms, dLon) || !ParseInt32(header.at("nrows"), rows) ||
      !ParseInt32(header.at("ncols"), columns) || rows <= 0 || columns <= 0 || !(dLat > 0) ||
      !(dLon > 0) || static_cast<std::int64_t>(rows) * columns > kMaxGsiNodes) {
    error = "The ISG header's limits, spacings or sizes are not usable.";
    return false;
  }
  noData = std::numeric_limits<double>::quiet_NaN();
  if (header.count("nodata") && !ParseReal(header.at("nodata"), noData)) {
    error = "The ISG header's nodata value is not a number.";
    return false;
  }
  lattice.rows = rows;
  lattice.columns = columns;
  if (!IsgAxis(latMin, latMax, dLat, rows, lattice.southLatitude, lattice.latSpacing) ||
      !IsgAxis(lonMin, lonMax, dLon, columns, lattice.westLongitude, lattice.lonSpacing)) {
    error = "The ISG header's limits do not agree with its spacings and sizes.";
    return false;
  }
  return true;
}

// Reads values into `values`, each times `metresPerUnit`.
bool ReadIsgValues(TextLines& lines, double noData, double metresPerUnit,
                   std::vector<float>& values, std::string& error, const KeepReading& keepReading) {
  std::string line;
  std::size_t filled = 0;
  while (filled < values.size() && lines.Next(line)) {
    if (keepReading &&
        !keepReading(static_cast<double>(filled) / static_cast<double>(values.size()))) {
      error = "Stopped.";
      return false;
    }
    std::string_view rest = line;
    while (filled < values.size()) {
      while (!rest.empty() && IsSpaceOrTab(rest.front())) rest.remove_prefix(1);
      if (rest.empty()) break;
      std::size_t end = 0;
      while (end < rest.size() && !IsSpaceOrTab(rest[end])) ++end;
      double value = 0;
      if (!ParseReal(rest.substr(0, end), value)) {
        error = "Line " + FormatInt(lines.Number()) +
                " of the ISG grid holds a value that is not a number.";
        return false;
      }
      rest.remove_prefix(end);
      const bool missing =
          value == noData || static_cast<float>(value) == static_cast<float>(noData);
      values[filled++] = missing ? kMissingNode : static_cast<float>(value * metresPerUnit);
    }
  }
  if (filled < values.size()) {
    error = "The ISG grid has " + FormatInt(static_cast<std::int64_t>(filled)) +
            " values instead of " + FormatInt(static_cast<std::int64_t>(values.size())) + ".";
    return false;
  }
  return true;
}

}  // namespace

double IsgMetresPerUnit(const IsgHeader& header) {
  constexpr double kMetresPerFoot = 0.3048;  // the international foot
  for (const char* key : {"data units", "units"})
    if (header.count(key)) return HeaderValueIs(header, key, "feet") ? kMetresPerFoot : 1;
  return 1;
}

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

bool ReadIsgHeader(TextLines& lines, IsgHeader& header, std::string& error) {
  std::string line;
  bool inside = false;
  while (lines.Next(line)) {
    if (line.rfind("begin_of_head", 0) == 0) {
      inside = true;
    } else if (line.rfind("end_of_head", 0) == 0) {
      if (inside) return true;
    } else if (inside) {
      const std::size_t split = line.find_first_of(":=");
      if (split == std::string::npos) continue;
      header[LowerAscii(TrimControlAndBlanks(std::string_view(line).substr(0, split)))] =
          std::string(TrimControlAndBlanks(std::string_view(line).substr(split + 1)));
    }
  }
  error = "The ISG header is not complete (no end_of_head line).";
  return false;
}

bool ParseIsgAngle(std::string_view text, bool dms, double& value) {
  if (!dms) return ParseReal(text, value);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  double parts[3] = {0, 0, 0};
  int count = 0;
  while (!text.empty() && count < 3) {
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    if (end == 0) return false;
    if (!ParseReal(text.substr(0, end), parts[count++])) return false;
    text.remove_prefix(end);
    while (!text.empty() && !(text.front() >= '0' && text.front() <= '9')) text.remove_prefix(1);
  }
  if (count == 0 || !text.empty()) return false;
  value = parts[0] + parts[1] / 60 + parts[2] / 3600;
  if (negative) value = -value;
  return true;
}

bool HeaderValueIs(const IsgHeader& header, const std::string& key, std::string_view expected) {
  const auto found = header.find(key);
  if (found == header.end()) return true;
  std::string compact;
  for (char c : LowerAscii(found->second))
    if (c != ' ') compact.push_back(c);
  return compact == expected;
}

bool ReadIsgGrid(TextLines& lines, const IsgHeader& header, std::int64_t fileBytes,
                 GridValues& grid, std::string& error, const KeepReading& keepReading) {
  GridLattice& lattice = grid.lattice;
  double noData = 0;
  IsgOrder order;
  if (!IsgGeometry(header, lattice, noData, order, error)) return false;
  // Values are separated by blanks or line ends: a file of n bytes holds
  // at most (n + 1) / 2 of them.
  if (static_cast<std::int64_t>(lattice.rows) * lattice.columns > (fileBytes + 1) / 2) {
    error = "The ISG header announces " + FormatInt(lattice.rows) + " rows of " +
            FormatInt(lattice.columns) + " values, more than the file can hold.";
    return false;
  }
  std::vector<float> values(static_cast<std::size_t>(lattice.rows) *
                            static_cast<std::size_t>(lattice.columns));
  if (!ReadIsgValues(lines, noData, IsgMetresPerUnit(header), values, error, keepReading))
    return false;
  grid.values = InRowOrder(values, order, lattice.rows, lattice.columns);
  return true;
}

bool ReadIsgGridFile(const std::string& path, GridValues& grid, std::string& error,
                     const KeepReading& keepReading) {
  TextLines lines(path);
  IsgHeader header;
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return false;
  }
  if (!ReadIsgHeader(lines, header, error)) return false;
  if (!HeaderValueIs(header, "data format", "grid")) {
    error = path + " holds points, not a grid.";
    return false;
  }
  return ReadIsgGrid(lines, header, FileBytes(path), grid, error, keepReading);
}

}  // namespace orthelev
