#include "conversion/nmea_line.hpp"

#include "base/number_format.hpp"

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

}  // namespace

std::size_t GluedSentenceStart(std::string_view line) {
  for (std::size_t dollar = line.rfind('$'); dollar != std::string_view::npos && dollar > 0;
       dollar = line.rfind('$', dollar - 1)) {
    if (!StartsRecognisedSentence(line, dollar)) continue;
    return HasValidChecksum(line.substr(dollar)) ? dollar : std::string_view::npos;
  }
  return std::string_view::npos;
}

void CorrectNmeaLine(std::string& line, NmeaCounters& counters) {
  const std::size_t start = GluedSentenceStart(line);
  if (start == std::string_view::npos) {
    CorrectSentence(line, counters);
    return;
  }
  std::string sentence = line.substr(start);
  CorrectSentence(sentence, counters);
  line.replace(start, std::string::npos, sentence);
}

}  // namespace orthelev
