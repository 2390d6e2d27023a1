#include "console/cli.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "console/cli_heights.hpp"
#include "console/cli_import.hpp"
#include "console/cli_pictures.hpp"
#include "console/console_window_services.hpp"
#include "conversion/batch.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "models/geoid_check.hpp"
#include "models/jgd2024_models.hpp"
#include "models/model_selection.hpp"
#include "platform/platform.hpp"
#include "program/program_state.hpp"
#include "program/settings_store.hpp"
#include "settings/settings.hpp"
#include "settings/settings_location.hpp"

namespace orthelev {

namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

constexpr const char* kUsageCommands =
    "usage: orthelev-cli [options] convert FILE...  convert logs, as a batch of these files in\n"
    "                                               this order\n"
    "       orthelev-cli [options] check LAT LON    print the geoid height as the check box\n"
    "                                               would show it\n"
    "       orthelev-cli [options] heights [FILE]   geoid heights of the points of FILE (none or\n"
    "                                               \"-\": standard input), one a line\n"
    "       orthelev-cli [options] models           list the model list: index, title, file\n"
    "                                               name, ok|missing and, for the Japanese\n"
    "                                               models, the heights' vertical datum\n"
    "       orthelev-cli [options] models --picture FILE.svg [MODEL]\n"
    "                                               draw where the model (default: the model\n"
    "                                               box's) has heights\n"
    "  convert --profile DIR  also write each file's height profile to DIR as\n"
    "                         <file>.profile.svg and <file>.profile.csv\n";

constexpr const char* kUsageOptions =
    "options:\n"
    "  --ini FILE          settings file to read (default: the desktop program's orthelev.ini)\n"
    "  --model TEXT        the model box text for this run (e.g. \"EGM2008 1'x1'\", letter case\n"
    "                      ignored)\n"
    "  --data-dir DIR      the folder of the geoid grid files for this run\n"
    "  --custom FILE       use FILE as the Custom Geoid model (its folder becomes the data\n"
    "                      folder)\n"
    "  --spline            tick the spline box (the Japanese models interpolate by spline)\n"
    "  --bilinear          untick it, and interpolate bilinearly for every model\n"
    "  --postfix TEXT      output name marker for this run (default from the settings, \"_g\")\n"
    "  --decimal N         decimals of written heights for this run\n"
    "  --height-reference file|ellipsoidal\n"
    "                      what the logs' heights are measured from: as each file says\n"
    "                      (default from the settings, \"file\"), or all ellipsoidal\n"
    "  --quiet             no status lines on standard error\n"
    "  --help, --version   print this text or the version, and exit\n"
    "  --                  ends the options\n"
    "heights: each line \"LAT LON\" or \"LAT LON H\" (the forms of check, separated by blanks or\n"
    "commas) is written followed by the geoid height N and, with H, H - N in metres (\"nan\"\n"
    "outside the model); \"#\" lines and empty lines are copied, a line that is no point is\n"
    "copied and named on standard error.\n"
    "The report goes to standard output, status lines and errors to standard error. On a\n"
    "terminal the status rewrites one line; elsewhere only the last status of each file shows.\n"
    "Exit status: 0 all files converted (check, heights: every point had a height); 1 a file\n"
    "failed, was skipped or had an unknown type, or the batch was aborted (check: out of range;\n"
    "heights: a point out of range or a line no point; import-grid: it failed); 2 usage error\n"
    "or no model; 3 (convert) a file converted with no height corrected.\n";

std::string Usage() { return std::string(kUsageCommands) + ImportGridUsage() + kUsageOptions; }

struct Options {
  std::optional<std::string> ini, model, dataDir, custom, postfix, decimal, heightReference;
  std::optional<bool> spline;
  bool quiet = false;
  std::string command;
  std::vector<std::string> arguments;
};

// Ctrl-C during a batch acts like Esc: the console's event processing turns
// the interrupt into AbortRequested at the conversions' next check point.
class CliWindowServices : public ConsoleWindowServices {
 public:
  using ConsoleWindowServices::ConsoleWindowServices;
  void ProcessPendingEvents() override {
    if (platform::InterruptRequested()) TheFlags().abortRequested = true;
  }
};

// An option before the command: its name and what it sets (`value` is the
// next argument for an option that takes one, else null).
struct OptionRule {
  const char* name;
  bool takesValue;
  void (*apply)(Options& o, const char* value);
};

constexpr OptionRule kOptionRules[] = {
    {"--ini", true, [](Options& o, const char* v) { o.ini = v; }},
    {"--model", true, [](Options& o, const char* v) { o.model = v; }},
    {"--data-dir", true, [](Options& o, const char* v) { o.dataDir = v; }},
    {"--custom", true, [](Options& o, const char* v) { o.custom = v; }},
    {"--spline", false, [](Options& o, const char*) { o.spline = true; }},
    {"--bilinear", false, [](Options& o, const char*) { o.spline = false; }},
    {"--postfix", true, [](Options& o, const char* v) { o.postfix = v; }},
    {"--decimal", true, [](Options& o, const char* v) { o.decimal = v; }},
    {"--height-reference", true, [](Options& o, const char* v) { o.heightReference = v; }},
    {"--quiet", false, [](Options& o, const char*) { o.quiet = true; }},
    {"--help", false, [](Options& o, const char*) { o.command = "--help"; }},
    {"--version", false, [](Options& o, const char*) { o.command = "--version"; }},
};

const OptionRule* FindOptionRule(const std::string& name) {
  for (const OptionRule& rule : kOptionRules)
    if (name == rule.name) return &rule;
  return nullptr;
}

// Parses the options before the command; false with a message on a usage error.
bool ParseOptions(int argc, char** argv, Options& o, std::string& problem) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.rfind("--", 0) != 0) break;
    const OptionRule* rule = FindOptionRule(a);
    if (rule == nullptr) {
      problem = "unknown option " + a;
      return false;
    }
    if (rule->takesValue && i + 1 >= argc) {
      problem = a + " needs a value";
      return false;
    }
    rule->apply(o, rule->takesValue ? argv[++i] : nullptr);
    if (!o.command.empty()) return true;
  }
  if (i >= argc) {
    problem = "no command given";
    return false;
  }
  o.command = argv[i++];
  if (i < argc && std::string(argv[i]) == "--") ++i;  // "check -- -33.86 151.21"
  for (; i < argc; ++i) o.arguments.push_back(argv[i]);
  std::int32_t decimals = 0;
  if (o.decimal &&
      (!ParseInt32(*o.decimal, decimals) || decimals < 1 || decimals > kMaxHeightDecimals)) {
    problem = "--decimal takes a whole number from 1 to " + FormatInt(kMaxHeightDecimals);
    return false;
  }
  if (o.heightReference && *o.heightReference != "file" && *o.heightReference != "ellipsoidal") {
    problem = "--height-reference takes file or ellipsoidal";
    return false;
  }
  return true;
}

// Settings as the desktop program has them, read only, then this run's overrides.
void PrepareSettings(const Options& o, const char* argv0, ConsoleWindowServices& window) {
  Settings& s = TheSettings();
  const SettingsLocation where = CurrentSettingsLocation("orthelev");
  s.versionTitle = VersionTitle();
  s.programFolder =
      ProgramFolder(where.programFile.empty() ? AbsolutePath(argv0) : where.programFile);
  if (o.ini) {
    s.settingsFileName = AbsolutePath(*o.ini);
  } else {
    const SettingsPathResult path = SettingsFilePath("", where);
    s.settingsFileName = path.ok ? path.path : "";
  }
  if (s.settingsFileName.empty() || !LoadSettings(SettingsAccess::ReadOnly)) LoadDefaultSettings();

  if (o.dataDir) s.dataFolder = WithTrailingSeparator(AbsolutePath(*o.dataDir));
  if (o.custom) {
    const std::string custom = AbsolutePath(*o.custom);
    s.dataFolder = FolderOf(custom);
    s.customFname = FileNameOf(custom);
    window.SetGeoidModelText(kCustomModelTitle);
  }
  if (o.model) window.SetGeoidModelText(*o.model);
  if (o.spline) {
    window.SetSplineChecked(*o.spline);
    s.jgd2024Spline = *o.spline;  // the box's value for either family of GSI models
  }
  TheFlags().forceBilinear = o.spline == false;
  if (o.postfix) s.postfix = *o.postfix;
  if (o.decimal) s.decimal = *o.decimal;
  if (o.heightReference) s.heightReference = HeightReferenceOf(*o.heightReference);
}

int ListModels(const Options& o, ConsoleWindowServices& window, std::FILE* out, std::FILE* err) {
  std::vector<std::string> arguments = o.arguments;
  std::optional<std::string> picture;
  if (!TakeCommandOption(arguments, "--picture", picture, err)) return kExitUsage;
  if (picture) {
    if (arguments.size() > 1) {
      std::fputs("orthelev-cli: models --picture takes one model\n", err);
      return kExitUsage;
    }
    if (arguments.size() == 1) window.SetGeoidModelText(arguments[0]);
    return WriteModelPicture(*picture, out, err);
  }
  const std::vector<std::string>& items = window.GeoidModelItems();
  for (size_t i = 0; i < items.size(); ++i) {
    const int index = static_cast<int>(i);
    const std::string name = ModelFileName(index);
    std::string line = FormatInt(index) + "\t" + items[i] + "\t" + name + "\t" +
                       (ModelFileFound(index, name) ? "ok" : "missing");
    if (index >= kFirstGsiModelIndex) line += "\t" + VerticalDatumOf(name);
    line += "\n";
    std::fputs(line.c_str(), out);
  }
  return kExitOk;
}

int Check(const Options& o, ConsoleWindowServices& window, std::FILE* out, std::FILE* err) {
  if (o.arguments.size() != 2) {
    std::fputs("orthelev-cli: check takes a latitude and a longitude\n", err);
    return kExitUsage;
  }
  window.SetLatitudeText(o.arguments[0]);
  window.SetLongitudeText(o.arguments[1]);
  window.SetGeoidText("");
  ButtonCalcClick();
  if (!TheActiveGrid().open) return kExitUsage;
  std::fputs((window.GeoidText() + "\n").c_str(), out);
  return window.GeoidText() == "Out of range." ? kExitFailed : kExitOk;
}

int Convert(const Options& o, ConsoleWindowServices&, std::FILE*, std::FILE* err) {
  std::vector<std::string> files = o.arguments;
  std::optional<std::string> profileFolder;
  if (!TakeCommandOption(files, "--profile", profileFolder, err)) return kExitUsage;
  if (profileFolder && !ProfileFolderExists(*profileFolder, err)) return kExitUsage;
  if (files.empty()) {
    std::fputs("orthelev-cli: convert needs at least one file\n", err);
    return kExitUsage;
  }
  platform::StartCatchingInterrupts();
  RunBatchOf(files);
  platform::StopCatchingInterrupts();
  const int status = ExitStatusOf(TheBatch());
  return profileFolder ? WriteProfilesAfterBatch(*profileFolder, status, err) : status;
}

int Heights(const Options& o, ConsoleWindowServices&, std::FILE* out, std::FILE* err) {
  return HeightsCommand(o.arguments, out, err);
}

// A command of the console front end, run with the settings prepared and
// the console's window services installed.
struct CommandRule {
  const char* name;
  int (*run)(const Options& o, ConsoleWindowServices& window, std::FILE* out, std::FILE* err);
};

constexpr CommandRule kCommandRules[] = {
    {"convert", Convert}, {"check", Check}, {"heights", Heights}, {"models", ListModels}};
constexpr const char* kImportCommand = "import-grid";  // runs without settings or a model

// After a GSIGEO grid was converted, its header's geometry must reach the
// settings file: the next run opens the companion with it. False, with the
// reason on `err`, when it could not be saved.
bool KeepGsiGeometry(const Options& o, std::FILE* err) {
  Settings& s = TheSettings();
  if (!s.gsiGeometryChanged) return true;
  if (s.settingsFileName.empty() && !o.ini) return true;
  if (SaveGsiGeometry()) return true;
  std::fputs(("Error: the GSIGEO grid geometry could not be saved in " + s.settingsFileName +
              "; the next run cannot read the converted grid\n")
                 .c_str(),
             err);
  return false;
}

}  // namespace

std::vector<std::string> CliCommandNames() {
  std::vector<std::string> names;
  for (const CommandRule& rule : kCommandRules) names.emplace_back(rule.name);
  names.emplace_back(kImportCommand);
  return names;
}

std::vector<std::string> CliOptionNames() {
  std::vector<std::string> names;
  for (const OptionRule& rule : kOptionRules) names.emplace_back(rule.name);
  return names;
}

int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err) {
  Options options;
  std::string problem;
  if (!ParseOptions(argc, argv, options, problem)) {
    std::fputs(("orthelev-cli: " + problem + "\n" + Usage()).c_str(), err);
    return kExitUsage;
  }
  if (options.command == "--help") {
    std::fputs(Usage().c_str(), out);
    return kExitOk;
  }
  if (options.command == "--version") {
    std::fputs((VersionTitle() + "\n").c_str(), out);
    return kExitOk;
  }
  if (options.command == kImportCommand) return ImportGridCommand(options.arguments, out, err);
  ResetProgramState();
  CliWindowServices window(out, err);
  window.SetQuiet(options.quiet);
  InstallWindowServices(&window);
  TheFlags().initialized = true;  // as after the desktop program's first activation
  PrepareSettings(options, argv[0], window);

  int status = kExitUsage;
  const CommandRule* command = nullptr;
  for (const CommandRule& rule : kCommandRules)
    if (options.command == rule.name) command = &rule;
  if (command != nullptr)
    status = command->run(options, window, out, err);
  else
    std::fputs(("orthelev-cli: unknown command " + options.command + "\n" + Usage()).c_str(), err);
  window.EndStatus();
  if (!KeepGsiGeometry(options, err) && status == kExitOk) status = kExitFailed;
  CloseGrid();
  InstallWindowServices(nullptr);
  return status;
}

}  // namespace orthelev
