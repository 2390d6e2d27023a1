#include "conversion/packet_frames.hpp"

#include <array>
#include <cstring>

namespace orthelev {

namespace {

// SiRF, MTK and CASIC packets the reader takes: at most this long.
constexpr int kMaxSmallPacketBytes = 2048;
constexpr int kMinMtkPacketBytes = 9;  // sync, length, id, checksum, CR LF
constexpr unsigned char kCr = 0x0D, kLf = 0x0A;

int Le16(const unsigned char* b) { return b[0] | (b[1] << 8); }
int Be16(const unsigned char* b) { return (b[0] << 8) | b[1]; }

int WithinSmallLimit(int length) { return length <= kMaxSmallPacketBytes ? length : 0; }

// The two Fletcher-8 bytes over class..payload, A in the low byte.
int UbxFletcher(const unsigned char* p, int length) {
  unsigned char a = 0, b = 0;
  for (int i = 2; i < length - 2; ++i) {
    a = static_cast<unsigned char>(a + p[i]);
    b = static_cast<unsigned char>(b + a);
  }
  return a | (b << 8);
}

bool UbxChecks(const unsigned char* p, int length) {
  return UbxFletcher(p, length) == Le16(p + length - 2);
}

int SirfSum(const unsigned char* p, int length) {
  int sum = 0;
  for (int i = 4; i < length - 4; ++i) sum += p[i];
  return sum & 0x7FFF;
}

bool SirfChecks(const unsigned char* p, int length) {
  return SirfSum(p, length) == Be16(p + length - 4) && p[length - 2] == 0xB0 &&
         p[length - 1] == 0xB3;
}

bool MtkChecks(const unsigned char* p, int length) {
  unsigned char sum = 0;
  for (int i = 2; i < length - 3; ++i) sum ^= p[i];
  return sum == p[length - 3] && p[length - 2] == kCr && p[length - 1] == kLf;
}

bool Rtcm3Checks(const unsigned char* p, int length) {
  const std::uint32_t given =
      (std::uint32_t{p[length - 3]} << 16) | (std::uint32_t{p[length - 2]} << 8) | p[length - 1];
  return Crc24q(p, static_cast<std::size_t>(length - 3)) == given;
}

// The word sum from the length on; receivers put class and id in either
// order into the first word, so both orders are accepted.
bool CasicChecks(const unsigned char* p, int length) {
  std::uint32_t sum = 0;
  for (int i = 6; i < length - 4; i += 4) {
    std::uint32_t word;
    std::memcpy(&word, p + i, 4);
    sum += word;
  }
  std::uint32_t given;
  std::memcpy(&given, p + length - 4, 4);
  const std::uint32_t len = static_cast<std::uint32_t>(Le16(p + 2));
  const std::uint32_t idFirst = (std::uint32_t{p[5]} << 24) + (std::uint32_t{p[4]} << 16) + len;
  const std::uint32_t classFirst = (std::uint32_t{p[4]} << 24) + (std::uint32_t{p[5]} << 16) + len;
  return sum + idFirst == given || sum + classFirst == given;
}

constexpr std::array<std::uint32_t, 256> Crc24qTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i << 16;
    for (int bit = 0; bit < 8; ++bit) {
      crc <<= 1;
      if (crc & 0x1000000) crc ^= 0x1864CFB;
    }
    table[i] = crc & 0xFFFFFF;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrc24qTable = Crc24qTable();

}  // namespace

int PacketFrameLength(const unsigned char* p, int available) {
  if (available < 3) return 0;
  if (p[0] == 0xD3)  // RTCM3: the header is 3 bytes
    return (p[1] & 0xFC) == 0 ? (((p[1] & 0x03) << 8) | p[2]) + 6 : 0;
  if (available < 4) return 0;
  if (p[0] == 0xA0 && p[1] == 0xA2)  // a payload holds at least its message id
    return (p[2] & 0x80) == 0 && Be16(p + 2) > 0 ? WithinSmallLimit(Be16(p + 2) + 8) : 0;
  if (p[0] == 0x04 && p[1] == 0x24)
    return Le16(p + 2) >= kMinMtkPacketBytes ? WithinSmallLimit(Le16(p + 2)) : 0;
  if (p[0] == 0xBA && p[1] == 0xCE)
    return Le16(p + 2) % 4 == 0 ? WithinSmallLimit(Le16(p + 2) + 10) : 0;
  if (available < kPacketHeaderBytes) return 0;
  if (p[0] == 0xB5 && p[1] == 0x62)
    return Le16(p + 4) + 8 <= kMaxUbxPacketBytes ? Le16(p + 4) + 8 : 0;
  return 0;
}

bool PacketFrameChecks(const unsigned char* p, int length) {
  switch (p[0]) {
    case 0xB5:
      return UbxChecks(p, length);
    case 0xA0:
      return SirfChecks(p, length);
    case 0x04:
      return MtkChecks(p, length);
    case 0xD3:
      return Rtcm3Checks(p, length);
    case 0xBA:
      return CasicChecks(p, length);
    default:
      return false;
  }
}

void ResignPacket(unsigned char* p, int length) {
  if (p[0] == 0xB5) {
    const int sum = UbxFletcher(p, length);
    p[length - 2] = static_cast<unsigned char>(sum & 0xFF);
    p[length - 1] = static_cast<unsigned char>(sum >> 8);
  } else if (p[0] == 0xA0) {
    const int sum = SirfSum(p, length);
    p[length - 4] = static_cast<unsigned char>(sum >> 8);
    p[length - 3] = static_cast<unsigned char>(sum & 0xFF);
  }
}

int PacketLineBytes(const unsigned char* p, int length) {
  return p[0] == 0x04 ? length - 2 : length;
}

std::uint32_t Crc24q(const unsigned char* bytes, std::size_t count) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < count; ++i)
    crc = ((crc << 8) & 0xFFFFFF) ^ kCrc24qTable[((crc >> 16) ^ bytes[i]) & 0xFF];
  return crc;
}

}  // namespace orthelev
