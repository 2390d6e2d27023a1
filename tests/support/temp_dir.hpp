#pragma once
// A fresh temporary folder per test, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/platform.hpp"

namespace orthelev::testing {

inline void WriteBytes(const std::string& path, const std::string& bytes);

class TempDir {
 public:
  TempDir() {
    // A uniquely named file, kept while the folder of its name + ".d" lives,
    // so that no other TempDir takes that name (on every system).
    marker_ = platform::Utf8Of(std::filesystem::temp_directory_path() / "orthelev-test-XXXXXX");
    const int fd = platform::CreateUniqueFile(marker_);
    if (fd < 0) throw std::runtime_error("cannot create " + marker_);
    platform::CloseFile(fd);
    path_ = platform::PathOf(marker_ + ".d");
    std::filesystem::create_directory(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    platform::RemoveFile(marker_);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder with a trailing separator, as DataFolder holds it.
  std::string Folder() const { return platform::Utf8Of(path_) + "/"; }
  // A file of the folder, joined with "/" (which Windows takes too).
  std::string File(const std::string& name) const { return Folder() + name; }
  // Writes the bytes to the named file of the folder; gives its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    WriteBytes(File(name), bytes);
    return File(name);
  }

 private:
  std::string marker_;
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(platform::PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The path with "/" for every separator: the text a test expects of a path
// that the program may have written with Windows' "\\".
inline std::string Slashed(std::string path) {
#ifdef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

// Makes `link` a symbolic link to `target`; on Windows, where creating
// links needs rights a user may not have (and wine has none), a copy.
inline void LinkOrCopy(const std::filesystem::path& target, const std::filesystem::path& link) {
#ifdef _WIN32
  std::filesystem::copy_file(target, link, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(link, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);  // so that it can be removed
#else
  std::filesystem::create_symlink(target, link);
#endif
}

// True when no file of the folder is hidden ("." first), as the temporary
// files of outputs not yet complete are.
inline bool NoHiddenFiles(const std::filesystem::path& folder) {
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string()[0] == '.') return false;
  return true;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace orthelev::testing
