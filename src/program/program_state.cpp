#include "program/program_state.hpp"

#include "conversion/batch.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/log_reader.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

void ResetProgramState() {
  TheSettings().Reset();
  TheFlags().Reset();
  TheActiveGrid().Reset();
  TheConversion().Reset();
  ResetLogReader();
  TheBatch().Reset();
  TheProfiles().Reset();
}

std::vector<std::string_view> ProgramStateTypes() {
  return {"Settings",  "ProgramFlags", "ActiveGrid",  "ConversionState",
          "LogReader", "BatchState",   "ProfileState"};
}

std::vector<std::string_view> NotProgramStateTypes() {
  return {"InstalledServices", "InstalledPreparer", "std::once_flag", "PendingTempFile",
          "MappingGuards"};
}

}  // namespace orthelev
