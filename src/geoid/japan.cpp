#include "geoid/japan.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/node_values.hpp"
#include "platform/platform.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == ','; }

void SkipSeparators(std::string_view& line) {
  while (!line.empty() && IsSeparator(line.front())) line.remove_prefix(1);
}

// Splits the next token off the front of the line. `last` tells whether it
// was the rest of the line (no separator followed it).
std::string_view NextToken(std::string_view& line, bool& last) {
  SkipSeparators(line);
  size_t end = 0;
  while (end < line.size() && !IsSeparator(line[end])) ++end;
  const std::string_view token = line.substr(0, end);
  last = end == line.size();
  line.remove_prefix(end);
  SkipSeparators(line);
  return token;
}

bool UsableSpacing(double spacing) {
  return std::isfinite(spacing) && spacing > 0 && NodesPerDegree(spacing) > 0;
}

// Reads text lines, ending at LF with a CR before it dropped.
class AsciiGridReader {
 public:
  explicit AsciiGridReader(const std::string& path)
      : in_(platform::PathOf(path), std::ios::binary) {}
  bool IsOpen() const { return in_.is_open(); }
  bool AtEnd() { return in_.peek() == std::ifstream::traits_type::eof(); }
  bool Failed() const { return in_.bad(); }
  std::string NextLine() {
    std::string line;
    std::getline(in_, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  std::ifstream in_;
};

// The grid as read: row 0 is the first (southernmost) row of the file.
struct DataArray {
  std::int32_t nlat = 0, nlon = 0;
  std::vector<float> values;
  float* Row(std::int32_t r) { return values.data() + static_cast<std::int64_t>(r) * nlon; }
};

bool ReadGridValues(AsciiGridReader& reader, const std::string& path, DataArray& data) {
  std::string current = reader.NextLine();
  std::string_view rest = current;
  for (std::int32_t r = 0; r < data.nlat; ++r) {
    float* row = data.Row(r);
    for (std::int32_t c = 0; c < data.nlon; ++c) {
      if (rest.empty()) {
        if (reader.AtEnd()) {
          Window().ShowMessageBox("Data is insufficient: " + path);
          return false;
        }
        current = reader.NextLine();
        rest = current;
      }
      double value = 0;
      if (!NextRealToken(rest, value)) return false;
      row[c] = NodeOrMissing(static_cast<float>(value));
    }
    Window().ProcessPendingEvents();
  }
  return !reader.Failed();
}

// Writes the rows northernmost first. The file is written beside its name
// and renamed into place, so that a failed write never leaves a short
// companion.
bool WriteCompanion(DataArray& data, const std::string& target) {
  std::string error;
  return WriteFileAtomicallyFrom(
      target,
      [&data](const ByteSink& put, std::string&) {
        std::string bytes;
        bytes.reserve(static_cast<size_t>(data.nlon) * 4);
        for (std::int32_t r = data.nlat - 1; r >= 0; --r) {
          const float* row = data.Row(r);
          bytes.clear();
          for (std::int32_t c = 0; c < data.nlon; ++c) AppendNodeValue(bytes, row[c]);
          if (!put(bytes)) return false;
          Window().ProcessPendingEvents();
        }
        return true;
      },
      error);
}

}  // namespace

bool NextRealToken(std::string_view& line, double& value) {
  bool last = false;
  const std::string_view token = NextToken(line, last);
  if (ParseReal(token, value)) return true;
  value = std::numeric_limits<double>::quiet_NaN();
  return last;
}

bool NextIntToken(std::string_view& line, std::int32_t& value) {
  bool last = false;
  const std::string_view token = NextToken(line, last);
  if (ParseInt32(token, value)) return true;
  value = 0;
  return last;
}

std::optional<GridSpec> ParseGsiHeader(std::string_view line) {
  double glamn = 0, glomn = 0, dgla = 0, dglo = 0;
  std::int32_t nlat = 0, nlon = 0, unused = 0;
  if (!NextRealToken(line, glamn) || !NextRealToken(line, glomn) || !NextRealToken(line, dgla) ||
      !NextRealToken(line, dglo) || !NextIntToken(line, nlat) || !NextIntToken(line, nlon) ||
      !NextIntToken(line, unused))
    return std::nullopt;
  if (!std::isfinite(glamn) || !std::isfinite(glomn) || !UsableSpacing(dgla) ||
      !UsableSpacing(dglo) || nlat <= 0 || nlon <= 0 ||
      static_cast<std::int64_t>(nlat) * nlon > kMaxGsiNodes)
    return std::nullopt;
  GridSpec geometry;
  geometry.glamn = glamn;
  geometry.glomn = glomn;
  geometry.dgla = dgla;
  geometry.dglo = dglo;
  geometry.nlat = geometry.nrows = nlat;
  geometry.nlon = geometry.ncols = nlon;
  return geometry;
}

bool GsiGridFitsFile(const GridSpec& header, std::int64_t fileBytes) {
  return static_cast<std::int64_t>(header.nlat) * header.nlon <= fileBytes;
}

bool ReadGsiGrid(const std::string& path, std::optional<GridSpec>& header,
                 std::vector<float>& southFirst) {
  AsciiGridReader reader(path);
  if (!reader.IsOpen()) return false;
  header = ParseGsiHeader(reader.NextLine());
  if (!header) return false;
  std::error_code sizeError;
  const auto fileBytes = std::filesystem::file_size(platform::PathOf(path), sizeError);
  if (sizeError) return false;
  if (!GsiGridFitsFile(*header, static_cast<std::int64_t>(fileBytes))) {
    Window().ShowMessageBox("Data is insufficient: " + path);
    return false;
  }
  DataArray data;
  data.nlat = header->nlat;
  data.nlon = header->nlon;
  data.values.resize(static_cast<size_t>(data.nlat) * static_cast<size_t>(data.nlon));
  if (!ReadGridValues(reader, path, data)) return false;
  southFirst = std::move(data.values);
  return true;
}

bool ConvertGsiGrid(const std::string& path, std::optional<GridSpec>& header) {
  DataArray data;
  if (!ReadGsiGrid(path, header, data.values)) return false;
  data.nlat = header->nlat;
  data.nlon = header->nlon;
  return WriteCompanion(data, path + ".dat");
}

}  // namespace orthelev
