#include "models/model_selection.hpp"

#include <utility>

#include "base/file_io.hpp"
#include "base/paths.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "models/gsi_model.hpp"
#include "models/jgd2024_models.hpp"
#include "services/window_services.hpp"
#include "settings/file_dialog.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

// The preparer of other grids as the Custom Geoid model, installed once by
// the program (knowingly no program state: it is how the program was built).
struct InstalledPreparer {
  CustomGridPreparer prepare = nullptr;
  std::string gridPatterns;
};

InstalledPreparer& Preparer() {
  static InstalledPreparer installed;
  return installed;
}

// The file a model reads and the filter of the dialog that asks for it.
struct ModelFile {
  std::string name;
  std::string filter;
};

ModelFile FileOfModel(int index) {
  const std::string name = ModelFileName(index);
  const std::string& ext = TheSettings().customExt;
  const std::string& grids = Preparer().gridPatterns;
  if (index == kCustomModelIndex && Preparer().prepare != nullptr)
    return {name, "Custom Geoid file(*" + ext + ")|*" + ext + "|Geoid grid(" + grids + ")|" +
                      grids + "|All files(*.*)|*.*"};
  if (index == kCustomModelIndex) return {name, "Custom Geoid file(*" + ext + ")|*" + ext};
  // A model of several files asks for the first.
  return {name, "Geoid file|" + name.substr(0, name.find(" + "))};
}

// Opens a custom geoid file, or what the installed preparer makes of a grid
// of another format.
bool OpenCustomGrid(const std::string& path) {
  const CustomGridPreparer prepare = Preparer().prepare;
  std::string usable = path, error;
  if (prepare != nullptr && FileExists(path) && !IsCustomGeoidFile(path) &&
      !prepare(path, usable, error)) {
    Window().ShowMessageBox("Illegal Custom geoid file: \r\n\r\n" + path + "\r\n\r\n" + error);
    return false;
  }
  return OpenCustomGeoid(usable);
}

bool OpenBuiltIn(const GridSpec& g, const std::string& fileName) {
  return OpenGrid(TheSettings().dataFolder, fileName, g);
}

bool OpenModel(int index, const std::string& name) {
  Settings& s = TheSettings();
  WindowServices& window = Window();
  if (index == kCustomModelIndex) {
    window.SetWaitingText(FileNameOf(s.customFname));
    return !s.customFname.empty() && OpenCustomGrid(ModelFilePath(s.customFname));
  }
  if (index == 1 || index == 2) {
    window.SetGeoidModelText(window.GeoidModelItem(index));
    return OpenBuiltIn(index == 1 ? s.egm25 : s.egm10, index == 1 ? s.egm25.fname : s.egm10.fname);
  }
  if (name.empty()) {
    // A GSI title without a file name at its position.
    window.SetStatusText(" Error.");
    window.ShowMessageBox("Geoid file is not found: \r\n" + window.GeoidModelText());
    return false;
  }
  const bool jgd2024 = IsJgd2024Entry(name);
  ShowSplineChoiceOf(jgd2024);
  if (!(jgd2024 ? PrepareJgd2024Grid(name) : PrepareGsiGrid(name))) return false;
  TheFlags().useSpline = window.SplineChecked();
  window.SetSplineVisible(true);
  return jgd2024 || OpenBuiltIn(s.gsi, name + ".dat");
}

}  // namespace

void ShowSplineChoiceOf(bool jgd2024) {
  Settings& s = TheSettings();
  WindowServices& window = Window();
  if (s.splineBoxShowsJgd2024 == jgd2024) return;
  (s.splineBoxShowsJgd2024 ? s.jgd2024Spline : s.gsiSpline) = window.SplineChecked();
  window.SetSplineChecked(jgd2024 ? s.jgd2024Spline : s.gsiSpline);
  s.splineBoxShowsJgd2024 = jgd2024;
}

std::string ModelFileName(int index) {
  const Settings& s = TheSettings();
  if (index == kCustomModelIndex) return s.customFname;
  if (index == 1) return s.egm25.fname;
  if (index == 2) return s.egm10.fname;
  const std::vector<std::string> names = SplitList(s.gsi.fname);
  const size_t entry = static_cast<size_t>(index - kFirstGsiModelIndex);
  return entry < names.size() ? names[entry] : std::string();
}

std::string ModelFilePath(const std::string& name) {
  return FileNameStart(name) > 0 ? name : TheSettings().dataFolder + name;
}

bool ModelFileFound(int index, const std::string& name) {
  const std::string& folder = TheSettings().dataFolder;
  if (name.empty()) return false;
  if (index >= kFirstGsiModelIndex && FileExists(folder + CompanionFileName(name))) return true;
  if (index >= kFirstGsiModelIndex && IsJgd2024Entry(name))
    return Jgd2024SourcesFound(folder, name);
  return FileExists(ModelFilePath(name));
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> entries;
  if (list.empty()) return entries;
  size_t start = 0;
  for (size_t end; (end = list.find(';', start)) != std::string::npos; start = end + 1)
    entries.push_back(list.substr(start, end - start));
  entries.push_back(list.substr(start));
  return entries;
}

void SelectGeoidModel() {
  WindowServices& window = Window();
  Settings& s = TheSettings();
  const int index = window.FindGeoidModelItem(window.GeoidModelText());
  TheFlags().useSpline = true;
  window.SetSplineVisible(false);
  window.SetWaitingText("");
  if (index < 0) {
    window.SetGeoidModelText(s.egm25.fname);
    return;
  }
  ModelFile file = FileOfModel(index);
  if (TheFlags().initialized && !ModelFileFound(index, file.name)) {
    const std::string located = AskForGridFile(file.name, file.filter);
    if (index == kCustomModelIndex) s.customFname = located;
  }
  TheActiveGrid().open = OpenModel(index, file.name);
}

std::string AskForGridFile(const std::string& name, const std::string& filter) {
  Settings& s = TheSettings();
  SDialog& record = DialogRecord(DialogUse::GeoidFile);
  record.SInitDir = s.dataFolder;
  record.SFileName = name;
  record.SFilter = filter;
  if (!ExecuteFileDialog(DialogUse::GeoidFile)) return name;
  s.dataFolder = FolderOf(record.SFileName);
  s.dataPath = s.dataFolder;
  return FileNameOf(record.SFileName);
}

bool SplineChosen() {
  const WindowServices& window = Window();
  return !TheFlags().forceBilinear && (window.SplineChecked() || !window.SplineVisible());
}

void ComboBoxGeoidSelect() {
  if (!TheFlags().initialized) return;
  WindowServices& window = Window();
  window.SetStatusText("");
  window.SetWaitingText("");
  if (window.GeoidModelText() == window.GeoidModelItem(kCustomModelIndex))
    TheSettings().customFname.clear();
  SelectGeoidModel();
  CloseGrid();
}

void InstallCustomGridPreparer(CustomGridPreparer preparer, std::string gridPatterns) {
  Preparer() = {preparer, std::move(gridPatterns)};
}

}  // namespace orthelev
