#pragma once
// Program-wide state of the CSV conversion that outlives one file: the
// logger profile found by the last header analysis and the date-check flag.

#include <string>

namespace orthelev {

struct ConversionState {
  // DateTimeFormatError: a CSV record with a "GPST" date column held a date
  // without "/". Set by the record parser, cleared by the batch driver
  // before each file.
  bool dateTimeFormatError = false;
  // ProfileName: the logger profile of the last CSV header analysis.
  std::string profileName;
  // MslWithoutGeoid: that logger writes heights above mean sea level and no
  // geoid column, so its files cannot be corrected.
  bool mslWithoutGeoid = false;
  // The last file converted had no record corrected (its report says why).
  // Cleared by the batch driver before each file.
  bool nothingCorrected = false;

  void Reset() { *this = ConversionState{}; }
};

ConversionState& TheConversion();

// How a conversion interpolates and writes heights: read from the settings
// and flags once at the start of a file, so that no record parses them.
struct HeightSettings {
  int window;                      // interpolation window: 6 (spline) or 2 (bilinear)
  int decimals;                    // decimals of every written height (HeightDecimals)
  bool statedEllipsoidal = false;  // the user states every height ellipsoidal
};

// The HeightSettings of the batch's choices now.
HeightSettings ReadHeightSettings();

}  // namespace orthelev
