#pragma once
// The values of grid nodes as every grid file of the program stores them:
// little-endian IEEE single precision; a node without a geoid height is
// stored as the quiet NaN 00 00 C0 FF, and any value of magnitude 200 m or
// more (NaN, infinities, sentinels such as 999.0 or 9999) is read as
// missing. No geoid height on Earth comes near 200 m (the extremes are
// about -107 m and +86 m).

#include <cmath>
#include <limits>
#include <string>

#include "base/byte_order.hpp"

namespace orthelev {

inline constexpr double kMissingNodeMagnitude = 200.0;

// The bytes of a missing node.
inline constexpr unsigned char kMissingNodeBytes[4] = {0x00, 0x00, 0xC0, 0xFF};

// `value`, or NaN when it is no geoid height (magnitude 200 or more, NaN).
inline float NodeOrMissing(float value) {
  return std::fabs(static_cast<double>(value)) < kMissingNodeMagnitude
             ? value
             : std::numeric_limits<float>::quiet_NaN();
}

// The node stored at `bytes` (4 bytes), NaN when missing.
inline float ReadNodeValue(const unsigned char* bytes) {
  return NodeOrMissing(FromLittleEndian<float>(bytes));
}

// Appends the 4 bytes of a node; a missing one as kMissingNodeBytes.
inline void AppendNodeValue(std::string& out, float value) {
  if (std::isnan(NodeOrMissing(value)))
    out.append(reinterpret_cast<const char*>(kMissingNodeBytes), 4);
  else
    AppendLittleEndian(out, value);
}

}  // namespace orthelev
