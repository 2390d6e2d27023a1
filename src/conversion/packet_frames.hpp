#pragma once
// The binary packets a GNSS log may hold between its text lines, told from
// text by their whole frame: sync bytes, a length this protocol's packets can
// have, and the checksum or end bytes. A header whose frame does not check
// is ordinary bytes.
//   UBX    B5 62 class id length(2, LE) payload  Fletcher-8 over class..payload
//   SiRF   A0 A2 length(2, BE, 15 bits) payload  15-bit sum of payload, B0 B3
//   MTK    04 24 length(2, LE, whole packet) id(2) data  XOR from length on, CR LF
//   RTCM3  D3 6 zero bits + 10-bit length payload  CRC-24Q over header..payload
//   CASIC  BA CE length(2, LE, a multiple of 4) class id payload  32-bit word sum

#include <cstddef>
#include <cstdint>

namespace orthelev {

// The bytes a packet header needs before PacketFrameLength can answer.
constexpr int kPacketHeaderBytes = 6;
// The longest packet of any protocol: a UBX payload of 8 KiB, more than the
// largest messages receivers log (RXM-RAWX of 255 signals: 8,176 bytes). A
// longer length, possible in the protocol, would let a file of false headers
// cost a checksum over 64 KiB at every byte.
constexpr int kMaxUbxPacketBytes = 8192 + 8;

// The first bytes of the packets of every protocol read (UBX, SiRF, MTK,
// RTCM3, CASIC).
constexpr unsigned char kPacketStartBytes[] = {0xB5, 0xA0, 0x04, 0xD3, 0xBA};

// True for a byte that may open a packet.
constexpr bool MayStartPacket(unsigned char b) {
  for (const unsigned char start : kPacketStartBytes)
    if (b == start) return true;
  return false;
}

// The length of the packet whose header is the `available` bytes at
// `bytes`, as its header states it; 0 when they open no packet (another
// byte, a length no packet of that protocol has, a header cut short).
int PacketFrameLength(const unsigned char* bytes, int available);

// True when the `length` bytes at `bytes` (length from PacketFrameLength)
// are a whole packet: its checksum and end bytes hold.
bool PacketFrameChecks(const unsigned char* bytes, int length);

// Writes the checksum of the UBX or SiRF packet of `length` bytes at
// `bytes` for its content; other packets are left as they are.
void ResignPacket(unsigned char* bytes, int length);

// The bytes of a checked packet that belong to the line: all but an MTK
// packet's closing CR LF, which ends the line as a line end.
int PacketLineBytes(const unsigned char* bytes, int length);

// The CRC-24Q of RTCM3 over `count` bytes.
std::uint32_t Crc24q(const unsigned char* bytes, std::size_t count);

}  // namespace orthelev
