#include "conversion/log_reader.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "support/binary_packets.hpp"
#include "support/posix_only.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::CasicPacket;
using testing::MtkPacket;
using testing::Rtcm3Frame;
using testing::SirfPacket;
using testing::UbxPacket;

struct Delivered {
  std::string line;
  bool eof;
  bool operator==(const Delivered&) const = default;
};

void PrintTo(const Delivered& d, std::ostream* os) {
  *os << "{";
  for (unsigned char c : d.line) {
    if (c >= 0x20 && c < 0x7F)
      *os << c;
    else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      *os << hex;
    }
  }
  *os << (d.eof ? ", eof}" : "}");
}

class LogReaderTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseLogFile(); }
  std::string Write(const std::string& bytes) { return folder_.Write("log.nmea", bytes); }
  // Every call's result up to and including the one that sets LogEof.
  std::vector<Delivered> ReadAll(const std::string& bytes) {
    EXPECT_TRUE(OpenLogFile(Write(bytes)));
    std::vector<Delivered> out;
    do {
      std::string line = ReadLogLine();
      out.push_back({line, LogEof()});
    } while (!LogEof() && out.size() < 100000);
    return out;
  }
  testing::TempDir folder_;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST_F(LogReaderTest, DeliversLinesAndPacketsAsTheFramingsSay) {
  const std::string ubx = UbxPacket(0x01, 0x02, Bytes({1, 2, 0x0D, 0x0A}));
  const std::string mtk = MtkPacket(0x1122, Bytes({0x0A, 0x33, 0x44}));
  const std::string mtkBody = mtk.substr(0, mtk.size() - 2);
  const std::string sirf = SirfPacket(Bytes({0x0D, 0x0A, 0x0D, 0x99}));
  const std::string rtcm = Rtcm3Frame(Bytes({0x3E, 0xD0, 0x0D, 0x0A, 0x04, 0x24, 0xFF, 0x07}));
  const std::string casic = CasicPacket(0x01, 0x02, Bytes({0x0D, 0x0A, 0x0A, 0x0D}));
  const std::string ubxAck = Bytes({0xB5, 0x62, 0x05, 0x01, 0x02, 0x00, 0x06, 0x01, 0x0F, 0x38});
  const std::string rtcmEmpty = Bytes({0xD3, 0x00, 0x00, 0x47, 0xEA, 0x4B});
  const std::string ubxLong =
      UbxPacket(0x02, 0x15, std::string(4500, 'p') + "\r\n" + std::string(4500, 'q'));
  const std::string stray = Bytes({0xD3, 0x00, 0x13, 0x3E, 0xD0, 0x04, 0x24, 0x00, 0x08});
  struct Case {
    const char* name;
    std::string input;
    std::vector<Delivered> expected;
  };
  const std::vector<Case> cases = {
      {"CR LF", "A,B\r\nC\r\n", {{"A,B", false}, {"C", false}, {"", true}}},
      {"LF CR swallowed", "A\n\rB", {{"A", false}, {"B", true}}},
      {"runs of terminators", "A\r\r\n\nB\n", {{"A", false}, {"B", false}, {"", true}}},
      {"lone CR and LF", "A\rB\nC\r", {{"A", false}, {"B", false}, {"C", false}, {"", true}}},
      {"last line without terminator", "A\nC", {{"A", false}, {"C", true}}},
      {"empty file", "", {{"", true}}},
      {"only terminators", "\r\n\n\r", {{"", true}}},
      {"NUL and TAB are line bytes",
       Bytes({'A', 0, '\t', 'B', '\n'}),
       {{Bytes({'A', 0, '\t', 'B'}), false}, {"", true}}},
      {"UBX packet keeps CR LF inside, whatever follows",
       ubx + "\n\rX\n",
       {{ubx, false}, {"X", false}, {"", true}}},
      {"UBX ACK-ACK as receivers send it",
       ubxAck + "X\n",
       {{ubxAck, false}, {"X", false}, {"", true}}},
      {"MTK packet drops its closing CR LF; LF inside does not end it",
       mtk + "$GPGGA\n",
       {{mtkBody, false}, {"$GPGGA", false}, {"", true}}},
      {"SiRF packet keeps CR LF inside and ends at B0 B3",
       sirf + "Z\n",
       {{sirf, false}, {"Z", false}, {"", true}}},
      {"RTCM3 frame keeps CR LF and a stray 04 24 inside",
       rtcm + "$GPGGA\r\n",
       {{rtcm, false}, {"$GPGGA", false}, {"", true}}},
      {"RTCM3 frame of no message, as casters send it",
       rtcmEmpty + "Z\n",
       {{rtcmEmpty, false}, {"Z", false}, {"", true}}},
      {"CASIC packet keeps CR LF inside",
       casic + "Z\n",
       {{casic, false}, {"Z", false}, {"", true}}},
      {"0x04 right before $GPGGA opens no packet",
       Bytes({'T', 0x04}) + "$GPGGA\r\nX\n",
       {{Bytes({'T', 0x04}) + "$GPGGA", false}, {"X", false}, {"", true}}},
      {"MTK header of a length no packet has is text",
       Bytes({0x04, 0x24, 0x01, 0x00}) + "$GPGGA\r\nX\n",
       {{Bytes({0x04, 0x24, 0x01, 0x00}) + "$GPGGA", false}, {"X", false}, {"", true}}},
      {"MTK frame not closed by CR LF is text",
       Bytes({0x04, 0x24, 0x0B, 0x00, 'a', 'b', 0x0D, '8', 'c', 'd', 'e'}) + "\n",
       {{Bytes({0x04, 0x24, 0x0B, 0x00, 'a', 'b'}), false}, {"8cde", false}, {"", true}}},
      // A u-blox log with RTCM3 corrections: 04 24 inside data whose frame
      // does not check must not open a 2048-byte packet over the next GGA.
      {"stray 04 24 inside unchecked data",
       stray + "\r\n$GNGGA,1\r\n" + std::string(3000, 'x'),
       {{stray, false}, {"$GNGGA,1", false}, {std::string(3000, 'x'), true}}},
      {"frames whose checksum fails are text",
       ubx.substr(0, ubx.size() - 1) + "x\n" + rtcm.substr(0, rtcm.size() - 1) + "x\n",
       {{ubx.substr(0, 8), false},
        {ubx.substr(10, ubx.size() - 11) + "x", false},
        {rtcm.substr(0, 5), false},
        {rtcm.substr(7, rtcm.size() - 8) + "x", false},
        {"", true}}},
      {"UBX length beyond the 8 KiB taken is text",
       ubxLong + "X\n",
       {{ubxLong.substr(0, 4506), false}, {ubxLong.substr(4508) + "X", false}, {"", true}}},
      {"packet after text without terminator joins the text",
       "ab" + ubx + "c\n",
       {{"ab" + ubx, false}, {"c", false}, {"", true}}},
      {"packet cut short by the end of the file is text",
       ubx.substr(0, 7),
       {{ubx.substr(0, 7), true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.input), c.expected) << c.name;
}

TEST_F(LogReaderTest, DeliversLinesLongerThanTheLimitInPieces) {
  const std::size_t limit = kMaxLogLineBytes;
  const std::string sirfHeader = Bytes({0xA0, 0xA2, 'x', 'x'});
  const struct {
    std::string input;
    std::vector<std::size_t> pieces;  // sizes; all but the last of a line continue
    std::vector<bool> continues;
  } cases[] = {
      {std::string(limit + 10, 'z') + "\nA", {limit, 10, 1}, {true, false, false}},
      {std::string(limit, 'z') + "\r\nA\n", {limit, 0, 1, 0}, {true, false, false, false}},
      {std::string(limit, 'z'), {limit, 0}, {true, false}},
      {sirfHeader + std::string(3000, 'x') + "\n", {3004, 0}, {false, false}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenLogFile(Write(c.input)));
    std::vector<std::size_t> sizes;
    std::vector<bool> continues;
    do {
      sizes.push_back(ReadLogLine().size());
      continues.push_back(LogLineContinues());
    } while (!LogEof() && sizes.size() < 10);
    EXPECT_EQ(sizes, c.pieces);
    EXPECT_EQ(continues, c.continues);
  }
}

TEST_F(LogReaderTest, PairsAndLinesSpanReadBoundaries) {
  // CR as byte 2048 and LF as byte 2049: one terminator; then a line of
  // 5000 bytes; then a UBX packet across the end of the first 64 KiB read.
  std::string input = std::string(2047, 'a') + "\r\n" + std::string(5000, 'b') + "\n";
  const std::size_t firstRead = 64 * 1024;
  input += std::string(firstRead - 3 - input.size(), 'c');
  const std::string ubx = UbxPacket(0x01, 0x02, std::string(20, '\n'));
  input += ubx;
  const auto lines = ReadAll(input);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].line, std::string(2047, 'a'));
  EXPECT_EQ(lines[1].line, std::string(5000, 'b'));
  EXPECT_EQ(lines[2].line, std::string(firstRead - 3 - 2049 - 5001, 'c') + ubx);
  EXPECT_FALSE(lines[2].eof);
  EXPECT_EQ(lines[3], (Delivered{"", true}));
}

TEST_F(LogReaderTest, CountsBytesByBlocksAndKeepsEofAfterTheEnd) {
  ASSERT_TRUE(OpenLogFile(Write(std::string(3000, 'x') + "\n")));
  EXPECT_EQ(LogFileSize(), 3001);
  EXPECT_EQ(LogBytesRead(), 0);
  EXPECT_EQ(ReadLogLine(), std::string(3000, 'x'));
  EXPECT_EQ(LogBytesRead(), 3001);
  EXPECT_FALSE(LogEof());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(ReadLogLine(), "");
    EXPECT_TRUE(LogEof());
  }
  EXPECT_FALSE(LogReadFailed());
  EXPECT_TRUE(CloseLogFile());
}

TEST_F(LogReaderTest, RefusesMissingFilesAndFolders) {
  for (const std::string& path : {folder_.File("missing.nmea"), folder_.Folder()}) {
    EXPECT_FALSE(OpenLogFile(path)) << path;
    EXPECT_TRUE(LogEof());
    EXPECT_EQ(ReadLogLine(), "");
  }
}

TEST_F(LogReaderTest, AReadErrorEndsTheDataAndIsFlagged) {
  // Reading /proc/self/mem from offset 0 fails with EIO after a good open.
  ORTHELEV_POSIX_ONLY("a file that opens and then fails to read (/proc/self/mem)");
  if (!OpenLogFile("/proc/self/mem")) GTEST_SKIP() << "/proc/self/mem not readable";
  EXPECT_FALSE(LogEof());
  EXPECT_EQ(ReadLogLine(), "");
  EXPECT_TRUE(LogEof());
  EXPECT_TRUE(LogReadFailed());
  EXPECT_TRUE(OpenLogFile(Write("A\n")));
  EXPECT_FALSE(LogReadFailed());
}

TEST(SafeNumbers, AreTolerantOfBlanksAndGiveZeroForAnythingElse) {
  const struct {
    const char* text;
    double value;
  } floats[] = {{" -12.50\t", -12.5},
                {"", 0},
                {"   ", 0},
                {"12.3.4", 0},
                {"+-5", 0},
                {"1e3", 1000},
                {"4134.49821229", 4134.49821229},
                {"1e999", 0},
                {"nan", 0}};
  for (const auto& c : floats) EXPECT_EQ(SafeStrToFloat(c.text), c.value) << c.text;
  const struct {
    const char* text;
    std::int32_t value;
  } ints[] = {{" 7 ", 7},   {"7.5", 0},        {"", 0},    {"-12", -12}, {"$1F", 31},
              {"0x10", 16}, {"2147483648", 0}, {"abc", 0}, {"1 2", 0}};
  for (const auto& c : ints) EXPECT_EQ(SafeStrToInt(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace orthelev
