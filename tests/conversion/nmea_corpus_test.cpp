// Converts every real receiver log of the corpus against a synthetic global
// grid and checks what must hold whatever the log: lines that are not
// corrected leave byte for byte, corrected sentences carry a valid checksum
// and keep altitude + separation, and nothing is lost or added.

#include <cmath>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "conversion/log_reader.hpp"
#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::SplitAtCommas;
using testing::TempDir;

std::string WithoutCrLf(std::string text) {
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return text;
}

double Number(const std::string& text) { return text.empty() ? 0.0 : std::stod(text); }

// Checks that `out` is `in` with altitude and separation rewritten.
void ExpectCorrectedSentence(const std::string& in, const std::string& out) {
  SCOPED_TRACE(in + "  ->  " + out);
  ASSERT_TRUE(testing::HasValidChecksum(out));
  const auto before = SplitAtCommas(in), after = SplitAtCommas(out);
  ASSERT_EQ(before.size(), after.size());
  const size_t separation = in.rfind("GNS", 6) == 3 ? 10 : 11;
  for (size_t f = 0; f + 1 < before.size(); ++f)
    if (f != 9 && f != separation) {
      EXPECT_EQ(after[f], before[f]) << "field " << f + 1;
    }
  const auto field = [](const std::vector<std::string>& items, size_t f) {
    return f < items.size() ? items[f].substr(0, items[f].find('*')) : std::string();
  };
  EXPECT_NEAR(Number(field(after, 9)) + Number(field(after, separation)),
              Number(field(before, 9)) + Number(field(before, separation)), 0.0001);
}

class NmeaCorpusTest : public testing::ProgramState {};

TEST_F(NmeaCorpusTest, ConvertsEveryLogKeepingWhatMustBeKept) {
  const fs::path corpus = fs::path(ORTHELEV_CORPUS_DIR) / "nmea";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << corpus << " not present";
  TempDir folder;
  TheSettings().decimal = "4";
  TheSettings().postfix = "_g";
  TheFlags().useSpline = true;
  testing::SyntheticGrid world{-90, 0, 1, 1, 181, 360};
  ASSERT_TRUE(world.WriteAndOpen(folder.Folder(), "world.grd", [](double lat, double lon) {
    return static_cast<float>(30 * std::cos(lat * M_PI / 180) * std::sin(lon * M_PI / 180));
  }));

  int files = 0, totalCorrected = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
    SCOPED_TRACE(entry.path().string());
    ++files;
    // A link beside which the output can be written; the log itself is only read.
    const fs::path link = folder.File(entry.path().filename().string());
    testing::LinkOrCopy(entry.path(), link);
    const std::int32_t records = ConvertNmeaFile(link.string());
    ASSERT_GE(records, 0);
    const std::string output =
        ReadBytes(folder.File(link.stem().string() + "_g" + link.extension().string()));

    ASSERT_TRUE(OpenLogFile(entry.path().string()));
    std::string delivered;
    size_t at = 0;
    int corrected = 0;
    for (std::string line = ReadLogLine(); !line.empty(); line = ReadLogLine()) {
      delivered += line;
      // A packet keeps its length (binary_heights_test checks its bytes); its text is copied.
      const size_t packetStart = LogLinePacketStart();
      if (packetStart != std::string::npos &&
          output.compare(at, packetStart, line, 0, packetStart) == 0 &&
          output.compare(at + line.size(), 2, "\r\n") == 0) {
        at += line.size() + 2;
        continue;
      }
      if (output.compare(at, line.size() + 2, line + "\r\n") == 0) {
        at += line.size() + 2;
        continue;
      }
      const size_t end = output.find("\r\n", at);
      ASSERT_NE(end, std::string::npos);
      ExpectCorrectedSentence(line, output.substr(at, end - at));
      at = end + 2;
      ++corrected;
    }
    CloseLogFile();
    EXPECT_EQ(at, output.size()) << "lines added";
    // Packets keep their inner CR and LF bytes; text lines lose their terminators.
    EXPECT_TRUE(WithoutCrLf(delivered) == WithoutCrLf(ReadBytes(entry.path().string())))
        << "bytes lost";
    EXPECT_LE(corrected, records);
    totalCorrected += corrected;
  }
  EXPECT_GT(files, 0);
  EXPECT_GT(totalCorrected, 0);
}

}  // namespace
}  // namespace orthelev
