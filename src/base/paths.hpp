#pragma once
// Pieces of file paths, split at the platform's separators ("/", and "\"
// too on Windows).

#include <string>
#include <string_view>

namespace orthelev {

// Where the last component of the path begins.
std::size_t FileNameStart(std::string_view path);

// The last component of the path: "/logs/day1.nmea" gives "day1.nmea".
std::string FileNameOf(std::string_view path);

// The path up to and including its last separator: "/logs/day1.nmea" gives
// "/logs/"; a bare name gives "./".
std::string FolderOf(std::string_view path);

// The folder with a separator at its end (an empty text stays "/"-less: "").
std::string WithTrailingSeparator(std::string folder);

}  // namespace orthelev
