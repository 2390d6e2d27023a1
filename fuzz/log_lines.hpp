#pragma once
// What the conversion targets share: the lines the log reader delivers, and
// the walk of a converted output against them.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/log_reader.hpp"
#include "fuzz_support.hpp"

namespace orthelev::fuzz {

// Every line and packet the reader delivers for the file at `path`; with
// `packetStarts`, where each line's packet begins (npos: none) too, and with
// `pieces`, whether each is a piece of a longer line that the next continues.
inline std::vector<std::string> ReadLogLines(const std::string& path,
                                             std::vector<std::size_t>* packetStarts = nullptr,
                                             std::vector<bool>* pieces = nullptr) {
  std::vector<std::string> lines;
  FUZZ_CHECK(OpenLogFile(path), "the log opens again");
  for (;;) {
    std::string line = ReadLogLine();
    const bool eof = LogEof();
    // The last piece of a cut line is a line even when empty.
    const bool lastPiece = pieces && !pieces->empty() && pieces->back();
    if (!(eof && line.empty()) || lastPiece) {
      lines.push_back(std::move(line));
      if (packetStarts) packetStarts->push_back(LogLinePacketStart());
      if (pieces) pieces->push_back(LogLineContinues());
    }
    if (eof) break;
  }
  FUZZ_CHECK(CloseLogFile(), "the log closes");
  return lines;
}

// Walks `output` against the input's `lines`: each line is copied followed
// by CR LF, or replaced by a line (ending in CR LF) that `checkRewritten`
// is given with its input line; with `checkCopies`, a copied line is given
// to it too (as its own output). With `packetStarts`, only the text before
// a line's packet may be rewritten (and is what is given): the packet must
// follow it unchanged. With `pieces`, a piece of a longer line is copied
// without a line end. With `packetRewrite`, a packet may instead be
// replaced by one of its length that `packetRewrite` accepts for it. Nothing
// may follow the last line. Returns the number of rewritten lines.
using PacketRewriteCheck = std::function<bool(std::string_view in, std::string_view out)>;

// Where `packet` (followed by CR LF) or a rewrite of it that `packetRewrite`
// accepts begins in `output` from `cursor` on; npos when nowhere. A rewrite
// keeps the packet's header (sync, length and message bytes).
inline std::size_t FindPacket(const std::string& output, std::size_t cursor,
                              const std::string& packet, const PacketRewriteCheck* packetRewrite) {
  if (!packetRewrite) return output.find(packet + "\r\n", cursor);
  const std::string header = packet.substr(0, std::min<std::size_t>(packet.size(), 6));
  for (std::size_t at = output.find(header, cursor); at != std::string::npos;
       at = output.find(header, at + 1)) {
    const std::string_view found = std::string_view(output).substr(at, packet.size());
    if (output.compare(at + packet.size(), 2, "\r\n") == 0 &&
        (found == packet || (*packetRewrite)(packet, found)))
      return at;
  }
  return std::string::npos;
}

inline int CheckOutputLines(
    const std::string& output, const std::vector<std::string>& lines,
    const std::function<void(const std::string& in, std::string_view out)>& checkRewritten,
    const std::vector<std::size_t>* packetStarts = nullptr, bool checkCopies = false,
    const std::vector<bool>* pieces = nullptr, const PacketRewriteCheck* packetRewrite = nullptr) {
  std::size_t cursor = 0;
  int rewritten = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string& line = lines[k];
    const std::size_t packetStart = packetStarts ? (*packetStarts)[k] : std::string::npos;
    if (pieces && (*pieces)[k]) {
      FUZZ_CHECK(output.compare(cursor, line.size(), line) == 0, "a piece is copied as it is");
      cursor += line.size();
      continue;
    }
    if (output.compare(cursor, line.size() + 2, line + "\r\n") == 0) {
      cursor += line.size() + 2;
      if (checkCopies) {
        const std::string text = line.substr(0, std::min(packetStart, line.size()));
        CheckContext() = "in:  " + line;
        checkRewritten(text, text);
      }
      continue;
    }
    if (packetStart < line.size()) {
      // The text before a packet holds no CR, LF or whole packet, and its
      // rewritten bytes are ASCII: the packet's first place is its place.
      const std::string packet = line.substr(packetStart);
      const std::size_t end = FindPacket(output, cursor, packet, packetRewrite);
      FUZZ_CHECK(end != std::string::npos,
                 "a packet follows its line's text, unchanged or rewritten");
      CheckContext() = "in:  " + line + "\nout: " + output.substr(cursor, end - cursor);
      checkRewritten(line.substr(0, packetStart),
                     std::string_view(output).substr(cursor, end - cursor));
      cursor = end + packet.size() + 2;
      ++rewritten;
      continue;
    }
    // A rewritten line keeps its first bytes, which may hold CR LF (a binary
    // packet before a glued sentence): its end is searched for after them.
    std::size_t kept = 0;
    while (kept < line.size() && cursor + kept < output.size() &&
           output[cursor + kept] == line[kept])
      ++kept;
    const std::size_t end = output.find("\r\n", cursor + kept);
    FUZZ_CHECK(end != std::string::npos, "every line ends in CR LF");
    CheckContext() = "in:  " + line + "\nout: " + output.substr(cursor, end - cursor);
    checkRewritten(line, std::string_view(output).substr(cursor, end - cursor));
    cursor = end + 2;
    ++rewritten;
  }
  FUZZ_CHECK(cursor == output.size(), "nothing follows the last line");
  return rewritten;
}

}  // namespace orthelev::fuzz
