// The GSIGEO ASCII grid conversion on arbitrary text: a failed conversion
// leaves no companion file; a successful one writes 4 bytes per node of the
// header's nlat x nlon, each a value of magnitude below 200 or the missing
// value 00 00 C0 FF.

#include <cmath>

#include "base/byte_order.hpp"
#include "fuzz_support.hpp"
#include "geoid/japan.hpp"

using namespace orthelev;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  const std::string path = fuzz::Scratch::Get().Write(
      "gsigeo2011_ver2_2.asc", std::string_view(reinterpret_cast<const char*>(data), size));
  std::optional<GridSpec> header;
  const bool converted = ConvertGsiGrid(path, header);
  const std::string companion = path + ".dat";
  if (!converted) {
    FUZZ_CHECK(!fuzz::Scratch::Exists(companion), "a failed conversion leaves no companion");
    return 0;
  }
  FUZZ_CHECK(header.has_value(), "a converted grid has a header");
  const std::string bytes = fuzz::Scratch::Read(companion);
  FUZZ_CHECK(bytes.size() == 4 * static_cast<std::size_t>(header->nlat) * header->nlon,
             "4 bytes a node");
  FUZZ_CHECK(
      static_cast<std::int64_t>(header->nlat) * header->nlon <= static_cast<std::int64_t>(size),
      "no more values than the file has bytes");
  for (std::size_t at = 0; at < bytes.size(); at += 4) {
    const auto* node = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const float value = FromLittleEndian<float>(node);
    const bool missing = node[0] == 0 && node[1] == 0 && node[2] == 0xC0 && node[3] == 0xFF;
    FUZZ_CHECK(missing || std::fabs(value) < 200, "values below 200 m or missing");
  }
  return 0;
}
