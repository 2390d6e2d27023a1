#include "conversion/csv_layout.hpp"

#include <utility>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/log_reader.hpp"

namespace orthelev {

namespace {

constexpr std::string_view kDefaultProfile = "Default";
constexpr int kIdentifyingScore = 80;

// "," + list + ",", the form in which "," + item + "," is looked up.
std::string CommaFramed(std::string_view list) {
  std::string framed;
  framed.reserve(list.size() + 2);
  framed += ',';
  framed += list;
  framed += ',';
  return framed;
}

bool IsEntryOf(const std::string& item, const std::string& framedList) {
  return framedList.find(CommaFramed(item)) != std::string::npos;
}

// Removes every run of blanks that touches a comma on either side.
std::string WithoutBlanksAroundCommas(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      std::size_t end = i;
      while (end < text.size() && text[end] == ' ') ++end;
      const bool touchesComma =
          (end < text.size() && text[end] == ',') || (!out.empty() && out.back() == ',');
      if (!touchesComma) out.append(text.substr(i, end - i));
      i = end;
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

CsvItemTitles DefaultCsvItemTitles() {
  return {std::string(defaults::kCsvValid), std::string(defaults::kCsvLatitude),
          std::string(defaults::kCsvNS),    std::string(defaults::kCsvLongitude),
          std::string(defaults::kCsvEW),    std::string(defaults::kCsvHeight),
          std::string(defaults::kCsvGeoid), std::string(defaults::kCsvDate)};
}

std::int32_t SplitCsvItems(std::string_view text, CsvItemViews& items) {
  if (text.empty()) return 0;
  std::int32_t count = 0;
  // Items are a few bytes long: a plain loop finds their commas faster than find.
  for (std::size_t k = 0; k < text.size() && count < kMaxCsvFields - 1;) {
    if (text[k] != ',') {
      ++k;
      continue;
    }
    items[count++] = TrimControlAndBlanks(text.substr(0, k));
    text.remove_prefix(k + 1);
    k = 0;
  }
  items[count++] = TrimControlAndBlanks(text);
  for (std::int32_t k = count; k < kMaxCsvFields; ++k) items[k] = {};
  return count;
}

std::int32_t SplitCsvFields(std::string_view text, CsvFields& fields) {
  CsvItemViews items;
  const std::int32_t count = SplitCsvItems(text, items);
  if (count == 0) return 0;
  for (std::int32_t k = 0; k < kMaxCsvFields; ++k) fields[k] = items[k];
  return count;
}

bool IsCsvItemTitle(std::string_view item, std::string_view list) {
  return IsEntryOf(UpperAscii(item), CommaFramed(UpperAscii(list)));
}

std::string NormaliseHeaderLine(std::string_view line) {
  if (!line.empty() && line.front() == '%') line.remove_prefix(1);
  return WithoutBlanksAroundCommas(UpperAscii(TrimControlAndBlanks(line)));
}

bool ExamineHeaderLine(CsvLayout& layout, std::string_view line, const CsvItemTitles& titles) {
  const std::pair<const std::string*, std::int32_t*> keys[] = {
      {&titles.valid, &layout.columns.valid}, {&titles.latitude, &layout.columns.latitude},
      {&titles.ns, &layout.columns.ns},       {&titles.longitude, &layout.columns.longitude},
      {&titles.ew, &layout.columns.ew},       {&titles.height, &layout.columns.height},
      {&titles.geoid, &layout.columns.geoid}, {&titles.date, &layout.columns.date},
  };
  std::string framedLists[std::size(keys)];
  for (std::size_t k = 0; k < std::size(keys); ++k)
    framedLists[k] = CommaFramed(UpperAscii(*keys[k].first));

  layout.fieldCount = SplitCsvFields(NormaliseHeaderLine(line), layout.fields);
  layout.columns = CsvColumns{};
  for (std::int32_t b = 1; b <= layout.fieldCount; ++b) {
    const std::string& item = layout.fields[b - 1];
    for (std::size_t k = 0; k < std::size(keys); ++k) {
      if (!IsEntryOf(item, framedLists[k])) continue;
      *keys[k].second = b;
      if (keys[k].second == &layout.columns.date) layout.gpstDate = item == "GPST";
    }
  }
  return layout.columns.latitude != 0 && layout.columns.longitude != 0;
}

bool AnalyseCsvHeader(CsvLayout& layout) {
  const CsvItemTitles& titles = TheSettings().csvItems;
  layout.headerText.clear();
  layout.reference = RtklibReference{};
  bool found = false;
  for (int budget = kCsvHeaderLineBudget; !found && !LogEof() && budget > 0; --budget) {
    const std::string line = ReadLogLine();
    if (const auto reference = ParseRtklibReference(line)) layout.reference = *reference;
    if (!line.empty()) {
      if (!layout.headerText.empty()) layout.headerText += "\r\n";
      layout.headerText += line;
    }
    found = ExamineHeaderLine(layout, line, titles);
  }
  ConversionState& state = TheConversion();
  state.profileName = IdentifyLogger(layout.fields, layout.fieldCount);
  ReadLoggerOptions(state.profileName);
  return found;
}

std::string IdentifyLogger(const CsvFields& fields, std::int32_t count) {
  for (const std::string& row : TheSettings().csvInfo) {
    if (LoggerScore(UpperAscii(ProfileRowValue(row)), fields, count) >= kIdentifyingScore)
      return std::string(ProfileRowName(row));
  }
  return std::string(kDefaultProfile);
}

std::int32_t LoggerScore(std::string_view signature, const CsvFields& fields, std::int32_t count) {
  CsvFields entries;
  const std::int32_t entryCount = SplitCsvFields(signature, entries);
  if (entryCount == 0) return 0;
  const std::string framed = CommaFramed(signature);
  std::int32_t matches = 0;
  for (std::int32_t b = 1; b <= count && b <= kMaxCsvFields; ++b)
    if (IsEntryOf(fields[b - 1], framed)) ++matches;
  return matches * 100 / entryCount;
}

std::array<std::int32_t, 6> LoggerOptionFields(std::string_view value) {
  std::array<std::int32_t, 6> options{};
  for (std::size_t k = 0; !value.empty() && k < options.size(); ++k) {
    std::string field;
    if (value.front() == '"') {
      value.remove_prefix(1);
      const std::size_t quote = value.find('"');
      field = value.substr(0, quote);
      value.remove_prefix(quote == std::string_view::npos ? value.size() : quote + 1);
    }
    const std::size_t comma = value.find(',');
    field += value.substr(0, comma);
    value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
    options[k] = SafeStrToInt(TrimControlAndBlanks(field));
  }
  return options;
}

void ReadLoggerOptions(const std::string& profileName) {
  ConversionState& state = TheConversion();
  state.profileName = profileName;
  const auto options = LoggerOptionFields(ProfileValue(TheSettings().csvOption, profileName));
  state.mslWithoutGeoid = options[1] != 0;
}

}  // namespace orthelev
