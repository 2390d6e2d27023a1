// Converts every CSV and POS log of the corpus of real logger exports and
// checks what must hold for any log: nothing lost or added, every line that
// is not a corrected record left byte for byte, every corrected record
// keeping height + geoid. The logs are linked into a temporary folder so that
// the outputs land there, never beside the corpus.

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/csv_conversion.hpp"
#include "conversion/csv_record.hpp"
#include "csv_test_files.hpp"
#include "flags/program_flags.hpp"
#include "support/nmea_text.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;
using testing::ReadBytes;
using testing::SplitAtCommas;
using testing::SyntheticGrid;
namespace fs = std::filesystem;

// Four decimals written, plus float node and spline rounding.
constexpr double kTolerance = 0.00005 + 0.00002;

double ModelN(double latitude, double longitude) {
  return 10.0 + 0.5 * (latitude - 20.0) + 0.1 * longitude;
}

// Lines as the log reader delivers them: CR and LF runs end a line, no
// empty lines.
std::vector<std::string> NonEmptyLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c != '\r' && c != '\n') {
      line += c;
    } else if (!line.empty()) {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<fs::path> CorpusLogs() {
  std::vector<fs::path> logs;
  for (const char* folder : {"/csv", "/pos"}) {
    const fs::path dir = fs::path(ORTHELEV_CORPUS_DIR) / (std::string(folder).substr(1));
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file()) logs.push_back(entry.path());
  }
  return logs;
}

// Strictly inside the model below, away from its edges.
bool InsideModel(const CsvLayout& layout) {
  return layout.latitude > 20.5 && layout.latitude < 59.5 && layout.longitude > 0.5 &&
         layout.longitude < 149.5;
}

class CsvCorpusTest : public CsvFixture {
 protected:
  // Checks one converted log against its input.
  void CheckConverted(const std::string& input, const std::string& output, std::int32_t result) {
    const std::vector<std::string> in = NonEmptyLines(input);
    ASSERT_EQ(output.substr(output.size() - 2), "\r\n");
    const std::vector<std::string> out = NonEmptyLines(output);
    ASSERT_EQ(out.size(), in.size()) << "lines lost or added";

    CsvLayout layout;
    std::size_t header = 0;
    while (header < in.size() && !ExamineHeaderLine(layout, in[header], TheSettings().csvItems))
      ++header;
    // Blank-separated RTKLIB solutions: rtklib_solution_test.cpp checks them.
    if (header == in.size() && input.starts_with('%')) return;
    ASSERT_LT(header, in.size());
    EXPECT_EQ(result, static_cast<std::int32_t>(in.size() - header - 1));
    const CsvColumns columns = layout.columns;
    for (std::size_t k = 0; k <= header; ++k) ASSERT_EQ(out[k], in[k]) << "line " << k + 1;
    for (std::size_t k = header + 1; k < in.size(); ++k) {
      ASSERT_TRUE(ParseCsvRecordLine(layout, in[k]));
      if (!layout.positionGiven || columns.height == 0 || !InsideModel(layout)) {
        ASSERT_EQ(out[k], in[k]) << "line " << k + 1;
        continue;
      }
      ++corrected_;
      const double before = layout.height + layout.fileGeoid;
      const double n = ModelN(layout.latitude, layout.longitude);
      ASSERT_TRUE(ParseCsvRecordLine(layout, out[k]));
      const double after = layout.height + (columns.geoid ? layout.fileGeoid : n);
      ASSERT_NEAR(after, before, 2 * kTolerance) << in[k] << " became " << out[k];
      // Only the height and geoid items changed.
      std::vector<std::string> inItems = SplitAtCommas(in[k]), outItems = SplitAtCommas(out[k]);
      ASSERT_EQ(inItems.size(), outItems.size());
      for (std::size_t i = 0; i < inItems.size(); ++i) {
        const auto column = static_cast<std::int32_t>(i + 1);
        if (column != columns.height && column != columns.geoid) {
          ASSERT_EQ(outItems[i], inItems[i]) << out[k];
        }
      }
    }
  }

  int corrected_ = 0;
};

TEST_F(CsvCorpusTest, EveryLogKeepsItsLinesAndHeights) {
  const std::vector<fs::path> logs = CorpusLogs();
  if (logs.empty()) GTEST_SKIP() << "corpus not found at " << ORTHELEV_CORPUS_DIR;
  // A linear model over 20..60 N, 0..150 E.
  OpenModel(SyntheticGrid{20, 0, 0.5, 0.5, 81, 301}, ModelN);
  for (bool spline : {true, false}) {
    TheFlags().useSpline = spline;
    int converted = 0;
    for (const fs::path& log : logs) {
      SCOPED_TRACE(log.string());
      const fs::path link = folder_.File(log.filename().string());
      fs::remove(link);
      testing::LinkOrCopy(log, link);
      const fs::path output = OutputOf(link.string());
      fs::remove(output);
      const std::int32_t result = ConvertCsvFile(link.string());
      SCOPED_TRACE("result " + std::to_string(result));
      if (result < 0) {
        EXPECT_FALSE(fs::exists(output));
        continue;
      }
      ++converted;
      CheckConverted(ReadBytes(log.string()), ReadBytes(output.string()), result);
    }
    EXPECT_GT(converted, 0);
  }
  EXPECT_GT(corrected_, 0);
}

}  // namespace
}  // namespace orthelev
