#pragma once
// The one log reader both converters share: a log delivered as 8-bit lines
// (CR, LF, CR LF and LF CR alike end a line; runs of terminators give no
// empty lines), with SiRF (A0 A2 .. B0 B3), UBX (B5 62, length-framed) and
// MTK (04 24, length-framed, its closing CR LF dropped) binary packets
// delivered whole, up to 2048 bytes, as the end of the current line: bytes
// of that line before the sync pair stay in front of the packet. Bytes are
// never converted.
//
// Calling order: OpenLogFile, ReadLogLine while !LogEof(), CloseLogFile.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

// Opens the log for the shared reader and resets it; false (and LogEof set)
// when the file cannot be opened.
[[nodiscard]] bool OpenLogFile(const std::string& path);

// The next line or packet, without its terminator. After the call LogEof()
// tells whether the end of the data was reached in this call; the returned
// string may still hold a last line that had no terminator.
std::string ReadLogLine();

// The same into `line` (its old content dropped, its storage reused).
void ReadLogLine(std::string& line);

// Up to `most` bytes of the log exactly as stored, for a converter that
// does its own scanning instead of ReadLogLine (the two are not mixed on
// one log). 0 at the end of the data, which sets LogEof, or after a failed
// read (LogReadFailed).
std::size_t ReadLogBytes(char* to, std::size_t most);

// Where the binary packet of the line the last ReadLogLine delivered
// begins (at its sync pair); npos when that line holds none.
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
