#include "console/cli_import.hpp"

#include <optional>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "geoid/custom_geoid.hpp"
#include "import/custom_cache.hpp"
#include "import/grid_import.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

void Say(std::FILE* stream, const std::string& text) { std::fputs((text + "\n").c_str(), stream); }

}  // namespace

namespace {

// One line on a terminal, rewritten as the rows are written: "Importing
// SRC: 42%". Nothing when `err` is no terminal (a pipe or a file).
class ImportProgressLine {
 public:
  ImportProgressLine(std::FILE* err, const std::string& source)
      : err_(err), source_(source), shown_(platform::IsTerminal(err)) {}
  ~ImportProgressLine() { End(); }
  ImportProgressLine(const ImportProgressLine&) = delete;
  ImportProgressLine& operator=(const ImportProgressLine&) = delete;

  ImportProgress Callback() {
    if (!shown_) return nullptr;
    return [this](std::int64_t done, std::int64_t total) {
      const std::int64_t percent = total > 0 ? 100 * done / total : 100;
      if (percent == percent_) return;
      percent_ = percent;
      started_ = true;
      std::fputs(("\rImporting " + source_ + ": " + FormatInt(percent) + "%").c_str(), err_);
      std::fflush(err_);
    };
  }
  // Ends the line, once, so that what follows starts on a line of its own.
  void End() {
    if (started_) std::fputs("\n", err_);
    started_ = false;
  }

 private:
  std::FILE* err_;
  std::string source_;
  bool shown_;
  bool started_ = false;
  std::int64_t percent_ = -1;
};

std::string Degrees(double value) { return FormatGeneral(value); }

void PrintSummary(const ImportSummary& s, std::FILE* out, std::FILE* err) {
  Say(out, "  " + FormatInt(s.rows) + " rows x " + FormatInt(s.columns) + " columns, latitudes " +
               Degrees(s.south) + " to " + Degrees(s.north) + ", longitudes " + Degrees(s.west) +
               " to " + Degrees(s.east) + " degrees");
  Say(out, "  spacing " + Degrees(s.latSpacing) + " x " + Degrees(s.lonSpacing) + " degrees");
  Say(out, "  missing nodes: " + FormatInt(s.missingNodes + s.droppedNodes) + " of " +
               FormatInt(s.sourceNodes) + " (" + FormatInt(s.droppedNodes) +
               " of them of magnitude 200 m or more)");
  if (s.padded)
    Say(out,
        "  padded: its nodes lie between the meridians, so wrapped columns and rows beyond the "
        "poles were added for a height everywhere");
  Say(out, "  file size: " + FormatInt(s.fileBytes) + " bytes");
  const std::int64_t valid = s.sourceNodes - s.missingNodes - s.droppedNodes;
  if (s.droppedNodes > 0)
    Say(err, "orthelev-cli: import-grid: warning: " + FormatInt(s.droppedNodes) +
                 " nodes of magnitude 200 m or more are no geoid heights and were stored as "
                 "missing" +
                 (s.droppedNodes > valid ? " (more than the " + FormatInt(valid) +
                                               " valid ones: are the heights in millimetres?)"
                                         : ""));
  for (const std::string& note : s.notes) Say(err, "orthelev-cli: import-grid: " + note);
}

}  // namespace

const char* ImportGridUsage() {
  return "orthelev-cli import-grid SRC DEST [--region S,N,W,E] [--format FORMAT]\n"
         "                     write the geoid grid SRC (ISG, GeographicLib .pgm, an EGM2008 raw\n"
         "                     grid, a GSIGEO ASCII grid or, where GDAL is at hand, GTX, GeoTIFF,\n"
         "                     NetCDF or any raster GDAL reads) as the custom geoid file DEST\n"
         "                     (.cdat)\n";
}

int ImportGridCommand(const std::vector<std::string>& files,
                      const std::optional<std::string>& regionText,
                      const std::optional<std::string>& formatText, std::FILE* out,
                      std::FILE* err) {
  std::optional<Region> region;
  GridSourceFormat format = GridSourceFormat::kDetect;
  std::string problem;
  if (regionText) {
    Region parsed;
    if (!ParseRegion(*regionText, parsed, problem)) {
      Say(err, "orthelev-cli: import-grid: " + problem);
      return 2;
    }
    region = parsed;
  }
  if (formatText && !ParseGridSourceFormat(*formatText, format)) {
    Say(err, "orthelev-cli: import-grid: unknown format " + *formatText +
                 " (auto, egm2008, gsigeo or raster)");
    return 2;
  }
  if (files.size() != 2) {
    Say(err, "orthelev-cli: import-grid takes a source grid and a destination file");
    return 2;
  }
  std::string error;
  ImportSummary summary;
  ImportProgressLine progress(err, files[0]);
  const bool imported =
      ImportGrid(files[0], files[1], region, format, summary, progress.Callback(), error);
  progress.End();
  if (!imported) {
    Say(err, "orthelev-cli: import-grid: " + error);
    return 1;
  }
  Say(out, "Imported " + files[0] + " as " + files[1]);
  PrintSummary(summary, out, err);
  return 0;
}

bool CustomGridFile(const std::string& given, std::string& path, std::string& note,
                    std::string& error) {
  std::string source = AbsolutePath(given);
  if (IsCustomGeoidFile(source)) {
    path = source;
    return true;
  }
  if (!FileExists(source) && FileNameOf(given) == given) {
    const std::string projGrid = FindProjGrid(given);
    if (!projGrid.empty()) source = projGrid;
  }
  if (!FileExists(source)) {
    error = "Geoid file is not found: " + source;
    if (FileNameOf(given) == given) {
      error += "\n  nor in PROJ's data folders:";
      for (const std::string& folder : ProjDataFolders()) error += " " + folder;
    }
    return false;
  }
  CachedGrid grid;
  if (!CachedCustomGrid(source, UserGridCacheFolder(), grid, error)) {
    error = source + " cannot be used as the Custom Geoid model: " + error;
    return false;
  }
  path = grid.path;
  note = "the custom geoid is " + source +
         (grid.imported ? ", imported into " : ", as cached in ") + grid.path;
  return true;
}

}  // namespace orthelev
