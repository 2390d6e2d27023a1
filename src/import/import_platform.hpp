#pragma once
// What the grid import needs from the operating system, kept in one place:
// telling whether two paths name the same file, and removing the temporary
// file of an interrupted import when SIGINT or SIGTERM ends the program
// (platform::TempFileRemoval).

#include <string>

#include "platform/platform.hpp"

namespace orthelev {

// True when `a` and `b` both name an existing file and it is the same file
// (same device and file number, links followed).
bool SameExistingFile(const std::string& a, const std::string& b);

// True when a regular file, or a folder, is at `path` (links followed).
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

using platform::TempFileRemoval;

}  // namespace orthelev
