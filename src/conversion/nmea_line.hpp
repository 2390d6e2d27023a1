#pragma once
// One line of an NMEA log as receivers really write it: a sentence may stand
// behind bytes of another protocol (binary data the log reader does not
// know, a sentence cut short) with no line break before it.

#include <cstddef>
#include <string>
#include <string_view>

#include "conversion/nmea_sentence.hpp"

namespace orthelev {

// The position of a sentence glued behind other bytes: the last "$", after
// the line's first byte, that starts a recognised address field followed by
// a comma, provided that the text from there to the end of the line carries
// a checksum that is present and valid. npos when there is none.
std::size_t GluedSentenceStart(std::string_view line);

// CorrectSentence on the glued sentence of the line (the bytes before it
// kept as they are), or on the whole line when it holds none. The bytes
// from `packetStart` on (LogLinePacketStart) are a binary packet: they are
// neither searched nor changed, only the text before them is corrected.
void CorrectNmeaLine(std::string& line, NmeaCounters& counters,
                     std::size_t packetStart = std::string::npos,
                     const HeightSettings& heights = ReadHeightSettings());

}  // namespace orthelev
