#pragma once
// Conversion of one NMEA log into its corrected copy beside it (the input
// name with the Postfix setting before its extension), with progress on the
// status bar and a summary in the report.

#include <cstdint>
#include <string>

namespace orthelev {

// Converts the log at `inputPath`: every line, corrected by CorrectNmeaLine
// or as it was, is written followed by CR LF, the last line too when it has
// no line break. Stops before the next line once TheFlags().abortRequested is
// set (checked as events are processed at every 1024th recognised sentence),
// without summary. Returns the number of recognised GGA/GNS sentences, or -1
// when the input cannot be opened or read ("  Can not open: " + file name)
// or the output cannot be created, written or closed ("  Can't create: " +
// output path, with a message box), also when it would be the input itself.
std::int32_t ConvertNmeaFile(const std::string& inputPath);

}  // namespace orthelev
