#include "base/number_format.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace orthelev {

namespace {

// 10^0 to 10^22, every one exact (10^22 is the last exact power of ten).
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// True when `value` lies exactly halfway between two multiples of
// 10^-decimals, i.e. value * 2 * 10^decimals is an odd integer exactly.
bool IsExactDecimalTie(double value, int decimals) {
  if (decimals < 0 || decimals > 22) return false;
  const double scale = 2.0 * kPowersOfTen[decimals];
  const double product = value * scale;
  if (!std::isfinite(product) || std::fabs(product) > 9007199254740992.0) return false;
  if (product != std::trunc(product) || std::fma(value, scale, -product) != 0.0) return false;
  return std::fmod(std::fabs(product), 2.0) == 1.0;
}

// std::to_chars rounds exact ties to even; nudging one step away from zero
// turns such a tie into a value that rounds away from zero instead.
double AwayFromZeroOnTie(double value, int decimals) {
  if (!IsExactDecimalTie(value, decimals)) return value;
  return std::nextafter(value, value < 0 ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity());
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// Appends `text` left-padded with blanks to at least `width` characters.
void AppendPadded(std::string& out, std::string_view text, int width) {
  if (static_cast<int>(text.size()) < width) out.append(width - text.size(), ' ');
  out += text;
}

constexpr int kShortMaxDecimals = 9;

// "00" "01" ... "99": two digits per step.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();
constexpr double kShortMaxMagnitude = 1e9;

// The short-number road of AppendFixed: |value| below 10^9 with at most 9
// decimals, the magnitude of every height and coordinate a log holds. Such
// a value is m * 2^e exactly (m below 2^53); m * 10^decimals fits in 128
// bits and the rounded quotient by 2^-e in 64, so integer arithmetic gives
// the exact decimal rounding that to_chars computes: half to even, and an
// exact tie rounded away from zero where IsExactDecimalTie sees it (twice
// the scaled value an odd whole number of at most 2^53). Writes the text
// (sign, digits, point) to `text` and returns its length; 0 when the value
// is not of this kind.
size_t ShortFixedText(double value, int decimals, char* text) {
  const double magnitude = std::fabs(value);
  if (decimals > kShortMaxDecimals || !(magnitude < kShortMaxMagnitude)) return 0;
  // magnitude = mantissa / 2^shift exactly, from the IEEE 754 fields.
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const auto biased = static_cast<int>(bits >> 52);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  const int shift = 1075 - (biased != 0 ? biased : 1);  // > 0 below 10^9
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(mantissa) * static_cast<std::uint64_t>(kPowersOfTen[decimals]);
  std::uint64_t units = 0;  // the value in units of 10^-decimals, rounded
  if (shift < 128) {
    units = static_cast<std::uint64_t>(scaled >> shift);
    const unsigned __int128 rest = scaled - (static_cast<unsigned __int128>(units) << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    const bool tieAwayFromZero = 2 * units + 1 <= (std::uint64_t{1} << 53);
    if (rest > half || (rest == half && (tieAwayFromZero || (units & 1) != 0))) ++units;
  }
  // The digits of `units`, two at a time from the last, with leading zeros
  // up to one digit before the point.
  char digits[24];
  size_t first = sizeof digits;
  for (; units >= 10; units /= 100) {
    first -= 2;
    std::memcpy(digits + first, kDigitPairs.data() + 2 * (units % 100), 2);
  }
  if (units != 0 || first == sizeof digits) digits[--first] = static_cast<char>('0' + units);
  const auto fractionDigits = static_cast<size_t>(decimals);
  while (sizeof digits - first < fractionDigits + 1) digits[--first] = '0';
  const size_t wholeDigits = sizeof digits - first - fractionDigits;
  size_t length = 0;
  if (std::signbit(value)) text[length++] = '-';
  std::memcpy(text + length, digits + first, wholeDigits);
  length += wholeDigits;
  if (fractionDigits > 0) {
    text[length++] = '.';
    std::memcpy(text + length, digits + first + wholeDigits, fractionDigits);
    length += fractionDigits;
  }
  return length;
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals, int width) {
  if (!std::isfinite(value)) return AppendPadded(out, NonFinite(value), width);
  if (decimals < 0) decimals = 0;
  char shortText[32];
  if (const size_t length = ShortFixedText(value, decimals, shortText); length != 0)
    return AppendPadded(out, std::string_view(shortText, length), width);
  value = AwayFromZeroOnTie(value, decimals);
  // A double has at most 309 digits before the point.
  const size_t capacity = 330 + static_cast<size_t>(decimals);
  char local[400];
  std::string large(capacity > sizeof local ? capacity : 0, '\0');
  char* text = capacity > sizeof local ? large.data() : local;
  auto [end, ec] = std::to_chars(text, text + capacity, value, std::chars_format::fixed, decimals);
  AppendPadded(out, std::string_view(text, ec == std::errc() ? end - text : 0), width);
}

std::string FormatFixed(double value, int decimals, int width) {
  std::string text;
  AppendFixed(text, value, decimals, width);
  return text;
}

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value != 0.0) {
    // Decimals at which 15 significant digits end, for the tie test.
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    value = AwayFromZeroOnTie(value, 14 - exponent);
  }
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

std::string FormatInt(std::int64_t value) {
  char text[24];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

bool ParseReal(std::string_view text, double& value) {
  size_t i = 0;
  const size_t n = text.size();
  const bool plus = i < n && text[i] == '+';
  const bool minus = i < n && text[i] == '-';
  if (plus || minus) ++i;
  size_t digits = 0, decimals = 0;
  std::uint64_t mantissa = 0;  // the digits as a whole number, while they fit
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
    ++i, ++digits;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
      ++i, ++digits, ++decimals;
    }
  }
  if (digits == 0) return false;
  if (i == n && digits <= 15 && decimals <= 22) {
    // Both the digits (below 2^53) and 10^decimals are exact doubles, so the
    // one correctly rounded division is the correctly rounded value of the
    // text, which from_chars would give too.
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    value = minus ? -magnitude : magnitude;
    return true;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  const char* first = text.data() + (plus ? 1 : 0);
  double parsed = 0;
  auto [end, ec] = std::from_chars(first, text.data() + n, parsed);
  // Out-of-range magnitudes are reported as result_out_of_range; refuse them.
  if (ec != std::errc() || end != text.data() + n) return false;
  value = parsed;
  return true;
}

bool ParseInt32(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  }
  std::int32_t parsed = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

bool ParseHexInt32(std::string_view digits, std::int32_t& value) {
  if (digits.empty()) return false;
  std::uint32_t parsed = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  value = static_cast<std::int32_t>(parsed);  // 0xFFFFFFFF is -1, as in 32-bit registers
  return true;
}

double SafeStrToFloat(std::string_view text) {
  double value = 0;
  return ParseReal(TrimControlAndBlanks(text), value) ? value : 0.0;
}

std::int32_t SafeStrToInt(std::string_view text) {
  text = TrimControlAndBlanks(text);
  std::int32_t value = 0;
  bool ok;
  if (!text.empty() && text.front() == '$')
    ok = ParseHexInt32(text.substr(1), value);
  else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    ok = ParseHexInt32(text.substr(2), value);
  else
    ok = ParseInt32(text, value);
  return ok ? value : 0;
}

}  // namespace orthelev
