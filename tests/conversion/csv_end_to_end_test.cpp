// Converts a generated log of 120,000 records against a grid whose nodes are
// a linear function of position, so that the spline and the bilinear
// interpolation both give that function, and checks every output line
// against values computed here.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/csv_conversion.hpp"
#include "csv_test_files.hpp"
#include "flags/program_flags.hpp"
#include "support/nmea_text.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;
using testing::ReadBytes;
using testing::SplitAtCommas;
using testing::SyntheticGrid;

constexpr int kRecords = 120000;
// Written values have four decimals; float nodes and single-precision
// spline steps add a few micrometres.
constexpr double kTolerance = 0.00005 + 0.00002;

double ModelN(double latitude, double longitude) {
  return 20.0 + 0.5 * (latitude - 30.0) + 0.3 * (longitude - 130.0);
}

// A small deterministic generator (64-bit LCG, upper bits).
class Numbers {
 public:
  double Uniform(double low, double high) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return low + (high - low) * static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_ = 20240607;
};

enum class Kind { Inside, Outside, NoPosition };

struct GeneratedRecord {
  Kind kind;
  std::vector<std::string> items;  // as written to the input
  double latitude, longitude, height, fileGeoid;
};

constexpr int kHeightItem = 6;  // 0-based item numbers
constexpr int kGeoidItem = 7;
const char kHeader[] = "INDEX,UTC DATE,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT,Geoid,NOTE";

GeneratedRecord Generate(int index, Numbers& numbers) {
  GeneratedRecord r{};
  const double pick = numbers.Uniform(0, 1);
  r.kind = pick < 0.05 ? Kind::Outside : pick < 0.06 ? Kind::NoPosition : Kind::Inside;
  r.latitude = r.kind == Kind::Outside ? numbers.Uniform(41, 60) : numbers.Uniform(30.2, 39.8);
  r.longitude = numbers.Uniform(130.2, 139.8);
  r.height = numbers.Uniform(-50, 3000);
  r.fileGeoid = numbers.Uniform(-10, 60);
  const bool unit = index % 3 == 0;
  r.items = {FormatInt(index),
             "2024/06/07 12:00:00",
             r.kind == Kind::NoPosition ? "N/A" : FormatFixed(r.latitude, 6),
             "N",
             FormatFixed(r.longitude, 6),
             index % 7 == 0 ? "e" : "E",
             FormatFixed(r.height, 3) + (unit ? " m" : ""),
             FormatFixed(r.fileGeoid, 2),
             index % 5 == 0 ? "caf\xE9 \x83\x65" : ""};
  // The written text is what the converter reads.
  r.latitude = std::round(r.latitude * 1e6) / 1e6;
  r.longitude = std::round(r.longitude * 1e6) / 1e6;
  r.height = std::round(r.height * 1e3) / 1e3;
  r.fileGeoid = std::round(r.fileGeoid * 1e2) / 1e2;
  return r;
}

std::string Join(const std::vector<std::string>& items) {
  std::string line;
  for (std::size_t k = 0; k < items.size(); ++k) line += (k ? "," : "") + items[k];
  return line;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return lines;
}

// The number a rewritten item starts with: "-12.3456" of "-12.3456 m".
bool LeadingNumber(const std::string& item, double& value, std::string& rest) {
  const std::size_t end = item.find_first_not_of("+-.0123456789");
  rest = end == std::string::npos ? "" : item.substr(end);
  const std::string number = item.substr(0, end);
  const std::size_t dot = number.find('.');
  return dot != std::string::npos && number.size() - dot - 1 == 4 && ParseReal(number, value);
}

class CsvEndToEndTest : public CsvFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(CsvEndToEndTest, EveryLineMatchesTheModel) {
  OpenModel(SyntheticGrid{30, 130, 0.05, 0.05, 201, 201}, ModelN);
  TheFlags().useSpline = GetParam();

  Numbers numbers;
  std::vector<GeneratedRecord> records;
  records.reserve(kRecords);
  std::string input = std::string(kHeader) + "\n";
  for (int k = 1; k <= kRecords; ++k) {
    records.push_back(Generate(k, numbers));
    input += Join(records.back().items) + (k % 2 ? "\r\n" : "\n");
  }
  const std::string path = Write("generated.csv", input);
  ASSERT_EQ(ConvertCsvFile(path), kRecords);

  const std::vector<std::string> lines = SplitLines(ReadBytes(OutputOf(path)));
  ASSERT_EQ(lines.size(), records.size() + 1);
  EXPECT_EQ(lines[0], kHeader);
  int inside = 0, outside = 0, noPosition = 0;
  double diffSum = 0;
  for (std::size_t k = 0; k < records.size(); ++k) {
    const GeneratedRecord& r = records[k];
    const std::string& line = lines[k + 1];
    if (r.kind != Kind::Inside) {
      ++(r.kind == Kind::Outside ? outside : noPosition);
      ASSERT_EQ(line, Join(r.items)) << "record " << k + 1;
      continue;
    }
    ++inside;
    const double n = ModelN(r.latitude, r.longitude);
    diffSum += r.fileGeoid - n;
    std::vector<std::string> items = SplitAtCommas(line);
    ASSERT_EQ(items.size(), r.items.size()) << line;
    double height = 0, geoid = 0;
    std::string heightRest, geoidRest;
    ASSERT_TRUE(LeadingNumber(items[kHeightItem], height, heightRest)) << line;
    ASSERT_TRUE(LeadingNumber(items[kGeoidItem], geoid, geoidRest)) << line;
    ASSERT_NEAR(height, r.height + r.fileGeoid - n, kTolerance) << line;
    ASSERT_NEAR(geoid, n, kTolerance) << line;
    ASSERT_EQ(heightRest, (k + 1) % 3 == 0 ? " m" : "") << line;
    ASSERT_EQ(geoidRest, "") << line;
    items[kHeightItem] = r.items[kHeightItem];
    items[kGeoidItem] = r.items[kGeoidItem];
    ASSERT_EQ(items, r.items) << line;
  }

  ASSERT_EQ(window.reportLines.size(), 6u);
  EXPECT_EQ(window.reportLines[0], " CSV: generated.csv");
  EXPECT_EQ(window.reportLines[1], "    120000 records");
  EXPECT_EQ(window.reportLines[2],
            "    Number of records with no position = " + FormatInt(noPosition));
  double meanDiff = 0;
  EXPECT_EQ(window.reportLines[3], "    Heights read as height + Geoid column");
  const std::string diffPrefix = "    Geoid diff.  ";
  ASSERT_EQ(window.reportLines[4].substr(0, diffPrefix.size()), diffPrefix);
  ASSERT_TRUE(
      ParseReal(TrimControlAndBlanks(window.reportLines[4].substr(
                    diffPrefix.size(), window.reportLines[4].size() - diffPrefix.size() - 1)),
                meanDiff));
  EXPECT_NEAR(meanDiff, diffSum / inside, 0.0001);
  EXPECT_EQ(window.reportLines[5], "    Number of Geoid outside range = " + FormatInt(outside) +
                                       "/" + FormatInt(outside + inside));
  EXPECT_EQ(window.pendingEventCalls, 2 + kRecords / 1024);
}

INSTANTIATE_TEST_SUITE_P(SplineAndBilinear, CsvEndToEndTest, ::testing::Bool());

}  // namespace
}  // namespace orthelev
