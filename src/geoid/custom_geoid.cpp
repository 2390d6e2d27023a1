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

enum class Layout { Unreadable, Invalid, Valid };

// Reads the trailer of the open `file` into `geometry` and checks the
// file's layout against it; `metadataBytes` is its block's length.
Layout ReadLayout(const GridFile& file, GridSpec& geometry, std::int64_t& metadataBytes) {
  metadataBytes = 0;
  const std::int64_t size = file.Size();
  if (size < 0) return Layout::Unreadable;
  if (size < kCustomTrailerBytes) return Layout::Invalid;
  unsigned char trailer[kCustomTrailerBytes] = {};
  if (!file.ReadExact(size - kCustomTrailerBytes, trailer, sizeof trailer))
    return Layout::Unreadable;
  geometry = TrailerGeometry(trailer);
  return ValidLayout(file, geometry, size, metadataBytes) ? Layout::Valid : Layout::Invalid;
}

Layout ReadLayout(const GridFile& file, GridSpec& geometry) {
  std::int64_t metadataBytes = 0;
  return ReadLayout(file, geometry, metadataBytes);
}

// Opens `file` to read its trailer and metadata only: unmapped.
bool OpenToInspect(GridFile& file, const std::string& path) {
  file.SetReading(GridReading::Blocks);
  return file.Open(path);
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
  GridSpec geometry;
  std::int64_t metadataBytes = 0;
  if (!OpenToInspect(file, path) || ReadLayout(file, geometry, metadataBytes) != Layout::Valid ||
      metadataBytes == 0)
    return false;
  const std::int64_t size = file.Size();
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
  GridSpec geometry;
  const Layout layout = ReadLayout(grid.file, geometry);
  if (layout != Layout::Valid) {
    grid.file.Close();
    Window().ShowMessageBox(layout == Layout::Unreadable
                                ? "Geoid file is not found: \r\n" + path
                                : "Illegal Custom geoid file: \r\n\r\n" + path);
    return false;
  }
  SetActiveGeometry(geometry);
  return true;
}

bool OpenGridWithTrailer(const std::string& path) {
  ActiveGrid& grid = TheActiveGrid();
  grid.file.Close();
  if (!grid.file.Open(path)) return false;
  GridSpec geometry;
  if (ReadLayout(grid.file, geometry) != Layout::Valid) {
    grid.file.Close();
    return false;
  }
  SetActiveGeometry(geometry);
  return true;
}

bool IsCustomGeoidFile(const std::string& path) {
  GridFile file;
  GridSpec geometry;
  return OpenToInspect(file, path) && ReadLayout(file, geometry) == Layout::Valid;
}

}  // namespace orthelev
