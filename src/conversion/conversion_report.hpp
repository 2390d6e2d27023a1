#pragma once
// Status and report texts that the log conversions share.

#include <cstdint>
#include <string>

#include "conversion/output_file.hpp"

namespace orthelev {

// The start of a conversion that creates its output before reading: lets
// events through, opens the log at `inputPath`, creates `output` at
// `outputPath`, appends " <kind>: <file name>" to the report, shows
// " <file name>  <kind> file ..." and lets events through. True when both
// files are open; otherwise the failure is reported ("Can not open" or
// "Can't create") and nothing stays open.
bool StartConversion(const std::string& inputPath, const std::string& kind,
                     const std::string& outputPath, OutputFile& output);

// Appends " <kind>: <file name>" to the report, shows " <file name>  <kind>
// file ..." and lets events through: the start of reading a log.
void AnnounceConversion(const std::string& kind, const std::string& fileName);

// "  Can not open: " + file name as status text and report line; returns -1.
std::int32_t ReportCannotOpen(const std::string& fileName);

// Creates `output` at `outputPath`; when it cannot, reports it
// (ReportCannotCreate, also when the output would be the log itself) and
// returns false.
bool CreateOutput(OutputFile& output, const std::string& outputPath);

// "Can't create: " + output path, followed by ": " + `reason` when there is
// one (the system's text, such as "No space left on device"), as report line
// (two blanks before) and in a message box; returns -1.
std::int32_t ReportCannotCreate(const std::string& outputPath, const std::string& reason = "");

// Status text " <file name>  <kind> file (<percent>%)" with the share of the
// log read so far, then lets pending events through (where Esc is pressed).
void ShowConversionProgress(const std::string& fileName, const std::string& kind);

// The conversions show their progress and let events through after every
// this many records.
inline constexpr std::int32_t kProgressEvery = 1024;

// What a file conversion counted: records read, records that got a geoid
// height (inside), that lay outside the model, and that gave no position,
// and the sum of the height differences (metres) over the inside ones;
// `reading`, when not empty, is a summary line telling how the file's
// heights were read. `corrected` records were rewritten; `uncorrected`
// records got a geoid height but were left as they were, for the reason
// `uncorrectedWhy` ("without geoid separation"). `nothingWhy` tells why a
// file with nothing corrected is so, where the counts alone do not.
// `packets`, when not empty, is a summary line on the binary packets
// corrected ("    12 UBX packets corrected").
struct ConversionTally {
  std::int32_t records = 0, inside = 0, outside = 0, noPosition = 0;
  double diffSum = 0;
  std::string reading;
  std::int32_t corrected = 0, uncorrected = 0;
  std::string uncorrectedWhy, nothingWhy;
  std::string packets;
};

// The summary of a file that was not aborted: the records line, the count
// of records with no position (when above 0), the reading line (when
// something was corrected), the packets line, the mean of diffSum over the inside records
// ("Geoid diff.", when inside > 0), the outside count of inside + outside
// (when above 0, also showing the report unless the start is hidden),
// "    Corrected <n> of <records> records; <k> <why>" when records were left
// for want of a height or reference, or "    Nothing corrected: <why>" (and
// TheConversion().nothingCorrected set) when none was corrected, and
// "  Read:<records>rec." appended to the status text.
void AppendConversionSummary(const ConversionTally& tally);

// "text + file name" as status text and report line, for a file the
// conversion refuses; returns -2.
std::int32_t ReportRefused(const std::string& text, const std::string& fileName);

// The end of every file conversion once its output exists: closes the log,
// then reports the first failure ("Can't create" for a failed write of the
// output, "Can not open" for a failed read or close of the log), discards
// the output and returns -1. A conversion stopped by Esc discards its output
// too and reports "  Stopped, no output written : " + file name. Otherwise
// the output takes its name ("Can't create" and -1 when it cannot) and the
// summary is appended. Then lets pending events through and returns the
// records.
std::int32_t FinishConversion(OutputFile& output, bool written, const std::string& fileName,
                              const std::string& outputPath, const ConversionTally& tally);

}  // namespace orthelev
