#pragma once
// Program-wide state of the log conversions that outlives one file: the
// interpolation choice of the running batch, the logger profile found by the
// last CSV header analysis and the CSV date-check flag.

#include <string>

namespace orthelev {

struct ConversionState {
  // UseSpline: true interpolates with the 6 x 6 spline window, false
  // bilinearly. Set by the batch driver (and the model selection).
  bool useSpline = false;
  // DateTimeFormatError: a CSV record with a "GPST" date column held a date
  // without "/". Set by the record parser, cleared by the batch driver
  // before each file.
  bool dateTimeFormatError = false;
  // ProfileName: the logger profile of the last CSV header analysis.
  std::string profileName;
  // MslWithoutGeoid: that logger writes heights above mean sea level and no
  // geoid column, so its files cannot be corrected.
  bool mslWithoutGeoid = false;

  void Reset() { *this = ConversionState{}; }
};

ConversionState& Conversion();

}  // namespace orthelev
