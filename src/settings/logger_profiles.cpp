#include "settings/logger_profiles.hpp"

#include "base/ascii_text.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

struct DefaultRow {
  std::string_view name, value;
};

constexpr DefaultRow kDefaultInfoRows[] = {
    {"Wintec", "Order,Date Created,Bearing,Elevation,Distance from Start,Distance from Last"},
    {"V-900, VGPS-900", "TAG,LATITUDE N/S,LONGITUDE E/W,VOX"},
    {"M-241", "M-241"},
    {"M-241 Ver1.12", "M-241 Ver1.12"},
    {"M-241 Ver1.13", "M-241 Ver1.13"},
    {"GT-730FL-S", "Date / Time,Altitude,Ground Speed"},
};

constexpr DefaultRow kDefaultOptionRows[] = {
    {"Default", "0,0,0"},     {"Wintec", "1,1,0"},        {"V-900, VGPS-900", "0,1,1"},
    {"M-241", "0,1,0"},       {"M-241 Ver1.12", "0,1,0"}, {"M-241 Ver1.13", "0,1,0"},
    {"GPSport 245", "0,1,0"}, {"ASG-1", "0,1,0"},         {"GT-730FL-S", "0,1,0,2,0,1"},
};

void AppendMissingDefaults(std::vector<std::string>& rows, const auto& defaults) {
  for (const DefaultRow& row : defaults)
    if (ProfileValue(rows, row.name).empty())
      rows.push_back(std::string(row.name) + "=" + std::string(row.value));
}

}  // namespace

void MergeDefaultProfiles() {
  AppendMissingDefaults(TheSettings().csvInfo, kDefaultInfoRows);
  AppendMissingDefaults(TheSettings().csvOption, kDefaultOptionRows);
}

std::string_view ProfileRowName(std::string_view row) { return row.substr(0, row.find('=')); }

std::string_view ProfileRowValue(std::string_view row) {
  const std::size_t equals = row.find('=');
  return equals == std::string_view::npos ? std::string_view() : row.substr(equals + 1);
}

std::string_view ProfileValue(const std::vector<std::string>& rows, std::string_view name) {
  for (const std::string& row : rows)
    if (EqualIgnoringAsciiCase(ProfileRowName(row), name)) return ProfileRowValue(row);
  return {};
}

}  // namespace orthelev
