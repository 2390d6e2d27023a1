#pragma once
// The console front end's "import-grid SRC DEST [--region S,N,W,E]
// [--format auto|egm2008|gsigeo|raster]": another geoid grid written as a
// custom geoid file.

#include <cstdio>
#include <string>
#include <vector>

namespace orthelev {

// The usage lines of import-grid for --help (in a build without the grid
// import: that it is not available).
const char* ImportGridUsage();

// Returns the exit status: 0 imported, 1 the import failed, 2 usage error
// (or a build without the grid import).
int ImportGridCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

}  // namespace orthelev
