#pragma once
// Records of a CSV log after its column-name line: the line is kept as read
// for the converter to write back, and the coordinate, height and geoid items
// are read as numbers. Parsing is forgiving: an item without a usable number
// reads as 0.

#include <string>
#include <string_view>

#include "conversion/csv_layout.hpp"

namespace orthelev {

// The characters of `text` among "+-0123456789." (everything else dropped,
// wherever it stands) read as a number; 0 when they form no valid number.
double ParseCsvNumber(std::string_view text);

// ParseCsvNumber, negated when the text holds any of the letters S, W, s, w.
double ParseCsvCoordinate(std::string_view text);

// Takes `line` as the layout's current line and reads its items: latitude and
// longitude (ParseCsvCoordinate of their items, negated once more by an
// "S"/"s" N/S item or a "W"/"w" E/W item), height
// (NaN without a height column), file geoid (0 without a geoid column),
// positionGiven, and the date check, which sets DateTimeFormatError
// (TheConversion()) when the "GPST" date item holds no "/". False for an empty
// line, which is no record (its items are left as they were).
bool ParseCsvRecordLine(CsvLayout& layout, std::string line);

// Reads lines of the open log until a record (ParseCsvRecordLine) and returns
// true, or false when the data ends first. A last line without a line break
// is a record like any other, read in the call that sets LogEof.
bool ReadCsvRecord(CsvLayout& layout);

}  // namespace orthelev
