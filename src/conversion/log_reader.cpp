#include "conversion/log_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/number_format.hpp"
#include "conversion/packet_frames.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

// The progress counts bytes in blocks of 2048, as if the log were read 2048
// bytes at a time; it is read in larger pieces, and in 2048-byte blocks after
// a failed read, so that a read error ends the data where it always did.
constexpr int kBlockBytes = 2048;
constexpr int kReadBytes = 64 * 1024;
// Room for a read and, after the bytes not yet taken, a whole UBX packet
// looked at before it is taken.
constexpr int kBufferBytes = kReadBytes + kMaxUbxPacketBytes;

constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;

// The one reader both converters share.
struct LogReader {
  int fd = -1;
  unsigned char buffer[kBufferBytes];
  int fill = 0;
  int position = 0;         // 0-based index of the next byte to take
  bool blockReads = false;  // after a failed read: 2048 bytes at a time
  bool dataEnded = false;   // a read found the end of the data
  unsigned char previous = 0;
  bool lineContinues = false;                   // the line delivered was cut at kMaxLogLineBytes
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
    dataEnded = false;
    previous = 0;
    lineContinues = false;
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

// Reads the next piece of the log behind the bytes not yet taken (moved to
// the buffer's start); false at the end of the data or on a read error. A
// failed large read is tried again in 2048-byte blocks.
bool ReadMore(LogReader& r) {
  if (r.readFailed || r.dataEnded || r.fd < 0) return false;
  if (r.position > 0) {
    std::memmove(r.buffer, r.buffer + r.position, static_cast<size_t>(r.fill - r.position));
    r.fill -= r.position;
    r.position = 0;
  }
  std::int64_t got;
  for (;;) {
    got = platform::ReadSome(r.fd, r.buffer + r.fill,
                             static_cast<size_t>(std::min(r.blockReads ? kBlockBytes : kReadBytes,
                                                          kBufferBytes - r.fill)));
    if (got >= 0) break;
    if (r.blockReads) {
      r.readFailed = true;
      return false;
    }
    r.blockReads = true;
  }
  r.fill += static_cast<int>(got);
  r.bytesRead += got;
  r.dataEnded = got == 0;
  return got > 0;
}

// At least `need` bytes from the next one to take in the buffer, unless the
// data ends first: the bytes there.
int BytesAhead(LogReader& r, int need) {
  while (r.fill - r.position < need && ReadMore(r)) {
  }
  return r.fill - r.position;
}

// Bytes that end a line or may start a packet: only they decide anything
// in text.
constexpr std::array<bool, 256> DecidingTextBytes() {
  std::array<bool, 256> deciding{};
  deciding[kLf] = deciding[kCr] = true;
  for (const unsigned char b : kPacketStartBytes) deciding[b] = true;
  return deciding;
}
constexpr std::array<bool, 256> kDecidingTextBytes = DecidingTextBytes();

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

// One text byte; true when it ends the line (an empty line ends only the
// last piece of a cut line).
bool TakeTextByte(LogReader& r, unsigned char b, std::string& line, bool lastPiece) {
  if (b == kLf) return r.previous != kCr && (!line.empty() || lastPiece);
  if (b == kCr) return r.previous != kLf && (!line.empty() || lastPiece);
  line.push_back(static_cast<char>(b));
  return false;
}

// The length of the packet the next byte to take opens, its frame checked
// (the whole of it in the file); 0 when it opens none.
int CheckedPacketLength(LogReader& r) {
  if (!MayStartPacket(r.buffer[r.position])) return 0;
  // BytesAhead may move the bytes to the buffer's start: the packet's place
  // is taken only after it.
  const int headerBytes = BytesAhead(r, kPacketHeaderBytes);
  const int length = PacketFrameLength(r.buffer + r.position, headerBytes);
  if (length <= 0 || BytesAhead(r, length) < length) return 0;
  return PacketFrameChecks(r.buffer + r.position, length) ? length : 0;
}

// Takes the checked packet of `length` bytes as the end of `line`.
void TakePacket(LogReader& r, int length, std::string& line) {
  const unsigned char* packet = r.buffer + r.position;
  r.packetStart = line.size();
  line.append(reinterpret_cast<const char*>(packet),
              static_cast<size_t>(PacketLineBytes(packet, length)));
  r.position += length;
  r.bytesTaken += length;
  r.previous = 0;  // a packet's last byte starts no line end
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
  const bool lastPiece = r.lineContinues;  // of a cut line: ends even when empty
  r.lineContinues = false;
  for (;;) {
    if (line.size() >= kMaxLogLineBytes) {
      r.lineContinues = true;
      return;
    }
    if (r.position >= r.fill && !ReadMore(r)) {
      r.eof = true;
      return;
    }
    // A run of bytes that decide nothing is taken at once.
    const unsigned char* run = r.buffer + r.position;
    const int length = std::min(PlainTextRun(run, r.fill - r.position),
                                static_cast<int>(kMaxLogLineBytes - line.size()));
    if (length > 0) {
      line.append(reinterpret_cast<const char*>(run), static_cast<size_t>(length));
      r.previous = run[length - 1];
      r.position += length;
      r.bytesTaken += length;
      continue;
    }
    if (const int packet = CheckedPacketLength(r); packet > 0) {
      TakePacket(r, packet, line);
      return;
    }
    const unsigned char b = r.buffer[r.position++];
    ++r.bytesTaken;
    const bool ends = TakeTextByte(r, b, line, lastPiece);
    r.previous = b;
    if (ends) return;
  }
}

bool LogLineContinues() { return TheLogReader().lineContinues; }

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

bool LogFileIsUtf16(const std::string& path) {
  if (!OpenLogFile(path)) return false;
  LogReader& r = TheLogReader();
  const bool utf16 = BytesAhead(r, 2) >= 2 && ((r.buffer[0] == 0xFF && r.buffer[1] == 0xFE) ||
                                               (r.buffer[0] == 0xFE && r.buffer[1] == 0xFF));
  CloseLogFile();
  return utf16;
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
