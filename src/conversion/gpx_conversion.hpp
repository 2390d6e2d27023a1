#pragma once
// Conversion of one GPX file into its corrected copy beside it (the input
// name with the Postfix setting before its extension), with progress on the
// status bar and a summary in the report.
//
// In every waypoint, route point and track point with an <ele> and a
// position inside the model, <ele> becomes ele + g - N, where g is the
// point's <geoidheight> and N the model's geoid height; a <geoidheight>
// becomes N. A point without <geoidheight> is read as ellipsoidal (g = 0)
// only when the evidence says so (height_reference.hpp: the user's
// statement, the file's texts before its first point, the creator tables
// GPX_MSL and GPX_Ellipsoidal); the user's statement also reads points with
// <geoidheight> as ellipsoidal. Both numbers are written with
// HeightDecimals() decimals. Every other byte of the file is copied
// unchanged, in the file's own encoding.

#include <cstdint>
#include <string>
#include <string_view>

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
//    its heights are above sea level and a point with <ele> has no
//    <geoidheight>, or none has ("  MSL input without Geoid : "), or a point
//    with <ele> has no <geoidheight> and no evidence tells what its <ele>
//    holds ("  Height reference unknown : ").
// Esc (TheFlags().abortRequested, looked at before every point) stops it
// without summary and without output, like the other conversions.
std::int32_t ConvertGpxFile(const std::string& inputPath);

// Whether a file's first bytes are those of a GPX file: markup first (after
// a byte-order mark and blanks) and a <gpx root among them; UTF-16 too.
bool LooksLikeGpx(std::string_view head);

}  // namespace orthelev
