#include "console/cli.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "console/cli_heights.hpp"
#include "console/cli_import.hpp"
#include "console/cli_pictures.hpp"
#include "console/console_window_services.hpp"
#include "conversion/batch.hpp"
#include "conversion/log_formats.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "import/import_platform.hpp"
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

struct Options {
  std::optional<std::string> ini, model, dataDir, custom, postfix, decimal, outputDir, columns,
      region, format, heightReference, profile, picture;
  std::optional<bool> spline;
  bool quiet = false, help = false, version = false, recursive = false, verbose = false;
  HeightsOptions heights;
  std::string command;
  std::vector<std::string> arguments;
};

// An option, anywhere on the command line up to "--": its name (and short
// form), the name of its value (null when it takes none), the command it
// belongs to (null: every command that uses a model, kEveryCommand: import-grid
// too), its line of --help and what it sets.
struct OptionRule {
  const char* name;
  const char* shortName;
  const char* value;
  const char* command;
  const char* help;
  void (*apply)(Options& o, const char* value);
};

constexpr const char* kHeights = "heights";
constexpr const char* kConvert = "convert";
constexpr const char* kModels = "models";
constexpr const char* kCheck = "check";
constexpr const char* kImportCommand = "import-grid";  // runs without settings or a model
constexpr const char* kEveryCommand = "";

constexpr OptionRule kOptionRules[] = {
    {"--ini", nullptr, "FILE", nullptr,
     "settings file to read (default: the desktop program's orthelev.ini)",
     [](Options& o, const char* v) { o.ini = v; }},
    {"--model", nullptr, "TEXT", nullptr,
     "the model box text for this run (e.g. \"EGM2008 1'x1'\", letter case\nignored)",
     [](Options& o, const char* v) { o.model = v; }},
    {"--data-dir", nullptr, "DIR", nullptr, "the folder of the geoid grid files for this run",
     [](Options& o, const char* v) { o.dataDir = v; }},
    {"--custom", nullptr, "FILE", nullptr,
     "use FILE as the Custom Geoid model: a custom geoid file (.cdat), or any\n"
     "grid import-grid reads (imported once into the user's cache folder), or\n"
     "the name of a grid in PROJ's data folders",
     [](Options& o, const char* v) { o.custom = v; }},
    {"--spline", nullptr, nullptr, nullptr,
     "tick the spline box (the Japanese models interpolate by spline)",
     [](Options& o, const char*) { o.spline = true; }},
    {"--bilinear", nullptr, nullptr, nullptr,
     "untick it, and interpolate bilinearly for every model",
     [](Options& o, const char*) { o.spline = false; }},
    {"--postfix", nullptr, "TEXT", nullptr,
     "output name marker for this run (default from the settings, \"_g\")",
     [](Options& o, const char* v) { o.postfix = v; }},
    {"--decimal", nullptr, "N", nullptr, "decimals of written heights for this run",
     [](Options& o, const char* v) { o.decimal = v; }},
    {"--height-reference", nullptr, "file|ellipsoidal", nullptr,
     "what the logs' heights are measured from: as each file says (default from\n"
     "the settings, \"file\"), or all ellipsoidal",
     [](Options& o, const char* v) { o.heightReference = v; }},
    {"--quiet", nullptr, nullptr, nullptr, "no status lines on standard error",
     [](Options& o, const char*) { o.quiet = true; }},
    {"--help", "-h", nullptr, kEveryCommand,
     "print this text (after a command: that command's), and exit",
     [](Options& o, const char*) { o.help = true; }},
    {"--version", nullptr, nullptr, kEveryCommand, "print the version, and exit",
     [](Options& o, const char*) { o.version = true; }},
    {"--verbose", "-v", nullptr, kCheck,
     "after the height, the model, its file and, for a custom model, its extent\nand what its "
     "metadata tells (source, model, datum, import date, interpolation)",
     [](Options& o, const char*) { o.verbose = true; }},
    {"--output-dir", nullptr, "DIR", kConvert,
     "write the outputs into DIR (same names, postfix kept)",
     [](Options& o, const char* v) { o.outputDir = v; }},
    {"--profile", nullptr, "DIR", kConvert,
     "also write each file's height profile to DIR as <file>.profile.svg and\n"
     "<file>.profile.csv",
     [](Options& o, const char* v) { o.profile = v; }},
    {"--picture", nullptr, "FILE.svg", kModels,
     "draw where the model (the one named after models, default: the model\nbox's) has heights",
     [](Options& o, const char* v) { o.picture = v; }},
    {"--recursive", nullptr, nullptr, kConvert, "convert the logs of a folder's sub-folders too",
     [](Options& o, const char*) { o.recursive = true; }},
    {"--lon-lat", "-w", nullptr, kHeights, "points are \"LON LAT\" or \"LON LAT H\"",
     [](Options& o, const char*) { o.heights.lonFirst = true; }},
    {"--header", nullptr, nullptr, kHeights,
     "the first line names the columns: copied with the names of the added\ncolumns",
     [](Options& o, const char*) { o.heights.header = true; }},
    {"--columns", nullptr, "LAT,LON[,H]", kHeights,
     "the columns of the point, by number (from 1) or by header name",
     [](Options& o, const char* v) { o.columns = v; }},
    {"--inverse", nullptr, nullptr, kHeights,
     "H is a height above the geoid: write H + N (ellipsoidal) instead of H - N",
     [](Options& o, const char*) { o.heights.inverse = true; }},
    {"--region", nullptr, "S,N,W,E", kImportCommand,
     "import only that region, in degrees (SOUTH,NORTH,WEST,EAST)",
     [](Options& o, const char* v) { o.region = v; }},
    {"--format", nullptr, "FORMAT", kImportCommand, "auto (default), egm2008, gsigeo or raster",
     [](Options& o, const char* v) { o.format = v; }},
};

constexpr const char* kHeightsNotes =
    "heights: each line \"LAT LON\" or \"LAT LON H\" (the forms of check, separated by blanks or\n"
    "commas; --lon-lat: \"LON LAT [H]\"; --columns: those fields) is written followed by the\n"
    "geoid height N and, with H, H - N (--inverse: H + N) in metres (\"nan\" outside the\n"
    "model); \"#\" lines and empty lines are copied, a line that is no point is copied and\n"
    "named on standard error.\n";

constexpr const char* kGeneralNotes =
    "Options may stand anywhere on the command line; \"--\" ends them (then a negative\n"
    "number is no option).\n"
    "The report goes to standard output, status lines and errors to standard error. On a\n"
    "terminal the status rewrites one line; elsewhere only the last status of each file shows.\n"
    "Exit status: 0 all files converted (check, heights: every point had a height); 1 a file\n"
    "failed, was skipped or had an unknown type, or the batch was aborted (check: out of range;\n"
    "heights: a point out of range or a line no point; import-grid: it failed); 2 usage error\n"
    "or no model; 3 (convert) a file converted with no height corrected.\n";

// Ctrl-C during a batch acts like Esc: the console's event processing turns
// the interrupt into AbortRequested at the conversions' next check point.
class CliWindowServices : public ConsoleWindowServices {
 public:
  using ConsoleWindowServices::ConsoleWindowServices;
  void ProcessPendingEvents() override {
    if (platform::InterruptRequested()) TheFlags().abortRequested = true;
  }
};

// A command: its usage lines, what it runs (with the settings prepared and
// the console's window services installed) and the notes of its --help.
struct CommandRule {
  const char* name;
  const char* usage;
  int (*run)(const Options& o, ConsoleWindowServices& window, std::FILE* out, std::FILE* err);
  const char* notes;
};

const OptionRule* FindOptionRule(const std::string& name) {
  for (const OptionRule& rule : kOptionRules)
    if (name == rule.name || (rule.shortName != nullptr && name == rule.shortName)) return &rule;
  return nullptr;
}

// "  --name, -x VALUE    help", the help's further lines indented alike.
std::string OptionLine(const OptionRule& rule) {
  constexpr std::size_t kHelpColumn = 22;
  std::string line = std::string("  ") + rule.name;
  if (rule.shortName != nullptr) line += std::string(", ") + rule.shortName;
  if (rule.value != nullptr) line += std::string(" ") + rule.value;
  line += line.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - line.size(), ' ')
                                         : "\n" + std::string(kHelpColumn, ' ');
  for (const char* c = rule.help; *c != '\0'; ++c)
    line += *c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, *c);
  return line + "\n";
}

// True when the option of `rule` is no one command's own.
bool IsGeneral(const OptionRule& rule) { return rule.command == nullptr || *rule.command == '\0'; }

// False when the option of `rule` does not apply to `command`.
bool AppliesTo(const OptionRule& rule, const std::string& command) {
  if (rule.command == nullptr) return command != kImportCommand;
  return *rule.command == '\0' || command == rule.command;
}

// The option lines of the rules for which `shown(rule)` is true.
template <typename Shown>
std::string OptionLines(Shown shown) {
  std::string lines;
  for (const OptionRule& rule : kOptionRules)
    if (shown(rule)) lines += OptionLine(rule);
  return lines;
}

// A word of a command line that is an option: "--name" or "-x" (a letter),
// never "-" nor a negative number.
bool LooksLikeOption(const std::string& word) {
  if (word.size() > 2 && word.compare(0, 2, "--") == 0) return true;
  const char c = word.size() == 2 && word[0] == '-' ? word[1] : '\0';
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Reads the options, wherever they stand before "--", the command (the
// first other word) and its arguments; false with a message on a usage error.
bool ParseOptions(int argc, char** argv, Options& o, std::string& problem) {
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || !LooksLikeOption(a)) {
      (o.command.empty() ? o.command : o.arguments.emplace_back()) = a;
      continue;
    }
    const OptionRule* rule = FindOptionRule(a);
    if (rule == nullptr) {
      problem = "unknown option " + a;
      return false;
    }
    if (rule->value != nullptr && i + 1 >= argc) {
      problem = a + " needs a value";
      return false;
    }
    rule->apply(o, rule->value != nullptr ? argv[++i] : nullptr);
  }
  if (o.help || o.version) return true;
  if (o.command.empty()) {
    problem = "no command given";
    return false;
  }
  for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
    const OptionRule* rule = LooksLikeOption(argv[i]) ? FindOptionRule(argv[i]) : nullptr;
    if (rule == nullptr) continue;
    if (!AppliesTo(*rule, o.command)) {
      problem = std::string(rule->name) + " belongs to " +
                (rule->command != nullptr ? rule->command : "the commands that use a model") +
                ", not to " + o.command;
      return false;
    }
    if (rule->value != nullptr) ++i;
  }
  std::int32_t decimals = 0;
  if (o.decimal &&
      (!ParseInt32(*o.decimal, decimals) || decimals < 1 || decimals > kMaxHeightDecimals)) {
    problem = "--decimal takes a whole number from 1 to " + FormatInt(kMaxHeightDecimals);
    return false;
  }
  if (o.decimal) o.heights.decimals = decimals;
  // Only the setting's own words, each of which reads back as itself.
  if (o.heightReference &&
      HeightReferenceText(HeightReferenceOf(*o.heightReference)) != *o.heightReference) {
    problem = "--height-reference takes file or ellipsoidal";
    return false;
  }
  if (o.command == kModels && !o.picture && !o.arguments.empty()) {
    problem = "models takes a model only with --picture";
    return false;
  }
  if (o.columns && o.heights.lonFirst) {
    problem = "--lon-lat does not go with --columns, which names LAT,LON in this order";
    return false;
  }
  if (o.columns && !ParseHeightsColumns(*o.columns, o.heights, problem)) return false;
  return true;
}

// Settings as the desktop program has them, read only, then this run's
// overrides; false, with the reason in `problem`, when an override names no
// usable grid or folder.
bool PrepareSettings(const Options& o, const char* argv0, ConsoleWindowServices& window,
                     std::FILE* err, std::string& problem) {
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
    std::string custom, note;
    if (!CustomGridFile(*o.custom, custom, note, problem)) return false;
    if (!note.empty() && !o.quiet) std::fputs(("orthelev-cli: " + note + "\n").c_str(), err);
    s.customFname = custom;
    // A custom geoid file used as it is lends its folder to the other
    // models, unless --data-dir names theirs; the cache folder never does.
    if (!o.dataDir && note.empty()) s.dataFolder = FolderOf(custom);
    window.SetGeoidModelText(kCustomModelTitle);
  }
  if (o.model) window.SetGeoidModelText(*o.model);
  if (o.spline) {
    window.SetSplineChecked(*o.spline);
    s.jgd2024Spline = *o.spline;  // the box's value for either family of GSI models
  }
  TheFlags().forceBilinear = o.spline == false;
  if (o.outputDir) {
    if (!IsFolder(*o.outputDir)) {
      problem = "--output-dir: " + *o.outputDir + " is no folder";
      return false;
    }
    s.outputFolder = WithTrailingSeparator(AbsolutePath(*o.outputDir));
  }
  s.reportOutputNames = true;
  if (o.postfix) s.postfix = *o.postfix;
  if (o.decimal) s.decimal = *o.decimal;
  if (o.heightReference) s.heightReference = HeightReferenceOf(*o.heightReference);
  return true;
}

// The value of `key` in a custom file's metadata; "" when it has none.
std::string MetadataValue(const CustomMetadata& metadata, const std::string& key) {
  for (const auto& [name, value] : metadata)
    if (name == key) return value;
  return "";
}

// "latitudes 35.5 to 36, longitudes 139.5 to 140, spacing 0.5 x 0.5
// degrees" of the custom geoid file at `path`; "" when it cannot be read.
std::string CustomExtent(const std::string& path) {
  if (!OpenGridWithTrailer(path)) return "";
  const ActiveGrid& g = TheActiveGrid();
  std::string extent = "latitudes " + FormatGeneral(g.glamn) + " to " +
                       FormatGeneral(g.glamn + (g.nrows - 1) * g.dgla) + ", longitudes " +
                       FormatGeneral(g.glomn) + " to " +
                       FormatGeneral(g.glomn + (g.ncols - 1) * g.dglo) + ", spacing " +
                       FormatGeneral(g.dgla) + " x " + FormatGeneral(g.dglo) + " degrees";
  CloseGrid();
  return extent;
}

// The custom model's fields of `models`: its reference, its source and
// its extent, tab-separated ("reference unknown" and "source unknown" for
// a file without metadata).
std::string CustomModelFields(const std::string& path) {
  CustomMetadata metadata;
  const bool described = ReadCustomMetadata(path, metadata);
  const std::string datum = MetadataValue(metadata, "datum");
  const std::string model = MetadataValue(metadata, "model");
  std::string source = described ? "from " + MetadataValue(metadata, "source") : "source unknown";
  if (!model.empty()) source += " (" + model + ")";
  if (described) source += ", imported " + MetadataValue(metadata, "imported");
  return "\t" + (datum.empty() ? std::string("reference unknown") : datum) + "\t" + source + "\t" +
         CustomExtent(path);
}

// False, with the model titles on `err`, when `title` names no model.
bool KnownModel(const std::string& title, const ConsoleWindowServices& window, std::FILE* err) {
  if (window.FindGeoidModelItem(title) >= 0) return true;
  std::string message = "orthelev-cli: unknown model \"" + title + "\"; the models are:\n";
  for (const std::string& item : window.GeoidModelItems()) message += "  " + item + "\n";
  message += "(a grid file of its own is used with --custom FILE)\n";
  std::fputs(message.c_str(), err);
  return false;
}

int ListModels(const Options& o, ConsoleWindowServices& window, std::FILE* out, std::FILE* err) {
  if (o.picture) {
    if (o.arguments.size() > 1) {
      std::fputs("orthelev-cli: models --picture takes one model\n", err);
      return kExitUsage;
    }
    if (o.arguments.size() == 1) {
      if (!KnownModel(o.arguments[0], window, err)) return kExitUsage;
      window.SetGeoidModelText(o.arguments[0]);
    }
    return WriteModelPicture(*o.picture, out, err);
  }
  const std::vector<std::string>& items = window.GeoidModelItems();
  for (size_t i = 0; i < items.size(); ++i) {
    const int index = static_cast<int>(i);
    const std::string name = ModelFileName(index);
    const bool found = ModelFileFound(index, name);
    std::string line =
        FormatInt(index) + "\t" + items[i] + "\t" + name + "\t" + (found ? "ok" : "missing");
    if (index >= kFirstGsiModelIndex) line += "\t" + VerticalDatumOf(name);
    if (index == kCustomModelIndex && found) line += CustomModelFields(ModelFilePath(name));
    line += "\n";
    std::fputs(line.c_str(), out);
  }
  return kExitOk;
}

// How check -v names a metadata key: the source's own model name and the
// import's advice must not read as the model and interpolation in use.
std::string MetadataLabel(const std::string& key) {
  if (key == "model") return "source model";
  if (key == "interpolation") return "advised interpolation";
  return key;
}

// check -v: the model, its file and, for the custom model, its extent and
// what its metadata tells.
void DescribeModel(const ConsoleWindowServices& window, std::FILE* out) {
  const int index = window.FindGeoidModelItem(window.GeoidModelText());
  const std::string name = index >= 0 ? ModelFileName(index) : "";
  std::string text = "model: " + window.GeoidModelText() + "\nfile: " + name +
                     "\ninterpolation: " + (SplineChosen() ? "spline" : "bilinear") + "\n";
  if (index == kCustomModelIndex) {
    const std::string path = ModelFilePath(name);
    CustomMetadata metadata;
    if (!ReadCustomMetadata(path, metadata)) text += "metadata: none\n";
    for (const auto& [key, value] : metadata)
      text.append(MetadataLabel(key)).append(": ").append(value) += '\n';
    text += "extent: " + CustomExtent(path) + "\n";
  }
  std::fputs(text.c_str(), out);
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
  if (o.verbose) DescribeModel(window, out);
  return window.GeoidText() == "Out of range." ? kExitFailed : kExitOk;
}

// A log of a folder: a name with an extension of a format's list, and not an
// earlier output (its name before the extension ending in the postfix).
bool IsLogOfFolder(const std::string& path) {
  const std::string name = FileNameOf(path);
  return name.find('.') != std::string::npos && LogFormatOf(path) != nullptr &&
         !IsEarlierOutput(name);
}

// The logs of `folder` (and of its sub-folders with `recursive`), in the
// order of their paths; false, with the reason, when it cannot be read.
bool LogsOfFolder(const std::string& folder, bool recursive, std::vector<std::string>& logs,
                  std::string& problem) {
  namespace fs = std::filesystem;
  const fs::path root = platform::PathOf(folder);
  std::error_code failure;
  std::vector<std::string> found;
  const auto take = [&found](const fs::directory_entry& entry) {
    std::error_code ignored;
    if (entry.is_regular_file(ignored) && IsLogOfFolder(platform::Utf8Of(entry.path())))
      found.push_back(platform::Utf8Of(entry.path()));
  };
  if (recursive) {
    for (fs::recursive_directory_iterator it(root, failure), end; !failure && it != end;
         it.increment(failure))
      take(*it);
  } else {
    for (fs::directory_iterator it(root, failure), end; !failure && it != end;
         it.increment(failure))
      take(*it);
  }
  if (failure) {
    problem = "cannot read the folder " + folder + ": " + failure.message();
    return false;
  }
  std::sort(found.begin(), found.end());
  logs.insert(logs.end(), found.begin(), found.end());
  return true;
}

// False, with the two logs named in `clash`, when two logs would be written
// to the same output (logs of the same name from different folders, all
// written into --output-dir).
bool OutputsApart(const std::vector<std::string>& files, std::string& clash) {
  std::map<std::string, const std::string*> written;
  for (const std::string& file : files) {
    const auto [at, added] = written.emplace(ConvertedPathOf(file), &file);
    if (added || *at->second == file) continue;
    clash = *at->second + " and " + file + " would both be written as " + at->first +
            "; convert them in separate runs";
    return false;
  }
  return true;
}

int Convert(const Options& o, ConsoleWindowServices&, std::FILE*, std::FILE* err) {
  if (o.profile && !ProfileFolderExists(*o.profile, err)) return kExitUsage;
  if (o.arguments.empty()) {
    std::fputs("orthelev-cli: convert needs at least one file\n", err);
    return kExitUsage;
  }
  std::vector<std::string> files;
  bool foldersRead = true;
  for (const std::string& argument : o.arguments) {
    std::string problem;
    const size_t before = files.size();
    if (!IsFolder(argument)) {
      files.push_back(argument);
    } else if (!LogsOfFolder(argument, o.recursive, files, problem)) {
      std::fputs(("orthelev-cli: convert: " + problem + "\n").c_str(), err);
      foldersRead = false;
    } else if (files.size() == before) {
      std::fputs(("orthelev-cli: convert: no logs in " + argument + "\n").c_str(), err);
    }
  }
  // Every argument was a folder, and each has had its line.
  if (files.empty()) return kExitFailed;
  std::string clash;
  if (!TheSettings().outputFolder.empty() && !OutputsApart(files, clash)) {
    std::fputs(("orthelev-cli: convert: " + clash + "\n").c_str(), err);
    return kExitUsage;
  }
  platform::StartCatchingInterrupts();
  RunBatchOf(files);
  platform::StopCatchingInterrupts();
  int status = ExitStatusOf(TheBatch());
  if (status == kExitOk && !foldersRead) status = kExitFailed;
  return o.profile ? WriteProfilesAfterBatch(*o.profile, status, err) : status;
}

int Heights(const Options& o, ConsoleWindowServices&, std::FILE* out, std::FILE* err) {
  return HeightsCommand(o.arguments, o.heights, out, err);
}

constexpr CommandRule kCommandRules[] = {
    {kConvert,
     "orthelev-cli [options] convert FILE|DIR...\n"
     "                     convert logs, as a batch of these files (and of the logs of\n"
     "                     each folder DIR) in this order\n",
     Convert, nullptr},
    {kCheck,
     "orthelev-cli [options] check LAT LON\n"
     "                     print the geoid height as the check box would show it\n",
     Check, nullptr},
    {kHeights,
     "orthelev-cli [options] heights [FILE]\n"
     "                     geoid heights of the points of FILE (none or \"-\": standard\n"
     "                     input), one a line\n",
     Heights, kHeightsNotes},
    {kModels,
     "orthelev-cli [options] models\n"
     "                     list the model list: index, title, file name, ok|missing and,\n"
     "                     for the Japanese models, the heights' vertical datum\n",
     ListModels, nullptr},
};

const CommandRule* FindCommandRule(const std::string& name) {
  for (const CommandRule& rule : kCommandRules)
    if (name == rule.name) return &rule;
  return nullptr;
}

// The whole usage, or for `command` only its lines, options and notes.
std::string Usage(const std::string& command = "") {
  const auto shown = [&command](const char* name) { return command.empty() || command == name; };
  std::string text = "usage:\n";
  for (const CommandRule& rule : kCommandRules)
    if (shown(rule.name)) text += std::string("  ") + rule.usage;
  if (shown(kImportCommand)) text += std::string("  ") + ImportGridUsage();
  text += "options:\n" + OptionLines([&command](const OptionRule& rule) {
            return IsGeneral(rule) && (command.empty() || AppliesTo(rule, command));
          });
  for (const char* name : {kConvert, kCheck, kHeights, kModels, kImportCommand}) {
    const std::string own = OptionLines([name](const OptionRule& rule) {
      return !IsGeneral(rule) && std::string_view(rule.command) == name;
    });
    if (shown(name) && !own.empty()) text += std::string(name) + " options:\n" + own;
  }
  for (const CommandRule& rule : kCommandRules)
    if (shown(rule.name) && rule.notes != nullptr) text += rule.notes;
  return text + kGeneralNotes;
}

// Where a usage error sends the user.
std::string UsageHint(const std::string& command) {
  const bool known = FindCommandRule(command) != nullptr || command == kImportCommand;
  return "see: orthelev-cli " + (known ? command + " " : std::string()) + "--help\n";
}

// Names the folder a model's missing file was looked for in.
void TellWhereTheModelWasLookedFor(const ConsoleWindowServices& window, std::FILE* err) {
  const int index = window.FindGeoidModelItem(window.GeoidModelText());
  if (index < 0) return;
  const std::string name = ModelFileName(index);
  if (name.empty() && index == kCustomModelIndex)
    std::fputs("orthelev-cli: the Custom Geoid model has no file: give one with --custom FILE\n",
               err);
  // A path of its own (--custom) was found before the run.
  if (name.empty() || FileNameStart(name) > 0 || ModelFileFound(index, name)) return;
  std::fputs(("orthelev-cli: " + name + " was looked for in " + TheSettings().dataFolder +
              " (the data folder: --data-dir, --custom or the settings' DataFolder)\n")
                 .c_str(),
             err);
}

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

// Runs a command that uses the settings and a model.
int RunModelCommand(const CommandRule& command, const Options& options, const char* argv0,
                    std::FILE* out, std::FILE* err) {
  ResetProgramState();
  CliWindowServices window(out, err);
  window.SetQuiet(options.quiet);
  InstallWindowServices(&window);
  TheFlags().initialized = true;  // as after the desktop program's first activation
  int status = kExitUsage;
  std::string problem;
  if (!PrepareSettings(options, argv0, window, err, problem)) {
    std::fputs(("orthelev-cli: " + problem + "\n").c_str(), err);
  } else if (!options.model || KnownModel(*options.model, window, err)) {
    status = command.run(options, window, out, err);
    if (status == kExitUsage) TellWhereTheModelWasLookedFor(window, err);
  }
  window.EndStatus();
  if (!KeepGsiGeometry(options, err) && status == kExitOk) status = kExitFailed;
  CloseGrid();
  InstallWindowServices(nullptr);
  return status;
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
  for (const OptionRule& rule : kOptionRules) {
    names.emplace_back(rule.name);
    if (rule.shortName != nullptr) names.emplace_back(rule.shortName);
  }
  return names;
}

int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err) {
  Options options;
  std::string problem;
  if (!ParseOptions(argc, argv, options, problem)) {
    std::fputs(("orthelev-cli: " + problem + "\n" + UsageHint(options.command)).c_str(), err);
    return kExitUsage;
  }
  const CommandRule* command = FindCommandRule(options.command);
  const bool known = command != nullptr || options.command == kImportCommand;
  if (!options.command.empty() && !known) {
    std::fputs(("orthelev-cli: unknown command " + options.command + "\n" + UsageHint("")).c_str(),
               err);
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(Usage(options.command).c_str(), out);
    return kExitOk;
  }
  if (options.version) {
    std::fputs((VersionTitle() + "\n").c_str(), out);
    return kExitOk;
  }
  if (command == nullptr)
    return ImportGridCommand(options.arguments, options.region, options.format, out, err);
  return RunModelCommand(*command, options, argv[0], out, err);
}

}  // namespace orthelev
