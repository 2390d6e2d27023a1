// The NMEA conversion of a whole log: the output holds every line the
// reader delivers, each followed by CR LF; a line is either copied byte for
// byte or is a recognised GGA/GNS sentence of which only the altitude, the
// geoid separation and the checksum changed, the new checksum being right,
// and whose position lies on Earth (a latitude beyond a pole is outside).
// Nothing is left but the output: no temporary file.

#include <cmath>
#include <vector>

#include "conversion/nmea_file.hpp"
#include "conversion/nmea_line.hpp"
#include "conversion/nmea_sentence.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "fuzz_support.hpp"
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

// A rewritten sentence: the same comma-separated pieces before the
// checksum but the altitude (piece 9) and separation (GGA 11, GNS 10).
void CheckSentence(std::string_view in, std::string_view out);

// A sentence glued behind other bytes is checked from its "$"; the bytes
// before it must stay as they were.
void CheckRewritten(const std::string& line, std::string_view out) {
  const std::size_t glued = GluedSentenceStart(line);
  if (glued == std::string::npos) return CheckSentence(line, out);
  FUZZ_CHECK(out.substr(0, glued) == std::string_view(line).substr(0, glued),
             "the bytes before a glued sentence are kept");
  CheckSentence(std::string_view(line).substr(glued), out.substr(glued));
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  fuzz::OpenGlobalGrid();
  TheFlags().useSpline = size > 0 && (data[0] & 1) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::Scratch::Get().Write("log.nmea", input);
  const std::int32_t records = ConvertNmeaFile(path);
  FUZZ_CHECK(records >= 0, "a readable log converts");
  FUZZ_CHECK(fuzz::Scratch::Read(path) == input, "the input stays as it was");
  const std::string output = fuzz::Scratch::Read(OutputPathFor(path, "_g"));
  std::vector<std::size_t> packetStarts;
  const std::vector<std::string> lines = fuzz::ReadLogLines(path, &packetStarts);
  const int rewritten = fuzz::CheckOutputLines(output, lines, CheckRewritten, &packetStarts);
  FUZZ_CHECK(fuzz::Scratch::Get().NoTemporaryFile(), "no temporary file is left");
  FUZZ_CHECK(rewritten <= records, "only recognised sentences are rewritten");
  return 0;
}
