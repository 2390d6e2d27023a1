#pragma once
// Geoid height at a point of the active grid, by natural cubic splines over
// a square window of nodes (rows first, then down the column) or bilinearly.
// The single-precision steps follow NGA's published interpolator exactly.

#include <cstdint>

namespace orthelev {

inline constexpr int kMaxSplineWindow = 6;
inline constexpr int kBilinearWindow = 0;

// The window size of InterpolateGeoid for a spline or a bilinear lookup.
constexpr int InterpolationWindow(bool spline) {
  return spline ? kMaxSplineWindow : kBilinearWindow;
}

// Geoid height N in metres at (latitude, longitude), degrees north and east.
// windowSize 6: spline over 6 x 6 nodes (3 to 5 work too); 0, 1 or 2:
// bilinear. Near a pole, and where a window node is missing, the bilinear
// value is used. NaN outside the grid, for a latitude beyond ±90° or NaN
// input, with no grid open, and for a window size above 6.
double InterpolateGeoid(int windowSize, double latitude, double longitude);

// Bilinear value at a fractional grid position (row 0 north, column 0 at
// glomn); a position within 0.00001 of a node line uses that line exactly.
double BilinearAt(double row, double column);

// Second derivatives r[0..n-1] of the natural cubic spline through
// y[0..n-1] at unit spacing (q is work space of n entries).
void SplineSetup(int n, const float* y, float* r, float* q);

// Spline value at 1-based position x; straight lines beyond both ends.
double SplineValue(int n, const float* y, const float* r, double x);

}  // namespace orthelev
