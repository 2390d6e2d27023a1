#pragma once
// A fresh temporary folder, removed with its contents when the object goes:
// the TempDir of the tests under the names the conversion tests use.

#include <string>

#include "support/temp_dir.hpp"

namespace orthelev::testing {

class TempFolder {
 public:
  // The folder's path ending in "/".
  std::string Slash() const { return dir_.Folder(); }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  // Writes bytes to a file of the folder and gives its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    return dir_.Write(name, bytes);
  }
  static std::string Read(const std::string& path) { return ReadBytes(path); }

 private:
  TempDir dir_;
};

}  // namespace orthelev::testing
