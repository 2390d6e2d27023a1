#include "conversion/csv_conversion.hpp"

#ifdef _WIN32
#include <io.h>  // _get_osfhandle
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/conversion_state.hpp"
#include "csv_test_files.hpp"
#include "flags/program_flags.hpp"
#include "platform/platform.hpp"
#include "support/binary_packets.hpp"
#include "support/file_size_limit.hpp"
#include "support/posix_only.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;
using testing::ReadBytes;
using testing::SyntheticGrid;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr double kModelN = 36.9123;

TEST(ReplaceCsvColumn, ReplacesTheLeadingNumberOnly) {
  struct Case {
    std::string line;
    double value;
    std::int32_t column;
    int decimals;
    std::string expected;
  } cases[] = {
      {"a,100.0,b", 5, 2, 4, "a,5.0000,b"},
      {" ,  100.0 m,x", 63.0877, 2, 4, " ,63.0877 m,x"},
      {"a,\"100.0\",b", 63.0877, 2, 4, "a,63.0877\"100.0\",b"},
      {"a", 63.0877, 3, 4, "a,,63.0877"},
      {"a,b,", -36.9123, 3, 4, "a,b,-36.9123"},
      {"", 63.0877, 2, 4, ""},
      {"100,a", 63.0877, 1, 2, "63.09,a"},
      {" x,1", 1, 1, 1, "1.0x,1"},
      {"a,-1.5e3,b", 2, 2, 4, "a,2.0000e3,b"},
      {"a,\xE9\x31\x32,b", 2, 2, 1, "a,2.0\xE9\x31\x32,b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReplaceCsvColumn(c.line, c.value, c.column, c.decimals), c.expected) << c.line;
}

class CsvConversionTest : public CsvFixture {
 protected:
  void SetUp() override {
    CsvFixture::SetUp();
    // A constant model over 30..40 N, 130..140 E.
    OpenModel(SyntheticGrid{30, 130, 0.05, 0.05, 201, 201}, [](double, double) { return kModelN; });
  }

  std::string Path(const std::string& name) const { return folder_.File(name); }
  std::string Output(const std::string& name) const { return ReadBytes(OutputOf(Path(name))); }
  bool OutputExists(const std::string& name) const { return fs::exists(OutputOf(Path(name))); }
  std::int32_t Convert(const std::string& name, const std::string& bytes) {
    return ConvertCsvFile(Write(name, bytes));
  }
};

// SiRF framing (A0 A2, length, payload, checksum, B0 B3) around CSV-like text.
const std::string kSirfPacket = testing::SirfPacket(",1,35.5,139.5,77,9\r\n");

TEST_F(CsvConversionTest, RewritesHeightAndGeoid) {
  const std::string kGeoidHeader = "DATE,LATITUDE,LONGITUDE,HEIGHT,Geoid\r\n";
  const std::string kHeader = "DATE,LATITUDE,LONGITUDE,HEIGHT\r\n";
  struct Case {
    std::string decimal, input, output;
  } cases[] = {
      {"4", kGeoidHeader + "2012/05/01,35.5,139.5,100.0,36.7\r\n",
       kGeoidHeader + "2012/05/01,35.5,139.5,99.7877,36.9123\r\n"},
      {"4", kHeader + "2012/05/01,35.5,139.5,100.0\r\n",
       kHeader + "2012/05/01,35.5,139.5,63.0877\r\n"},
      {"4", kHeader + "2012/05/01,35.5,139.5,100.0 m\n",
       kHeader + "2012/05/01,35.5,139.5,63.0877 m\r\n"},
      {"4", kHeader + "2012/05/01,35.5,139.5,\"100.0\",x\n",
       kHeader + "2012/05/01,35.5,139.5,63.0877\"100.0\",x\r\n"},
      {"4", kHeader + "2012/05/01,35.5,139.5\r\n", kHeader + "2012/05/01,35.5,139.5,-36.9123\r\n"},
      {"4", "DATE,LATITUDE,LONGITUDE,X,HEIGHT\r\n2012/05/01,35.5,139.5\r\n",
       "DATE,LATITUDE,LONGITUDE,X,HEIGHT\r\n2012/05/01,35.5,139.5,,-36.9123\r\n"},
      {"2", kHeader + "2012/05/01,35.5,139.5,100.0\r\n",
       kHeader + "2012/05/01,35.5,139.5,63.09\r\n"},
      {"1", kGeoidHeader + "a,35.5,139.5,100.0,36.7\r\n",
       kGeoidHeader + "a,35.5,139.5,99.8,36.9\r\n"},
      // Title lines and records keep every byte; empty lines vanish; line ends become CR LF.
      {"4",
       "Track \x83\x65\x83\x58\x83\x67\r\n\r\nLAT,LON,HEIGHT,NAME\n\n35.5,139.5,100,Z\xFCrich\r"
       "35.5,139.5,100,\xE6\x9D\xB1\xE4\xBA\xAC\n",
       "Track \x83\x65\x83\x58\x83\x67\r\nLAT,LON,HEIGHT,NAME\r\n35.5,139.5,63.0877,Z\xFCrich\r\n"
       "35.5,139.5,63.0877,\xE6\x9D\xB1\xE4\xBA\xAC\r\n"},
      // The last line without a line break is converted too, also as the only record.
      {"4", kHeader + "a,35.5,139.5,100", kHeader + "a,35.5,139.5,63.0877\r\n"},
      {"4", kHeader + "a,35.5,139.5,100\r\nb,35.5,139.5,0",
       kHeader + "a,35.5,139.5,63.0877\r\nb,35.5,139.5,-36.9123\r\n"},
      // Outside the model, or without a position: copied unchanged.
      {"4", kHeader + "a,45.5,139.5,100\r\nb,N/A,139.5,100\r\n   \r\nc,35.5,,100\r\n",
       kHeader + "a,45.5,139.5,100\r\nb,N/A,139.5,100\r\n   \r\nc,35.5,,100\r\n"},
      // Without a height column every record is copied unchanged.
      {"4", "LAT,LON,Geoid\r\n35.5,139.5,36.7\r\n", "LAT,LON,Geoid\r\n35.5,139.5,36.7\r\n"},
      {"4", "%  GPST,latitude(deg),longitude(deg),height(m)\r\n2012/05/01 1:2:3,35.5,139.5,100\r\n",
       "%  GPST,latitude(deg),longitude(deg),height(m)\r\n2012/05/01 1:2:3,35.5,139.5,63.0877\r\n"},
      {"4", "LAT,LON,HEIGHT\r\n", "LAT,LON,HEIGHT\r\n"},
      {"4", "LAT,LON,HEIGHT,x\0y\r\n35.5,139.5,1\0\0,\0\r\n"s,
       "LAT,LON,HEIGHT,x\0y\r\n35.5,139.5,-35.9123\0\0,\0\r\n"s},
      // A binary packet the reader delivers at the end of a line keeps every
      // byte, commas and numbers included; only the text before it is the record.
      {"4", kHeader + "a,35.5,139.5" + kSirfPacket + "\r\n" + kSirfPacket,
       kHeader + "a,35.5,139.5,-36.9123" + kSirfPacket + "\r\n" + kSirfPacket + "\r\n"},
  };
  for (const Case& c : cases) {
    TheSettings().decimal = c.decimal;
    Convert("track.csv", c.input);
    EXPECT_EQ(Output("track.csv"), c.output) << c.input;
  }
}

TEST_F(CsvConversionTest, ReportsTheSummary) {
  struct Case {
    std::string input;
    bool startHidden;
    std::int32_t result;
    Lines report;
    std::string lastStatus;
    bool reportShown;
  } cases[] = {
      {"DATE,LATITUDE,LONGITUDE,HEIGHT,Geoid\r\n2012/05/01,35.5,139.5,100.0,36.7\r\n",
       false,
       1,
       {" CSV: track.csv", "    1 records", "    Heights read as height + Geoid column",
        "    Geoid diff.  -0.2123m"},
       " track.csv  CSV file ...  Read:1rec.",
       false},
      // A record without a position is counted apart, not as outside the
      // model; one beyond a pole is outside.
      {"LAT,LON,HEIGHT\r\n35.5,139.5,100\r\n50,139.5,100\r\nN/A,1,1\r\n,,1\r\n95,139.5,1\r\n",
       false,
       5,
       {" CSV: track.csv", "    5 records", "    Number of records with no position = 2",
        "    Heights read as ellipsoidal (logger profile Default)", "    Geoid diff.  -36.9123m",
        "    Number of Geoid outside range = 2/3"},
       " track.csv  CSV file ...  Read:5rec.",
       true},
      {"LAT,LON,HEIGHT\r\n50,139.5,100\r\n",
       true,
       1,
       {" CSV: track.csv", "    1 records", "    Number of Geoid outside range = 1/1",
        "    Nothing corrected: no position inside the model"},
       " track.csv  CSV file ...  Read:1rec.",
       false},
      {"LAT,LON\r\n35.5,139.5\r\n35,139\r\n",
       false,
       2,
       {" CSV: track.csv", "    2 records", "    Geoid diff.  0.0000m",
        "    Nothing corrected: no height column (its name is in no list of [CSVitem] Height)"},
       " track.csv  CSV file ...  Read:2rec.",
       false},
      {"LAT,LON,HEIGHT\r\n",
       false,
       0,
       {" CSV: track.csv", "    0 records", "    Nothing corrected: no records"},
       " track.csv  CSV file ...  Read:0rec.",
       false},
  };
  for (const Case& c : cases) {
    window.reportLines.clear();
    window.events.clear();
    TheFlags().startHidden = c.startHidden;
    EXPECT_EQ(Convert("track.csv", c.input), c.result) << c.input;
    EXPECT_EQ(window.reportLines, c.report) << c.input;
    EXPECT_EQ(window.StatusText(), c.lastStatus) << c.input;
    const bool shown =
        std::find(window.events.begin(), window.events.end(), "show report") != window.events.end();
    EXPECT_EQ(shown, c.reportShown) << c.input;
    EXPECT_TRUE(window.messages.empty());
  }
}

// Descriptors open in this process, to see that every path closes its files.
std::size_t OpenDescriptors() {
#ifdef _WIN32
  std::size_t open = 0;
  for (int fd = 0; fd < 2048; ++fd) open += _get_osfhandle(fd) != -1;
  return open;
#else
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
#endif
}

TEST_F(CsvConversionTest, RefusesWhatItCannotConvert) {
  const std::string wintec =
      "Order,Date Created,Lat,Lon,Bearing,Elevation,Distance from Start,Distance from Last\r\n"
      "1,2012/05/01,35.5,139.5,0,100,0,0\r\n";
  std::string noCommas;
  for (int k = 0; k < 40; ++k) noCommas += "2023/07/11 06:04:32.000   35.165360854  136.881\n";
  struct Case {
    std::string name, input;  // no input: the file does not exist
    std::int32_t result;
    Lines statuses, report;
  } cases[] = {
      {"missing.csv", "", -1, {"  Can not open: missing.csv"}, {"  Can not open: missing.csv"}},
      {"empty.csv",
       "",
       -2,
       {"  Unknown CSV log file : empty.csv"},
       {"  Unknown CSV log file : empty.csv"}},
      {"rover.pos",
       noCommas + "LAT,LON\r\n",
       -2,
       {"  Unknown CSV log file : rover.pos"},
       {"  Unknown CSV log file : rover.pos"}},
      {"wintec.csv",
       wintec,
       -2,
       {"  MSL input without Geoid : wintec.csv"},
       {"  MSL input without Geoid : wintec.csv"}},
      {"v900.csv",
       "INDEX,TAG,DATE,TIME,LATITUDE N/S,LONGITUDE E/W,HEIGHT,SPEED,HEADING,VOX\r\n"
       "1,T,090404,063510,35.5N,139.5E,100,0,0,\r\n",
       -2,
       {"  MSL input without Geoid : v900.csv"},
       {"  MSL input without Geoid : v900.csv"}},
      {"gpst.csv",
       "GPST,LAT,LON,HEIGHT\r\n1687 3456.000,35.5,139.5,100\r\n",
       -1,
       {},
       {" CSV: gpst.csv"}},
  };
  const std::size_t descriptors = OpenDescriptors();
  for (const Case& c : cases) {
    window.statuses.clear();
    window.reportLines.clear();
    TheConversion().dateTimeFormatError = false;
    if (c.name != "missing.csv") Write(c.name, c.input);
    EXPECT_EQ(ConvertCsvFile(Path(c.name)), c.result) << c.name;
    EXPECT_EQ(window.statuses, c.statuses) << c.name;
    EXPECT_EQ(window.reportLines, c.report) << c.name;
    EXPECT_FALSE(OutputExists(c.name)) << c.name;
    EXPECT_EQ(OpenDescriptors(), descriptors) << c.name;
  }
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(TheConversion().dateTimeFormatError);
}

TEST_F(CsvConversionTest, LaterBadDatesOnlySetTheFlag) {
  EXPECT_EQ(Convert("gpst.csv",
                    "GPST,LAT,LON,HEIGHT\r\n2012/05/01,35.5,139.5,100\r\n"
                    "1687 3456.000,35.5,139.5,100\r\n"),
            2);
  EXPECT_TRUE(TheConversion().dateTimeFormatError);
  EXPECT_EQ(Output("gpst.csv"),
            "GPST,LAT,LON,HEIGHT\r\n2012/05/01,35.5,139.5,63.0877\r\n"
            "1687 3456.000,35.5,139.5,63.0877\r\n");
}

TEST_F(CsvConversionTest, UnreadableLog) {
  ORTHELEV_POSIX_ONLY("a file that opens and then fails to read (/proc/self/mem)");
  if (!fs::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
  // Opens, then fails its first read.
  EXPECT_EQ(ConvertCsvFile("/proc/self/mem"), -1);
  EXPECT_EQ(window.statuses, Lines{"  Can not open: mem"});
  EXPECT_EQ(window.reportLines, Lines{"  Can not open: mem"});
}

TEST_F(CsvConversionTest, NeverOverwritesItsInput) {
  const std::string input = "LAT,LON,HEIGHT\r\n35.5,139.5,100\r\n";
  const std::string isAFolder = platform::ErrorText(EISDIR);
  struct Case {
    std::string postfix;
    void (*prepare)(const fs::path& input, const fs::path& output);
    bool symbolicLink = false;
    const std::string* reason = nullptr;  // the system's, when it gives one
  } cases[] = {
      {"_g", [](const fs::path& in, const fs::path& out) { fs::create_symlink(in, out); }, true},
      {"_g", [](const fs::path& in, const fs::path& out) { fs::create_hard_link(in, out); }},
      {"_g", [](const fs::path&, const fs::path& out) { fs::create_directory(out); }, false,
       &isAFolder},
  };
  const std::size_t descriptors = OpenDescriptors();
  for (const Case& c : cases) {
    if (c.symbolicLink && !ORTHELEV_POSIX_ONLY_CASE("the output a symbolic link to the input"))
      continue;
    window.statuses.clear();
    window.reportLines.clear();
    window.messages.clear();
    TheSettings().postfix = c.postfix;
    const std::string path = Write("track.csv", input);
    const std::string outputPath = OutputOf(path);
    if (outputPath != path) fs::remove_all(outputPath);
    c.prepare(path, outputPath);
    EXPECT_EQ(ConvertCsvFile(path), -1) << outputPath;
    EXPECT_EQ(ReadBytes(path), input) << outputPath;
    const std::string text = "Can't create: " + outputPath + (c.reason ? ": " + *c.reason : "");
    EXPECT_EQ(window.statuses, Lines{" track.csv  CSV file ..."});
    EXPECT_EQ(window.reportLines, (Lines{" CSV: track.csv", "  " + text}));
    EXPECT_EQ(window.messages, Lines{text});
    EXPECT_EQ(OpenDescriptors(), descriptors) << outputPath;
  }
}

// 30-byte records after a 16-byte header line, with the given height text.
std::string FixedRecords(int count, const std::string& height = "100.000") {
  std::string text = "LAT,LON,HEIGHT\r\n";
  for (int k = 0; k < count; ++k) text += "35.500000,139.500000," + height + "\r\n";
  return text;
}

TEST_F(CsvConversionTest, WriteFailureStopsAndCloses) {
  ORTHELEV_NEEDS_FILE_SIZE_LIMIT();
  const std::string path = Write("big.csv", FixedRecords(20000));
  const std::string outputPath = Write("big_g.csv", "an earlier output");
  const std::size_t descriptors = OpenDescriptors();
  std::int32_t result = 0;
  {
    testing::FileSizeLimit limit(100000);  // bytes a file may grow to
    ASSERT_TRUE(limit.Active());
    result = ConvertCsvFile(path);
  }

  EXPECT_EQ(result, -1);
  const std::string text = "Can't create: " + outputPath + ": " + platform::ErrorText(EFBIG);
  EXPECT_EQ(window.reportLines, (Lines{" CSV: big.csv", "  " + text}));
  EXPECT_EQ(window.messages, Lines{text});
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(ReadBytes(path), FixedRecords(20000));
  EXPECT_EQ(ReadBytes(outputPath), "an earlier output");
  EXPECT_TRUE(testing::NoHiddenFiles(folder_.Path()));
}

TEST_F(CsvConversionTest, ShowsProgressEvery1024Records) {
  EXPECT_EQ(Convert("a.csv", FixedRecords(3000)), 3000);
  // After record k the reader has taken 16 + 30 k - 1 bytes, in whole
  // 2048-byte blocks: 32768 of 90016 bytes at 1024, 63488 at 2048.
  EXPECT_EQ(window.statuses,
            (Lines{" a.csv  CSV file ...", " a.csv  CSV file (36.4%)", " a.csv  CSV file (70.5%)",
                   " a.csv  CSV file (70.5%)  Read:3000rec."}));
  EXPECT_EQ(window.pendingEventCalls, 4);  // start, two progress points, end
}

TEST_F(CsvConversionTest, EscStopsAtTheNextProgressPoint) {
  struct Case {
    int abortAtCall;  // the ProcessPendingEvents call during which Esc is pressed
    std::int32_t records;
  } cases[] = {{1, 0}, {2, 1024}, {3, 2048}};
  for (const Case& c : cases) {
    window.reportLines.clear();
    window.statuses.clear();
    TheFlags().abortRequested = false;
    int calls = 0;
    window.onPendingEvents = [&] {
      if (++calls == c.abortAtCall) TheFlags().abortRequested = true;
    };
    EXPECT_EQ(Convert("a.csv", FixedRecords(3000)), c.records);
    EXPECT_FALSE(OutputExists("a.csv")) << c.abortAtCall;
    EXPECT_EQ(window.reportLines, (Lines{" CSV: a.csv", "  Stopped, no output written : a.csv"}))
        << c.abortAtCall;
    EXPECT_EQ(window.statuses.size(), static_cast<std::size_t>(c.abortAtCall));
  }
}

}  // namespace
}  // namespace orthelev
