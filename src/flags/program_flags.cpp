#include "flags/program_flags.hpp"

namespace orthelev {

ProgramFlags& TheFlags() {
  static ProgramFlags flags;
  return flags;
}

}  // namespace orthelev
