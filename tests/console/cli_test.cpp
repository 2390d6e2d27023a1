// orthelev-cli run as a separate process on a temporary data folder.

#include "console/cli.hpp"

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "ini/profile_file.hpp"
#include "platform/platform.hpp"
#include "support/environment.hpp"
#include "support/folder_entries.hpp"
#include "support/grid_writer.hpp"
#include "support/nmea_text.hpp"
#include "support/posix_only.hpp"
#include "support/run_program.hpp"
#include "support/temp_dir.hpp"
#include "support/xml_check.hpp"

namespace orthelev {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out, err;
};

// The EGM2008 2.5' nodes around Tokyo hold a plane, so that every
// interpolation (spline or bilinear) gives the plane's value exactly.
double Plane(double row, double column) {
  return 36 + 0.001 * (row - 1300) + 0.002 * (column - 3350);
}
double PlaneAt(double lat, double lon) { return Plane((90 - lat) * 24, lon * 24); }

// The console's text with "\n" line ends: on Windows the standard streams
// are in text mode and end lines with CR LF, as Windows programs do.
std::string ConsoleText(std::string text) {
#ifdef _WIN32
  std::string lf;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  text = lf;
#endif
  return text;
}

class CliProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteSparseEgm25(data.File("Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE"), 1280,
                              1330, 3330, 3380, [](int r, int c) { return float(Plane(r, c)); });
    WriteBytes(data.File("gsigeo2011_ver2_2.asc"),
               "35 139 0.5 0.5 3 3 1 test grid\n"
               "1 2 3\n4 5 6\n7 8 9\n");
    WriteBytes(logs.File("bump.cdat"),
               testing::CustomGridBytes(11, 11, 30, 134, 1, 1, [](int r, int c) {
                 return r == 5 && c == 5 ? 45.0f : 40.0f;
               }));
    ini = logs.File("orthelev.ini");
  }
  CliRun Invoke(const std::vector<std::string>& arguments) {
    const int status =
        testing::RunProgram(ORTHELEV_CLI_PATH, arguments, logs.File("stdout"), logs.File("stderr"));
    return {status, ConsoleText(ReadBytes(logs.File("stdout"))),
            ConsoleText(ReadBytes(logs.File("stderr")))};
  }
#ifndef _WIN32
  // Runs the program with its standard input read from the file `input`.
  CliRun InvokeReading(const std::vector<std::string>& arguments, const std::string& input) {
    std::string command = testing::ShellQuoted(ORTHELEV_CLI_PATH);
    for (const std::string& a : arguments) command += " " + testing::ShellQuoted(a);
    command += " < " + testing::ShellQuoted(input) + " > " +
               testing::ShellQuoted(logs.File("stdout")) + " 2> " +
               testing::ShellQuoted(logs.File("stderr"));
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(logs.File("stdout")),
            ReadBytes(logs.File("stderr"))};
  }
#endif
  std::vector<std::string> Base() { return {"--ini", ini, "--data-dir", data.Path().string()}; }
  std::vector<std::string> With(std::vector<std::string> extra) {
    std::vector<std::string> all = Base();
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }
  TempDir data, logs;
  std::string ini;
};

std::vector<std::string> Fields(const std::string& line) { return testing::SplitAtCommas(line); }

TEST_F(CliProcess, ConvertsNmeaAndCsvWithTheEgmModel) {
  const double lat = 35 + 40.63 / 60, lon = 139 + 44.8717 / 60;
  WriteBytes(logs.File("a.nmea"),
             testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,") +
                 "\r\n$GPRMC,unchanged\r\n");
  WriteBytes(logs.File("b.csv"), "LATITUDE,LONGITUDE,HEIGHT\r\n35.6,139.7,100.0\r\n");
  const CliRun run = Invoke(With({"convert", logs.File("a.nmea"), logs.File("b.csv")}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind(" Geoid model: EGM2008 2.5'x2.5'\n\n NMEA: a.nmea\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find(" CSV: b.csv"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(" 1 records done."), std::string::npos) << run.err;

  const std::string nmea = ReadBytes(logs.File("a_g.nmea"));
  const std::vector<std::string> gga = Fields(nmea.substr(0, nmea.find("\r\n")));
  ASSERT_GE(gga.size(), 12u);
  const double n = PlaneAt(lat, lon);
  EXPECT_NEAR(std::stod(gga[11]), n, 0.00006);
  EXPECT_NEAR(std::stod(gga[9]) + std::stod(gga[11]), 89.0, 0.0002);
  EXPECT_NE(nmea.find("\r\n$GPRMC,unchanged\r\n"), std::string::npos);

  const std::string csv = ReadBytes(logs.File("b_g.csv"));
  const std::string record = csv.substr(csv.find("\r\n") + 2);
  const std::vector<std::string> items = Fields(record.substr(0, record.find("\r\n")));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_NEAR(std::stod(items[2]), 100.0 - PlaneAt(35.6, 139.7), 0.00006);
  EXPECT_FALSE(fs::exists(ini));  // the console front end writes no settings
}

TEST_F(CliProcess, DrawsProfilesAndTheCoverageAsSvg) {
  WriteBytes(
      logs.File("a.nmea"),
      testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,") + "\r\n");
  const std::string folder = logs.File("profiles");
  fs::create_directory(folder);
  const CliRun converted = Invoke(With({"convert", "--profile", folder, logs.File("a.nmea")}));
  EXPECT_EQ(converted.status, 0) << converted.err;
  const std::string svg = ReadBytes(folder + "/a.nmea.profile.svg");
  EXPECT_EQ(testing::XmlProblem(svg), "");
  EXPECT_NE(svg.find("<polyline class=\"read\""), std::string::npos);
  EXPECT_EQ(ReadBytes(folder + "/a.nmea.profile.csv").substr(0, 13), "first_record,");

  const CliRun drawn =
      Invoke(With({"models", "--picture", logs.File("egm.svg"), "EGM2008 2.5'x2.5'"}));
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  const std::string coverage = ReadBytes(logs.File("egm.svg"));
  EXPECT_EQ(testing::XmlProblem(coverage), "");
  EXPECT_NE(coverage.find("<title>Coverage: EGM2008 2.5'x2.5'</title>"), std::string::npos);

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"convert", "--profile"},
        {"convert", "--profile", logs.File("none"), logs.File("a.nmea")},
        {"models", "--picture", logs.File("b.svg"), "EGM2008 2.5'x2.5'", "extra"}})
    EXPECT_EQ(Invoke(With(wrong)).status, 2) << wrong[1];
}

TEST_F(CliProcess, ChecksAPointAsTheCheckBoxWould) {
  const double lat = 35.677166666666665, lon = 139.74786111111112;
  CliRun run = Invoke(With({"check", "35 40 37.8", "139 44 52.3"}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, FormatFixed(PlaneAt(lat, lon), 4, 6) + "\n");

  run =
      Invoke({"--ini", ini, "--custom", logs.File("bump.cdat"), "check", "--", "-33.86", "151.21"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Out of range.\n");
  run = Invoke({"--ini", ini, "--custom", logs.File("bump.cdat"), "check", "S 33 51", "E 151 12"});
  EXPECT_EQ(run.out, "Out of range.\n");

  const CliRun spline =
      Invoke({"--ini", ini, "--custom", logs.File("bump.cdat"), "check", "35.3", "139.3"});
  const CliRun bilinear = Invoke(
      {"--ini", ini, "--custom", logs.File("bump.cdat"), "--bilinear", "check", "35.3", "139.3"});
  EXPECT_EQ(bilinear.out, "42.4500\n");  // 40 + 5 * 0.7 * (1 - 0.3), interpolated by hand
  EXPECT_NE(spline.out, bilinear.out);
}

TEST_F(CliProcess, GsigeoGridIsConvertedOnceAndItsGeometryKept) {
  WriteBytes(logs.File("c.csv"), "LATITUDE,LONGITUDE,HEIGHT\r\n35.5,139.5,10.0\r\n");
  CliRun run =
      Invoke(With({"--model", "gsigeo 2011 VER2.2", "--quiet", "convert", logs.File("c.csv")}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(fs::exists(data.File("gsigeo2011_ver2_2.asc.dat")));
  ProfileFile file;
  ASSERT_TRUE(file.Load(ini));
  EXPECT_EQ(file.Encoding(), ProfileEncoding::Utf16Le);
  EXPECT_EQ(file.Find("GSI", "nrows"), "3");
  EXPECT_EQ(file.Find("GSI", "glomn"), "139");
  EXPECT_EQ(file.Find("GSI", "dgla"), "0.5");
  EXPECT_FALSE(file.HasSection("Option"));

  // The next run opens the companion with that geometry: node (1, 1) holds 5.
  fs::remove(data.File("gsigeo2011_ver2_2.asc"));
  run = Invoke(With({"--model", "GSIGEO 2011 ver2.2", "check", "35.5", "139.5"}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "5.0000\n");
}

TEST_F(CliProcess, AGsigeoGeometryThatCannotBeSavedIsAnError) {
  WriteBytes(logs.File("c.csv"), "LATITUDE,LONGITUDE,HEIGHT\r\n35.5,139.5,10.0\r\n");
  const std::string unwritable = logs.File("c.csv") + "/orthelev.ini";  // below a plain file
  const CliRun run = Invoke({"--ini", unwritable, "--data-dir", data.Path().string(), "--model",
                             "GSIGEO 2011 ver2.2", "--quiet", "convert", logs.File("c.csv")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(testing::Slashed(run.err), "Error: the GSIGEO grid geometry could not be saved in " +
                                           testing::Slashed(unwritable) +
                                           "; the next run cannot read the converted grid\n");
  EXPECT_TRUE(fs::exists(logs.File("c_g.csv")));
}

// A log in a folder whose name is not ASCII: the name reaches the program
// and every file it opens or writes as it was typed (on Windows as wide
// characters), and the report names it in UTF-8.
TEST_F(CliProcess, ConvertsALogUnderAJapaneseFolderName) {
  const std::string folder = logs.File("\u6e2c\u4f4d\u30ed\u30b0");  // 測位ログ
  fs::create_directory(platform::PathOf(folder));
  const std::string log = folder + "/\u6771\u4eac.nmea";  // 東京.nmea
  const std::string gga =
      testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,");
  WriteBytes(log, gga + "\r\n");
  const CliRun run = Invoke(With({"convert", log}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(" NMEA: \u6771\u4eac.nmea\n"), std::string::npos) << run.out;
  const std::string converted = ReadBytes(folder + "/\u6771\u4eac_g.nmea");
  const std::vector<std::string> fields = Fields(converted.substr(0, converted.find("\r\n")));
  ASSERT_GE(fields.size(), 12u) << converted;
  EXPECT_NEAR(std::stod(fields[11]), PlaneAt(35 + 40.63 / 60, 139 + 44.8717 / 60), 0.00006);
}

// The build without GDAL (Windows) imports the grids the program reads
// itself, and says why it cannot read others.
TEST_F(CliProcess, ImportWithoutGdalNamesWhatItReads) {
#ifdef ORTHELEV_WITH_GDAL
  GTEST_SKIP() << "this build reads rasters through GDAL";
#endif
  WriteBytes(logs.File("a.gtx"), std::string(80, '\0'));
  const CliRun run = Invoke({"import-grid", logs.File("a.gtx"), logs.File("b.cdat")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("it is none of the grids the program reads itself (ISG, GeographicLib "
                         ".pgm, EGM2008 raw, GSIGEO ASCII) and the GDAL module is missing (this "
                         "build has no GDAL)."),
            std::string::npos)
      << run.err;
}

TEST_F(CliProcess, InterruptActsLikeEsc) {
  ORTHELEV_POSIX_ONLY("Ctrl-C is sent as SIGINT by the shell");
#ifndef _WIN32
  const std::string line =
      testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,") + "\r\n";
  std::string log;
  log.reserve(line.size() * 800000);
  for (int i = 0; i < 800000; ++i) log += line;
  WriteBytes(logs.File("long.nmea"), log);
  WriteBytes(logs.File("next.nmea"), line);
  std::string command = testing::ShellQuoted(ORTHELEV_CLI_PATH);
  for (const std::string& a : With({"convert", logs.File("long.nmea"), logs.File("next.nmea")}))
    command += " " + testing::ShellQuoted(a);
  // Interrupt once the conversion has begun (its first report line is out).
  const std::string script = command + " > " + testing::ShellQuoted(logs.File("stdout")) + " 2> " +
                             testing::ShellQuoted(logs.File("stderr")) + " & pid=$!; " +
                             "for i in $(seq 200); do grep -q 'NMEA: long' " +
                             testing::ShellQuoted(logs.File("stdout")) +
                             " && break; sleep 0.01; done; " + "kill -INT $pid; wait $pid";
  const int raw = std::system(("bash -c " + testing::ShellQuoted(script)).c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  const std::string out = ReadBytes(logs.File("stdout"));
  EXPECT_GE(out.size(), 25u);
  EXPECT_EQ(out.substr(out.size() - 25), " *** Aborted by user ***\n") << out;
  // The stopped file leaves no output, not even a temporary one.
  EXPECT_NE(out.find("  Stopped, no output written : long.nmea\n"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(logs.File("long_g.nmea")));
  EXPECT_TRUE(testing::NoHiddenFiles(logs.Path()));
  EXPECT_FALSE(fs::exists(logs.File("next_g.nmea")));
#endif
}

// Under a file-size limit (ulimit -f) a write fails like one on a full disk:
// the program reports it and removes its temporary file, instead of being
// ended by SIGXFSZ with the temporary file left.
TEST_F(CliProcess, AFileSizeLimitFailsTheWriteAndLeavesNoTemporaryFile) {
  ORTHELEV_POSIX_ONLY("the shell's ulimit -f");
#ifndef _WIN32
  TempDir written;
  std::string gpx = "<gpx><trk><trkseg>\n";
  for (int i = 0; i < 3000; ++i) gpx += "<trkpt lat=\"35.6\" lon=\"139.7\"><ele>1</ele></trkpt>\n";
  WriteBytes(written.File("big.gpx"), gpx + "</trkseg></trk></gpx>\n");
  std::string grid = "30 130 0.1 0.1 100 100 1 test grid\n";  // 40 KB as a custom geoid
  for (int node = 0; node < 100 * 100; ++node) grid += node % 100 == 99 ? "40\n" : "40 ";
  WriteBytes(logs.File("big.asc"), grid);
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    const char* output;
  } cases[] = {
      {"GPX conversion", With({"convert", written.File("big.gpx")}), "big_g.gpx"},
      {"grid import", {"import-grid", logs.File("big.asc"), written.File("big.cdat")}, "big.cdat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string command = "ulimit -f 16; exec " + testing::ShellQuoted(ORTHELEV_CLI_PATH);
    for (const std::string& a : c.arguments) command += " " + testing::ShellQuoted(a);
    command += " > " + testing::ShellQuoted(logs.File("stdout")) + " 2>&1";
    const int raw = std::system(("bash -c " + testing::ShellQuoted(command)).c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw << ReadBytes(logs.File("stdout"));
    EXPECT_FALSE(fs::exists(written.File(c.output)));
    EXPECT_TRUE(testing::NoHiddenFiles(written.Path()));
  }
#endif
}

TEST_F(CliProcess, ImportsAGridAsACustomModel) {
  // The GSIGEO grid of the fixture, cut to its northern two rows and eastern two columns.
  const std::string cdat = logs.File("cut.cdat");
  CliRun run = Invoke(
      {"import-grid", data.File("gsigeo2011_ver2_2.asc"), cdat, "--region", "35.5,36,139.5,140"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string imported = ReadBytes(cdat);
  // The summary on standard output; no progress line when standard error is no terminal.
  EXPECT_NE(run.out.find("\n  2 rows x 2 columns, latitudes 35.5 to 36, longitudes 139.5 to 140 "
                         "degrees\n  spacing 0.5 x 0.5 degrees\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n  file size: " + FormatInt(static_cast<std::int64_t>(imported.size())) +
                         " bytes\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");
  run = Invoke({"--ini", ini, "--custom", cdat, "check", "36", "140"});
  EXPECT_EQ(run.out, "9.0000\n");
  run = Invoke({"--ini", ini, "--custom", cdat, "check", "35", "139"});
  EXPECT_EQ(run.out, "Out of range.\n");
  // The file tells where it came from: to models, check -v and the report.
  const std::string from = "from gsigeo2011_ver2_2.asc, imported 20";
  run = Invoke({"--ini", ini, "--custom", cdat, "models"});
  // The program names files by their absolute path, as the system writes it.
  EXPECT_NE(
      run.out.find("0\tCustom Geoid\t" + AbsolutePath(cdat) + "\tok\treference unknown\t" + from),
      std::string::npos)
      << run.out;
  EXPECT_NE(
      run.out.find("\tlatitudes 35.5 to 36, longitudes 139.5 to 140, spacing 0.5 x 0.5 degrees\n"),
      std::string::npos)
      << run.out;
  run = Invoke({"--ini", ini, "--custom", cdat, "check", "-v", "36", "140"});
  EXPECT_NE(run.out.find("9.0000\nmodel: Custom Geoid\nfile: " + AbsolutePath(cdat) +
                         "\ninterpolation: spline\nsource: gsigeo2011_ver2_2.asc\nimported: 20"),
            std::string::npos)
      << run.out;
  EXPECT_NE(
      run.out.find(
          "\nadvised interpolation: bilinear, as GSI computes its heights\nextent: latitudes 35.5"),
      std::string::npos)
      << run.out;
  WriteBytes(logs.File("a.csv"), "LATITUDE,LONGITUDE,HEIGHT\r\n36,140,100.0\r\n");
  run = Invoke({"--ini", ini, "--custom", cdat, "convert", logs.File("a.csv")});
  EXPECT_EQ(run.out.rfind(" Geoid model: Custom Geoid, " + from, 0), 0u) << run.out;

  EXPECT_EQ(Invoke({"import-grid", data.File("gsigeo2011_ver2_2.asc")}).status, 2);
  EXPECT_EQ(Invoke({"import-grid", "a", "b", "--region", "north"}).status, 2);
  run = Invoke({"import-grid", logs.File("none.gtx"), cdat});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("orthelev-cli: import-grid: "), std::string::npos);
  EXPECT_EQ(ReadBytes(cdat), imported);  // the earlier file stays
}

// --custom takes any grid the import reads: imported once into the user's
// cache folder, then used from there while the source stays the same.
TEST_F(CliProcess, CustomTakesAnyGridThroughTheCache) {
#ifdef _WIN32
  const char* cacheHome = "LOCALAPPDATA";
#else
  const char* cacheHome = "XDG_CACHE_HOME";
#endif
  const testing::ScopedEnvironment cache(cacheHome, logs.File("cache"));
  const std::string grid = data.File("gsigeo2011_ver2_2.asc");
  const std::vector<std::string> check = {"--ini", ini, "--custom", grid, "check", "36", "140"};
  CliRun run = Invoke(check);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "9.0000\n");
  const std::string cached = logs.File("cache") + "/orthelev/grids/";
  EXPECT_EQ(run.err.rfind("orthelev-cli: the custom geoid is " + AbsolutePath(grid) +
                              ", imported into " + cached + "gsigeo2011_ver2_2-",
                          0),
            0u)
      << run.err;
  run = Invoke(check);
  EXPECT_NE(run.err.find(", as cached in " + cached), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "9.0000\n");
  // The cache folder is no data folder: the other models stay where --data-dir says.
  run = Invoke(With({"--custom", grid, "--model", "EGM2008 2.5'x2.5'", "check", "35.6", "139.7"}));
  EXPECT_EQ(run.out, FormatFixed(PlaneAt(35.6, 139.7), 4) + "\n") << run.err;
  // A changed source is imported again.
  WriteBytes(grid, "35 139 0.5 0.5 3 3 1 test grid\n1 2 3\n4 5 6\n7 8 19\n");
  run = Invoke(check);
  EXPECT_NE(run.err.find(", imported into "), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "19.0000\n");
  EXPECT_EQ(testing::FolderEntries(cached).size(), 1u);  // the outdated import is gone
  run = Invoke({"--ini", ini, "--custom", logs.File("ini"), "check", "36", "140"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Geoid file is not found: " + AbsolutePath(logs.File("ini"))),
            std::string::npos);
}

TEST_F(CliProcess, ImportShowsItsProgressOnATerminal) {
  ORTHELEV_POSIX_ONLY("script(1) gives the import a terminal");
#ifndef _WIN32
  // script(1) runs the import with a terminal as its standard error.
  const std::string cdat = logs.File("all.cdat");
  const std::string import = testing::ShellQuoted(ORTHELEV_CLI_PATH) + " import-grid " +
                             testing::ShellQuoted(data.File("gsigeo2011_ver2_2.asc")) + " " +
                             testing::ShellQuoted(cdat);
  const std::string command = "script -qec " + testing::ShellQuoted(import) + " /dev/null > " +
                              testing::ShellQuoted(logs.File("terminal")) + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string shown = ReadBytes(logs.File("terminal"));
  EXPECT_NE(shown.find("\rImporting " + data.File("gsigeo2011_ver2_2.asc") + ": 33%\r"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find(": 100%\r\n"), std::string::npos) << shown;  // the line ends
  EXPECT_GT(ReadBytes(cdat).size(), 4u * 3 * 3 + 40);  // the nodes, metadata and trailer
#endif
}

TEST_F(CliProcess, ListsTheModels) {
  const CliRun run = Invoke(With({"models"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(
      run.out.find("1\tEGM2008 2.5'x2.5'\tUnd_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE\tok\n"),
      std::string::npos)
      << run.out;
  EXPECT_NE(
      run.out.find("2\tEGM2008 1'x1'\tUnd_min1x1_egm2008_isw=82_WGS84_TideFree_SE\tmissing\n"),
      std::string::npos);
  EXPECT_NE(run.out.find("3\tGSIGEO 2011 ver2.2\tgsigeo2011_ver2_2.asc\tok\tJGD2011 (vertical), "
                         "superseded 2025-04-01\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("7\tJPGEO2024\tJPGEO2024.isg\tmissing\tJGD2024 (vertical)\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("9\tGSIGEO 2011 + JGD2024 revision\tgsigeo2011_ver2_2.asc + "
                         "hyokorevBM_jgd2024_h.par\tmissing\tJGD2024 (vertical)\n"),
            std::string::npos);
}

TEST_F(CliProcess, ExitStatuses) {
  WriteBytes(logs.File("a.nmea"), "$GPGGA,no position*00\r\n");
  WriteBytes(logs.File("a_g.nmea"), "");
  // Arguments are file names as given: a ";" is the name's own.
  WriteBytes(logs.File("day;1.nmea"), "$GPGGA,no position*00\r\n");
  fs::create_directory(logs.File("empty"));
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    int status;
    std::string inErr;
  };
  const Case cases[] = {
      {"no command", Base(), 2, "no command given"},
      {"unknown option", With({"--colour", "convert", "x"}), 2, "unknown option --colour"},
      {"bad decimals", With({"--decimal", "x", "convert", "x"}), 2, "--decimal takes"},
      {"unknown command", With({"draw"}), 2, "unknown command draw"},
      {"no files", With({"convert"}), 2, "needs at least one file"},
      {"missing model",
       {"--ini", ini, "--data-dir", logs.Path().string(), "convert", logs.File("a.nmea")},
       2,
       "Error: Geoid file is not found: "},
      {"missing model's folder",
       {"--ini", ini, "--data-dir", logs.Path().string(), "convert", logs.File("a.nmea")},
       2,
       "Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE was looked for in " + logs.Path().string()},
      {"unknown model", With({"check", "1", "2", "--model", "egm96"}), 2,
       "unknown model \"egm96\"; the models are:\n  Custom Geoid\n  EGM2008 2.5'x2.5'\n"},
      {"custom model without a file",
       {"--ini", ini, "--model", "custom geoid", "check", "1", "2"},
       2,
       "the Custom Geoid model has no file: give one with --custom FILE"},
      {"option of another command", With({"check", "--lon-lat", "1", "2"}), 2,
       "--lon-lat belongs to heights, not to check"},
      {"options after the command",
       {"convert", logs.File("a.nmea"), "--ini", ini, "--data-dir", data.Path().string()},
       3,
       " Nothing corrected."},
      {"negative numbers are no options", With({"check", "-35.6", "-139.7"}), 0, ""},
      {"a command's help opens no model",
       {"--data-dir", logs.Path().string(), "heights", "-h"},
       0,
       ""},
      {"a folder without logs", With({"convert", logs.File("empty")}), 1,
       "no logs in " + logs.File("empty")},
      {"unknown model to draw", With({"models", "--picture", logs.File("p.svg"), "egm96"}), 2,
       "unknown model \"egm96\"; the models are:\n"},
      {"bad columns", With({"heights", "--columns", "0,2"}), 2, "--columns takes LAT,LON"},
      {"a column twice", With({"heights", "--columns", "Lat,lat"}), 2,
       "--columns names the column lat twice"},
      {"columns with longitude first", With({"heights", "-w", "--columns", "2,1"}), 2,
       "--lon-lat does not go with --columns"},
      {"no output folder",
       With({"convert", "--output-dir", logs.File("none"), logs.File("a.nmea")}), 2,
       "--output-dir: " + logs.File("none") + " is no folder"},
      {"skipped file", With({"convert", logs.File("a_g.nmea")}), 1, ""},
      {"unknown type", With({"convert", logs.File("a.xyz")}), 1, " Unknown file type: a.xyz"},
      {"unreadable file", With({"convert", logs.File("none.nmea")}), 1, " Done with error."},
      {"nothing corrected", With({"convert", logs.File("a.nmea")}), 3, " Nothing corrected."},
      {"name with ;", With({"convert", logs.File("day;1.nmea")}), 3, " Nothing corrected."},
      {"version", {"--version"}, 0, ""},
  };
  for (const Case& c : cases) {
    const CliRun run = Invoke(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.inErr), std::string::npos) << c.what << "\n" << run.err;
  }
  EXPECT_EQ(Invoke({"--version"}).out, "Orthelev Ver2.07\n");
  EXPECT_NE(Invoke({"--help"}).out.find("--data-dir DIR"), std::string::npos);
  const std::string heightsHelp = Invoke({"heights", "--help"}).out;
  EXPECT_NE(heightsHelp.find("heights options:\n  --lon-lat, -w"), std::string::npos);
  EXPECT_EQ(heightsHelp.find("convert options:"), std::string::npos) << heightsHelp;
}

// Every point line answered, every other line copied, on standard input and
// from a file, with the check's numbers.
TEST_F(CliProcess, HeightsAnswersPointsLineByLine) {
  ORTHELEV_POSIX_ONLY("the points come through a shell redirection");
#ifndef _WIN32
  const double dmsLat = 35.677166666666665, dmsLon = 139.74786111111112;
  auto n = [](double lat, double lon) { return FormatFixed(PlaneAt(lat, lon), 4, 6); };
  auto hMinusN = [](double h, double lat, double lon) {
    return FormatFixed(h - PlaneAt(lat, lon), 4, 6);
  };
  struct Line {
    std::string in, out;
  };
  const Line lines[] = {
      {"# lat lon h\n", "# lat lon h\n"},
      {"35.6 139.7\n", "35.6 139.7 " + n(35.6, 139.7) + "\n"},
      {"\n", "\n"},
      {"35 40 37.8, 139 44 52.3, 100\n", "35 40 37.8, 139 44 52.3, 100, " + n(dmsLat, dmsLon) +
                                             ", " + hMinusN(100, dmsLat, dmsLon) + "\n"},
      {"35.6 N\t139.7 E  50.5 \r\n",
       "35.6 N\t139.7 E  50.5 " + n(35.6, 139.7) + " " + hMinusN(50.5, 35.6, 139.7) + "\r\n"},
      {"35.6 east\n", "35.6 east\n"},
      {"95 139.7\n", "95 139.7\n"},
      {"  # indented comment\n", "  # indented comment\n"},
      {"35 139" + std::string(400000, ' ') + "\n", "35 139" + std::string(400000, ' ') + "\n"},
      {"35 139\r36 140\r", "35 139 " + n(35, 139) + "\r36 140 " + n(36, 140) + "\r"},
      {"36,140,-1e1", "36,140,-1e1," + n(36, 140) + "," + hMinusN(-10, 36, 140)},
  };
  std::string input, expected;
  for (const Line& line : lines) input += line.in, expected += line.out;
  WriteBytes(logs.File("points.txt"), input);
  const std::string notAPoint = ": not a point (LAT LON or LAT LON H, LAT from -90 to 90): ";
  CliRun run = InvokeReading(With({"heights"}), logs.File("points.txt"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "orthelev-cli: heights: standard input:6" + notAPoint + "35.6 east\n" +
                         "orthelev-cli: heights: standard input:7" + notAPoint + "95 139.7\n" +
                         "orthelev-cli: heights: standard input:9: longer than 65536 bytes, no "
                         "point\n");

  // Bilinear on the custom model: 40 at its node (36, 140), nothing outside it.
  WriteBytes(logs.File("few.txt"), "36 140\n-33.86 151.21 10\n");
  const std::vector<std::string> custom = {
      "--ini", ini, "--custom", logs.File("bump.cdat"), "--bilinear", "heights"};
  run = InvokeReading(custom, logs.File("few.txt"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "36 140 40.0000\n-33.86 151.21 10 nan nan\n");
  WriteBytes(logs.File("inside.txt"), "36 140 10\n");
  run = InvokeReading({"--ini", ini, "--custom", logs.File("bump.cdat"), "heights", "-"},
                      logs.File("inside.txt"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "36 140 10 40.0000 -30.0000\n");
  EXPECT_EQ(run.err, "");

  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  };
  const Case failures[] = {
      {With({"heights", "a", "b"}), 2,
       "orthelev-cli: heights takes at most one file (none or \"-\": standard input)\n"},
      {With({"heights", logs.File("none.txt")}), 1,
       "orthelev-cli: heights: cannot open " + logs.File("none.txt") +
           ": No such file or directory\n"},
      {With({"heights", logs.Path().string()}), 1,
       "orthelev-cli: heights: cannot read " + logs.Path().string() + ": Is a directory\n"},
      {{"--ini", ini, "--data-dir", logs.Path().string(), "heights", logs.File("inside.txt")},
       2,
       "Error: Geoid file is not found: \nUnd_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE\n"
       "orthelev-cli: Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE was looked for in " +
           logs.Path().string() +
           "/ (the data folder: --data-dir, --custom or the settings' DataFolder)\n"},
  };
  for (const Case& c : failures) {
    run = Invoke(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.err;
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
  }
#endif
}

// The options of heights, each on the input form it is for.
TEST_F(CliProcess, HeightsOptions) {
  auto n = [](int decimals) { return FormatFixed(PlaneAt(35.6, 139.7), decimals); };
  auto plusN = FormatFixed(10 + PlaneAt(35.6, 139.7), 4);
  auto minusN = FormatFixed(10 - PlaneAt(35.6, 139.7), 4);
  struct Case {
    std::vector<std::string> options;
    std::string in, out;
  };
  const Case cases[] = {
      {{"--lon-lat"}, "139.7 35.6 10\n", "139.7 35.6 10 " + n(4) + " " + minusN + "\n"},
      {{"-w", "--inverse"}, "139.7 35.6 10\n", "139.7 35.6 10 " + n(4) + " " + plusN + "\n"},
      {{"--decimal", "2"}, "35.6 139.7\n", "35.6 139.7 " + n(2) + "\n"},
      {{"--header"},
       "# exported\nlat,lon,h\n35.6,139.7,10\n",
       "# exported\nlat,lon,h,N,H-N\n35.6,139.7,10," + n(4) + "," + minusN + "\n"},
      {{"--columns", "Lat,\"LON\",alt"},
       "id,lat,\"lon\",alt,note\r\n7,35.6,139.7,10,x\r\n",
       "id,lat,\"lon\",alt,note,N,H-N\r\n7,35.6,139.7,10,x," + n(4) + "," + minusN + "\r\n"},
      {{"--columns", "3,2"}, "a 139.7 35.6 b\n", "a 139.7 35.6 b " + n(4) + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    WriteBytes(logs.File("points.txt"), c.in);
    std::vector<std::string> arguments = With({"heights", logs.File("points.txt")});
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const CliRun run = Invoke(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ConsoleText(c.in == c.out ? c.in : c.out));
  }
  WriteBytes(logs.File("points.txt"), "lat,lon\n35.6,139.7\n");
  const CliRun run = Invoke(With({"heights", "--columns", "lat,long", logs.File("points.txt")}));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "orthelev-cli: heights: " + logs.File("points.txt") +
                         ": the header has no column \"long\"\n");
}

// convert DIR takes the logs of the folder (of its sub-folders with
// --recursive), not its earlier outputs or other files; --output-dir puts
// the outputs there; the report names each.
TEST_F(CliProcess, ConvertsTheLogsOfAFolder) {
  const std::string gga =
      testing::Signed("$GPGGA,000010,3540.6300,N,13944.8717,E,1,08,1.0,50.0,M,39.0,M,,") + "\r\n";
  TempDir outputs;
  fs::create_directories(logs.File("day/sub"));
  WriteBytes(logs.File("day/b.nmea"), gga);
  WriteBytes(logs.File("day/a_g.nmea"), gga);  // an earlier output
  WriteBytes(logs.File("day/readme.doc"), "notes\n");
  WriteBytes(logs.File("day/sub/c.nmea"), gga);
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> outputs;
  };
  // The program names a folder's files as the system joins paths ("\\" on Windows).
  auto inDay = [&](const fs::path& name) { return (fs::path(logs.File("day")) / name).string(); };
  const Case cases[] = {
      {{}, {inDay("b_g.nmea")}},
      {{"--recursive", "--output-dir", outputs.Path().string()},
       {outputs.File("b_g.nmea"), outputs.File("c_g.nmea")}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = With({"convert", logs.File("day")});
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const CliRun run = Invoke(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string& output : c.outputs) {
      EXPECT_TRUE(fs::exists(output)) << output;
      EXPECT_NE(run.out.find("    Output: " + output + "\n"), std::string::npos) << run.out;
    }
    EXPECT_EQ(run.out.find("a_g"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("readme"), std::string::npos) << run.out;
  }
  EXPECT_FALSE(fs::exists(logs.File("day/sub/c_g.nmea")));
  // Logs of one name from two folders would overwrite each other's output.
  WriteBytes(logs.File("day/sub/b.nmea"), gga);
  const CliRun clash = Invoke(
      With({"convert", logs.File("day"), "--recursive", "--output-dir", outputs.Path().string()}));
  EXPECT_EQ(clash.status, 2);
  EXPECT_NE(clash.err.find(inDay("b.nmea") + " and " + inDay(fs::path("sub") / "b.nmea") +
                           " would both be written as " + outputs.File("b_g.nmea")),
            std::string::npos)
      << clash.err;
}

// A point typed on a terminal is answered at once, while the input is open.
TEST_F(CliProcess, HeightsAnswersATerminalLineAtOnce) {
  ORTHELEV_POSIX_ONLY("a pseudo-terminal gives the input");
#ifndef _WIN32
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_TRUE(grantpt(terminal) == 0 && unlockpt(terminal) == 0);
  const int input = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  int output[2];
  ASSERT_TRUE(input >= 0 && pipe(output) == 0);
  std::vector<std::string> arguments = {ORTHELEV_CLI_PATH,      "--ini",      ini,      "--custom",
                                        logs.File("bump.cdat"), "--bilinear", "heights"};
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    dup2(input, STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(input);
  close(output[1]);
  ASSERT_EQ(write(terminal, "36 140\n", 7), 7);
  std::string answer;
  pollfd readable{output[0], POLLIN, 0};
  char bytes[64];
  while (answer.find('\n') == std::string::npos && poll(&readable, 1, 10000) == 1) {
    const ssize_t n = read(output[0], bytes, sizeof bytes);
    if (n <= 0) break;
    answer.append(bytes, static_cast<size_t>(n));
  }
  EXPECT_EQ(answer, "36 140 40.0000\n");
  if (answer != "36 140 40.0000\n") kill(child, SIGKILL);
  EXPECT_EQ(write(terminal, "\x04", 1), 1);  // end of input
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  close(output[0]);
  close(terminal);
#endif
}

// The custom model's bilinear heights are GeographicLib's on the same
// global grid (a PGM of 1-degree nodes), where GeoidEval is installed.
TEST_F(CliProcess, HeightsAgreeWithGeoidEval) {
  ORTHELEV_POSIX_ONLY("GeoidEval reads its points through the shell");
#ifndef _WIN32
  if (!fs::exists("/usr/bin/GeoidEval")) GTEST_SKIP() << "GeoidEval is not installed";
  constexpr double kOffset = -108, kScale = 0.003;
  auto code = [](int r, int c) { return 30000 + 37 * ((r * 7 + c * 13) % 101) + 11 * r; };
  std::string pgm = "P5\n# Offset -108\n# Scale 0.003\n360 181\n65535\n";
  for (int r = 0; r < 181; ++r)
    for (int c = 0; c < 360; ++c) {
      pgm += static_cast<char>(code(r, c) >> 8);
      pgm += static_cast<char>(code(r, c) & 0xFF);
    }
  WriteBytes(data.File("global.pgm"), pgm);
  WriteBytes(data.File("global.cdat"),
             testing::CustomGridBytes(181, 361, -90, 0, 1, 1, [&](int r, int c) {
               return static_cast<float>(kOffset + kScale * code(r, c % 360));
             }));
  const std::string points = "35.6 139.7\n-33.86 151.21\n0.5 359.5\n-89.9 12.3\n71.1 -8.6\n";
  WriteBytes(logs.File("points.txt"), points);
  const CliRun ours =
      InvokeReading({"--ini", ini, "--custom", data.File("global.cdat"), "--bilinear", "heights"},
                    logs.File("points.txt"));
  ASSERT_EQ(ours.status, 0) << ours.err;
  const std::string theirsFile = logs.File("geoideval.out");
  const std::string command =
      "GeoidEval -l -n global -d " + testing::ShellQuoted(data.Path().string()) + " < " +
      testing::ShellQuoted(logs.File("points.txt")) + " > " + testing::ShellQuoted(theirsFile);
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::istringstream ourLines(ours.out), theirLines(ReadBytes(theirsFile));
  std::string our, their;
  int count = 0;
  while (std::getline(ourLines, our) && std::getline(theirLines, their)) {
    double ourN = 0, theirN = 0;
    ASSERT_TRUE(ParseReal(our.substr(our.rfind(' ') + 1), ourN)) << our;
    ASSERT_TRUE(ParseReal(their, theirN)) << their;
    EXPECT_NEAR(ourN, theirN, 0.00015) << our;
    ++count;
  }
  EXPECT_EQ(count, 5);
#endif
}

// --help and the manual page name every command and option the parser takes.
TEST_F(CliProcess, HelpAndManualPageNameEveryCommandAndOption) {
  const std::string help = Invoke({"--help"}).out;
  std::string manual = ReadBytes(ORTHELEV_SOURCE_DIR "/data/man/orthelev-cli.1");
  for (size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);
  std::vector<std::string> names = CliCommandNames();
  for (const std::string& option : CliOptionNames()) names.push_back(option);
  EXPECT_GE(names.size(), 16u);
  for (const std::string& name : names) {
    EXPECT_NE(help.find(name), std::string::npos) << name;
    EXPECT_NE(manual.find(name), std::string::npos) << name;
  }
}
}  // namespace
}  // namespace orthelev
