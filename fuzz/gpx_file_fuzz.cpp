// The GPX conversion of a whole file: a refused file leaves no output; a
// converted one equals its input outside the texts of its <ele> and
// <geoidheight> elements (any namespace prefix), which then hold numbers.

#include <string>
#include <string_view>

#include "conversion/gpx_conversion.hpp"
#include "conversion/output_file.hpp"
#include "fuzz_support.hpp"
#include "program/settings_store.hpp"

using namespace orthelev;

namespace {

bool IsHeightElement(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
  return local == "ele" || local == "geoidheight";
}

// The text with the contents of every <ele> and <geoidheight> element
// taken out; the contents, joined by "|", go to `contents`.
std::string Skeleton(std::string_view text, std::string& contents) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('<', at);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('>', open);
    if (close == std::string_view::npos) break;
    out.append(text.substr(at, close + 1 - at));
    at = close + 1;
    const std::string_view tag = text.substr(open + 1, close - open - 1);
    const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
    if (tag.empty() || tag.back() == '/' || !IsHeightElement(name)) continue;
    const std::size_t next = text.find('<', at);
    if (next == std::string_view::npos) break;
    contents.append(text.substr(at, next - at)).push_back('|');
    at = next;
  }
  out.append(text.substr(at));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  const fuzz::ConversionInput run = fuzz::StartConversion(window, data, size, "track.gpx");
  const std::string_view input = run.bytes;
  const std::string& path = run.path;
  const std::string& outputPath = run.outputPath;
  const std::int32_t points = ConvertGpxFile(path);
  FUZZ_CHECK(fuzz::Scratch::Read(path) == input, "the input stays as it was");
  FUZZ_CHECK(fuzz::Scratch::Get().NoTemporaryFile(), "no temporary file is left");
  if (points == -2) {
    FUZZ_CHECK(!fuzz::Scratch::Exists(outputPath), "a refused file leaves no output");
    return 0;
  }
  FUZZ_CHECK(points >= 0, "a readable file converts or is refused");
  const std::string output = fuzz::Scratch::Read(outputPath);
  if (input.find('\0') != std::string_view::npos) return 0;  // UTF-16: the markup is not ASCII
  std::string before, after;
  const std::string inputSkeleton = Skeleton(input, before);
  const std::string outputSkeleton = Skeleton(output, after);
  fuzz::CheckContext() = "heights in: " + before + "\nheights out: " + after;
  FUZZ_CHECK(inputSkeleton == outputSkeleton, "only the heights' texts change");
  return 0;
}
