#include "geoid/interpolation.hpp"

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "support/grid_writer.hpp"
#include "support/recording_window_services.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;

// A smooth surface with enough curvature that spline and bilinear values,
// and splines over differently placed windows, differ clearly.
float Surface(std::int32_t r, std::int32_t c) {
  return static_cast<float>(30 + 2 * std::sin(r * 1.3) + 1.5 * std::cos(c * 0.9) +
                            0.01 * (r % 100) * (c % 100));
}

// Reference natural cubic spline at unit spacing, solved in double
// precision as a tridiagonal system (second derivatives zero at both ends).
double ReferenceSpline(const std::vector<double>& y, double x /* 1-based */) {
  const int n = static_cast<int>(y.size());
  std::vector<double> m(n, 0.0), diag(n, 4.0), rhs(n, 0.0);
  for (int k = 1; k < n - 1; ++k) rhs[k] = 6 * (y[k + 1] - 2 * y[k] + y[k - 1]);
  for (int k = 2; k < n - 1; ++k) {  // forward elimination, sub/super diagonals 1
    const double w = 1 / diag[k - 1];
    diag[k] -= w;
    rhs[k] -= w * rhs[k - 1];
  }
  for (int k = n - 2; k >= 1; --k) m[k] = (rhs[k] - (k + 1 < n - 1 ? m[k + 1] : 0)) / diag[k];
  int j = std::min(static_cast<int>(x), n - 1);  // segment [j, j+1], 1-based
  const double t = x - j, a = y[j - 1], b = y[j], ma = m[j - 1], mb = m[j];
  return a * (1 - t) + b * t + ((1 - t) * (1 - t) * (1 - t) - (1 - t)) * ma / 6 +
         (t * t * t - t) * mb / 6;
}

template <typename Nodes>
double ReferenceSplineWindow(int n, double row, double column, Nodes nodes) {
  const int r0 = static_cast<int>(std::trunc(row - n / 2.0));
  const int c0 = static_cast<int>(std::trunc(column - n / 2.0));
  std::vector<double> columnValues;
  for (int i = 1; i <= n; ++i) {
    std::vector<double> rowValues;
    for (int j = 1; j <= n; ++j) rowValues.push_back(nodes(r0 + i, c0 + j));
    columnValues.push_back(ReferenceSpline(rowValues, column - c0));
  }
  return ReferenceSpline(columnValues, row - r0);
}

double ReferenceSplineWindow(int n, double row, double column) {
  return ReferenceSplineWindow(n, row, column, Surface);
}

double ReferenceBilinear(double row, double column) {
  const int r = static_cast<int>(row), c = static_cast<int>(column);
  const double fr = row - r, fc = column - c;
  return Surface(r, c) * (1 - fr) * (1 - fc) + Surface(r + 1, c) * fr * (1 - fc) +
         Surface(r, c + 1) * (1 - fr) * fc + Surface(r + 1, c + 1) * fr * fc;
}

// The default check point "35 40 37.8", "139 44 52.3".
constexpr double kLat = 35.677166666666665, kLon = 139.74786111111112;
constexpr double kRow = 1303.748, kColumn = 3353.948666666667;

class Egm25Interpolation : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().dataFolder = dir.Folder();
    const std::string path = dir.File("egm25");
    testing::WriteSparseEgm25(path, 1296, 1311, 3346, 3361, Surface);
    testing::WriteSparseEgm25(path, 0, 8, 0, 12, Surface);
    testing::WriteSparseEgm25(path, 0, 8, 8626, 8639, Surface);
    testing::WriteSparseEgm25(path, 4314, 4320, 0, 12, Surface);
    Reopen();
  }
  void Reopen() {
    const GridSpec s = DefaultGridSpec(kSectionEgm25);
    ASSERT_TRUE(OpenGrid(TheSettings().dataFolder, "egm25", s));
  }
  void SetNode(int r, int c, float v) {
    testing::WriteSparseEgm25(dir.File("egm25"), r, r, c, c, [v](int, int) { return v; });
    Reopen();  // drop cached blocks
  }
  TempDir dir;
};

TEST_F(Egm25Interpolation, DefaultCheckPointSplineAndBilinear) {
  const double spline = InterpolateGeoid(6, kLat, kLon);
  const double bilinear = InterpolateGeoid(0, kLat, kLon);
  EXPECT_NEAR(spline, ReferenceSplineWindow(6, kRow, kColumn), 2e-5);
  EXPECT_NEAR(bilinear, ReferenceBilinear(kRow, kColumn), 1e-9);
  EXPECT_GT(std::fabs(spline - bilinear), 1e-3);
}

// The spline of a window computed from scratch: every row read and set up.
double FreshSplineWindow(int n, double row, double column) {
  const auto c0 = static_cast<std::int32_t>(std::trunc(column - n / 2.0));
  const auto r0 = static_cast<std::int32_t>(std::trunc(row - n / 2.0));
  float values[6], second[6], work[6], rowResults[6];
  for (int i = 1; i <= n; ++i) {
    if (!ReadGridNodes(r0 + i, c0 + 1, n, values)) return BilinearAt(row, column);
    SplineSetup(n, values, second, work);
    rowResults[i - 1] = static_cast<float>(SplineValue(n, values, second, column - c0));
  }
  SplineSetup(n, rowResults, second, work);
  return SplineValue(n, rowResults, second, row - r0);
}

TEST_F(Egm25Interpolation, KeptRowSplinesGiveExactlyTheValuesOfAFreshWindow) {
  // A track across several windows, back and forth, with other window
  // sizes, bilinear lookups and a changed grid file in between.
  for (int step = 0; step < 400; ++step) {
    const double lat = 35.7 + 0.17 * std::sin(step * 0.05), lon = 139.6 + step * 0.0005;
    // The grid position as InterpolateGeoid works it out.
    const double row = (90 - lat) * 2400 / 100, column = lon * 2400 / 100;
    const int n = step % 50 == 7 ? 4 : 6;
    if (step % 37 == 0) InterpolateGeoid(0, lat + 0.01, lon);
    if (step == 200) SetNode(1303, 3355, 12.5f);
    const double kept = InterpolateGeoid(n, lat, lon), fresh = FreshSplineWindow(n, row, column);
    ASSERT_EQ(std::memcmp(&kept, &fresh, sizeof kept), 0) << step << ": " << kept << " " << fresh;
  }
}

TEST_F(Egm25Interpolation, OtherWindowSizes) {
  for (int n : {3, 4, 5})
    EXPECT_NEAR(InterpolateGeoid(n, kLat, kLon), ReferenceSplineWindow(n, kRow, kColumn), 2e-5)
        << n;
  const double bilinear = ReferenceBilinear(kRow, kColumn);
  for (int n : {-1, 0, 1, 2}) EXPECT_NEAR(InterpolateGeoid(n, kLat, kLon), bilinear, 1e-9) << n;
  EXPECT_TRUE(std::isnan(InterpolateGeoid(7, kLat, kLon)));
  EXPECT_TRUE(std::isnan(InterpolateGeoid(36, kLat, kLon)));
}

TEST_F(Egm25Interpolation, MissingWindowNodeFallsBackToBilinear) {
  // The window is rows 1301-1306 and columns 3351-3356: a missing node just
  // outside it leaves the spline, one just inside gives the bilinear value.
  struct Case {
    int row, column;
    bool inWindow;
  };
  for (const Case& c : {Case{1300, 3350, false}, Case{1307, 3357, false}, Case{1304, 3350, false},
                        Case{1300, 3354, false}, Case{1301, 3351, true}, Case{1306, 3356, true}}) {
    const float kept = Surface(c.row, c.column);
    SetNode(c.row, c.column, 999.0f);
    const double expected =
        c.inWindow ? ReferenceBilinear(kRow, kColumn) : ReferenceSplineWindow(6, kRow, kColumn);
    EXPECT_NEAR(InterpolateGeoid(6, kLat, kLon), expected, 2e-5) << c.row << "," << c.column;
    SetNode(c.row, c.column, kept);
  }
  SetNode(1303, 3353, 999.0f);  // a node of the bilinear cell too: no value
  EXPECT_TRUE(std::isnan(InterpolateGeoid(6, kLat, kLon)));
}

TEST_F(Egm25Interpolation, PolesSeamsAndBeyondThePoles) {
  struct Case {
    const char* what;
    int n;
    double lat, lon;
    double expected;  // NaN: no value
  };
  const double nan = NAN;
  const Case cases[] = {
      // 90 - 89.9 is not more than 4 * dgla: bilinear at row 2.4.
      {"near the north pole", 6, 89.9, 0.1, ReferenceBilinear(2.4, 2.4)},
      {"the north pole", 6, 90, 0.1, Surface(0, 2) * 0.6 + Surface(0, 3) * 0.4},
      {"the south pole", 6, -90, 0.1, Surface(4320, 2) * 0.6 + Surface(4320, 3) * 0.4},
      // Beyond a pole is no place, not the pole.
      {"above 90", 6, 95, 0.1, nan},
      {"just below -90", 6, -90.00002, 0.1, nan},
      {"-90.000005", 6, -90.000005, 0.1, nan},
      {"negative longitude folds", 0, 89.9, -0.5, ReferenceBilinear(2.4, 8628)},
      {"longitude 360 reads column 0", 0, 89.95, 360,
       Surface(1, 0) * (1 - 0.2) + Surface(2, 0) * 0.2},
      {"longitude 0", 0, 89.95, 0, Surface(1, 0) * (1 - 0.2) + Surface(2, 0) * 0.2},
      {"node line in longitude", 0, 89.9, 0.125, Surface(2, 3) * 0.6 + Surface(3, 3) * 0.4},
      {"within 0.00001 of a node", 6, 89.875 + 1e-7, 0.125 + 1e-7, Surface(3, 3)},
      {"NaN latitude", 6, nan, 0.1, nan},
      {"NaN longitude", 0, 45, nan, nan},
  };
  for (const Case& c : cases) {
    const double value = InterpolateGeoid(c.n, c.lat, c.lon);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(value)) << c.what << ": " << value;
    else
      EXPECT_NEAR(value, c.expected, 1e-5) << c.what;
  }
}

TEST_F(Egm25Interpolation, NodeLineNeedsOnlyItsTwoNodes) {
  SetNode(2, 4, 999.0f);  // the next column is missing, but not needed
  EXPECT_NEAR(InterpolateGeoid(0, 89.9, 0.125), Surface(2, 3) * 0.6 + Surface(3, 3) * 0.4, 1e-5);
  EXPECT_TRUE(std::isnan(InterpolateGeoid(0, 89.9, 0.13)));
}

TEST_F(Egm25Interpolation, NoGridOpen) {
  CloseGrid();
  EXPECT_TRUE(std::isnan(InterpolateGeoid(6, kLat, kLon)));
  EXPECT_TRUE(std::isnan(InterpolateGeoid(0, kLat, kLon)));
}

class CustomWorld : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    testing::WriteBytes(dir.File("world.cdat"),
                        testing::CustomGridBytes(181, 360, -90, 0, 1, 1, Periodic));
    ASSERT_TRUE(OpenCustomGeoid(dir.File("world.cdat")));
  }
  static float Periodic(std::int32_t r, std::int32_t c);
  TempDir dir;
};

class GsiInterpolation : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().dataFolder = dir.Folder();
    const GridSpec s = DefaultGridSpec(kSectionGsi);
    testing::PokeNodes(dir.File("gsi.dat"), 4LL * s.nlat * s.nlon, s.ncols, 0, 895, 905, 0, 5,
                       Surface);
    testing::PokeNodes(dir.File("gsi.dat"), 4LL * s.nlat * s.nlon, s.ncols, 0, 895, 905, 1195, 1200,
                       Surface);
    ASSERT_TRUE(OpenGrid(TheSettings().dataFolder, "gsi.dat", s));
  }
  TempDir dir;
};

TEST_F(GsiInterpolation, EdgesOfANonWrappingGrid) {
  // Latitude 35 is row 900 exactly: the interpolation runs along the row.
  EXPECT_NEAR(InterpolateGeoid(0, 35, 119.99), Surface(900, 0) * 1.4 + Surface(900, 1) * -0.4,
              1e-5);
  EXPECT_TRUE(std::isnan(InterpolateGeoid(0, 35, 150.01)));
  EXPECT_TRUE(std::isnan(InterpolateGeoid(0, 35, 119.975)));
  EXPECT_NEAR(InterpolateGeoid(0, 35, 150), Surface(900, 1200), 1e-5);
}

// Periodic in longitude, so that columns -1 and 359 hold the same value.
float CustomWorld::Periodic(std::int32_t r, std::int32_t c) {
  return static_cast<float>(30 + 2 * std::sin(r * 1.3) + 1.5 * std::cos(c * 7 * M_PI / 180));
}

TEST_F(CustomWorld, SplineWindowAcrossTheSeam) {
  // A 1-degree global grid: at longitude 0.3 the window spans columns -2..3,
  // at 359.7 columns 357..362; both wrap.
  for (double lon : {0.3, 359.7, -0.3, 180.4}) {
    const double column = lon < 0 ? lon + 360 : lon;
    EXPECT_NEAR(InterpolateGeoid(6, 40.4, lon),
                ReferenceSplineWindow(6, 49.6, column, CustomWorld::Periodic), 2e-5)
        << lon;
  }
}

TEST(Spline, ReproducesStraightLinesAndKnots) {
  const float y[6] = {1, 2, 3, 4, 5, 6};
  float r[6], q[6];
  SplineSetup(6, y, r, q);
  for (double x : {1.0, 2.5, 3.95, 6.0}) EXPECT_NEAR(SplineValue(6, y, r, x), x, 1e-6) << x;
  EXPECT_NEAR(SplineValue(6, y, r, 0.5), 0.5, 1e-6);  // straight-line continuation
  EXPECT_NEAR(SplineValue(6, y, r, 7), 7, 1e-6);
  const float bumpy[6] = {3, -1, 4, 1, -5, 9};
  SplineSetup(6, bumpy, r, q);
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(SplineValue(6, bumpy, r, k), bumpy[k - 1], 1e-6);
  EXPECT_EQ(r[0], 0.0f);
  EXPECT_EQ(r[5], 0.0f);
}

}  // namespace
}  // namespace orthelev
