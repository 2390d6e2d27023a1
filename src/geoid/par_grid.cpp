#include "geoid/par_grid.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/japan.hpp"

namespace orthelev {
namespace {

struct ParNode {
  std::int32_t row = 0, column = 0;  // lattice position (ParseMeshCode)
  float dH = 0;
};

// A box needs at most this many lattice nodes for each node of the file.
constexpr std::int64_t kMaxBoxNodesPerNode = 64;

std::string_view NextField(std::string_view& rest) {
  while (!rest.empty() && IsSpaceOrTab(rest.front())) rest.remove_prefix(1);
  std::size_t end = 0;
  while (end < rest.size() && !IsSpaceOrTab(rest[end])) ++end;
  const std::string_view field = rest.substr(0, end);
  rest.remove_prefix(end);
  return field;
}

bool ReadParNodes(TextLines& lines, std::int64_t fileBytes, std::vector<ParNode>& nodes,
                  std::string& error, const KeepReading& keepReading) {
  std::string line;
  while (lines.Next(line)) {
    if (keepReading &&
        !keepReading(static_cast<double>(lines.BytesRead()) / static_cast<double>(fileBytes))) {
      error = "Stopped.";
      return false;
    }
    std::string_view rest = TrimControlAndBlanks(line);
    if (rest.empty()) continue;
    ParNode node;
    double dH = 0;
    if (!ParseMeshCode(NextField(rest), node.row, node.column) || !ParseReal(NextField(rest), dH) ||
        !(std::fabs(dH) < 1000)) {
      error = "Line " + FormatInt(lines.Number()) + " of the parameter file is no node.";
      return false;
    }
    node.dH = static_cast<float>(dH);
    nodes.push_back(node);
  }
  if (nodes.empty()) error = "The parameter file has no node.";
  return !nodes.empty();
}

}  // namespace

bool ParseMeshCode(std::string_view code, std::int32_t& row, std::int32_t& column) {
  if (code.size() != 8 ||
      !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const auto digit = [&code](std::size_t at) { return code[at] - '0'; };
  const int pp = digit(0) * 10 + digit(1), qq = digit(2) * 10 + digit(3);
  const int r = digit(4), s = digit(5), t = digit(6), u = digit(7);
  if (r > 7 || s > 7) return false;
  // pp/1.5 degrees = pp * 80 rows of 30"; r/12 degree = 10 rows; t/120 = 1.
  row = pp * 80 + r * 10 + t;
  // qq degrees = qq * 80 columns of 45"; s/8 degree = 10 columns; u/80 = 1.
  column = qq * 80 + s * 10 + u;
  return true;
}

bool ReadParGrid(const std::string& path, GridValues& grid, std::string& error,
                 const KeepReading& keepReading) {
  TextLines lines(path);
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return false;
  }
  std::string line;
  for (int i = 0; i < kParHeaderLines; ++i)
    if (!lines.Next(line)) line.clear();
  if (line.find("MeshCode") == std::string::npos) {
    error = path + " is not a PatchJGD(H) parameter file: line 16 is no \"MeshCode\" line.";
    return false;
  }
  std::vector<ParNode> nodes;
  // One byte more than the file, so that the progress fraction never divides by zero.
  const std::int64_t progressBytes = std::max<std::int64_t>(FileBytes(path), 0) + 1;
  if (!ReadParNodes(lines, progressBytes, nodes, error, keepReading)) return false;
  std::int32_t south = nodes[0].row, north = south, west = nodes[0].column, east = west;
  for (const ParNode& n : nodes) {
    south = std::min(south, n.row), north = std::max(north, n.row);
    west = std::min(west, n.column), east = std::max(east, n.column);
  }
  GridLattice& lattice = grid.lattice;
  lattice.rows = north - south + 1;
  lattice.columns = east - west + 1;
  const std::int64_t boxNodes = static_cast<std::int64_t>(lattice.rows) * lattice.columns;
  if (boxNodes > kMaxGsiNodes ||
      boxNodes > kMaxBoxNodesPerNode * static_cast<std::int64_t>(nodes.size())) {
    error = "The nodes of " + path + " are spread over " + FormatInt(boxNodes) +
            " lattice nodes, too many for the " +
            FormatInt(static_cast<std::int64_t>(nodes.size())) + " it has.";
    return false;
  }
  lattice.southLatitude = static_cast<double>(south) / kParNodesPerDegreeLat;
  lattice.westLongitude = kParWestLongitude + static_cast<double>(west) / kParNodesPerDegreeLon;
  lattice.latSpacing = 1.0 / kParNodesPerDegreeLat;
  lattice.lonSpacing = 1.0 / kParNodesPerDegreeLon;
  grid.values.assign(static_cast<std::size_t>(boxNodes), kMissingNode);
  for (const ParNode& n : nodes)
    grid.values[static_cast<std::size_t>(north - n.row) *
                    static_cast<std::size_t>(lattice.columns) +
                static_cast<std::size_t>(n.column - west)] = n.dH;
  return true;
}

}  // namespace orthelev
