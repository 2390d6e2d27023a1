#pragma once
// One line of an NMEA log as receivers really write it: a sentence may stand
// behind bytes of another protocol (binary data the log reader does not
// know, a sentence cut short) or before another sentence, with no line
// break between them.

#include <cstddef>
#include <string>
#include <string_view>

#include "conversion/nmea_sentence.hpp"

namespace orthelev {

// True when the sentence that runs from `start` to `end` in `text` (a "$"
// to the next "$" or the text's end) is examined: the sentence of the whole
// text, or one sharing the text with other bytes whose checksum is present
// and valid (without one, its end is not known).
bool IsExaminedSentence(std::string_view text, std::size_t start, std::size_t end);

// CorrectSentence on every examined sentence of the line, each on its own
// (its fields end at the next "$"); the bytes between them are kept as they
// are. The bytes from `packetStart` on (LogLinePacketStart) are a binary
// packet: they are neither searched nor changed.
void CorrectNmeaLine(std::string& line, NmeaCounters& counters,
                     std::size_t packetStart = std::string::npos,
                     const HeightSettings& heights = ReadHeightSettings());

}  // namespace orthelev
