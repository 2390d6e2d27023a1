#include "geoid/interpolation.hpp"

#include <cmath>
#include <limits>

#include "geoid/active_grid.hpp"

namespace orthelev {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
static_assert(SplineRows::kMaxSize == kMaxSplineWindow);

// Grid positions far beyond any grid cannot be truncated to 32-bit indices.
bool IndexableGridPosition(double position) { return std::fabs(position) < 1e9; }

// The node, or NaN (as a double) when it is missing.
double Node(std::int32_t row, std::int32_t column) { return ReadGridNode(row, column); }

// |f| within 0.00001 of 0 or 1 snaps to that node line.
int SnapOffset(double fraction) {
  if (std::fabs(fraction) < 0.00001) return 0;
  if (std::fabs(1 - fraction) < 0.00001) return 1;
  return -1;
}

// Reads the window's rows and sets up their splines, northernmost first,
// stopping at the first row with a missing node (the window is then
// incomplete). Keeps them only when no block read failed meanwhile: a
// failed read is retried by the next lookup. The rows of one window lie in
// distinct cache slots (they span far less than the cache), so none of
// them is evicted by reading another.
void FillSplineRows(SplineRows& rows, int n, std::int32_t r0, std::int32_t c0) {
  const GridFile& file = TheActiveGrid().file;
  const std::uint64_t failedBefore = file.FailedReads();
  float work[kMaxSplineWindow];
  // The rows lie far apart in the file: their reads overlap when all are
  // asked for first.
  for (int i = 0; i < n; ++i) PrefetchGridNodes(r0 + 1 + i, c0 + 1, n);
  rows.complete = true;
  for (int i = 0; i < n && rows.complete; ++i) {
    rows.complete = ReadGridNodes(r0 + 1 + i, c0 + 1, n, rows.values[i]);
    if (rows.complete) SplineSetup(n, rows.values[i], rows.second[i], work);
  }
  rows.interval = 0;
  rows.size = n;
  rows.firstRow = r0;
  rows.firstColumn = c0;
  rows.cacheGeneration = file.FailedReads() == failedBefore ? file.CacheGeneration() : 0;
}

// SplineValue of every row of the window at `x`, as floats. Between the
// first and the last node the terms that do not depend on x are kept for
// the interval of x: the same expressions, evaluated once per window.
void RowSplineValues(SplineRows& rows, double x, float* results) {
  const int n = rows.size;
  if (x < 1 || x > n) {
    for (int i = 0; i < n; ++i)
      results[i] = static_cast<float>(SplineValue(n, rows.values[i], rows.second[i], x));
    return;
  }
  int j = static_cast<int>(x);
  if (j > n - 1) j = n - 1;
  if (rows.interval != j) {
    for (int i = 0; i < n; ++i) {
      auto Y = [&](int k) { return static_cast<double>(rows.values[i][k - 1]); };
      auto R = [&](int k) { return static_cast<double>(rows.second[i][k - 1]); };
      rows.base[i] = Y(j);
      rows.slope[i] = Y(j + 1) - Y(j) - R(j) / 3 - R(j + 1) / 6;
      rows.curve[i] = R(j) / 2;
      rows.change[i] = R(j + 1) - R(j);
    }
    rows.interval = j;
  }
  const double t = x - j;
  for (int i = 0; i < n; ++i)
    results[i] = static_cast<float>(
        rows.base[i] + t * (rows.slope[i] + t * (rows.curve[i] + t * rows.change[i] / 6)));
}

double SplineWindow(int n, double row, double column) {
  const auto c0 = static_cast<std::int32_t>(std::trunc(column - n / 2.0));
  const auto r0 = static_cast<std::int32_t>(std::trunc(row - n / 2.0));
  ActiveGrid& g = TheActiveGrid();
  // A track stays inside one window for many points.
  if (!g.splineRows.Holds(n, r0, c0, g.file.CacheGeneration()))
    FillSplineRows(g.splineRows, n, r0, c0);
  const SplineRows& rows = g.splineRows;
  if (!rows.complete) return BilinearAt(row, column);
  float rowResults[kMaxSplineWindow], second[kMaxSplineWindow], work[kMaxSplineWindow];
  RowSplineValues(g.splineRows, column - c0, rowResults);
  SplineSetup(n, rowResults, second, work);
  return SplineValue(n, rowResults, second, row - r0);
}

}  // namespace

double InterpolateGeoid(int n, double lat, double lon) {
  // A latitude beyond a pole is no place on Earth, not the pole.
  if (n > kMaxSplineWindow || !(std::fabs(lat) <= 90) || std::isnan(lon)) return kNaN;
  const ActiveGrid& g = TheActiveGrid();
  if (lon < 0)
    lon += 360;
  else if (lon > 360)
    lon -= 360;
  if (g.glomx > 360 && lon < g.glomn) lon += 360;

  const double column = (lon - g.glomn) * g.lonNodesPer100 / 100;
  const double row = (g.glamx - lat) * g.latNodesPer100 / 100;
  if (!IndexableGridPosition(row) || !IndexableGridPosition(column)) return kNaN;

  if (n > 2 && 90 - std::fabs(lat) > g.dgla * (n / 2.0 + 1)) return SplineWindow(n, row, column);
  return BilinearAt(row, column);
}

double BilinearAt(double row, double column) {
  if (!IndexableGridPosition(row) || !IndexableGridPosition(column)) return kNaN;
  const ActiveGrid& g = TheActiveGrid();
  const auto c = static_cast<std::int32_t>(std::trunc(column));
  const auto r = static_cast<std::int32_t>(std::trunc(row));
  if (c < 0 || c > g.nlon || r < 0 || r > g.nlat) return kNaN;
  const double fc = column - c, fr = row - r;
  const int sc = SnapOffset(fc), sr = SnapOffset(fr);

  if (sc >= 0 && sr >= 0) return Node(r + sr, c + sc);
  if (sr >= 0) {
    const double a = Node(r + sr, c), b = Node(r + sr, c + 1);
    return a * (1 - fc) + b * fc;  // NaN if either is missing
  }
  if (sc >= 0) {
    const double a = Node(r, c + sc), b = Node(r + 1, c + sc);
    return a * (1 - fr) + b * fr;
  }
  float north[2], south[2];
  ReadGridNodePair(r, c, north[0], north[1]);
  ReadGridNodePair(r + 1, c, south[0], south[1]);
  const double n00 = north[0], n10 = south[0], n01 = north[1], n11 = south[1];
  return n00 * (1 - fc) * (1 - fr) + n10 * fr * (1 - fc) + n01 * fc * (1 - fr) + n11 * fc * fr;
}

namespace {

// P(K) and Q(K) of the spline set-up depend on K alone: worked out once, by
// the very steps of the published algorithm, for every window size.
struct SplineConstants {
  float p[kMaxSplineWindow]{}, q[kMaxSplineWindow]{};
  SplineConstants() {
    for (int k = 1; k < kMaxSplineWindow; ++k) {
      p[k] = static_cast<float>(static_cast<double>(q[k - 1]) / 2 + 2);
      q[k] = static_cast<float>(-0.5 / p[k]);
    }
  }
};

const SplineConstants& TheSplineConstants() {
  static const SplineConstants constants;
  return constants;
}

}  // namespace

void SplineSetup(int n, const float* y, float* r, float* q) {
  // 1-based in the published algorithm: Y(K) is y[K - 1].
  const SplineConstants& c = TheSplineConstants();
  q[0] = 0;
  r[0] = 0;
  for (int k = 1; k < n - 1; ++k) {
    q[k] = c.q[k];
    r[k] = static_cast<float>(
        (3 * (static_cast<double>(y[k + 1]) - 2 * static_cast<double>(y[k]) + y[k - 1]) -
         static_cast<double>(r[k - 1]) / 2) /
        c.p[k]);
  }
  r[n - 1] = 0;
  for (int k = n - 2; k >= 1; --k)
    r[k] = static_cast<float>(static_cast<double>(q[k]) * r[k + 1] + r[k]);
}

double SplineValue(int n, const float* y, const float* r, double x) {
  auto Y = [y](int k) { return static_cast<double>(y[k - 1]); };
  auto R = [r](int k) { return static_cast<double>(r[k - 1]); };
  if (x < 1) return Y(1) + (x - 1) * (Y(2) - Y(1) - R(2) / 6);
  if (x > n) return Y(n) + (x - n) * (Y(n) - Y(n - 1) + R(n - 1) / 6);
  int j = static_cast<int>(x);
  if (j > n - 1) j = n - 1;
  const double t = x - j;
  return Y(j) + t * ((Y(j + 1) - Y(j) - R(j) / 3 - R(j + 1) / 6) +
                     t * (R(j) / 2 + t * (R(j + 1) - R(j)) / 6));
}

}  // namespace orthelev
