// Sentences that receivers write straight behind bytes of another protocol:
// the glued sentence is examined, counted and corrected, the bytes before it
// kept; everything else as for a line on its own.

#include "conversion/nmea_line.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/nmea_file.hpp"
#include "conversion/output_file.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ProgramState;
using testing::ReadBytes;
using testing::Signed;
using testing::SyntheticGrid;
using testing::TempDir;

const std::string kGga =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,*50";
const std::string kGgaOut =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,47.7919,M,36.7081,M,,*54";
const std::string kGgaWrongSum =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,*51";
const std::string kGns = "$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,45.300,39.200,,*6B";
const std::string kGnsOut =
    "$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,47.7919,36.7081,,*6F";
// Bytes of a protocol the reader does not know (CASIC binary of a Quectel
// L76K: BA CE, length, class, id, payload, checksum), with a "$" and NUL.
const std::string kBinary("\xBA\xCE\x10\x00\x0B\x01\x24\x47\x00\xFF\x2C\x24\x80\x7F", 14);
const std::string kCutGsv = "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00,270,";

// The sentence after its address field, without the checksum.
std::string Fields(const std::string& sentence) {
  return sentence.substr(6, sentence.find('*') - 6);
}

// A grid over 30-40 N, 130-145 E holding N = 36.7081 everywhere.
class NmeaLineTest : public ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().decimal = "4";
    TheSettings().postfix = "_g";
    TheFlags().useSpline = true;
    ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(folder_.Folder(), "tokyo.grd",
                                             [](double, double) { return 36.7081f; }));
  }
  TempDir folder_;
};

TEST_F(NmeaLineTest, CorrectsTheLastGluedSentenceWhenItsChecksumHolds) {
  const struct {
    const char* what;
    std::string in, out;
    int records, corrected;
  } cases[] = {
      {"binary + GGA", kBinary + kGga, kBinary + kGgaOut, 1, 1},
      {"binary + GNS", kBinary + kGns, kBinary + kGnsOut, 1, 1},
      {"text + GGA", "garbage text " + kGga, "garbage text " + kGgaOut, 1, 1},
      {"cut GSV + GGA", kCutGsv + kGga, kCutGsv + kGgaOut, 1, 1},
      {"cut GGA + GGA", kGga.substr(0, 30) + kGga, kGga.substr(0, 30) + kGgaOut, 1, 1},
      {"GGA + binary + GGA: the last", kGga + kBinary + kGga, kGga + kBinary + kGgaOut, 1, 1},
      {"lower-case checksum", kBinary + kGns.substr(0, kGns.size() - 1) + "b", kBinary + kGnsOut, 1,
       1},
      // Not taken: the line is examined whole, as a line on its own.
      {"wrong checksum", kBinary + kGgaWrongSum, kBinary + kGgaWrongSum, 0, 0},
      {"no checksum", kBinary + kGga.substr(0, kGga.size() - 3), "", 0, 0},
      {"checksum with one digit", kBinary + kGga.substr(0, kGga.size() - 1), "", 0, 0},
      {"trailing bytes after the checksum", kBinary + kGga + "x", "", 0, 0},
      {"last glued one unusable, earlier one not tried", kBinary + kGga + kGgaWrongSum, "", 0, 0},
      {"address without comma", kBinary + Signed("$GPGGA"), "", 0, 0},
      {"GNS of another talker", kBinary + Signed("$GPGNS" + Fields(kGns)), "", 0, 0},
      {"lower-case address", kBinary + Signed("$gpgga" + Fields(kGga)), "", 0, 0},
      // Ordinary lines: as before.
      {"ordinary GGA", kGga, kGgaOut, 1, 1},
      {"ordinary GGA, wrong checksum", kGgaWrongSum, kGgaWrongSum, 1, 0},
      {"ordinary GSV", Signed(kCutGsv + "39"), "", 0, 0},
      {"blank before the sentence", " " + kGga, " " + kGgaOut, 1, 1},
      {"binary alone", kBinary, "", 0, 0},
      {"empty", "", "", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NmeaCounters counters;
    std::string line = c.in;
    CorrectNmeaLine(line, counters);
    EXPECT_EQ(line, c.out.empty() ? c.in : c.out);
    EXPECT_EQ(counters.records, c.records);
    EXPECT_EQ(counters.corrected, c.corrected);
  }
}

TEST_F(NmeaLineTest, GluedSentencesOfALogAreCorrectedAndCounted) {
  const std::string input = Signed(kCutGsv + "39") + "\r\n" + kBinary + kGga + "\r\n" + kCutGsv +
                            kGns + "\r\n" + kBinary + kGgaWrongSum + "\r\n" + kGga + "\r\n";
  const std::string path = folder_.Write("l76k.nmea", input);
  EXPECT_EQ(ConvertNmeaFile(path), 3);
  EXPECT_EQ(ReadBytes(OutputPathFor(path, "_g")),
            Signed(kCutGsv + "39") + "\r\n" + kBinary + kGgaOut + "\r\n" + kCutGsv + kGnsOut +
                "\r\n" + kBinary + kGgaWrongSum + "\r\n" + kGgaOut + "\r\n");
  EXPECT_EQ(window.reportLines, (std::vector<std::string>{" NMEA: l76k.nmea", "    3 records",
                                                          "    Geoid diff.  2.4919m"}));
}

}  // namespace
}  // namespace orthelev
