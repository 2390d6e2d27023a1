#pragma once
// Program state for the CSV conversion tests: the default CSVitem titles and
// logger profiles, Decimal "4", Postfix "_g", and a fresh temporary folder.

#include <string>

#include <gtest/gtest.h>

#include "conversion/conversion_state.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "settings/settings.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev::testing {

class CsvFixture : public ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheConversion().Reset();
    Settings& s = TheSettings();
    s.decimal = "4";
    s.postfix = "_g";
    s.csvItems = DefaultCsvItemTitles();
    MergeDefaultProfiles();
  }
  void TearDown() override {
    CloseLogFile();
    TheConversion().Reset();
    ProgramState::TearDown();
  }

  // Writes `bytes` to a file of the temporary folder; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) {
    return folder_.Write(name, bytes);
  }

  // The path the conversion writes the copy of `inputPath` to.
  static std::string OutputOf(const std::string& inputPath) {
    return OutputPathFor(inputPath, TheSettings().postfix);
  }

  // Writes the grid into the temporary folder and opens it as the active grid.
  void OpenModel(const SyntheticGrid& grid, double (*geoidHeight)(double, double)) {
    ASSERT_TRUE(grid.WriteAndOpen(folder_.Folder(), "model.grd", [=](double lat, double lon) {
      return static_cast<float>(geoidHeight(lat, lon));
    }));
  }

  TempDir folder_;
};

}  // namespace orthelev::testing
