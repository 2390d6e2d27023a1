#include "program/program.hpp"

#include <exception>
#include <filesystem>

#include "base/ascii_text.hpp"
#include "base/paths.hpp"
#include "conversion/batch.hpp"
#include "conversion/log_formats.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "models/model_coverage.hpp"
#include "platform/platform.hpp"
#include "program/settings_store.hpp"
#include "services/window_services.hpp"
#include "settings/file_dialog.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

std::string Usage() {
  return "Usage: orthelev [FILE]... [/H] [/Q]\n"
         "Corrects the heights in GPS logs (" +
         LogFormatNamesInProse() +
         ") with a geoid model.\n"
         "\n"
         "  FILE             a log to convert at once, with the model and settings\n"
         "                   of the settings file\n"
         "  /H, --hidden     start hidden: no main window, no report window\n"
         "  /Q, --quit       close the program when the files are converted\n"
         "  --help           show this help and exit\n"
         "  --version        show the version and exit\n"
         "\n"
         "A switch is \"/\" and letters naming no existing file; its last letter\n"
         "counts. Switches take effect only when files are named.\n"
         "Exit status with /Q: 0 all files converted; 1 a file failed, was skipped or\n"
         "had an unknown type, or the batch was aborted; 2 no model; 3 a file had no\n"
         "height corrected.\n";
}

bool IsSettingsFile(const std::string& path) {
  return LowerAscii(platform::Utf8Of(platform::PathOf(path).extension())) == ".ini";
}

// The paths joined by ";", settings files left out.
std::string SourceList(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths)
    if (!IsSettingsFile(path)) list += path + ";";
  if (!list.empty()) list.pop_back();
  return list;
}

void ApplySwitch(const std::string& parameter) {
  char letter = parameter.back();
  if (parameter == "--hidden") letter = 'H';
  if (parameter == "--quit") letter = 'Q';
  letter = UpperAscii(letter);
  if (letter == 'H') TheFlags().startHidden = true;
  if (letter == 'Q') TheFlags().quitWhenDone = true;
}

void ShowAtStoredPlace() {
  WindowServices& window = Window();
  window.SetMainWindowState(WindowState::Normal);
  window.RestoreApplication();
  window.ShowMainWindow();
  window.FocusBrowseButton();
  window.SetMainTopLeft(TheSettings().mainTop, TheSettings().mainLeft);
}

}  // namespace

void FormCreate() {
  Settings& s = TheSettings();
  s.csvInfo.clear();
  s.csvOption.clear();
  s.browseDialog = SDialog{};
  s.gridDialog = SDialog{};
  s.browseDialog.SFilter = kInitialOpenFilter;
  s.gridDialog.SFilter = "Cliped GEOID|*.cdat";
}

std::string ProgramTitle(const std::string& programFile) {
  const std::string name = FileNameOf(programFile);
  const std::string title = name.substr(0, name.find('.'));
  return title.empty() ? title : title.substr(0, 1) + LowerAscii(title.substr(1));
}

void FormActivate(const SettingsLocation& where, const std::vector<std::string>& parameters) {
  ProgramFlags& flags = TheFlags();
  WindowServices& window = Window();
  if (flags.initialized) {
    if (flags.startHidden) {
      window.SetMainTopLeft(TheSettings().mainTop, TheSettings().mainLeft);
      flags.startHidden = false;
    }
    return;
  }
  flags.initialized = true;
  Settings& s = TheSettings();
  s.versionTitle = VersionTitle();
  window.SetMainCaption(s.versionTitle);
  s.programFolder = ProgramFolder(where.programFile);
  const SettingsPathResult location = SettingsFilePath("", where);
  if (!location.ok) {
    window.ShowGeneralError(GeneralErrorText(location.error));
    return;
  }
  s.settingsFileName = location.path;
  LoadSettings();
  TheActiveGrid().file.Close();
  window.ClearGeoidModelSelection();
  ReadCommandLine(parameters);
  window.AcceptDroppedFiles();
}

void FormClose() {
  WindowServices& window = Window();
  window.SetStatusText(" " + FileNameOf(TheSettings().settingsFileName) + "  saving...");
  window.ProcessPendingEvents();
  std::vector<std::string> refused;
  if (!SaveSettings(&refused) && !refused.empty()) {
    std::string text = "These settings hold a line break and were not saved:";
    for (const std::string& key : refused) text += "\r\n" + key;
    window.ShowMessageBox(text);
  }
  TheSettings().csvInfo.clear();
  TheSettings().csvOption.clear();
  TheActiveGrid().file.Close();
  TheActiveGrid().open = false;
}

void RunShowingFailures(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& failure) {
    Window().ShowGeneralError(GeneralErrorText(failure.what()));
  } catch (...) {
    Window().ShowGeneralError("Unexpected failure.");
  }
}

std::string GeneralErrorText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

bool IsSwitchParameter(const std::string& parameter) {
  if (parameter == "--hidden" || parameter == "--quit") return true;
  if (parameter.size() < 2 || parameter[0] != '/') return false;
  for (size_t i = 1; i < parameter.size(); ++i) {
    const char c = parameter[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  std::error_code error;
  return !std::filesystem::exists(platform::PathOf(parameter), error);
}

int DesktopExitStatus() { return TheFlags().quitWhenDone ? ExitStatusOf(TheBatch()) : 0; }

std::string InformationRequestAnswer(const std::vector<std::string>& parameters) {
  for (const std::string& parameter : parameters) {
    if (parameter == "--help") return Usage();
    if (parameter == "--version") return VersionTitle() + "\n";
  }
  return "";
}

void ReadCommandLine(const std::vector<std::string>& parameters) {
  std::vector<std::string> files;
  for (const std::string& parameter : parameters) {
    if (IsSwitchParameter(parameter))
      ApplySwitch(parameter);
    else
      files.push_back(parameter);
  }
  const std::string list = SourceList(files);
  ProgramFlags& flags = TheFlags();
  if (list.empty()) flags.startHidden = flags.quitWhenDone = false;
  Window().SetSourceText(list);
  if (!flags.startHidden)
    ShowAtStoredPlace();
  else  // unseen, but boxes shown meanwhile are centred where it will appear
    Window().SetMainTopLeft(TheSettings().mainTop, TheSettings().mainLeft);
  if (!list.empty()) RunBatch();
  if (flags.quitWhenDone) Window().CloseMainWindow();
}

void ButtonBrowseClick() {
  WindowServices& window = Window();
  if (!window.ConvertEnabled()) return;
  std::vector<std::string> chosen;
  if (!ExecuteFileDialog(DialogUse::SourceFiles, &chosen)) return;
  SDialog& record = DialogRecord(DialogUse::SourceFiles);
  record.SInitDir = FolderOf(record.SFileName);
  std::string list;
  for (const std::string& path : chosen) list += path + ";";
  if (!list.empty()) list.pop_back();
  window.SetSourceText(list);
  window.SetStatusText("");
  RunBatch();
}

char EditSorceKeyPress(char key) {
  if (key != '\r') return key;
  RunBatch();
  return 0;
}

void DropFiles(const std::vector<std::string>& paths) {
  if (TheBatch().running) return;  // the running batch keeps its file list
  Window().SetSourceText(SourceList(paths));
  RunBatch();
}

Picture ModelCoverageOnRequest() {
  if (TheBatch().running) return {};
  struct BusyCursor {
    BusyCursor() { Window().SetBusyCursor(true); }
    ~BusyCursor() { Window().SetBusyCursor(false); }
  } busy;
  return SelectedModelCoverage();
}

}  // namespace orthelev
