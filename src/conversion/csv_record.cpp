#include "conversion/csv_record.hpp"

#include <limits>
#include <utility>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"

namespace orthelev {

namespace {

bool IsNumberCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool HoldsDigit(std::string_view text) {
  for (char c : text)
    if (c >= '0' && c <= '9') return true;
  return false;
}

bool IsSouthOrWestLetter(std::string_view item, char upper) {
  return item.size() == 1 && LowerAscii(item[0]) == LowerAscii(upper);
}

}  // namespace

double ParseCsvNumber(std::string_view text) {
  text = TrimControlAndBlanks(text);
  char local[64];  // items are short: no string to build
  std::string large(text.size() > sizeof local ? text.size() : 0, '\0');
  char* kept = text.size() > sizeof local ? large.data() : local;
  size_t count = 0;
  for (char c : text)
    if (IsNumberCharacter(c)) kept[count++] = c;
  return SafeStrToFloat(std::string_view(kept, count));
}

double ParseCsvCoordinate(std::string_view text) {
  const double value = ParseCsvNumber(text);
  return text.find_first_of("SWsw") != std::string_view::npos ? -value : value;
}

bool ParseCsvRecordLine(CsvLayout& layout, std::string line) {
  layout.latitude = 0;
  layout.longitude = 0;
  layout.height = std::numeric_limits<double>::quiet_NaN();
  layout.line = std::move(line);
  CsvItemViews items;
  const std::string_view text = std::string_view(layout.line).substr(0, layout.packetStart);
  const std::int32_t count = SplitCsvItems(text, items);
  // A packet on its own is no position, but its bytes go to the output.
  if (count == 0 && text.size() == layout.line.size()) return false;
  layout.fieldCount = count;
  auto Item = [&items](std::int32_t column) {
    return column >= 1 && column <= kMaxCsvFields ? items[column - 1] : std::string_view();
  };

  const CsvColumns& columns = layout.columns;
  if (columns.latitude != 0) {
    layout.latitude = ParseCsvCoordinate(Item(columns.latitude));
    if (columns.ns != 0 && IsSouthOrWestLetter(Item(columns.ns), 'S'))
      layout.latitude = -layout.latitude;
  }
  if (columns.longitude != 0) {
    layout.longitude = ParseCsvCoordinate(Item(columns.longitude));
    if (columns.ew != 0 && IsSouthOrWestLetter(Item(columns.ew), 'W'))
      layout.longitude = -layout.longitude;
  }
  layout.positionGiven = HoldsDigit(Item(columns.latitude)) && HoldsDigit(Item(columns.longitude));
  if (columns.height != 0) layout.height = ParseCsvNumber(Item(columns.height));
  layout.fileGeoid = columns.geoid != 0 ? ParseCsvNumber(Item(columns.geoid)) : 0;

  if (layout.gpstDate && columns.date != 0 &&
      Item(columns.date).find('/') == std::string_view::npos)
    TheConversion().dateTimeFormatError = true;
  return true;
}

bool ReadCsvRecord(CsvLayout& layout) {
  std::string line = std::move(layout.line);  // its storage is read into again
  while (!LogEof()) {
    ReadLogLine(line);
    layout.packetStart = LogLinePacketStart();
    if (ParseCsvRecordLine(layout, std::move(line))) return true;
    line = std::move(layout.line);
  }
  return false;
}

}  // namespace orthelev
