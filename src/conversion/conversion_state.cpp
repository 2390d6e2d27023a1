#include "conversion/conversion_state.hpp"

namespace orthelev {

ConversionState& Conversion() {
  static ConversionState state;
  return state;
}

}  // namespace orthelev
