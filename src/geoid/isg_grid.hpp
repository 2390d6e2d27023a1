#pragma once
// ISG geoid grids as text (ISG 1.0, 1.01 and 2.0): a header of "key : value"
// (or "key = value") lines between begin_of_head and end_of_head, then the
// values. Read by the grid import and by the preparation of the Japanese
// models, whose grids GSI publishes in this format.

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_lines.hpp"
#include "geoid/grid_spec.hpp"

namespace orthelev {

inline constexpr float kMissingNode = std::numeric_limits<float>::quiet_NaN();

bool IsSpaceOrTab(char c);

using IsgHeader = std::map<std::string, std::string>;

// Reads the header's lines up to end_of_head, keys in lower case. False,
// with a reason in `error`, when no end_of_head line ends it.
bool ReadIsgHeader(TextLines& lines, IsgHeader& header, std::string& error);

// An angle in decimal degrees, or as degrees, minutes and seconds (any
// characters between the three numbers, such as 15°30'00").
bool ParseIsgAngle(std::string_view text, bool dms, double& value);

// True when the header has no `key`, or its value is `expected` once in
// lower case without blanks.
bool HeaderValueIs(const IsgHeader& header, const std::string& key, std::string_view expected);

// Metres per unit of the values: 0.3048 when they are in feet ("data units
// : feet" in ISG 2.0, "units : feet" before), else 1.
double IsgMetresPerUnit(const IsgHeader& header);

// A grid read whole: its lattice and values, rows north first, each west to
// east, missing values (nodata) as NaN.
struct GridValues {
  GridLattice lattice;
  std::vector<float> values;
};

// Called after each line of values with the share of the values (or of the
// file) read so far, 0 to 1; false stops the reading.
using KeepReading = std::function<bool(double done)>;

// Reads the values that follow `header` (a "data format : grid" header,
// node-registered or cell-registered, decimal or degree-minute-second
// coordinates, any data ordering of "N-to-S, W-to-E" and its variants,
// values in metres or, with "data units : feet", in feet) from
// a file of `fileBytes` bytes. False, with a reason in `error`, for
// projected grids, unknown orderings, more than kMaxGsiNodes nodes, more
// values than the file can hold (checked before anything is allocated),
// malformed values, and when `keepReading` says stop.
bool ReadIsgGrid(TextLines& lines, const IsgHeader& header, std::int64_t fileBytes,
                 GridValues& grid, std::string& error, const KeepReading& keepReading = {});

// Reads the ISG grid file at `path` whole (ReadIsgGrid). False, with a
// reason in `error`, also for a file that cannot be opened and a file of
// points (a data format other than grid).
bool ReadIsgGridFile(const std::string& path, GridValues& grid, std::string& error,
                     const KeepReading& keepReading = {});

}  // namespace orthelev
