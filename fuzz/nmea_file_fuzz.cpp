// The NMEA conversion of a whole log: the output holds every line the
// reader delivers, each followed by CR LF; in a line, each sentence (from a
// "$" to the next) is either copied byte for byte or is an examined GGA/GNS
// sentence of which only the altitude, the geoid separation and the checksum
// changed, the new checksum being right, and whose position lies on Earth (a
// latitude beyond a pole is outside). An examined sentence with a fix at a
// point the model covers must be rewritten. A binary packet is copied, or
// changes only in its sea-level height fields and checksum, which holds.
// Nothing is left but the output: no temporary file.

#include <cmath>
#include <filesystem>
#include <vector>

#include "base/number_format.hpp"
#include "conversion/nmea_file.hpp"
#include "conversion/nmea_line.hpp"
#include "conversion/nmea_sentence.hpp"
#include "conversion/output_file.hpp"
#include "conversion/packet_frames.hpp"
#include "flags/program_flags.hpp"
#include "fuzz_support.hpp"
#include "geoid/interpolation.hpp"
#include "log_lines.hpp"

using namespace orthelev;

namespace {

std::vector<std::string_view> Pieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t comma = text.find(',');
    pieces.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return pieces;
    text.remove_prefix(comma + 1);
  }
}

// The bytes before the first "$", then each sentence up to the next "$".
std::vector<std::string_view> SplitAtDollars(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t dollar = text.find('$', 1); dollar != std::string_view::npos;
       dollar = text.find('$', dollar + 1)) {
    parts.push_back(text.substr(start, dollar - start));
    start = dollar;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// True when the sentence from `start` to `end` of `text` is examined: the
// whole text, or signed with a checksum (two digits after "*", blanks and
// control bytes around them) that holds.
bool IsExamined(std::string_view text, std::size_t start, std::size_t end) {
  if (start == 0 && end == text.size()) return true;
  const std::string_view sentence = text.substr(start, end - start);
  const std::size_t star = sentence.find('*');
  return star != std::string_view::npos &&
         TrimControlAndBlanks(sentence.substr(star + 1)).size() == 2 && !HasWrongChecksum(sentence);
}

// True when the sentence from `start` to `end` of `text` must be corrected:
// examined, recognised, its checksum not wrong, a position within the
// latitudes, a separation within 150 m, an altitude, and the model's N there.
bool MustBeCorrected(std::string_view text, std::size_t start, std::size_t end) {
  const std::string_view sentence = text.substr(start, end - start);
  if (sentence.empty() || sentence[0] != '$' || !IsExamined(text, start, end)) return false;
  const SentenceFields fields = SplitSentenceFields(sentence);
  const SentenceKind kind = LookUpSentence(fields[1]);
  if (kind == SentenceKind::None || HasWrongChecksum(sentence)) return false;
  const SentenceFix fix =
      kind == SentenceKind::Gga ? ParseGgaFields(fields) : ParseGnsFields(fields);
  if (!(std::fabs(fix.latitude) <= 90) || std::isnan(fix.longitude) || std::isnan(fix.altitude) ||
      !(std::fabs(fix.separation) <= 150))
    return false;
  return !std::isnan(
      InterpolateGeoid(InterpolationWindow(TheFlags().useSpline), fix.latitude, fix.longitude));
}

// A rewritten sentence: the same comma-separated pieces before the
// checksum but the altitude (piece 9) and separation (GGA 11, GNS 10).
void CheckSentence(std::string_view in, std::string_view out);

// Each sentence of the line's text on its own: copied, unless it must be
// corrected; rewritten only when examined.
void CheckLine(const std::string& line, std::string_view out) {
  const auto before = SplitAtDollars(line), after = SplitAtDollars(out);
  FUZZ_CHECK(before.size() == after.size(), "no sentence added or removed");
  std::size_t start = 0;
  for (std::size_t k = 0; k < before.size(); ++k) {
    const std::size_t end = start + before[k].size();
    if (before[k] == after[k]) {
      FUZZ_CHECK(!MustBeCorrected(line, start, end),
                 "a sentence with a fix in the model is corrected");
    } else {
      FUZZ_CHECK(before[k][0] == '$' && IsExamined(line, start, end),
                 "only examined sentences change");
      CheckSentence(before[k], after[k]);
    }
    start = end;
  }
}

void CheckSentence(std::string_view in, std::string_view out) {
  const SentenceFields fields = SplitSentenceFields(in);
  const SentenceKind kind = LookUpSentence(fields[1]);
  FUZZ_CHECK(kind != SentenceKind::None, "only GGA and GNS sentences change");
  const double latitude =
      (kind == SentenceKind::Gga ? ParseGgaFields(fields) : ParseGnsFields(fields)).latitude;
  FUZZ_CHECK(std::fabs(latitude) <= 90, "a position beyond a pole is left as it was");
  FUZZ_CHECK(!HasWrongChecksum(out) && out.find('*') != std::string_view::npos,
             "a rewritten sentence carries its right checksum");
  FUZZ_CHECK(out.size() == out.find('*') + 3, "the checksum ends the sentence");
  const auto before = Pieces(in.substr(0, in.find('*')));
  const auto after = Pieces(out.substr(0, out.find('*')));
  FUZZ_CHECK(before.size() == after.size(), "no field added or removed");
  const std::size_t separation = kind == SentenceKind::Gga ? 11 : 10;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (i != 9 && i != separation) FUZZ_CHECK(before[i] == after[i], "other fields kept");
}

// The sea-level height fields of the packets whose heights are corrected,
// as payload offsets (SiRF's payload begins with its message id; -1: none).
struct HeightFields {
  bool ubx;
  int id;  // UBX id of class 0x01, or the SiRF message id
  int seaLevel, seaLevelHp;
};
constexpr HeightFields kHeightPackets[] = {
    {true, 0x07, 36, -1},  // NAV-PVT hMSL
    {true, 0x02, 16, -1},  // NAV-POSLLH hMSL
    {true, 0x14, 20, 27},  // NAV-HPPOSLLH hMSL, hMSLHp
    {false, 41, 35, -1},   // SiRF 41 Altitude from MSL
};

// True when `out` is `in` changed only in its sea-level height fields and
// its checksum, which holds. Not a check of its own: the output is searched
// with it for where the packet went.
bool IsHeightRewrite(std::string_view in, std::string_view out) {
  const bool ubx = in[0] == '\xB5';
  const HeightFields* fields = nullptr;
  for (const HeightFields& f : kHeightPackets)
    if (f.ubx == ubx && (ubx ? in[2] == 1 && in[3] == f.id : in[4] == f.id)) fields = &f;
  const auto* bytes = reinterpret_cast<const unsigned char*>(out.data());
  if (fields == nullptr || !PacketFrameChecks(bytes, static_cast<int>(out.size()))) return false;
  const std::size_t payload = ubx ? 6 : 4, checksum = out.size() - (ubx ? 2 : 4);
  for (std::size_t i = 0; i < checksum; ++i) {
    const int offset = static_cast<int>(i) - static_cast<int>(payload);
    const bool height = (offset >= fields->seaLevel && offset < fields->seaLevel + 4) ||
                        (offset >= 0 && offset == fields->seaLevelHp);
    if (!height && in[i] != out[i]) return false;
  }
  return in.substr(checksum + 2) == out.substr(checksum + 2);  // SiRF's end bytes
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  fuzz::OpenGlobalGrid();
  TheFlags().useSpline = size > 0 && (data[0] & 1) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::Scratch::Get().Write("log.nmea", input);
  std::filesystem::remove(OutputPathFor(path, "_g"));  // of the input before
  const std::int32_t records = ConvertNmeaFile(path);
  if (input.starts_with("\xFF\xFE") || input.starts_with("\xFE\xFF")) {
    FUZZ_CHECK(records == -2 && !std::filesystem::exists(OutputPathFor(path, "_g")),
               "a UTF-16 log is refused with no output");
    return 0;
  }
  FUZZ_CHECK(records >= 0, "a readable log converts");
  FUZZ_CHECK(fuzz::Scratch::Read(path) == input, "the input stays as it was");
  const std::string output = fuzz::Scratch::Read(OutputPathFor(path, "_g"));
  std::vector<std::size_t> packetStarts;
  std::vector<bool> pieces;
  const std::vector<std::string> lines = fuzz::ReadLogLines(path, &packetStarts, &pieces);
  const fuzz::PacketRewriteCheck packetRewrite = IsHeightRewrite;
  const int rewritten = fuzz::CheckOutputLines(output, lines, CheckLine, &packetStarts,
                                               /*checkCopies=*/true, &pieces, &packetRewrite);
  FUZZ_CHECK(fuzz::Scratch::Get().NoTemporaryFile(), "no temporary file is left");
  FUZZ_CHECK(rewritten <= records, "only recognised sentences are rewritten");
  return 0;
}
