#include "conversion/batch.hpp"

#include <new>
#include <string_view>

#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/conversion_state.hpp"
#include "conversion/height_profile.hpp"
#include "conversion/log_formats.hpp"
#include "conversion/log_reader.hpp"
#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "models/model_selection.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

constexpr const char* kAborted = " *** Aborted by user ***";

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The file name without its last extension.
std::string BaseName(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void EndFile(const std::string& status, const std::string& report) {
  Window().SetStatusText(status);
  Window().AppendReportLine("\r\n" + report);
}

// Re-enables the Convert button and ends the batch however RunBatch ends.
struct BatchGuard {
  BatchGuard() {
    TheBatch().running = true;
    Window().SetConvertEnabled(false);
  }
  ~BatchGuard() {
    Window().SetConvertEnabled(true);
    TheBatch().running = false;
  }
};

// The names of a source field's text: separated by ";", blanks around each
// name dropped; a closing ";" leaves an empty last name.
std::vector<std::string> SourceFieldFiles(std::string_view list) {
  std::vector<std::string> files;
  list = TrimBlanks(list);
  if (list.empty()) return files;
  for (;;) {
    const size_t separator = list.find(';');
    files.emplace_back(TrimBlanks(list.substr(0, separator)));
    if (separator == std::string_view::npos) return files;
    list = list.substr(separator + 1);
  }
}

}  // namespace

BatchState& TheBatch() {
  static BatchState state;
  return state;
}

namespace {

// The conversion of a file of a known format; an allocation failure ends
// this file only, as an error.
std::int32_t ConvertWithFormat(const LogFormat& format, const std::string& path) {
  try {
    return format.convert(path);
  } catch (const std::bad_alloc&) {
    ResetLogReader();
    Window().AppendReportLine("  Out of memory : " + FileNameOf(path));
  }
  return -1;
}

}  // namespace

bool IsEarlierOutput(const std::string& name) {
  const std::string base = BaseName(name), postfix = EffectivePostfix();
  return base.size() >= postfix.size() &&
         base.compare(base.size() - postfix.size(), postfix.size(), postfix) == 0;
}

void ConvertOneFile(const std::string& path) {
  WindowServices& window = Window();
  TheConversion().dateTimeFormatError = false;
  TheConversion().nothingCorrected = false;
  const std::string name = FileNameOf(path);
  if (IsEarlierOutput(name)) {
    window.AppendReportLine(" Skip: " + name);
    ++TheBatch().filesSkipped;
    return;
  }
  const LogFormat* format = LogFormatForFile(path);
  if (!format) {
    EndFile(" Unknown file type: " + name, " Unknown file type: " + name);
    ++TheBatch().filesUnknown;
    return;
  }
  BeginProfile(name);
  const std::int32_t result = ConvertWithFormat(*format, path);
  EndProfile(result >= 0 && !TheFlags().abortRequested);
  if (result < 0) ++TheBatch().filesFailed;
  if (TheFlags().abortRequested) return;
  if (result < 0) {
    if (TheConversion().dateTimeFormatError)
      EndFile(" Illegal DateTime Format.", " Illegal DateTime Format.");
    else
      EndFile(" Done with error.", " Done with error.");
    if (!TheFlags().startHidden) window.ShowReport();
    return;
  }
  if (TheSettings().reportOutputNames)
    window.AppendReportLine("    Output: " + ConvertedPathOf(path));
  if (TheConversion().nothingCorrected) {
    ++TheBatch().filesUncorrected;
    EndFile(" Nothing corrected.", " Nothing corrected.");
    if (!TheFlags().startHidden) window.ShowReport();
    return;
  }
  ++TheBatch().filesConverted;
  EndFile(" " + FormatInt(result) + " records" + " done.", " Done.");
}

namespace {

// ", from SOURCE (MODEL), DATUM, imported DATE" for a custom model whose
// file tells where it came from; "" otherwise.
std::string CustomSourceText() {
  CustomMetadata metadata;
  if (Window().GeoidModelText() != kCustomModelTitle ||
      !ReadCustomMetadata(TheActiveGrid().file.Path(), metadata))
    return "";
  std::string text;
  for (const auto& [key, value] : metadata) {
    if (key == "source") text += ", from " + value;
    if (key == "model") text += " (" + value + ")";
    if (key == "datum") text += ", " + value;
    if (key == "imported") text += ", imported " + value;
  }
  return text;
}

}  // namespace

void RunBatch() { RunBatchOf(SourceFieldFiles(Window().SourceText())); }

void RunBatchOf(const std::vector<std::string>& files) {
  if (TheBatch().running) return;
  TheBatch().Reset();
  BatchGuard guard;
  WindowServices& window = Window();
  TheFlags().abortRequested = false;
  SelectGeoidModel();
  if (!TheActiveGrid().open) return;
  TheBatch().modelOpened = true;
  window.ClearReport();
  TheProfiles().Reset();
  window.AppendReportLine(" Geoid model: " + window.GeoidModelText() + CustomSourceText() + "\r\n");
  window.ProcessPendingEvents();
  TheFlags().useSpline = SplineChosen();
  if (files.empty()) return;

  for (size_t i = 0; i < files.size() && !TheFlags().abortRequested; ++i) {
    const bool last = i + 1 == files.size();
    if (last && files[i].empty()) break;  // the list ended in a separator
    ConvertOneFile(files[i]);
    window.EndStatus();
    if (!last) window.AppendReportLine("");
  }
  if (TheFlags().abortRequested) {
    TheBatch().aborted = true;
    window.SetStatusText(kAborted);
    window.EndStatus();
    window.AppendReportLine(std::string("\r\n") + kAborted);
  }
  CloseGrid();
}

int ExitStatusOf(const BatchState& batch) {
  if (!batch.modelOpened) return 2;
  if (!batch.Clean()) return 1;
  return batch.filesUncorrected > 0 ? 3 : 0;
}

void ButtonConvertClick() { RunBatch(); }

}  // namespace orthelev
