#pragma once
// The console's pictures: `convert --profile DIR` and `models --picture
// FILE.svg MODEL`.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orthelev {

// True when `folder` is a folder; otherwise says so on `err`.
bool ProfileFolderExists(const std::string& folder, std::FILE* err);

// After a batch: writes the profiles of its files into `folder`; returns
// `status`, or 1 when a file could not be written (the reason on `err`).
int WriteProfilesAfterBatch(const std::string& folder, int status, std::FILE* err);

// Writes the coverage picture of the model the model box names to `file`
// as SVG; 0, 1 when it could not be written,
// 2 when the model could not be opened.
int WriteModelPicture(const std::string& file, std::FILE* out, std::FILE* err);

}  // namespace orthelev
