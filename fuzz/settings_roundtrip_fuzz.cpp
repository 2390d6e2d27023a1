// The settings load -> save -> load round trip on an arbitrary settings
// file: what the second load reads equals what the first load read (after
// its migration). A save that refuses a value leaves the file's Version as
// it was, so that the migration runs again.

#include <vector>

#include "flags/program_flags.hpp"
#include "fuzz_support.hpp"
#include "ini/profile_file.hpp"
#include "program/settings_store.hpp"

using namespace orthelev;

namespace {

void AddGrid(std::vector<std::string>& out, const GridSpec& g) {
  for (const std::string* text : {&g.title, &g.fname}) out.push_back(*text);
  for (const std::int32_t whole : {g.nrows, g.ncols, g.nlat, g.nlon, g.prePad})
    out.push_back(WholeNumberText(whole));
  for (const double real : {g.glamn, g.glomn, g.dgla, g.dglo}) out.push_back(RealText(real));
}

// Every value the load reads, as text.
std::vector<std::string> Snapshot(const fuzz::CountingWindow& window) {
  const Settings& s = TheSettings();
  std::vector<std::string> out = {s.decimal,
                                  s.postfix,
                                  s.dataPath,
                                  s.dataFolder,
                                  s.customFname,
                                  s.customExt,
                                  s.browseDialog.SInitDir,
                                  s.font.name,
                                  window.GeoidModelText(),
                                  window.LatitudeText(),
                                  window.LongitudeText()};
  for (const auto& [key, list] : s.extensionLists) out.push_back(list);
  out.push_back(WholeNumberText(s.font.charset));
  out.push_back(WholeNumberText(s.font.sizePoints));
  out.push_back(YesNoText(window.SplineChecked()));
  for (const GridSpec* grid : {&s.egm25, &s.egm10, &s.gsi}) AddGrid(out, *grid);
  const CsvItemTitles& t = s.csvItems;
  for (const std::string* text :
       {&t.valid, &t.latitude, &t.ns, &t.longitude, &t.ew, &t.height, &t.geoid, &t.date})
    out.push_back(*text);
  out.insert(out.end(), s.csvInfo.begin(), s.csvInfo.end());
  out.push_back("--");
  out.insert(out.end(), s.csvOption.begin(), s.csvOption.end());
  out.push_back("--");
  out.insert(out.end(), s.gpxMsl.begin(), s.gpxMsl.end());
  return out;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

void Load(fuzz::CountingWindow& window, const std::string& path) {
  TheSettings().Reset();
  window = fuzz::CountingWindow{};
  InstallWindowServices(&window);
  Settings& s = TheSettings();
  s.versionTitle = VersionTitle();
  s.programFolder = fuzz::Scratch::Get().Folder();
  s.settingsFileName = path;
  TheFlags().startHidden = true;  // the window position stays as the file has it
  LoadSettings();
}

std::string StoredVersion(const std::string& path) {
  ProfileFile file;
  FUZZ_CHECK(file.Load(path), "the saved file loads");
  return file.ReadString("Option", "Version", "(none)");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  const std::string path = fuzz::Scratch::Get().Write(
      "orthelev.ini", std::string_view(reinterpret_cast<const char*>(data), size));
  Load(window, path);
  const std::vector<std::string> first = Snapshot(window);
  const std::string versionBefore = StoredVersion(path);
  if (!SaveSettings()) {
    FUZZ_CHECK(StoredVersion(path) == versionBefore, "a refused save keeps the old Version");
    return 0;
  }
  FUZZ_CHECK(StoredVersion(path) == VersionTitle(), "a save writes the Version");
  Load(window, path);
  const std::vector<std::string> second = Snapshot(window);
  for (std::size_t i = 0; i < first.size() && i < second.size(); ++i)
    if (first[i] != second[i])
      std::fprintf(stderr, "value %zu: \"%s\" became \"%s\"\n", i, Escaped(first[i]).c_str(),
                   Escaped(second[i]).c_str());
  FUZZ_CHECK(second == first, "the saved settings read back as they were");
  return 0;
}
