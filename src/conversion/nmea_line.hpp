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

// CorrectSentence on every sentence of the line, each on its own (its
// fields end at the next "$"): the sentence of the whole text, and any other
// whose checksum is present and valid (without one, its end is not known).
// The bytes between them are kept as they are. The bytes from `packetStart` on (LogLinePacketStart)
// are a binary packet: they are neither searched nor changed.
void CorrectNmeaLine(std::string& line, NmeaCounters& counters,
                     std::size_t packetStart = std::string::npos,
                     const HeightSettings& heights = ReadHeightSettings());

}  // namespace orthelev
