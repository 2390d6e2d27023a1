#pragma once
// Which nodes of a source grid an import takes, and the geometry of the
// custom geoid file they make. Pure arithmetic on node positions; no file
// is touched here.
//
// Node positions are what the geoid reader addresses: a grid is a lattice of
// nodes (not of cells), row 0 northernmost, column 0 westernmost. Output
// longitudes are normalised so that glomn lies in [0, 360); a global source
// (its columns cover the whole circle) is rotated so that its first column is
// the first node at or east of 0° and keeps 360 / spacing distinct columns,
// dropping repeated columns such as a second 180° meridian. When its nodes
// lie between the meridians (none on 0°), the whole circle is padded with
// the wrapped columns the reader's windows need, and a row beyond each pole
// the grid's rows do not reach (docs/grid-import.md).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geoid/grid_spec.hpp"

namespace orthelev {

// A latitude/longitude box in degrees, north and east positive. The box runs
// east from `west` to `east`; when `east` is less than `west` it crosses the
// 180° (or 0°) meridian, so 170 to -170 is 20 degrees wide. A box 360 degrees
// wide (such as -180 to 180) takes every longitude.
struct Region {
  double south = 0, north = 0, west = 0, east = 0;
};

// The node lattice of a source grid, as its reader found it.
using SourceLattice = GridLattice;

// Finest spacing accepted, degrees (about 1 cm): node indices of any
// position on the earth then stay far inside 64 bits.
inline constexpr double kFinestGridSpacing = 1e-7;

// Wrapped columns added on each side of a padded global grid: one more
// than half the largest spline window, so that every longitude has a
// complete window and a longitude and the same one a turn further east
// take the same nodes (the reader truncates window starts towards 0).
inline constexpr std::int32_t kPadColumns = 4;

// What to copy: source rows firstRow .. firstRow + rowCount - 1, and for each
// output column the source column it takes (repeats allowed when a global
// grid is rotated or padded at its seam).
struct ImportPlan {
  std::int32_t firstRow = 0;
  std::int32_t rowCount = 0;
  std::vector<std::int32_t> sourceColumns;
  // Output columns at each end of sourceColumns that repeat columns from the
  // other end of the circle (0 or kPadColumns).
  std::int32_t padColumns = 0;
  // A row beyond the north (south) pole, made so that interpolation reaches
  // the pole: set when the grid takes the whole circle and its outermost row
  // lies the fraction northPoleGap (southPoleGap) of a spacing from the pole,
  // 0 < gap < 1.
  bool northPoleRow = false, southPoleRow = false;
  double northPoleGap = 0, southPoleGap = 0;
  // The custom file's trailer values (glamn of the written rows, padding
  // included; glomn negative for a padded grid).
  double glamn = 0, glomn = 0, dgla = 0, dglo = 0;

  // Rows of the written file, pole rows included.
  std::int32_t WrittenRows() const { return rowCount + northPoleRow + southPoleRow; }
};

// Spacings the reader can address: its arithmetic uses the whole number of
// nodes per 100 degrees nearest to 100 / spacing, so a spacing is accepted
// when it lies within 1e-4 (relative) of 100 / that number, and is replaced
// by it. False for other spacings (0.3° or 3° for instance) and for spacings
// finer than 1e-7 degrees (about 1 cm).
bool ReaderSpacing(double spacing, double& snapped);

// Longitude folded into [0, 360); values within 1e-9 degrees of 360 become 0.
double NormalizedLongitude(double longitude);

// Plans the import of `source`, cut to `region` when one is given. False,
// with a reason in `error`, for a spacing the reader cannot address, nodes
// beyond ±90° latitude, a malformed region, a region that holds no node of
// the grid, and a result of 2 GiB or more.
bool PlanImport(const SourceLattice& source, const std::optional<Region>& region, ImportPlan& plan,
                std::string& error);

}  // namespace orthelev
