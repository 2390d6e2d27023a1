#pragma once
// What a folder holds, for tests that check nothing was left behind.

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace orthelev::testing {

// Names of the entries directly in `folder`, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orthelev::testing
