#pragma once
// What the grid readers without GDAL share: text lines, file sizes and
// starts, and the ISG header (key : value lines between begin_of_head and
// end_of_head) that the ISG grid and point readers both read.

#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "import/grid_source.hpp"

namespace orthelev {

inline constexpr float kMissingNode = std::numeric_limits<float>::quiet_NaN();

// Reads text lines, ending at LF with a CR before it dropped.
class TextLines {
 public:
  explicit TextLines(const std::string& path) : in_(path, std::ios::binary) {}
  bool IsOpen() const { return in_.is_open(); }
  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::ifstream in_;
  int number_ = 0;
};

// The size of the file at `path`, 0 when it cannot be had.
std::int64_t FileBytes(const std::string& path);

// The first line of a file, at most `limit` bytes of it.
std::string FirstLine(const std::string& path, std::size_t limit);

// The first `limit` bytes of a file (fewer when it is shorter).
std::string FileStart(const std::string& path, std::size_t limit);

// --- ISG ----------------------------------------------------------------

using IsgHeader = std::map<std::string, std::string>;

std::string LowerCase(std::string_view text);

bool IsBlank(char c);

// Reads the header's "key : value" (or "key = value") lines, keys in lower
// case. False, with a reason in `error`, when no end_of_head line ends it.
bool ReadIsgHeader(TextLines& lines, IsgHeader& header, std::string& error);

// An angle in decimal degrees, or as degrees, minutes and seconds (any
// characters between the three numbers, such as 15°30'00").
bool ParseIsgAngle(std::string_view text, bool dms, double& value);

// True when the header has no `key`, or its value is `expected` ignoring
// letter case and blanks.
bool HeaderValueIs(const IsgHeader& header, const std::string& key, std::string_view expected);

// Reads the points of a sparse ISG file (data format other than grid) that
// follow `header` as a grid of their lattice.
std::unique_ptr<GridSource> OpenIsgPoints(TextLines& lines, const IsgHeader& header,
                                          std::string& error);

}  // namespace orthelev
