#include "settings/settings_location.hpp"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.hpp"
#include "support/folder_entries.hpp"
#include "support/posix_only.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using namespace std::chrono_literals;
using testing::FolderEntries;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

TEST(ConfigHome, FollowsTheXdgRules) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/x/cfg", "/home/u", "/x/cfg"},
      {nullptr, "/home/u", "/home/u/.config"},
      {"", "/home/u/", "/home/u/.config"},
      {"relative/cfg", "/home/u", "/home/u/.config"},
      {nullptr, nullptr, ""},
      {nullptr, "relative", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::ConfigHomeFrom(c.xdg, c.home), c.expected)
        << (c.xdg ? c.xdg : "(unset)") << " / " << (c.home ? c.home : "(unset)");
}

TEST(ProgramFolder, EndsWithItsSeparator) {
  EXPECT_EQ(ProgramFolder("/opt/orthelev.d/bin/orthelev"), "/opt/orthelev.d/bin/");
  const std::string running = RunningProgramFile();
  EXPECT_TRUE(fs::is_regular_file(running)) << running;
  EXPECT_EQ(ProgramFolder(running), platform::Utf8Of(fs::path(running).parent_path()) +
                                        static_cast<char>(fs::path::preferred_separator));
}

// An installed program (root may write /usr/bin) keeps its settings per user.
TEST(SettingsFolder, InstallationFoldersAreNeverWritten) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/opt/orthelev/bin/"})
    EXPECT_FALSE(SettingsFolderWritable(folder)) << folder;
  for (const char* folder : {"/usrdata/bin/", "/home/u/usr/bin/", "bin/"})
    EXPECT_FALSE(IsInstallationFolder(folder)) << folder;
}

// A program in <temp>/bin, the per-user configuration folder <temp>/config.
class SettingsLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(bin_);
    WriteBytes(where_.programFile, "program");
  }
  SettingsLocation Unwritable() const {
    SettingsLocation where = where_;
    where.folderWritable = [](const std::string&) { return false; };
    return where;
  }
  TempDir root_;
  const std::string bin_ = root_.File("bin");
  const std::string beside_ = bin_ + "/orthelev.ini";
  const std::string configFolder_ = root_.File("config/orthelev/");
  const std::string target_ = configFolder_ + "orthelev.ini";
  SettingsLocation where_{bin_ + "/orthelev", "orthelev", root_.File("config")};
};

TEST_F(SettingsLocationTest, NamesThePathFromTheGivenName) {
  ORTHELEV_POSIX_ONLY("POSIX path rules (on Windows \"d:x.ini\" is on drive D:)");
  const std::string cwd = fs::current_path().string();
  struct Case {
    const char* name;
    const char* programFile;  // in bin
    const char* baseName;
    std::string expected;
  };
  const Case cases[] = {
      {"", "orthelev", "orthelev", bin_ + "/orthelev.ini"},
      {"", "orthelev-cli", "orthelev", bin_ + "/orthelev.ini"},
      {"", "tool.bin", "", bin_ + "/tool.ini"},
      {"alt.ini", "orthelev", "orthelev", bin_ + "/alt.ini"},
      {"sub/x.ini", "orthelev", "orthelev", cwd + "/sub/x.ini"},
      {"d:x.ini", "orthelev", "orthelev", cwd + "/d:x.ini"},
      {"/a/b/../c/x.ini", "orthelev", "orthelev", "/a/c/x.ini"},
  };
  for (const Case& c : cases) {
    SettingsLocation where{bin_ + "/" + c.programFile, c.baseName, root_.File("config")};
    where.folderWritable = [](const std::string&) { return true; };
    const SettingsPathResult result = SettingsFilePath(c.name, where);
    EXPECT_TRUE(result.ok) << c.name;
    EXPECT_EQ(result.path, c.expected) << "name \"" << c.name << "\"";
  }
}

TEST_F(SettingsLocationTest, WritableProgramFolderKeepsTheFileBesideTheProgram) {
  const SettingsPathResult result = SettingsFilePath("", where_);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.path, beside_);
  EXPECT_EQ(FolderEntries(bin_), (std::vector<std::string>{"orthelev"}))
      << "no settings file and no probe file are left";
  EXPECT_FALSE(fs::exists(root_.File("config")));
}

TEST_F(SettingsLocationTest, ProbeTellsWhetherAFolderTakesNewFiles) {
  EXPECT_TRUE(ProbeFolderWritable(bin_));
  EXPECT_TRUE(ProbeFolderWritable(bin_ + "/"));
  EXPECT_EQ(FolderEntries(bin_), (std::vector<std::string>{"orthelev"}));
  EXPECT_FALSE(ProbeFolderWritable(root_.File("missing")));
  EXPECT_FALSE(ProbeFolderWritable(bin_ + "/orthelev")) << "a folder path under a regular file";
}

TEST_F(SettingsLocationTest, ProbeSeesAReadOnlyFolder) {
  fs::permissions(bin_, fs::perms(0555));
  const bool bypassed = ::access(bin_.c_str(), W_OK) == 0;  // root ignores the mode bits
  const bool probed = ProbeFolderWritable(bin_);
  const SettingsPathResult result = SettingsFilePath("", where_);
  fs::permissions(bin_, fs::perms(0755));  // so that the folder can be removed
  if (bypassed) GTEST_SKIP() << "this user can write read-only folders";
  EXPECT_FALSE(probed);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.path, target_);
}

// The program folder cannot be written: the per-user copy is used, and a
// copy beside the program replaces it only when it is newer.
TEST_F(SettingsLocationTest, UnwritableProgramFolderUsesThePerUserCopy) {
  struct Case {
    const char* name;
    std::optional<std::string> beside;  // content, none: no file
    std::optional<std::string> target;
    bool targetMadeFirst;
    std::chrono::seconds besideAge, targetAge;  // before now
    std::optional<std::string> expected;        // target content afterwards
  };
  const Case cases[] = {
      {"beside only: copied", "beside", std::nullopt, false, 0s, 0s, "beside"},
      {"beside newer: copied", "beside", "target", true, -3600s, 7200s, "beside"},
      {"beside older: kept", "beside", "target", false, 7200s, 3600s, "target"},
      {"as old: kept", "beside", "target", false, -3600s, -3600s, "target"},
      {"no file beside: none made", std::nullopt, std::nullopt, false, 0s, 0s, std::nullopt},
      {"no file beside: target kept", std::nullopt, "target", false, 0s, 0s, "target"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_.File("config"));
    fs::remove(beside_);
    const auto makeTarget = [&] {
      if (!c.target) return;
      fs::create_directories(configFolder_);
      WriteBytes(target_, *c.target);
    };
    if (c.targetMadeFirst) makeTarget();
    if (c.beside) WriteBytes(beside_, *c.beside);
    if (!c.targetMadeFirst) makeTarget();
    const auto now = fs::file_time_type::clock::now();
    if (c.beside) fs::last_write_time(beside_, now - c.besideAge);
    if (c.target) fs::last_write_time(target_, now - c.targetAge);

    const SettingsPathResult result = SettingsFilePath("", Unwritable());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.path, target_);
    EXPECT_TRUE(fs::is_directory(configFolder_));
    EXPECT_EQ(fs::exists(target_), c.expected.has_value());
    if (c.expected) {
      EXPECT_EQ(ReadBytes(target_), *c.expected);
    }
    if (c.beside) {
      EXPECT_EQ(ReadBytes(beside_), *c.beside);
    }
  }
}

TEST_F(SettingsLocationTest, TheCopyCanBeSavedInto) {
  WriteBytes(beside_, "beside");
  fs::permissions(beside_, fs::perms(0444));
  const SettingsPathResult result = SettingsFilePath("", Unwritable());
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(ReadBytes(target_), "beside");
#ifdef _WIN32
  EXPECT_NE(fs::status(target_).permissions() & fs::perms::owner_write, fs::perms::none);
#else
  EXPECT_EQ(fs::status(target_).permissions(), fs::perms(0644));
#endif
}

TEST_F(SettingsLocationTest, FailuresCarryTheirTexts) {
  WriteBytes(root_.File("plain"), "x");
  SettingsLocation where = Unwritable();
  where.configHome = root_.File("plain");
  SettingsPathResult result = SettingsFilePath("", where);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Cannot create : " + root_.Path().string() + "/plain/orthelev/");

  where.configHome = "";
  result = SettingsFilePath("", where);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Cannot create : orthelev/");

  WriteBytes(beside_, "beside");
  fs::create_directories(target_);  // a folder where the copy should go
  result = SettingsFilePath("", Unwritable());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Cannot Copy : " + target_);
  EXPECT_EQ(FolderEntries(configFolder_), (std::vector<std::string>{"orthelev.ini"}))
      << "no temporary file is left";
}

TEST_F(SettingsLocationTest, NewestFileTimeTakesTheLaterTime) {
  ORTHELEV_POSIX_ONLY("nanosecond and birth times (wine keeps whole seconds, no creation time)");
  EXPECT_EQ(NewestFileTime(root_.File("missing")), 0);
  EXPECT_EQ(NewestFileTime(bin_), 0) << "a folder is no settings file";

  const auto future = fs::file_time_type::clock::now() + 24h;
  fs::last_write_time(where_.programFile, future);
  const auto futureNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::file_clock::to_sys(future).time_since_epoch());
  EXPECT_EQ(NewestFileTime(where_.programFile), futureNs.count());

  // With the last write in the past, the creation time (now) is the later one
  // where the file system records it.
  const auto past = future - 48h;
  fs::last_write_time(where_.programFile, past);
  const std::int64_t pastNs = futureNs.count() - std::chrono::nanoseconds(48h).count();
  platform::FileStatus info;
  ASSERT_TRUE(platform::StatusAt(where_.programFile, info));
  if (info.createdNs != 0)
    EXPECT_GT(NewestFileTime(where_.programFile), pastNs);
  else
    EXPECT_EQ(NewestFileTime(where_.programFile), pastNs);
}

}  // namespace
}  // namespace orthelev
