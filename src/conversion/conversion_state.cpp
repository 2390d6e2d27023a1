#include "conversion/conversion_state.hpp"

#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"
#include "settings/settings.hpp"

namespace orthelev {

ConversionState& TheConversion() {
  static ConversionState state;
  return state;
}

HeightSettings ReadHeightSettings() {
  return {InterpolationWindow(TheFlags().useSpline), HeightDecimals(),
          TheSettings().heightReference == HeightReference::Ellipsoidal};
}

}  // namespace orthelev
