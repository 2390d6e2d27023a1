#include "conversion/nmea_sentence.hpp"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

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
using testing::SyntheticGrid;
using testing::TempDir;

constexpr float kTokyoN = 36.7081f;

// A grid over 30-40 N, 130-145 E holding N = 36.7081 everywhere.
class NmeaSentenceTest : public ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().decimal = "4";
    TheFlags().useSpline = true;
    ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(folder_.Folder(), "tokyo.grd",
                                             [](double, double) { return kTokyoN; }));
  }
  std::string Correct(std::string line) {
    CorrectSentence(line, counters_);
    return line;
  }
  TempDir folder_;
  NmeaCounters counters_;
};

TEST_F(NmeaSentenceTest, RewritesTheWorkedGgaAndGnsExamplesByteForByte) {
  for (bool spline : {true, false}) {
    TheFlags().useSpline = spline;
    const struct {
      const char* in;
      const char* out;
    } cases[] = {
        {"$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,*50",
         "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,47.7919,M,36.7081,M,,*54"},
        {"$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,45.300,39.200,,*6B",
         "$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,47.7919,36.7081,,*6F"},
    };
    for (const auto& c : cases) {
      counters_ = {};
      EXPECT_EQ(Correct(c.in), c.out) << "spline " << spline;
      EXPECT_EQ(counters_.records, 1);
      EXPECT_EQ(counters_.corrected, 1);
      EXPECT_EQ(counters_.outsideRange, 0);
      EXPECT_NEAR(counters_.diffSum, 2.4919, 1e-6);
    }
  }
}

TEST_F(NmeaSentenceTest, RecognisesGgaAndGnsOfAnyTalker) {
  const std::string tail = ",021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,";
  const std::string gnsTail = ",021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,45.300,39.200,,";
  const struct {
    std::string line;
    int records;
    bool corrected;
  } cases[] = {
      {Signed("$GPGGA" + tail), 1, true},
      {Signed("$GNGGA" + tail), 1, true},
      {Signed("$GLGGA" + tail), 1, true},
      {Signed("$GAGGA" + tail), 1, true},
      {Signed("$BDGGA" + tail), 1, true},
      {Signed("$GBGGA" + tail), 1, true},
      {Signed("$GQGGA" + tail), 1, true},
      {Signed("$GIGGA" + tail), 1, true},
      {Signed("$INGGA" + tail), 1, true},
      {Signed("$GNGGAH" + tail), 1, true},
      {Signed("$GPGNS" + gnsTail), 1, true},
      {Signed("$GNGNSH" + gnsTail + ",S"), 1, true},
      {Signed("$PXGGA" + tail), 0, false},
      {Signed("$GPGGAX" + tail), 0, false},
      {Signed("$GPGGA " + tail), 1, true},  // the address field is trimmed
      {Signed(" $GPGGA" + tail), 0, false},
      {Signed("!GPGGA" + tail), 0, false},
      {Signed("$gpgga" + tail), 0, false},
      {Signed("$XXXXX" + tail), 0, false},
      {Signed("$GPGG" + tail), 0, false},
      {Signed("$GPRMC" + tail), 0, false},
      {"$GPGGA", 1, false},
      {Signed("$GPGGA"), 1, false},
      {"", 0, false},
      // two address fields run together are neither
      {Signed("$GPGGA$GNGGA" + tail), 0, false},
      {Signed("$BDGGA$GNGNS" + gnsTail), 0, false},
      {Signed("GGA" + tail), 0, false},
  };
  for (const auto& c : cases) {
    counters_ = {};
    const std::string out = Correct(c.line);
    EXPECT_EQ(counters_.records, c.records) << c.line;
    EXPECT_EQ(counters_.corrected, c.corrected ? 1 : 0) << c.line;
    EXPECT_EQ(out != c.line, c.corrected) << c.line;
  }
}

TEST_F(NmeaSentenceTest, CorrectsWithinTheSeparationLimitsOnly) {
  const struct {
    const char* separation;
    bool corrected;
  } cases[] = {{"150.0", true},      {"-150.0", true}, {"150.00001", false},
               {"-150.0001", false}, {"", false},      {"abc", true}};
  for (const auto& c : cases) {
    counters_ = {};
    const std::string line = Signed(std::string("$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,") +
                                    c.separation + ",M,,");
    const std::string out = Correct(line);
    EXPECT_EQ(out != line, c.corrected) << c.separation;
    EXPECT_EQ(counters_.records, 1);
    EXPECT_EQ(counters_.outsideRange, 0) << c.separation;
  }
}

TEST_F(NmeaSentenceTest, RewritesFieldsAndChecksumAsTheLineIsLaidOut) {
  const std::string head = "$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,";
  const struct {
    const char* name;
    const char* decimal;
    std::string in, out;
  } cases[] = {
      {"ends at its altitude: no reference, left", "4", Signed(head + "45.300"),
       Signed(head + "45.300")},
      {"empty separation: no reference, left", "4", Signed(head + "45.3,M,,M,,"),
       Signed(head + "45.3,M,,M,,")},
      {"stated: ends at its altitude", "4", Signed(head + "45.300"), Signed(head + "8.5919")},
      {"stated: ends at its altitude without checksum", "4", head + "45.3",
       Signed(head + "8.5919")},
      {"stated: empty separation", "4", Signed(head + "45.3,M,,M,,"),
       Signed(head + "8.5919,M,36.7081,M,,")},
      {"stated: the separation is not added", "4", Signed(head + "45.3,M,39.2,M,,"),
       Signed(head + "8.5919,M,36.7081,M,,")},
      {"no checksum: one is added", "4", head + "45.3,M,39.2,M,,",
       Signed(head + "47.7919,M,36.7081,M,,")},
      {"empty checksum: one is written", "4", head + "45.3,M,39.2,M,,*",
       Signed(head + "47.7919,M,36.7081,M,,")},
      {"lower-case checksum is valid", "4",
       "$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,39.2,M,,*4a",
       Signed(head + "47.7919,M,36.7081,M,,")},
      {"Decimal 1 pads to six characters", "1", Signed(head + "41.9081,M,0,M,,"),
       Signed(head + "   5.2,M,  36.7,M,,")},
      {"Decimal below 1 means 4", "0", Signed(head + "45.3,M,39.2,M,,"),
       Signed(head + "47.7919,M,36.7081,M,,")},
      {"negative altitude", "2", Signed(head + "-6.7,M,39.2,M,,"),
       Signed(head + " -4.21,M, 36.71,M,,")},
  };
  for (const auto& c : cases) {
    TheSettings().decimal = c.decimal;
    TheSettings().heightReference = std::string_view(c.name).starts_with("stated")
                                        ? HeightReference::Ellipsoidal
                                        : HeightReference::AsFileSays;
    EXPECT_EQ(Correct(c.in), c.out) << c.name;
  }
}

TEST_F(NmeaSentenceTest, LeavesSentencesItCannotCorrectAsTheyWere) {
  const struct {
    const char* name;
    std::string line;
    int outsideRange;
  } cases[] = {
      {"wrong checksum", "$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,39.2,M,,*00", 0},
      {"wrong checksum outside the model",
       "$GPGGA,1,0100.00,N,00100.00,E,1,09,0.9,45.3,M,39.2,M,,*00", 0},
      {"malformed checksum", "$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,39.2,M,,*6", 0},
      {"checksum with trailing text", "$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,39.2,M,,*4Ax",
       0},
      {"outside the model with a fix",
       Signed("$GPGGA,1,0100.00,N,00100.00,E,1,09,0.9,45.3,M,39.2,M,,"), 1},
      {"outside the model without fix",
       Signed("$GPGGA,1,0100.00,N,00100.00,E,0,09,0.9,45.3,M,39.2,M,,"), 0},
      {"GNS outside, mode N", Signed("$GNGNS,1,0100.00,N,00100.00,E,NN,09,0.9,45.3,39.2,,"), 0},
      {"GNS outside, mode D", Signed("$GNGNS,1,0100.00,N,00100.00,E,ND,09,0.9,45.3,39.2,,"), 1},
      {"empty altitude", Signed("$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,,M,39.2,M,,"), 0},
      {"empty altitude outside", Signed("$GPGGA,1,0100.00,N,00100.00,E,1,09,0.9,,M,,M,,"), 1},
      {"empty latitude", Signed("$GPGGA,1,,N,13944.87,E,1,09,0.9,45.3,M,39.2,M,,"), 0},
      {"empty longitude", Signed("$GPGGA,1,3540.63,N,,E,1,09,0.9,45.3,M,39.2,M,,"), 0},
      {"all fields empty", Signed("$GNGNS,,,,,,NNNN,,,,,,"), 0},
  };
  for (const auto& c : cases) {
    counters_ = {};
    EXPECT_EQ(Correct(c.line), c.line) << c.name;
    EXPECT_EQ(counters_.records, 1) << c.name;
    EXPECT_EQ(counters_.corrected, 0) << c.name;
    EXPECT_EQ(counters_.outsideRange, c.outsideRange) << c.name;
  }
}

TEST(NmeaFields, GnsModeLettersGiveTheGgaQualityNumbers) {
  const struct {
    const char* mode;
    int indicator;
  } cases[] = {{"NN", 0},  {"AN", 1}, {"NA", 1}, {"DA", 1}, {"RF", 5}, {"a", 0},   {"", 0},
               {"N D", 2}, {"P", 3},  {"E", 6},  {"M", 7},  {"S", 8},  {"NDD", 2}, {"X", 0}};
  for (const auto& c : cases) EXPECT_EQ(GnsModeIndicator(c.mode), c.indicator) << c.mode;
}

TEST(NmeaFields, CoordinatesFollowTheHemisphereLetter) {
  const double lat = 35 + 40.63 / 60;
  const struct {
    const char* number;
    const char* hemisphere;
    double degrees;
  } cases[] = {{"3540.63", "N", lat},
               {"3540.63", "s", -lat},
               {"3540.63", "", lat},
               {"-3540.63", "N", lat},
               {"3540.63", " W ", -lat},
               {"13944.87", "E", 139 + 44.87 / 60},
               {"4134.49821229", "N", 41 + 34.49821229 / 60},
               {"abc", "N", 0},
               {"0", "S", 0}};
  for (const auto& c : cases)
    EXPECT_NEAR(NmeaCoordinate(c.number, c.hemisphere), c.degrees, 1e-12) << c.number;
  EXPECT_TRUE(std::isnan(NmeaCoordinate("  ", "N")));
}

TEST(NmeaFields, SplitsIntoAtMost25FieldsAndDropsTheChecksum) {
  std::string line = "$A, b ,c";
  for (int i = 4; i <= 30; ++i) line += "," + std::to_string(i);
  line += "*12";
  const SentenceFields f = SplitSentenceFields(line);
  EXPECT_EQ(f.count, 25);
  EXPECT_EQ(f[1], "$A");
  EXPECT_EQ(f[2], "b");
  EXPECT_EQ(f[24], "24");
  EXPECT_EQ(f[25], "25,26,27,28,29,30");
  const SentenceFields g = SplitSentenceFields("$GPGGA,1, 2 *47");
  EXPECT_EQ(g.count, 3);
  EXPECT_EQ(g[3], " 2 ");  // the last field is not trimmed
  EXPECT_EQ(SplitSentenceFields("$GPGGA,*47")[2], "");
}

}  // namespace
}  // namespace orthelev
