#include "base/file_io.hpp"

#include <gtest/gtest.h>

#include "support/folder_entries.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::TempDir;

TEST(WriteFileAtomicallyFrom, WritesThePiecesInOrder) {
  TempDir dir;
  const std::string path = dir.File("grid.cdat");
  std::string error;
  ASSERT_TRUE(WriteFileAtomicallyFrom(
      path,
      [](const ByteSink& put, std::string&) { return put("north ") && put("") && put("south"); },
      error))
      << error;
  EXPECT_EQ(testing::ReadBytes(path), "north south");
  EXPECT_EQ(testing::FolderEntries(dir.Path()), std::vector<std::string>{"grid.cdat"});
}

TEST(WriteFileAtomicallyFrom, AProducerThatGivesUpKeepsTheOldFileAndItsReason) {
  TempDir dir;
  const std::string path = dir.File("grid.cdat");
  testing::WriteBytes(path, "old model");
  std::string error;
  EXPECT_FALSE(WriteFileAtomicallyFrom(
      path,
      [](const ByteSink& put, std::string& reason) {
        put("half of a new model");
        reason = "row 7 cannot be read";
        return false;
      },
      error));
  EXPECT_EQ(error, "row 7 cannot be read");
  EXPECT_EQ(testing::ReadBytes(path), "old model");
  EXPECT_EQ(testing::FolderEntries(dir.Path()), std::vector<std::string>{"grid.cdat"});
}

TEST(WriteFileAtomicallyFrom, AFolderThatDoesNotExistIsAWriteError) {
  TempDir dir;
  std::string error;
  bool produced = false;
  EXPECT_FALSE(WriteFileAtomicallyFrom(
      dir.File("absent/grid.cdat"),
      [&produced](const ByteSink& put, std::string&) { return produced = put("x"); }, error));
  EXPECT_FALSE(produced);
  EXPECT_EQ(error.rfind("Cannot write " + dir.File("absent/grid.cdat") + ": ", 0), 0u) << error;
}

}  // namespace
}  // namespace orthelev
