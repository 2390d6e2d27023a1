#include "conversion/log_reader.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/number_format.hpp"

namespace orthelev {

namespace {

constexpr int kBlockBytes = 2048;
constexpr std::int32_t kMaxPacketBytes = 2048;

constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;

enum class PacketState { Text, Sirf, Ubx, Mtk };

// The one reader both converters share.
struct LogReader {
  int fd = -1;
  unsigned char buffer[kBlockBytes];
  int fill = 0;
  int position = 0;  // 0-based index of the next byte to take
  unsigned char previous = 0;
  PacketState state = PacketState::Text;
  std::int32_t packetCount = 0;   // bytes of the packet so far, sync bytes included
  std::int32_t packetLength = 0;  // 0 until the length field has been read
  bool eof = false;
  bool readFailed = false;
  std::int64_t bytesRead = 0;
  std::int64_t fileSize = 0;
  dev_t device = 0;
  ino_t inode = 0;

  // Every value but the file back to its start value: no data, at the
  // start of a text line, end of data set.
  void Reset() {
    fill = 0;
    position = 0;
    previous = 0;
    state = PacketState::Text;
    packetCount = 0;
    packetLength = 0;
    eof = true;
    readFailed = false;
    bytesRead = 0;
    fileSize = 0;
    device = 0;
    inode = 0;
  }
};

LogReader& TheLogReader() {
  static LogReader reader;
  return reader;
}

// Reads the next block; false at the end of the data or on a read error.
bool ReadBlock(LogReader& r) {
  if (r.readFailed || r.fd < 0) return false;
  ssize_t got;
  do {
    got = ::read(r.fd, r.buffer, kBlockBytes);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    r.readFailed = true;
    return false;
  }
  r.fill = static_cast<int>(got);
  r.position = 0;
  r.bytesRead += got;
  return got > 0;
}

void EnterPacket(LogReader& r, PacketState state) {
  r.state = state;
  r.packetCount = 2;
  r.packetLength = 0;
}

// One text byte; true when it ends the line.
bool TakeTextByte(LogReader& r, unsigned char b, std::string& line) {
  if (b == kLf) return r.previous != kCr && !line.empty();
  if (b == kCr) return r.previous != kLf && !line.empty();
  line.push_back(static_cast<char>(b));
  if (b == 0x24 && r.previous == 0x04) EnterPacket(r, PacketState::Mtk);
  if (b == 0x62 && r.previous == 0xB5) EnterPacket(r, PacketState::Ubx);
  if (b == 0xA2 && r.previous == 0xA0) EnterPacket(r, PacketState::Sirf);
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
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  r.fd = fd;
  r.device = st.st_dev;
  r.inode = st.st_ino;
  r.fileSize = st.st_size;
  r.eof = false;
  return true;
}

std::string ReadLogLine() {
  LogReader& r = TheLogReader();
  std::string line;
  for (;;) {
    if (r.position >= r.fill && !ReadBlock(r)) {
      r.eof = true;
      return line;
    }
    const unsigned char b = r.buffer[r.position++];
    if (r.packetCount > 0) ++r.packetCount;
    const bool ends =
        r.state == PacketState::Text ? TakeTextByte(r, b, line) : TakePacketByte(r, b, line);
    if (ends && r.state != PacketState::Text) {
      r.state = PacketState::Text;
      r.packetCount = 0;
      r.packetLength = 0;
      r.previous = 0;  // a packet's last byte starts no pair
      return line;
    }
    r.previous = b;
    if (ends) return line;
  }
}

std::size_t ReadLogBytes(char* to, std::size_t most) {
  LogReader& r = TheLogReader();
  if (r.readFailed || r.fd < 0 || r.eof) return 0;
  ssize_t got;
  do {
    got = ::read(r.fd, to, most);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    r.readFailed = got < 0;
    r.eof = true;
    return 0;
  }
  r.bytesRead += got;
  return static_cast<std::size_t>(got);
}

bool LogEof() { return TheLogReader().eof; }
bool LogReadFailed() { return TheLogReader().readFailed; }
std::int64_t LogBytesRead() { return TheLogReader().bytesRead; }
std::int64_t LogFileSize() { return TheLogReader().fileSize; }

bool LogIsSameFile(int fd) {
  const LogReader& r = TheLogReader();
  struct stat st;
  return r.fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == r.device && st.st_ino == r.inode;
}

bool CloseLogFile() {
  LogReader& r = TheLogReader();
  if (r.fd < 0) return true;
  const int fd = r.fd;
  r.fd = -1;
  return ::close(fd) == 0;
}

void ResetLogReader() {
  LogReader& r = TheLogReader();
  if (r.fd >= 0) ::close(r.fd);
  r.fd = -1;
  r.Reset();
}

}  // namespace orthelev
