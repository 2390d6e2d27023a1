#include "conversion/height_reference.hpp"

#include "base/ascii_text.hpp"
#include "conversion/conversion_report.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

HeightEvidence StatedByUser() {
  if (TheSettings().heightReference == HeightReference::Ellipsoidal)
    return {HeightBasis::Ellipsoidal, "stated by the user"};
  return {};
}

HeightBasis StatementInText(std::string_view text) {
  const std::string lower = LowerAscii(text);
  const bool ellipsoidal =
      lower.find("ellipsoid") != std::string::npos || ContainsWord(lower, "hae");
  const bool seaLevel = lower.find("sea level") != std::string::npos ||
                        ContainsWord(lower, "msl") ||
                        lower.find("orthometric") != std::string::npos;
  if (ellipsoidal == seaLevel) return HeightBasis::Unknown;
  return ellipsoidal ? HeightBasis::Ellipsoidal : HeightBasis::SeaLevel;
}

std::string EllipsoidalReading(std::string_view source) {
  return "    Heights read as ellipsoidal (" + std::string(source) + ")";
}

std::int32_t RefuseUnknownReference(const std::string& fileName, const std::string& missing) {
  const std::int32_t result = ReportRefused("  Height reference unknown : ", fileName);
  Window().AppendReportLine("    " + missing + " " + std::string(kStateEllipsoidalHint) + ".");
  return result;
}

}  // namespace orthelev
