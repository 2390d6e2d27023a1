#pragma once
// Files for the CSV conversion tests: a private temporary folder, byte-exact
// file reading and writing, and small synthetic geoid grids whose node
// values come from a function of position, opened as the active grid.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "conversion/conversion_state.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/log_reader.hpp"
#include "geoid/active_grid.hpp"
#include "settings/settings.hpp"
#include "support/recording_window_services.hpp"

namespace orthelev::testing {

namespace fs = std::filesystem;

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Items between commas, without trimming (no limit on their number).
inline std::vector<std::string> SplitAtCommas(const std::string& line) {
  std::vector<std::string> items(1);
  for (char c : line) {
    if (c == ',')
      items.emplace_back();
    else
      items.back() += c;
  }
  return items;
}

// The geometry of a synthetic grid without framing words; rows run south
// from north = south + (rows - 1) * spacing.
struct SyntheticGrid {
  double south = 0, west = 0, spacing = 0.05;
  std::int32_t rows = 0, columns = 0;

  double North() const { return south + (rows - 1) * spacing; }
};

// Writes the grid's nodes, value(latitude, longitude) as 32-bit floats, to
// `folder`/`fileName` and opens it as the active grid.
inline void OpenSyntheticGrid(const fs::path& folder, const std::string& fileName,
                              const SyntheticGrid& grid,
                              const std::function<double(double, double)>& value) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(grid.rows) * grid.columns * 4);
  for (std::int32_t r = 0; r < grid.rows; ++r) {
    for (std::int32_t c = 0; c < grid.columns; ++c) {
      const float node =
          static_cast<float>(value(grid.North() - r * grid.spacing, grid.west + c * grid.spacing));
      char word[4];
      std::memcpy(word, &node, 4);  // the test hosts are little-endian, as the files are
      bytes.append(word, 4);
    }
  }
  WriteBytes(folder / fileName, bytes);
  AppSettings().dataFolder = folder.string() + "/";
  ASSERT_TRUE(OpenGrid(fileName, grid.south, grid.west, grid.spacing, grid.spacing, grid.rows,
                       grid.columns, grid.rows, grid.columns, 0));
  TheActiveGrid().open = true;
}

// Program state for CSV work: default CSVitem titles and logger profiles,
// Decimal "4", Postfix "_g", a fresh temporary folder.
class CsvFixture : public ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    Conversion().Reset();
    Settings& s = AppSettings();
    s.decimal = "4";
    s.postfix = "_g";
    s.csvItems = {std::string(defaults::kCsvValid),     std::string(defaults::kCsvLatitude),
                  std::string(defaults::kCsvNS),        std::string(defaults::kCsvLongitude),
                  std::string(defaults::kCsvEW),        std::string(defaults::kCsvHeight),
                  std::string(defaults::kCsvGeoid),     std::string(defaults::kCsvDate)};
    MergeDefaultProfiles();
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() /
           ("orthelev_csv_" + std::to_string(::getpid()) + "_" + test);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    CloseLogFile();
    Conversion().Reset();
    fs::remove_all(dir_);
    ProgramState::TearDown();
  }

  // Writes `bytes` to a file of the temporary folder; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }

  fs::path dir_;
};

}  // namespace orthelev::testing
