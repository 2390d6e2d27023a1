#pragma once
// The console front end `orthelev-cli`: the desktop program's logic for
// scripts, servers and tests, reporting through the console.

#include <cstdio>
#include <string>
#include <vector>

namespace orthelev {

// Runs the console front end with the program's arguments (argv[0] is the
// program file) and returns the exit status: 0 success, 1 a file or point
// failed (or the batch was aborted, or the geometry of a converted GSIGEO
// grid could not be saved; import-grid: the import failed), 2 usage error or
// no model could be opened.
// The commands and the options (before the command) that RunCli accepts,
// in the order of --help.
std::vector<std::string> CliCommandNames();
std::vector<std::string> CliOptionNames();

int RunCli(int argc, char** argv, std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace orthelev
