#pragma once
// Every program-wide state, listed once, with the one reset that returns
// them all to their start values:
//   TheSettings()    every setting (settings/settings.hpp)
//   TheFlags()       Initialized, StartHidden, QuitWhenDone, AbortRequested,
//                    UseSpline, forced bilinear (flags/program_flags.hpp)
//   TheActiveGrid()  the open geoid grid and its geometry (geoid/active_grid.hpp)
//   TheConversion()  the CSV logger profile and date-check flag
//                    (conversion/conversion_state.hpp)
//   the log reader   the one reader both converters share, kept inside
//                    conversion/log_reader.cpp and reset by ResetLogReader()
//                    (conversion/log_reader.hpp)
//   TheBatch()       the running batch and its outcome (conversion/batch.hpp)
//   TheProfiles()    the height profiles of the last batch's files
//                    (conversion/height_profile.hpp)
// Not program state, and so not reset here: the installed window services
// (owned by whoever installs them), the installed preparer of other grids
// as the Custom Geoid model (InstalledPreparer in models/model_selection.cpp,
// set by the program that has the grid import), GDAL's one-time driver registration and
// the GDAL module, loaded once by the first raster import, the path of the
// temporary file a signal removes during an import (PendingTempFile in
// import/import_platform.cpp, set only while an import writes), the
// platform layer's interrupt flag, cleared by each StartCatchingInterrupts,
// and its table of guarded file views (MappingGuards in platform/posix.cpp,
// each entry held by one open grid file).

#include <string_view>
#include <vector>

namespace orthelev {

// Returns every state above to its start value (closing a held grid or log).
void ResetProgramState();

// The names of the states ResetProgramState resets, and of the
// function-local statics that are knowingly no program state; a test
// checks that every such static of the sources is named in one of them.
std::vector<std::string_view> ProgramStateTypes();
std::vector<std::string_view> NotProgramStateTypes();

}  // namespace orthelev
