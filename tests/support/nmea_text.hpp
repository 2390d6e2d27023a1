#pragma once
// NMEA text worked out in the tests on their own, apart from the code under
// test: checksums and comma fields.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orthelev::testing {

inline unsigned XorBetweenDollarAndStar(std::string_view line) {
  unsigned sum = 0;
  for (size_t i = 1; i < line.size() && line[i] != '*'; ++i)
    sum ^= static_cast<unsigned char>(line[i]);
  return sum;
}

// body + "*" + its checksum as two upper-case hex digits.
inline std::string Signed(const std::string& body) {
  char hex[4];
  std::snprintf(hex, sizeof hex, "%02X", XorBetweenDollarAndStar(body));
  return body + "*" + hex;
}

// True when the line ends in "*" and the two upper-case hex digits of its checksum.
inline bool HasValidChecksum(std::string_view line) {
  const size_t star = line.find('*');
  return star != line.npos && star + 3 == line.size() &&
         Signed(std::string(line.substr(0, star))) == line;
}

// The text between commas, untrimmed; the checksum stays in the last item.
inline std::vector<std::string> SplitAtCommas(std::string_view line) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t comma; (comma = line.find(',', start)) != line.npos; start = comma + 1)
    items.emplace_back(line.substr(start, comma - start));
  items.emplace_back(line.substr(start));
  return items;
}

}  // namespace orthelev::testing
