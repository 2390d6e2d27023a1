#include "program/program_state.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "conversion/batch.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

bool Listed(const std::vector<std::string_view>& names, const std::string& type) {
  return std::find(names.begin(), names.end(), type) != names.end();
}

// A state added as a static variable anywhere in src/ must be named in the
// reset's list (or in the list of statics that hold no program state).
TEST(ProgramStateList, EveryStaticVariableOfTheSourcesIsListed) {
  const std::regex staticVariable(
      R"(^\s*static\s+(?!constexpr\b|const\b|inline\b)([A-Za-z_][\w:]*(<[^;()]*>)?)\s+\w+\s*(;|\{|=))");
  int found = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(ORTHELEV_SOURCE_DIR "/src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".cpp" && ext != ".hpp") continue;
    std::ifstream in(entry.path());
    std::string line;
    while (std::getline(in, line)) {
      std::smatch match;
      if (!std::regex_search(line, match, staticVariable)) continue;
      ++found;
      const std::string type = match[1];
      EXPECT_TRUE(Listed(ProgramStateTypes(), type) || Listed(NotProgramStateTypes(), type))
          << entry.path() << ": static " << type << " is not in the program-state list";
    }
  }
  EXPECT_GE(found, static_cast<int>(ProgramStateTypes().size()));
}

TEST(ProgramStateList, ResetReturnsEveryStateToItsStart) {
  testing::TempDir dir;
  testing::WriteBytes(dir.File("log.nmea"), "$GPGGA\r\n");
  ASSERT_TRUE(OpenLogFile(dir.File("log.nmea")));
  TheSettings().decimal = "7";
  TheFlags().abortRequested = true;
  TheActiveGrid().open = true;
  TheActiveGrid().nlat = 5;
  TheConversion().profileName = "Wintec";
  TheBatch().filesFailed = 2;

  ResetProgramState();

  EXPECT_EQ(TheSettings().decimal, Settings{}.decimal);
  EXPECT_FALSE(TheFlags().abortRequested);
  EXPECT_FALSE(TheActiveGrid().open);
  EXPECT_EQ(TheActiveGrid().nlat, 0);
  EXPECT_EQ(TheConversion().profileName, "");
  EXPECT_EQ(TheBatch().filesFailed, 0);
  EXPECT_TRUE(LogEof());
  EXPECT_EQ(LogBytesRead(), 0);
  EXPECT_EQ(ReadLogLine(), "");  // nothing left open to read
}

}  // namespace
}  // namespace orthelev
