#include "models/jgd2024_models.hpp"

#include <cmath>
#include <optional>
#include <vector>

#include "base/ascii_text.hpp"
#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "geoid/isg_grid.hpp"
#include "geoid/japan.hpp"
#include "geoid/node_values.hpp"
#include "geoid/par_grid.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {
namespace {

constexpr std::string_view kJoin = " + ";
// Lines read between two looks at the window's events.
constexpr int kLinesPerEventCheck = 256;

std::vector<std::string> EntryFiles(const std::string& name) {
  std::vector<std::string> files;
  std::size_t start = 0;
  for (std::size_t end; (end = name.find(kJoin, start)) != std::string::npos;
       start = end + kJoin.size())
    files.push_back(name.substr(start, end - start));
  files.push_back(name.substr(start));
  return files;
}

bool HasExtension(const std::string& name, std::string_view extension) {
  return name.size() > extension.size() &&
         LowerAscii(std::string_view(name).substr(name.size() - extension.size())) == extension;
}

// A reading of `file` that shows its progress in whole percent, lets the
// window's events through and stops on Esc or Ctrl-C.
KeepReading ProgressOf(const std::string& file) {
  return [file, lines = 0, shown = -1](double done) mutable {
    if (++lines % kLinesPerEventCheck != 0) return !TheFlags().abortRequested;
    const int percent = static_cast<int>(done * 100);
    if (percent != shown)
      Window().SetStatusText(" Converting " + file + " to binary file... " + FormatInt(percent) +
                             "%");
    shown = percent;
    Window().ProcessPendingEvents();
    return !TheFlags().abortRequested;
  };
}

// A source file that is not there: the preparation says so with its path.
struct Missing {
  std::string path;
};

bool ReadIsgFile(const std::string& path, GridValues& grid, std::string& error) {
  return ReadIsgGridFile(path, grid, error, ProgressOf(FileNameOf(path)));
}

bool SameLattice(const GridLattice& a, const GridLattice& b) {
  const auto near = [](double x, double y) { return std::fabs(x - y) < 1e-9; };
  return a.rows == b.rows && a.columns == b.columns && near(a.southLatitude, b.southLatitude) &&
         near(a.westLongitude, b.westLongitude) && near(a.latSpacing, b.latSpacing) &&
         near(a.lonSpacing, b.lonSpacing);
}

// Reads `second` onto the lattice of `first`, then combines each node.
template <typename Combine>
bool ReadOnto(const std::string& path, GridValues& first, std::string& error, Combine combine) {
  GridValues second;
  if (!ReadIsgFile(path, second, error)) return false;
  if (!SameLattice(first.lattice, second.lattice)) {
    error = path + " does not lie on the lattice of the geoid grid.";
    return false;
  }
  for (std::size_t i = 0; i < first.values.size(); ++i)
    first.values[i] = combine(first.values[i], second.values[i]);
  return true;
}

bool GeoidPlusCorrection(const std::string& folder, const std::vector<std::string>& files,
                         GridValues& grid, std::optional<Missing>& missing, std::string& error) {
  const std::string geoid = folder + files[0], correction = folder + files[1];
  if (FileExists(geoid) && FileExists(correction))
    return ReadIsgFile(geoid, grid, error) &&
           ReadOnto(correction, grid, error,
                    [](float n, float delta) { return std::isnan(delta) ? n : n + delta; });
  const std::string stem = files[0].substr(0, files[0].rfind('.'));
  const std::string sum = folder + stem + "+" + files[1];
  if (!FileExists(sum)) {
    missing = Missing{FileExists(geoid) ? correction : geoid};
    return false;
  }
  if (!ReadIsgFile(sum, grid, error)) return false;
  return !FileExists(geoid) || ReadOnto(geoid, grid, error, [](float both, float n) {
    return std::isnan(both) ? n : both;
  });
}

// The bilinear value of a grid (rows north first) at a point; NaN outside
// it or when a corner is missing.
float Bilinear(const GridValues& grid, double latitude, double longitude) {
  const GridLattice& l = grid.lattice;
  const double y = (latitude - l.southLatitude) / l.latSpacing;
  const double x = (longitude - l.westLongitude) / l.lonSpacing;
  // Points on a node (to rounding) take that node's row or column alone.
  const double row = std::fabs(y - std::nearbyint(y)) < 1e-9 ? std::nearbyint(y) : y;
  const double column = std::fabs(x - std::nearbyint(x)) < 1e-9 ? std::nearbyint(x) : x;
  if (!(row >= 0 && row <= l.rows - 1 && column >= 0 && column <= l.columns - 1))
    return kMissingNode;
  const auto r0 = static_cast<std::int32_t>(std::min(std::floor(row), l.rows - 2.0));
  const auto c0 = static_cast<std::int32_t>(std::min(std::floor(column), l.columns - 2.0));
  const double fy = row - r0, fx = column - c0;
  const auto node = [&grid, &l](std::int32_t r, std::int32_t c) {
    if (r < 0 || c < 0) return 0.0;  // a lattice one node wide: its weight is 0
    return static_cast<double>(
        grid.values[static_cast<std::size_t>(l.rows - 1 - r) * static_cast<std::size_t>(l.columns) +
                    static_cast<std::size_t>(c)]);
  };
  const double value = (1 - fy) * ((1 - fx) * node(r0, c0) + fx * node(r0, c0 + 1)) +
                       fy * ((1 - fx) * node(r0 + 1, c0) + fx * node(r0 + 1, c0 + 1));
  return static_cast<float>(value);
}

bool ReadGsigeo(const std::string& path, GridValues& grid, std::string& error) {
  std::optional<GridSpec> header;
  std::vector<float> southFirst;
  if (!ReadGsiGrid(path, header, southFirst)) {
    error = "Cannot read the GSIGEO grid " + path + ".";
    return false;
  }
  grid.lattice = {header->nlat,
                  header->nlon,
                  header->glamn,
                  header->glomn,
                  1 / NodesPerDegree(header->dgla),
                  1 / NodesPerDegree(header->dglo)};
  grid.values.resize(southFirst.size());
  const auto columns = static_cast<std::size_t>(header->nlon);
  for (std::size_t r = 0; r < static_cast<std::size_t>(header->nlat); ++r)
    std::copy_n(southFirst.begin() + static_cast<std::ptrdiff_t>(r * columns), columns,
                grid.values.end() - static_cast<std::ptrdiff_t>((r + 1) * columns));
  return true;
}

bool GsigeoLessRevision(const std::string& folder, const std::vector<std::string>& files,
                        GridValues& grid, std::optional<Missing>& missing, std::string& error) {
  for (const std::string& file : files)
    if (!FileExists(folder + file)) {
      missing = Missing{folder + file};
      return false;
    }
  GridValues gsigeo;
  if (!ReadGsigeo(folder + files[0], gsigeo, error) ||
      !ReadParGrid(folder + files[1], grid, error, ProgressOf(files[1])))
    return false;
  const GridLattice& l = grid.lattice;
  for (std::int32_t r = 0; r < l.rows; ++r) {
    const double latitude = l.southLatitude + (l.rows - 1 - r) * l.latSpacing;
    for (std::int32_t c = 0; c < l.columns; ++c) {
      float& node = grid.values[static_cast<std::size_t>(r) * static_cast<std::size_t>(l.columns) +
                                static_cast<std::size_t>(c)];
      node = Bilinear(gsigeo, latitude, l.westLongitude + c * l.lonSpacing) - node;
    }
  }
  return true;
}

bool BuildGrid(const std::string& folder, const std::string& name, GridValues& grid,
               std::optional<Missing>& missing, std::string& error) {
  const std::vector<std::string> files = EntryFiles(name);
  if (files.size() == 1) {
    if (FileExists(folder + name)) return ReadIsgFile(folder + name, grid, error);
    missing = Missing{folder + name};
    return false;
  }
  if (files.size() == 2 && HasExtension(files[1], ".par"))
    return GsigeoLessRevision(folder, files, grid, missing, error);
  if (files.size() == 2 && HasExtension(files[0], ".isg") && HasExtension(files[1], ".isg"))
    return GeoidPlusCorrection(folder, files, grid, missing, error);
  error = "\"" + name + "\" names no model (an ISG grid, two joined by \" + \", or a GSIGEO grid " +
          "and a .par file).";
  return false;
}

bool WriteCompanion(const std::string& path, const GridValues& grid, std::string& error) {
  const GridLattice& l = grid.lattice;
  GridSpec geometry;
  geometry.nrows = geometry.nlat = l.rows;
  geometry.ncols = geometry.nlon = l.columns;
  geometry.glamn = l.southLatitude;
  geometry.glomn = l.westLongitude;
  geometry.dgla = l.latSpacing;
  geometry.dglo = l.lonSpacing;
  return WriteFileAtomicallyFrom(
      path,
      [&grid, &geometry](const ByteSink& put, std::string& why) {
        const auto columns = static_cast<std::size_t>(geometry.ncols);
        std::string bytes;
        for (std::size_t at = 0; at < grid.values.size(); at += columns) {
          bytes.clear();
          for (std::size_t c = 0; c < columns; ++c) AppendNodeValue(bytes, grid.values[at + c]);
          if (!put(bytes)) return false;
          Window().ProcessPendingEvents();
          if (TheFlags().abortRequested) {
            why = "Stopped.";
            return false;
          }
        }
        return put(CustomTrailer(geometry));
      },
      error);
}

}  // namespace

bool IsJgd2024Entry(const std::string& name) {
  return name.find(kJoin) != std::string::npos || HasExtension(name, ".isg");
}

std::string CompanionFileName(const std::string& name) {
  std::string joined;
  for (const std::string& file : EntryFiles(name)) joined += (joined.empty() ? "" : "+") + file;
  return joined + ".dat";
}

bool Jgd2024SourcesFound(const std::string& folder, const std::string& name) {
  const std::vector<std::string> files = EntryFiles(name);
  bool all = true;
  for (const std::string& file : files) all = all && FileExists(folder + file);
  if (all || files.size() != 2 || !HasExtension(files[1], ".isg")) return all;
  return FileExists(folder + files[0].substr(0, files[0].rfind('.')) + "+" + files[1]);
}

std::string VerticalDatumOf(const std::string& name) {
  return IsJgd2024Entry(name) ? "JGD2024 (vertical)" : "JGD2011 (vertical), superseded 2025-04-01";
}

bool PrepareJgd2024Grid(const std::string& name) {
  const std::string& folder = TheSettings().dataFolder;
  const std::string companion = folder + CompanionFileName(name);
  if (OpenGridWithTrailer(companion)) return true;
  WindowServices& window = Window();
  window.SetBusyCursor(true);
  window.SetStatusText(" Converting to binary file...");
  window.SetWaitingText("Please waiting:  Convert to binary file...");
  window.ProcessPendingEvents();
  GridValues grid;
  std::optional<Missing> missing;
  std::string error;
  const bool held = BuildGrid(folder, name, grid, missing, error) &&
                    WriteCompanion(companion, grid, error) && OpenGridWithTrailer(companion);
  window.SetStatusText(held ? " Completed." : " Error.");
  if (held) window.EndStatus();
  if (missing)
    window.ShowMessageBox("Geoid file is not found:\r\n" + missing->path);
  else if (!held)
    window.ShowMessageBox("Can not create:\r\n" + companion + "\r\n" + error);
  window.SetBusyCursor(false);
  window.SetWaitingText("");
  return held;
}

}  // namespace orthelev
