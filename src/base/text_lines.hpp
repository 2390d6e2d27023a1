#pragma once
// A text file read line by line, for the grid readers: lines end at LF, a
// CR before it dropped; lines are counted and bytes tallied for progress.

#include <cstdint>
#include <fstream>
#include <string>

#include "platform/platform.hpp"

namespace orthelev {

class TextLines {
 public:
  explicit TextLines(const std::string& path) : in_(platform::PathOf(path), std::ios::binary) {}
  bool IsOpen() const { return in_.is_open(); }
  // The next line in `line`; false at the end of the file.
  bool Next(std::string& line) {
    if (!std::getline(in_, line)) return false;
    bytesRead_ += static_cast<std::int64_t>(line.size()) + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number_;
    return true;
  }
  // True when reading failed (not merely ended).
  bool Failed() const { return in_.bad(); }
  // The number of the line read last, from 1.
  int Number() const { return number_; }
  std::int64_t BytesRead() const { return bytesRead_; }

 private:
  std::ifstream in_;
  int number_ = 0;
  std::int64_t bytesRead_ = 0;
};

}  // namespace orthelev
