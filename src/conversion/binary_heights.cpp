#include "conversion/binary_heights.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

#include "conversion/height_profile.hpp"
#include "conversion/packet_frames.hpp"
#include "geoid/interpolation.hpp"

namespace orthelev {

namespace {

enum class Protocol { Ubx, Sirf };

// Where a packet's fields lie, as offsets into its payload (for SiRF the
// payload begins with the message id). Positions are signed 32-bit integers
// of 1e-7 degrees and heights of 1/`unitsPerMetre` metres; a high-precision
// part (-1: none) is a signed byte of 1e-9 degrees or a tenth of the height
// unit. The fix is valid when the flags field's bits under
// `flagsMask` equal `validFlags` (flagsBytes 0: no flags, always valid).
struct HeightPacketLayout {
  Protocol protocol;
  int messageClass, messageId;  // UBX class and id; SiRF: -1 and the MID
  int minPayload;
  int latitude, longitude, ellipsoidal, seaLevel;
  int latitudeHp, longitudeHp, ellipsoidalHp, seaLevelHp;
  int flags, flagsBytes;
  std::uint32_t flagsMask, validFlags;
  double unitsPerMetre;
};

constexpr int kNone = -1;

constexpr HeightPacketLayout kHeightPackets[] = {
    // NAV-PVT (84 bytes in u-blox 7, 92 since): flags bit 0 gnssFixOK.
    {Protocol::Ubx, 0x01, 0x07, 84, 28, 24, 32, 36, kNone, kNone, kNone, kNone, 21, 1, 0x01, 0x01,
     1000.0},
    // NAV-POSLLH: no flags.
    {Protocol::Ubx, 0x01, 0x02, 28, 8, 4, 12, 16, kNone, kNone, kNone, kNone, 0, 0, 0, 0, 1000.0},
    // NAV-HPPOSLLH: flags bit 0 invalidLlh; lat/lon parts of 1e-9 degrees, heights of 0.1 mm.
    {Protocol::Ubx, 0x01, 0x14, 36, 12, 8, 16, 20, 25, 24, 26, 27, 3, 1, 0x01, 0x00, 1000.0},
    // MID 41 Geodetic Navigation Data: Nav Valid 0 for a valid fix, heights in cm.
    {Protocol::Sirf, kNone, 41, 91, 23, 27, 31, 35, kNone, kNone, kNone, kNone, 1, 2, 0xFFFF, 0,
     100.0},
};

constexpr double kMaxReceiverGeoid = 150.0;  // as for NMEA separations

struct Payload {
  unsigned char* bytes;
  int size;
  Protocol protocol;

  std::uint32_t Unsigned(int offset, int count) const {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      const int k = protocol == Protocol::Ubx ? count - 1 - i : i;  // UBX little-endian
      value = (value << 8) | bytes[offset + k];
    }
    return value;
  }
  std::int32_t Int32(int offset) const { return static_cast<std::int32_t>(Unsigned(offset, 4)); }
  int HighPart(int offset) const {
    return offset == kNone ? 0 : static_cast<signed char>(bytes[offset]);
  }
  void SetInt32(int offset, std::int32_t value) const {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
      const int k = protocol == Protocol::Ubx ? i : 3 - i;
      bytes[offset + k] = static_cast<unsigned char>(bits >> (8 * i));
    }
  }
};

const HeightPacketLayout* LayoutOf(unsigned char* packet, int length, Payload& payload) {
  const Protocol protocol = packet[0] == 0xB5 ? Protocol::Ubx : Protocol::Sirf;
  const int start = protocol == Protocol::Ubx ? 6 : 4;
  const int trailer = protocol == Protocol::Ubx ? 2 : 4;
  payload = {packet + start, length - start - trailer, protocol};
  for (const HeightPacketLayout& layout : kHeightPackets) {
    if (layout.protocol != protocol || payload.size < layout.minPayload) continue;
    const bool same = protocol == Protocol::Ubx
                          ? packet[2] == layout.messageClass && packet[3] == layout.messageId
                          : payload.bytes[0] == layout.messageId;
    if (same) return &layout;
  }
  return nullptr;
}

bool IsValidFix(const HeightPacketLayout& layout, const Payload& payload) {
  return layout.flagsBytes == 0 || (payload.Unsigned(layout.flags, layout.flagsBytes) &
                                    layout.flagsMask) == layout.validFlags;
}

// A height in tenths of the field's unit when the layout has a
// high-precision part, else in the unit.
struct FixedHeight {
  std::int64_t value;
  double perMetre;
};

FixedHeight HeightAt(const HeightPacketLayout& layout, const Payload& payload, int whole,
                     int part) {
  if (part == kNone) return {payload.Int32(whole), layout.unitsPerMetre};
  return {std::int64_t{payload.Int32(whole)} * 10 + payload.HighPart(part),
          layout.unitsPerMetre * 10};
}

double Degrees(const Payload& payload, int whole, int part) {
  return payload.Int32(whole) * 1e-7 + payload.HighPart(part) * 1e-9;
}

// Writes `seaLevel` (FixedHeight units) into the layout's fields; false when
// it does not fit them.
bool WriteSeaLevel(const HeightPacketLayout& layout, const Payload& payload,
                   std::int64_t seaLevel) {
  const bool split = layout.seaLevelHp != kNone;
  const std::int64_t whole = split ? seaLevel / 10 : seaLevel;  // the part keeps the sign
  if (whole < std::numeric_limits<std::int32_t>::min() ||
      whole > std::numeric_limits<std::int32_t>::max())
    return false;
  payload.SetInt32(layout.seaLevel, static_cast<std::int32_t>(whole));
  if (split) payload.bytes[layout.seaLevelHp] = static_cast<unsigned char>(seaLevel % 10);
  return true;
}

}  // namespace

void CorrectPacketHeights(std::string& line, std::size_t packetStart, NmeaCounters& counters,
                          const HeightSettings& heights) {
  if (packetStart >= line.size()) return;
  auto* packet = reinterpret_cast<unsigned char*>(line.data() + packetStart);
  const int length = static_cast<int>(line.size() - packetStart);
  if (packet[0] != 0xB5 && packet[0] != 0xA0) return;
  if (PacketFrameLength(packet, length) != length) return;
  Payload payload{};
  // Most packets of a raw log hold no height: their checksum is not needed.
  const HeightPacketLayout* layout = LayoutOf(packet, length, payload);
  if (layout == nullptr || !PacketFrameChecks(packet, length)) return;
  ++counters.records;
  if (!IsValidFix(*layout, payload)) return;

  const double latitude = Degrees(payload, layout->latitude, layout->latitudeHp);
  const double longitude = Degrees(payload, layout->longitude, layout->longitudeHp);
  const FixedHeight ellipsoidal =
      HeightAt(*layout, payload, layout->ellipsoidal, layout->ellipsoidalHp);
  const FixedHeight seaLevel = HeightAt(*layout, payload, layout->seaLevel, layout->seaLevelHp);
  const double receiverGeoid =
      static_cast<double>(ellipsoidal.value - seaLevel.value) / ellipsoidal.perMetre;
  if (!(std::fabs(latitude) <= 90) || !(std::fabs(receiverGeoid) <= kMaxReceiverGeoid)) return;
  const double n = InterpolateGeoid(heights.window, latitude, longitude);
  const double seaLevelRead = static_cast<double>(seaLevel.value) / seaLevel.perMetre;
  if (std::isnan(n)) {
    ProfileRecord(seaLevelRead, n, n);
    ++counters.outsideRange;
    return;
  }
  const std::int64_t corrected = ellipsoidal.value - std::llround(n * ellipsoidal.perMetre);
  const bool written = WriteSeaLevel(*layout, payload, corrected);
  ProfileRecord(seaLevelRead,
                written ? static_cast<double>(corrected) / ellipsoidal.perMetre : std::nan(""), n);
  if (!written) return;
  ResignPacket(packet, length);
  ++(layout->protocol == Protocol::Ubx ? counters.ubxCorrected : counters.sirfCorrected);
  counters.diffSum += receiverGeoid - n;
}

}  // namespace orthelev
