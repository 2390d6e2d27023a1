// The log reader on arbitrary bytes: every byte of the file comes back, in
// order, either inside a delivered line or as a line end (CR, LF) between
// them, and the reader ends. A delivered packet is a whole frame that
// checks; a line is cut only at the line limit.

#include "conversion/log_reader.hpp"
#include "conversion/packet_frames.hpp"
#include "fuzz_support.hpp"

using namespace orthelev;

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

void CheckPacket(std::string packet) {
  if (static_cast<unsigned char>(packet[0]) == 0x04) packet += "\r\n";  // dropped by the reader
  const auto* bytes = reinterpret_cast<const unsigned char*>(packet.data());
  const int size = static_cast<int>(packet.size());
  FUZZ_CHECK(PacketFrameLength(bytes, size) == size && PacketFrameChecks(bytes, size),
             "a delivered packet is a whole frame that checks");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::Scratch::Get().Write("log.nmea", input);
  FUZZ_CHECK(OpenLogFile(path), "the log opens");
  FUZZ_CHECK(LogFileSize() == static_cast<std::int64_t>(size), "the size at the open");
  std::size_t cursor = 0;
  // Every call takes at least one byte or ends the data (or a cut line).
  bool lastPiece = false;
  for (std::size_t calls = 0; calls <= 2 * size + 1; ++calls) {
    const std::string line = ReadLogLine();
    const bool eof = LogEof();
    FUZZ_CHECK(!line.empty() || eof || lastPiece,
               "only the end of the data or of a cut line gives an empty line");
    const std::size_t packetStart = LogLinePacketStart();
    if (packetStart < line.size()) CheckPacket(line.substr(packetStart));
    lastPiece = LogLineContinues();
    FUZZ_CHECK(!lastPiece || line.size() == kMaxLogLineBytes, "a line is cut at the limit only");
    while (cursor < size && IsLineEnd(input[cursor]) && !line.empty() &&
           input.compare(cursor, line.size(), line) != 0)
      ++cursor;
    FUZZ_CHECK(input.compare(cursor, line.size(), line) == 0, "lines come in file order");
    cursor += line.size();
    if (eof) break;
  }
  FUZZ_CHECK(LogEof(), "the reader ends");
  FUZZ_CHECK(!LogReadFailed(), "no read error");
  for (; cursor < size; ++cursor)
    FUZZ_CHECK(IsLineEnd(input[cursor]), "only line ends are left out");
  FUZZ_CHECK(LogBytesRead() == static_cast<std::int64_t>(size), "every byte was read");
  FUZZ_CHECK(CloseLogFile(), "the log closes");
  return 0;
}
