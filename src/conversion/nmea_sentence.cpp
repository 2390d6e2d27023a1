#include "conversion/nmea_sentence.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/log_reader.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMaxSeparation = 150.0;

// The sentences that carry a fix, by the formatter after the talker: GGA
// and GNS of NMEA 0183 and the high-precision GGAH and GNSH of Unicore
// receivers, laid out as GGA and GNS.
struct FixSentence {
  std::string_view formatter;
  SentenceKind kind;
};
constexpr FixSentence kFixSentences[] = {
    {"GGA", SentenceKind::Gga},
    {"GNS", SentenceKind::Gns},
    {"GGAH", SentenceKind::Gga},
    {"GNSH", SentenceKind::Gns},
};

// Any talker: two upper-case letters ("P" opens a proprietary address instead).
bool IsTalker(std::string_view talker) {
  return talker.size() == 2 && talker[0] != 'P' && talker[0] >= 'A' && talker[0] <= 'Z' &&
         talker[1] >= 'A' && talker[1] <= 'Z';
}

constexpr std::string_view kGnsModes = "NADPRFEMS";

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

double OptionalNumber(std::string_view field, double whenEmpty) {
  return field.empty() ? whenEmpty : SafeStrToFloat(field);
}

// Position, altitude and the fix's separation from the given field.
SentenceFix ParseCommonFields(const SentenceFields& fields, int separationField) {
  SentenceFix fix;
  fix.latitude = NmeaCoordinate(fields[3], fields[4]);
  fix.longitude = NmeaCoordinate(fields[5], fields[6]);
  fix.altitude = OptionalNumber(fields[10], kNaN);
  fix.separation = OptionalNumber(fields[separationField], kNaN);
  return fix;
}

// The XOR of the bytes from the second up to `end`. XOR is bitwise: eight
// bytes at a time, then the eight lanes folded.
std::uint8_t ChecksumBefore(std::string_view line, size_t end) {
  std::uint64_t lanes = 0;
  size_t i = 1;
  for (; i + 8 <= end; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, line.data() + i, 8);
    lanes ^= word;
  }
  lanes ^= lanes >> 32;
  lanes ^= lanes >> 16;
  lanes ^= lanes >> 8;
  auto sum = static_cast<std::uint8_t>(lanes);
  for (; i < end; ++i) sum ^= static_cast<std::uint8_t>(line[i]);
  return sum;
}

// HasWrongChecksum for the line's first "*" at `star` (npos: none).
bool WrongChecksumAt(std::string_view line, size_t star) {
  if (star == line.npos) return false;
  const std::string_view given = TrimControlAndBlanks(line.substr(star + 1));
  if (given.empty()) return false;
  if (given.size() != 2) return true;
  const int high = HexDigitValue(given[0]), low = HexDigitValue(given[1]);
  return high < 0 || low < 0 || high * 16 + low != ChecksumBefore(line, star);
}

// ReplaceSentenceField on `line` itself (no new string once it has room).
// Where field n lies in a line: from just after the (n - 1)-th comma up to
// the next comma or the end. `found` is false with fewer than n - 1 commas.
struct FieldSpan {
  size_t start = 0, end = 0;
  bool found = false;
};

// The spans of fields `first` < `second`, in one pass over the line.
// Fields are a few bytes long: a plain loop finds their commas faster than find.
void FindFieldSpans(std::string_view line, int first, int second, FieldSpan& a, FieldSpan& b) {
  int field = 1;  // the field position k lies in
  for (size_t k = 0;; ++k) {
    const bool ends = k == line.size() || line[k] == ',';
    if (ends && field == first) a.end = k;
    if (ends && field == second) {
      b.end = k;
      return;
    }
    if (k == line.size()) return;
    if (line[k] != ',') continue;
    ++field;
    if (field == first) a = {k + 1, k + 1, true};
    if (field == second) b = {k + 1, k + 1, true};
  }
}

void ReplaceSpan(std::string& line, const FieldSpan& span, double value, int decimals) {
  if (span.found)  // short: no allocation
    line.replace(span.start, span.end - span.start, FormatFixed(value, decimals, 6));
}

// ReplaceSentenceField on `line` itself (no new string once it has room).
void ReplaceFieldInPlace(std::string& line, double value, int decimals, int n) {
  if (n < 1) n = 1;  // no comma to pass: the first field
  FieldSpan span, unused;
  if (n == 1) span.found = true;
  FindFieldSpans(line, n, n + 1, span, unused);
  ReplaceSpan(line, span, value, decimals);
}

// Bit 7 of byte i set where line[base + i] is a comma, for the (up to) eight
// bytes from `base`: a comma XOR ',' is the only zero byte, and adding 0x7F
// to the low seven bits carries into bit 7 for every byte but a zero one.
std::uint64_t CommaMarks(std::string_view line, size_t base) {
  static_assert(std::endian::native == std::endian::little, "byte i is bits 8i to 8i + 7");
  constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2CULL, kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  std::uint64_t word = 0;  // past the end: zero bytes, not commas
  std::memcpy(&word, line.data() + base, std::min<size_t>(8, line.size() - base));
  const std::uint64_t x = word ^ kCommas;
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// SplitSentenceFields up to the first `wanted` commas (wanted < kMaxFields;
// kMaxFields - 1 is the whole split): fields 1 to `wanted` come out as the
// whole split gives them, the fields after them are left empty. commas[k]
// is the place of comma k + 1; returns how many were found.
int SplitLeadingFields(std::string_view line, int wanted, SentenceFields& result, size_t* commas) {
  int found = 0;
  size_t start = 0;  // of field found + 1
  for (size_t base = 0; base < line.size() && found < wanted; base += 8) {
    for (std::uint64_t marks = CommaMarks(line, base); marks != 0 && found < wanted;
         marks &= marks - 1) {
      const size_t k = base + static_cast<size_t>(std::countr_zero(marks)) / 8;
      result.fields[found] = TrimControlAndBlanks(line.substr(start, k - start));
      commas[found++] = k;
      start = k + 1;
    }
  }
  result.count = found + 1;
  if (found < wanted || wanted == SentenceFields::kMaxFields - 1) {
    const std::string_view rest = line.substr(start);
    result.fields[found] = rest.substr(0, rest.find('*'));
  }
  return found;
}

// Where field n lies, as FindFieldSpans finds it, from the commas of
// SplitLeadingFields (n at most their number + 1).
FieldSpan SpanOfField(int n, const size_t* commas, int commaCount, size_t lineSize) {
  if (n - 1 > commaCount) return {};
  const size_t start = n == 1 ? 0 : commas[n - 2] + 1;
  return {start, n <= commaCount ? commas[n - 1] : lineSize, true};
}

// RewriteChecksum on `line` itself.
void RewriteChecksumInPlace(std::string& line) {
  constexpr char kHex[] = "0123456789ABCDEF";
  const size_t star = line.find('*');
  const std::uint8_t sum = ChecksumBefore(line, star == line.npos ? line.size() : star);
  if (star != line.npos) line.resize(star);
  line.push_back('*');
  line.push_back(kHex[sum >> 4]);
  line.push_back(kHex[sum & 0x0F]);
}

}  // namespace

SentenceFields SplitSentenceFields(std::string_view line) {
  SentenceFields result;
  size_t commas[SentenceFields::kMaxFields];
  SplitLeadingFields(line, SentenceFields::kMaxFields - 1, result, commas);
  return result;
}

SentenceKind LookUpSentence(std::string_view addressField) {
  if (addressField.size() < 6 || addressField[0] != '$' || !IsTalker(addressField.substr(1, 2)))
    return SentenceKind::None;
  const std::string_view formatter = addressField.substr(3);
  for (const FixSentence& sentence : kFixSentences)
    if (sentence.formatter == formatter) return sentence.kind;
  return SentenceKind::None;
}

double NmeaCoordinate(std::string_view number, std::string_view hemisphere) {
  number = TrimControlAndBlanks(number);
  if (number.empty()) return kNaN;
  const double v = SafeStrToFloat(number) / 100;
  const double whole = std::trunc(v);
  const double degrees = std::fabs(whole + (v - whole) / 0.6);
  hemisphere = TrimControlAndBlanks(hemisphere);
  const bool negative = hemisphere.size() == 1 &&
                        (UpperAscii(hemisphere[0]) == 'S' || UpperAscii(hemisphere[0]) == 'W');
  return negative ? -degrees : degrees;
}

SentenceFix ParseGgaFields(const SentenceFields& fields) {
  SentenceFix fix = ParseCommonFields(fields, 12);
  fix.fixIndicator = static_cast<std::uint8_t>(SafeStrToInt(fields[7]) & 0xFF);
  return fix;
}

SentenceFix ParseGnsFields(const SentenceFields& fields) {
  SentenceFix fix = ParseCommonFields(fields, 11);
  fix.fixIndicator = GnsModeIndicator(fields[7]);
  return fix;
}

std::uint8_t GnsModeIndicator(std::string_view mode) {
  char letter = 'N';
  for (char c : mode)
    if (c != 'N' && c != ' ') letter = c;
  const size_t place = kGnsModes.find(letter);
  return place == kGnsModes.npos ? 0 : static_cast<std::uint8_t>(place);
}

std::string ReplaceSentenceField(std::string_view line, double value, int decimals, int n) {
  std::string result(line);
  ReplaceFieldInPlace(result, value, decimals, n);
  return result;
}

std::uint8_t SentenceChecksum(std::string_view line) {
  const size_t star = line.find('*');
  return ChecksumBefore(line, star == line.npos ? line.size() : star);
}

std::string RewriteChecksum(std::string_view line) {
  std::string result(line);
  RewriteChecksumInPlace(result);
  return result;
}

bool HasWrongChecksum(std::string_view line) { return WrongChecksumAt(line, line.find('*')); }

void CorrectSentence(std::string& line, NmeaCounters& counters, const HeightSettings& heights) {
  if (line.empty() || line[0] != '$') return;
  // Neither GGA nor GNS needs a field beyond the 12th.
  constexpr int kFieldsUsed = 12;
  SentenceFields fields;
  size_t commas[kFieldsUsed];
  const int commaCount = SplitLeadingFields(line, kFieldsUsed, fields, commas);
  const SentenceKind kind = LookUpSentence(fields[1]);
  if (kind == SentenceKind::None) return;
  ++counters.records;
  // Re-signing a corrupted sentence would hide the corruption.
  if (HasWrongChecksum(line)) return;

  const SentenceFix fix =
      kind == SentenceKind::Gga ? ParseGgaFields(fields) : ParseGnsFields(fields);
  if (std::isnan(fix.latitude) || std::isnan(fix.longitude)) return;
  const bool hasSeparation = !std::isnan(fix.separation);
  if (hasSeparation && !(std::fabs(fix.separation) <= kMaxSeparation)) return;
  const double n = InterpolateGeoid(heights.window, fix.latitude, fix.longitude);
  // Heights stated ellipsoidal are the altitude itself, whatever the separation field holds.
  const double separation = heights.statedEllipsoidal ? 0.0 : fix.separation;
  ProfileRecord(fix.altitude, (fix.altitude + separation) - n, n);
  if (fix.fixIndicator > 0 && std::isnan(n)) ++counters.outsideRange;
  if (std::isnan(n)) return;
  if (std::isnan(fix.altitude)) {
    ++counters.noAltitude;
    return;
  }
  if (!hasSeparation && !heights.statedEllipsoidal) {
    ++counters.noSeparation;
    return;
  }
  ++counters.corrected;
  counters.diffSum += separation - n;
  const int decimals = heights.decimals;
  const double altitude = (fix.altitude + separation) - n;
  const int separationField = kind == SentenceKind::Gga ? 12 : 11;
  // The numbers hold no comma: the later field first, and the earlier one's
  // place does not move.
  ReplaceSpan(line, SpanOfField(separationField, commas, commaCount, line.size()), n, decimals);
  ReplaceSpan(line, SpanOfField(10, commas, commaCount, line.size()), altitude, decimals);
  RewriteChecksumInPlace(line);
}

}  // namespace orthelev
