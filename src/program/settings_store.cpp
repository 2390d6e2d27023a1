#include "program/settings_store.hpp"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/log_formats.hpp"
#include "conversion/logger_profiles.hpp"
#include "flags/program_flags.hpp"
#include "ini/profile_file.hpp"
#include "platform/platform.hpp"
#include "services/placement.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr const char* kOption = "Option";
constexpr const char* kCustom = "Custom Geoid";
constexpr const char* kFont = "Font";
constexpr const char* kCsvItem = "CSVitem";
constexpr const char* kCsvInfo = "CSV_Info";
constexpr const char* kCsvOption = "CSV_Option";
constexpr const char* kGpxMsl = "GPX_MSL";
constexpr const char* kGpxEllipsoidal = "GPX_Ellipsoidal";

std::string Trimmed(const std::string& text) { return std::string(TrimControlAndBlanks(text)); }

// Typed reads: a missing key or an unreadable value gives the fallback.
class SettingsReader {
 public:
  explicit SettingsReader(const ProfileFile& file) : file_(file) {}
  std::string Text(const char* section, const char* key, std::string_view fallback) const {
    return file_.ReadString(section, key, fallback);
  }
  std::int32_t Whole(const char* section, const char* key, std::int32_t fallback) const {
    const auto value = file_.Find(section, key);
    return value ? ReadWholeNumber(*value, fallback) : fallback;
  }
  double Real(const char* section, const char* key, double fallback) const {
    const auto value = file_.Find(section, key);
    return value ? ReadReal(*value, fallback) : fallback;
  }
  bool YesNo(const char* section, const char* key, bool fallback) const {
    return Whole(section, key, fallback ? 1 : 0) != 0;
  }

 private:
  const ProfileFile& file_;
};

// Typed writes. A value the file cannot hold (a line break) is not written
// and its key is noted as "[section] key". A number whose stored text
// already reads as the same value keeps that text (0x10 stays 0x10, and
// reals keep digits beyond the 15 written).
class SettingsWriter {
 public:
  explicit SettingsWriter(ProfileFile& file) : file_(file) {}
  void Text(std::string_view section, std::string_view key, std::string_view value) {
    if (!file_.WriteString(section, key, value))
      refused_.push_back("[" + std::string(section) + "] " + std::string(key));
  }
  void Whole(const char* section, const char* key, std::int32_t value) {
    const auto stored = file_.Find(section, key);
    const bool same = stored && ReadWholeNumber(*stored, 0) == value &&
                      ReadWholeNumber(*stored, 1) == value;  // readable, not the fallback
    if (!same) Text(section, key, WholeNumberText(value));
  }
  void Real(const char* section, const char* key, double value) {
    const auto stored = file_.Find(section, key);
    double old = 0;
    const bool same = stored && ParseReal(TrimControlAndBlanks(*stored), old) &&
                      std::signbit(old) == std::signbit(value) &&
                      (old == value || (std::isnan(old) && std::isnan(value)));
    if (!same) Text(section, key, RealText(value));
  }
  const std::vector<std::string>& Refused() const { return refused_; }

 private:
  ProfileFile& file_;
  std::vector<std::string> refused_;
};

// The geometry keys of a grid section, in file order.
struct WholeKey {
  const char* key;
  std::int32_t GridSpec::*member;
};
struct RealKey {
  const char* key;
  double GridSpec::*member;
};
constexpr WholeKey kCountKeys[] = {{"nrows", &GridSpec::nrows}, {"ncols", &GridSpec::ncols}};
constexpr RealKey kAngleKeys[] = {{"glamn", &GridSpec::glamn},
                                  {"glomn", &GridSpec::glomn},
                                  {"dgla", &GridSpec::dgla},
                                  {"dglo", &GridSpec::dglo}};
constexpr WholeKey kNodeKeys[] = {{"nlat", &GridSpec::nlat}, {"nlon", &GridSpec::nlon}};

void ReadGeometry(const SettingsReader& in, const char* section, GridSpec& g, const GridSpec& d) {
  for (const WholeKey& k : kCountKeys) g.*k.member = in.Whole(section, k.key, d.*k.member);
  for (const RealKey& k : kAngleKeys) g.*k.member = in.Real(section, k.key, d.*k.member);
  for (const WholeKey& k : kNodeKeys) g.*k.member = in.Whole(section, k.key, d.*k.member);
}

void WriteGeometry(SettingsWriter& out, const char* section, const GridSpec& g) {
  for (const WholeKey& k : kCountKeys) out.Whole(section, k.key, g.*k.member);
  for (const RealKey& k : kAngleKeys) out.Real(section, k.key, g.*k.member);
  for (const WholeKey& k : kNodeKeys) out.Whole(section, k.key, g.*k.member);
}

// The CSVitem keys, in file order, with their defaults.
struct TitleKey {
  const char* key;
  std::string CsvItemTitles::*member;
  std::string_view fallback;
};
constexpr TitleKey kTitleKeys[] = {
    {"Valid", &CsvItemTitles::valid, defaults::kCsvValid},
    {"Latitude", &CsvItemTitles::latitude, defaults::kCsvLatitude},
    {"NS", &CsvItemTitles::ns, defaults::kCsvNS},
    {"Longitude", &CsvItemTitles::longitude, defaults::kCsvLongitude},
    {"EW", &CsvItemTitles::ew, defaults::kCsvEW},
    {"Height", &CsvItemTitles::height, defaults::kCsvHeight},
    {"Geoid", &CsvItemTitles::geoid, defaults::kCsvGeoid},
    {"Date", &CsvItemTitles::date, defaults::kCsvDate},
};

void ReadEgmSection(const SettingsReader& in, const char* section, GridSpec& g) {
  const GridSpec d = DefaultGridSpec(section);
  g.title = in.Text(section, "title", d.title);
  g.fname = in.Text(section, "fname", d.fname);
  if (g.fname.empty()) g.fname = d.fname;
  ReadGeometry(in, section, g, d);
  g.prePad = in.Whole(section, "PrePad", d.prePad);
}

void WriteEgmSection(SettingsWriter& out, const char* section, const GridSpec& g) {
  out.Text(section, "title", g.title);
  out.Text(section, "fname", g.fname);
  WriteGeometry(out, section, g);
  out.Whole(section, "PrePad", g.prePad);
}

bool EndsWithFolderMark(const std::string& path) {
  const char last = path.back();
  return FileNameStart(path) == path.size() || last == ':';
}

void ReadOptions(const SettingsReader& in, Settings& s, WindowServices& window) {
  std::int32_t top = in.Whole(kOption, "MainTop", kNoStoredPosition);
  std::int32_t left = in.Whole(kOption, "MainLeft", kNoStoredPosition);
  const ScreenRect rect = window.MainRect();
  PlaceMainWindow(top, left, window.WorkArea(), rect.Width(), rect.Height());
  s.mainTop = top;
  s.mainLeft = left;
  s.storedVersion = in.Text(kOption, "Version", s.versionTitle);
  window.SetGeoidModelText(in.Text(kOption, "GeoidModel", window.GeoidModelText()));
  s.decimal = Trimmed(in.Text(kOption, "Decimal", defaults::kDecimal));
  if (SafeStrToInt(s.decimal) < 1) s.decimal = defaults::kDecimal;
  s.postfix = Trimmed(in.Text(kOption, "Postfix", defaults::kPostfix));
  if (s.postfix.empty()) s.postfix = defaults::kPostfix;
  s.dataPath = in.Text(kOption, "DataPath", "");
  if (!s.dataPath.empty() && !EndsWithFolderMark(s.dataPath))
    s.dataPath += static_cast<char>(std::filesystem::path::preferred_separator);
  s.dataFolder = s.dataPath.empty() ? s.programFolder : s.dataPath;
  s.browseDialog.SInitDir = in.Text(kOption, "OpenPath", s.programFolder);
  s.heightReference = HeightReferenceOf(Trimmed(in.Text(kOption, "HeightReference", "file")));
  for (const LogFormat& format : LogFormats()) {
    const std::string key(format.extensionKey);
    s.extensionLists[key] = in.Text(kOption, key.c_str(), format.defaultExtensions);
  }
  window.SetLatitudeText(in.Text(kOption, "Latitude", window.LatitudeText()));
  window.SetLongitudeText(in.Text(kOption, "Longitude", window.LongitudeText()));
}

void ReadModels(const SettingsReader& in, Settings& s, WindowServices& window) {
  ReadEgmSection(in, "EGM2008_25", s.egm25);
  ReadEgmSection(in, "EGM2008_10", s.egm10);
  const GridSpec gsi = DefaultGridSpec(kSectionGsi);
  s.gsi.title = in.Text("GSI", "title", gsi.title);
  s.gsi.fname = in.Text("GSI", "fname", gsi.fname);
  if (s.gsi.title == defaults::kGsiTitles2011 && s.gsi.fname == defaults::kGsiFiles2011) {
    s.gsi.title = gsi.title;  // the lists as shipped before: the JGD2024 models join them
    s.gsi.fname = gsi.fname;
  }
  FillModelList();
  window.SetSplineVisible(window.FindGeoidModelItem(window.GeoidModelText()) >= 3);
  ReadGeometry(in, "GSI", s.gsi, gsi);
  s.gsi.prePad = in.Whole("GSI", "PrePad", gsi.prePad);
  window.SetSplineChecked(in.YesNo("GSI", "Spline", window.SplineChecked()));
  s.jgd2024Spline = in.YesNo("GSI", "Spline2024", false);
  s.customFname = in.Text(kCustom, "fname", "");
  s.customExt = in.Text(kCustom, "Ext", defaults::kCustomExt);
}

void ReadFontAndItems(const SettingsReader& in, Settings& s) {
  const FontChoice fallback = UserLocaleIsJapanese() ? s.japaneseFont : s.font;
  s.font.charset =
      ReadByte(in.Text(kFont, "Charset", ""), static_cast<std::uint8_t>(fallback.charset));
  s.font.name = in.Text(kFont, "FontName", fallback.name);
  s.font.sizePoints = in.Whole(kFont, "FontSize", fallback.sizePoints);
  for (const TitleKey& k : kTitleKeys) s.csvItems.*k.member = in.Text(kCsvItem, k.key, k.fallback);
}

// Appends `entry` to the ","-list unless an entry equal to it, ignoring
// letter case, is there already.
void AddListEntry(std::string& list, const std::string& entry) {
  if (("," + UpperAscii(list) + ",").find("," + UpperAscii(entry) + ",") == std::string::npos)
    list += "," + entry;
}

// Appends `extension` (".log") to the extension list unless the list holds
// it already, letters compared without regard to case.
void AddExtension(std::string& list, const std::string& extension) {
  if (!ExtensionListHolds(list, extension)) list += extension;
}

// Deletions of the migration reach the file at once (unless it is only
// read); false when they cannot.
bool DeleteNow(ProfileFile& file, SettingsAccess access, const char* section, const char* key) {
  file.DeleteKey(section, key);
  return access == SettingsAccess::ReadOnly || file.Save();
}

bool EraseNow(ProfileFile& file, SettingsAccess access, const char* section) {
  file.DeleteSection(section);
  return access == SettingsAccess::ReadOnly || file.Save();
}

// Brings the settings of a file written by an older version up to date.
// False when a deletion in the file failed (the load stops there).
bool Migrate(ProfileFile& file, SettingsAccess access, Settings& s) {
  const std::string& stored = s.storedVersion;
  if (!(stored < s.versionTitle)) return true;
  const GridSpec gsi = DefaultGridSpec(kSectionGsi);
  if (stored < "Orthelev Ver2.06") {
    s.gsi.title = gsi.title;
    s.gsi.fname = gsi.fname;
    FillModelList();
  }
  if (stored < "Orthelev Ver1.07") {
    AddListEntry(s.csvItems.latitude, "latitude(deg)");
    AddListEntry(s.csvItems.longitude, "longitude(deg)");
    AddListEntry(s.csvItems.height, "height(m)");
    if (!DeleteNow(file, access, kOption, "iBluemask")) return false;
  }
  if (stored < "Orthelev Ver1.09") {
    for (const char* key : {"nrows", "ncols", "glamn", "glomn", "dgla", "dglo", "nlat", "nlon",
                            "PrePad", "Spline", "fname"})
      if (!DeleteNow(file, access, "GSI2000", key)) return false;
    EraseNow(file, access, "GSI2000");  // a failure of this erase is ignored
  }
  if (stored < "Orthelev Ver1.10") {
    if (!EraseNow(file, access, "CustomGeoid")) return false;
  }
  if (stored < "Orthelev Ver2.00") s.gsi.fname = gsi.fname;
  if (stored < "Orthelev Ver2.07") {
    AddExtension(s.extensionLists["NMEAext"], ".log");
    AddListEntry(s.csvItems.latitude, "Latitude (deg)");
    AddListEntry(s.csvItems.longitude, "Longitude (deg)");
    for (const char* name : {"ele", "Ellipsoid Height (m)", "Ellipsoidal Height"})
      AddListEntry(s.csvItems.height, name);
  }
  return true;
}

// One entry per "name=value" row of a profile table, in table order.
void WriteRows(SettingsWriter& out, const char* section, const std::vector<std::string>& rows) {
  for (const std::string& row : rows) out.Text(section, ProfileRowName(row), ProfileRowValue(row));
}

void WriteAll(SettingsWriter& out, const Settings& s, const WindowServices& window) {
  out.Text(kOption, "GeoidModel", window.GeoidModelText());
  out.Text(kOption, "Decimal", s.decimal);
  out.Text(kOption, "Postfix", s.postfix);
  out.Text(kOption, "DataPath", s.dataPath);
  out.Text(kOption, "OpenPath", s.browseDialog.SInitDir);
  out.Text(kOption, "HeightReference", HeightReferenceText(s.heightReference));
  for (const LogFormat& format : LogFormats())
    out.Text(kOption, format.extensionKey, ExtensionListOf(format));
  if (!TheFlags().startHidden) {
    out.Whole(kOption, "MainTop", window.MainTop());
    out.Whole(kOption, "MainLeft", window.MainLeft());
  }
  out.Text(kOption, "Latitude", window.LatitudeText());
  out.Text(kOption, "Longitude", window.LongitudeText());
  WriteEgmSection(out, "EGM2008_25", s.egm25);
  WriteEgmSection(out, "EGM2008_10", s.egm10);
  out.Text("GSI", "title", s.gsi.title);
  out.Text("GSI", "fname", s.gsi.fname);
  WriteGeometry(out, "GSI", s.gsi);
  out.Whole("GSI", "PrePad", s.gsi.prePad);
  const bool boxShowsJgd2024 = s.splineBoxShowsJgd2024;
  out.Text("GSI", "Spline", YesNoText(boxShowsJgd2024 ? s.gsiSpline : window.SplineChecked()));
  out.Text("GSI", "Spline2024",
           YesNoText(boxShowsJgd2024 ? window.SplineChecked() : s.jgd2024Spline));
  out.Text(kCustom, "fname", s.customFname);
  out.Text(kCustom, "Ext", s.customExt);
  for (const TitleKey& k : kTitleKeys) out.Text(kCsvItem, k.key, s.csvItems.*k.member);
  out.Whole(kFont, "Charset", s.font.charset);
  out.Text(kFont, "FontName", s.font.name);
  out.Whole(kFont, "FontSize", s.font.sizePoints);
  WriteRows(out, kCsvInfo, s.csvInfo);
  WriteRows(out, kCsvOption, s.csvOption);
  WriteRows(out, kGpxMsl, s.gpxMsl);
  WriteRows(out, kGpxEllipsoidal, s.gpxEllipsoidal);
}

}  // namespace

void SetNumberFormat() { std::setlocale(LC_NUMERIC, "C"); }

namespace {

bool LoadFrom(ProfileFile& file, SettingsAccess access) {
  Settings& s = TheSettings();
  WindowServices& window = Window();
  const SettingsReader in(file);
  ReadOptions(in, s, window);
  ReadModels(in, s, window);
  ReadFontAndItems(in, s);
  if (!Migrate(file, access, s)) return false;
  ApplyFont();
  s.csvInfo = file.ReadSectionRows(kCsvInfo);
  s.csvOption = file.ReadSectionRows(kCsvOption);
  s.gpxMsl = file.ReadSectionRows(kGpxMsl);
  s.gpxEllipsoidal = file.ReadSectionRows(kGpxEllipsoidal);
  MergeDefaultProfiles();
  s.browseDialog.SFilter = BuildOpenFilterFromSettings();
  return true;
}

}  // namespace

bool LoadSettings(SettingsAccess access) {
  SetNumberFormat();
  const std::string& path = TheSettings().settingsFileName;
  if (access == SettingsAccess::ReadWrite && !ProfileFile::CreateEmpty(path)) return false;
  ProfileFile file;
  return file.Load(path) && LoadFrom(file, access);
}

void LoadDefaultSettings() {
  SetNumberFormat();
  ProfileFile empty;
  LoadFrom(empty, SettingsAccess::ReadOnly);
}

bool SaveSettings(std::vector<std::string>* refused) {
  ProfileFile file;
  if (!file.Load(TheSettings().settingsFileName)) return false;
  // Version comes first in its section. When a value is refused the save
  // starts again from the file as loaded without it, so that the next load
  // migrates again instead of losing what the migration changed.
  ProfileFile withoutVersion = file;
  SettingsWriter out(file);
  out.Text(kOption, "Version", TheSettings().versionTitle);
  WriteAll(out, TheSettings(), Window());
  if (refused) *refused = out.Refused();
  if (out.Refused().empty()) return file.Save();
  SettingsWriter again(withoutVersion);
  WriteAll(again, TheSettings(), Window());
  (void)withoutVersion.Save();  // the refusal is the result either way
  return false;
}

bool SaveGsiGeometry() {
  ProfileFile file;
  if (!file.Load(TheSettings().settingsFileName)) return false;
  SettingsWriter out(file);
  WriteGeometry(out, "GSI", TheSettings().gsi);
  return file.Save();
}

void FillModelList() {
  const Settings& s = TheSettings();
  std::vector<std::string> items = {kCustom, s.egm25.title, s.egm10.title};
  std::string titles = ListToLines(s.gsi.title);
  for (size_t start = 0; !titles.empty() && start <= titles.size();) {
    const size_t end = titles.find("\r\n", start);
    items.push_back(titles.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  WindowServices& window = Window();
  const std::string text = window.GeoidModelText();
  window.SetGeoidModelItems(items);
  window.SetGeoidModelText(text);
}

std::string ListToLines(const std::string& list) {
  std::string lines;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    lines += list.substr(start, end - start) + "\r\n";
    start = end + 1;
  }
  return Trimmed(lines);
}

void ApplyFont() {
  FontChoice font = TheSettings().font;
  const int dpi = Window().DisplayDpi();
  if (dpi > 0) font.sizePoints = static_cast<int>(std::lround(font.sizePoints * 96.0 / dpi));
  Window().SetFont(font);
}

bool UserLocaleIsJapanese() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = platform::EnvironmentValue(variable);
    if (!value.empty()) return value.substr(0, 2) == "ja";
  }
  return false;
}

}  // namespace orthelev
