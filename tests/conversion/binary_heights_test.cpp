// Heights inside UBX and SiRF packets: packets built here field by field
// from this file's own table of their layouts, and the real logs of the
// corpus that hold such packets.

#include "conversion/binary_heights.hpp"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/nmea_file.hpp"
#include "conversion/nmea_line.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "support/binary_packets.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

// The layouts as the receiver manuals give them: payload offsets (SiRF's
// payload begins with its message id), -1 for a field the message lacks.
struct Layout {
  const char* name;
  bool ubx;
  int id;  // UBX id of class 0x01, or the SiRF message id
  int size, flags, lat, lon, height, msl, latHp, lonHp, heightHp, mslHp;
  int validFlags, invalidFlags;  // flags values telling a valid and an invalid fix
  double perMetre;               // units of height and msl
};
const Layout kNavPvt{"NAV-PVT", true, 0x07, 92, 21, 28,   24,   32,
                     36,        -1,   -1,   -1, -1, 0x01, 0x00, 1e3};
const Layout kNavPosllh{"NAV-POSLLH", true, 0x02, 28, -1, 8, 4, 12, 16, -1, -1, -1, -1, 0, 0, 1e3};
const Layout kNavHpposllh{"NAV-HPPOSLLH", true, 0x14, 36, 3, 12, 8, 16, 20, 25, 24, 26, 27,
                          0x00,           0x01, 1e3};
const Layout kSirf41{"SiRF 41", false, 41, 91, 1,  23,     27,     31,
                     35,        -1,    -1, -1, -1, 0x0000, 0x0004, 1e2};

void PutInt(std::string& payload, const Layout& layout, int offset, std::int64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    const int place = layout.ubx ? offset + i : offset + bytes - 1 - i;
    payload[static_cast<size_t>(place)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

std::int64_t GetInt32(const std::string& payload, const Layout& layout, int offset) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(
                       payload[static_cast<size_t>(layout.ubx ? offset + i : offset + 3 - i)]);
  return static_cast<std::int32_t>(v);
}

struct Fix {
  double lat, lon;
  std::int64_t height, msl;  // in the field's unit; tenths of it with high-precision parts
  bool valid = true;
};

std::string Payload(const Layout& layout, const Fix& fix) {
  std::string payload(static_cast<size_t>(layout.size), '\x5A');  // other fields: any bytes
  if (!layout.ubx) payload[0] = static_cast<char>(layout.id);
  if (layout.flags >= 0)
    PutInt(payload, layout, layout.flags, fix.valid ? layout.validFlags : layout.invalidFlags,
           layout.ubx ? 1 : 2);
  const bool hp = layout.mslHp >= 0;
  const auto put = [&](int whole, int part, std::int64_t value, int scale) {
    PutInt(payload, layout, whole, hp ? value / scale : value, 4);
    if (hp) payload[static_cast<size_t>(part)] = static_cast<char>(value % scale);
  };
  put(layout.lat, layout.latHp, std::llround(fix.lat * (hp ? 1e9 : 1e7)), 100);
  put(layout.lon, layout.lonHp, std::llround(fix.lon * (hp ? 1e9 : 1e7)), 100);
  put(layout.height, layout.heightHp, fix.height, 10);
  put(layout.msl, layout.mslHp, fix.msl, 10);
  return payload;
}

std::string Packet(const Layout& layout, const Fix& fix) {
  const std::string payload = Payload(layout, fix);
  return layout.ubx ? testing::UbxPacket(0x01, layout.id, payload) : testing::SirfPacket(payload);
}

int PayloadStart(const Layout& layout) { return layout.ubx ? 6 : 4; }

// The sea-level height of a packet built by Packet, in Fix units.
std::int64_t SeaLevelOf(const Layout& layout, const std::string& packet) {
  const std::string payload = packet.substr(static_cast<size_t>(PayloadStart(layout)));
  const std::int64_t whole = GetInt32(payload, layout, layout.msl);
  return layout.mslHp < 0 ? whole : whole * 10 + static_cast<signed char>(payload[layout.mslHp]);
}

// True when `packet` carries its right checksum (the helpers' own sums).
bool ChecksumHolds(const std::string& packet, bool ubx) {
  const std::string payload = packet.substr(ubx ? 6 : 4, packet.size() - (ubx ? 8 : 8));
  const std::string resigned =
      ubx ? testing::UbxPacket(static_cast<unsigned char>(packet[2]),
                               static_cast<unsigned char>(packet[3]), payload)
          : testing::SirfPacket(payload);
  return resigned == packet;
}

// The bytes of `in` and `out` that differ lie in the sea-level fields or the checksum.
void ExpectOnlySeaLevelChanged(const Layout& layout, const std::string& in,
                               const std::string& out) {
  ASSERT_EQ(in.size(), out.size());
  const int start = PayloadStart(layout);
  for (size_t i = 0; i < in.size(); ++i) {
    const int offset = static_cast<int>(i) - start;
    const bool height = (offset >= layout.msl && offset < layout.msl + 4) || offset == layout.mslHp;
    const bool checksum =
        i >= in.size() - (layout.ubx ? 2 : 4) && i < in.size() - (layout.ubx ? 0 : 2);
    if (!height && !checksum) {
      EXPECT_EQ(in[i], out[i]) << "byte " << i;
    }
  }
  EXPECT_TRUE(ChecksumHolds(out, layout.ubx));
}

class BinaryHeightsTest : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().decimal = "3";
    TheSettings().postfix = "_g";
    TheFlags().useSpline = true;
    // N varies with the position, so a position read wrong shows.
    ASSERT_TRUE(testing::SyntheticGrid{}.WriteAndOpen(
        folder_.Folder(), "tokyo.grd",
        [](double lat, double lon) { return static_cast<float>(20 + 0.7 * lat - 0.3 * lon); }));
  }
  static double N(double lat, double lon) {
    return InterpolateGeoid(InterpolationWindow(true), lat, lon);
  }
  TempDir folder_;
};

TEST_F(BinaryHeightsTest, RewritesTheSeaLevelHeightOfEachLayout) {
  const struct {
    const Layout& layout;
    Fix fix;
    bool corrected;
  } cases[] = {
      {kNavPvt, {35.6771667, 139.7478333, 84500, 45300}, true},
      {kNavPvt, {35.6771667, 139.7478333, 84500, 45300, false}, false},  // gnssFixOK clear
      {kNavPvt, {1.0, 1.0, 84500, 45300}, false},                        // outside the grid
      {kNavPvt, {35.5, 139.5, 84500, 84500 - 151000}, false},  // no receiver geoid of 151 m
      {kNavPosllh, {31.25, 131.75, -12345, -50000}, true},
      {kNavHpposllh, {35.12345678, 139.98765432, 845003, 453001}, true},
      {kNavHpposllh, {35.12345678, 139.98765432, -50002, -400002}, true},         // negative parts
      {kNavHpposllh, {35.12345678, 139.98765432, 845003, 453001, false}, false},  // invalidLlh
      {kSirf41, {36.5, 138.25, 8450, 4530}, true},
      {kSirf41, {36.5, 138.25, 8450, 4530, false}, false},  // Nav Valid not 0
  };
  for (const auto& [layout, fix, corrected] : cases) {
    SCOPED_TRACE(layout.name);
    const std::string packet = Packet(layout, fix);
    std::string line = "text" + packet;
    NmeaCounters counters;
    CorrectNmeaLine(line, counters, 4, ReadHeightSettings());
    ASSERT_EQ(line.substr(0, 4), "text");
    const std::string out = line.substr(4);
    EXPECT_EQ(counters.records, 1);
    EXPECT_EQ(counters.ubxCorrected + counters.sirfCorrected, corrected ? 1 : 0);
    if (!corrected) {
      EXPECT_EQ(out, packet);
      continue;
    }
    const double perUnit = layout.perMetre * (layout.mslHp >= 0 ? 10 : 1);
    const double n = N(fix.lat, fix.lon);
    EXPECT_EQ(SeaLevelOf(layout, out), fix.height - std::llround(n * perUnit));
    EXPECT_NEAR(counters.diffSum, static_cast<double>(fix.height - fix.msl) / perUnit - n, 1e-9);
    ExpectOnlySeaLevelChanged(layout, packet, out);
  }
}

TEST_F(BinaryHeightsTest, LeavesPacketsOutsideTheLayoutsAndBrokenFrames) {
  const Fix fix{35.5, 139.5, 84500, 45300};
  std::string wrongSum = Packet(kNavPvt, fix);
  wrongSum.back() = static_cast<char>(wrongSum.back() ^ 1);
  std::string shortPvt = Payload(kNavPvt, fix).substr(0, 40);
  for (const std::string& packet :
       {wrongSum, testing::UbxPacket(0x01, 0x07, shortPvt),
        testing::UbxPacket(0x02, 0x07, Payload(kNavPvt, fix)), Packet(kNavPosllh, fix).substr(1)}) {
    std::string line = packet;
    NmeaCounters counters;
    CorrectNmeaLine(line, counters, 0, ReadHeightSettings());
    EXPECT_EQ(line, packet);
    EXPECT_EQ(counters.records, 0);
  }
}

// A NAV-PVT and a GGA of the same epoch end with the same sea-level height,
// and a log of packets only is reported corrected.
TEST_F(BinaryHeightsTest, NavPvtAndGgaOfOneEpochAgree) {
  const std::string gga =
      testing::Signed("$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,");
  const std::string pvt = Packet(kNavPvt, {35.6771667, 139.7478333, 84500, 45300});
  const std::string path = folder_.Write("mixed.ubx", gga + "\r\n" + pvt + gga + "\r\n" + pvt);
  ASSERT_EQ(ConvertNmeaFile(path), 4);
  const std::string out = ReadBytes(folder_.File("mixed_g.ubx"));
  const size_t at = out.find("\r\n") + 2;
  const std::string outGga = out.substr(0, at - 2), outPvt = out.substr(at, pvt.size());
  const std::string altitude = testing::SplitAtCommas(outGga)[9];
  EXPECT_EQ(altitude, FormatFixed(static_cast<double>(SeaLevelOf(kNavPvt, outPvt)) / 1000, 3, 6));
  EXPECT_NE(outPvt, pvt);

  window.events.clear();
  const std::string onlyPackets = folder_.Write("only.ubx", pvt + pvt);
  ASSERT_EQ(ConvertNmeaFile(onlyPackets), 2);
  EXPECT_NE(
      std::find(window.events.begin(), window.events.end(), "report:     2 UBX packets corrected"),
      window.events.end());
  EXPECT_FALSE(TheConversion().nothingCorrected);
}

// The UBX and SiRF packets of a byte string, found by their own frames.
std::vector<std::string> FramedPackets(const std::string& bytes) {
  std::vector<std::string> packets;
  for (size_t i = 0; i + 8 <= bytes.size();) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const bool ubx = byte(0) == 0xB5 && byte(1) == 0x62;
    const bool sirf = byte(0) == 0xA0 && byte(1) == 0xA2;
    const size_t length = ubx    ? (byte(4) | byte(5) << 8) + 8u
                          : sirf ? (byte(2) << 8 | byte(3)) + 8u
                                 : 0;
    if (length > 0 && i + length <= bytes.size() && ChecksumHolds(bytes.substr(i, length), ubx)) {
      packets.push_back(bytes.substr(i, length));
      i += length;
    } else {
      ++i;
    }
  }
  return packets;
}

const Layout* LayoutOfPacket(const std::string& packet) {
  for (const Layout* layout : {&kNavPvt, &kNavPosllh, &kNavHpposllh, &kSirf41}) {
    const bool same = layout->ubx ? packet[0] == '\xB5' && packet[2] == 1 && packet[3] == layout->id
                                  : packet[0] == '\xA0' && packet[4] == layout->id;
    if (same) return layout;
  }
  return nullptr;
}

TEST_F(BinaryHeightsTest, CorpusLogsChangeOnlyTheHeightsOfTheirPackets) {
  const fs::path corpus = fs::path(ORTHELEV_CORPUS_DIR) / "nmea";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << corpus << " not present";
  testing::SyntheticGrid world{-90, 0, 1, 1, 181, 360};
  ASSERT_TRUE(world.WriteAndOpen(folder_.Folder(), "world.grd", [](double lat, double lon) {
    return static_cast<float>(30 * std::cos(lat * M_PI / 180) * std::sin(lon * M_PI / 180));
  }));
  for (const char* name : {"gpsd_ublox-zed-f9t-ubx_nmea_l5.log", "gpsd_sirfstarv.log"}) {
    SCOPED_TRACE(name);
    const fs::path link = folder_.File(name);
    testing::LinkOrCopy(corpus / name, link);
    ASSERT_GE(ConvertNmeaFile(link.string()), 0);
    const auto before = FramedPackets(ReadBytes((corpus / name).string()));
    const auto after = FramedPackets(ReadBytes(folder_.File(link.stem().string() + "_g.log")));
    ASSERT_EQ(before.size(), after.size());
    int corrected = 0;
    for (size_t k = 0; k < before.size(); ++k) {
      const Layout* layout = LayoutOfPacket(before[k]);
      if (layout == nullptr) {
        EXPECT_EQ(after[k], before[k]) << "packet " << k;
        continue;
      }
      ExpectOnlySeaLevelChanged(*layout, before[k], after[k]);
      corrected += after[k] != before[k] ? 1 : 0;
    }
    EXPECT_GT(corrected, 0);
  }
}

}  // namespace
}  // namespace orthelev
