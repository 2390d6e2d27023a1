#include "console/console_window_services.hpp"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace orthelev {
namespace {

std::string Contents(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return text;
}

TEST(ConsoleWindowServices, StreamsAndLineBreaks) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(out && err);
  {
    ConsoleWindowServices console(out, err);
    console.SetStatusText(" Converting...");
    console.AppendReportLine("a.nmea\r\n  Records: 3");
    console.AppendReportLine("");
    EXPECT_EQ(console.ShowMessageBox("Geoid file is not found: \r\nx", MessageKind::Error,
                                     MessageButton::Ok, 0),
              MessageButton::Ok);
    console.SetQuiet(true);
    console.SetStatusText(" Done.");
    EXPECT_EQ(console.StatusText(), " Done.");
    console.SetSourceText("a.nmea;b.csv");
    EXPECT_EQ(console.SourceText(), "a.nmea;b.csv");
  }
  EXPECT_EQ(Contents(out), "a.nmea\n  Records: 3\n\n");
  EXPECT_EQ(Contents(err), " Converting...\nError: Geoid file is not found: \nx\n");
  std::fclose(out);
  std::fclose(err);
}

// The status texts of two files, a report line and a message box between
// them, as a terminal and as a pipe or file receive them.
TEST(ConsoleWindowServices, StatusLineOnATerminalOrOnlyEachFilesLastStatus) {
  auto play = [](ConsoleWindowServices& console) {
    console.SetStatusText(" a.nmea  NMEA file ...");
    console.SetStatusText(" a.nmea  NMEA file ( 50.0%)");
    console.SetStatusText(" a.nmea  NMEA file ( 50.0%)");
    console.AppendReportLine("    2 records");
    console.SetStatusText(" 2 records done.");
    console.EndStatus();
    console.EndStatus();
    console.SetStatusText("");
    console.SetStatusText(" b.csv  CSV file ...");
    console.ShowMessageBox("Can't create: b_g.csv", MessageKind::Error, MessageButton::Ok, 0);
    console.SetStatusText(" Done with error.");
    console.SetStatusText("");
    console.SetStatusText(" *** Aborted by user ***");
  };
  struct Case {
    const char* what;
    bool errTerminal, outTerminal;
    std::string out, err;
  };
  const Case cases[] = {
      {"pipe", false, false, "    2 records\n",
       " 2 records done.\n b.csv  CSV file ...\nError: Can't create: b_g.csv\n"
       " *** Aborted by user ***\n"},
      {"terminal for the status", true, false, "    2 records\n",
       "\r a.nmea  NMEA file ...\x1b[K\r a.nmea  NMEA file ( 50.0%)\x1b[K"
       "\r 2 records done.\x1b[K\n"
       "\r b.csv  CSV file ...\x1b[K\nError: Can't create: b_g.csv\n"
       "\r Done with error.\x1b[K\r\x1b[K\r *** Aborted by user ***\x1b[K\n"},
      {"one terminal for both", true, true, "    2 records\n",
       "\r a.nmea  NMEA file ...\x1b[K\r a.nmea  NMEA file ( 50.0%)\x1b[K"
       "\r\x1b[K a.nmea  NMEA file ( 50.0%)"
       "\r 2 records done.\x1b[K\n"
       "\r b.csv  CSV file ...\x1b[K\nError: Can't create: b_g.csv\n"
       "\r Done with error.\x1b[K\r\x1b[K\r *** Aborted by user ***\x1b[K\n"},
  };
  for (const Case& c : cases) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    {
      ConsoleWindowServices console(out, err);
      console.SetTerminals(c.errTerminal, c.outTerminal);
      play(console);
    }
    EXPECT_EQ(Contents(out), c.out) << c.what;
    EXPECT_EQ(Contents(err), c.err) << c.what;
    std::fclose(out);
    std::fclose(err);
  }
}

TEST(MemoryWindowServices, ModelListLookupIgnoresCase) {
  MemoryWindowServices window;
  window.SetGeoidModelItems({"Custom Geoid", "EGM2008 2.5'x2.5'", "GSIGEO 2011 ver2.2"});
  EXPECT_EQ(window.FindGeoidModelItem("gsigeo 2011 VER2.2"), 2);
  EXPECT_EQ(window.FindGeoidModelItem("GSIGEO 2011"), -1);
  EXPECT_EQ(window.GeoidModelItem(1), "EGM2008 2.5'x2.5'");
  EXPECT_EQ(window.GeoidModelItem(3), "");
  EXPECT_EQ(window.GeoidModelText(), "EGM2008 2.5'x2.5'");  // the designed value
}

TEST(WindowServicesRegistry, FallsBackToSilentServices) {
  MemoryWindowServices installed;
  InstallWindowServices(&installed);
  Window().SetStatusText("x");
  EXPECT_EQ(installed.StatusText(), "x");
  InstallWindowServices(nullptr);
  Window().SetStatusText("y");
  EXPECT_EQ(installed.StatusText(), "x");
  EXPECT_EQ(Window().ShowMessageBox("any"), MessageButton::Ok);
}

}  // namespace
}  // namespace orthelev
