#include "conversion/logger_profiles.hpp"

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
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
    // The V-900's columns without VOX: Columbus' later loggers, sea level too.
    {"Columbus P-1", "TAG,LATITUDE N/S,LONGITUDE E/W"},
    {"OpenTracks", "#time,trackpoint_type,latitude,longitude,altitude"},
};

constexpr DefaultRow kDefaultOptionRows[] = {
    {"Default", "0,0,0"},      {"Wintec", "1,1,0"},        {"V-900, VGPS-900", "0,1,1"},
    {"M-241", "0,1,0"},        {"M-241 Ver1.12", "0,1,0"}, {"M-241 Ver1.13", "0,1,0"},
    {"GPSport 245", "0,1,0"},  {"ASG-1", "0,1,0"},         {"GT-730FL-S", "0,1,0,2,0,1"},
    {"Columbus P-1", "0,1,0"}, {"OpenTracks", "0,0,0"},
};

// Garmin's devices and programs write <ele> above sea level from the
// device's own geoid and no <geoidheight>; sports sites, route planners and
// map programs write heights of a terrain model or a barometer, iPhone apps
// the sea-level altitude iOS gives them.
constexpr DefaultRow kDefaultGpxMslRows[] = {
    {"Garmin", "1"},         {"MapSource", "1"},
    {"BaseCamp", "1"},       {"eTrex", "1"},
    {"GPSMAP", "1"},         {"Edge", "1"},
    {"Oregon", "1"},         {"Forerunner", "1"},
    {"fenix", "1"},          {"Dakota", "1"},
    {"Montana", "1"},        {"StravaGPX", "1"},
    {"Strava", "1"},         {"GPSies", "1"},
    {"ExpertGPS", "1"},      {"komoot", "1"},
    {"Ride with GPS", "1"},  {"RideWithGPS", "1"},
    {"Suunto", "1"},         {"Polar", "1"},
    {"Wahoo", "1"},          {"Open GPX Tracker", "1"},
    {"GPS Visualizer", "1"}, {"Runkeeper", "1"},
    {"Locus", "1"},
};

// Android loggers that write the fix's altitude as Android gives it (above
// the WGS84 ellipsoid), MTK loggers, and RTKLIB's GPX without <geoidheight>.
constexpr DefaultRow kDefaultGpxEllipsoidalRows[] = {
    {"OpenTracks", "1"}, {"My Tracks", "1"}, {"MyTracks", "1"},
    {"GPSLogger", "1"},  {"MTK", "1"},       {"RTKLIB", "1"},
};

bool HasRowNamed(const std::vector<std::string>& rows, std::string_view name) {
  for (const std::string& row : rows)
    if (EqualIgnoringAsciiCase(ProfileRowName(row), name)) return true;
  return false;
}

// A row the user emptied switches that profile off: it is kept, not
// completed, so that the save writes it back empty.
void AppendMissingDefaults(std::vector<std::string>& rows, const auto& defaults) {
  for (const DefaultRow& row : defaults)
    if (!HasRowNamed(rows, row.name))
      rows.push_back(std::string(row.name) + "=" + std::string(row.value));
}

}  // namespace

void MergeDefaultProfiles() {
  AppendMissingDefaults(TheSettings().csvInfo, kDefaultInfoRows);
  AppendMissingDefaults(TheSettings().csvOption, kDefaultOptionRows);
  AppendMissingDefaults(TheSettings().gpxMsl, kDefaultGpxMslRows);
  AppendMissingDefaults(TheSettings().gpxEllipsoidal, kDefaultGpxEllipsoidalRows);
}

CreatorReference CreatorHeightReference(std::string_view creator) {
  for (const std::string& row : TheSettings().gpxMsl) {
    const std::string_view value = TrimControlAndBlanks(ProfileRowValue(row));
    if (value.empty() || !ContainsWord(creator, ProfileRowName(row))) continue;
    return {value == "0" ? CreatorWrites::Ellipsoidal : CreatorWrites::SeaLevel,
            std::string(ProfileRowName(row))};
  }
  for (const std::string& row : TheSettings().gpxEllipsoidal) {
    const std::string_view value = TrimControlAndBlanks(ProfileRowValue(row));
    if (!value.empty() && value != "0" && ContainsWord(creator, ProfileRowName(row)))
      return {CreatorWrites::Ellipsoidal, std::string(ProfileRowName(row))};
  }
  return {};
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
