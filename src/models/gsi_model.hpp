#pragma once
// The GSIGEO 2011 models: their ASCII grid converted on first use into the
// binary companion the node reader needs, and the grid's header kept as the
// GSI geometry of the settings.

#include <string>
#include <string_view>

namespace orthelev {

// Opens DataFolder + name + ".dat" as the active grid's file, converting
// DataFolder + name first when the companion does not open. Reports through
// the status bar and message boxes; true when the companion is held.
[[nodiscard]] bool PrepareGsiGrid(const std::string& name);

// Parses a GSIGEO header line into the GSI geometry of the settings and
// marks it changed. False, with the settings untouched, for a header that
// does not parse (see ParseGsiHeader).
[[nodiscard]] bool StoreGsiHeader(std::string_view line);

}  // namespace orthelev
