#pragma once
// Heights inside the binary navigation packets of a receiver log that carry
// the fix's ellipsoidal height beside its sea-level height: u-blox UBX
// NAV-PVT, NAV-POSLLH and NAV-HPPOSLLH, and SiRF MID 41 (Geodetic
// Navigation Data). The sea-level height becomes the ellipsoidal height
// minus the model's N at the field's own resolution, and the checksum is
// recomputed; every other byte of the packet stays as it was.

#include <cstddef>
#include <string>

#include "conversion/conversion_state.hpp"
#include "conversion/nmea_sentence.hpp"

namespace orthelev {

// Examines the packet at `packetStart` of `line` (LogLinePacketStart, to the
// end of the line). A packet of the layouts above whose frame checks and
// whose flags tell a valid fix counts as a record; at a point the model
// covers (interpolated by the window of `heights`) its sea-level height is
// rewritten and it counts as corrected (ubxCorrected or sirfCorrected),
// otherwise as outside. Any other packet is left byte for byte.
void CorrectPacketHeights(std::string& line, std::size_t packetStart, NmeaCounters& counters,
                          const HeightSettings& heights);

}  // namespace orthelev
