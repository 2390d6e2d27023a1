#include "platform/platform.hpp"

#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/folder_entries.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

platform::FileIdentity IdentityAt(const std::string& path) {
  platform::FileStatus status;
  EXPECT_TRUE(platform::StatusAt(path, status)) << path;
  return status.identity;
}

TEST(Platform, IdentityTellsTheSameFileWhateverTheName) {
  TempDir dir;
  const std::string a = dir.Write("a.nmea", "a"), b = dir.Write("b.nmea", "a");
  const std::string hard = dir.File("hard.nmea");
  fs::create_hard_link(platform::PathOf(a), platform::PathOf(hard));
  EXPECT_EQ(IdentityAt(a), IdentityAt(hard));
  EXPECT_FALSE(IdentityAt(a) == IdentityAt(b));

  const int fd = platform::OpenForReading(a);
  ASSERT_GE(fd, 0);
  platform::FileStatus open;
  ASSERT_TRUE(platform::StatusOf(fd, open));
  EXPECT_EQ(open.identity, IdentityAt(hard));
  EXPECT_EQ(open.kind, platform::FileKind::Regular);
  EXPECT_EQ(open.size, 1);
  EXPECT_TRUE(platform::CloseFile(fd));

  platform::FileStatus folder;
  ASSERT_TRUE(platform::StatusAt(dir.Folder(), folder));
  EXPECT_EQ(folder.kind, platform::FileKind::Directory);
  EXPECT_FALSE(platform::StatusAt(dir.File("missing"), folder));
  EXPECT_EQ(errno, ENOENT);
}

// Non-ASCII names reach the file system as they were typed, on every system.
TEST(Platform, JapaneseNamesOpenReadAndRename) {
  TempDir dir;
  const std::string name = dir.File("\u6e2c\u4f4d.nmea");  // 測位.nmea
  const int fd = platform::CreateNewFile(name);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(platform::WriteAll(fd, "$GPGGA\r\n", 8));
  EXPECT_TRUE(platform::CloseFile(fd));
  EXPECT_LT(platform::CreateNewFile(name), 0);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(testing::FolderEntries(dir.Path()), std::vector<std::string>{"\u6e2c\u4f4d.nmea"});

  const std::string renamed = dir.File("\u6771\u4eac.nmea");  // 東京.nmea
  ASSERT_TRUE(platform::RenameReplacing(name, renamed));
  char bytes[16] = {};
  const int in = platform::OpenForReading(renamed);
  ASSERT_GE(in, 0);
  EXPECT_EQ(platform::ReadAt(in, bytes, sizeof bytes, 1), 7);
  EXPECT_EQ(std::string(bytes, 7), "GPGGA\r\n");
  EXPECT_EQ(platform::ReadAt(in, bytes, sizeof bytes, 8), 0);
  platform::CloseFile(in);
  EXPECT_EQ(platform::Utf8Of(platform::PathOf(renamed)), renamed);
}

TEST(Platform, UniqueFilesKeepTheirSuffix) {
  TempDir dir;
  std::string first = dir.File("$$$XXXXXX.tmp"), second = first;
  const int a = platform::CreateUniqueFile(first, 4), b = platform::CreateUniqueFile(second, 4);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  platform::CloseFile(a);
  platform::CloseFile(b);
  EXPECT_NE(first, second);
  for (const std::string& made : {first, second}) {
    EXPECT_EQ(made.size(), dir.File("$$$XXXXXX.tmp").size());
    EXPECT_EQ(made.substr(made.size() - 4), ".tmp");
    EXPECT_EQ(made.find("XXXXXX"), std::string::npos);
    EXPECT_EQ(ReadBytes(made), "");
  }
}

TEST(Platform, AbsolutePathsAreThoseOfTheSystem) {
  EXPECT_FALSE(platform::IsAbsolutePath(""));
  EXPECT_FALSE(platform::IsAbsolutePath("logs/day1.nmea"));
#ifdef _WIN32
  EXPECT_TRUE(platform::IsAbsolutePath("C:\\logs"));
  EXPECT_TRUE(platform::IsAbsolutePath("c:/logs"));
  EXPECT_TRUE(platform::IsAbsolutePath("\\\\server\\share"));
  EXPECT_FALSE(platform::IsAbsolutePath("C:logs"));
#else
  EXPECT_TRUE(platform::IsAbsolutePath("/logs"));
  EXPECT_FALSE(platform::IsAbsolutePath("C:\\logs"));
#endif
}

}  // namespace
}  // namespace orthelev
