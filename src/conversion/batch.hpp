#pragma once
// A batch: every file named in the source field (";"-separated), converted
// one after the other with the model of the model box, with a report.

#include <string>
#include <vector>

namespace orthelev {

// What the last batch did, for callers that report an exit status.
struct BatchState {
  bool running = false;
  bool modelOpened = false;
  int filesConverted = 0;    // ended " Done."
  int filesUncorrected = 0;  // converted with no record corrected: " Nothing corrected."
  int filesFailed = 0;       // conversion result below 0
  int filesSkipped = 0;      // outputs of an earlier run
  int filesUnknown = 0;      // extension in neither list
  bool aborted = false;

  // True when the model opened, every file ended without error, none was
  // skipped or of unknown type, and nothing was aborted.
  bool Clean() const {
    return modelOpened && filesFailed == 0 && filesSkipped == 0 && filesUnknown == 0 && !aborted;
  }
  void Reset() { *this = BatchState{}; }
};

BatchState& TheBatch();

// Converts the files of the source field. A start while a batch runs (Enter
// in the source field or a drop during a conversion) is ignored.
void RunBatch();
// Converts these files, each name as given (the console's arguments), with
// an empty line in the report after each file but the last; an empty last
// name is no file.
void RunBatchOf(const std::vector<std::string>& files);

// The exit status of a program whose work was this batch (orthelev-cli
// convert, orthelev /Q): 0 every file converted; 1 a file failed, was
// skipped or had an unknown type, or the batch was aborted; 2 no model; 3
// otherwise clean, but a file had no height corrected.
int ExitStatusOf(const BatchState& batch);

// True when the file name `name` ends in the postfix before its extension:
// an output of an earlier run, which a batch skips.
bool IsEarlierOutput(const std::string& name);

// Skips outputs of earlier runs, then converts the file by its format
// (LogFormatForFile: its extension, else its content) and appends how it
// ended to the report.
void ConvertOneFile(const std::string& path);

// The Convert button's handler.
void ButtonConvertClick();

}  // namespace orthelev
