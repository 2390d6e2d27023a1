// GeographicLib geoid grids (.pgm).

#include <optional>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "geoid/grid_file.hpp"
#include "geoid/japan.hpp"
#include "import/reader_text.hpp"

namespace orthelev {
namespace {

// The header of a binary PGM image (P5) and the comments GeographicLib's
// geoid grids carry: "# Offset X" and "# Scale Y" (heights = X + Y * pixel).
struct PgmHeader {
  std::int64_t width = 0, height = 0, maxValue = 0;
  std::int64_t dataStart = 0;  // byte of the first pixel
  std::optional<double> offset, scale;
};

constexpr std::size_t kMaxPgmHeaderBytes = 65536;

bool IsPgmSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void ReadPgmComment(std::string_view comment, PgmHeader& header) {
  comment = TrimControlAndBlanks(comment);
  double value = 0;
  for (const auto& [key, into] : {std::pair{std::string_view("Offset"), &header.offset},
                                  std::pair{std::string_view("Scale"), &header.scale}})
    if (comment.rfind(key, 0) == 0 && comment.size() > key.size() &&
        IsPgmSpace(comment[key.size()]) &&
        ParseReal(TrimControlAndBlanks(comment.substr(key.size())), value))
      *into = value;
}

// Parses the header; false when the bytes are no P5 header.
bool ParsePgmHeader(std::string_view bytes, PgmHeader& header) {
  if (bytes.size() < 3 || bytes.substr(0, 2) != "P5" || !IsPgmSpace(bytes[2])) return false;
  std::size_t at = 2;
  std::int64_t* fields[] = {&header.width, &header.height, &header.maxValue};
  for (std::int64_t* field : fields) {
    while (at < bytes.size() && (IsPgmSpace(bytes[at]) || bytes[at] == '#')) {
      if (bytes[at] != '#') {
        ++at;
        continue;
      }
      const std::size_t end = bytes.find('\n', at);
      if (end == std::string_view::npos) return false;
      ReadPgmComment(bytes.substr(at + 1, end - at - 1), header);
      at = end + 1;
    }
    std::size_t end = at;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9' && end - at < 12) ++end;
    std::int32_t value = 0;
    if (end == at || !ParseInt32(bytes.substr(at, end - at), value)) return false;
    *field = value;
    at = end;
  }
  // One blank ends the header.
  if (at >= bytes.size() || !IsPgmSpace(bytes[at])) return false;
  header.dataStart = static_cast<std::int64_t>(at) + 1;
  return true;
}

class PgmGrid : public GridSource {
 public:
  PgmGrid(const PgmHeader& header, double offset, double scale)
      : header_(header), offset_(offset), scale_(scale) {
    lattice_.rows = static_cast<std::int32_t>(header.height);
    lattice_.columns = static_cast<std::int32_t>(header.width);
    lattice_.southLatitude = -90;
    lattice_.westLongitude = 0;
    lattice_.latSpacing = 180.0 / static_cast<double>(header.height - 1);
    lattice_.lonSpacing = 360.0 / static_cast<double>(header.width);
    bytes_.resize(static_cast<std::size_t>(2 * header.width));
  }
  GridFile& File() { return file_; }
  const SourceLattice& Lattice() const override { return lattice_; }
  SourceDescription Description() const override {
    return {"", "", "bilinear or cubic, as GeographicLib's GeoidEval"};
  }
  bool ReadRow(std::int32_t row, float* values, std::string& error) override {
    const std::int64_t rowBytes = 2 * header_.width;
    if (!file_.ReadExact(header_.dataStart + row * rowBytes, bytes_.data(), rowBytes)) {
      error = "Cannot read row " + FormatInt(row) + " of the PGM geoid grid.";
      return false;
    }
    for (std::int32_t c = 0; c < lattice_.columns; ++c) {
      const unsigned pixel =
          unsigned{bytes_[2 * std::size_t(c)]} << 8 | bytes_[2 * std::size_t(c) + 1];
      values[c] = static_cast<float>(offset_ + scale_ * pixel);
    }
    return true;
  }

 private:
  PgmHeader header_;
  double offset_, scale_;
  SourceLattice lattice_;
  GridFile file_;
  std::vector<unsigned char> bytes_;
};

}  // namespace

bool LooksLikeGeographicLibPgm(const std::string& path) {
  const std::string start = FileStart(path, 3);
  return start.size() == 3 && start.substr(0, 2) == "P5" && IsPgmSpace(start[2]);
}

std::unique_ptr<GridSource> OpenGeographicLibPgm(const std::string& path, std::string& error) {
  PgmHeader header;
  if (!ParsePgmHeader(FileStart(path, kMaxPgmHeaderBytes), header)) {
    error = path + " is not a PGM geoid grid: its header cannot be read.";
    return nullptr;
  }
  if (!header.offset || !header.scale) {
    error = path + " is a PGM image without the \"# Offset\" and \"# Scale\" comments of " +
            "GeographicLib's geoid grids: its heights are unknown.";
    return nullptr;
  }
  if (header.maxValue != 65535 || header.width < 1 || header.height < 2 ||
      header.width * header.height > kMaxGsiNodes * 16) {
    error = path + " is not a PGM geoid grid of 16-bit nodes (" + FormatInt(header.width) + " by " +
            FormatInt(header.height) + ", largest value " + FormatInt(header.maxValue) + ").";
    return nullptr;
  }
  // width * height < 2^31 * 16: no overflow.
  if (header.dataStart + 2 * header.width * header.height > FileBytes(path)) {
    error = path + " is shorter than its " + FormatInt(header.height) + " rows of " +
            FormatInt(header.width) + " nodes.";
    return nullptr;
  }
  auto grid = std::make_unique<PgmGrid>(header, *header.offset, *header.scale);
  if (!grid->File().Open(path)) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  return grid;
}

}  // namespace orthelev
