#include "conversion/nmea_line.hpp"

#include <algorithm>

#include "base/number_format.hpp"
#include "conversion/binary_heights.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

bool HasValidChecksum(std::string_view sentence) {
  const std::size_t star = sentence.find('*');
  return star != std::string_view::npos &&
         !TrimControlAndBlanks(sentence.substr(star + 1)).empty() && !HasWrongChecksum(sentence);
}

// The last "$" before `end`; npos when there is none.
std::size_t LastDollarBefore(std::string_view text, std::size_t end) {
  const char* found = platform::LastByte(text.data(), '$', end);
  return found ? static_cast<std::size_t>(found - text.data()) : std::string_view::npos;
}

// A sentence that is not the whole text needs its checksum to show where it ends.
bool IsExamined(bool wholeText, std::string_view sentence) {
  return wholeText || HasValidChecksum(sentence);
}

}  // namespace

void CorrectNmeaLine(std::string& line, NmeaCounters& counters, std::size_t packetStart,
                     const HeightSettings& heights) {
  const std::size_t textEnd = std::min(packetStart, line.size());
  if (textEnd < line.size()) CorrectPacketHeights(line, textEnd, counters, heights);
  std::size_t start = LastDollarBefore(line, textEnd);
  if (start == 0 && textEnd == line.size()) {  // one sentence, the whole line: in place
    CorrectSentence(line, counters, heights);
    return;
  }
  // From the last sentence to the first: a rewritten one moves no byte
  // before it, and the text before a sentence is all that is left to search.
  for (std::size_t end = textEnd; start != std::string_view::npos;
       end = start, start = LastDollarBefore(line, start)) {
    if (!IsExamined(start == 0 && end == textEnd,
                    std::string_view(line).substr(start, end - start)))
      continue;
    std::string sentence = line.substr(start, end - start);
    CorrectSentence(sentence, counters, heights);
    line.replace(start, end - start, sentence);
  }
}

}  // namespace orthelev
