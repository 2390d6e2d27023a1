#include "import/grid_import.hpp"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "geoid/custom_geoid.hpp"
#include "geoid/node_values.hpp"
#include "import/grid_source.hpp"
#include "import/import_platform.hpp"

namespace orthelev {
namespace {

std::string Trailer(const ImportPlan& plan) {
  GridSpec geometry;
  geometry.nrows = plan.WrittenRows();
  geometry.ncols = static_cast<std::int32_t>(plan.sourceColumns.size());
  geometry.glamn = plan.glamn;
  geometry.glomn = plan.glomn;
  geometry.dgla = plan.dgla;
  geometry.dglo = plan.dglo;
  return CustomTrailer(geometry);
}

// The source's nodes as the import found them.
struct NodeCounts {
  std::int64_t source = 0, missing = 0, dropped = 0;
  std::int64_t Valid() const { return source - missing - dropped; }
};

// Counts the nodes of an output row that come from the source once (the
// wrapped padding columns repeat nodes already counted).
void CountRow(const std::vector<float>& row, std::int32_t padColumns, NodeCounts& counts) {
  for (std::size_t k = static_cast<std::size_t>(padColumns); k + padColumns < row.size(); ++k) {
    ++counts.source;
    if (std::isnan(row[k]))
      ++counts.missing;
    else if (std::isnan(NodeOrMissing(row[k])))
      ++counts.dropped;
  }
}

// The row beyond a pole (docs/grid-import.md): each node chosen so that
// interpolating from the ring node below it to the pole, `gap` spacings
// away, ends at the mean m of the ring: v + (m - v) / gap.
std::vector<float> PoleRow(const std::vector<float>& ring, std::int32_t padColumns, double gap) {
  double sum = 0;
  std::int64_t count = 0;
  for (std::size_t k = static_cast<std::size_t>(padColumns); k + padColumns < ring.size(); ++k) {
    const float v = NodeOrMissing(ring[k]);
    if (!std::isnan(v)) sum += v, ++count;
  }
  std::vector<float> row(ring.size(), std::numeric_limits<float>::quiet_NaN());
  if (count == 0) return row;
  const double mean = sum / static_cast<double>(count);
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const double v = NodeOrMissing(ring[k]);
    if (!std::isnan(v)) row[k] = static_cast<float>(v + (mean - v) / gap);
  }
  return row;
}

class NodeWriter {
 public:
  NodeWriter(const ImportPlan& plan, const ByteSink& put, const ImportProgress& progress)
      : plan_(plan), put_(put), progress_(progress) {}

  bool Put(const std::vector<float>& row) {
    bytes_.clear();
    for (const float value : row) AppendNodeValue(bytes_, value);
    if (!put_(bytes_)) return false;
    if (progress_) progress_(++written_, plan_.WrittenRows());
    return true;
  }

 private:
  const ImportPlan& plan_;
  const ByteSink& put_;
  const ImportProgress& progress_;
  std::string bytes_;
  std::int64_t written_ = 0;
};

std::string NoValidNodeReason(const NodeCounts& counts) {
  std::string reason = "No node of the grid holds a geoid height (" + FormatInt(counts.source) +
                       " nodes: " + FormatInt(counts.missing) + " missing";
  if (counts.dropped > 0)
    reason += ", " + FormatInt(counts.dropped) +
              " of magnitude 200 m or more, which no geoid height reaches: are the heights in "
              "millimetres or another unit?";
  return reason + "); nothing was written.";
}

// Today's date in UTC, YYYY-MM-DD.
std::string TodayUtc() {
  const std::chrono::year_month_day day{
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
  return FormatInt(static_cast<int>(day.year())) + "-" +
         FormatFixed(static_cast<unsigned>(day.month()), 0, 2) + "-" +
         FormatFixed(static_cast<unsigned>(day.day()), 0, 2);
}

// The metadata block of a file imported from `source`.
std::string MetadataOf(const std::string& source, const GridSource& grid) {
  const SourceDescription description = grid.Description();
  CustomMetadata entries = {{"source", FileNameOf(source)}};
  if (!description.model.empty()) entries.emplace_back("model", description.model);
  if (!description.datum.empty()) entries.emplace_back("datum", description.datum);
  entries.emplace_back("imported", TodayUtc());
  if (!description.interpolation.empty())
    entries.emplace_back("interpolation", description.interpolation);
  return CustomMetadataBlock(entries);
}

bool WriteNodes(GridSource& source, const ImportPlan& plan, const ByteSink& put,
                const ImportProgress& progress, NodeCounts& counts, std::string& error) {
  std::vector<float> row(static_cast<std::size_t>(source.Lattice().columns));
  std::vector<float> out(plan.sourceColumns.size());
  NodeWriter writer(plan, put, progress);
  const std::int32_t last = plan.firstRow + plan.rowCount - 1;
  for (std::int32_t r = plan.firstRow; r <= last; ++r) {
    if (!source.ReadRow(r, row.data(), error)) return false;
    for (std::size_t k = 0; k < out.size(); ++k)
      out[k] = row[static_cast<std::size_t>(plan.sourceColumns[k])];
    CountRow(out, plan.padColumns, counts);
    if (r == plan.firstRow && plan.northPoleRow &&
        !writer.Put(PoleRow(out, plan.padColumns, plan.northPoleGap)))
      return false;
    if (!writer.Put(out)) return false;
    if (r == last && plan.southPoleRow &&
        !writer.Put(PoleRow(out, plan.padColumns, plan.southPoleGap)))
      return false;
  }
  if (counts.Valid() == 0) {
    error = NoValidNodeReason(counts);
    return false;
  }
  return true;
}

// True when `path` is one of GDAL's own forms (/vsizip/..., DRIVER:"file":...)
// rather than a plain file name. A Windows drive letter is no driver prefix.
bool IsGdalPathForm(const std::string& path) {
  if (path.rfind("/vsi", 0) == 0) return true;
  const std::size_t colon = path.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = path[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  }
  return true;
}

// The local file a path of GDAL's forms reads: the archive of /vsizip/,
// /vsitar/ or /vsigzip/ paths, the file of DRIVER:"file":name; empty for
// files in memory or on the network.
std::string LocalFileOf(std::string path) {
  while (path.rfind("/vsi", 0) == 0) {
    const std::size_t slash = path.find('/', 4);
    if (slash == std::string::npos) return {};
    const std::string handler = path.substr(0, slash + 1);
    if (handler != "/vsizip/" && handler != "/vsitar/" && handler != "/vsigzip/" &&
        handler != "/vsi7z/" && handler != "/vsirar/" && handler != "/vsisubfile/")
      return {};
    path.erase(0, slash + 1);
    if (handler == "/vsisubfile/") path.erase(0, path.find(',') + 1);
    if (!path.empty() && path.front() == '{') path = path.substr(1, path.find('}') - 1);
  }
  if (IsGdalPathForm(path)) {
    const std::size_t open = path.find('"');
    const std::size_t close = open == std::string::npos ? open : path.find('"', open + 1);
    if (close == std::string::npos) return {};
    path = path.substr(open + 1, close - open - 1);
  }
  // Inside an archive: the longest leading part that is a file.
  std::string candidate = path;
  while (!candidate.empty() && !IsRegularFile(candidate)) {
    const std::size_t slash = candidate.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return {};
    candidate.erase(slash);
  }
  return candidate;
}

bool DestinationIsSource(const std::string& destination, const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    const std::string local = IsGdalPathForm(file) ? LocalFileOf(file) : file;
    if (!local.empty() && SameExistingFile(local, destination)) return true;
  }
  return false;
}

bool RefuseDestinationIsSource(const std::string& destination, std::string& error) {
  error = "The destination " + destination + " is the source grid itself (or a file it is read " +
          "from); choose another destination.";
  return false;
}

// What is wrong with a plain source path before any reader tries it: a
// missing, unreadable or empty file, or a folder. True when none of those.
bool CheckPlainSource(const std::string& path, std::string& error) {
  if (IsGdalPathForm(path)) return true;
  if (IsFolder(path)) {
    error = path + " is a folder, not a grid file.";
    return false;
  }
  const int fd = platform::OpenForReading(path);
  if (fd < 0) {
    error = "Cannot read " + path + " (" + platform::ErrorText(errno) + ").";
    return false;
  }
  char first = 0;
  const bool empty = platform::ReadSome(fd, &first, 1) <= 0;
  platform::CloseFile(fd);
  if (empty) error = path + " is empty.";
  return !empty;
}

// A raster through GDAL, GeographicLib's .pgm geoid grids, or an ISG grid
// (read by the program's own reader, which knows the ISG units and
// versions GDAL's reader ignores). When
// nothing reads it and its size fits an EGM2008 raw grid of another
// spacing, the refusal says how to import it.
std::unique_ptr<GridSource> OpenRaster(const std::string& path, std::string& error) {
  if (LooksLikeGeographicLibPgm(path)) return OpenGeographicLibPgm(path, error);
  if (LooksLikeIsgGrid(path)) return OpenIsgGrid(path, error);
  bool recognised = false;
  auto source = OpenGdalRaster(path, recognised, error);
  const int egmNodes = EgmRawNodesPerDegree(FileBytes(path), true);
  if (!source && !recognised && egmNodes != 0) {
    if (!error.empty() && error.back() == '.') error.pop_back();
    error += "; its size fits an EGM2008 raw grid of " + FormatInt(egmNodes) +
             " nodes per degree: import it with --format egm2008.";
  }
  return source;
}

std::unique_ptr<GridSource> OpenSource(const std::string& path, GridSourceFormat format,
                                       std::string& error) {
  switch (format) {
    case GridSourceFormat::kEgm2008Raw:
      return OpenEgmRawGrid(path, true, error);
    case GridSourceFormat::kGsiAscii:
      return OpenGsiAsciiGrid(path, error);
    case GridSourceFormat::kRaster:
      return OpenRaster(path, error);
    case GridSourceFormat::kDetect:
      break;
  }
  const std::int64_t size = FileBytes(path);
  if (size >= 0 && EgmRawNodesPerDegree(size, false) != 0)
    return OpenEgmRawGrid(path, false, error);
  if (size >= 0 && LooksLikeGsiAsciiGrid(path)) return OpenGsiAsciiGrid(path, error);
  return OpenRaster(path, error);
}

bool ParseRegionLimit(std::string_view& text, bool last, double& value) {
  const std::size_t comma = text.find(',');
  if ((comma == std::string_view::npos) != last) return false;
  const std::string_view number = TrimControlAndBlanks(text.substr(0, comma));
  text.remove_prefix(last ? text.size() : comma + 1);
  return ParseReal(number, value);
}

void Summarise(const ImportPlan& plan, const NodeCounts& counts, const GridSource& grid,
               std::int64_t metadataBytes, ImportSummary& summary) {
  summary = ImportSummary{};
  summary.rows = plan.WrittenRows();
  summary.columns = static_cast<std::int32_t>(plan.sourceColumns.size());
  summary.south = plan.glamn;
  summary.north = plan.glamn + (summary.rows - 1) * plan.dgla;
  summary.west = plan.glomn;
  summary.east = plan.glomn + (summary.columns - 1) * plan.dglo;
  summary.latSpacing = plan.dgla;
  summary.lonSpacing = plan.dglo;
  summary.sourceNodes = counts.source;
  summary.missingNodes = counts.missing;
  summary.droppedNodes = counts.dropped;
  summary.fileBytes = 4 * static_cast<std::int64_t>(summary.rows) * summary.columns +
                      metadataBytes + kCustomTrailerBytes;
  summary.padded = plan.padColumns > 0 || plan.northPoleRow || plan.southPoleRow;
  summary.notes = grid.Notes();
}

}  // namespace

bool ImportGrid(const std::string& source, const std::string& destination,
                const std::optional<Region>& region, GridSourceFormat format,
                ImportSummary& summary, const ImportProgress& progress, std::string& error) {
  error.clear();
  if (!CheckPlainSource(source, error)) return false;
  if (DestinationIsSource(destination, {source}))
    return RefuseDestinationIsSource(destination, error);
  std::unique_ptr<GridSource> grid = OpenSource(source, format, error);
  if (!grid) return false;
  std::vector<std::string> files = grid->Files();
  files.push_back(source);
  if (DestinationIsSource(destination, files)) return RefuseDestinationIsSource(destination, error);
  ImportPlan plan;
  if (!PlanImport(grid->Lattice(), region, plan, error)) return false;
  NodeCounts counts;
  const std::string metadata = MetadataOf(source, *grid);
  TempFileRemoval removal;
  const bool written = WriteFileAtomicallyFrom(
      destination,
      [&](const ByteSink& put, std::string& reason) {
        try {
          return WriteNodes(*grid, plan, put, progress, counts, reason) && put(metadata) &&
                 put(Trailer(plan));
        } catch (const std::exception& failure) {
          reason = std::string("The import failed: ") + failure.what() + ".";
          return false;
        }
      },
      error, -1, [&removal](const std::string& temp) { removal.Arm(temp); });
  removal.Disarm();
  if (written) Summarise(plan, counts, *grid, static_cast<std::int64_t>(metadata.size()), summary);
  return written;
}

bool ImportGrid(const std::string& source, const std::string& destination,
                const std::optional<Region>& region, GridSourceFormat format, std::string& error) {
  ImportSummary summary;
  return ImportGrid(source, destination, region, format, summary, nullptr, error);
}

bool ImportGrid(const std::string& source, const std::string& destination,
                const std::optional<Region>& region, std::string& error) {
  return ImportGrid(source, destination, region, GridSourceFormat::kDetect, error);
}

bool ParseRegion(std::string_view text, Region& region, std::string& error) {
  Region parsed;
  if (!ParseRegionLimit(text, false, parsed.south) ||
      !ParseRegionLimit(text, false, parsed.north) || !ParseRegionLimit(text, false, parsed.west) ||
      !ParseRegionLimit(text, true, parsed.east)) {
    error = "A region is four numbers SOUTH,NORTH,WEST,EAST in degrees.";
    return false;
  }
  region = parsed;
  return true;
}

bool ParseGridSourceFormat(std::string_view text, GridSourceFormat& format) {
  struct Name {
    std::string_view text;
    GridSourceFormat format;
  };
  static constexpr Name kNames[] = {{"auto", GridSourceFormat::kDetect},
                                    {"egm2008", GridSourceFormat::kEgm2008Raw},
                                    {"gsigeo", GridSourceFormat::kGsiAscii},
                                    {"raster", GridSourceFormat::kRaster}};
  for (const Name& name : kNames)
    if (name.text == text) {
      format = name.format;
      return true;
    }
  return false;
}

}  // namespace orthelev
