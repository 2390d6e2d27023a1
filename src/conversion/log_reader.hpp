#pragma once
// The one log reader both converters share: a log delivered as 8-bit lines
// (CR, LF, CR LF and LF CR alike end a line; runs of terminators give no
// empty lines), with the binary packets of packet_frames.hpp (UBX, SiRF,
// MTK, RTCM3, CASIC) delivered whole, once their frame checks, as the end
// of the current line: bytes of that line before the packet stay in front
// of it, and an MTK packet's closing CR LF ends the line. A line longer than
// kMaxLogLineBytes is delivered in pieces. Bytes are never converted.
//
// Calling order: OpenLogFile, ReadLogLine while !LogEof(), CloseLogFile.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

// The most text bytes a delivered line holds (a packet may follow them).
constexpr std::size_t kMaxLogLineBytes = std::size_t{64} * 1024;

// Opens the log for the shared reader and resets it; false (and LogEof set)
// when the file cannot be opened.
[[nodiscard]] bool OpenLogFile(const std::string& path);

// The next line or packet, without its terminator. After the call LogEof()
// tells whether the end of the data was reached in this call; the returned
// string may still hold a last line that had no terminator.
std::string ReadLogLine();

// The same into `line` (its old content dropped, its storage reused).
void ReadLogLine(std::string& line);

// True when the line the last ReadLogLine delivered is a piece of a longer
// line that the next call continues (its last piece may be empty).
bool LogLineContinues();

// Up to `most` bytes of the log exactly as stored, for a converter that
// does its own scanning instead of ReadLogLine (the two are not mixed on
// one log). 0 at the end of the data, which sets LogEof, or after a failed
// read (LogReadFailed).
std::size_t ReadLogBytes(char* to, std::size_t most);

// True when the file at `path` begins with a UTF-16 byte-order mark (FF FE
// or FE FF). Leaves no log open.
bool LogFileIsUtf16(const std::string& path);

// Where the binary packet of the line the last ReadLogLine delivered
// begins (at its first sync byte); npos when that line holds none.
std::size_t LogLinePacketStart();

// Cuts the packet that begins at `packetStart` (LogLinePacketStart) off
// `line` and returns it; "" and `line` unchanged when there is none.
std::string CutPacket(std::string& line, std::size_t packetStart);

bool LogEof();
// True when a read failed in the middle of the log (the data ends there and
// LogEof is set); the converters report it as a read error.
bool LogReadFailed();
// Bytes delivered by 2048-byte block reads since the open: the bytes taken,
// rounded up to whole blocks, at most the bytes read.
std::int64_t LogBytesRead();
std::int64_t LogFileSize();  // size at the open

// True when the open file `fd` is the log's own file (same device and
// inode), whatever path or link it was opened by.
bool LogIsSameFile(int fd);

// Closes the log; false when closing reported an error.
bool CloseLogFile();

// Closes any open log without reporting and returns the reader to the state
// of a closed log.
void ResetLogReader();

}  // namespace orthelev
