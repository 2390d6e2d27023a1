// The hand-made sample logs must stay well-formed: every NMEA sentence with
// its correct checksum, the UBX packet with its length and Fletcher checksum.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

const std::string kNmeaSample = std::string(ORTHELEV_EXAMPLES_DIR) + "/boulder_walk.nmea";

// Takes the UBX packets out of `bytes`, checking each one's checksum.
int TakeUbxPackets(std::string& bytes) {
  int packets = 0;
  for (std::size_t at; (at = bytes.find("\xB5\x62")) != std::string::npos;) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes.at(at + i)); };
    const std::size_t total = 8 + byte(4) + 256u * byte(5);
    std::uint8_t a = 0, b = 0;
    for (std::size_t i = 2; i < total - 2; ++i) {
      a = static_cast<std::uint8_t>(a + byte(i));
      b = static_cast<std::uint8_t>(b + a);
    }
    EXPECT_EQ(a, byte(total - 2)) << "packet at " << at;
    EXPECT_EQ(b, byte(total - 1)) << "packet at " << at;
    bytes.erase(at, total);
    ++packets;
  }
  return packets;
}

TEST(SampleLogs, NmeaSentencesAndUbxPacketAreWellFormed) {
  std::string bytes = testing::ReadBytes(kNmeaSample);
  ASSERT_FALSE(bytes.empty()) << kNmeaSample;
  EXPECT_EQ(TakeUbxPackets(bytes), 1);
  int sentences = 0;
  for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    const std::string line = bytes.substr(start, end - start);
    const std::size_t star = line.find('*');
    ASSERT_TRUE(line.front() == '$' && star != std::string::npos && star + 3 == line.size())
        << line;
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<std::uint8_t>(line[i]);
    std::int32_t written = -1;
    EXPECT_TRUE(ParseHexInt32(line.substr(star + 1), written)) << line;
    EXPECT_EQ(written, sum) << line;
    ++sentences;
  }
  EXPECT_EQ(sentences, 24);
  EXPECT_TRUE(bytes.ends_with("\r\n"));
}

}  // namespace
}  // namespace orthelev
