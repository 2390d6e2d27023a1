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
