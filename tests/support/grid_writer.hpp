#pragma once
// Writes synthetic geoid grid files for tests and benchmarks: float32
// little-endian nodes, row 0 at the northern edge.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace orthelev::testing {

using NodeValue = std::function<float(std::int32_t row, std::int32_t column)>;

inline void AppendFloat(std::string& bytes, float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);  // the test machines are little-endian
  bytes.append(raw, 4);
}

// An EGM2008-layout file: each row is a framing word, nlon nodes and a
// second framing word (the framing words hold 999, which reads as missing).
inline void WriteFramedGrid(const std::string& path, std::int32_t nlat, std::int32_t nlon,
                            const NodeValue& value) {
  std::ofstream out(platform::PathOf(path), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path);
  std::string row;
  for (std::int32_t r = 0; r < nlat; ++r) {
    row.clear();
    AppendFloat(row, 999.0f);
    for (std::int32_t c = 0; c < nlon; ++c) AppendFloat(row, value(r, c));
    AppendFloat(row, 999.0f);
    if (!out.write(row.data(), static_cast<std::streamsize>(row.size())))
      throw std::runtime_error("cannot write " + path);
  }
}

// Sets the nodes of rows [r0, r1] x columns [c0, c1] of a grid file with
// row stride `ncols` words and `prePad` leading words, creating the file
// sparse (zeros) at `fileBytes` long if needed; other nodes are kept.
inline void PokeNodes(const std::string& path, std::int64_t fileBytes, std::int32_t ncols,
                      std::int32_t prePad, std::int32_t r0, std::int32_t r1, std::int32_t c0,
                      std::int32_t c1, const NodeValue& value) {
  const std::filesystem::path file = platform::PathOf(path);
  if (!std::filesystem::exists(file)) std::ofstream(file, std::ios::binary).close();
  std::error_code error;
  std::filesystem::resize_file(file, static_cast<std::uintmax_t>(fileBytes), error);
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  if (error || !out) throw std::runtime_error("cannot create " + path);
  for (std::int32_t r = r0; r <= r1; ++r)
    for (std::int32_t c = c0; c <= c1; ++c) {
      std::string word;
      AppendFloat(word, value(r, c));
      out.seekp(4 * (static_cast<std::streamoff>(r) * ncols + c + prePad));
      if (!out.write(word.data(), 4)) throw std::runtime_error("cannot write");
    }
}

// A sparse EGM2008 2.5' file (149,368,328 bytes) with the given nodes set.
inline void WriteSparseEgm25(const std::string& path, std::int32_t r0, std::int32_t r1,
                             std::int32_t c0, std::int32_t c1, const NodeValue& value) {
  PokeNodes(path, 149368328, 8642, 1, r0, r1, c0, c1, value);
}

// A custom geoid file: the nodes, then the 40-byte trailer.
inline std::string CustomGridBytes(std::int32_t nrows, std::int32_t ncols, double glamn,
                                   double glomn, double dgla, double dglo, const NodeValue& value) {
  std::string bytes;
  for (std::int32_t r = 0; r < nrows; ++r)
    for (std::int32_t c = 0; c < ncols; ++c) AppendFloat(bytes, value(r, c));
  char trailer[40];
  std::memcpy(trailer, &nrows, 4);
  std::memcpy(trailer + 4, &ncols, 4);
  std::memcpy(trailer + 8, &glamn, 8);
  std::memcpy(trailer + 16, &glomn, 8);
  std::memcpy(trailer + 24, &dgla, 8);
  std::memcpy(trailer + 32, &dglo, 8);
  bytes.append(trailer, 40);
  return bytes;
}

}  // namespace orthelev::testing
