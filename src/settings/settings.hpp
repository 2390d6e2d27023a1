#pragma once
// Every user-adjustable value of the program, with its settings-file key,
// default and start value, and the conversions between a value and the text
// the settings file holds ("text", "whole number", "real", "yes/no", "byte").

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geoid/grid_spec.hpp"
#include "services/window_services.hpp"

namespace orthelev {

// Sections of the built-in models.
inline constexpr std::string_view kSectionEgm25 = "EGM2008_25";
inline constexpr std::string_view kSectionEgm10 = "EGM2008_10";
inline constexpr std::string_view kSectionGsi = "GSI";

// The default GridSpec of a built-in model's section; all zero for others.
GridSpec DefaultGridSpec(std::string_view section);

// Text defaults of the Option, Custom Geoid and CSVitem keys.
namespace defaults {
inline constexpr std::string_view kDecimal = "4";
inline constexpr std::string_view kPostfix = "_g";
inline constexpr std::string_view kCustomExt = ".cdat";
inline constexpr std::string_view kCsvValid = "VALID";
inline constexpr std::string_view kCsvLatitude =
    "LATITUDE,Lat,LATITUDE N/S,latitude(deg),Latitude (deg)";
inline constexpr std::string_view kCsvNS = "N/S,NS";
inline constexpr std::string_view kCsvLongitude =
    "LONGITUDE,Lon,Long,LONGITUDE E/W,longitude(deg),Longitude (deg)";
inline constexpr std::string_view kCsvEW = "E/W,EW";
inline constexpr std::string_view kCsvHeight =
    "HEIGHT,Elevation,Altitude,Alt,height(m),ele,Ellipsoid Height (m),Ellipsoidal Height";
inline constexpr std::string_view kCsvGeoid = "Geoid";
inline constexpr std::string_view kCsvDate = "DATE,Date Created,UTC DATE,Date / Time,UTC,GPST,JST";
inline const FontChoice kJapaneseFont{128, "Tahoma", 8};
// The GSI model lists before the JGD2024 models: a settings file holding
// exactly these is given the lists of today (ReadModels).
inline constexpr std::string_view kGsiTitles2011 =
    "GSIGEO 2011 ver2.2;GSIGEO 2011 ver2.1;GSIGEO 2011 ver2;GSIGEO 2011 ver1";
inline constexpr std::string_view kGsiFiles2011 =
    "gsigeo2011_ver2_2.asc;gsigeo2011_ver2_1.asc;gsigeo2011_ver2.asc;gsigeo2011_ver1.asc";
inline constexpr std::string_view kJgd2024Titles =
    ";JPGEO2024;JPGEO2024 + Hrefconv2024;GSIGEO 2011 + JGD2024 revision";
inline constexpr std::string_view kJgd2024Files =
    ";JPGEO2024.isg;JPGEO2024.isg + Hrefconv2024.isg;gsigeo2011_ver2_2.asc + "
    "hyokorevBM_jgd2024_h.par";
}  // namespace defaults

// HeightReference: what the user states about the heights of every log of a
// batch. AsFileSays (the default, "file") takes each file's own evidence;
// Ellipsoidal ("ellipsoidal") reads every height as above the ellipsoid.
enum class HeightReference { AsFileSays, Ellipsoidal };

// The setting's text and back; AsFileSays for any text but "ellipsoidal".
std::string_view HeightReferenceText(HeightReference reference);
HeightReference HeightReferenceOf(std::string_view text);

// The column-title lists of the CSVitem section, each a ","-list.
struct CsvItemTitles {
  std::string valid, latitude, ns, longitude, ew, height, geoid, date;
};

struct Settings {
  std::string versionTitle;      // "Orthelev Ver2.07"; never read from the file
  std::string storedVersion;     // the file's Version value, for the migration
  std::string settingsFileName;  // full path of the settings file
  std::string programFolder;     // the program file's folder, ending in a separator
  // For one run of the console front end, never in the file: the folder
  // outputs are written into, ending in a separator ("": beside their
  // inputs), and whether the report names each output.
  std::string outputFolder;
  bool reportOutputNames = false;

  std::string decimal, postfix, dataPath;
  HeightReference heightReference = HeightReference::AsFileSays;
  // The extension list of each log format, by its settings key ("NMEAext");
  // the formats and their keys are listed in conversion/log_formats.hpp.
  std::map<std::string, std::string, std::less<>> extensionLists;
  std::string dataFolder;  // where grid files are looked up, ends in a separator
  std::int32_t mainTop = 0, mainLeft = 0;

  GridSpec egm25, egm10, gsi;
  bool gsiGeometryChanged = false;  // a GSIGEO header replaced the GSI geometry
  // The spline box shows the choice of the selected GSI model's family; the
  // other family's waits here ([GSI] Spline and Spline2024).
  bool splineBoxShowsJgd2024 = false;
  bool gsiSpline = false;      // held only while the box shows the JGD2024 choice
  bool jgd2024Spline = false;  // held only while the box shows the GSIGEO choice
  std::string customFname;
  std::string customExt{defaults::kCustomExt};

  FontChoice font;  // start value: charset 0, "Tahoma", 8
  FontChoice japaneseFont = defaults::kJapaneseFont;

  CsvItemTitles csvItems;
  std::vector<std::string> csvInfo;    // "name=value" rows, in table order
  std::vector<std::string> csvOption;  // "name=value" rows, in table order
  // GPX_MSL: "creator word=1" for GPX creators that write heights above sea
  // level without <geoidheight> ("=0": that creator's heights are not), and
  // GPX_Ellipsoidal: "creator word=1" for creators that write heights above
  // the ellipsoid; each in table order (conversion/logger_profiles.hpp).
  std::vector<std::string> gpxMsl, gpxEllipsoidal;

  SDialog browseDialog;  // SInitDir is the OpenPath setting
  SDialog gridDialog;    // locating a geoid file

  // The GridSpec of a built-in model's section; nullptr for other names.
  GridSpec* GridSection(std::string_view section);

  void Reset() {
    Settings fresh;
    std::swap(*this, fresh);
  }
};

// The program's settings, at their start values until the load.
Settings& TheSettings();

// The Postfix setting as outputs use it: "_g" when it is empty or holds a
// path separator, so that outputs always stay beside their inputs.
std::string EffectivePostfix();

// Most decimals a written height takes. A double carries 15 to 17
// significant digits, so further decimals would only spell out the binary
// value; the cap also bounds the length of every rewritten line.
inline constexpr int kMaxHeightDecimals = 30;

// The decimals of every written height and geoid height (every log format
// alike): the Decimal setting as a whole number, 4 when it is below 1,
// kMaxHeightDecimals when it is above that.
int HeightDecimals();

// "Orthelev Ver" + major + "." + the minor as two digits.
std::string VersionTitle();

// --- Conversions between values and settings-file text -------------------

// Whole number: decimal, or hexadecimal after "0x"/"0X" when the text is
// longer than two characters; anything else (empty included) gives fallback.
std::int32_t ReadWholeNumber(std::string_view text, std::int32_t fallback);
// Real: "." decimal; text that is no number gives fallback.
double ReadReal(std::string_view text, double fallback);
// Yes/no: a whole number, anything but 0 meaning yes.
bool ReadYesNo(std::string_view text, bool fallback);
// Byte: a whole number of which only the low 8 bits count.
std::uint8_t ReadByte(std::string_view text, std::uint8_t fallback);

std::string WholeNumberText(std::int64_t value);
std::string RealText(double value);  // at most 15 significant digits
std::string YesNoText(bool value);   // "1" or "0"

}  // namespace orthelev
