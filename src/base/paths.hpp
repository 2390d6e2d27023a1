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

// The path made absolute against the working folder, its "." and ".."
// steps resolved; the path as it is when that fails.
std::string AbsolutePath(const std::string& path);

// The folder with a separator at its end (an empty text stays "/"-less: "").
std::string WithTrailingSeparator(std::string folder);

}  // namespace orthelev
