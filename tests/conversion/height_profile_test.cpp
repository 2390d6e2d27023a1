// The height profile of a generated NMEA log, collected through the batch's
// conversion of one file: its buckets hold the minimum and maximum of each
// series over their records, and count the records outside the model and
// those left uncorrected.

#include "conversion/height_profile.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/batch.hpp"
#include "program/settings_store.hpp"
#include "settings/settings.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ProgramState;
using testing::Signed;
using testing::SyntheticGrid;
using testing::TempDir;

double PlaneGeoid(double lat, double lon) { return 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130); }

// Record i (0-based) of the generated log.
struct Record {
  bool outside, uncorrected;
  double latitude, altitude, separation;

  explicit Record(int i)
      : outside(i % 7 == 3),
        uncorrected(i % 11 == 5 && !outside),  // no altitude
        latitude(outside ? 45 : 31 + (i % 97) * 0.05),
        altitude(100 + (i % 13) * 10.5 - i * 0.01),
        separation((i % 5) * 2.0) {}
  double N() const { return PlaneGeoid(latitude, 135); }

  std::string Line() const {
    const int degrees = static_cast<int>(latitude);
    char ddmm[16];
    std::snprintf(ddmm, sizeof ddmm, "%02d%07.4f", degrees, (latitude - degrees) * 60);
    return Signed("$GPGGA,120000.00," + std::string(ddmm) + ",N,13500.0000,E,1,08,1.0," +
                  (uncorrected ? std::string() : std::to_string(altitude)) + ",M," +
                  std::to_string(separation) + ",M,,");
  }
};

struct Expected {
  ValueRange read, written, n;
  std::int32_t outside = 0, uncorrected = 0;
};

class HeightProfileTest : public ProgramState, public ::testing::WithParamInterface<int> {};

TEST_P(HeightProfileTest, BucketsHoldTheSeriesOfTheirRecords) {
  const int records = GetParam();
  LoadDefaultSettings();
  TempDir folder;
  ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(
      folder.Folder(), "plane.grd",
      [](double lat, double lon) { return static_cast<float>(PlaneGeoid(lat, lon)); }));
  std::string log;
  for (int i = 0; i < records; ++i) log += Record(i).Line() + "\r\n";
  ConvertOneFile(folder.Write("walk.nmea", log));

  ASSERT_EQ(TheProfiles().files.size(), 1u) << ::testing::PrintToString(window.reportLines);
  const FileProfile& file = TheProfiles().files[0];
  EXPECT_EQ(file.name, "walk.nmea");
  const HeightProfile& profile = file.profile;
  EXPECT_EQ(profile.Records(), records);
  const std::int32_t width = profile.RecordsPerBucket();
  EXPECT_LE(profile.Buckets().size(), static_cast<std::size_t>(kProfileBuckets));
  EXPECT_EQ(width == 1, records <= kProfileBuckets);
  EXPECT_EQ(profile.Buckets().size(), static_cast<std::size_t>((records + width - 1) / width));

  for (std::size_t b = 0; b < profile.Buckets().size(); ++b) {
    const ProfileBucket& bucket = profile.Buckets()[b];
    ASSERT_EQ(bucket.firstRecord, static_cast<std::int32_t>(b) * width + 1);
    Expected expected;
    for (int i = bucket.firstRecord - 1; i < std::min(records, bucket.firstRecord - 1 + width);
         ++i) {
      const Record r(i);
      expected.outside += r.outside;
      expected.uncorrected += r.uncorrected;
      if (!r.uncorrected) expected.read.Add(r.altitude);
      if (r.outside) continue;
      expected.n.Add(r.N());
      if (r.uncorrected) continue;
      expected.written.Add(r.altitude + r.separation - r.N());
    }
    ASSERT_EQ(bucket.outside, expected.outside) << "bucket " << b;
    ASSERT_EQ(bucket.uncorrected, expected.uncorrected) << "bucket " << b;
    for (const auto& [got, want] : {std::pair{bucket.read, expected.read},
                                    {bucket.written, expected.written},
                                    {bucket.n, expected.n}}) {
      ASSERT_EQ(got.Empty(), want.Empty()) << "bucket " << b;
      if (want.Empty()) continue;
      // The log's text carries six decimals; the grid's nodes are floats.
      ASSERT_NEAR(got.min, want.min, 1e-3) << "bucket " << b;
      ASSERT_NEAR(got.max, want.max, 1e-3) << "bucket " << b;
    }
  }
}

// One record, exactly full, one past full (pairs merged), several merges.
INSTANTIATE_TEST_SUITE_P(RecordCounts, HeightProfileTest,
                         ::testing::Values(1, kProfileBuckets, kProfileBuckets + 1, 9001));

TEST_F(ProgramState, AFileThatFailsLeavesNoProfile) {
  LoadDefaultSettings();
  TempDir folder;
  ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(folder.Folder(), "plane.grd",
                                           [](double, double) { return 30.0F; }));
  ConvertOneFile(folder.File("missing.nmea"));
  EXPECT_TRUE(TheProfiles().files.empty());
  EXPECT_FALSE(TheProfiles().collecting);
}

// The profile's written height is the one the output holds: altitude plus
// separation minus N, or altitude minus N when the user states the heights
// ellipsoidal.
TEST_F(ProgramState, TheProfileHoldsTheHeightWritten) {
  struct Case {
    HeightReference reference;
    float written;
  };
  const Case cases[] = {{HeightReference::AsFileSays, 20.0F},
                        {HeightReference::Ellipsoidal, -20.0F}};
  for (const Case& c : cases) {
    LoadDefaultSettings();
    TheSettings().heightReference = c.reference;
    TheProfiles().Reset();
    TempDir folder;
    ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(folder.Folder(), "plane.grd",
                                             [](double, double) { return 30.0F; }));
    const std::string log = folder.Write(
        "track.nmea",
        Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,10.0,M,40.0,M,,") + "\r\n");
    ConvertOneFile(log);
    ASSERT_EQ(TheProfiles().files.size(), 1u);
    EXPECT_FLOAT_EQ(TheProfiles().files[0].profile.Buckets().at(0).written.min, c.written);
  }
}

}  // namespace
}  // namespace orthelev
