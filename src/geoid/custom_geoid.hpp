#pragma once
// Custom geoid files: float32 nodes, row 0 at the northern edge, rows of
// ncols values west to east, followed by a 40-byte little-endian trailer:
//   int32 nrows, int32 ncols, double glamn, glomn, dgla, dglo (degrees).
// Longitudes are east-positive with glomn in 0..360 (or up to a few spacings
// west of 0 for an imported global grid padded with wrapped columns, see
// docs/grid-import.md). The file is valid when
// nrows and ncols are positive, glamn and glomn finite, both spacings finite,
// positive and below 200 degrees (NodesPerDegree not 0), and its size is
// exactly 4 * nrows * ncols + 40 bytes, or that plus a metadata block
// between the nodes and the trailer (written by the grid import, see
// docs/custom-metadata.md): the text "orthelev custom geoid metadata 1\n"
// and "key=value\n" lines, then the block's whole length (uint32
// little-endian) and the 8 bytes "OECGMETA". Files without the block are
// read as they always were.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "geoid/grid_spec.hpp"

namespace orthelev {

inline constexpr std::int64_t kCustomTrailerBytes = 40;
// The longest metadata block a reader takes.
inline constexpr std::int64_t kMaxCustomMetadataBytes = 65536;

// Entries of a metadata block: "source", "model", "datum", "imported" (the
// date, YYYY-MM-DD), "interpolation" (advice), in the order written.
using CustomMetadata = std::vector<std::pair<std::string, std::string>>;

// The metadata block of `entries` (line ends and "=" in keys are replaced
// by blanks; entries beyond kMaxCustomMetadataBytes are left out).
std::string CustomMetadataBlock(const CustomMetadata& entries);

// The metadata block of the custom geoid file at `path`; false when the
// file is no valid custom geoid file or has no block.
[[nodiscard]] bool ReadCustomMetadata(const std::string& path, CustomMetadata& entries);

// The geometry a trailer of kCustomTrailerBytes bytes holds (nlat = nrows,
// nlon = ncols, no padding).
GridSpec TrailerGeometry(const unsigned char* trailer);

// The trailer bytes of `geometry` (its nrows, ncols, glamn, glomn, dgla, dglo).
std::string CustomTrailer(const GridSpec& geometry);

// Opens the custom geoid file at `path` (a full path) as the active grid
// with the geometry of its trailer. A file that cannot be opened shows
// "Geoid file is not found: " CR LF path; one whose size or trailer is not
// valid shows "Illegal Custom geoid file: " CR LF CR LF path. False then,
// with no file held.
[[nodiscard]] bool OpenCustomGeoid(const std::string& path);

// True when the file at `path` is a valid custom geoid file (read, not opened
// as the active grid).
[[nodiscard]] bool IsCustomGeoidFile(const std::string& path);

// Opens the file at `path`, in this layout, as the active grid without a
// word to the user: false, with no file held, when it cannot be opened or
// is not valid (a companion that is to be made again).
[[nodiscard]] bool OpenGridWithTrailer(const std::string& path);

}  // namespace orthelev
