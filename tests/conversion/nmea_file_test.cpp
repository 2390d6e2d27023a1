#include "conversion/nmea_file.hpp"

#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/paths.hpp"
#include "conversion/nmea_line.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "platform/platform.hpp"
#include "support/binary_packets.hpp"
#include "support/file_size_limit.hpp"
#include "support/nmea_text.hpp"
#include "support/posix_only.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using ::testing::ElementsAre;
using testing::ProgramState;
using testing::ReadBytes;
using testing::Signed;
using testing::SyntheticGrid;
using testing::TempDir;

const std::string kGga =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,*50";
const std::string kGgaOut =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,47.7919,M,36.7081,M,,*54";
const std::string kGns = "$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,45.300,39.200,,*6B";
const std::string kGnsOut =
    "$GNGNS,021530.00,3540.6300,N,13944.8700,E,AN,09,0.9,47.7919,36.7081,,*6F";
const std::string kGgaWrongSum =
    "$GPGGA,021530.00,3540.6300,N,13944.8700,E,1,09,0.9,45.300,M,39.200,M,,*51";
// Bytes of a protocol the reader does not know (CASIC binary of a Quectel
// L76K: BA CE, length, class, id, payload, checksum), with a "$" and NUL.
const std::string kBinary("\xBA\xCE\x10\x00\x0B\x01\x24\x47\x00\xFF\x2C\x24\x80\x7F", 14);
const std::string kCutGsv = "$GPGSV,3,3,11,22,42,067,42,24,14,311,43,27,05,244,00,270,";

// The sentence after its address field, without the checksum.
std::string Fields(const std::string& sentence) {
  return sentence.substr(6, sentence.find('*') - 6);
}

// Outside the grid (1 N, 1 E) with a fix.
const std::string kGgaOutside =
    "$GPGGA,021530.00,0100.0000,N,00100.0000,E,1,09,0.9,45.300,M,39.200,M,,*53";

// A grid over 30-40 N, 130-145 E holding N = 36.7081 everywhere.
class NmeaFileTest : public ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().decimal = "4";
    TheSettings().postfix = "_g";
    TheFlags().useSpline = true;
    ASSERT_TRUE(SyntheticGrid{}.WriteAndOpen(folder_.Folder(), "tokyo.grd",
                                             [](double, double) { return 36.7081f; }));
  }
  std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
  }
  TempDir folder_;
};

TEST_F(NmeaFileTest, ConvertsEveryLineAndReportsTheSummary) {
  const std::string packet = testing::SirfPacket("\x0A\x0D");
  const std::string input = "title line\n" + kGga + "\r" + kGns + "\n\n" + packet + "$GPRMC,x\r\n" +
                            kGgaOutside + "\n" + kGga;  // the last line has no line break
  const std::string path = folder_.Write("day1.nmea", input);
  EXPECT_EQ(ConvertNmeaFile(path), 4);
  EXPECT_EQ(ReadBytes(folder_.File("day1_g.nmea")),
            Lines({"title line", kGgaOut, kGnsOut, packet, "$GPRMC,x", kGgaOutside, kGgaOut}));
  EXPECT_EQ(ReadBytes(path), input);
  EXPECT_THAT(window.events,
              ElementsAre("report:  NMEA: day1.nmea", "status:  day1.nmea  NMEA file ...",
                          "status:  day1.nmea  NMEA file (100.0%)",  // after the title, records 0
                          "report:     4 records",
                          "report:     Heights read as altitude + geoid separation",
                          "report:     Geoid diff.  2.4919m",
                          "report:     Number of Geoid outside range = 1/4", "show report",
                          "status:  day1.nmea  NMEA file (100.0%)  Read:4rec."));
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(NmeaFileTest, SummarisesFilesWithoutCorrections) {
  const struct {
    const char* name;
    std::string input;
    bool startHidden;
    int records;
    std::vector<std::string> report;
    int progressTexts;
    std::string status;
    bool reportShown;
  } cases[] = {
      {"empty file",
       "",
       false,
       0,
       {" NMEA: f.nmea", "    0 records", "    Nothing corrected: no GGA or GNS sentence"},
       0,
       " f.nmea  NMEA file ...  Read:0rec.",
       false},
      {"no GGA or GNS",
       "a\nb\nc\n",
       false,
       0,
       {" NMEA: f.nmea", "    0 records", "    Nothing corrected: no GGA or GNS sentence"},
       3,
       " f.nmea  NMEA file (100.0%)  Read:0rec.",
       false},
      {"a line longer than the reader holds, copied in pieces",
       std::string(150000, 'x') + "\ny\n",
       false,
       0,
       {" NMEA: f.nmea", "    0 records", "    Nothing corrected: no GGA or GNS sentence"},
       4,
       " f.nmea  NMEA file (100.0%)  Read:0rec.",
       false},
      {"all outside the model",
       kGgaOutside + "\n" + kGgaOutside + "\n",
       false,
       2,
       {" NMEA: f.nmea", "    2 records", "    Number of Geoid outside range = 2/2",
        "    Nothing corrected: no position inside the model"},
       0,
       " f.nmea  NMEA file ...  Read:2rec.",
       true},
      {"all outside, hidden start",
       kGgaOutside + "\n",
       true,
       1,
       {" NMEA: f.nmea", "    1 records", "    Number of Geoid outside range = 1/1",
        "    Nothing corrected: no position inside the model"},
       0,
       " f.nmea  NMEA file ...  Read:1rec.",
       false},
      {"no separation: the altitude's reference is unknown",
       Signed("$GPGGA,1,3540.63,N,13944.87,E,1,09,0.9,45.3,M,,M,,") + "\n",
       false,
       1,
       {" NMEA: f.nmea", "    1 records",
        "    Nothing corrected: no sentence states its geoid separation; if the altitudes are "
        "ellipsoidal, state the heights ellipsoidal (HeightReference=ellipsoidal in the "
        "settings file, orthelev-cli --height-reference ellipsoidal)"},
       0,
       " f.nmea  NMEA file ...  Read:1rec.",
       false},
  };
  for (const auto& c : cases) {
    window.events.clear();
    window.reportLines.clear();
    window.statuses.clear();
    TheFlags().startHidden = c.startHidden;
    EXPECT_EQ(ConvertNmeaFile(folder_.Write("f.nmea", c.input)), c.records) << c.name;
    EXPECT_EQ(window.reportLines, c.report) << c.name;
    EXPECT_EQ(window.StatusText(), c.status) << c.name;
    EXPECT_EQ(static_cast<int>(window.statuses.size()), 2 + c.progressTexts) << c.name;
    const bool shown =
        std::find(window.events.begin(), window.events.end(), "show report") != window.events.end();
    EXPECT_EQ(shown, c.reportShown) << c.name;
    std::string expected = c.input;
    for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
      expected.insert(at, "\r");
    EXPECT_EQ(ReadBytes(folder_.File("f_g.nmea")), expected) << c.name;
  }
}

TEST_F(NmeaFileTest, WritesCrLfLineEndsWhateverTheInputHad) {
  const std::string path = folder_.Write("t.txt", "a\rb\n\rc\r\n\r\nd\n\n");
  EXPECT_EQ(ConvertNmeaFile(path), 0);
  EXPECT_EQ(ReadBytes(folder_.File("t_g.txt")), "a\r\nb\r\nc\r\nd\r\n");
}

TEST_F(NmeaFileTest, NamesTheOutputBesideTheInput) {
  const struct {
    const char* input;
    const char* postfix;
    const char* output;
  } cases[] = {
      {"/logs/day1.nmea", "_g", "/logs/day1_g.nmea"},
      {"/logs/day1.NMEA", "_g", "/logs/day1_g.NMEA"},
      {"/logs/day1", "_g", "/logs/day1_g"},
      {"/logs.v1/day1", "_g", "/logs.v1/day1_g"},
      {"/logs/a.b.nmea", "-geoid", "/logs/a.b-geoid.nmea"},
      {"day1.nmea", "", "day1.nmea"},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputPathFor(c.input, c.postfix), c.output) << c.input;
  EXPECT_EQ(FileNameOf("/logs.v1/day1.nmea"), "day1.nmea");
  EXPECT_EQ(FileNameOf("day1"), "day1");
}

TEST_F(NmeaFileTest, RefusesFilesItCannotOpenOrCreate) {
  const std::string input = kGga + "\n";
  const std::string in = folder_.Write("in.nmea", input);
  const std::string out = folder_.File("in_g.nmea");
  const struct {
    const char* name;
    std::function<std::string()> prepare;  // gives the input path
    std::vector<std::string> report;
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
    int result = -1;
  } cases[] = {
      {"UTF-16 log, refused before its output is made",
       [&] {
         std::string utf16 = "\xFF\xFE";
         for (char c : input) utf16 += std::string{c, '\0'};
         return folder_.Write("u16.nmea", utf16);
       },
       {"  UTF-16 NMEA log file : u16.nmea"},
       {},
       {"  UTF-16 NMEA log file : u16.nmea"},
       -2},
      {"missing input",
       [&] { return folder_.File("missing.nmea"); },
       {"  Can not open: missing.nmea"},
       {},
       {"  Can not open: missing.nmea"}},
      {"output path is a folder",
       [&] {
         std::filesystem::create_directory(out);
         return in;
       },
       {"  Can't create: " + out + ": " + platform::ErrorText(EISDIR)},
       {"Can't create: " + out + ": " + platform::ErrorText(EISDIR)},
       {}},
      {"output is the input through a link",
       [&] {
         if (ORTHELEV_POSIX_ONLY_CASE("the output a symbolic link to the input"))
           std::filesystem::create_symlink(in, out);
         else
           std::filesystem::create_hard_link(in, out);  // the same refusal
         return in;
       },
       {"  Can't create: " + out},
       {"Can't create: " + out},
       {}},
      {"output is the input through a hard link",
       [&] {
         std::filesystem::create_hard_link(in, out);
         return in;
       },
       {"  Can't create: " + out},
       {"Can't create: " + out},
       {}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(out);
    TheSettings().postfix = "_g";
    window.reportLines.clear();
    window.messages.clear();
    window.statuses.clear();
    EXPECT_EQ(ConvertNmeaFile(c.prepare()), c.result) << c.name;
    EXPECT_EQ(window.reportLines, c.report) << c.name;
    EXPECT_EQ(window.messages, c.messages) << c.name;
    EXPECT_EQ(window.statuses, c.statuses) << c.name;
    EXPECT_EQ(ReadBytes(in), input) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.File("missing_g.nmea")));
  EXPECT_FALSE(std::filesystem::exists(folder_.File("u16_g.nmea")));
}

TEST_F(NmeaFileTest, ReportsAReadErrorAsCannotOpenAndClosesBoth) {
  // Reading /proc/self/mem from offset 0 fails after a good open.
  ORTHELEV_POSIX_ONLY("a file that opens and then fails to read (/proc/self/mem)");
  const std::string in = folder_.File("mem.nmea");
  std::filesystem::create_symlink("/proc/self/mem", in);
  EXPECT_EQ(ConvertNmeaFile(in), -1);
  EXPECT_THAT(window.reportLines, ElementsAre(" NMEA: mem.nmea", "  Can not open: mem.nmea"));
  EXPECT_EQ(window.StatusText(), "  Can not open: mem.nmea");
  EXPECT_TRUE(window.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(folder_.File("mem_g.nmea")));
  EXPECT_TRUE(testing::NoHiddenFiles(folder_.Path()));
}

TEST_F(NmeaFileTest, ReportsAWriteErrorAsCannotCreateAndKeepsTheInput) {
  ORTHELEV_NEEDS_FILE_SIZE_LIMIT();
  std::string input;
  for (int i = 0; i < 5000; ++i) input += kGga + "\n";
  const std::string in = folder_.Write("big.nmea", input);
  const std::string out = folder_.Write("big_g.nmea", "an earlier output");
  std::int32_t result;
  {
    testing::FileSizeLimit limit(100000);  // the disk is full after 100000 bytes
    result = ConvertNmeaFile(in);
  }
  EXPECT_EQ(result, -1);
  // The system tells why; an earlier output and the input stay as they were.
  const std::string text = "Can't create: " + out + ": " + platform::ErrorText(EFBIG);
  EXPECT_THAT(window.reportLines, ElementsAre(" NMEA: big.nmea", "  " + text));
  EXPECT_THAT(window.messages, ElementsAre(text));
  EXPECT_EQ(ReadBytes(in), input);
  EXPECT_EQ(ReadBytes(out), "an earlier output");
  EXPECT_TRUE(testing::NoHiddenFiles(folder_.Path()));
}

TEST_F(NmeaFileTest, StopsAtAProgressPointOnceEscIsPressed) {
  std::string input = "header\n";
  for (int i = 0; i < 5000; ++i) input += kGga + "\n";
  const std::string in = folder_.Write("long.nmea", input);
  const struct {
    int pressAtProgress;  // the n-th progress text, counting from 1
    int records;
    bool earlierOutput;
  } cases[] = {{1, 0, false}, {2, 1024, true}, {3, 2048, false}, {5, 4096, true}};
  for (const auto& c : cases) {
    const std::string out = folder_.File("long_g.nmea");
    std::filesystem::remove(out);
    if (c.earlierOutput) folder_.Write("long_g.nmea", "an earlier output");
    TheFlags().abortRequested = false;
    window.reportLines.clear();
    window.SetStatusText("");
    int progress = 0;
    window.onPendingEvents = [&] {
      if (window.StatusText().find("NMEA file (") != std::string::npos &&
          ++progress == c.pressAtProgress)
        TheFlags().abortRequested = true;
    };
    EXPECT_EQ(ConvertNmeaFile(in), c.records);
    EXPECT_THAT(window.reportLines,
                ElementsAre(" NMEA: long.nmea", "  Stopped, no output written : long.nmea"));
    EXPECT_EQ(window.StatusText().find("Read:"), std::string::npos);
    // No output is written, and an earlier one stays as it was.
    EXPECT_EQ(std::filesystem::exists(out), c.earlierOutput) << c.pressAtProgress;
    if (c.earlierOutput) {
      EXPECT_EQ(ReadBytes(out), "an earlier output");
    }
    EXPECT_TRUE(testing::NoHiddenFiles(folder_.Path()));
  }
}

// Sentences that receivers write straight behind bytes of another protocol
// or before another sentence: each is examined on its own, up to the next
// "$", and corrected when its checksum holds; the bytes around it are kept.
TEST_F(NmeaFileTest, CorrectsEachGluedSentenceWhoseChecksumHolds) {
  const struct {
    const char* what;
    std::string in, out;
    int records, corrected;
  } cases[] = {
      {"binary + GGA", kBinary + kGga, kBinary + kGgaOut, 1, 1},
      {"binary + GNS", kBinary + kGns, kBinary + kGnsOut, 1, 1},
      {"text + GGA", "garbage text " + kGga, "garbage text " + kGgaOut, 1, 1},
      {"cut GSV + GGA", kCutGsv + kGga, kCutGsv + kGgaOut, 1, 1},
      {"cut GGA + GGA", kGga.substr(0, 30) + kGga, kGga.substr(0, 30) + kGgaOut, 1, 1},
      {"GGA + binary + GGA: the last", kGga + kBinary + kGga, kGga + kBinary + kGgaOut, 1, 1},
      {"GGA + GNS: both", kGga + kGns, kGgaOut + kGnsOut, 2, 2},
      {"GGA + unusable GGA: the first", kBinary + kGga + kGgaWrongSum,
       kBinary + kGgaOut + kGgaWrongSum, 1, 1},
      {"lower-case checksum", kBinary + kGns.substr(0, kGns.size() - 1) + "b", kBinary + kGnsOut, 1,
       1},
      // Not taken: no fields are read across a "$".
      {"wrong checksum", kBinary + kGgaWrongSum, kBinary + kGgaWrongSum, 0, 0},
      {"no checksum", kBinary + kGga.substr(0, kGga.size() - 3), "", 0, 0},
      {"checksum with one digit", kBinary + kGga.substr(0, kGga.size() - 1), "", 0, 0},
      {"trailing bytes after the checksum", kBinary + kGga + "x", "", 0, 0},
      {"GGA cut short before the next sentence, neither signed",
       kGga.substr(0, 46) + "$GNGSA,A,3,79.1518,M,39.200,M,,", "", 0, 0},
      {"two address fields run together", Signed("$BDGGA$GNGNS" + Fields(kGns)), "", 0, 0},
      {"address without fields", kBinary + Signed("$GPGGA"), "", 1, 0},
      {"lower-case address", kBinary + Signed("$gpgga" + Fields(kGga)), "", 0, 0},
      // Ordinary lines: as before.
      {"ordinary GGA", kGga, kGgaOut, 1, 1},
      {"ordinary GGA, wrong checksum", kGgaWrongSum, kGgaWrongSum, 1, 0},
      {"ordinary GSV", Signed(kCutGsv + "39"), "", 0, 0},
      {"blank before the sentence", " " + kGga, " " + kGgaOut, 1, 1},
      {"binary alone", kBinary, "", 0, 0},
      {"empty", "", "", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NmeaCounters counters;
    std::string line = c.in;
    CorrectNmeaLine(line, counters);
    EXPECT_EQ(line, c.out.empty() ? c.in : c.out);
    EXPECT_EQ(counters.records, c.records);
    EXPECT_EQ(counters.corrected, c.corrected);
  }
}

TEST_F(NmeaFileTest, GluedSentencesOfALogAreCorrectedAndCounted) {
  const std::string input = Signed(kCutGsv + "39") + "\r\n" + kBinary + kGga + "\r\n" + kCutGsv +
                            kGns + "\r\n" + kBinary + kGgaWrongSum + "\r\n" + kGga + "\r\n";
  const std::string path = folder_.Write("l76k.nmea", input);
  EXPECT_EQ(ConvertNmeaFile(path), 3);
  EXPECT_EQ(ReadBytes(OutputPathFor(path, "_g")),
            Signed(kCutGsv + "39") + "\r\n" + kBinary + kGgaOut + "\r\n" + kCutGsv + kGnsOut +
                "\r\n" + kBinary + kGgaWrongSum + "\r\n" + kGgaOut + "\r\n");
  EXPECT_EQ(window.reportLines,
            (std::vector<std::string>{" NMEA: l76k.nmea", "    3 records",
                                      "    Heights read as altitude + geoid separation",
                                      "    Geoid diff.  2.4919m"}));
}

// A UBX packet may carry NMEA text in its payload; a packet is delivered
// whole and no byte of it changes, whatever it holds.
TEST_F(NmeaFileTest, SentencesInsideABinaryPacketAreLeftAlone) {
  const std::string packet = testing::UbxPacket(0xF1, 0x41, kGga + "\r\n");
  const std::string input = kGga + "\r\n" + packet + "cut text " + kGga + "\r\n";
  const std::string path = folder_.Write("ubx.nmea", input);
  EXPECT_EQ(ConvertNmeaFile(path), 2);
  EXPECT_EQ(ReadBytes(OutputPathFor(path, "_g")),
            kGgaOut + "\r\n" + packet + "\r\n" + "cut text " + kGgaOut + "\r\n");
}

}  // namespace
}  // namespace orthelev
