#include "settings/settings.hpp"

#include "base/number_format.hpp"

namespace orthelev {

GridSpec DefaultGridSpec(std::string_view section) {
  if (section == kSectionEgm25)
    return {"EGM2008 2.5'x2.5'",
            "Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE",
            4321,
            8642,
            -90,
            0,
            1.0 / 24,
            1.0 / 24,
            4321,
            8640,
            1};
  if (section == kSectionEgm10)
    return {"EGM2008 1'x1'",
            "Und_min1x1_egm2008_isw=82_WGS84_TideFree_SE",
            10801,
            21602,
            -90,
            0,
            1.0 / 60,
            1.0 / 60,
            10801,
            21600,
            1};
  if (section == kSectionGsi)
    return {std::string(defaults::kGsiTitles2011) + std::string(defaults::kJgd2024Titles),
            std::string(defaults::kGsiFiles2011) + std::string(defaults::kJgd2024Files),
            1801,
            1201,
            20,
            120,
            1.0 / 60,
            0.025,
            1801,
            1201,
            0};
  return {};
}

GridSpec* Settings::GridSection(std::string_view section) {
  if (section == kSectionEgm25) return &egm25;
  if (section == kSectionEgm10) return &egm10;
  if (section == kSectionGsi) return &gsi;
  return nullptr;
}

Settings& TheSettings() {
  static Settings settings;
  return settings;
}

std::string EffectivePostfix() {
  const std::string& postfix = TheSettings().postfix;
  if (postfix.empty() || postfix.find_first_of("/\\") != std::string::npos)
    return std::string(defaults::kPostfix);
  return postfix;
}

int HeightDecimals() {
  const std::int32_t decimals = SafeStrToInt(TheSettings().decimal);
  if (decimals < 1) return SafeStrToInt(defaults::kDecimal);
  return decimals > kMaxHeightDecimals ? kMaxHeightDecimals : decimals;
}

std::string_view HeightReferenceText(HeightReference reference) {
  return reference == HeightReference::Ellipsoidal ? "ellipsoidal" : "file";
}

HeightReference HeightReferenceOf(std::string_view text) {
  return text == "ellipsoidal" ? HeightReference::Ellipsoidal : HeightReference::AsFileSays;
}

std::string VersionTitle() {
  const int minor = ORTHELEV_VERSION_MINOR;
  return "Orthelev Ver" + FormatInt(ORTHELEV_VERSION_MAJOR) + "." + (minor < 10 ? "0" : "") +
         FormatInt(minor);
}

std::int32_t ReadWholeNumber(std::string_view text, std::int32_t fallback) {
  std::int32_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHexInt32(text.substr(2), value) ? value : fallback;
  return ParseInt32(text, value) ? value : fallback;
}

double ReadReal(std::string_view text, double fallback) {
  double value = 0;
  return ParseReal(TrimControlAndBlanks(text), value) ? value : fallback;
}

bool ReadYesNo(std::string_view text, bool fallback) {
  return ReadWholeNumber(text, fallback ? 1 : 0) != 0;
}

std::uint8_t ReadByte(std::string_view text, std::uint8_t fallback) {
  return static_cast<std::uint8_t>(ReadWholeNumber(text, fallback) & 0xFF);
}

std::string WholeNumberText(std::int64_t value) { return FormatInt(value); }
std::string RealText(double value) { return FormatGeneral(value); }
std::string YesNoText(bool value) { return value ? "1" : "0"; }

}  // namespace orthelev
