#include "conversion/log_reader.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "support/posix_only.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

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
  const std::string ubx = Bytes({0xB5, 0x62, 0x01, 0x02, 0x04, 0x00, 1, 2, 3, 4, 0xAA, 0xBB});
  const std::string mtkBody = Bytes({0x04, 0x24, 0x0A, 0x00, 0x11, 0x22, 0x33, 0x44});
  const std::string sirf = Bytes({0xA0, 0xA2, 0x00, 0x0D, 0x0A, 0x0D, 0x99, 0xB0, 0xB3});
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
      {"UBX packet of 4 + 8 bytes, whatever follows",
       ubx + "\n\rX\n",
       {{ubx, false}, {"X", false}, {"", true}}},
      {"MTK packet drops its closing CR LF; LF inside does not end it",
       mtkBody + "\r\n$GPGGA\n",
       {{mtkBody, false}, {"$GPGGA", false}, {"", true}}},
      {"MTK packet not closed by CR LF keeps its last two bytes",
       Bytes({0x04, 0x24, 0x08, 0x00, 'a', 'b', 0x0D, '8'}) + "\n",
       {{Bytes({0x04, 0x24, 0x08, 0x00, 'a', 'b', 0x0D, '8'}), false}, {"", true}}},
      {"SiRF packet keeps CR LF inside and ends at B0 B3",
       sirf + "Z\n",
       {{sirf, false}, {"Z", false}, {"", true}}},
      {"previous byte is 0 after a packet",
       Bytes({0xA0, 0xA2, 0xB0, 0xB3}) + "$x\n",
       {{Bytes({0xA0, 0xA2, 0xB0, 0xB3}), false}, {"$x", false}, {"", true}}},
      {"0x04 right before $GPGGA starts an MTK packet",
       Bytes({'T', 0x04}) + "$GPGGA\r\nX\n",
       // length = 'G' + 256 * 'P' runs past the data: the packet takes the rest.
       {{Bytes({'T', 0x04}) + "$GPGGA\r\nX\n", true}}},
      {"packet after text without terminator joins the text",
       "ab" + ubx + "c\n",
       {{"ab" + ubx, false}, {"c", false}, {"", true}}},
      {"packet cut short by the end of the file",
       Bytes({0xB5, 0x62, 0x01}),
       {{Bytes({0xB5, 0x62, 0x01}), true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAll(c.input), c.expected) << c.name;
}

TEST_F(LogReaderTest, PacketAfterAnEndingPacketStartsNoPairWithItsLastByte) {
  // UBX packet whose last byte is 0x04, then "$": no MTK packet follows.
  const std::string ubx = Bytes({0xB5, 0x62, 0x01, 0x02, 0x00, 0x00, 0x11, 0x04});
  EXPECT_EQ(ReadAll(ubx + "$GPGGA\n"),
            (std::vector<Delivered>{{ubx, false}, {"$GPGGA", false}, {"", true}}));
}

TEST_F(LogReaderTest, CutsOverlongPacketsAfter2048BytesAndReadsTheRestAsText) {
  const std::string sirfBody = Bytes({0xA0, 0xA2}) + std::string(3000, 'x');
  std::string ubxHuge = Bytes({0xB5, 0x62, 0x01, 0x02, 0xFF, 0xFF}) + std::string(2100, 'y');
  const struct {
    std::string input;
    std::vector<Delivered> expected;
  } cases[] = {
      {sirfBody + "\n",
       {{sirfBody.substr(0, 2048), false}, {std::string(954, 'x'), false}, {"", true}}},
      {ubxHuge + "\n",
       {{ubxHuge.substr(0, 2048), false}, {std::string(58, 'y'), false}, {"", true}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAll(c.input), c.expected);
}

TEST_F(LogReaderTest, PairsAndLinesSpanBlockBoundaries) {
  // CR as byte 2048 and LF as byte 2049: one terminator; then a line of
  // 5000 bytes across three blocks; then a UBX sync pair split between
  // bytes 8192 and 8193.
  std::string input = std::string(2047, 'a') + "\r\n" + std::string(5000, 'b') + "\n";
  input += std::string(8191 - input.size(), 'c');
  const std::string ubx = Bytes({0xB5, 0x62, 0x01, 0x02, 0x00, 0x00, 0x11, 0x22});
  input += ubx;
  ASSERT_EQ(static_cast<unsigned char>(input[8191]), 0xB5);
  const auto lines = ReadAll(input);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].line, std::string(2047, 'a'));
  EXPECT_EQ(lines[1].line, std::string(5000, 'b'));
  EXPECT_EQ(lines[2].line, std::string(8191 - 2049 - 5001, 'c') + ubx);
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
