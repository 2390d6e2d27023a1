#pragma once
// The console front end's "import-grid SRC DEST [--region S,N,W,E]
// [--format auto|egm2008|gsigeo|raster]": another geoid grid written as a
// custom geoid file.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orthelev {

// The usage lines of import-grid for --help (in a build without the grid
// import: that it is not available).
const char* ImportGridUsage();

// Imports files[0] into files[1], cut to `region` ("S,N,W,E") when given,
// read as `format` (auto when not given). Returns the exit status: 0
// imported, 1 the import failed, 2 usage error (or a build without the grid
// import).
int ImportGridCommand(const std::vector<std::string>& files,
                      const std::optional<std::string>& region,
                      const std::optional<std::string>& format, std::FILE* out, std::FILE* err);

// The custom geoid file to open for "--custom GIVEN": GIVEN itself when it
// is one; else, where the grid import is built, the file it was imported
// into in the user's cache folder (imported now when not there yet, with
// `note` telling so), GIVEN being a grid of any format the import reads or,
// when no such file exists, the name of a grid in PROJ's data folders.
// False, with the reason in `error`, when GIVEN can be none of these.
[[nodiscard]] bool CustomGridFile(const std::string& given, std::string& path, std::string& note,
                                  std::string& error);

}  // namespace orthelev
