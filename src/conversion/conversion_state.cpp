#include "conversion/conversion_state.hpp"

namespace orthelev {

ConversionState& TheConversion() {
  static ConversionState state;
  return state;
}

}  // namespace orthelev
