#include "geoid/japan.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/text_lines.hpp"
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

// The grid as read: row 0 is the first (southernmost) row of the file.
struct DataArray {
  std::int32_t nlat = 0, nlon = 0;
  std::vector<float> values;
  float* Row(std::int32_t r) { return values.data() + static_cast<std::int64_t>(r) * nlon; }
};

bool ReadGridValues(TextLines& lines, const std::string& path, DataArray& data) {
  std::string current;
  lines.Next(current);
  std::string_view rest = current;
  for (std::int32_t r = 0; r < data.nlat; ++r) {
    float* row = data.Row(r);
    for (std::int32_t c = 0; c < data.nlon; ++c) {
      if (rest.empty()) {
        if (!lines.Next(current)) {
          Window().ShowMessageBox("Data is insufficient: " + path);
          return false;
        }
        rest = current;
      }
      double value = 0;
      if (!NextRealToken(rest, value)) return false;
      row[c] = NodeOrMissing(static_cast<float>(value));
    }
    Window().ProcessPendingEvents();
  }
  return !lines.Failed();
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
  TextLines lines(path);
  std::string headerLine;
  if (!lines.IsOpen() || !lines.Next(headerLine)) return false;
  header = ParseGsiHeader(headerLine);
  if (!header) return false;
  const std::int64_t fileBytes = FileBytes(path);
  if (fileBytes < 0) return false;
  if (!GsiGridFitsFile(*header, fileBytes)) {
    Window().ShowMessageBox("Data is insufficient: " + path);
    return false;
  }
  DataArray data;
  data.nlat = header->nlat;
  data.nlon = header->nlon;
  data.values.resize(static_cast<size_t>(data.nlat) * static_cast<size_t>(data.nlon));
  if (!ReadGridValues(lines, path, data)) return false;
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
