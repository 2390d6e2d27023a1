#pragma once
// Conversion of one GPX file into its corrected copy beside it (the input
// name with the Postfix setting before its extension), with progress on the
// status bar and a summary in the report.
//
// In every waypoint, route point and track point with an <ele> and a
// position inside the model, <ele> becomes ele + g - N, where g is the
// point's <geoidheight> (0 without one: the height is taken as ellipsoidal)
// and N the model's geoid height; a <geoidheight> becomes N. Both are
// written with HeightDecimals() decimals. Every other byte of the file is
// copied unchanged, in the file's own encoding.

#include <cstdint>
#include <string>

namespace orthelev {

// Converts the GPX file at `inputPath`. Returns the number of points with an
// <ele>, or
// -1 when the input cannot be opened or read ("  Can not open: " + file
//    name) or the output cannot be created or written ("  Can't create: " +
//    output path and the system's reason, with a message box);
// -2 when the file is refused: no <gpx> root
//    ("  Unknown GPX log file : "), the file ends inside markup or before
//    its root is closed ("  GPX log file cut short : "), it is not
//    well-formed or beyond the scan's limits ("  Broken GPX log file : "), or
//    its creator writes heights above sea level (GPX_MSL) and a point with
//    <ele> has no <geoidheight>, or none has ("  MSL input without Geoid : ").
// Esc (TheFlags().abortRequested, looked at before every point) stops it
// without summary and without output, like the other conversions.
std::int32_t ConvertGpxFile(const std::string& inputPath);

}  // namespace orthelev
