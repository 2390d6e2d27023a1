#pragma once
// Conversion of one CSV log into its corrected copy beside it: each record's
// height h becomes h + g - N, where g is the file's own geoid column (0 when
// there is none) and N the active model's geoid height, and the geoid column
// receives N. Progress goes to the status bar, a summary to the report.

#include <cstdint>
#include <string>
#include <string_view>

#include "flags/program_flags.hpp"
#include "settings/settings.hpp"

namespace orthelev {

// Converts the log at `inputPath` into OutputPathFor(inputPath, Postfix),
// never into the log itself. A log without a comma-separated column-name
// line is read again from its start as an RTKLIB solution file
// (rtklib_solution.hpp): its heights h become h - N in their own item, and
// its "%" lines after the header are written as they are, not counted.
// Every record is written, the last one too when it has no line break; a
// record outside the model (RTKLIB also: its position or height items are
// no numbers) is written unchanged and counted outside; a CSV record whose
// latitude or longitude item holds no digit is written unchanged and
// counted as having no position.
// Stops before the next record once TheFlags().abortRequested is set (tested
// after the events of the start and of every 1024th record), without summary
// and without output; the output takes its name only when the whole log is
// written (output_file.hpp).
// Returns the number of record lines written (also after an abort); -1 when
// the log cannot be opened or read ("  Can not open: "), its first record
// fails the date check, or the output cannot be created, written or closed
// ("  Can't create: " and the system's reason, with a message box); -2 when
// the file has neither a column-name line nor an RTKLIB one, its RTKLIB
// header states a datum other than WGS84, or its logger is refused
// (MslWithoutGeoid, also set when its RTKLIB header states geodetic heights).
// Interpolates with the spline window when TheFlags().useSpline is set,
// bilinearly otherwise.
std::int32_t ConvertCsvFile(const std::string& inputPath);

// `line` with the number at the start of 1-based column `column` replaced by
// `value` written as "%3.<decimals>f": blanks before the old number dropped,
// whatever follows it (unit, quote, further columns) kept. Commas are
// appended when the line has too few columns; an empty line stays empty.
std::string ReplaceCsvColumn(std::string_view line, double value, std::int32_t column,
                             int decimals = HeightDecimals());

// Whether a file's first bytes hold, within their first 35 lines, a
// comma-separated column-name line (latitude and longitude titles of the
// CSVitem lists) or an RTKLIB one.
bool LooksLikeCsv(std::string_view head);

}  // namespace orthelev
