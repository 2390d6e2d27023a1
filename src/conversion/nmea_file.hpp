#pragma once
// Conversion of one NMEA log into its corrected copy beside it (the input
// name with the Postfix setting before its extension), with progress on the
// status bar and a summary in the report.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

// Converts the log at `inputPath`: every line, corrected by CorrectNmeaLine
// or as it was, is written followed by CR LF, the last line too when it has
// no line break. Progress is shown and events are let through (where Esc
// sets TheFlags().abortRequested) after every line while the count of
// recognised sentences is a multiple of 1024, 0 included, so also after each
// line before the first sentence. Stops before the next line once the flag
// is set, without summary and without output. The output takes its name
// only when the whole log is written (output_file.hpp). Returns the number
// of recognised GGA/GNS sentences, or -1 when the input cannot be opened or
// read ("  Can not open: " + file name) or the output cannot be created,
// written or closed ("  Can't create: " + output path and the system's
// reason, with a message box), also when it would be the input itself.
std::int32_t ConvertNmeaFile(const std::string& inputPath);

// Whether a file's first bytes hold an NMEA sentence: a line that starts
// with "$", its first comma at least six bytes in (an address of five or
// more characters), and ends with its right checksum.
bool LooksLikeNmea(std::string_view head);

}  // namespace orthelev
