// Converts a generated log of 100,000 GGA sentences against a grid whose
// nodes are a linear function of position, so that both interpolations give
// that function exactly, and checks every output line against it.

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ProgramState;
using testing::ReadBytes;
using testing::Signed;
using testing::SplitAtCommas;
using testing::SyntheticGrid;
using testing::TempDir;

constexpr int kSentences = 100000;

double LinearGeoid(double lat, double lon) { return 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130); }

struct Generated {
  std::string line;
  double latitude, longitude;  // degrees, as the text gives them
  double altitude, separation;
  bool inside;  // within the grid with room to spare
  int quality;
};

// ddmm.mmmm text of |degrees| and the degrees that text stands for.
std::string DegreesMinutes(double degrees, int degreeDigits, double& asWritten) {
  const int whole = static_cast<int>(degrees);
  char text[32];
  std::snprintf(text, sizeof text, "%0*d%07.4f", degreeDigits, whole, (degrees - whole) * 60);
  const std::string s(text);
  asWritten = std::stoi(s.substr(0, degreeDigits)) + std::stod(s.substr(degreeDigits)) / 60;
  return s;
}

Generated Generate(std::mt19937& random, int i) {
  std::uniform_real_distribution<double> unit(0, 1);
  Generated g;
  g.inside = i % 10 != 0;
  const double lat = g.inside ? 30.01 + 9.98 * unit(random) : 41 + 4 * unit(random);
  const double lon = 130.01 + 14.98 * unit(random);
  const std::string latText = DegreesMinutes(lat, 2, g.latitude);
  const std::string lonText = DegreesMinutes(lon, 3, g.longitude);
  char alt[32], sep[32];
  std::snprintf(alt, sizeof alt, "%.3f", -100 + 3100 * unit(random));
  std::snprintf(sep, sizeof sep, "%.1f", -60 + 120 * unit(random));
  const bool emptySeparation = i % 7 == 0;
  g.altitude = std::stod(alt);
  g.separation = emptySeparation ? NAN : std::stod(sep);
  g.quality = (i / 3) % 5;
  g.line = Signed("$GPGGA,1200" + std::to_string(i % 60) + ".00," + latText + ",N," + lonText +
                  ",E," + std::to_string(g.quality) + ",08,1.0," + alt + ",M," +
                  (emptySeparation ? "" : sep) + ",M,,");
  return g;
}

class NmeaEndToEndTest : public ProgramState, public ::testing::WithParamInterface<bool> {};

TEST_P(NmeaEndToEndTest, EveryLineMatchesTheLinearGeoid) {
  TempDir folder;
  TheSettings().decimal = "4";
  TheSettings().postfix = "_g";
  TheFlags().useSpline = GetParam();
  ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(
      folder.Folder(), "linear.grd",
      [](double lat, double lon) { return static_cast<float>(LinearGeoid(lat, lon)); }));

  std::mt19937 random(20240501);
  std::vector<Generated> lines;
  std::string input;
  const char* terminators[] = {"\r\n", "\n", "\r", "\r\r\n"};
  for (int i = 0; i < kSentences; ++i) {
    lines.push_back(Generate(random, i));
    input += lines.back().line + (i + 1 < kSentences ? terminators[i % 4] : "");
  }
  const std::string path = folder.Write("generated.nmea", input);
  ASSERT_EQ(ConvertNmeaFile(path), kSentences);

  const std::string output = ReadBytes(folder.File("generated_g.nmea"));
  size_t at = 0;
  int corrected = 0, outside = 0, uncorrected = 0;
  double diffSum = 0;
  for (const Generated& g : lines) {
    const size_t end = output.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string out = output.substr(at, end - at);
    at = end + 2;
    if (!g.inside) {
      ASSERT_EQ(out, g.line);
      outside += g.quality > 0;
      continue;
    }
    if (std::isnan(g.separation)) {  // no reference for its altitude
      ASSERT_EQ(out, g.line);
      ++uncorrected;
      continue;
    }
    ++corrected;
    const double n = LinearGeoid(g.latitude, g.longitude);
    diffSum += g.separation - n;
    ASSERT_TRUE(testing::HasValidChecksum(out)) << out;
    const auto in = SplitAtCommas(g.line), got = SplitAtCommas(out);
    ASSERT_EQ(got.size(), in.size()) << out;
    for (size_t f = 0; f < in.size() - 1; ++f)
      if (f != 9 && f != 11) {
        ASSERT_EQ(got[f], in[f]) << out;
      }
    const double newAltitude = std::stod(got[9]), newSeparation = std::stod(got[11]);
    ASSERT_NEAR(newSeparation, n, 0.00006) << out;
    ASSERT_NEAR(newAltitude + newSeparation, g.altitude + g.separation, 0.0001) << out;
    ASSERT_EQ(got[11].size() - got[11].find('.'), 5u) << "four decimals: " << out;
  }
  EXPECT_EQ(at, output.size());

  ASSERT_EQ(window.reportLines.size(), 6u);
  EXPECT_EQ(window.reportLines[1], "    " + std::to_string(kSentences) + " records");
  const std::string diffLine = window.reportLines[3];
  ASSERT_EQ(diffLine.rfind("    Geoid diff.  ", 0), 0u);
  EXPECT_NEAR(std::stod(diffLine.substr(17)), diffSum / corrected, 0.00006);
  EXPECT_EQ(window.reportLines[4],
            "    Number of Geoid outside range = " + std::to_string(outside) + "/" +
                std::to_string(outside + corrected));
  EXPECT_EQ(window.reportLines[5], "    Corrected " + std::to_string(corrected) + " of " +
                                       std::to_string(kSentences) + " records; " +
                                       std::to_string(uncorrected) + " without geoid separation");
  EXPECT_GE(window.statuses.size(), static_cast<size_t>(kSentences / 1024));
}

INSTANTIATE_TEST_SUITE_P(SplineAndBilinear, NmeaEndToEndTest, ::testing::Bool());

}  // namespace
}  // namespace orthelev
