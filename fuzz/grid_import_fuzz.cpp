// The grid import from arbitrary GTX, GeoTIFF (both read by GDAL from
// memory, /vsimem/), ISG and GSIGEO bytes, with or without a region: a
// failed import leaves no file; a successful one writes a custom geoid file
// that opens, whose nodes are below 200 m or missing. Memory stays bounded
// by the input (the fuzzer's malloc limit catches oversized buffers).

#include <cmath>
#include <cpl_vsi.h>
#include <fuzzer/FuzzedDataProvider.h>

#include "base/byte_order.hpp"
#include "fuzz_support.hpp"
#include "import/grid_import.hpp"

using namespace orthelev;

namespace {

struct Source {
  const char* name;
  bool inMemory;  // read by GDAL from /vsimem/
  GridSourceFormat format;
};
constexpr Source kSources[] = {{"in.gtx", true, GridSourceFormat::kRaster},
                               {"in.tif", true, GridSourceFormat::kRaster},
                               {"in.isg", false, GridSourceFormat::kRaster},
                               {"in.asc", false, GridSourceFormat::kDetect},
                               {"in.asc", false, GridSourceFormat::kGsiAscii}};

void CheckImported(const std::string& path) {
  const std::string bytes = fuzz::Scratch::Read(path);
  FUZZ_CHECK(OpenCustomGeoid(path), "an imported grid opens");
  CustomMetadata metadata;
  FUZZ_CHECK(ReadCustomMetadata(path, metadata), "an imported grid tells where it came from");
  const std::size_t nodeBytes =
      4 * static_cast<std::size_t>(TheActiveGrid().nrows) * TheActiveGrid().ncols;
  for (std::size_t at = 0; at < nodeBytes; at += 4) {
    const float value =
        FromLittleEndian<float>(reinterpret_cast<const unsigned char*>(bytes.data() + at));
    FUZZ_CHECK(std::isnan(value) || std::fabs(value) < 200, "nodes below 200 m or missing");
  }
  CloseGrid();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  FuzzedDataProvider in(data, size);
  const Source& source = kSources[in.ConsumeIntegralInRange<std::size_t>(0, 4)];
  std::optional<Region> region;
  if (in.ConsumeBool())
    region = Region{in.ConsumeFloatingPoint<double>(), in.ConsumeFloatingPoint<double>(),
                    in.ConsumeFloatingPoint<double>(), in.ConsumeFloatingPoint<double>()};
  std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
  const std::string destination = fuzz::Scratch::Get().File("out.cdat");
  std::string path, error;
  if (source.inMemory) {
    path = std::string("/vsimem/") + source.name;
    VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), bytes.data(), bytes.size(), FALSE));
  } else {
    path = fuzz::Scratch::Get().Write(
        source.name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  const bool imported = ImportGrid(path, destination, region, source.format, error);
  if (source.inMemory) VSIUnlink(path.c_str());
  if (!imported) {
    FUZZ_CHECK(!error.empty(), "a failed import says why");
    FUZZ_CHECK(!fuzz::Scratch::Exists(destination), "a failed import leaves no file");
    return 0;
  }
  CheckImported(destination);
  return 0;
}
