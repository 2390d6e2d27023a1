#include "conversion/nmea_line.hpp"

#include <cstring>

#include "base/number_format.hpp"
#include "conversion/log_reader.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

constexpr std::size_t kAddressFieldSize = 6;  // "$GPGGA"

bool StartsRecognisedSentence(std::string_view line, std::size_t dollar) {
  const std::string_view rest = line.substr(dollar);
  return rest.size() > kAddressFieldSize && rest[kAddressFieldSize] == ',' &&
         LookUpSentence(rest.substr(0, kAddressFieldSize)) != SentenceKind::None;
}

bool HasValidChecksum(std::string_view sentence) {
  const std::size_t star = sentence.find('*');
  return star != std::string_view::npos &&
         !TrimControlAndBlanks(sentence.substr(star + 1)).empty() && !HasWrongChecksum(sentence);
}

// The last "$" among the bytes 1 to end - 1 (a sentence at the line's start
// is no glued one); npos when there is none.
std::size_t LastDollarBefore(std::string_view line, std::size_t end) {
  if (end <= 1) return std::string_view::npos;
  const char* found = platform::LastByte(line.data() + 1, '$', end - 1);
  return found ? static_cast<std::size_t>(found - line.data()) : std::string_view::npos;
}

}  // namespace

std::size_t GluedSentenceStart(std::string_view line) {
  for (std::size_t dollar = LastDollarBefore(line, line.size()); dollar != std::string_view::npos;
       dollar = LastDollarBefore(line, dollar)) {
    if (!StartsRecognisedSentence(line, dollar)) continue;
    return HasValidChecksum(line.substr(dollar)) ? dollar : std::string_view::npos;
  }
  return std::string_view::npos;
}

void CorrectNmeaLine(std::string& line, NmeaCounters& counters, std::size_t packetStart,
                     const HeightSettings& heights) {
  if (packetStart < line.size()) {
    const std::string packet = CutPacket(line, packetStart);
    CorrectNmeaLine(line, counters, std::string::npos, heights);
    line += packet;
    return;
  }
  const std::size_t start = GluedSentenceStart(line);
  if (start == std::string_view::npos) {
    CorrectSentence(line, counters, heights);
    return;
  }
  std::string sentence = line.substr(start);
  CorrectSentence(sentence, counters, heights);
  line.replace(start, std::string::npos, sentence);
}

}  // namespace orthelev
