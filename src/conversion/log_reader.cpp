#include "conversion/log_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/number_format.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

// The progress counts bytes in blocks of 2048, as if the log were read 2048
// bytes at a time; it is read in larger pieces, and in 2048-byte blocks after
// a failed read, so that a read error ends the data where it always did.
constexpr int kBlockBytes = 2048;
constexpr int kBufferBytes = 64 * 1024;
constexpr std::int32_t kMaxPacketBytes = 2048;

constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;

enum class PacketState { Text, Sirf, Ubx, Mtk };

// The one reader both converters share.
struct LogReader {
  int fd = -1;
  unsigned char buffer[kBufferBytes];
  int fill = 0;
  int position = 0;         // 0-based index of the next byte to take
  bool blockReads = false;  // after a failed read: 2048 bytes at a time
  unsigned char previous = 0;
  PacketState state = PacketState::Text;
  std::int32_t packetCount = 0;                 // bytes of the packet so far, sync bytes included
  std::int32_t packetLength = 0;                // 0 until the length field has been read
  std::size_t packetStart = std::string::npos;  // in the line being read; npos: no packet
  bool eof = false;
  bool readFailed = false;
  std::int64_t bytesRead = 0;   // bytes the reads delivered
  std::int64_t bytesTaken = 0;  // bytes taken from the buffer
  std::int64_t fileSize = 0;
  platform::FileIdentity identity;

  // Every value but the file back to its start value: no data, at the
  // start of a text line, end of data set.
  void Reset() {
    fill = 0;
    position = 0;
    blockReads = false;
    previous = 0;
    state = PacketState::Text;
    packetCount = 0;
    packetLength = 0;
    packetStart = std::string::npos;
    eof = true;
    readFailed = false;
    bytesRead = 0;
    bytesTaken = 0;
    fileSize = 0;
    identity = {};
  }
};

LogReader& TheLogReader() {
  static LogReader reader;
  return reader;
}

// Reads the next piece of the log; false at the end of the data or on a
// read error. A failed large read is tried again in 2048-byte blocks.
bool ReadBlock(LogReader& r) {
  if (r.readFailed || r.fd < 0) return false;
  std::int64_t got;
  for (;;) {
    got = platform::ReadSome(r.fd, r.buffer, r.blockReads ? kBlockBytes : kBufferBytes);
    if (got >= 0) break;
    if (r.blockReads) {
      r.readFailed = true;
      return false;
    }
    r.blockReads = true;
  }
  r.fill = static_cast<int>(got);
  r.position = 0;
  r.bytesRead += got;
  return got > 0;
}

// Bytes that end a line or may start a sync pair: only they decide
// anything in text.
constexpr std::array<bool, 256> DecidingTextBytes() {
  std::array<bool, 256> deciding{};
  for (unsigned char b : {kLf, kCr, std::uint8_t{0x04}, std::uint8_t{0xB5}, std::uint8_t{0xA0}})
    deciding[b] = true;
  return deciding;
}
constexpr std::array<bool, 256> kDecidingTextBytes = DecidingTextBytes();

bool StartsSyncPair(unsigned char b) { return kDecidingTextBytes[b] && b != kLf && b != kCr; }

// How many of the `count` bytes at `bytes` come before the first deciding
// one. Printable ASCII (0x20 to 0x7F) never decides: eight such bytes are
// skipped at once.
int PlainTextRun(const unsigned char* bytes, int count) {
  constexpr std::uint64_t kBlanks = 0x2020202020202020, kHighBits = 0x8080808080808080;
  int i = 0;
  while (i < count) {
    if (i + 8 <= count) {
      std::uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      // A byte below 0x20 or from 0x80 up sets its high bit here (a borrow
      // can mark only bytes after such a byte, which are then looked at one by one).
      if ((((word - kBlanks) | word) & kHighBits) == 0) {
        i += 8;
        continue;
      }
    }
    for (const int end = std::min(count, i + 8); i < end; ++i)
      if (kDecidingTextBytes[bytes[i]]) return i;
  }
  return count;
}

// The sync pair, its two bytes the last of `line`, opens a packet.
void EnterPacket(LogReader& r, PacketState state, const std::string& line) {
  r.state = state;
  r.packetCount = 2;
  r.packetLength = 0;
  r.packetStart = line.size() - 2;
}

// One text byte; true when it ends the line.
bool TakeTextByte(LogReader& r, unsigned char b, std::string& line) {
  if (b == kLf) return r.previous != kCr && !line.empty();
  if (b == kCr) return r.previous != kLf && !line.empty();
  line.push_back(static_cast<char>(b));
  if (b == 0x24 && r.previous == 0x04) EnterPacket(r, PacketState::Mtk, line);
  if (b == 0x62 && r.previous == 0xB5) EnterPacket(r, PacketState::Ubx, line);
  if (b == 0xA2 && r.previous == 0xA0) EnterPacket(r, PacketState::Sirf, line);
  return false;
}

bool LengthFramedPacketEnds(const LogReader& r) {
  return (r.packetLength > 0 && r.packetCount >= r.packetLength) ||
         r.packetCount >= kMaxPacketBytes;
}

// One packet byte; true when it ends the packet.
bool TakePacketByte(LogReader& r, unsigned char b, std::string& line) {
  line.push_back(static_cast<char>(b));
  switch (r.state) {
    case PacketState::Sirf:
      return (b == 0xB3 && r.previous == 0xB0) || r.packetCount >= kMaxPacketBytes;
    case PacketState::Ubx:
      if (r.packetCount == 6) r.packetLength = r.previous + 256 * b + 8;
      return LengthFramedPacketEnds(r);
    case PacketState::Mtk:
      if (r.packetCount == 4) r.packetLength = r.previous + 256 * b;
      if (!LengthFramedPacketEnds(r)) return false;
      // The packet's closing CR LF is not part of it; other last bytes are.
      if (line.size() >= 2 && static_cast<unsigned char>(line[line.size() - 2]) == kCr &&
          static_cast<unsigned char>(line.back()) == kLf)
        line.resize(line.size() - 2);
      return true;
    case PacketState::Text:
      break;
  }
  return false;
}

}  // namespace

bool OpenLogFile(const std::string& path) {
  CloseLogFile();
  LogReader& r = TheLogReader();
  r.Reset();
  const int fd = platform::OpenForReading(path);
  if (fd < 0) return false;
  platform::FileStatus status;
  if (!platform::StatusOf(fd, status) || status.kind == platform::FileKind::Directory) {
    platform::CloseFile(fd);
    return false;
  }
  r.fd = fd;
  r.identity = status.identity;
  r.fileSize = status.size;
  r.eof = false;
  return true;
}

void ReadLogLine(std::string& line) {
  LogReader& r = TheLogReader();
  line.clear();
  r.packetStart = std::string::npos;
  for (;;) {
    if (r.position >= r.fill && !ReadBlock(r)) {
      r.eof = true;
      return;
    }
    // A run of bytes that decide nothing is taken at once; the state machine
    // below takes every deciding byte and the byte after a sync pair's first.
    if (r.state == PacketState::Text && !StartsSyncPair(r.previous)) {
      const unsigned char* run = r.buffer + r.position;
      const int length = PlainTextRun(run, r.fill - r.position);
      if (length > 0) {
        line.append(reinterpret_cast<const char*>(run), static_cast<size_t>(length));
        r.previous = run[length - 1];
        r.position += length;
        r.bytesTaken += length;
        continue;
      }
    }
    const unsigned char b = r.buffer[r.position++];
    ++r.bytesTaken;
    if (r.packetCount > 0) ++r.packetCount;
    const bool ends =
        r.state == PacketState::Text ? TakeTextByte(r, b, line) : TakePacketByte(r, b, line);
    if (ends && r.state != PacketState::Text) {
      r.state = PacketState::Text;
      r.packetCount = 0;
      r.packetLength = 0;
      r.previous = 0;  // a packet's last byte starts no pair
      return;
    }
    r.previous = b;
    if (ends) return;
  }
}

std::string ReadLogLine() {
  std::string line;
  ReadLogLine(line);
  return line;
}

std::size_t ReadLogBytes(char* to, std::size_t most) {
  LogReader& r = TheLogReader();
  if (r.readFailed || r.fd < 0 || r.eof) return 0;
  const std::int64_t got = platform::ReadSome(r.fd, to, most);
  if (got <= 0) {
    r.readFailed = got < 0;
    r.eof = true;
    return 0;
  }
  r.bytesRead += got;
  r.bytesTaken += got;  // delivered whole: the progress counts all of it
  return static_cast<std::size_t>(got);
}

std::size_t LogLinePacketStart() { return TheLogReader().packetStart; }

std::string CutPacket(std::string& line, std::size_t packetStart) {
  if (packetStart >= line.size()) return {};
  std::string packet = line.substr(packetStart);
  line.resize(packetStart);
  return packet;
}

bool LogEof() { return TheLogReader().eof; }
bool LogReadFailed() { return TheLogReader().readFailed; }
std::int64_t LogBytesRead() {
  const LogReader& r = TheLogReader();
  const std::int64_t wholeBlocks = (r.bytesTaken + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  return std::min(r.bytesRead, wholeBlocks);
}
std::int64_t LogFileSize() { return TheLogReader().fileSize; }

bool LogIsSameFile(int fd) {
  const LogReader& r = TheLogReader();
  platform::FileStatus status;
  return r.fd >= 0 && platform::StatusOf(fd, status) && status.identity == r.identity;
}

bool CloseLogFile() {
  LogReader& r = TheLogReader();
  if (r.fd < 0) return true;
  const int fd = r.fd;
  r.fd = -1;
  return platform::CloseFile(fd);
}

void ResetLogReader() {
  LogReader& r = TheLogReader();
  if (r.fd >= 0) platform::CloseFile(r.fd);
  r.fd = -1;
  r.Reset();
}

}  // namespace orthelev
