// The grid readers that need no GDAL: EGM2008 raw grids, GSIGEO ASCII grids
// and ISG text grids.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <optional>

#include "base/byte_order.hpp"
#include "base/number_format.hpp"
#include "geoid/grid_file.hpp"
#include "geoid/japan.hpp"
#include "geoid/node_values.hpp"
#include "import/grid_source.hpp"

namespace orthelev {
namespace {

constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
// The value of a GSIGEO node without a height.
constexpr double kGsiNoData = 999.0;

// Reads text lines, ending at LF with a CR before it dropped.
class TextLines {
 public:
  explicit TextLines(const std::string& path) : in_(path, std::ios::binary) {}
  bool IsOpen() const { return in_.is_open(); }
  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::ifstream in_;
  int number_ = 0;
};

// The size of the file at `path`, 0 when it cannot be had.
std::int64_t FileBytes(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

// The first line of a file, at most `limit` bytes of it.
std::string FirstLine(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  char c;
  while (line.size() < limit && in.get(c) && c != '\n') line.push_back(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

class EgmRawGrid : public GridSource {
 public:
  EgmRawGrid(int nodesPerDegree) {
    lattice_.rows = 180 * nodesPerDegree + 1;
    lattice_.columns = 360 * nodesPerDegree;
    lattice_.southLatitude = -90;
    lattice_.westLongitude = 0;
    lattice_.latSpacing = lattice_.lonSpacing = 1.0 / nodesPerDegree;
    bytes_.resize(static_cast<std::size_t>(lattice_.columns) * 4);
  }
  GridFile& File() { return file_; }
  const SourceLattice& Lattice() const override { return lattice_; }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const std::int64_t stride = 4 * (static_cast<std::int64_t>(lattice_.columns) + 2);
    if (!file_.ReadExact(row * stride + 4, bytes_.data(),
                         static_cast<std::int64_t>(bytes_.size()))) {
      error = "Cannot read row " + FormatInt(row) + " of the EGM2008 grid.";
      return false;
    }
    for (std::int32_t c = 0; c < lattice_.columns; ++c)
      values[c] = FromLittleEndian<float>(&bytes_[std::size_t{4} * c]);
    return true;
  }

 private:
  SourceLattice lattice_;
  GridFile file_;
  std::vector<unsigned char> bytes_;
};

bool ReadGsiHeader(std::string_view line, GridSpec& geometry) {
  const std::optional<GridSpec> header = ParseGsiHeader(line);
  if (header) geometry = *header;
  return header.has_value();
}

// --- ISG ----------------------------------------------------------------

using IsgHeader = std::map<std::string, std::string>;

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

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
      header[LowerCase(TrimControlAndBlanks(std::string_view(line).substr(0, split)))] =
          std::string(TrimControlAndBlanks(std::string_view(line).substr(split + 1)));
    }
  }
  error = "The ISG header is not complete (no end_of_head line).";
  return false;
}

// An angle in decimal degrees, or as degrees, minutes and seconds (any
// characters between the three numbers, such as 15°30'00").
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
  for (char c : LowerCase(found->second))
    if (c != ' ') compact.push_back(c);
  return compact == expected;
}

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
  for (const char c : LowerCase(text))
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

bool IsgGeometry(const IsgHeader& header, SourceLattice& lattice, double& noData, IsgOrder& order,
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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ReadIsgValues(TextLines& lines, double noData, std::vector<float>& values,
                   std::string& error) {
  std::string line;
  std::size_t filled = 0;
  while (filled < values.size() && lines.Next(line)) {
    std::string_view rest = line;
    while (filled < values.size()) {
      while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
      if (rest.empty()) break;
      std::size_t end = 0;
      while (end < rest.size() && !IsBlank(rest[end])) ++end;
      double value = 0;
      if (!ParseReal(rest.substr(0, end), value)) {
        error = "Line " + FormatInt(lines.Number()) +
                " of the ISG grid holds a value that is not a number.";
        return false;
      }
      rest.remove_prefix(end);
      const bool missing =
          value == noData || static_cast<float>(value) == static_cast<float>(noData);
      values[filled++] = missing ? kMissing : static_cast<float>(value);
    }
  }
  if (filled < values.size()) {
    error = "The ISG grid has " + FormatInt(static_cast<std::int64_t>(filled)) +
            " values instead of " + FormatInt(static_cast<std::int64_t>(values.size())) + ".";
    return false;
  }
  return true;
}

// Sparse ISG files: one point a line, "lat lon N" (or longitude first),
// read as a grid when the points lie on a regular lattice.

struct IsgPoint {
  double latitude = 0, longitude = 0;
  float value = 0;
};

// A sparse file must fill at least this share of its lattice.
constexpr std::int64_t kMaxLatticeNodesPerPoint = 64;

// "lat, lon, N" or "lon, lat, N" (any name for the value); lonFirst tells which.
bool ParseIsgPointOrdering(std::string_view text, bool& lonFirst) {
  std::string compact;
  for (const char c : LowerCase(text))
    if (c != ' ' && c != '\t') compact.push_back(c);
  lonFirst = compact.rfind("lon,lat,", 0) == 0;
  return lonFirst || compact.rfind("lat,lon,", 0) == 0;
}

bool ReadIsgPoints(TextLines& lines, std::int32_t count, bool lonFirst, bool dms, double noData,
                   std::vector<IsgPoint>& points, std::string& error) {
  std::string line;
  while (static_cast<std::int32_t>(points.size()) < count && lines.Next(line)) {
    std::string_view rest = TrimControlAndBlanks(line);
    if (rest.empty()) continue;
    std::string_view fields[3];
    for (std::string_view& field : fields) {
      while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
      std::size_t end = 0;
      while (end < rest.size() && !IsBlank(rest[end])) ++end;
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
    point.value = missing ? kMissing : static_cast<float>(value);
    points.push_back(point);
  }
  if (static_cast<std::int32_t>(points.size()) < count) {
    error = "The ISG file has " + FormatInt(static_cast<std::int64_t>(points.size())) +
            " points instead of " + FormatInt(count) + ".";
    return false;
  }
  return true;
}

// The lattice axis the coordinates lie on: its first value, spacing (the
// smallest step between distinct values) and count. False when fewer than
// two distinct values, one off the lattice, or more than `maxCount` nodes.
bool LatticeAxis(std::vector<double> values, std::int64_t maxCount, double& first, double& step,
                 std::int64_t& count) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end(),
                           [](double a, double b) { return std::fabs(a - b) < 1e-9; }),
               values.end());
  if (values.size() < 2) return false;
  step = values[1] - values[0];
  for (std::size_t i = 2; i < values.size(); ++i) step = std::min(step, values[i] - values[i - 1]);
  first = values.front();
  const double steps = std::nearbyint((values.back() - first) / step);
  if (!(steps < static_cast<double>(maxCount))) return false;  // NaN and infinities too
  for (const double v : values) {
    const double k = (v - first) / step;
    if (std::fabs(k - std::nearbyint(k)) > 1e-6) return false;
  }
  count = static_cast<std::int64_t>(steps) + 1;
  return true;
}

std::unique_ptr<GridSource> SparseIsgGrid(TextLines& lines, const IsgHeader& header,
                                          std::string& error) {
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
  if (!ReadIsgPoints(lines, count, lonFirst, !HeaderValueIs(header, "coord units", "deg"), noData,
                     points, error))
    return nullptr;
  std::vector<double> latitudes, longitudes;
  for (const IsgPoint& p : points)
    latitudes.push_back(p.latitude), longitudes.push_back(p.longitude);
  SourceLattice lattice;
  std::int64_t rows = 0, columns = 0;
  // Each axis holds at most the lattice's nodes, so rows * columns cannot overflow.
  const std::int64_t maxNodes = kMaxLatticeNodesPerPoint * count;
  if (!LatticeAxis(latitudes, maxNodes, lattice.southLatitude, lattice.latSpacing, rows) ||
      !LatticeAxis(longitudes, maxNodes, lattice.westLongitude, lattice.lonSpacing, columns) ||
      rows * columns > maxNodes) {
    error = "The ISG points do not lie on a regular latitude/longitude lattice that they fill.";
    return nullptr;
  }
  lattice.rows = static_cast<std::int32_t>(rows);
  lattice.columns = static_cast<std::int32_t>(columns);
  std::vector<float> values(static_cast<std::size_t>(rows * columns), kMissing);
  for (const IsgPoint& p : points) {
    const auto r = rows - 1 -
                   static_cast<std::int64_t>(
                       std::nearbyint((p.latitude - lattice.southLatitude) / lattice.latSpacing));
    const auto c = static_cast<std::int64_t>(
        std::nearbyint((p.longitude - lattice.westLongitude) / lattice.lonSpacing));
    values[static_cast<std::size_t>(r * columns + c)] = p.value;
  }
  return std::make_unique<MemoryGridSource>(lattice, std::move(values));
}

// --- GeographicLib .pgm ---------------------------------------------------

// The header of a binary PGM image (P5) and the comments GeographicLib's
// geoid grids carry: "# Offset X" and "# Scale Y" (heights = X + Y * pixel).
struct PgmHeader {
  std::int64_t width = 0, height = 0, maxValue = 0;
  std::int64_t dataStart = 0;  // byte of the first pixel
  std::optional<double> offset, scale;
};

constexpr std::size_t kMaxPgmHeaderBytes = 65536;

std::string FileStart(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string start(limit, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

bool IsPgmSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void ReadPgmComment(std::string_view comment, PgmHeader& header) {
  comment = TrimControlAndBlanks(comment);
  double value = 0;
  for (const auto& [key, into] : {std::pair{std::string_view("Offset"), &header.offset},
                                  std::pair{std::string_view("Scale"), &header.scale}})
    if (comment.rfind(key, 0) == 0 && comment.size() > key.size() &&
        IsPgmSpace(comment[key.size()]) &&
        ParseReal(TrimControlAndBlanks(comment.substr(key.size())), value))
      *into = value;
}

// Parses the header; false when the bytes are no P5 header.
bool ParsePgmHeader(std::string_view bytes, PgmHeader& header) {
  if (bytes.size() < 3 || bytes.substr(0, 2) != "P5" || !IsPgmSpace(bytes[2])) return false;
  std::size_t at = 2;
  std::int64_t* fields[] = {&header.width, &header.height, &header.maxValue};
  for (std::int64_t* field : fields) {
    while (at < bytes.size() && (IsPgmSpace(bytes[at]) || bytes[at] == '#')) {
      if (bytes[at] != '#') {
        ++at;
        continue;
      }
      const std::size_t end = bytes.find('\n', at);
      if (end == std::string_view::npos) return false;
      ReadPgmComment(bytes.substr(at + 1, end - at - 1), header);
      at = end + 1;
    }
    std::size_t end = at;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9' && end - at < 12) ++end;
    std::int32_t value = 0;
    if (end == at || !ParseInt32(bytes.substr(at, end - at), value)) return false;
    *field = value;
    at = end;
  }
  // One blank ends the header.
  if (at >= bytes.size() || !IsPgmSpace(bytes[at])) return false;
  header.dataStart = static_cast<std::int64_t>(at) + 1;
  return true;
}

class PgmGrid : public GridSource {
 public:
  PgmGrid(const PgmHeader& header, double offset, double scale)
      : header_(header), offset_(offset), scale_(scale) {
    lattice_.rows = static_cast<std::int32_t>(header.height);
    lattice_.columns = static_cast<std::int32_t>(header.width);
    lattice_.southLatitude = -90;
    lattice_.westLongitude = 0;
    lattice_.latSpacing = 180.0 / static_cast<double>(header.height - 1);
    lattice_.lonSpacing = 360.0 / static_cast<double>(header.width);
    bytes_.resize(static_cast<std::size_t>(2 * header.width));
  }
  GridFile& File() { return file_; }
  const SourceLattice& Lattice() const override { return lattice_; }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const std::int64_t rowBytes = 2 * header_.width;
    if (!file_.ReadExact(header_.dataStart + row * rowBytes, bytes_.data(), rowBytes)) {
      error = "Cannot read row " + FormatInt(row) + " of the PGM geoid grid.";
      return false;
    }
    for (std::int32_t c = 0; c < lattice_.columns; ++c) {
      const unsigned pixel =
          unsigned{bytes_[2 * std::size_t(c)]} << 8 | bytes_[2 * std::size_t(c) + 1];
      values[c] = static_cast<float>(offset_ + scale_ * pixel);
    }
    return true;
  }

 private:
  PgmHeader header_;
  double offset_, scale_;
  SourceLattice lattice_;
  GridFile file_;
  std::vector<unsigned char> bytes_;
};

}  // namespace

bool LooksLikeGeographicLibPgm(const std::string& path) {
  const std::string start = FileStart(path, 3);
  return start.size() == 3 && start.substr(0, 2) == "P5" && IsPgmSpace(start[2]);
}

std::unique_ptr<GridSource> OpenGeographicLibPgm(const std::string& path, std::string& error) {
  PgmHeader header;
  if (!ParsePgmHeader(FileStart(path, kMaxPgmHeaderBytes), header)) {
    error = path + " is not a PGM geoid grid: its header cannot be read.";
    return nullptr;
  }
  if (!header.offset || !header.scale) {
    error = path + " is a PGM image without the \"# Offset\" and \"# Scale\" comments of " +
            "GeographicLib's geoid grids: its heights are unknown.";
    return nullptr;
  }
  if (header.maxValue != 65535 || header.width < 1 || header.height < 2 ||
      header.width * header.height > kMaxGsiNodes * 16) {
    error = path + " is not a PGM geoid grid of 16-bit nodes (" + FormatInt(header.width) + " by " +
            FormatInt(header.height) + ", largest value " + FormatInt(header.maxValue) + ").";
    return nullptr;
  }
  // width * height < 2^31 * 16: no overflow.
  if (header.dataStart + 2 * header.width * header.height > FileBytes(path)) {
    error = path + " is shorter than its " + FormatInt(header.height) + " rows of " +
            FormatInt(header.width) + " nodes.";
    return nullptr;
  }
  auto grid = std::make_unique<PgmGrid>(header, *header.offset, *header.scale);
  if (!grid->File().Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  return grid;
}

bool MemoryGridSource::ReadRow(std::int32_t row, float* values, std::string& error) {
  if (row < 0 || row >= lattice_.rows) {
    error = "No row " + FormatInt(row) + " in the grid.";
    return false;
  }
  const auto begin = values_.begin() + static_cast<std::ptrdiff_t>(row) * lattice_.columns;
  std::copy(begin, begin + lattice_.columns, values);
  return true;
}

int EgmRawNodesPerDegree(std::int64_t fileBytes, bool anySpacing) {
  for (int k = 1; k <= 600; ++k) {
    if (!anySpacing && k != 24 && k != 60) continue;
    if (4 * (180 * std::int64_t(k) + 1) * (360 * std::int64_t(k) + 2) == fileBytes) return k;
  }
  return 0;
}

std::unique_ptr<GridSource> OpenEgmRawGrid(const std::string& path, bool anySpacing,
                                           std::string& error) {
  GridFile probe;
  if (!probe.Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  const int nodesPerDegree = EgmRawNodesPerDegree(probe.Size(), anySpacing);
  if (nodesPerDegree == 0) {
    error = path + " is not an EGM2008 grid: its size (" + FormatInt(probe.Size()) +
            " bytes) fits no global grid of framed rows.";
    return nullptr;
  }
  auto grid = std::make_unique<EgmRawGrid>(nodesPerDegree);
  if (!grid->File().Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  return grid;
}

bool LooksLikeGsiAsciiGrid(const std::string& path) {
  GridSpec geometry;
  return ReadGsiHeader(FirstLine(path, 4096), geometry);
}

std::unique_ptr<GridSource> OpenGsiAsciiGrid(const std::string& path, std::string& error) {
  TextLines lines(path);
  std::string line;
  GridSpec geometry;
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  if (!lines.Next(line) || !ReadGsiHeader(line, geometry)) {
    error = path + " is not a GSIGEO grid: its first line is no grid header.";
    return nullptr;
  }
  if (!GsiGridFitsFile(geometry, FileBytes(path))) {
    error = "The GSIGEO grid has fewer values than its header's " + FormatInt(geometry.nlat) +
            " rows of " + FormatInt(geometry.nlon) + ".";
    return nullptr;
  }
  std::vector<float> values(static_cast<std::size_t>(geometry.nlat) *
                            static_cast<std::size_t>(geometry.nlon));
  std::string_view rest;
  // The file runs from the southernmost row; the source gives the northernmost first.
  for (std::int32_t r = geometry.nlat - 1; r >= 0; --r) {
    float* row = values.data() + static_cast<std::ptrdiff_t>(r) * geometry.nlon;
    for (std::int32_t c = 0; c < geometry.nlon; ++c) {
      if (rest.empty()) {
        if (!lines.Next(line)) {
          error = "The GSIGEO grid has fewer values than its header's " + FormatInt(geometry.nlat) +
                  " rows of " + FormatInt(geometry.nlon) + ".";
          return nullptr;
        }
        rest = line;
      }
      double value = 0;
      if (!NextRealToken(rest, value)) {
        error = "Line " + FormatInt(lines.Number()) +
                " of the GSIGEO grid holds a value that is not a number.";
        return nullptr;
      }
      // 999.0 marks the nodes without a height; any other value is kept,
      // so that one of magnitude 200 or more is counted as dropped.
      row[c] = value == kGsiNoData ? kMissing : static_cast<float>(value);
    }
  }
  const SourceLattice lattice{geometry.nlat,  geometry.nlon, geometry.glamn,
                              geometry.glomn, geometry.dgla, geometry.dglo};
  return std::make_unique<MemoryGridSource>(lattice, std::move(values));
}

bool LooksLikeIsgGrid(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string start(4096, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  const std::size_t begin = start.find("begin_of_head");
  return begin != std::string::npos && start.find('\0') == std::string::npos;
}

std::unique_ptr<GridSource> OpenIsgGrid(const std::string& path, std::string& error) {
  TextLines lines(path);
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  IsgHeader header;
  SourceLattice lattice;
  double noData = 0;
  IsgOrder order;
  if (!ReadIsgHeader(lines, header, error)) return nullptr;
  if (!HeaderValueIs(header, "data format", "grid")) return SparseIsgGrid(lines, header, error);
  if (!IsgGeometry(header, lattice, noData, order, error)) return nullptr;
  // Values are separated by blanks or line ends: a file of n bytes holds
  // at most (n + 1) / 2 of them.
  if (static_cast<std::int64_t>(lattice.rows) * lattice.columns > (FileBytes(path) + 1) / 2) {
    error = "The ISG header announces " + FormatInt(lattice.rows) + " rows of " +
            FormatInt(lattice.columns) + " values, more than the file can hold.";
    return nullptr;
  }
  std::vector<float> values(static_cast<std::size_t>(lattice.rows) *
                            static_cast<std::size_t>(lattice.columns));
  if (!ReadIsgValues(lines, noData, values, error)) return nullptr;
  return std::make_unique<MemoryGridSource>(
      lattice, InRowOrder(values, order, lattice.rows, lattice.columns));
}

}  // namespace orthelev
