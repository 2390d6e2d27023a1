#pragma once
// GGA and GNS sentences (and their high-precision forms) of an NMEA log: parsing their position,
// altitude and geoid separation, and rewriting them with the active model's geoid height N so that
// altitude + separation (the ellipsoidal height) is kept. Lines are raw byte strings; nothing is
// re-encoded. Fields are numbered from 1, field 1 being the address field with its "$".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/conversion_state.hpp"

namespace orthelev {

// Counters of one NMEA file conversion.
struct NmeaCounters {
  std::int32_t records = 0;       // recognised GGA and GNS sentences and height packets
  std::int32_t corrected = 0;     // sentences rewritten
  std::int32_t outsideRange = 0;  // with a fix, but no geoid height at the position
  std::int32_t noSeparation = 0;  // with an altitude inside the model, but no separation
  std::int32_t noAltitude = 0;    // with a position inside the model, but no altitude
  std::int32_t ubxCorrected = 0;  // UBX and SiRF packets rewritten (binary_heights.hpp)
  std::int32_t sirfCorrected = 0;
  double diffSum = 0;  // sum of (old separation - N) over corrected, metres
};

// The values of one GGA or GNS sentence.
struct SentenceFix {
  double latitude = 0;            // degrees north; NaN when the field is empty
  double longitude = 0;           // degrees east; NaN when the field is empty
  double altitude = 0;            // sentence's unit (metres); NaN when the field is empty
  double separation = 0;          // geoid separation; NaN when the field is empty
  std::uint8_t fixIndicator = 0;  // GGA fix quality or GNS mode number; 0 = no fix
};

// The fields of a sentence, as views into its line.
struct SentenceFields {
  static constexpr int kMaxFields = 25;
  std::array<std::string_view, kMaxFields> fields{};
  int count = 0;
  // Field n (1-based); empty when absent.
  std::string_view operator[](int n) const {
    return n >= 1 && n <= kMaxFields ? fields[n - 1] : std::string_view();
  }
};

enum class SentenceKind { None, Gga, Gns };

// Splits at commas into at most 25 fields; every field but the last is
// trimmed of bytes at or below the blank, the 25th keeps the rest of the
// line, and the last field is cut before its first "*" (the checksum).
SentenceFields SplitSentenceFields(std::string_view line);

// GGA or GNS for an address field of one talker (two upper-case letters,
// not a proprietary "P") and GGA, GNS or their high-precision forms GGAH,
// GNSH ("$GPGGA", "$INGGA", "$GNGNSH"); None for any other field, also for
// two address fields run together ("$BDGGA$GNGNS").
SentenceKind LookUpSentence(std::string_view addressField);

// ddmm.mmmm (or dddmm.mmmm) text and its hemisphere letter to degrees: "S"
// or "W" (any case) give a negative value, anything else a positive one.
// NaN for an empty number text.
double NmeaCoordinate(std::string_view number, std::string_view hemisphere);

SentenceFix ParseGgaFields(const SentenceFields& fields);
SentenceFix ParseGnsFields(const SentenceFields& fields);

// The GNS mode field to the GGA quality number: the last letter that is
// neither "N" nor a blank decides, by its place in "NADPRFEMS" (N 0, A 1,
// ... S 8); 0 for no such letter or one not in the list.
std::uint8_t GnsModeIndicator(std::string_view mode);

// Line with field n replaced by `value` written with `decimals` decimals,
// at least 6 characters wide. Works on the line's commas: without a comma
// after field n, everything after the (n - 1)-th comma (checksum included)
// is replaced; with fewer than n - 1 commas the line is returned unchanged.
std::string ReplaceSentenceField(std::string_view line, double value, int decimals, int n);

// The XOR of the bytes between the leading "$" and the first "*" (or the
// line's end), the NMEA 0183 checksum.
std::uint8_t SentenceChecksum(std::string_view line);

// Line cut after its first "*" (one appended when there is none), followed
// by the checksum as two upper-case hexadecimal digits.
std::string RewriteChecksum(std::string_view line);

// True when the line carries a checksum (anything but blanks after its
// first "*") that is not the two hexadecimal digits of SentenceChecksum.
bool HasWrongChecksum(std::string_view line);

// Examines one log line. A recognised GGA/GNS sentence with a position, a
// separation within +-150 and an altitude, at a point the active model
// covers, gets the model's N as separation, altitude + old separation - N
// as altitude and a new checksum; every other line is left byte for byte,
// and so is a sentence whose checksum is present and wrong. A sentence
// with an empty separation field states no reference for its altitude: it
// is left as it is (counted in noSeparation) unless `heights` states every
// height ellipsoidal, which also reads the altitude of a sentence with a
// separation as ellipsoidal (altitude - N). Interpolates by the window of
// `heights` and writes its decimals. Updates counters.
void CorrectSentence(std::string& line, NmeaCounters& counters,
                     const HeightSettings& heights = ReadHeightSettings());

}  // namespace orthelev
