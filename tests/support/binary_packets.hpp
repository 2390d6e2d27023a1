#pragma once
// Binary packets of the protocols receivers mix into NMEA logs, framed and
// checksummed as the protocols describe them, worked out here apart from
// the code under test (the CRC bit by bit).

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev::testing {

inline std::string PacketBytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline std::string Le16Bytes(std::size_t v) { return PacketBytes({int(v & 0xFF), int(v >> 8)}); }

// B5 62 class id length payload, Fletcher-8 over class to payload.
inline std::string UbxPacket(int cls, int id, std::string_view payload) {
  std::string p = PacketBytes({0xB5, 0x62, cls, id}) + Le16Bytes(payload.size());
  p += payload;
  unsigned a = 0, b = 0;
  for (std::size_t i = 2; i < p.size(); ++i) {
    a = (a + static_cast<unsigned char>(p[i])) & 0xFF;
    b = (b + a) & 0xFF;
  }
  return p + PacketBytes({int(a), int(b)});
}

// A0 A2 length (big-endian) payload, 15-bit sum of the payload, B0 B3.
inline std::string SirfPacket(std::string_view payload) {
  unsigned sum = 0;
  for (unsigned char c : payload) sum += c;
  sum &= 0x7FFF;
  return PacketBytes({0xA0, 0xA2, int(payload.size() >> 8), int(payload.size() & 0xFF)}) +
         std::string(payload) + PacketBytes({int(sum >> 8), int(sum & 0xFF), 0xB0, 0xB3});
}

// 04 24 length (whole packet) id data, XOR from the length on, CR LF.
inline std::string MtkPacket(int id, std::string_view data) {
  std::string p = PacketBytes({0x04, 0x24}) + Le16Bytes(data.size() + 9) + Le16Bytes(id);
  p += data;
  int sum = 0;
  for (std::size_t i = 2; i < p.size(); ++i) sum ^= static_cast<unsigned char>(p[i]);
  return p + PacketBytes({sum, 0x0D, 0x0A});
}

// D3, 6 zero bits and a 10-bit length, payload, CRC-24Q.
inline std::string Rtcm3Frame(std::string_view payload) {
  std::string p = PacketBytes({0xD3, int(payload.size() >> 8), int(payload.size() & 0xFF)}) +
                  std::string(payload);
  std::uint32_t crc = 0;
  for (unsigned char c : p) {
    crc ^= std::uint32_t{c} << 16;
    for (int bit = 0; bit < 8; ++bit) {
      crc <<= 1;
      if (crc & 0x1000000) crc ^= 0x1864CFB;
    }
  }
  return p + PacketBytes({int((crc >> 16) & 0xFF), int((crc >> 8) & 0xFF), int(crc & 0xFF)});
}

// BA CE length class id payload (a multiple of 4 bytes), then the sum of
// the little-endian words from the length on, id in the first word's top byte.
inline std::string CasicPacket(int cls, int id, std::string_view payload) {
  std::string p = PacketBytes({0xBA, 0xCE}) + Le16Bytes(payload.size()) + PacketBytes({cls, id});
  p += payload;
  std::uint32_t sum = (std::uint32_t(id) << 24) + (std::uint32_t(cls) << 16) +
                      static_cast<std::uint32_t>(payload.size());
  for (std::size_t i = 0; i + 4 <= payload.size(); i += 4)
    sum += std::uint32_t(static_cast<unsigned char>(payload[i])) |
           std::uint32_t(static_cast<unsigned char>(payload[i + 1])) << 8 |
           std::uint32_t(static_cast<unsigned char>(payload[i + 2])) << 16 |
           std::uint32_t(static_cast<unsigned char>(payload[i + 3])) << 24;
  return p + PacketBytes({int(sum & 0xFF), int((sum >> 8) & 0xFF), int((sum >> 16) & 0xFF),
                          int(sum >> 24)});
}

}  // namespace orthelev::testing
