#include "import/import_plan.hpp"

#include <algorithm>
#include <cmath>

#include "base/number_format.hpp"

namespace orthelev {
namespace {

// How far (in spacings) a position may miss a node and still be that node.
constexpr double kNodeTolerance = 1e-6;
// Relative difference allowed between a spacing and the reader's spacing.
constexpr double kSpacingTolerance = 1e-4;
// The largest custom geoid file an import writes (2 GiB less one byte), so
// that readers with signed 32-bit byte offsets can read it too; this
// program's own reader takes larger files.
constexpr std::int64_t kMaxFileBytes = 2147483647;

// Node indices are clamped to this magnitude before conversion; grids have
// fewer than 2^31 nodes a side, so a clamped index lies outside any grid.
constexpr double kIndexLimit = 4.0e18;

// A whole number of nodes as an integer, clamped so that the conversion is
// defined whatever the real (NaN gives the lower limit).
std::int64_t ClampedIndex(double nodes) {
  if (!(nodes > -kIndexLimit)) return static_cast<std::int64_t>(-kIndexLimit);
  if (nodes > kIndexLimit) return static_cast<std::int64_t>(kIndexLimit);
  return static_cast<std::int64_t>(nodes);
}

// Index of the first node at or after `offset` degrees from node 0.
std::int64_t FirstNodeFrom(double offset, double spacing) {
  return ClampedIndex(std::ceil(offset / spacing - kNodeTolerance));
}

// Index of the last node at or before `offset` degrees from node 0.
std::int64_t LastNodeTo(double offset, double spacing) {
  return ClampedIndex(std::floor(offset / spacing + kNodeTolerance));
}

// The longitudes a plan takes: `width` degrees east of `west` (folded into
// [0, 360)), or every longitude.
struct LongitudeSpan {
  bool full = true;
  double west = 0, width = 0;
};

bool CheckRegion(const Region& r, std::string& error) {
  if (!std::isfinite(r.south) || !std::isfinite(r.north) || !std::isfinite(r.west) ||
      !std::isfinite(r.east)) {
    error = "The region's limits must be numbers.";
    return false;
  }
  if (r.south > r.north) {
    error = "The region is empty: its south limit " + FormatGeneral(r.south) +
            " lies north of its north limit " + FormatGeneral(r.north) + ".";
    return false;
  }
  if (r.south < -90 || r.north > 90) {
    error = "The region's latitudes must lie within -90 to 90 degrees.";
    return false;
  }
  return true;
}

LongitudeSpan SpanOf(const std::optional<Region>& region, double spacing) {
  LongitudeSpan span;
  if (!region) return span;
  double width = region->east - region->west;
  if (width >= 360 - kNodeTolerance * spacing) return span;
  if (width < 0) width = std::max(0.0, width + 360);
  span.full = false;
  span.west = NormalizedLongitude(region->west);
  span.width = width;
  return span;
}

bool PlanRows(const SourceLattice& s, double dlat, const std::optional<Region>& region,
              ImportPlan& plan, std::string& error) {
  const double northLatitude = s.southLatitude + (s.rows - 1) * dlat;
  if (!std::isfinite(s.southLatitude) || s.southLatitude < -90 - kNodeTolerance * dlat ||
      northLatitude > 90 + kNodeTolerance * dlat) {
    error = "The grid's rows reach beyond 90 degrees of latitude (" +
            FormatGeneral(s.southLatitude) + " to " + FormatGeneral(northLatitude) +
            "): it is not a latitude/longitude grid.";
    return false;
  }
  std::int64_t first = 0, last = s.rows - 1;
  if (region) {
    first = std::max<std::int64_t>(first, FirstNodeFrom(northLatitude - region->north, dlat));
    last = std::min<std::int64_t>(last, LastNodeTo(northLatitude - region->south, dlat));
  }
  if (first > last) {
    error = "The region holds no row of the grid, whose rows run from " +
            FormatGeneral(s.southLatitude) + " to " + FormatGeneral(northLatitude) + " degrees.";
    return false;
  }
  plan.firstRow = static_cast<std::int32_t>(first);
  plan.rowCount = static_cast<std::int32_t>(last - first + 1);
  plan.glamn = s.southLatitude + static_cast<double>(s.rows - 1 - last) * dlat;
  return true;
}

// True when `columns` columns of the plan's rows (pole rows included) make
// a custom geoid file below 2 GiB; checked before the column list is made,
// and again once pole rows are added.
bool FitsOneFile(const ImportPlan& plan, std::int64_t columns, std::string& error) {
  // Compared in nodes: rows and columns below 2^31 multiply without overflow.
  const std::int64_t nodes = static_cast<std::int64_t>(plan.WrittenRows()) * columns;
  if (nodes <= (kMaxFileBytes - 40) / 4) return true;
  error = "The imported grid would take " + FormatInt(4 * nodes + 40) +
          " bytes; a custom geoid file must stay below 2 GiB. Cut a region.";
  return false;
}

// Columns of a source that covers the whole circle with n distinct columns.
bool PlanGlobalColumns(const SourceLattice& s, double dlon, std::int64_t n,
                       const LongitudeSpan& span, ImportPlan& plan, std::string& error) {
  // Column j of the source lies at start + (j + shift) * dlon, where start
  // is the first node at or east of 0°.
  const double west = NormalizedLongitude(s.westLongitude);
  const std::int64_t shift = ClampedIndex(std::floor(west / dlon + kNodeTolerance));
  double start = west - static_cast<double>(shift) * dlon;
  if (start < kNodeTolerance * dlon) start = 0;
  std::int64_t first = 0, count = n;
  // Nodes between the meridians (pixel centres at half a spacing): the
  // reader wraps only a grid with a node on 0°, so the circle is padded with
  // the wrapped columns its windows need (docs/grid-import.md).
  if (span.full && start > 0) {
    first = -kPadColumns;
    count = n + std::int64_t{2} * kPadColumns;
    plan.padColumns = kPadColumns;
  }
  if (!span.full) {
    first = FirstNodeFrom(span.west - start, dlon);
    count = std::min(n, LastNodeTo(span.west + span.width - start, dlon) - first + 1);
  }
  if (!FitsOneFile(plan, count, error)) return false;
  plan.sourceColumns.clear();
  for (std::int64_t k = first; k < first + count; ++k)
    plan.sourceColumns.push_back(static_cast<std::int32_t>(((k - shift) % n + n) % n));
  const double glomn = start + static_cast<double>(first) * dlon;
  plan.glomn = plan.padColumns > 0 ? glomn : NormalizedLongitude(glomn);
  return true;
}

// The fraction of a spacing between the outermost row at `latitude` and the
// pole beyond it, when it lies strictly between 0 and 1; 0 otherwise.
double PoleGap(double latitude, double dlat) {
  const double gap = (90 - std::fabs(latitude)) / dlat;
  return gap > kNodeTolerance && gap < 1 - kNodeTolerance ? gap : 0;
}

// Rows beyond the poles for a grid that takes the whole circle and whose
// outermost rows stop short of a pole.
void PlanPoleRows(const SourceLattice& s, ImportPlan& plan) {
  const double north = plan.glamn + (plan.rowCount - 1) * plan.dgla;
  if (plan.firstRow == 0 && north > 0) plan.northPoleGap = PoleGap(north, plan.dgla);
  if (plan.firstRow + plan.rowCount == s.rows && plan.glamn < 0)
    plan.southPoleGap = PoleGap(plan.glamn, plan.dgla);
  plan.northPoleRow = plan.northPoleGap > 0;
  plan.southPoleRow = plan.southPoleGap > 0;
  if (plan.southPoleRow) plan.glamn -= plan.dgla;
}

bool PlanRegionalColumns(const SourceLattice& s, double dlon, const LongitudeSpan& span,
                         ImportPlan& plan, std::string& error) {
  const double west = NormalizedLongitude(s.westLongitude);
  std::int64_t first = 0, last = s.columns - 1;
  if (!span.full) {
    // The span may meet the grid a turn east or west of where it was given.
    std::int64_t best = 0;
    for (int turn = -1; turn <= 1; ++turn) {
      const double from = span.west + 360.0 * turn - west;
      const std::int64_t a = std::max<std::int64_t>(0, FirstNodeFrom(from, dlon));
      const std::int64_t b =
          std::min<std::int64_t>(s.columns - 1, LastNodeTo(from + span.width, dlon));
      if (b - a + 1 > best) best = b - a + 1, first = a, last = b;
    }
    if (best == 0) last = first - 1;
  }
  if (!FitsOneFile(plan, last - first + 1, error)) return false;
  plan.sourceColumns.clear();
  for (std::int64_t j = first; j <= last; ++j)
    plan.sourceColumns.push_back(static_cast<std::int32_t>(j));
  plan.glomn = NormalizedLongitude(west + static_cast<double>(first) * dlon);
  return true;
}

// Distinct columns around the circle, or 0 when the grid is not global.
std::int64_t GlobalColumnCount(const SourceLattice& s, double dlon) {
  const double perCircle = 360 / dlon;
  const double n = std::nearbyint(perCircle);
  if (std::fabs(perCircle - n) > kNodeTolerance * n || s.columns < n) return 0;
  return static_cast<std::int64_t>(n);
}

}  // namespace

double NormalizedLongitude(double longitude) {
  double folded = std::fmod(longitude, 360.0);
  if (folded < 0) folded += 360;
  if (folded > 360 - 1e-9 || std::fabs(folded) < 1e-9) folded = 0;
  return folded;
}

bool ReaderSpacing(double spacing, double& snapped) {
  if (!std::isfinite(spacing) || spacing < kFinestGridSpacing || spacing > 200) return false;
  const double per100 = std::nearbyint(100 / spacing);
  if (per100 < 1) return false;
  snapped = 100 / per100;
  return std::fabs(spacing / snapped - 1) <= kSpacingTolerance;
}

bool PlanImport(const SourceLattice& source, const std::optional<Region>& region, ImportPlan& plan,
                std::string& error) {
  plan = ImportPlan{};
  if (source.rows <= 0 || source.columns <= 0) {
    error = "The grid has no nodes.";
    return false;
  }
  if (!ReaderSpacing(source.latSpacing, plan.dgla) ||
      !ReaderSpacing(source.lonSpacing, plan.dglo)) {
    error = "The grid spacing (" + FormatGeneral(source.latSpacing) + " by " +
            FormatGeneral(source.lonSpacing) +
            " degrees) is not supported: it must divide 100 degrees into a whole number of steps.";
    return false;
  }
  if (!std::isfinite(source.westLongitude)) {
    error = "The grid's longitudes are not numbers.";
    return false;
  }
  if (region && !CheckRegion(*region, error)) return false;
  if (!PlanRows(source, plan.dgla, region, plan, error)) return false;
  const LongitudeSpan span = SpanOf(region, plan.dglo);
  const std::int64_t n = GlobalColumnCount(source, plan.dglo);
  if (!(n > 0 ? PlanGlobalColumns(source, plan.dglo, n, span, plan, error)
              : PlanRegionalColumns(source, plan.dglo, span, plan, error)))
    return false;
  if (n > 0 && span.full) {
    PlanPoleRows(source, plan);
    const auto columns = static_cast<std::int64_t>(plan.sourceColumns.size());
    if (!FitsOneFile(plan, columns, error)) return false;
  }
  if (plan.sourceColumns.empty()) {
    error = "The region holds no column of the grid.";
    return false;
  }
  return true;
}

}  // namespace orthelev
