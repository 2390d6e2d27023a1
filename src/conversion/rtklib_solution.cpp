#include "conversion/rtklib_solution.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "conversion/csv_layout.hpp"
#include "conversion/log_reader.hpp"

namespace orthelev {

namespace {

// RTKLIB's options block is read from the first 100 lines by RTKLIB itself;
// twice that leaves room for title lines.
constexpr int kHeaderLineBudget = 200;
constexpr int kTimeItems = 2;  // date and time, or GPS week and seconds
constexpr int kDmsItems = 3;
constexpr std::string_view kDmsUnit = "(D'\")";
constexpr std::string_view kDegreeUnit = "(DEG)";
constexpr std::string_view kReferenceKey = "LAT/LON/HEIGHT=";

struct ItemSpan {
  std::size_t begin = 0, end = 0;
};

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

// The blank-separated items of `text`, at most `limit` of them.
std::vector<ItemSpan> ItemSpans(std::string_view text, std::size_t limit) {
  std::vector<ItemSpan> spans;
  spans.reserve(std::min(limit, (text.size() + 1) / 2));  // at most that many items fit
  std::size_t at = 0;
  while (spans.size() < limit) {
    while (at < text.size() && IsSeparator(text[at])) ++at;
    if (at == text.size()) break;
    ItemSpan span{at, at};
    while (span.end < text.size() && !IsSeparator(text[span.end])) ++span.end;
    spans.push_back(span);
    at = span.end;
  }
  return spans;
}

bool IsTimeName(std::string_view upperName) {
  return upperName == "GPST" || upperName == "UTC" || upperName == "JST";
}

// The upper-cased name with a degree-minute-second unit read as degrees.
std::string AsDegreeName(std::string upperName, bool& dms) {
  dms = upperName.size() > kDmsUnit.size() && upperName.ends_with(kDmsUnit);
  if (dms) upperName.replace(upperName.size() - kDmsUnit.size(), kDmsUnit.size(), kDegreeUnit);
  return upperName;
}

bool OnlyOf(std::string_view item, std::string_view allowed) {
  return !item.empty() && item.find_first_not_of(allowed) == std::string_view::npos;
}

// Whether the two time items read as a date and a time of day, or as a GPS
// week and its seconds. Items shifted by a lost blank or merged lines do not:
// their record is not read, so no other column is taken for the height.
bool LooksLikeTime(std::string_view first, std::string_view second) {
  return OnlyOf(first, "0123456789/") && OnlyOf(second, "0123456789:.");
}

int LastItemOf(const RtklibColumn& column) {
  return column.item < 0 ? -1 : column.item + (column.dms ? kDmsItems - 1 : 0);
}

// The number of one item, or degrees from three (degrees, minutes, seconds;
// the sign on the degrees, "-0" included).
std::optional<double> ReadValue(std::string_view line, const std::vector<ItemSpan>& spans,
                                const RtklibColumn& column) {
  auto item = [&](int k) { return line.substr(spans[k].begin, spans[k].end - spans[k].begin); };
  double parts[kDmsItems] = {0, 0, 0};
  const int count = column.dms ? kDmsItems : 1;
  for (int k = 0; k < count; ++k)
    if (!ParseReal(item(column.item + k), parts[k])) return std::nullopt;
  if (!column.dms) return parts[0];
  const double degrees = std::fabs(parts[0]) + parts[1] / 60.0 + parts[2] / 3600.0;
  return item(column.item).front() == '-' ? -degrees : degrees;
}

// The blanks right before item k that it may take: all of them after the
// line's start, all but one when only blanks separate it from item k - 1.
std::size_t SpareBlanksBefore(std::string_view line, const std::vector<ItemSpan>& spans, int k) {
  const std::size_t previousEnd = k == 0 ? 0 : spans[k - 1].end;
  std::size_t at = spans[k].begin;
  while (at > previousEnd && line[at - 1] == ' ') --at;
  const std::size_t blanks = spans[k].begin - at;
  return k > 0 && at == previousEnd ? blanks - 1 : blanks;
}

}  // namespace

std::optional<RtklibColumns> ParseRtklibColumnNames(std::string_view line,
                                                    const CsvItemTitles& titles) {
  if (line.empty() || line.front() != '%') return std::nullopt;
  line.remove_prefix(1);
  RtklibColumns columns;
  int item = 0;
  for (const ItemSpan& span : ItemSpans(line, line.size())) {
    bool dms = false;
    const std::string name =
        AsDegreeName(UpperAscii(line.substr(span.begin, span.end - span.begin)), dms);
    const RtklibColumn here{item, dms};
    if (IsTimeName(name)) {
      if (columns.time < 0) columns.time = item;
      item += kTimeItems;
      continue;
    }
    if (IsCsvItemTitle(name, titles.latitude)) columns.latitude = here;
    if (IsCsvItemTitle(name, titles.longitude)) columns.longitude = here;
    if (!dms && IsCsvItemTitle(name, titles.height)) columns.height = here;
    item += dms ? kDmsItems : 1;
  }
  if (columns.latitude.item < 0 || columns.longitude.item < 0) return std::nullopt;
  return columns;
}

std::optional<RtklibReference> ParseRtklibReference(std::string_view line) {
  if (line.empty() || line.front() != '%') return std::nullopt;
  const std::string upper = UpperAscii(line);
  const std::size_t key = upper.find(kReferenceKey);
  if (key == std::string::npos) return std::nullopt;
  std::string_view value = std::string_view(upper).substr(key + kReferenceKey.size());
  value = value.substr(0, value.find_first_of(",)"));
  const std::size_t slash = value.find('/');
  RtklibReference reference;
  reference.wgs84 = value.substr(0, slash) == "WGS84";
  const std::string_view heights =
      slash == std::string_view::npos ? std::string_view() : value.substr(slash + 1);
  reference.geodetic = heights == "GEODETIC";
  reference.stated = reference.geodetic || heights == "ELLIPSOIDAL";
  return reference;
}

std::string_view RtklibRefusal(const RtklibReference& reference, bool statedEllipsoidal) {
  if (!reference.wgs84) return "  Unknown CSV log file : ";
  if (reference.geodetic && !statedEllipsoidal) return "  MSL input without Geoid : ";
  return {};
}

bool AnalyseRtklibHeader(RtklibHeader& header, const CsvItemTitles& titles) {
  header = RtklibHeader{};
  std::string lastComment;
  for (int budget = kHeaderLineBudget; budget > 0 && !LogEof(); --budget) {
    std::string line = ReadLogLine();
    if (line.empty()) continue;
    if (line.front() != '%' && !lastComment.empty()) {
      header.firstRecord = std::move(line);
      header.firstRecordPacket = LogLinePacketStart();
      break;
    }
    if (!header.text.empty()) header.text += "\r\n";
    header.text += line;
    if (line.front() != '%') continue;
    if (const auto reference = ParseRtklibReference(line)) header.reference = *reference;
    lastComment = std::move(line);
  }
  // A block cut by the line budget has not ended.
  if (!header.firstRecord && !LogEof()) return false;
  const auto columns = ParseRtklibColumnNames(lastComment, titles);
  if (!columns) return false;
  header.columns = *columns;
  return true;
}

std::optional<RtklibRecord> ParseRtklibRecord(std::string_view line, const RtklibColumns& columns) {
  const int timeEnd = columns.time < 0 ? -1 : columns.time + kTimeItems - 1;
  const int last = std::max({LastItemOf(columns.latitude), LastItemOf(columns.longitude),
                             LastItemOf(columns.height), timeEnd});
  const std::vector<ItemSpan> spans = ItemSpans(line, static_cast<std::size_t>(last) + 1);
  const int count = static_cast<int>(spans.size());
  auto item = [&](int k) { return line.substr(spans[k].begin, spans[k].end - spans[k].begin); };
  if (columns.time >= 0 &&
      (timeEnd >= count || !LooksLikeTime(item(columns.time), item(columns.time + 1))))
    return std::nullopt;
  if (LastItemOf(columns.latitude) >= count || LastItemOf(columns.longitude) >= count)
    return std::nullopt;
  const auto latitude = ReadValue(line, spans, columns.latitude);
  const auto longitude = ReadValue(line, spans, columns.longitude);
  if (!latitude || !longitude) return std::nullopt;
  RtklibRecord record{*latitude, *longitude, std::nullopt};
  if (columns.height.item >= 0 && columns.height.item < count)
    record.height = ReadValue(line, spans, columns.height);
  return record;
}

std::string ReplaceRtklibHeight(std::string_view line, const RtklibColumns& columns, double value,
                                int decimals) {
  const int k = columns.height.item;
  std::string result(line);
  if (k < 0) return result;
  const std::vector<ItemSpan> spans = ItemSpans(line, static_cast<std::size_t>(k) + 1);
  if (static_cast<int>(spans.size()) <= k) return result;
  const std::size_t end = spans[k].end;
  std::size_t begin = spans[k].begin;
  const std::size_t width = FormatFixed(value, decimals).size();
  if (width > end - begin)
    begin -= std::min(SpareBlanksBefore(line, spans, k), width - (end - begin));
  result.replace(begin, end - begin, FormatFixed(value, decimals, static_cast<int>(end - begin)));
  return result;
}

}  // namespace orthelev
