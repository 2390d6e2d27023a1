#include "geoid/custom_geoid.hpp"

#include <cmath>
#include <cstring>
#include <string_view>

#include "base/byte_order.hpp"
#include "geoid/active_grid.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

// A spacing the grid arithmetic can use: finite, positive, and giving at
// least one node per 100 degrees after rounding (no division by zero).
bool UsableSpacing(double spacing) {
  return std::isfinite(spacing) && spacing > 0 && NodesPerDegree(spacing) > 0;
}

bool ValidTrailer(const GridSpec& s, std::int64_t fileSize) {
  if (s.nrows <= 0 || s.ncols <= 0) return false;
  if (!UsableSpacing(s.dgla) || !UsableSpacing(s.dglo)) return false;
  if (!std::isfinite(s.glamn) || !std::isfinite(s.glomn)) return false;
  // nrows * ncols < 2^62 cannot overflow; the file size is compared in nodes.
  const std::int64_t nodes = static_cast<std::int64_t>(s.nrows) * s.ncols;
  const std::int64_t nodeBytes = fileSize - kCustomTrailerBytes;
  return nodeBytes >= 0 && nodeBytes % 4 == 0 && nodeBytes / 4 == nodes;
}

constexpr char kMetadataTag[] = "OECGMETA";  // 8 bytes at the block's end
constexpr std::int64_t kMetadataFooterBytes = 4 + 8;
constexpr std::string_view kMetadataFirstLine = "orthelev custom geoid metadata 1\n";

// Bytes of the metadata block that ends where the trailer of a file of
// `size` bytes starts; 0 when none is there.
std::int64_t MetadataBytes(const GridFile& file, std::int64_t size) {
  unsigned char footer[kMetadataFooterBytes] = {};
  if (size < kCustomTrailerBytes + kMetadataFooterBytes ||
      !file.ReadExact(size - kCustomTrailerBytes - kMetadataFooterBytes, footer, sizeof footer) ||
      std::memcmp(footer + 4, kMetadataTag, 8) != 0)
    return 0;
  const std::int64_t length = FromLittleEndian<std::uint32_t>(footer);
  const bool fits = length >= kMetadataFooterBytes && length <= kMaxCustomMetadataBytes &&
                    length <= size - kCustomTrailerBytes;
  return fits ? length : 0;
}

// Valid with the nodes alone before the trailer (as every file before the
// metadata block), or with the nodes and a metadata block; the block's
// length, 0 for none.
bool ValidLayout(const GridFile& file, const GridSpec& geometry, std::int64_t size,
                 std::int64_t& metadataBytes) {
  metadataBytes = 0;
  if (ValidTrailer(geometry, size)) return true;
  metadataBytes = MetadataBytes(file, size);
  return metadataBytes > 0 && ValidTrailer(geometry, size - metadataBytes);
}

bool ValidLayout(const GridFile& file, const GridSpec& geometry, std::int64_t size) {
  std::int64_t metadataBytes = 0;
  return ValidLayout(file, geometry, size, metadataBytes);
}

// Line ends would end an entry early; "=" in a key would move the split.
std::string OneLine(std::string text, bool key) {
  for (char& c : text)
    if (c == '\n' || c == '\r' || (key && c == '=')) c = ' ';
  return text;
}

}  // namespace

std::string CustomMetadataBlock(const CustomMetadata& entries) {
  std::string block(kMetadataFirstLine);
  for (const auto& [key, value] : entries) {
    const std::string line = OneLine(key, true) + "=" + OneLine(value, false) + "\n";
    if (static_cast<std::int64_t>(block.size() + line.size()) + kMetadataFooterBytes >
        kMaxCustomMetadataBytes)
      break;
    block += line;
  }
  AppendLittleEndian(block, static_cast<std::uint32_t>(block.size() + kMetadataFooterBytes));
  block.append(kMetadataTag, 8);
  return block;
}

bool ReadCustomMetadata(const std::string& path, CustomMetadata& entries) {
  entries.clear();
  GridFile file;
  if (!file.Open(path)) return false;
  const std::int64_t size = file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  std::int64_t metadataBytes = 0;
  if (size < kCustomTrailerBytes ||
      !file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer) ||
      !ValidLayout(file, TrailerGeometry(trailer), size, metadataBytes) || metadataBytes == 0)
    return false;
  std::string text(static_cast<std::size_t>(metadataBytes - kMetadataFooterBytes), '\0');
  if (!file.ReadExact(size - kCustomTrailerBytes - metadataBytes, text.data(),
                      static_cast<std::int64_t>(text.size())) ||
      text.rfind(kMetadataFirstLine, 0) != 0)
    return false;
  std::size_t start = kMetadataFirstLine.size();
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos)
      entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return true;
}

GridSpec TrailerGeometry(const unsigned char* t) {
  GridSpec geometry;
  geometry.nrows = FromLittleEndian<std::int32_t>(t);
  geometry.ncols = FromLittleEndian<std::int32_t>(t + 4);
  geometry.glamn = FromLittleEndian<double>(t + 8);
  geometry.glomn = FromLittleEndian<double>(t + 16);
  geometry.dgla = FromLittleEndian<double>(t + 24);
  geometry.dglo = FromLittleEndian<double>(t + 32);
  geometry.nlat = geometry.nrows;
  geometry.nlon = geometry.ncols;
  geometry.prePad = 0;
  return geometry;
}

std::string CustomTrailer(const GridSpec& geometry) {
  std::string trailer;
  AppendLittleEndian(trailer, geometry.nrows);
  AppendLittleEndian(trailer, geometry.ncols);
  AppendLittleEndian(trailer, geometry.glamn);
  AppendLittleEndian(trailer, geometry.glomn);
  AppendLittleEndian(trailer, geometry.dgla);
  AppendLittleEndian(trailer, geometry.dglo);
  return trailer;
}

bool OpenCustomGeoid(const std::string& path) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  if (!grid.file.Open(path)) {
    Window().ShowMessageBox("Geoid file is not found: \r\n" + path);
    return false;
  }
  const std::int64_t size = grid.file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  const bool readable = size >= kCustomTrailerBytes &&
                        grid.file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer);
  if (size < 0 || (size >= kCustomTrailerBytes && !readable)) {
    grid.file.Close();
    Window().ShowMessageBox("Geoid file is not found: \r\n" + path);
    return false;
  }
  const GridSpec geometry = TrailerGeometry(trailer);
  if (!readable || !ValidLayout(grid.file, geometry, size)) {
    grid.file.Close();
    Window().ShowMessageBox("Illegal Custom geoid file: \r\n\r\n" + path);
    return false;
  }
  SetActiveGeometry(geometry);
  return true;
}

bool OpenGridWithTrailer(const std::string& path) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  if (!grid.file.Open(path)) return false;
  const std::int64_t size = grid.file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  if (size < kCustomTrailerBytes ||
      !grid.file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer) ||
      !ValidLayout(grid.file, TrailerGeometry(trailer), size)) {
    grid.file.Close();
    return false;
  }
  SetActiveGeometry(TrailerGeometry(trailer));
  return true;
}

bool IsCustomGeoidFile(const std::string& path) {
  GridFile file;
  if (!file.Open(path)) return false;
  const std::int64_t size = file.Size();
  unsigned char trailer[kCustomTrailerBytes] = {};
  return size >= kCustomTrailerBytes &&
         file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer) &&
         ValidLayout(file, TrailerGeometry(trailer), size);
}

}  // namespace orthelev
