#pragma once
// Number text in the program's one fixed convention: "." as the decimal
// separator whatever the process locale (never printf or streams, whose
// separator follows LC_NUMERIC). Exact decimal ties round half away from
// zero, as the published tables of geoid heights do.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

// Like printf "%<width>.<decimals>f": fixed notation, left-padded with blanks
// to at least `width` characters. NaN gives "NAN", infinities "INF"/"-INF".
std::string FormatFixed(double value, int decimals, int width = 0);

// FormatFixed appended to `out`; allocates nothing beyond the growth of
// `out` for up to 70 decimals.
void AppendFixed(std::string& out, double value, int decimals, int width = 0);

// General decimal with at most 15 significant digits, like printf "%.15g":
// 1/24 gives "0.0416666666666667", -90 gives "-90".
std::string FormatGeneral(double value);

// Decimal text of a whole number.
std::string FormatInt(std::int64_t value);

// Reads a real number: optional sign, digits with an optional "." fraction
// (at least one digit in all), optional exponent. The whole text must be
// the number, without blanks. False for anything else, "inf" and "nan" included.
[[nodiscard]] bool ParseReal(std::string_view text, double& value);

// Reads a signed 32-bit decimal whole number (optional sign, digits only).
// False on anything else or on overflow.
[[nodiscard]] bool ParseInt32(std::string_view text, std::int32_t& value);

// Reads 32 bits from their hexadecimal digits (no prefix, no sign); values
// above 7FFFFFFF come back negative, as in a 32-bit register (FFFFFFFF: -1).
// False on anything else or on overflow.
[[nodiscard]] bool ParseHexInt32(std::string_view digits, std::int32_t& value);

// Text without leading and trailing bytes at or below the blank.
inline std::string_view TrimControlAndBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// Tolerant conversions: text trimmed of bytes at or below the blank; empty
// or malformed text (and overflow) gives 0.
double SafeStrToFloat(std::string_view text);
std::int32_t SafeStrToInt(std::string_view text);  // decimal, "$" or "0x" hex

}  // namespace orthelev
